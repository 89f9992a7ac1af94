// Export through the window: the Export menu, the game file it writes, the
// chess program it starts, and the Export Edit dialog with its store-on-switch.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileSystemModel>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <filesystem>

#include "app/HelpForm.h"
#include "export/ExpEditU.h"
#include "export/ExportGame.h"
#include "tests/gui/GuiTestSupport.h"

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;
using TEntry = std::array<std::string, kExportColumns>;

namespace {

// The settings file the window starts with: the given export entries.
void WriteExports(TGuiCase& c, const std::vector<std::pair<int, TEntry>>& entries) {
  std::string ini = "[Exports]\r\n";
  for (const auto& [r, entry] : entries) {
    for (size_t col = 0; col < entry.size(); ++col) {
      ini += std::to_string(r) + std::to_string(col + 1) + "=" + entry[col] + "\r\n";
    }
  }
  WriteFileBytes(c.Dir.File("korvane.ini"), ini);
}

// What the export of the page's game number n (0-based) must write: from its
// "[Event " to the next bullet, without the tags london1851 has after Result.
std::string ExpectedExport(const std::string& page, int n) {
  size_t start = 0;
  for (int i = 0; i <= n; ++i) start = page.find("[Event ", i == 0 ? 0 : start + 1);
  std::string game = page.substr(start, page.find('\xB7', start) - start);
  for (const char* tag : {"[WhiteElo ", "[BlackElo ", "[ECO "}) {
    const size_t at = game.find(tag);
    if (at != std::string::npos) game.erase(at, game.find("\r\n", at) + 2 - at);
  }
  return game;
}

// The offset of the moves of the page's game number n (0-based).
int64_t MovesOf(const std::string& page, int n) {
  size_t at = 0;
  for (int i = 0; i <= n; ++i) at = page.find("\r\n1.", at + 1);
  return static_cast<int64_t>(at + 4);
}

}  // namespace

class TestForm1Export : public TGuiTest {
  Q_OBJECT

  // Runs body on the Export Edit dialog once it is open, then closes it with OK
  // or Cancel (also when a check in body failed).
  void WithDialog(const char* menuItem, bool ok,
                  const std::function<void(TExportEditForm&)>& body) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      auto* d = c->Form->findChild<TExportEditForm*>();
      if (!d) return;
      ran = true;
      body(*d);
      if (d->isVisible()) ok ? d->OKButtonClick() : d->reject();
    });
    c->Menu(menuItem);
    QVERIFY(ran);
  }

  template <class W>
  static W* In(TExportEditForm& d, const char* name) {
    return d.findChild<W*>(QString::fromLatin1(name));
  }

 private slots:
  // From the window, entry 1 writes the game at the caret into its directory
  // and starts a real script on it, which records its parameter and directory.
  void exportStartsARealProgram() {
    const std::string pgnDir = c->Dir.File("pgn");
    fs::create_directory(pgnDir);
    const std::string record = c->Dir.File("ran.txt");
    const std::string script = c->Dir.File("engine.sh");
    WriteFileBytes(script, "#!/bin/sh\nprintf '%s\\n%s\\n' \"$1\" \"$(pwd)\" > '" + record +
                               ".part' && mv '" + record + ".part' '" + record + "'\n");
    fs::permissions(script, fs::perms::owner_all);
    const std::string gone = c->Dir.File("gone/engine");
    WriteExports(*c, {{1, {"Engine&1", pgnDir, script, "game.pgn"}},
                      {2, {"Gone.", pgnDir + "/", gone, "other.pgn"}}});
    OpenLondon();
    QCOMPARE(c->Find<QAction>("ExportItem1")->text(), QString("Engine&1"));
    QCOMPARE(c->Find<QAction>("ExportItem3")->text(), QString("Export&3"));

    const std::string page = c->Memo()->Text();
    c->Memo()->SetSelection(MovesOf(page, 1), 0);
    c->Menu("ExportItem1");
    QCOMPARE(ReadFileBytes(pgnDir + "/game.pgn"), ExpectedExport(page, 1));
    QVERIFY(QTest::qWaitFor([&] { return fs::exists(record); }, 5000));
    QCOMPARE(ReadFileBytes(record), "game.pgn\n" + pgnDir + "\n");
    QVERIFY(c->Dialogs.Shown.empty());

    // A program in a folder that does not exist: the file stays written, and
    // with a final point in the title it is not tried again this run.
    c->Menu("ExportItem2");
    QCOMPARE(ReadFileBytes(pgnDir + "/other.pgn"), ExpectedExport(page, 1));
    QCOMPARE(c->Dialogs.Texts(),
             Texts{"Sorry, " + gone +
                   " could not be launched. The return code was 3. See Export Help for possible "
                   "solution."});
    QCOMPARE(c->Dialogs.Shown[0].HelpContext, int{kHelpExportEdit});
    c->Memo()->SetSelection(MovesOf(page, 0) - 20, 0);  // in the tags of game 1
    c->Menu("ExportItem2");
    QCOMPARE(ReadFileBytes(pgnDir + "/other.pgn"), ExpectedExport(page, 0));
    QCOMPARE(c->Dialogs.Shown.size(), size_t{1});
  }

  // Once per run with a final point, every time without; the Rebel rule; an
  // entry without directory opens the dialog; no work file or no game refuses.
  void launchRulesAndRefusals() {
    const std::string pgnDir = c->Dir.Path().string();
    std::vector<std::pair<std::string, TLaunchTarget>> started;
    TForm1Setup setup;
    setup.Launcher = [&](const std::string& program, const TLaunchTarget& target) {
      started.emplace_back(program, target);
      return kShellStarted;
    };
    WriteExports(*c, {{1, {"Fritz.", pgnDir, "/opt/fritz", "a.pgn"}},
                      {2, {"Crafty", pgnDir, "/opt/crafty", "b.pgn"}},
                      {3, {"Rebel", pgnDir, "/opt/Rebel/rebel", "c.pgn"}},
                      {4, {"Later", "", "", "d.pgn"}}});
    c->Start(setup);
    c->Menu("ExportItem1");  // nothing open yet
    QCOMPARE(c->Dialogs.Beeps, 1);
    QVERIFY(started.empty() && c->Dialogs.Shown.empty());
    c->Dialogs.Beeps = 0;
    c->Dialogs.FileNames = {c->Copy("london1851.pgn")};
    c->Menu("Open1");
    const std::string page = c->Memo()->Text();
    c->Memo()->SetSelection(MovesOf(page, 2), 0);
    for (const char* item : {"ExportItem1", "ExportItem1", "ExportItem2", "ExportItem2",
                             "ExportItem1", "ExportItem3"}) {
      c->Menu(item);
    }
    QCOMPARE(started.size(), size_t{4});
    QCOMPARE(started[0].first, std::string("/opt/fritz"));
    QCOMPARE(started[0].second.Parameters, std::string("a.pgn"));
    QCOMPARE(started[0].second.WorkDir, pgnDir + "/");
    QCOMPARE(started[1].first, std::string("/opt/crafty"));
    QCOMPARE(started[2].first, std::string("/opt/crafty"));
    QCOMPARE(started[3].second.Parameters, std::string("v"));
    QCOMPARE(started[3].second.WorkDir, std::string("/REBEL9/"));
    QCOMPARE(ReadFileBytes(c->Dir.File("a.pgn")), ExpectedExport(page, 2));
    QVERIFY(c->Dialogs.Shown.empty());

    int shown = 0;
    WithDialog("ExportItem4", false, [&](TExportEditForm& d) { shown = d.ShownItem(); });
    QCOMPARE(shown, 4);
    QVERIFY(!fs::exists(c->Dir.File("d.pgn")));

    c->Memo()->SetSelection(0, 0);  // before the first game
    c->Menu("ExportItem2");
    QCOMPARE(c->Dialogs.Texts(), Texts{"b.pgn could not be written. Click a game to try again."});
    QCOMPARE(c->Dialogs.Beeps, 1);
    QCOMPARE(started.size(), size_t{4});

    bool halted = false;
    try {
      c->Form->EditExport(5);
    } catch (const EHalt& h) {
      halted = h.ExitCode == 999;
    }
    QVERIFY(halted);
    QCOMPARE(c->Dialogs.Texts().back(), std::string("Terminating error: logic 3345"));
  }

  // Each field rule of the dialog, Cancel after a switch, OK, and the entries
  // back after a restart.
  void dialogStoresOnSwitchAndKeepsAcrossRestart() {
    const std::string pgnDir = c->Dir.File("pgn");
    fs::create_directory(pgnDir);
    c->Start();
    IniValue.Exports[2][kExportDirectory] = c->Dir.File("no-longer-there");
    WithDialog("EditExports1", true, [&](TExportEditForm& d) {
      QCOMPARE(d.windowTitle(), QString("Export Edit"));
      QCOMPARE(d.ShownItem(), 1);
      QCOMPARE(In<QRadioButton>(d, "RadioGroup1Item2")->text(), QString("Export&2"));
      auto* edit1 = In<QLineEdit>(d, "Edit1");
      auto* edit2 = In<QLineEdit>(d, "Edit2");
      auto* edit3 = In<QLineEdit>(d, "Edit3");
      auto* launch = In<QCheckBox>(d, "CheckBox1");
      QCOMPARE(edit1->text(), QString("Export&1"));
      QCOMPARE(In<QLineEdit>(d, "Edit4")->text(), QString("LastPGN.pgn"));
      QVERIFY(!launch->isChecked() && !edit3->isEnabled());
      QVERIFY(!In<QPushButton>(d, "Button5")->isEnabled());

      // The directory list, "m", Launch and Browse.
      auto* list = In<QTreeView>(d, "DirectoryListBox1");
      list->setCurrentIndex(
          static_cast<QFileSystemModel*>(list->model())->index(QString::fromStdString(pgnDir)));
      In<QPushButton>(d, "Button4")->click();
      QCOMPARE(edit2->text().toStdString(), pgnDir);
      launch->click();
      QVERIFY(edit3->isEnabled());
      c->Dialogs.FileNames = {"/opt/fritz/fritz"};
      In<QPushButton>(d, "Button5")->click();
      QCOMPARE(c->Dialogs.FileDialogs.back().Title, std::string("Locate Chess Program"));
      QCOMPARE(c->Dialogs.FileDialogs.back().InitialDir, pgnDir);
      QCOMPARE(edit3->text(), QString("/opt/fritz/fritz"));
      edit1->setText("Fritz.");
      QFocusEvent leave(QEvent::FocusOut);
      QApplication::sendEvent(edit1, &leave);
      QCOMPARE(In<QRadioButton>(d, "RadioGroup1Item1")->text(), QString("Fritz."));

      // Switching stores the shown entry at once; an empty title gets the
      // default back and loses its directory.
      In<QRadioButton>(d, "RadioGroup1Item2")->click();
      QCOMPARE(IniValue.Exports[0], (TEntry{"Fritz.", pgnDir, "/opt/fritz/fritz", "LastPGN.pgn"}));
      QCOMPARE(edit1->text(), QString("Export&2"));
      QVERIFY(!launch->isChecked() && edit3->text().isEmpty() && !edit3->isEnabled());
      edit1->clear();
      edit2->setText("/somewhere");
      In<QRadioButton>(d, "RadioGroup1Item3")->click();
      QCOMPARE(IniValue.Exports[1], (TEntry{"Export&2", "", "", "LastPGN.pgn"}));
      // A saved directory that is gone: the current directory, an empty field.
      QVERIFY(edit2->text().isEmpty());
      QCOMPARE(d.ListDirectory(), QDir::currentPath());

      In<QRadioButton>(d, "RadioGroup1Item1")->click();
      QVERIFY(launch->isChecked() && edit3->isEnabled());
      launch->click();  // unchecking clears the program
      QVERIFY(edit3->text().isEmpty() && !edit3->isEnabled());
      launch->click();
      edit3->setText("/opt/fritz/fritz18");
      In<QLineEdit>(d, "Edit4")->setText("fritz.pgn");
    });
    QCOMPARE(IniValue.Exports[0], (TEntry{"Fritz.", pgnDir, "/opt/fritz/fritz18", "fritz.pgn"}));
    QCOMPARE(c->Find<QAction>("ExportItem1")->text(), QString("Fritz."));

    // Cancel keeps what switching stored, drops the shown entry's edits, and
    // leaves the menu as it was.
    WithDialog("EditExports1", false, [&](TExportEditForm& d) {
      In<QLineEdit>(d, "Edit1")->setText("Stored");
      In<QRadioButton>(d, "RadioGroup1Item4")->click();
      In<QLineEdit>(d, "Edit1")->setText("Dropped");
    });
    QCOMPARE(IniValue.Exports[0][kExportTitle], std::string("Stored"));
    QCOMPARE(IniValue.Exports[3][kExportTitle], std::string("Export&4"));
    QCOMPARE(c->Find<QAction>("ExportItem1")->text(), QString("Fritz."));

    QVERIFY(c->Form->close());
    c->Form.reset();
    IniValue = IniValueRec{};
    c->Start();
    QCOMPARE(c->Find<QAction>("ExportItem1")->text(), QString("Stored"));
    QCOMPARE(IniValue.Exports[0], (TEntry{"Stored", pgnDir, "/opt/fritz/fritz18", "fritz.pgn"}));
    QCOMPARE(IniValue.Exports[1], (TEntry{"Export&2", "", "", "LastPGN.pgn"}));
  }

  // The Help button's text, and F1 or "?" on a control opens its topic.
  void dialogHelp() {
    c->Start();
    WithDialog("EditExports1", false, [&](TExportEditForm& d) {
      In<QPushButton>(d, "HelpButton")->click();
      QCOMPARE(c->Dialogs.Texts(), Texts{kExportHelpText});
      for (auto [control, topic] : {std::pair{"Edit4", "exportfile.html"},
                                    {"Edit2", "exportdirectory.html"},
                                    {"Edit1", "exporttitle.html"},
                                    {"Edit3", "export.html"}}) {
        QWidget* w = In<QWidget>(d, control);
        w->setEnabled(true);
        w->setFocus();
        QTest::keyClick(w, Qt::Key_F1);
        QCOMPARE(HelpWindow()->CurrentTopic(), QString(topic));
      }
      auto* list = In<QTreeView>(d, "DirectoryListBox1");
      QHelpEvent whatsThis(QEvent::WhatsThis, QPoint(5, 5),
                           list->viewport()->mapToGlobal(QPoint(5, 5)));
      QApplication::sendEvent(list->viewport(), &whatsThis);
      QCOMPARE(HelpWindow()->CurrentTopic(), QString("exportdirectory.html"));
      QApplication::sendEvent(In<QRadioButton>(d, "RadioGroup1Item2"), &whatsThis);
      QCOMPARE(HelpWindow()->CurrentTopic(), QString("exporttitle.html"));
    });
    CloseHelpWindow();
  }
};

QTEST_MAIN(TestForm1Export)
#include "test_gui_export.moc"

// Export through the window: the Export menu, the game file it writes, the
// chess program it starts, and the Export Edit dialog with its store-on-switch.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <filesystem>

#include "export/ExpEditU.h"
#include "export/ExportGame.h"
#include "tests/gui/GuiTestSupport.h"
#include "ui/HelpForm.h"

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;
using TEntry = std::array<std::string, kExportColumns>;

namespace {

// What exporting game n (0-based) of the page must write: from its "[Event "
// to the next bullet, without the tags london1851 has after Result.
std::string ExpectedExport(const std::string& page, int n) {
  size_t start = page.find("[Event ");
  for (int i = 0; i < n; ++i) start = page.find("[Event ", start + 1);
  std::string game = page.substr(start, page.find('\xB7', start) - start);
  for (const char* tag : {"[WhiteElo ", "[BlackElo ", "[ECO "}) {
    const size_t at = game.find(tag);
    if (at != std::string::npos) game.erase(at, game.find("\r\n", at) + 2 - at);
  }
  return game;
}

// The offset of the moves of game n (0-based) of the page.
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
    QObject guard;  // no late timer reaches this frame once it has returned
    QTimer::singleShot(0, &guard, [&] {
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

  void OpenGames() {
    c->Dialogs.FileNames = {c->Copy("london1851.pgn")};
    c->Menu("Open1");
  }

 private slots:
  // Entry 1 set up in the dialog writes the game at the caret into the chosen
  // directory and starts a real script on it, which records its parameter and
  // working directory; after a restart the entry is read back and works again.
  void configuredEntryStartsARealProgramAcrossRestart() {
    const std::string pgnDir = c->Dir.File("pgn");
    fs::create_directory(pgnDir);
    const std::string record = c->Dir.File("ran.txt");
    const std::string script = c->Dir.File("engine.sh");
    WriteFileBytes(script, "#!/bin/sh\nprintf '%s\\n%s\\n' \"$1\" \"$(pwd)\" > '" + record +
                               ".part' && mv '" + record + ".part' '" + record + "'\n");
    fs::permissions(script, fs::perms::owner_all);
    c->Start();
    OpenGames();
    WithDialog("EditExports1", true, [&](TExportEditForm& d) {
      auto* list = In<QTreeView>(d, "DirectoryListBox1");
      list->setCurrentIndex(
          static_cast<QFileSystemModel*>(list->model())->index(QString::fromStdString(pgnDir)));
      In<QPushButton>(d, "Button4")->click();
      In<QCheckBox>(d, "CheckBox1")->click();
      c->Dialogs.FileNames = {script};
      In<QPushButton>(d, "Button5")->click();
      In<QLineEdit>(d, "Edit1")->setText("Engine&1");
      // The title is kept as Latin-1: a character without a Latin-1 form is
      // refused, not kept as "?".
      QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x416)));
      QApplication::sendEvent(In<QLineEdit>(d, "Edit1"), &key);
      QCOMPARE(c->Dialogs.Beeps, 1);
      In<QLineEdit>(d, "Edit4")->setText("game.pgn");
    });
    QCOMPARE(c->Dialogs.FileDialogs.back().Title, std::string("Locate Chess Program"));
    QCOMPARE(c->Find<QAction>("ExportItem1")->text(), QString("Engine&1"));

    for (int run = 0; run < 2; ++run) {
      const std::string page = c->Memo()->Text();
      // First in the moves of game 2, after the restart in the tags of game 1.
      c->Memo()->SetSelection(run == 0 ? MovesOf(page, 1) : MovesOf(page, 0) - 20, 0);
      c->Menu("ExportItem1");
      QCOMPARE(ReadFileBytes(pgnDir + "/game.pgn"), ExpectedExport(page, 1 - run));
      QVERIFY(QTest::qWaitFor([&] { return fs::exists(record); }, 5000));
      QCOMPARE(ReadFileBytes(record), "game.pgn\n" + pgnDir + "\n");
      QVERIFY(c->Dialogs.Shown.empty());
      if (run == 1) break;

      QVERIFY(c->Form->close());
      c->Form.reset();
      const std::string ini = ReadFileBytes(c->Dir.File("korvane.ini"));
      QCOMPARE(ini.substr(ini.find("[Exports]")),
               "[Exports]\r\n11=Engine&1\r\n12=" + pgnDir + "\r\n13=" + script +
                   "\r\n14=game.pgn\r\n21=Export&2\r\n22=\r\n23=\r\n24=LastPGN.pgn\r\n"
                   "31=Export&3\r\n32=\r\n33=\r\n34=LastPGN.pgn\r\n41=Export&4\r\n42=\r\n43=\r\n"
                   "44=LastPGN.pgn\r\n[Options]\r\nutf8 text=0\r\n");
      IniValue = IniValueRec{};
      fs::remove(record);
      c->Start();
      QCOMPARE(c->Find<QAction>("ExportItem1")->text(), QString("Engine&1"));
      OpenGames();
    }
  }

  // Once per run with a final point (also after a failed start), every time
  // without; the Rebel rule; an entry without directory opens the dialog; no
  // work file or no game at the caret refuses.
  void launchRulesAndRefusals() {
    const std::string pgnDir = c->Dir.Path().string();
    std::vector<std::pair<std::string, TLaunchTarget>> started;
    TForm1Setup setup;
    setup.Launcher = [&](const std::string& program, const TLaunchTarget& target) {
      started.emplace_back(program, target);
      return program == "/gone/engine" ? kShellPathNotFound : kShellStarted;
    };
    WriteFileBytes(c->Dir.File("korvane.ini"),
                   "[Exports]\r\n11=Fritz.\r\n12=" + pgnDir + "\r\n13=/opt/fritz\r\n14=a.pgn\r\n" +
                       "21=Crafty\r\n22=" + pgnDir + "\\\r\n23=/opt/crafty\r\n24=b.pgn\r\n" +
                       "31=Gone.\r\n32=" + pgnDir + "\r\n33=/gone/engine\r\n34=c.pgn\r\n" +
                       "41=Rebel\r\n42=\r\n43=/opt/Rebel/rebel\r\n44=d.pgn\r\n");
    c->Start(setup);
    c->Menu("ExportItem1");  // nothing open yet
    QCOMPARE(c->Dialogs.Beeps, 1);
    QVERIFY(started.empty() && c->Dialogs.Shown.empty());
    OpenGames();
    const std::string page = c->Memo()->Text();
    c->Memo()->SetSelection(MovesOf(page, 2), 0);
    for (const char* item :
         {"ExportItem1", "ExportItem1", "ExportItem2", "ExportItem2", "ExportItem3", "ExportItem3"})
      c->Menu(item);
    QCOMPARE(started.size(), size_t{4});
    QCOMPARE(started[0].second.Parameters, std::string("a.pgn"));
    QCOMPARE(started[0].second.WorkDir, pgnDir + "/");
    QCOMPARE(started[1].first, std::string("/opt/crafty"));
    QCOMPARE(started[2].first, std::string("/opt/crafty"));
    QCOMPARE(started[3].first, std::string("/gone/engine"));
    for (const char* file : {"a.pgn", "b.pgn", "c.pgn"})
      QCOMPARE(ReadFileBytes(c->Dir.File(file)), ExpectedExport(page, 2));
    QCOMPARE(c->Dialogs.Texts(),
             Texts{"Sorry, /gone/engine could not be launched. The return code was 3. See "
                   "Export Help for possible solution."});
    QCOMPARE(c->Dialogs.Shown[0].HelpContext, int{kHelpExportEdit});

    int shown = 0;
    WithDialog("ExportItem4", false, [&](TExportEditForm& d) { shown = d.ShownItem(); });
    QCOMPARE(shown, 4);
    IniValue.Exports[3][kExportDirectory] = pgnDir;
    c->Menu("ExportItem4");
    QCOMPARE(started.back().second.Parameters, std::string("v"));
    QCOMPARE(started.back().second.WorkDir, std::string("/REBEL9/"));

    // A file that cannot be written is reported and starts nothing; the run goes on.
    c->Dialogs.Shown.clear();
    c->Dialogs.Beeps = 0;
    IniValue.Exports[1][kExportDirectory] = c->Dir.File("gone");
    c->Menu("ExportItem2");
    c->Memo()->SetSelection(0, 0);  // before the first game
    c->Menu("ExportItem2");
    QCOMPARE(c->Dialogs.Texts(), (Texts{"An I/O error has occurred at 987. The result code is 2",
                                        "b.pgn could not be written. Click a game to try again."}));
    QCOMPARE(c->Dialogs.Beeps, 2);
    QCOMPARE(started.size(), size_t{5});
  }

  // The field rules of the dialog when switching entries, and Cancel.
  void dialogStoresOnSwitch() {
    const std::string pgnDir = c->Dir.File("pgn");
    fs::create_directory(pgnDir);
    c->Start();
    IniValue.Exports[1] = {"Old", pgnDir + "\\", "/opt/old", "old.pgn"};
    IniValue.Exports[2][kExportDirectory] = c->Dir.File("no-longer-there");
    WithDialog("EditExports1", false, [&](TExportEditForm& d) {
      QCOMPARE(d.ShownItem(), 1);
      auto* edit1 = In<QLineEdit>(d, "Edit1");
      auto* edit2 = In<QLineEdit>(d, "Edit2");
      auto* edit3 = In<QLineEdit>(d, "Edit3");
      auto* launch = In<QCheckBox>(d, "CheckBox1");
      QVERIFY(!launch->isChecked() && !edit3->isEnabled());

      // An older entry's directory with a final '\' is found and kept.
      In<QRadioButton>(d, "RadioGroup1Item2")->click();
      QCOMPARE(IniValue.Exports[0], (TEntry{"Export&1", "", "", "LastPGN.pgn"}));
      QCOMPARE(d.ListDirectory().toStdString(), pgnDir);
      QCOMPARE(edit2->text().toStdString(), pgnDir + "\\");
      QVERIFY(launch->isChecked() && edit3->isEnabled());
      launch->click();  // unchecking clears the program
      QVERIFY(edit3->text().isEmpty() && !In<QPushButton>(d, "Button5")->isEnabled());
      // An emptied title gets the default back and loses its directory.
      edit1->clear();
      In<QRadioButton>(d, "RadioGroup1Item3")->click();
      QCOMPARE(IniValue.Exports[1], (TEntry{"Export&2", "", "", "old.pgn"}));
      QCOMPARE(In<QRadioButton>(d, "RadioGroup1Item2")->text(), QString("Export&2"));
      // A saved directory that is gone: the current directory, an empty field.
      QVERIFY(edit2->text().isEmpty());
      QCOMPARE(d.ListDirectory(), QDir::currentPath());

      edit1->setText("Fritz.");
      QFocusEvent leave(QEvent::FocusOut);
      QApplication::sendEvent(edit1, &leave);
      QCOMPARE(In<QRadioButton>(d, "RadioGroup1Item3")->text(), QString("Fritz."));
      In<QRadioButton>(d, "RadioGroup1Item4")->click();
      edit1->setText("Dropped");
    });
    // Cancel keeps what switching stored, drops the shown entry's edits and
    // leaves the menu as it was.
    QCOMPARE(IniValue.Exports[2][kExportTitle], std::string("Fritz."));
    QCOMPARE(IniValue.Exports[3][kExportTitle], std::string("Export&4"));
    QCOMPARE(c->Find<QAction>("ExportItem3")->text(), QString("Export&3"));
  }

  // The Help button's text; F1 on a control opens its topic.
  void dialogHelp() {
    c->Start();
    WithDialog("EditExports1", false, [&](TExportEditForm& d) {
      In<QPushButton>(d, "HelpButton")->click();
      QCOMPARE(c->Dialogs.Texts(), Texts{kExportHelpText});
      for (auto [control, topic] : {std::pair{"Edit4", "exportfile.html"},
                                    {"Edit2", "exportdirectory.html"},
                                    {"Edit1", "exporttitle.html"},
                                    {"CheckBox1", "export.html"}}) {
        QWidget* w = In<QWidget>(d, control);
        w->setFocus();
        QTest::keyClick(w, Qt::Key_F1);
        QCOMPARE(HelpWindow()->CurrentTopic(), QString(topic));
      }
    });
    CloseHelpWindow();
  }
};

QTEST_MAIN(TestForm1Export)
#include "test_gui_export.moc"

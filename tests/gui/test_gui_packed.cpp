// Open Packed and Save As Packed through the File menu and the PGC Packed
// Options dialog, with the packing library beside "the program" or without it.
#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "export/Unit5Pac.h"
#include "tests/gui/GuiTestSupport.h"

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

class TestForm1Packed : public TGuiTest {
  Q_OBJECT

  // Answers the next PGC Packed Options dialog once it is shown.
  void WhenShown(std::function<void(TForm5*)> answer) {
    QTimer::singleShot(0, c->Form.get(), [this, answer] {
      if (auto* form = c->Form->findChild<TForm5*>()) answer(form);
    });
  }
  static void Set(TForm5* form, const char* edit, const QString& text) {
    form->findChild<QLineEdit*>(edit)->setText(text);
  }
  static void Press(TForm5* form, const char* button) {
    form->findChild<QPushButton*>(button)->click();
  }
  void InstallLibrary() { fs::copy_file(PackerLibraryPath(), c->Dir.File("libppkdlv02.so")); }
  // Save As Packed of the open work file to name; Append as given.
  void SavePacked(const std::string& name, bool append) {
    c->Dialogs.FileNames.push_back(name);
    WhenShown([append](TForm5* form) {
      form->findChild<QCheckBox*>("CheckBox1")->setChecked(append);
      Press(form, "OKBtn");
    });
    c->Menu("SaveAsPacked1");
  }
  static int Lines(const std::string& file) { return CountOf(ReadFileBytes(file), "\r\n"); }

 private slots:
  // The real collection saved packed from the window and opened packed again.
  void saveThenOpenGivesTheSameGames() {
    InstallLibrary();
    OpenLondon();
    const std::string packed = c->Dir.File("london1851.pgc");
    QString caption, exists;
    c->Dialogs.FileNames.push_back(packed);
    WhenShown([&](TForm5* form) {
      caption = form->windowTitle();
      exists = form->findChild<QRadioButton*>("Missing")->isChecked() ? "no" : "yes";
      QVERIFY(!form->findChild<QGroupBox*>("GroupBox1")->isEnabled());
      Press(form, "OKBtn");
    });
    c->Menu("SaveAsPacked1");
    QCOMPARE(caption, QString("PGC Packed Options (Save)"));
    QCOMPARE(exists, QString("no"));
    QCOMPARE(c->Dialogs.FileDialogs.back().FileName, packed);  // proposed from london1851.pgn
    QCOMPARE(Lines(packed), 251);
    QVERIFY(!c->Form->IsFileModified());
    SavePacked(packed, true);
    QCOMPARE(Lines(packed), 502);
    QVERIFY(!fs::exists(c->Dir.File("~ZolUnt5.tmp")));

    // Games 252 on are the appended copy: all of London again.
    c->Dialogs.FileNames.push_back(packed);
    WhenShown([&](TForm5* form) {
      caption = form->windowTitle();
      Set(form, "Edit3", "252");
      Press(form, "OKBtn");
    });
    c->Menu("OpenPacked1");
    QCOMPARE(caption, QString("PGC Packed Options (Open)"));
    QCOMPARE(c->Form->windowTitle(), QString("Korvane - london1851.pgc"));
    QCOMPARE(c->Text("Panel3"), QString("251"));
    QVERIFY(!fs::exists(c->Dir.File("~ZolUnt5.tmp")));
    // Save asks for a PGN name beside the packed file; the opened PGN is left alone.
    const std::string back = c->Dir.File("london1851.pgn");
    c->Dialogs.FileNames.push_back(c->Dir.File("back.pgn"));
    c->Menu("Save1");
    QCOMPARE(c->Dialogs.FileDialogs.back().FileName, back);
    QCOMPARE(ReadFileBytes(c->Dir.File("back.pgn")), "\r\n" + TestData("london1851.pgn"));
    QCOMPARE(ReadFileBytes(path), TestData("london1851.pgn"));
  }

  // Start 3, Maximum 2, after a field that is not a number.
  void openSelectsGamesAndChecksTheFields() {
    InstallLibrary();
    OpenLondon();
    const std::string packed = c->Dir.File("all.pgc");
    SavePacked(packed, false);
    c->Dialogs.FileNames.push_back(packed);
    bool stayed = false;
    WhenShown([&](TForm5* form) {
      QVERIFY(form->findChild<QRadioButton*>("Exists")->isChecked());
      Set(form, "Edit4", "");
      Press(form, "OKBtn");
      stayed = form->isVisible();
      Set(form, "Edit3", "3");
      Set(form, "Edit4", "2");
      Press(form, "OKBtn");
    });
    c->Menu("OpenPacked1");
    QVERIFY(stayed);
    QCOMPARE(c->Dialogs.Beeps, 1);
    QCOMPARE(c->Dialogs.Texts(), Texts{"non-numeric Start of Select"});
    const Texts games = GamesOf(TestData("london1851.pgn"));
    QVERIFY(GamesOf(c->Memo()->Text()) == (Texts{games[2], games[3]}));
  }

  // Replacing a packed file is asked first (No writes nothing); a game the
  // packed format cannot keep: the message, the dialog closes, the window
  // shows that game, and the packed file that was there is untouched.
  void refusedGameLeavesThePackedFileAlone() {
    InstallLibrary();
    OpenLondon();
    const std::string packed = c->Copy("fools-mate.pgn", "old.pgc");
    // In the second game, so that the game shown is not the page's first.
    const std::string page = c->Memo()->Text();
    c->TypeAt(static_cast<int64_t>(page.find("[Site ", page.find("[Site ") + 1)),
              "[EventDate \"?\"]");
    QTest::keyClick(c->Memo(), Qt::Key_Return);
    c->Dialogs.Answers = {TMsgAnswer::No};
    SavePacked(packed, false);
    QCOMPARE(c->Dialogs.Texts(), Texts{"Overwrite " + packed + " ?"});
    c->Dialogs.Shown.clear();
    c->Dialogs.FileNames.push_back(packed);
    c->Dialogs.Answers = {TMsgAnswer::Yes};
    bool stayed = true;
    WhenShown([&](TForm5* form) {
      Press(form, "OKBtn");
      stayed = form->isVisible();
    });
    c->Menu("SaveAsPacked1");
    QVERIFY(!stayed);
    const std::string text = c->Memo()->Text();
    QVERIFY(c->Memo()->SelStart() > 0);
    QCOMPARE(text.substr(static_cast<size_t>(c->Memo()->SelStart()),
                         static_cast<size_t>(c->Memo()->SelLength())),
             std::string("[Event \"London2\"]"));
    QCOMPARE(
        c->Dialogs.Texts(),
        (Texts{"Overwrite " + packed + " ?",
               "Pack Error (unknown tag \"EventDate\"; only the 18 known tags can be packed)"
               "\r\rgame 2 of the file, on page 1\r\rSearch Help file index for \"Pack Errors\""}));

    QCOMPARE(ReadFileBytes(packed), TestData("fools-mate.pgn"));
    QVERIFY(c->Form->IsFileModified());  // the edit was written back, not saved
    QCOMPARE(c->Text("Edit5"), QString("1"));
  }

  void withoutTheLibraryOkStaysDisabled() {
    OpenLondon();
    bool okEnabled = true;
    c->Dialogs.FileNames.push_back(c->Dir.File("x.pgc"));
    WhenShown([&](TForm5* form) {
      okEnabled = form->findChild<QPushButton*>("OKBtn")->isEnabled();
      Press(form, "CancelBtn");
    });
    c->Menu("SaveAsPacked1");
    QVERIFY(!okEnabled);
    QCOMPARE(c->Dialogs.Texts(),
             Texts{"libppkdlv02.so not loaded. Click following Help icon (?) for information."});
    QCOMPARE(c->Dialogs.Shown.back().HelpContext, 37);
    QVERIFY(!fs::exists(c->Dir.File("x.pgc")));
    QVERIFY(c->Form->Stream() != nullptr);
  }
};

QTEST_MAIN(TestForm1Packed)
#include "test_gui_packed.moc"

// The start-up offer of a work file left by a run that ended without a clean
// shutdown: Yes opens it unsaved under its original name, "Delete it" deletes
// it, Cancel keeps it; and the settings a crash must not lose.
#include <QMessageBox>
#include <QtTest>
#include <filesystem>

#include "export/ExpEditU.h"
#include "export/Unit5Pac.h"
#include "settings/Settings.h"
#include "stream/Recovery.h"
#include "stream/TxFlows.h"
#include "tests/gui/GuiTestSupport.h"
#include "ui/QtDialogs.h"

namespace fs = std::filesystem;

class TestForm1Recover : public TGuiTest {
  Q_OBJECT

  std::string original;
  std::string staleBullet;

  // A run that opened London 1851, committed an edit of page 1 and was killed.
  void LeaveCrashedRun() {
    original = c->Copy("london1851.pgn");
    ClearWorkFileNames();
    staleBullet = c->Dir.File("~korvane.bullet.file.00000042.tmp");
    BulletFileName = staleBullet;
    OutputFileName = c->Dir.File("~korvane.reorg.file.00000042.tmp");
    std::string text;
    auto work = ProcessInputFile(OpenInputFile(original, text, 10000), text);
    QVERIFY(work);
    const size_t moves = text.find("\r\n1.");
    QVERIFY(moves != std::string::npos);
    text.insert(moves + 2, "{recovered edit} ");
    QVERIFY(work->WritePage(text) > 0);
    work.reset();
    ClearWorkFileNames();
  }

  // The window's run "killed": its bullet and map files stay under another
  // run's names (the same inode), then the window goes.
  void KillWindow() {
    staleBullet = c->Dir.File("~korvane.bullet.file.00000042.tmp");
    fs::create_hard_link(BulletFileName, staleBullet);
    fs::copy_file(MapFileNameOf(BulletFileName), MapFileNameOf(staleBullet));
    c->Form.reset();
  }

  void OkPackedOptionsWhenShown() {
    QTimer::singleShot(0, c->Form.get(), [this] {
      if (auto* form = c->Form->findChild<TForm5*>())
        form->findChild<QPushButton*>("OKBtn")->click();
    });
  }

  // A second start on the same directory, answering the recovery with Yes.
  void StartAndRecover(TForm1Setup setup = {}) {
    c->Dialogs.Answers.push_back(TMsgAnswer::Yes);
    c->Start(std::move(setup));
    QVERIFY(c->Form->Stream());
  }

 private slots:
  void yesOpensTheRecoveredFileUnsaved() {
    LeaveCrashedRun();
    const std::string before = ReadFileBytes(original);
    c->Dialogs.Answers.push_back(TMsgAnswer::Yes);
    c->Start();
    QCOMPARE(c->Dialogs.Shown.size(), size_t{1});
    QVERIFY(c->Dialogs.Shown[0].Text.find(original) != std::string::npos);
    QVERIFY(c->Form->Stream());
    QVERIFY(c->Memo()->Text().find("{recovered edit}") != std::string::npos);
    QVERIFY(c->Form->IsFileModified());
    QVERIFY(c->Form->windowTitle().endsWith(QStringLiteral("london1851.pgn")));
    QCOMPARE(c->Form->SaveDialog().FileName, original);
    QVERIFY(!std::filesystem::exists(staleBullet));
    QCOMPARE(ReadFileBytes(original), before);  // nothing written before Save

    c->Menu("Save1");  // proposes the original name: no dialog
    QVERIFY(c->Dialogs.FileDialogs.empty());
    const std::string saved = ReadFileBytes(original);
    QVERIFY(saved.find("{recovered edit} 1.") != std::string::npos);
    QCOMPARE(GamesOf(saved).size(), GamesOf(before).size());
    QVERIFY(!c->Form->IsFileModified());
  }

  void noDeletesTheWorkFile() {
    LeaveCrashedRun();
    c->Dialogs.Answers.push_back(TMsgAnswer::No);
    c->Start();
    QCOMPARE(c->Dialogs.Shown.size(), size_t{1});
    QVERIFY(c->Dialogs.Shown[0].Buttons == TMsgButtons::YesNoCancel);
    QCOMPARE(c->Dialogs.Shown[0].NoCaption, std::string("Delete it"));
    QVERIFY(!c->Form->Stream());
    QVERIFY(!std::filesystem::exists(staleBullet));
    QVERIFY(!std::filesystem::exists(MapFileNameOf(staleBullet)));
  }

  // The real question: its No button is captioned "Delete it", and Escape
  // answers Cancel, never the No that deletes.
  void realQuestionEscapesToCancel() {
    TQtDialogs dialogs;
    QString noCaption;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      noCaption = box->button(QMessageBox::No)->text();
      QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(dialogs.Question("Recover it?", TMsgKind::Confirmation, TMsgButtons::YesNoCancel,
                              "Delete it", 0),
             TMsgAnswer::Cancel);
    QCOMPARE(noCaption, QString("Delete it"));
  }

  // Escape (Cancel) keeps the work file; so does a recovery that could not
  // open it (a full disk), also when giving the files their names back fails.
  // Each time the next start offers it again, whole.
  void keptWorkFileIsOfferedAgain_data() {
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("renameFault");
    QTest::newRow("escape") << false << 0;
    QTest::newRow("open fails") << true << 0;
    QTest::newRow("open and rename back fail") << true << 3;
  }

  void keptWorkFileIsOfferedAgain() {
    QFETCH(bool, accept);
    QFETCH(int, renameFault);
    LeaveCrashedRun();
    c->Dialogs.Answers.push_back(accept ? TMsgAnswer::Yes : TMsgAnswer::Cancel);
    if (accept) SetWriteFaultAfter(0);
    SetRecoveryRenameFaultAtCall(renameFault);
    c->Start();
    SetWriteFaultAfter(-1);
    SetRecoveryRenameFaultAtCall(0);
    QVERIFY(!c->Form->Stream());
    if (accept) {
      QCOMPARE(c->Dialogs.Texts().back(),
               std::string("The work file could not be recovered; it stays for the next start."));
    }
    QCOMPARE(fs::exists(staleBullet), renameFault == 0);
    c->Form.reset();
    c->Dialogs.Shown.clear();
    StartAndRecover();
    QCOMPARE(c->Dialogs.Shown.size(), size_t{1});
    QVERIFY(c->Memo()->Text().find("{recovered edit}") != std::string::npos);
    c->Menu("Save1");
    QVERIFY(ReadFileBytes(original).find("{recovered edit} 1.") != std::string::npos);
  }

  // A collection opened with Open Packed comes back under the packed file's
  // name, and Save asks for a PGN name beside it instead of writing anywhere.
  void packedCollectionIsRecoveredUnderItsPackedName() {
    fs::copy_file(PackerLibraryPath(), c->Dir.File("libppkdlv02.so"));
    OpenLondon();
    const std::string packed = c->Dir.File("games.pgc");
    c->Dialogs.FileNames.push_back(packed);
    OkPackedOptionsWhenShown();
    c->Menu("SaveAsPacked1");
    c->Dialogs.FileNames.push_back(packed);
    OkPackedOptionsWhenShown();
    c->Menu("OpenPacked1");
    c->TypeAt(static_cast<int64_t>(c->Memo()->Text().find("\r\n1.")) + 2, "{packed edit} ");
    c->Click("Button1");  // committed
    KillWindow();
    c->Dialogs.Shown.clear();
    c->Dialogs.FileDialogs.clear();
    StartAndRecover();
    QVERIFY(c->Dialogs.Shown[0].Text.find(packed) != std::string::npos);
    QVERIFY(c->Form->windowTitle().endsWith(QStringLiteral("games.pgc")));
    const std::string proposed = c->Dir.File("games.pgn");
    c->Dialogs.FileNames.push_back(proposed);
    c->Menu("Save1");
    QCOMPARE(c->Dialogs.FileDialogs.size(), size_t{1});
    QCOMPARE(c->Dialogs.FileDialogs[0].FileName, proposed);
    QVERIFY(ReadFileBytes(proposed).find("{packed edit} 1.") != std::string::npos);
    for (const auto& e : fs::directory_iterator(c->Dir.Path()))
      QVERIFY(!e.path().filename().string().starts_with("~Zol"));
  }

  // A file named on the command line waits for the recovered collection: the
  // user is told, and asked once that collection is saved.
  void commandLineFileIsOfferedAfterSave() {
    LeaveCrashedRun();
    const std::string other = c->Dir.File("fools-mate.pgn");
    WriteFileBytes(other, ToCrLf(TestData("fools-mate.pgn")));
    TForm1Setup setup;
    setup.Params = {QString::fromStdString(other)};
    StartAndRecover(setup);
    QCOMPARE(c->Dialogs.Shown.size(), size_t{2});
    QVERIFY(c->Dialogs.Shown[1].Text.find(other + " was not opened") != std::string::npos);
    QVERIFY(c->Form->windowTitle().endsWith(QStringLiteral("london1851.pgn")));
    c->Dialogs.Answers.push_back(TMsgAnswer::Yes);
    c->Menu("Save1");
    QCOMPARE(c->Dialogs.Texts().back(),
             "The recovered collection is saved. Open " + other + " now?");
    QVERIFY(ReadFileBytes(original).find("{recovered edit} 1.") != std::string::npos);
    QVERIFY(c->Form->windowTitle().endsWith(QStringLiteral("fools-mate.pgn")));
  }

  // The flutter value and the export entries reach the settings file when they
  // are confirmed, not only at a clean exit; a write that fails leaves the old
  // file whole.
  void settingsAreWrittenWhenChanged() {
    c->Start();
    const std::string ini = IniFileName();
    c->Dialogs.Inputs = {"55"};
    c->Menu("BoardFlutter1");
    QVERIFY(ReadFileBytes(ini).find("flutter=55") != std::string::npos);
    QTimer::singleShot(0, c->Form.get(), [this] {
      if (auto* d = c->Form->findChild<TExportEditForm*>()) {
        d->findChild<QLineEdit*>("Edit1")->setText("Engine&1");
        d->OKButtonClick();
      }
    });
    c->Menu("EditExports1");
    QVERIFY(ReadFileBytes(ini).find("11=Engine&1") != std::string::npos);
    const std::string before = ReadFileBytes(ini);
    c->Dialogs.Inputs = {"66"};
    SetWriteFaultAtCall(1);
    c->Menu("BoardFlutter1");
    SetWriteFaultAtCall(0);
    QCOMPARE(c->Dialogs.Texts(), std::vector<std::string>{"Ini file creation error"});
    QCOMPARE(ReadFileBytes(ini), before);
  }
};

QTEST_MAIN(TestForm1Recover)
#include "test_gui_recover.moc"

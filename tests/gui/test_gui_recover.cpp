// The start-up offer of a work file left by a run that ended without a clean
// shutdown: Yes opens it unsaved under its original name, No deletes it.
#include <QtTest>

#include "stream/Recovery.h"
#include "stream/TxFlows.h"
#include "tests/gui/GuiTestSupport.h"

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
    QVERIFY(!c->Form->Stream());
    QVERIFY(!std::filesystem::exists(staleBullet));
    QVERIFY(!std::filesystem::exists(MapFileNameOf(staleBullet)));
  }
};

QTEST_MAIN(TestForm1Recover)
#include "test_gui_recover.moc"

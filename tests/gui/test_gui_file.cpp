// The file commands where the window asks or refuses: Save As and
// closing with unsaved changes, Reorg refusing a
// game, files dropped on the window, and the start-up offer of a work file left
// by a run that ended without a clean shutdown.
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <filesystem>

#include "stream/Recovery.h"
#include "stream/TxFlows.h"
#include "tests/gui/GuiTestSupport.h"
#include "ui/QtDialogs.h"

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

class TestForm1File : public TGuiTest {
  Q_OBJECT

  std::string staleBullet;

  // The start of the moves of the first game of a text.
  static size_t MovesOf(const std::string& text) {
    return text.find("\r\n\r\n", text.find("[Event ")) + 4;
  }
  void EditFirstGame(const char* text) {
    c->TypeAt(static_cast<int64_t>(MovesOf(c->Memo()->Text())), text);
  }
  // London 1851 saved with the text before the first game's moves.
  static std::string Edited(const std::string& text) {
    std::string games = TestData("london1851.pgn");
    return SavedForm(GamesOf(games.insert(MovesOf(games), text)));
  }

  // A run that opened London 1851, committed an edit of page 1 and was killed.
  void LeaveCrashedRun() {
    path = c->Copy("london1851.pgn");
    ClearWorkFileNames();
    staleBullet = c->Dir.File("~korvane.bullet.file.00000042.tmp");
    BulletFileName = staleBullet;
    OutputFileName = c->Dir.File("~korvane.reorg.file.00000042.tmp");
    std::string text;
    auto work = ProcessInputFile(OpenInputFile(path, text, 10000), text);
    QVERIFY(work);
    text.insert(MovesOf(text), "{recovered edit} ");
    QVERIFY(work->WritePage(text) > 0);
    work.reset();
    ClearWorkFileNames();
  }

  static bool DropFile(QWidget* target, const std::string& file) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents();  // the open runs once the drop has ended
    return enter.isAccepted();
  }

 private slots:
  // Every question of Save As and Close, answered each way.
  void saveAsAndCloseAsk() {
    OpenLondon();
    const std::string other = c->Copy("fools-mate.pgn", "other.pgn");
    EditFirstGame("{x} ");
    c->Dialogs.FileNames = {other, other};
    c->Dialogs.Answers = {TMsgAnswer::No, TMsgAnswer::Yes};
    c->Menu("SaveAs1");
    QCOMPARE(c->Dialogs.Texts(), Texts{"Overwrite " + other + " ?"});
    QCOMPARE(ReadFileBytes(other), TestData("fools-mate.pgn"));
    c->Menu("SaveAs1");
    QCOMPARE(ReadFileBytes(other), Edited("{x} "));
    QCOMPARE(c->Form->windowTitle(), QString("Korvane - other.pgn"));
    QVERIFY(!c->Form->IsFileModified());

    EditFirstGame("{y} ");
    c->Dialogs.Answers = {TMsgAnswer::Cancel};
    QVERIFY(!c->Form->close());
    QCOMPARE(c->Dialogs.Texts().back(), std::string("Save changes to other.pgn?"));
    // Yes saves through Save As; cancelling its dialog asks again; No drops the change.
    c->Dialogs.Answers = {TMsgAnswer::Yes, TMsgAnswer::No};
    c->Dialogs.FileNames = {""};
    QVERIFY(c->Form->close());
    QCOMPARE(c->Dialogs.Shown.size(), size_t{5});
    QCOMPARE(ReadFileBytes(other), Edited("{x} "));
    QCOMPARE(c->WorkFileCount(), 0);
  }

  // A game grown past the buffer size: Reorg refuses before anything changes,
  // naming the game and a buffer size that holds it; with that size it goes
  // through. A write that fails at any point of it keeps the work whole.
  void reorgRefusesAGameTheBufferCannotHold() {
    OpenLondon();
    const std::string comment = "{" + std::string(10500, 'c') + "} ";
    c->Memo()->SetSelection(static_cast<int64_t>(MovesOf(c->Memo()->Text())), 0);
    QVERIFY(c->Memo()->ReplaceSelection(comment));
    c->Click("Button1");  // committed, the page relocated
    const int pages = Pages();
    c->Click("Button5");
    QCOMPARE(c->Dialogs.Texts().size(), size_t{1});
    const std::string refusal = c->Dialogs.Texts()[0];
    QVERIFY2(refusal.starts_with("Reorg refused: game 1 ("), refusal.c_str());
    QVERIFY(refusal.find("at least 20000") != std::string::npos);
    QCOMPARE(Pages(), pages);
    c->Menu("Save1");
    QCOMPARE(ReadFileBytes(path), Edited(comment));

    c->SetBufferSize("20000");
    c->Dialogs.FileNames = {path};
    c->Menu("Open1");
    const int64_t before = WriteCallCount();
    c->Click("Button5");
    const int64_t calls = WriteCallCount() - before;
    QCOMPARE(c->Dialogs.Texts().size(), size_t{1});
    QVERIFY(calls > 3);
    for (int64_t n = 1; n <= calls; ++n) {
      c->Dialogs.OkBoxAnswers.clear();
      SetWriteFaultAtCall(n);
      c->Click("Button5");
      SetWriteFaultAtCall(0);
      QVERIFY2(c->Form->Stream(), std::to_string(n).c_str());
      c->Menu("Save1");
      QVERIFY2(ReadFileBytes(path) == Edited(comment), std::to_string(n).c_str());
    }
    // A page pasted past the buffer size is cut into pages again, every game kept.
    const std::string page1 = c->Memo()->Text();
    QApplication::clipboard()->setText(
        QString::fromLatin1(QByteArray::fromStdString(page1 + page1)));
    c->Memo()->SetSelection(c->Memo()->Length(), 0);
    c->Menu("PasteLarge1");
    c->Click("Button5");
    for (int page = 1; page <= Pages(); ++page, c->Click("Button1")) {
      QVERIFY(c->Memo()->Length() <= 20000);
    }
    c->Menu("Save1");
    std::vector<std::string> games = GamesOf(Edited(comment));
    const auto first = static_cast<long>(GamesOf(page1).size());
    const std::vector<std::string> copies(games.begin(), games.begin() + first);
    for (int i = 0; i < 2; ++i) games.insert(games.begin(), copies.begin(), copies.end());
    QCOMPARE(ReadFileBytes(path), SavedForm(games));
  }

  // On the editor and on the window alike; with a change on the page the save
  // question comes first, and Cancel keeps the file that is open.
  void dropOpensLikeFileOpen() {
    OpenLondon();
    const std::string other = c->Copy("fools-mate.pgn", "other.pgn");
    WriteFileBytes(other, ToCrLf(TestData("fools-mate.pgn")));
    for (QWidget* target : {static_cast<QWidget*>(c->Form.get()), c->Memo()->viewport()}) {
      c->Dialogs.Shown.clear();
      c->TypeAt(c->Memo()->Length(), "x");
      c->Dialogs.Answers = {TMsgAnswer::Cancel};
      QVERIFY(DropFile(target, other));
      QCOMPARE(c->Dialogs.Texts(), Texts{"Save changes to london1851.pgn?"});
      QCOMPARE(c->Form->windowTitle(), QString("Korvane - london1851.pgn"));
      c->Dialogs.Answers = {TMsgAnswer::No};
      QVERIFY(DropFile(target, other));
      QCOMPARE(c->Form->windowTitle(), QString("Korvane - other.pgn"));
      c->Dialogs.FileNames = {path};
      c->Menu("Open1");
    }
    QCOMPARE(ReadFileBytes(path), TestData("london1851.pgn"));  // the changes were dropped
  }

  // Yes opens the work file unsaved under its original name; "Delete it"
  // deletes it; Escape (Cancel), and a recovery that could not open it (a full
  // disk, also when giving the files their names back fails), keep it for the
  // next start, which offers it again whole.
  void leftWorkFileIsOffered_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("writeFault");
    QTest::addColumn<int>("renameFault");
    QTest::newRow("yes") << int(TMsgAnswer::Yes) << false << 0;
    QTest::newRow("delete it") << int(TMsgAnswer::No) << false << 0;
    QTest::newRow("escape") << int(TMsgAnswer::Cancel) << false << 0;
    QTest::newRow("open fails") << int(TMsgAnswer::Yes) << true << 0;
    QTest::newRow("open and rename back fail") << int(TMsgAnswer::Yes) << true << 3;
  }
  void leftWorkFileIsOffered() {
    QFETCH(int, answer);
    QFETCH(bool, writeFault);
    QFETCH(int, renameFault);
    LeaveCrashedRun();
    c->Dialogs.Answers = {static_cast<TMsgAnswer>(answer)};
    if (writeFault) SetWriteFaultAfter(0);
    SetRecoveryRenameFaultAtCall(renameFault);
    c->Start();
    SetWriteFaultAfter(-1);
    SetRecoveryRenameFaultAtCall(0);
    const auto& asked = c->Dialogs.Shown.at(0);
    QVERIFY(asked.Text.find(path) != std::string::npos);
    QCOMPARE(asked.NoCaption, std::string("Delete it"));
    const bool kept = answer == int(TMsgAnswer::Cancel) || writeFault;
    QCOMPARE(c->Form->Stream() != nullptr, !kept && answer == int(TMsgAnswer::Yes));
    QCOMPARE(fs::exists(staleBullet), kept && renameFault == 0);
    if (!kept) QVERIFY(!fs::exists(MapFileNameOf(staleBullet)));
    if (writeFault) {
      QCOMPARE(c->Dialogs.Texts().back(),
               std::string("The work file could not be recovered; it stays for the next start."));
    }
    if (kept) {
      c->Form.reset();
      c->Dialogs.Shown.clear();
      c->Dialogs.Answers = {TMsgAnswer::Yes};
      c->Start();
    }
    if (answer == int(TMsgAnswer::No)) return;
    QVERIFY(c->Form->IsFileModified());
    QVERIFY(c->Form->windowTitle().endsWith(QStringLiteral("london1851.pgn")));
    QCOMPARE(ReadFileBytes(path), TestData("london1851.pgn"));  // nothing written before Save
    c->Menu("Save1");                                           // to the original name: no dialog
    QVERIFY(c->Dialogs.FileDialogs.empty());
    QCOMPARE(ReadFileBytes(path), Edited("{recovered edit} "));
  }

  // A file named on the command line waits for the recovered collection: the
  // user is told, and asked once that collection is saved.
  void commandLineFileWaitsForTheRecoveredCollection() {
    LeaveCrashedRun();
    const std::string other = c->Dir.File("fools-mate.pgn");
    WriteFileBytes(other, ToCrLf(TestData("fools-mate.pgn")));
    TForm1Setup setup;
    setup.Params = {QString::fromStdString(other)};
    c->Dialogs.Answers = {TMsgAnswer::Yes, TMsgAnswer::Yes};
    c->Start(std::move(setup));
    QVERIFY(c->Dialogs.Texts().at(1).find(other + " was not opened") != std::string::npos);
    QVERIFY(c->Form->windowTitle().endsWith(QStringLiteral("london1851.pgn")));
    c->Menu("Save1");
    QCOMPARE(c->Dialogs.Texts().back(),
             "The recovered collection is saved. Open " + other + " now?");
    QCOMPARE(ReadFileBytes(path), Edited("{recovered edit} "));
    QVERIFY(c->Form->windowTitle().endsWith(QStringLiteral("fools-mate.pgn")));
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
};

QTEST_MAIN(TestForm1File)
#include "test_gui_file.moc"

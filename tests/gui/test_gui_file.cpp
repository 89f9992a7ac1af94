// The file commands where the window asks or refuses: Save As, files dropped
// on the window and closing with unsaved changes, Reorg refusing a game, and
// the start-up offer of a work file left by a run that ended without a clean
// shutdown.
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
  // Every question before a changed file is left, answered each way: Save As
  // over another file, a file dropped on the window or on the editor, Close.
  void changedFileAsksBeforeItIsLeft() {
    OpenLondon();
    const std::string other = c->Copy("fools-mate.pgn", "other.pgn");
    EditFirstGame("{x} ");
    c->Dialogs.FileNames = {other, other};
    c->Dialogs.Answers = {TMsgAnswer::No, TMsgAnswer::Yes};  // overwrite other.pgn?
    c->Menu("SaveAs1");
    QCOMPARE(ReadFileBytes(other), TestData("fools-mate.pgn"));
    c->Menu("SaveAs1");
    QCOMPARE(ReadFileBytes(other), Edited("{x} "));
    QCOMPARE(c->Form->windowTitle(), QString("Korvane - other.pgn"));
    QVERIFY(!c->Form->IsFileModified());
    // Save changes? Cancel keeps the file that is open; No drops the change.
    WriteFileBytes(path, ToCrLf(TestData("fools-mate.pgn")));
    for (QWidget* target : {static_cast<QWidget*>(c->Form.get()), c->Memo()->viewport()}) {
      EditFirstGame("{y} ");
      c->Dialogs.Answers = {TMsgAnswer::Cancel, TMsgAnswer::No};
      QVERIFY(DropFile(target, path));
      QCOMPARE(c->Form->windowTitle(), QString("Korvane - other.pgn"));
      QVERIFY(DropFile(target, path));
      QCOMPARE(c->Form->windowTitle(), QString("Korvane - london1851.pgn"));
      c->Dialogs.FileNames = {other};
      c->Menu("Open1");
    }
    // On Close, Yes saves through Save As, and cancelling its dialog asks again.
    EditFirstGame("{z} ");
    c->Dialogs.Answers = {TMsgAnswer::Cancel};
    QVERIFY(!c->Form->close());
    c->Dialogs.Answers = {TMsgAnswer::Yes, TMsgAnswer::No};
    c->Dialogs.FileNames = {""};
    QVERIFY(c->Form->close());
    QVERIFY(c->Dialogs.Answers.empty());
    QCOMPARE(ReadFileBytes(other), Edited("{x} "));
    for (const auto& e : fs::directory_iterator(c->Dir.Path()))  // no work file left
      QVERIFY(!e.path().filename().string().starts_with("~korvane."));
  }

  // A game grown past the buffer size: Reorg refuses before anything changes,
  // naming the game and a buffer size that holds it; with that size it goes
  // through. A write that fails at any point of it keeps the work whole.
  void reorgRefusesAGameTheBufferCannotHold() {
    OpenLondon();
    const std::string comment = "{" + std::string(10500, 'c') + "} ";
    const std::string saved = Edited(comment);
    c->Memo()->SetSelection(static_cast<int64_t>(MovesOf(c->Memo()->Text())), 0);
    QVERIFY(c->Memo()->ReplaceSelection(comment));
    c->Click("Button1");  // committed, the page relocated
    const int pages = Pages();
    c->Click("Button5");
    QCOMPARE(c->Dialogs.Shown.size(), size_t{1});
    QVERIFY2(LastBox().find("game 1 (") != std::string::npos &&
                 LastBox().find("at least 20000") != std::string::npos,
             LastBox().c_str());
    QCOMPARE(Pages(), pages);
    c->Menu("Save1");
    QCOMPARE(ReadFileBytes(path), saved);

    c->SetBufferSize("20000");
    c->Dialogs.FileNames = {path};
    c->Menu("Open1");
    const int64_t before = WriteCallCount();
    c->Click("Button5");
    const int64_t calls = WriteCallCount() - before;
    QCOMPARE(c->Dialogs.Shown.size(), size_t{1});
    QVERIFY(calls > 3);
    for (int64_t n = 1; n <= calls; ++n) {
      SetWriteFaultAtCall(n);
      c->Click("Button5");
      SetWriteFaultAtCall(0);
      QVERIFY2(c->Form->Stream(), std::to_string(n).c_str());
      c->Menu("Save1");
      QVERIFY2(ReadFileBytes(path) == saved, std::to_string(n).c_str());
    }
    // A page pasted past the buffer size is cut into pages again, every game kept.
    const std::string page1 = c->Memo()->Text();
    QApplication::clipboard()->setText(
        QString::fromLatin1(QByteArray::fromStdString(page1 + page1)));
    c->Memo()->SetSelection(c->Memo()->Length(), 0);
    c->Menu("PasteLarge1");
    c->Click("Button5");
    for (int page = 1; page <= Pages(); ++page, c->Click("Button1"))
      QVERIFY(c->Memo()->Length() <= 20000);
    c->Menu("Save1");
    const std::string copy = SavedForm(GamesOf(page1));
    QCOMPARE(ReadFileBytes(path), copy + copy + saved);
  }

  // Yes opens the work file unsaved under its original name; "Delete it"
  // deletes it; Escape (Cancel), and a recovery that could not open it (a full
  // disk, also when giving the files their names back fails), keep it for the
  // next start, which offers it again whole.
  void leftWorkFileIsOffered_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("writeFault");
    QTest::addColumn<int>("renameFault");
    QTest::addColumn<bool>("named");  // a file on the command line waits, then is offered
    QTest::newRow("yes") << int(TMsgAnswer::Yes) << false << 0 << false;
    QTest::newRow("delete it") << int(TMsgAnswer::No) << false << 0 << false;
    QTest::newRow("escape") << int(TMsgAnswer::Cancel) << false << 0 << false;
    QTest::newRow("open fails") << int(TMsgAnswer::Yes) << true << 0 << false;
    QTest::newRow("open and rename back fail") << int(TMsgAnswer::Yes) << true << 3 << false;
    QTest::newRow("yes, a file named on the command line")
        << int(TMsgAnswer::Yes) << false << 0 << true;
  }
  void leftWorkFileIsOffered() {
    QFETCH(int, answer);
    QFETCH(bool, writeFault);
    QFETCH(int, renameFault);
    QFETCH(bool, named);
    LeaveCrashedRun();
    const std::string other = c->Dir.File("fools-mate.pgn");
    WriteFileBytes(other, ToCrLf(TestData("fools-mate.pgn")));
    TForm1Setup setup;
    if (named) setup.Params = {QString::fromStdString(other)};
    c->Dialogs.Answers = {static_cast<TMsgAnswer>(answer)};
    if (named) c->Dialogs.Answers.push_back(TMsgAnswer::Yes);  // open it now?
    if (writeFault) SetWriteFaultAfter(0);
    SetRecoveryRenameFaultAtCall(renameFault);
    c->Start(setup);
    SetWriteFaultAfter(-1);
    SetRecoveryRenameFaultAtCall(0);
    QVERIFY(c->Dialogs.Shown.at(0).Text.find(path) != std::string::npos);
    QCOMPARE(c->Dialogs.Shown.at(0).NoCaption, std::string("Delete it"));
    const bool kept = answer == int(TMsgAnswer::Cancel) || writeFault;
    QCOMPARE(c->Form->Stream() != nullptr, !kept && answer == int(TMsgAnswer::Yes));
    QCOMPARE(fs::exists(staleBullet), kept && renameFault == 0);
    if (!kept) QVERIFY(!fs::exists(MapFileNameOf(staleBullet)));
    if (kept) {  // the next start offers it again
      c->Form.reset();
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
    // The named file: the user was told it waits, and is asked now.
    QCOMPARE(c->Form->windowTitle().endsWith(QStringLiteral("fools-mate.pgn")), named);
    if (named) QCOMPARE(c->Dialogs.Shown.size(), size_t{3});
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

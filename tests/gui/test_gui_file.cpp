// The file commands driven through the window's menus: Open and Save, Append,
// Save As, closing with unsaved changes, Browse and the repair offer.
#include <QTest>
#include <filesystem>

#include "tests/gui/GuiTestSupport.h"

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

class TestForm1File : public TGuiTest {
  Q_OBJECT

 private slots:
  // The status after Open, Save at once (no dialog, plain CR LF PGN), every
  // page in turn, then Append.
  void openSaveAndWalkPages() {
    OpenLondon();
    const Texts games = GamesOf(TestData("london1851.pgn"));
    QCOMPARE(c->Form->windowTitle(), QString("Korvane - london1851.pgn"));
    QCOMPARE(c->Text("Panel3").toStdString(), std::to_string(games.size()));
    QCOMPARE(Colour("Panel1"), PanelColor::Lime);
    QCOMPARE(Colour("Panel2"), PanelColor::Aqua);
    QCOMPARE(c->Text("StaticText3"), QString("%1K").arg(fs::file_size(BulletFileName) / 1024));
    const int pages = Pages();
    QVERIFY(pages > 5);
    // The first key typed goes to the page, and the status bar says it all in words.
    QCOMPARE(c->Form->focusWidget(), c->Memo());
    const auto statusLine = [&](int page, const char* state) {
      const std::string text = c->Memo()->Text();
      return QString(
                 "page %1 of %2, %3 games on the page, %4 games in the file, %5, file %6 KB, "
                 "Latin-1 text")
          .arg(page)
          .arg(pages)
          .arg(CountOf(text, "\xB7\r\n[Event "))
          .arg(games.size())
          .arg(state)
          .arg(fs::file_size(BulletFileName) / 1024);
    };
    QCOMPARE(c->Text("StatusLine"), statusLine(1, "page unchanged, work file unchanged"));
    c->Click("Button1");
    QCOMPARE(c->Text("StatusLine"), statusLine(2, "page unchanged, work file unchanged"));
    c->Click("Button4");

    c->Menu("Save1");
    QCOMPARE(c->Dialogs.FileDialogs.size(), size_t{1});  // the Open dialog only
    QVERIFY(c->Dialogs.Shown.empty());
    const std::string saved = ReadFileBytes(path);
    QVERIFY(saved.starts_with("\r\n[Event "));
    QCOMPARE(CountOf(saved, "\n"), CountOf(saved, "\r\n"));
    QCOMPARE(CountOf(saved, "\r\n\r\n[Event "), static_cast<int>(games.size()) - 1);
    QCOMPARE(CountOf(saved, "\r\n\r\n\r\n"), 0);
    QCOMPARE(saved, SavedForm(games));

    std::string all;
    for (int page = 1; page <= pages; ++page) {
      const std::string text = c->Memo()->Text();
      QVERIFY(text.size() <= 10000);
      QCOMPARE(c->Text("Edit5"), QString::number(page));
      QCOMPARE(c->Text("StaticText1").toStdString(), SixDigits(static_cast<int64_t>(text.size())));
      QCOMPARE(c->Text("StaticText2").toStdString(), SixDigits(CountOf(text, "\r\n") + 1));
      all += text;
      c->Click("Button1");
    }
    QCOMPARE(c->Dialogs.Beeps, 1);  // past the last page
    QCOMPARE(c->Text("Edit5"), QString::number(pages));
    QVERIFY(GamesOf(all) == games);

    // Append to a missing file fails and asks; to an existing one it asks first.
    const std::string missing = c->Dir.File("missing.pgn");
    const std::string target = c->Copy("fools-mate.pgn", "target.pgn");
    c->Dialogs.FileNames = {missing, target};
    c->Dialogs.Answers = {TMsgAnswer::Yes, TMsgAnswer::Yes};
    c->Menu("Append1");
    QCOMPARE(c->Dialogs.Texts(),
             (Texts{"Error during save or append (error trying to create " + missing +
                        ").\rCannot append to " + missing + ": No such file or directory.",
                    "An error occurred. Do you want to continue?"}));
    QVERIFY(!fs::exists(missing));
    QCOMPARE(c->Form->SaveDialog().FileName, path);  // still what Save writes
    c->Menu("Append1");
    QCOMPARE(c->Dialogs.Texts().back(), "Append to " + target + " ?");
    QCOMPARE(ReadFileBytes(target), TestData("fools-mate.pgn") + SavedForm(games));
    // Save As into a folder that is not there says so.
    const std::string nowhere = c->Dir.File("gone/game.pgn");
    c->Dialogs.FileNames = {nowhere};
    c->Dialogs.Answers = {TMsgAnswer::Yes};
    c->Menu("SaveAs1");
    QCOMPARE(c->Dialogs.Texts().end()[-2], "Error during save or append (error trying to create " +
                                               nowhere + ").\rCannot write " + nowhere +
                                               ": the folder " + c->Dir.File("gone") +
                                               " does not exist.");
  }

  // Save As over an existing file, then closing with unsaved changes.
  void saveAsOverExistingFileThenClose() {
    WriteFileBytes(c->Dir.File("~korvane.bullet.file.00001234.tmp"), "stale");
    OpenLondon();
    QCOMPARE(c->WorkFileCount(), 3);  // bullet, map and reorganisation files; the stale one is gone
    const std::string other = c->Copy("fools-mate.pgn", "other.pgn");
    const size_t lastOfPage = static_cast<size_t>(CountOf(c->Memo()->Text(), "\xB7")) - 1;
    c->TypeAt(c->Memo()->Length(), "x");
    c->Dialogs.FileNames = {other, other};
    c->Dialogs.Answers = {TMsgAnswer::No, TMsgAnswer::Yes};
    c->Menu("SaveAs1");
    QCOMPARE(c->Dialogs.Texts(), Texts{"Overwrite " + other + " ?"});
    QCOMPARE(ReadFileBytes(other), TestData("fools-mate.pgn"));
    QVERIFY(c->Form->IsFileModified());
    // Yes writes it, and the saved name becomes the current file.
    c->Menu("SaveAs1");
    Texts expected = GamesOf(TestData("london1851.pgn"));
    expected[lastOfPage] += "\r\nx";
    const std::string saved = SavedForm(expected);
    QCOMPARE(ReadFileBytes(other), saved);
    QCOMPARE(c->Form->windowTitle(), QString("Korvane - other.pgn"));
    QVERIFY(!c->Form->IsFileModified());

    c->TypeAt(c->Memo()->Length(), "y");
    c->Dialogs.Answers = {TMsgAnswer::Cancel};
    QVERIFY(!c->Form->close());
    QCOMPARE(c->Dialogs.Texts().back(), std::string("Save changes to other.pgn?"));
    QVERIFY(c->Dialogs.Shown.back().Buttons == TMsgButtons::YesNoCancel);
    QVERIFY(c->Form->isVisible());
    // Yes saves through Save As; cancelling its dialog asks again; No drops the change.
    c->Dialogs.Answers = {TMsgAnswer::Yes, TMsgAnswer::No};
    c->Dialogs.FileNames = {""};
    QVERIFY(c->Form->close());
    QCOMPARE(c->Dialogs.Shown.size(), size_t{5});  // two Overwrite, three Save changes
    QCOMPARE(ReadFileBytes(other), saved);
    QCOMPARE(c->WorkFileCount(), 0);
  }

  // With no file open for editing, Save only beeps.
  void saveWithoutWorkFileBeeps_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("file");
    QTest::newRow("browse") << QString("Browse1") << QString("london1851.pgn");
    QTest::newRow("repair refused") << QString("Open1") << QString("tatamast22.pgn");
  }

  void saveWithoutWorkFileBeeps() {
    QFETCH(QString, command);
    QFETCH(QString, file);
    c->Start();
    path = c->Copy(file.toStdString());
    c->Dialogs.FileNames = {path};
    if (command == "Open1") c->Dialogs.Answers = {TMsgAnswer::No};
    c->Menu(qPrintable(command));
    QVERIFY(c->Form->Stream() == nullptr);
    if (command == "Browse1") QVERIFY(c->Memo()->Text().starts_with("[Event "));
    c->Menu("Save1");
    QCOMPARE(c->Dialogs.Beeps, 1);
    QCOMPARE(c->Dialogs.FileDialogs.size(), size_t{1});
    QCOMPARE(ReadFileBytes(path), TestData(file.toStdString()));
  }

  // Browse after Open: nothing of the file shown before stays in the status.
  void browseClearsTheStatusOfTheFileBefore() {
    OpenLondon();
    c->TypeAt(static_cast<int64_t>(c->Memo()->Text().find("\r\n1.")) + 2, "{x} ");
    QVERIFY(c->Text("StatusLine").contains(", page modified, work file unchanged, "));
    c->Click("Button1");
    QVERIFY(c->Text("StatusLine").contains(", page unchanged, work file modified, "));
    c->Dialogs.FileNames = {c->Copy("london1851.pgn", "other.pgn")};
    c->Dialogs.Answers = {TMsgAnswer::No};
    c->Menu("Browse1");
    QCOMPARE(c->Text("StaticText3"), QString("0K"));
    for (const char* cleared : {"StaticText4", "Panel3"}) QCOMPARE(c->Text(cleared), QString());
    QCOMPARE(c->Text("Edit5"), QString("1"));
    QCOMPARE(Colour("Panel2"), PanelColor::Aqua);
    QVERIFY(c->Text("StatusLine").startsWith("Preview of the file's first games, read-only"));
    QCOMPARE(c->Form->focusWidget(), c->Memo());
  }

  void lfFileIsRepairedAndSavedWithCrLf() {
    c->Start();
    path = c->Copy("tatamast22.pgn");
    const std::string original = TestData("tatamast22.pgn");
    c->Dialogs.FileNames = {path};
    c->Dialogs.Answers = {TMsgAnswer::Yes};
    c->Menu("Open1");
    const Texts texts = c->Dialogs.Texts();
    QVERIFY(texts.size() >= 1);
    QVERIFY(texts[0].starts_with("Error while reading file ("));
    QVERIFY(texts[0].find("lines end in LF alone") != std::string::npos);
    QVERIFY(texts[0].find("\r\rIf the error noted on Open") != std::string::npos);
    QVERIFY(!fs::exists(c->Dir.File("~Temp001.tmp")));
    QCOMPARE(c->Text("Panel3").toInt(), CountOf(original, "[Event "));

    // Save proposes a name beside the file and leaves the user's file alone.
    const std::string repaired = c->Dir.File("tatamast22-repaired.pgn");
    c->Dialogs.FileNames = {repaired};
    c->Menu("Save1");
    QCOMPARE(c->Dialogs.FileDialogs.back().FileName, repaired);
    QCOMPARE(ReadFileBytes(path), original);
    QCOMPARE(ReadFileBytes(repaired), SavedForm(GamesOf(ToCrLf(original))));
  }

  // An Open that does not happen changes nothing: after "No" to the save
  // question, a cancelled dialog, a file that cannot be read or a repair that
  // does not open leaves the work open and unsaved. One box says what is wrong
  // with the file, and offers the repair only where it can help.
  void openThatFailsLeavesAClearState_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("words");  // what the box says is wrong; empty: no box
    QTest::addColumn<bool>("repair");    // offered and accepted
    QByteArray binary;
    for (int i = 0; i < 30000; ++i) binary += static_cast<char>(i * 7919);
    const QByteArray game = "[Event \"x\"]\r\n\r\n1.e4 {" + QByteArray(12000, 'c') + "} 1-0\r\n";
    QTest::newRow("cancelled") << QString() << QByteArray() << QString() << false;
    QTest::newRow("empty") << "empty.pgn" << QByteArray() << "is empty" << false;
    QTest::newRow("binary") << "binary.pgn" << binary << "holds a zero byte at offset 0" << false;
    QTest::newRow("not PGN") << "notes.txt" << QByteArray("hello\r\nworld\r\n")
                             << "holds no [Event tag" << false;
    QTest::newRow("CR line ends") << "mac.pgn"
                                  << QByteArray("[Event \"x\"]\r\r1.e4 1-0\r").repeated(1000)
                                  << "lines end in CR alone" << false;
    QTest::newRow("game too long")
        << "long.pgn" << game + game << "longer than the buffer size of 10000" << false;
    QTest::newRow("LF, repaired copy too long")
        << "lf.pgn" << QByteArray(game + game).replace("\r\n", "\n") << "lines end in LF alone"
        << true;
  }

  void openThatFailsLeavesAClearState() {
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, words);
    QFETCH(bool, repair);
    OpenLondon();
    c->TypeAt(static_cast<int64_t>(c->Memo()->Text().find("\r\n1.")) + 2, "{kept} ");
    std::string name;
    if (!file.isEmpty()) {
      name = c->Dir.File(file.toStdString());
      WriteFileBytes(name, bytes.toStdString());
    }
    c->Dialogs.FileNames = {name};
    c->Dialogs.Answers = {TMsgAnswer::No};  // the save question
    if (repair) c->Dialogs.Answers.push_back(TMsgAnswer::Yes);
    c->Menu("Open1");
    const auto& shown = c->Dialogs.Shown;
    QCOMPARE(shown[0].Text, std::string("Save changes to london1851.pgn?"));
    if (!words.isEmpty()) {
      QVERIFY(shown.size() >= 2);
      const std::string box = shown[1].Text;
      QVERIFY2(box.starts_with("Error while reading file (") &&
                   box.find(name) != std::string::npos &&
                   box.find(words.toStdString()) != std::string::npos,
               box.c_str());
      QCOMPARE(box.find("Try the conversion?") != std::string::npos, repair);
      QCOMPARE(shown.size(), size_t{repair ? 3u : 2u});
    }
    if (repair) {
      QVERIFY2(shown[2].Text.starts_with("Conversion failed\rThe repaired copy: a game (or a line) "
                                         "in it is longer than the buffer size"),
               shown[2].Text.c_str());
    }
    QVERIFY(c->Form->Stream());
    QVERIFY(c->Form->IsFileModified());
    QCOMPARE(c->Form->windowTitle(), QString("Korvane - london1851.pgn"));
    QCOMPARE(Colour("Panel2"), PanelColor::Red);
    c->Menu("Save1");  // to the opened file, without a dialog
    QCOMPARE(c->Dialogs.FileDialogs.size(), size_t{2});
    QVERIFY(ReadFileBytes(path).find("{kept} 1.") != std::string::npos);
  }

  // A conversion that fails leaves no work file, an empty read-only editor and
  // none of the counters of the file before; nothing to save or ask about.
  void openWhoseConversionFailsLeavesNoWork() {
    OpenLondon();
    c->Dialogs.FileNames = {c->Copy("london1851.pgn", "other.pgn")};
    SetWriteFaultAfter(0);  // the work file cannot be written
    c->Menu("Open1");
    SetWriteFaultAfter(-1);
    QVERIFY(!c->Form->Stream());
    QVERIFY(c->Memo()->isReadOnly());
    QCOMPARE(c->Memo()->Length(), int64_t{0});
    QCOMPARE(c->Form->windowTitle(), QString("Korvane"));
    for (const char* cleared : {"StaticText4", "Panel3"}) QCOMPARE(c->Text(cleared), QString());
    QCOMPARE(c->Text("StatusLine"), QString("No file open for editing"));
    c->Menu("Save1");
    QCOMPARE(c->Dialogs.Beeps, 1);
    QVERIFY(c->Form->close());  // nothing asked
  }

  // Append writes a copy elsewhere, its first game on a line of its own after
  // a blank line; the work is still unsaved with respect to its own file.
  void appendLeavesTheWorkUnsaved() {
    OpenLondon();
    const std::string text = c->Memo()->Text();
    const size_t moves = text.find("\r\n1.") + 2;
    c->TypeAt(static_cast<int64_t>(moves), "{appended} ");
    const std::string target = c->Dir.File("target.pgn");
    const std::string old = "[Event \"x\"]\r\n\r\n1.e4 1-0";  // no line end
    WriteFileBytes(target, old);
    c->Dialogs.FileNames = {target};
    c->Dialogs.Answers = {TMsgAnswer::Yes};
    c->Menu("Append1");
    Texts games = GamesOf(TestData("london1851.pgn"));
    games[0].insert(moves - text.find("[Event "), "{appended} ");
    QCOMPARE(ReadFileBytes(target), old + "\r\n" + SavedForm(games));
    QVERIFY(c->Form->IsFileModified());
    QCOMPARE(Colour("Panel2"), PanelColor::Red);
    QCOMPARE(c->Form->windowTitle(), QString("Korvane - london1851.pgn"));
    c->Dialogs.Answers = {TMsgAnswer::No};
    QVERIFY(c->Form->close());
    QCOMPARE(c->Dialogs.Texts().back(), std::string("Save changes to london1851.pgn?"));
    QCOMPARE(ReadFileBytes(path), TestData("london1851.pgn"));
  }

  // A game grown past the buffer size: Reorg refuses before anything changes,
  // naming the game and a buffer size that holds it; the work stays and saves.
  // Opened again with that size, the reorganisation goes through.
  void reorgRefusesAGameTheBufferCannotHold() {
    OpenLondon();
    const std::string comment = "{" + std::string(10500, 'c') + "} ";
    c->Memo()->SetSelection(static_cast<int64_t>(c->Memo()->Text().find("\r\n1.")) + 2, 0);
    QVERIFY(c->Memo()->ReplaceSelection(comment));
    c->Click("Button1");  // committed, the page relocated
    const int pages = Pages();
    c->Click("Button5");
    const Texts texts = c->Dialogs.Texts();
    QCOMPARE(texts.size(), size_t{1});
    QVERIFY2(texts[0].starts_with("Reorg refused: game 1 ("), texts[0].c_str());
    const size_t at = texts[0].find("at least ");
    QVERIFY(at != std::string::npos);
    const int fits = std::stoi(texts[0].substr(at + 9));
    QCOMPARE(fits, 20000);
    QVERIFY(c->Form->Stream());
    QCOMPARE(Pages(), pages);
    c->Menu("Save1");
    QVERIFY(ReadFileBytes(path).find(comment + "1.") != std::string::npos);
    QCOMPARE(GamesOf(ReadFileBytes(path)).size(), GamesOf(TestData("london1851.pgn")).size());

    c->SetBufferSize(QString::number(fits));
    c->Dialogs.FileNames = {path};
    c->Menu("Open1");
    c->Click("Button5");
    QCOMPARE(c->Dialogs.Texts().size(), size_t{1});
    QVERIFY(c->Form->Stream());
    QVERIFY(c->Memo()->Text().find(comment + "1.") != std::string::npos);
  }

  // A write that fails at any point of a reorganisation (the new file, its
  // map, the map of the file put back) leaves a work file that saves every
  // game with the edit.
  void reorgFailingAtAnyWriteKeepsTheWork() {
    OpenLondon();
    c->TypeAt(static_cast<int64_t>(c->Memo()->Text().find("\r\n1.")) + 2, "{reorg} ");
    c->Click("Button1");
    const int64_t before = WriteCallCount();
    c->Click("Button5");
    const int64_t calls = WriteCallCount() - before;
    QVERIFY(calls > 3);
    for (int64_t n = 1; n <= calls; ++n) {
      c->Dialogs.OkBoxAnswers.clear();
      SetWriteFaultAtCall(n);
      c->Click("Button5");
      SetWriteFaultAtCall(0);
      QVERIFY2(c->Form->Stream(), std::to_string(n).c_str());
      QVERIFY(c->Memo()->Text().starts_with("\xB7\r\n[Event "));
      c->Menu("Save1");
      const std::string saved = ReadFileBytes(path);
      QVERIFY2(saved.find("{reorg} 1.") != std::string::npos, std::to_string(n).c_str());
      QCOMPARE(GamesOf(saved).size(), GamesOf(TestData("london1851.pgn")).size());
    }
  }
};

QTEST_MAIN(TestForm1File)
#include "test_gui_file.moc"

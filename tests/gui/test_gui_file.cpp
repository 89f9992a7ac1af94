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
             (Texts{"Error during save or append (error trying to create " + missing + ").",
                    "An error occurred. Do you want to continue?"}));
    QVERIFY(!fs::exists(missing));
    QCOMPARE(c->Form->SaveDialog().FileName, path);  // still what Save writes
    c->Menu("Append1");
    QCOMPARE(c->Dialogs.Texts().back(), "Append to " + target + " ?");
    QCOMPARE(ReadFileBytes(target), TestData("fools-mate.pgn") + SavedForm(games));
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

  void lfFileIsRepairedAndSavedWithCrLf() {
    c->Start();
    path = c->Copy("tatamast22.pgn");
    const std::string original = TestData("tatamast22.pgn");
    c->Dialogs.FileNames = {path};
    c->Dialogs.Answers = {TMsgAnswer::Yes};
    c->Menu("Open1");
    const Texts texts = c->Dialogs.Texts();
    QVERIFY(texts.size() >= 2);
    QVERIFY(texts[0].starts_with("Error while reading file ("));
    QVERIFY(texts[1].starts_with("If the error noted on Open"));
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
  // question, a cancelled dialog or a file that cannot be read leaves the work
  // open and unsaved. A repair that opens nothing leaves no work file and an
  // empty read-only editor, and nothing to save or ask about.
  void openThatFailsLeavesAClearState_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("repair");
    QTest::newRow("cancelled") << QString() << false;
    QTest::newRow("empty file") << QString("empty.pgn") << false;
    QTest::newRow("binary file repaired") << QString("binary.pgn") << true;
  }

  void openThatFailsLeavesAClearState() {
    QFETCH(QString, file);
    QFETCH(bool, repair);
    OpenLondon();
    c->TypeAt(static_cast<int64_t>(c->Memo()->Text().find("\r\n1.")) + 2, "{kept} ");
    std::string name;
    if (!file.isEmpty()) {
      name = c->Dir.File(file.toStdString());
      std::string bytes;
      for (int i = 0; file == "binary.pgn" && i < 30000; ++i) bytes += static_cast<char>(i * 7919);
      WriteFileBytes(name, bytes);
    }
    c->Dialogs.FileNames = {name};
    c->Dialogs.Answers = {TMsgAnswer::No};  // the save question
    if (!file.isEmpty()) c->Dialogs.Answers.push_back(repair ? TMsgAnswer::Yes : TMsgAnswer::No);
    c->Menu("Open1");
    QCOMPARE(c->Dialogs.Texts()[0], std::string("Save changes to london1851.pgn?"));
    if (repair) {
      QVERIFY(!c->Form->Stream());
      QVERIFY(c->Memo()->isReadOnly());
      QCOMPARE(c->Memo()->Length(), int64_t{0});
      QCOMPARE(c->Form->windowTitle(), QString("Korvane"));
      c->Menu("Save1");
      QCOMPARE(c->Dialogs.Beeps, 1);
      QVERIFY(c->Form->close());  // nothing asked
      QCOMPARE(ReadFileBytes(path), TestData("london1851.pgn"));
      return;
    }
    QVERIFY(c->Form->Stream());
    QVERIFY(c->Form->IsFileModified());
    QCOMPARE(c->Form->windowTitle(), QString("Korvane - london1851.pgn"));
    QCOMPARE(Colour("Panel2"), PanelColor::Red);
    c->Menu("Save1");  // to the opened file, without a dialog
    QCOMPARE(c->Dialogs.FileDialogs.size(), size_t{2});
    QVERIFY(ReadFileBytes(path).find("{kept} 1.") != std::string::npos);
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

// The file commands driven through the window's menus: Open, Browse, New, Save,
// Save As, Append, the save question, the repair offer and the start-up.
#include <QDate>
#include <QRegularExpression>
#include <QTest>
#include <filesystem>

#include "stream/TxStream.h"
#include "tests/gui/GuiTestSupport.h"

class TestForm1File : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TGuiCase> c;

 private slots:
  void init() { c = std::make_unique<TGuiCase>(); }
  void cleanup() {
    const std::string failures = c->ScriptFailures();
    c.reset();
    QVERIFY2(failures.empty(), failures.c_str());
  }

  void openShowsPagesGamesAndStatus() {
    c->Start();
    const std::string path = c->Copy("london1851.pgn");
    c->SetBufferSize("10000");
    c->OpenFile(path);
    TForm1& f = c->Form();
    QCOMPARE(f.windowTitle(), QString("Korvane - london1851.pgn"));
    QVERIFY(!c->Memo()->isReadOnly());

    const std::string original = ReadFileBytes(path);
    QCOMPARE(c->Text("Panel3").toStdString(), std::to_string(GamesOf(original).size()));
    QCOMPARE(c->Find<TStatusPanel>("Panel1")->Color(), PanelColor::Lime);
    QCOMPARE(c->Find<TStatusPanel>("Panel2")->Color(), PanelColor::Aqua);
    const auto bulletSize = std::filesystem::file_size(BulletFileName);
    QCOMPARE(c->Text("StaticText3"), QString("%1K").arg(bulletSize / 1024));

    // Walk every page: the status follows the editor, and the pages hold the
    // file's games in order.
    const int pages = c->Text("StaticText4").toInt();
    QVERIFY(pages > 5);
    std::string all;
    for (int page = 1; page <= pages; ++page) {
      const std::string text = c->Memo()->Text();
      QVERIFY(text.size() <= 10000);
      QCOMPARE(c->Text("Edit5"), QString::number(page));
      QCOMPARE(c->Text("StaticText1").toStdString(), SixDigits(static_cast<int64_t>(text.size())));
      QCOMPARE(c->Text("StaticText2").toStdString(), SixDigits(CountOf(text, "\r\n") + 1));
      all += text;
      if (page < pages) c->Click("Button1");
    }
    QCOMPARE(c->Dialogs.Beeps, 0);
    c->Click("Button1");
    QCOMPARE(c->Dialogs.Beeps, 1);
    QCOMPARE(c->Text("Edit5"), QString::number(pages));
    QVERIFY(GamesOfPages(all) == GamesOf(original));
    QCOMPARE(c->Dialogs.FileDialogs.size(), size_t{1});
    QCOMPARE(c->Dialogs.FileDialogs[0].Title, std::string("Open chess file"));
    QVERIFY(c->Form().IsFileProcessed());
  }

  void saveRightAfterOpenWritesPlainPgnWithoutAsking() {
    c->Start();
    const std::string path = c->Copy("london1851.pgn");
    const std::string original = ReadFileBytes(path);
    c->SetBufferSize("20000");
    c->OpenFile(path);
    c->Menu("Save1");
    QCOMPARE(c->Dialogs.FileDialogs.size(), size_t{1});  // the Open dialog only
    QVERIFY(c->Dialogs.Shown.empty());

    const std::string saved = ReadFileBytes(path);
    QVERIFY(saved.compare(0, 9, "\r\n[Event ") == 0);
    for (size_t i = 0; i < saved.size(); ++i) {
      if (saved[i] == '\n') QVERIFY2(i > 0 && saved[i - 1] == '\r', "bare LF");
      if (saved[i] == '\r') QVERIFY2(i + 1 < saved.size() && saved[i + 1] == '\n', "bare CR");
    }
    QVERIFY(saved.find('\xB7') == std::string::npos);
    QCOMPARE(CountOf(saved, "\r\n\r\n[Event "), CountOf(original, "[Event ") - 1);
    QVERIFY(saved.find("\r\n\r\n\r\n") == std::string::npos);
    QVERIFY(GamesOf(saved) == GamesOf(original));
    QCOMPARE(saved, SavedForm(GamesOf(original)));
  }

  void editedPageIsSavedInPageOrder() {
    c->Start();
    const std::string path = c->Copy("london1851.pgn");
    c->SetBufferSize("10000");
    c->OpenFile(path);
    // Page 1 grows, so it moves to the end of the work file.
    const int64_t at = static_cast<int64_t>(c->Memo()->Text().find("1.e4"));
    c->TypeAt(at, "{a long note that makes the first page grow} ");
    c->Click("Button1");
    c->Menu("Save1");
    std::vector<std::string> expected = GamesOf(TestData("london1851.pgn"));
    expected[0].insert(expected[0].find("1.e4"), "{a long note that makes the first page grow} ");
    QCOMPARE(ReadFileBytes(path), SavedForm(expected));
    QCOMPARE(c->Find<TStatusPanel>("Panel2")->Color(), PanelColor::Aqua);
  }

  void saveAsOverExistingFileAsksAndNoKeepsIt() {
    c->Start();
    const std::string path = c->Copy("london1851.pgn");
    const std::string other = c->Copy("fools-mate.pgn", "other.pgn");
    c->OpenFile(path);
    const size_t lastOfPage = static_cast<size_t>(CountOf(c->Memo()->Text(), "\xB7")) - 1;
    c->TypeAt(c->Memo()->Length(), "x");
    c->Dialogs.FileNames.push_back(other);
    c->Dialogs.Answers.push_back(TMsgAnswer::No);
    c->Menu("SaveAs1");
    QCOMPARE(c->Dialogs.FileDialogs.back().Title, std::string("Save As"));
    QCOMPARE(c->Dialogs.FileDialogs.back().FileName, path);
    QCOMPARE(c->Dialogs.Texts(), std::vector<std::string>{"Overwrite " + other + " ?"});
    QVERIFY(c->Dialogs.Shown[0].Kind == TMsgKind::Confirmation);
    QCOMPARE(ReadFileBytes(other), TestData("fools-mate.pgn"));
    QVERIFY(c->Form().IsFileModified());
    QCOMPARE(c->Find<TStatusPanel>("Panel2")->Color(), PanelColor::Red);

    // Yes writes it; the saved name becomes the current file.
    c->Dialogs.FileNames.push_back(other);
    c->Dialogs.Answers.push_back(TMsgAnswer::Yes);
    c->Menu("SaveAs1");
    std::vector<std::string> expected = GamesOf(TestData("london1851.pgn"));
    expected[lastOfPage] += "\r\nx";
    QCOMPARE(ReadFileBytes(other), SavedForm(expected));
    QCOMPARE(c->Form().windowTitle(), QString("Korvane - other.pgn"));
    QCOMPARE(c->Form().OpenDialog().FileName, other);
    QVERIFY(!c->Form().IsFileModified());
  }

  void appendToMissingFileFailsAndAsks() {
    c->Start();
    const std::string path = c->Copy("london1851.pgn");
    c->OpenFile(path);
    const std::string missing = c->Dir.File("missing.pgn");
    c->Dialogs.FileNames.push_back(missing);
    c->Dialogs.Answers.push_back(TMsgAnswer::Yes);
    c->Menu("Append1");
    QCOMPARE(c->Dialogs.FileDialogs.back().Title, std::string("Append"));
    QCOMPARE(c->Dialogs.FileDialogs.back().FileName, std::string());
    const std::vector<std::string> texts = c->Dialogs.Texts();
    QCOMPARE(texts.size(), size_t{2});
    QCOMPARE(texts[0], "Error during save or append (error trying to create " + missing + ").");
    QCOMPARE(texts[1], std::string("An error occurred. Do you want to continue?"));
    QVERIFY(!std::filesystem::exists(missing));
    // The file being edited is still what Save writes.
    QCOMPARE(c->Form().SaveDialog().FileName, path);
  }

  void appendAddsGamesToExistingFile() {
    c->Start();
    const std::string target = c->Copy("fools-mate.pgn", "target.pgn");
    c->OpenFile(c->Copy("london1851.pgn"));
    c->Dialogs.FileNames.push_back(target);
    c->Dialogs.Answers.push_back(TMsgAnswer::Yes);
    c->Menu("Append1");
    QCOMPARE(c->Dialogs.Texts(), std::vector<std::string>{"Append to " + target + " ?"});
    QCOMPARE(ReadFileBytes(target),
             TestData("fools-mate.pgn") + SavedForm(GamesOf(TestData("london1851.pgn"))));
  }

  void browseShowsPreviewAndSaveBeeps() {
    c->Start();
    const std::string path = c->Copy("london1851.pgn");
    c->Dialogs.FileNames.push_back(path);
    c->Menu("Browse1");
    QVERIFY(c->Memo()->isReadOnly());
    QVERIFY(c->Memo()->Text().compare(0, 7, "[Event ") == 0);
    QVERIFY(c->Form().Stream() == nullptr);
    c->Menu("Save1");
    QCOMPARE(c->Dialogs.Beeps, 1);
    QCOMPARE(c->Dialogs.FileDialogs.size(), size_t{1});
    QCOMPARE(ReadFileBytes(path), TestData("london1851.pgn"));
    QVERIFY(!c->Form().IsFileProcessed());
  }

  void newStartsFromTemplateAndSavesAsUntitled() {
    c->Start();
    c->Menu("New1");
    const std::string date = QDate::currentDate().toString("yyyy.MM.dd").toStdString();
    const std::string game = "[Event \"?\"]\r\n[Site \"?\"]\r\n[Date \"" + date +
                             "\"]\r\n[Round \"?\"]\r\n[White \"?\"]\r\n[Black \"?\"]\r\n[Result "
                             "\"*\"]\r\n[WhiteElo \"0000\"]\r\n[BlackElo \"0000\"]\r\n[ECO "
                             "\"C00\"]\r\n\r\n1.e4 *\r\n";
    QCOMPARE(c->Memo()->Text(), "\xB7\r\n" + game);
    QVERIFY(!c->Memo()->isReadOnly());
    QCOMPARE(c->Form().windowTitle(), QString("Korvane"));
    QCOMPARE(c->Text("StaticText4"), QString("1"));

    const std::string target = c->Dir.File("new.pgn");
    c->Dialogs.FileNames.push_back(target);
    c->Menu("Save1");
    QCOMPARE(c->Dialogs.FileDialogs.back().FileName, std::string("untitled.pgn"));
    QCOMPARE(c->Dialogs.FileDialogs.back().Title, std::string("Save"));
    QCOMPARE(ReadFileBytes(target), "\r\n" + game);
    QCOMPARE(c->Form().windowTitle(), QString("Korvane - new.pgn"));
  }

  void closeAsksAboutUnsavedChanges() {
    c->Start();
    const std::string path = c->Copy("london1851.pgn");
    c->OpenFile(path);
    QCOMPARE(c->WorkFiles().size(), size_t{2});
    c->TypeAt(c->Memo()->Length(), "x");

    c->Dialogs.Answers.push_back(TMsgAnswer::Cancel);
    QVERIFY(!c->Form().close());
    QCOMPARE(c->Dialogs.Texts(), std::vector<std::string>{"Save changes to london1851.pgn?"});
    QVERIFY(c->Dialogs.Shown[0].Buttons == TMsgButtons::YesNoCancel);
    QVERIFY(c->Form().isVisible());

    // Yes saves through Save As; cancelling its dialog asks again; No drops the change.
    c->Dialogs.Answers.push_back(TMsgAnswer::Yes);
    c->Dialogs.FileNames.push_back("");
    c->Dialogs.Answers.push_back(TMsgAnswer::No);
    QVERIFY(c->Form().close());
    QCOMPARE(c->Dialogs.Shown.size(), size_t{3});
    QCOMPARE(ReadFileBytes(path), TestData("london1851.pgn"));
    QVERIFY(c->WorkFiles().empty());
    // The settings remember where the file came from.
    QVERIFY(
        ReadFileBytes(c->Dir.File("korvane.ini")).find("recent=" + c->Dir.Path().string() + "/") !=
        std::string::npos);
  }

  void lfFileLeadsToRepairOffer() {
    c->Start();
    const std::string path = c->Copy("tatamast22.pgn");
    c->Dialogs.Answers.push_back(TMsgAnswer::Yes);
    c->OpenFile(path);
    const std::vector<std::string> texts = c->Dialogs.Texts();
    QVERIFY(texts.size() >= 2);
    QVERIFY(texts[0].rfind("Error while reading file (", 0) == 0);
    QVERIFY(texts[1].rfind("If the error noted on Open", 0) == 0);
    QCOMPARE(c->Dialogs.Shown[1].HelpContext, 10);
    QVERIFY(c->Form().Stream() != nullptr);
    QVERIFY(!std::filesystem::exists(c->Dir.File("~Temp001.tmp")));
    QCOMPARE(c->Text("Panel3").toInt(), CountOf(TestData("tatamast22.pgn"), "[Event "));
    QCOMPARE(c->Form().windowTitle(), QString("Korvane - tatamast22.pgn"));

    // Save writes the repaired games back, with CR LF line ends.
    c->Menu("Save1");
    const std::string saved = ReadFileBytes(path);
    QCOMPARE(CountOf(saved, "\n"), CountOf(saved, "\r\n"));
    QCOMPARE(GamesOf(saved).size(), GamesOf(TestData("tatamast22.pgn")).size());
  }

  void refusedRepairLeavesNoWorkFile() {
    c->Start();
    const std::string path = c->Copy("tatamast22.pgn");
    c->Dialogs.Answers.push_back(TMsgAnswer::No);
    c->OpenFile(path);
    QVERIFY(c->Form().Stream() == nullptr);
    c->Menu("Save1");
    QCOMPARE(c->Dialogs.Beeps, 1);
    QCOMPARE(ReadFileBytes(path), TestData("tatamast22.pgn"));
  }

  void startUpWithoutParametersWelcomesAndClearsStaleFiles() {
    const std::string stale = c->Dir.File("~korvane.bullet.file.00001234.tmp");
    WriteFileBytes(stale, "left over");
    c->Start();
    QVERIFY(!std::filesystem::exists(stale));
    QVERIFY(c->Memo()->Text().rfind("Welcome to Korvane\r\n", 0) == 0);
    QVERIFY(c->Memo()->isReadOnly());
    const std::vector<std::string> files = c->WorkFiles();
    QCOMPARE(files.size(), size_t{2});
    const QRegularExpression pattern("^~korvane\\.(bullet|reorg)\\.file\\.[0-9]{8}\\.tmp$");
    for (const std::string& name : files) {
      QVERIFY2(pattern.match(QString::fromStdString(name)).hasMatch(), name.c_str());
    }
    c->Form().close();
    QVERIFY(c->WorkFiles().empty());
  }

  void commandLineJoinsSplitPathAndReportsMissingFile() {
    const std::string path = c->Copy("london1851.pgn", "my games 1851.pgn");
    c->Start({QString::fromStdString(c->Dir.File("my")), "games", "1851.pgn"});
    QVERIFY(c->Form().Stream() != nullptr);
    QCOMPARE(c->Form().windowTitle(), QString("Korvane - my games 1851.pgn"));
    QVERIFY(c->Memo()->Text().rfind("\xB7\r\n[Event ", 0) == 0);
    c.reset();

    c = std::make_unique<TGuiCase>();
    const std::string missing = c->Dir.File("nothing.pgn");
    c->Start({QString::fromStdString(missing)});
    QCOMPARE(c->Dialogs.Texts(), std::vector<std::string>{"File '" + missing + "' does not exist"});
    QVERIFY(c->Form().Stream() == nullptr);
  }
};

QTEST_MAIN(TestForm1File)
#include "test_gui_file.moc"

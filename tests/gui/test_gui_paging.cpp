// Paging driven through the window's buttons and menus: edits and the modified
// panels, page moves that commit, Undo, Restore Page, Add Page, Paste Large and
// Reorg, the game count, the buffer-size field and the select-range message.
#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <filesystem>

#include "stream/TxStream.h"
#include "tests/gui/GuiTestSupport.h"

class TestForm1Paging : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TGuiCase> c;
  std::string path;

  // London 1851 opened with a 10000-byte buffer (many pages).
  void OpenLondon() {
    c->Start();
    path = c->Copy("london1851.pgn");
    c->SetBufferSize("10000");
    c->OpenFile(path);
  }
  QColor PanelColour(const char* name) { return c->Find<TStatusPanel>(name)->Color(); }
  int Pages() { return c->Text("StaticText4").toInt(); }

 private slots:
  void init() { c = std::make_unique<TGuiCase>(); }
  void cleanup() {
    const std::string failures = c->ScriptFailures();
    c.reset();
    QVERIFY2(failures.empty(), failures.c_str());
  }

  void editTurnsPanelsRedAndMovesCommit() {
    OpenLondon();
    const std::string loaded = c->Memo()->Text();
    const QString sizeBefore = c->Text("StaticText3");
    c->TypeAt(static_cast<int64_t>(loaded.find("1.e4")), "{comment on this game, long enough} ");
    QCOMPARE(PanelColour("Panel1"), PanelColor::Red);
    QCOMPARE(PanelColour("Panel2"), PanelColor::Aqua);

    c->Click("Button1");
    QCOMPARE(c->Text("Edit5"), QString("2"));
    QCOMPARE(PanelColour("Panel1"), PanelColor::Lime);
    QCOMPARE(PanelColour("Panel2"), PanelColor::Red);
    // The grown page moved to the end of the work file.
    QVERIFY(c->Text("StaticText3") != sizeBefore);
    QCOMPARE(c->Text("StaticText3"),
             QString("%1K").arg(std::filesystem::file_size(BulletFileName) / 1024));

    c->Click("Button2");
    QVERIFY(c->Memo()->Text().find("{comment on this game, long enough} 1.e4") !=
            std::string::npos);
    QCOMPARE(PanelColour("Panel1"), PanelColor::Lime);
  }

  void undoAndRestoreClearPageModified() {
    OpenLondon();
    const std::string loaded = c->Memo()->Text();
    c->TypeAt(c->Memo()->Length(), "x");
    QCOMPARE(PanelColour("Panel1"), PanelColor::Red);
    QCOMPARE(c->Text("StaticText1").toStdString(),
             SixDigits(static_cast<int64_t>(loaded.size()) + 1));
    c->Menu("Undo1");
    QCOMPARE(c->Memo()->Text(), loaded);
    QCOMPARE(PanelColour("Panel1"), PanelColor::Lime);
    QVERIFY(!c->Memo()->Modified());
    // Restore Page drops edits that Undo has not taken back.
    c->TypeAt(10, "garbage");
    c->Menu("Restore1");
    QCOMPARE(c->Memo()->Text(), loaded);
    QCOMPARE(PanelColour("Panel1"), PanelColor::Lime);
    // Nothing to write back: the work file stays unmodified.
    c->Click("Button1");
    QCOMPARE(PanelColour("Panel2"), PanelColor::Aqua);
  }

  void moveBeyondEndsBeepsAfterWritingBack() {
    OpenLondon();
    c->Click("Button3");
    const QString last = c->Text("Edit5");
    QCOMPARE(last.toInt(), Pages());
    c->TypeAt(c->Memo()->Length(), "x");
    c->Click("Button1");
    QCOMPARE(c->Dialogs.Beeps, 1);
    QCOMPARE(c->Text("Edit5"), last);
    QCOMPARE(PanelColour("Panel2"), PanelColor::Red);
    QCOMPARE(PanelColour("Panel1"), PanelColor::Lime);

    c->Click("Button4");
    QCOMPARE(c->Text("Edit5"), QString("1"));
    c->Click("Button2");
    QCOMPARE(c->Dialogs.Beeps, 2);
    QCOMPARE(c->Memo()->SelStart(), int64_t{0});
  }

  void goReadsThePageField_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("toLast");
    QTest::newRow("zero") << "0" << false;
    QTest::newRow("letter") << "x" << false;
    QTest::newRow("past the end") << "9999" << true;
  }

  void goReadsThePageField() {
    QFETCH(QString, typed);
    QFETCH(bool, toLast);
    OpenLondon();
    const std::string first = c->Memo()->Text();
    c->Click("Button3");
    const std::string last = c->Memo()->Text();
    c->Click("Button4");
    c->Click("Button1");
    c->Click("Button1");
    c->Find<QLineEdit>("Edit5")->setText(typed);
    c->Click("Button8");
    QCOMPARE(c->Text("Edit5"), QString::number(toLast ? Pages() : 1));
    QCOMPARE(c->Memo()->Text(), toLast ? last : first);
    QCOMPARE(c->Dialogs.Beeps, 0);
  }

  void addPageAddsEmptyLastPage() {
    OpenLondon();
    const int before = Pages();
    c->Menu("AddPage1");
    QCOMPARE(Pages(), before + 1);
    QCOMPARE(c->Text("Edit5"), QString::number(before + 1));
    QCOMPARE(c->Memo()->Text(), std::string());
    QVERIFY(!c->Memo()->isReadOnly());

    // A game typed into the new page is saved after all the others.
    const std::string game = "\xB7\r\n[Event \"Added\"]\r\n\r\n1.d4 *\r\n";
    QApplication::clipboard()->setText(QString::fromLatin1(game.data(), game.size()));
    c->Menu("Paste1");
    c->Click("Button2");
    c->Menu("Save1");
    std::vector<std::string> expected = GamesOf(TestData("london1851.pgn"));
    expected.push_back("[Event \"Added\"]\r\n\r\n1.d4 *");
    QCOMPARE(ReadFileBytes(path), SavedForm(expected));
  }

  void gameCountFollowsPastedGame() {
    OpenLondon();
    const int games = c->Text("Panel3").toInt();
    QCOMPARE(games, CountOf(TestData("london1851.pgn"), "[Event "));
    const std::string game = "\xB7\r\n[Event \"One more\"]\r\n\r\n1.e4 *\r\n";
    QApplication::clipboard()->setText(QString::fromLatin1(game.data(), game.size()));
    c->Memo()->SetSelection(c->Memo()->Length(), 0);
    c->Menu("Paste1");
    QCOMPARE(c->Text("Panel3").toInt(), games);
    QTest::mouseClick(c->Find<TStatusPanel>("Panel3"), Qt::LeftButton);
    QCOMPARE(c->Text("Panel3").toInt(), games + 1);
  }

  void pasteLargeThenReorgCutsPagesAgain() {
    OpenLondon();
    const int pagesBefore = Pages();
    const std::string page1 = c->Memo()->Text();
    const int page1Games = CountOf(page1, "\xB7");
    std::string big;
    for (int i = 0; i < 6; ++i) big += page1;
    QApplication::clipboard()->setText(QString::fromLatin1(big.data(), big.size()));
    c->Memo()->SetSelection(c->Memo()->Length(), 0);
    c->Menu("PasteLarge1");
    QCOMPARE(c->Memo()->Text(), page1 + big);
    // Past BufferSize + 48000 the page length shows red.
    QVERIFY(c->Memo()->Length() > 10000 + 48000);
    QCOMPARE(c->Find<TStatusPanel>("StaticText1")->TextColor(), PanelColor::Red);
    // The editor is full: one more character is refused with a beep.
    c->TypeAt(c->Memo()->Length(), "y");
    QCOMPARE(c->Dialogs.Beeps, 1);
    QCOMPARE(c->Memo()->Text(), page1 + big);

    c->Click("Button5");
    QCOMPARE(c->Text("Edit5"), QString("1"));
    QVERIFY(Pages() > pagesBefore);
    QCOMPARE(c->Text("Panel3").toInt(),
             CountOf(TestData("london1851.pgn"), "[Event ") + 6 * page1Games);
    for (int page = 1; page <= Pages(); ++page) {
      QVERIFY(c->Memo()->Length() <= 10000);
      QCOMPARE(c->Find<TStatusPanel>("StaticText1")->TextColor(), PanelColor::Black);
      c->Click("Button1");
    }
    // Work files are held again after the swap, and only the two of them exist.
    QCOMPARE(c->WorkFiles().size(), size_t{2});

    c->Menu("Save1");
    // Page 1's games, six pasted copies of them, then the rest of the file.
    const std::vector<std::string> games = GamesOf(TestData("london1851.pgn"));
    std::vector<std::string> expected;
    for (int copy = 0; copy < 7; ++copy) {
      expected.insert(expected.end(), games.begin(), games.begin() + page1Games);
    }
    expected.insert(expected.end(), games.begin() + page1Games, games.end());
    QCOMPARE(ReadFileBytes(path), SavedForm(expected));
  }

  void badPageStaysOnScreen() {
    OpenLondon();
    // A bullet that no longer starts a record cannot be written back.
    c->TypeAt(0, "x");
    c->Dialogs.Answers.push_back(TMsgAnswer::Yes);
    c->Click("Button1");
    const std::vector<std::string> texts = c->Dialogs.Texts();
    QCOMPARE(texts.size(), size_t{2});
    QCOMPARE(texts[0], std::string("Page error (top bullet/[Event misplaced)"));
    QCOMPARE(texts[1], std::string("An error occurred. Do you want to continue?"));
    QCOMPARE(c->Text("Edit5"), QString("1"));
    QCOMPARE(PanelColour("Panel1"), PanelColor::Red);
    QCOMPARE(PanelColour("Panel2"), PanelColor::Aqua);
  }

  void bufferSizeField_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("message");
    QTest::newRow("too small") << "5"
                               << "010000" << true;
    QTest::newRow("rounded down") << "123456"
                                  << "120000" << false;
    QTest::newRow("too large") << "1000005"
                               << "900000" << true;
    QTest::newRow("not a number") << "abc"
                                  << "010000" << true;
    QTest::newRow("exact") << "900000"
                           << "900000" << false;
  }

  void bufferSizeField() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, message);
    c->Start();
    c->SetBufferSize(typed);
    QCOMPARE(c->Text("Edit1"), shown);
    std::vector<std::string> expected;
    if (message) {
      expected.push_back(
          "Buffer size must be in even\r\nincrements from 010000 to 900000.\r\nIt effect the "
          "next Open only.");
    }
    QCOMPARE(c->Dialogs.Texts(), expected);
  }

  void selectRangeMessageSelects() {
    OpenLondon();
    QCoreApplication::postEvent(&c->Form(), new TSelectRangeEvent(12, 5));
    QCoreApplication::processEvents();
    QCOMPARE(c->Memo()->SelStart(), int64_t{12});
    QCOMPARE(c->Memo()->SelLength(), int64_t{5});
    QCoreApplication::postEvent(&c->Form(), new TSelectRangeEvent(666, -1));
    QCoreApplication::processEvents();
    QCOMPARE(c->Memo()->SelStart(), int64_t{12});
    QCOMPARE(c->Memo()->SelLength(), int64_t{5});
  }
};

QTEST_MAIN(TestForm1Paging)
#include "test_gui_paging.moc"

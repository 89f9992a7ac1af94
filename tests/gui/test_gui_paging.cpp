// Paging driven through the window's buttons and menus: edits and the modified
// panels, page moves that write the page back, Undo, Add Page, Paste Large and
// Reorg, and the buffer-size field.
#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <filesystem>

#include "tests/gui/GuiTestSupport.h"

class TestForm1Paging : public TGuiTest {
  Q_OBJECT

 private slots:
  // Edit, Undo, Restore Page, page moves that write back, Save, then Add Page.
  void editMoveUndoSaveAndAddPage() {
    OpenLondon();
    const std::string loaded = c->Memo()->Text();
    const auto length = [&] { return c->Text("StaticText1").toStdString(); };
    c->TypeAt(c->Memo()->Length(), "x");
    QCOMPARE(Colour("Panel1"), PanelColor::Red);
    QCOMPARE(length(), SixDigits(static_cast<int64_t>(loaded.size()) + 1));
    c->Menu("Undo1");
    QCOMPARE(c->Memo()->Text(), loaded);
    QCOMPARE(length(), SixDigits(static_cast<int64_t>(loaded.size())));
    QCOMPARE(Colour("Panel1"), PanelColor::Lime);
    c->TypeAt(10, "garbage");
    c->Menu("Restore1");
    QCOMPARE(c->Memo()->Text(), loaded);
    c->Click("Button1");  // nothing to write back
    QCOMPARE(Colour("Panel2"), PanelColor::Aqua);
    c->Click("Button2");

    // Page 1 grows, so it moves to the end of the work file.
    const std::string note = "{a note long enough to make page 1 grow} ";
    const QString sizeBefore = c->Text("StaticText3");
    c->TypeAt(static_cast<int64_t>(loaded.find("1.e4")), QString::fromStdString(note));
    QCOMPARE(Colour("Panel1"), PanelColor::Red);
    QCOMPARE(Colour("Panel2"), PanelColor::Aqua);
    c->Click("Button1");
    QCOMPARE(c->Text("Edit5"), QString("2"));
    QCOMPARE(Colour("Panel1"), PanelColor::Lime);
    QCOMPARE(Colour("Panel2"), PanelColor::Red);
    QVERIFY(c->Text("StaticText3") != sizeBefore);
    QCOMPARE(c->Text("StaticText3"),
             QString("%1K").arg(std::filesystem::file_size(BulletFileName) / 1024));
    c->Click("Button2");
    QVERIFY(c->Memo()->Text().find(note + "1.e4") != std::string::npos);

    c->Menu("Save1");
    std::vector<std::string> expected = GamesOf(TestData("london1851.pgn"));
    expected[0].insert(expected[0].find("1.e4"), note);
    QCOMPARE(ReadFileBytes(path), SavedForm(expected));
    QCOMPARE(Colour("Panel2"), PanelColor::Aqua);

    // Add Page gives an empty last page; a game pasted there is saved last.
    const int pages = Pages();
    c->Menu("AddPage1");
    QCOMPARE(Pages(), pages + 1);
    QCOMPARE(c->Text("Edit5"), QString::number(pages + 1));
    QCOMPARE(c->Memo()->Text(), std::string());
    QApplication::clipboard()->setText(
        QString::fromLatin1("\xB7\r\n[Event \"Added\"]\r\n\r\n1.d4 *\r\n"));
    c->Menu("Paste1");
    // The game count follows on a click of its panel.
    QCOMPARE(c->Text("Panel3").toStdString(), std::to_string(expected.size()));
    QTest::mouseClick(c->Find<TStatusPanel>("Panel3"), Qt::LeftButton);
    QCOMPARE(c->Text("Panel3").toStdString(), std::to_string(expected.size() + 1));
    c->Click("Button2");
    c->Menu("Save1");
    expected.push_back("[Event \"Added\"]\r\n\r\n1.d4 *");
    QCOMPARE(ReadFileBytes(path), SavedForm(expected));
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
    // Past BufferSize + 48000 the page length shows red, and typing is refused.
    QVERIFY(c->Memo()->Length() > 10000 + 48000);
    QCOMPARE(c->Find<TStatusPanel>("StaticText1")->TextColor(), PanelColor::Red);
    c->TypeAt(c->Memo()->Length(), "y");
    QCOMPARE(c->Dialogs.Beeps, 1);
    QCOMPARE(c->Memo()->Text(), page1 + big);

    c->Click("Button5");
    QCOMPARE(c->Text("Edit5"), QString("1"));
    QVERIFY(Pages() > pagesBefore);
    const std::vector<std::string> games = GamesOf(TestData("london1851.pgn"));
    QCOMPARE(c->Text("Panel3").toInt(), static_cast<int>(games.size()) + 6 * page1Games);
    for (int page = 1; page <= Pages(); ++page) {
      QVERIFY(c->Memo()->Length() <= 10000);
      QCOMPARE(c->Find<TStatusPanel>("StaticText1")->TextColor(), PanelColor::Black);
      c->Click("Button1");
    }
    QCOMPARE(c->WorkFileCount(), 3);  // the swapped pair and the map file only

    c->Menu("Save1");
    // Page 1's games, six pasted copies of them, then the rest of the file.
    std::vector<std::string> expected;
    for (int copy = 0; copy < 7; ++copy) {
      expected.insert(expected.end(), games.begin(), games.begin() + page1Games);
    }
    expected.insert(expected.end(), games.begin() + page1Games, games.end());
    QCOMPARE(ReadFileBytes(path), SavedForm(expected));
  }

  // Keys typed, the field while typing (digits only, no message), then its
  // checked form after Enter or after leaving it, and whether the range message shows.
  void bufferSizeField() {
    c->Start();
    auto* edit = c->Find<QLineEdit>("Edit1");
    for (auto [keys, typed, leave, shown, message] : {std::tuple{"5", "5", false, "010000", true},
                                                      {"12a3-456", "123456", true, "120000", false},
                                                      {"1000005", "1000005", true, "900000", true},
                                                      {"x", "", false, "010000", true}}) {
      c->Dialogs.Shown.clear();
      edit->clear();
      QTest::keyClicks(edit, keys);
      QCOMPARE(edit->text(), QString(typed));
      QVERIFY(c->Dialogs.Shown.empty());
      if (leave) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(edit, &out);
      } else {
        QTest::keyClick(edit, Qt::Key_Return);
      }
      QCOMPARE(edit->text(), QString(shown));
      QCOMPARE(c->Dialogs.Shown.size(), size_t{message});
      if (message) QVERIFY(c->Dialogs.Texts()[0].starts_with("Buffer size must be in even"));
    }
  }
};

QTEST_MAIN(TestForm1Paging)
#include "test_gui_paging.moc"

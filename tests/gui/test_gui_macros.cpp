// The check macros through the window: the drop-down filling the boxes, the note
// of "pack conflict", and the codes pressed with Find and Replace in the page,
// across the file and for the Find list.
#include <algorithm>

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QAbstractItemView>
#include <QRadioButton>
#include <QTest>

#include "tests/gui/GuiTestSupport.h"

namespace {

// London 1851 with known defects: an unused ECO tag in every seventh game, the
// Result of game 200 contradicting its end, a quote inside the Event of game 150.
std::string SpoiledLondon(int* unusedEco) {
  std::string text = TestData("london1851.pgn");
  int game = 0;
  *unusedEco = 0;
  for (size_t at = text.find("[Event "); at != std::string::npos; at = text.find("[Event ", at + 1)) {
    ++game;
    const size_t eco = text.find("[ECO \"", at);
    const size_t next = text.find("[Event ", at + 1);
    if (game % 7 == 0 && eco != std::string::npos && eco < next) {
      text.replace(eco, text.find(']', eco) + 1 - eco, "[ECO \"?\"]");
      ++*unusedEco;
    }
    if (game == 200) {
      const size_t r = text.find("[Result \"", at) + 9;
      text.replace(r, 1, text[r] == '1' ? "0" : "1");  // "1-0" <-> "0-1"
    }
    if (game == 150) text.replace(at + 7, 0, "\"A\" ");
  }
  return text;
}

}  // namespace

class TestForm1Macros : public TGuiTest {
  Q_OBJECT

  QComboBox* Combo() { return c->Find<QComboBox>("ComboBox1"); }
  QString Box(const char* name) { return c->Text(name); }
  // Opens the list and picks item index with the keyboard, as a user does.
  void Pick(int index) {
    Combo()->showPopup();
    QAbstractItemView* view = Combo()->view();
    view->setCurrentIndex(Combo()->model()->index(index, 0));
    QTest::keyClick(view, Qt::Key_Return);
  }
  void Scope(int item) { c->Find<QRadioButton>(("RadioGroup1Item" + std::to_string(item)).c_str())->click(); }
  std::string LastBox() { return c->Dialogs.Shown.empty() ? "" : c->Dialogs.Shown.back().Text; }
  // Every page as it stands: the work file's, and the editor's for the page shown.
  std::string AllPages() {
    TFStreamTxStr* work = c->Form->Stream();
    const int32_t shown = work->CurrentPage();
    std::string all, text;
    for (int32_t p = 1; p <= work->PageCount(); ++p) {
      work->GotoPage(p, text);
      all += p == shown ? c->Memo()->Text() : text;
    }
    work->GotoPage(shown, text);
    return all;
  }
  void OpenSpoiled(int* unusedEco) {
    c->Start();
    path = c->Dir.File("spoiled.pgn");
    WriteFileBytes(path, SpoiledLondon(unusedEco));
    c->SetBufferSize("10000");
    c->Dialogs.FileNames.push_back(path);
    c->Menu("Open1");
  }

 private slots:
  void dropDownFillsTheBoxesWithCodes() {
    c->Start();
    QCOMPARE(Combo()->count(), 23);
    QCOMPARE(Combo()->itemText(1), QString("bad bullet "));
    QCOMPARE(Combo()->itemText(21), QString("pack conflict"));
    QVERIFY(Combo()->itemText(0).isEmpty() && Combo()->itemText(22).isEmpty());
    QCOMPARE(Combo()->toolTip(), QString("Find & Replace macros"));

    Pick(13);
    QCOMPARE(Box("Edit3"), QString("&&14"));
    QCOMPARE(Box("Edit4"), QString("&&11"));
    QCOMPARE(Combo()->currentIndex(), 0);  // the same macro can be picked again
    Pick(10);
    QCOMPARE(Box("Edit3"), QString("$$03"));
    QVERIFY(Box("Edit4").isEmpty());
    // The trailing empty item changes nothing.
    Pick(22);
    QCOMPARE(Box("Edit3"), QString("$$03"));
    // A choice without the list opened (wheel, arrow keys) applies nothing.
    Combo()->setCurrentIndex(19);
    emit Combo()->activated(19);
    QCOMPARE(Box("Edit3"), QString("$$03"));
    // Escape forgets the opened list; Enter on the closed box then does nothing.
    Combo()->showPopup();
    Combo()->hidePopup();
    QTest::keyClick(Combo(), Qt::Key_Escape);
    QTest::keyClick(Combo(), Qt::Key_Return);
    QCOMPARE(Box("Edit3"), QString("$$03"));
    // Giving the box the focus applies its shown item: both boxes are emptied.
    Combo()->setCurrentIndex(0);
    QFocusEvent popupBack(QEvent::FocusIn, Qt::PopupFocusReason);
    QApplication::sendEvent(Combo(), &popupBack);  // the list closing is no new entry
    QCOMPARE(Box("Edit3"), QString("$$03"));
    QFocusEvent tabbedIn(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(Combo(), &tabbedIn);
    QVERIFY(Box("Edit3").isEmpty() && Box("Edit4").isEmpty());
  }

  void packConflictNoteOnceARun() {
    c->Start();
    c->Find<QLineEdit>("Edit3")->setText("kept");
    c->Dialogs.Answers.push_back(TMsgAnswer::Cancel);
    Pick(21);
    QCOMPARE(c->Dialogs.Shown.size(), size_t{1});
    QVERIFY(LastBox().starts_with("Since packing does not accept all PGN headers."));
    QCOMPARE(c->Dialogs.Shown[0].HelpContext, 29);
    QVERIFY(c->Dialogs.Shown[0].Buttons == TMsgButtons::OkCancel);
    QCOMPARE(Box("Edit3"), QString("kept"));  // Cancel: the boxes stay
    Pick(21);                                  // no second note
    QCOMPARE(c->Dialogs.Shown.size(), size_t{1});
    QCOMPARE(Box("Edit3"), QString("$$07"));
  }

  void deleteMacroReplacesInTheWholeFile() {
    int unused = 0;
    OpenSpoiled(&unused);
    QVERIFY(unused > 20);
    // In the page: the first press finds, the second replaces and finds the next.
    Pick(13);
    const int onPage = CountOf(c->Memo()->Text(), "[ECO \"?\"]");
    QVERIFY(onPage >= 2);
    c->Click("Button7");
    QCOMPARE(c->Memo()->SelectedText(), std::string("[ECO \"?\"]\r\n"));
    QCOMPARE(CountOf(c->Memo()->Text(), "[ECO \"?\"]"), onPage);
    c->Click("Button7");
    QCOMPARE(CountOf(c->Memo()->Text(), "[ECO \"?\"]"), onPage - 1);
    QCOMPARE(c->Memo()->SelectedText(), std::string("[ECO \"?\"]\r\n"));
    // In the file, after the question.
    Pick(13);
    Scope(1);
    c->Dialogs.Answers.push_back(TMsgAnswer::Yes);
    c->Click("Button7");
    const std::vector<std::string> boxes = c->Dialogs.Texts();
    QCOMPARE(boxes[boxes.size() - 2],
             std::string("Replace all occurrences of '[ECO \"?\"]\r\n' with Nothing ?"));
    // The summary counts the replacements (one was made in the page already).
    QVERIFY(boxes.back().starts_with(std::to_string(unused - 1) + " occurrences replaced on "));
    QCOMPARE(Box("Edit4"), QString());
    QCOMPARE(CountOf(AllPages(), "[ECO \"?\"]"), 0);
    QCOMPARE(CountOf(AllPages(), "[ECO \""), CountOf(TestData("london1851.pgn"), "[ECO \"") - unused);
    c->Menu("Save1");
    QCOMPARE(CountOf(ReadFileBytes(path), "[ECO \"?\"]"), 0);
    QCOMPARE(GamesOf(ReadFileBytes(path)).size(), size_t{251});
  }

  void checkCodeInEachScope() {
    int unused = 0;
    OpenSpoiled(&unused);
    // In the page: the check sees this page only, and the page has no conflict.
    Pick(10);
    c->Click("Button6");
    QCOMPARE(LastBox(), std::string("'$$03' not found"));
    QCOMPARE(Box("Edit3"), QString("$$03"));
    // In the file: the page holding game 200 is shown with its Result selected.
    Scope(1);
    c->Click("Button6");
    const std::string selected = c->Memo()->SelectedText();
    // From the Result value to the game's end.
    QVERIFY(selected.size() > 20);
    QVERIFY(c->Memo()->Text().find("[Result \"" + selected) != std::string::npos);
    QCOMPARE(Box("Edit3"), QString("$$03"));  // the box keeps the code
    const int shown = c->Text("Edit5").toInt();
    QVERIFY(shown > 1);
    // Back in the page scope, Find again runs the check on this page: found.
    Scope(0);
    c->Memo()->SetSelection(c->Memo()->Length(), 0);
    c->Click("Button6");
    QCOMPARE(c->Memo()->SelectedText(), selected);  // from offset 0 again
    // The Find list of the check's text.
    Scope(2);
    c->Click("Button6");
    QVERIFY(c->Form->FindListShown() != nullptr);
    QCOMPARE(c->Form->FindListShown()->Count(), 1);
    // With the list shown a check code only beeps and is searched as typed.
    const int beeps = c->Dialogs.Beeps;
    c->Find<QLineEdit>("Edit3")->setText("$$03");
    c->Click("Button6");
    QCOMPARE(c->Dialogs.Beeps, beeps + 1);
  }

  void flagCheckMarksEveryPageThenFindFlag() {
    int unused = 0;
    OpenSpoiled(&unused);
    Pick(15);
    c->Click("Button6");  // in the page: refused with its message
    const std::vector<std::string> texts = c->Dialogs.Texts();
    QVERIFY(std::find(texts.begin(), texts.end(), "Use $$05 with \"in file\" only") != texts.end());
    QVERIFY(!c->Form->IsFileModified());
    Scope(1);
    c->Click("Button6");
    QVERIFY(c->Form->IsFileModified());
    QCOMPARE(CountOf(AllPages(), "\x7F"), 2);  // both quotes of "A"
    QCOMPARE(c->Memo()->SelectedText(), std::string("\x7F"));
    Pick(16);
    QCOMPARE(Box("Edit3"), QString("&&15"));
    c->Click("Button6");
    QCOMPARE(Box("Edit3"), QString("\x7F"));  // the literal shown in the box
    QCOMPARE(c->Memo()->SelectedText(), std::string("\x7F"));
    // The flagged pages count as a change: Save writes them.
    c->Menu("Save1");
    QCOMPARE(CountOf(ReadFileBytes(path), "\x7F"), 2);
  }

  void wildcardLiteralInTheFindList() {
    c->Start();
    path = c->Dir.File("w.pgn");
    WriteFileBytes(path, ToCrLf("[Event \"e\"]\n[Site \"s\"]\n[Date \"1900.01.01\"]\n[Round \"1\"]\n"
                                "[White \"?\"]\n[Black \"b\"]\n[Result \"*\"]\n\n1. e4 *\n\n"
                                "[Event \"e\"]\n[Site \"s\"]\n[Date \"1901.??.??\"]\n[Round \"1\"]\n"
                                "[White \"X\"]\n[Black \"b\"]\n[Result \"*\"]\n\n1. d4 *\n\n"
                                "[Event \"e\"]\n[Site \"s\"]\n[Date \"1902.??.??\"]\n[Round \"1\"]\n"
                                "[White \"XY\"]\n[Black \"b\"]\n[Result \"*\"]\n\n1. c4 *\n"));
    c->Dialogs.FileNames.push_back(path);
    c->Menu("Open1");
    Pick(8);  // "missing White"
    Scope(2);
    c->Click("Button6");
    QCOMPARE(Box("Edit3"), QString("[White \"?\"]"));
    QVERIFY(c->Form->FindListShown() != nullptr);
    QCOMPARE(c->Form->FindListShown()->Count(), 2);  // '?' and "X", not "XY"
  }
};

QTEST_MAIN(TestForm1Macros)
#include "test_gui_macros.moc"

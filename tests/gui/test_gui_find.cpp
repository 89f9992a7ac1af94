// Find and Replace through the window's boxes, buttons and menus: in the page
// with its wrap question, across the file, Replace with its first-press rule and
// Replace all; the Find list built, edited, written back and jumped from.
#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>

#include "tests/gui/GuiTestSupport.h"

namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

}  // namespace

class TestForm1Find : public TGuiTest {
  Q_OBJECT

  void SetFind(const char* find, const char* repl = nullptr) {
    c->Find<QLineEdit>("Edit3")->setText(QString::fromLatin1(find));
    if (repl) c->Find<QLineEdit>("Edit4")->setText(QString::fromLatin1(repl));
  }
  void Scope(int item) {
    c->Find<QRadioButton>(("RadioGroup1Item" + std::to_string(item)).c_str())->click();
  }
  std::string Selected() { return c->Memo()->SelectedText(); }
  std::string LastBox() { return c->Dialogs.Shown.empty() ? "" : c->Dialogs.Shown.back().Text; }
  std::string PageOnDisk(int page) {
    std::string text;
    c->Form->Stream()->GotoPage(page, text);
    return text;
  }
  // The page's found marks as (offset, length) pairs.
  std::vector<std::pair<int64_t, int64_t>> Marked() {
    TPageEditor* m = c->Memo();
    std::vector<std::pair<int64_t, int64_t>> marks;
    for (long at = 0; at < m->Length();) {
      const long end =
          m->SendScintilla(QsciScintillaBase::SCI_INDICATOREND, TPageEditor::kFoundIndicator, at);
      if (m->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, TPageEditor::kFoundIndicator,
                           at) != 0) {
        marks.emplace_back(at, end - at);
      }
      if (end <= at) break;
      at = end;
    }
    return marks;
  }

 private slots:
  void findInPageWrapsOnceThenSaysNoOther() {
    OpenLondon();
    SetFind("zzqx");
    c->Click("Button6");
    QCOMPARE(LastBox(), std::string("'zzqx' not found"));  // the caret at 0: no wrap question

    SetFind("Slous");
    c->Click("Button6");
    QCOMPARE(Selected(), std::string("Slous"));
    const int64_t at = c->Memo()->SelStart();
    QCOMPARE(at, static_cast<int64_t>(c->Memo()->Text().find("Slous")));
    c->Dialogs.Answers.push_back(TMsgAnswer::Yes);
    c->Click("Button6");
    QCOMPARE(LastBox(), std::string("Text not found. Continue search from beginning?"));
    QVERIFY(c->Dialogs.Shown.back().Buttons == TMsgButtons::YesCancel);
    QCOMPARE(c->Memo()->SelStart(), at);
    const size_t boxes = c->Dialogs.Shown.size();
    c->Click("Button6");  // the wrap was taken: the plain message now
    QCOMPARE(c->Dialogs.Shown.size(), boxes + 1);
    QCOMPARE(LastBox(), std::string("No other occurrences of 'Slous' found"));

    // A lower-case find text matches unless Case Sensitive carries its mark.
    c->Memo()->SetSelection(0, 0);
    SetFind("slous");
    c->Click("Button6");
    QCOMPARE(Selected(), std::string("Slous"));
    c->Menu("CaseSensitive1");
    c->Memo()->SetSelection(0, 0);
    c->Click("Button6");
    QCOMPARE(LastBox(), std::string("'slous' not found"));
    QCOMPARE(c->Dialogs.Beeps, 0);
  }

  // After a Find every match in the page is marked, by the search's options;
  // a new find text or another page drops the marks.
  void findMarksEveryMatchInThePage() {
    OpenLondon();
    const std::string page = c->Memo()->Text();
    // Find text, whole words, case sensitive, whether the page's "London"s
    // are marked, except those followed by which byte ("London2" is no word).
    for (auto [find, whole, exact, marked, except] :
         {std::tuple{"London", false, false, true, '\0'},
          {"LONDON", true, false, true, '2'},
          {"LONDON", false, true, false, '\0'}}) {
      if (c->Find<QCheckBox>("CheckBox1")->isChecked() != whole) {
        c->Find<QCheckBox>("CheckBox1")->click();
      }
      if (c->Form->findChild<QAction*>("CaseSensitive1")->isChecked() != exact) {
        c->Menu("CaseSensitive1");
      }
      c->Memo()->SetSelection(0, 0);
      SetFind(find);
      c->Click("Button6");
      std::vector<std::pair<int64_t, int64_t>> expected;
      for (size_t at = marked ? page.find("London") : std::string::npos; at != std::string::npos;
           at = page.find("London", at + 1)) {
        if (page[at + 6] != except) expected.emplace_back(static_cast<int64_t>(at), 6);
      }
      QVERIFY(page.find("London2") != std::string::npos);
      QCOMPARE(Marked(), expected);
    }
    QVERIFY(Marked().empty());
    c->Find<QCheckBox>("CheckBox1")->click();
    c->Menu("CaseSensitive1");
    SetFind("London");
    c->Click("Button6");
    QVERIFY(Marked().size() > 2);
    SetFind("Londo");
    QVERIFY(Marked().empty());
    SetFind("London");
    c->Click("Button6");
    c->Click("Button1");
    QVERIFY(c->Memo()->Text().find("London") != std::string::npos);
    QVERIFY(Marked().empty());
  }

  void findInFileVisitsEveryPageAndShowsTheOnlyMatch() {
    OpenLondon();
    QVERIFY(Pages() > 5);
    c->Find<QLineEdit>("Edit5")->setText("3");
    c->Click("Button8");
    Scope(1);
    SetFind("Slous");  // only in the first game
    c->Click("Button6");
    QCOMPARE(c->Text("Edit5"), QString("1"));
    QCOMPARE(Selected(), std::string("Slous"));
    c->Click("Button6");  // every other page, then page 1 again
    QCOMPARE(c->Text("Edit5"), QString("1"));
    QCOMPARE(Selected(), std::string("Slous"));

    c->Click("Button1");
    const std::string page2 = c->Memo()->Text();
    SetFind("zzqx");
    c->Click("Button6");
    QCOMPARE(LastBox(), std::string("'zzqx' not found in file"));
    QCOMPARE(c->Text("Edit5"), QString("2"));
    QCOMPARE(c->Memo()->Text(), page2);
  }

  void replaceInPageFindsFirstThenReplacesEachPress() {
    OpenLondon();
    const std::string page = c->Memo()->Text();
    const int matches = CountOf(page, "Anderssen");
    QVERIFY(matches >= 3);
    SetFind("Anderssen", "Andersen");
    c->Click("Button7");  // only finds
    QCOMPARE(Selected(), std::string("Anderssen"));
    QCOMPARE(c->Memo()->Text(), page);
    c->Click("Button7");
    QCOMPARE(CountOf(c->Memo()->Text(), "Andersen,"), 1);
    QCOMPARE(Selected(), std::string("Anderssen"));  // the next one is selected
    // A click into a box between two presses: the next press only refocuses.
    QTest::mouseClick(c->Find<QLineEdit>("Edit4"), Qt::LeftButton);
    c->Click("Button7");
    QCOMPARE(CountOf(c->Memo()->Text(), "Andersen,"), 1);
    for (int i = 1; i < matches; ++i) c->Click("Button7");
    QCOMPARE(CountOf(c->Memo()->Text(), "Andersen,"), matches);
    QCOMPARE(CountOf(c->Memo()->Text(), "Anderssen"), 0);
    QCOMPARE(Colour("Panel1"), PanelColor::Red);
  }

  void replaceAllInFileAsksWithNothingAndSavesEveryPage() {
    OpenLondon();
    Scope(1);
    SetFind("Anderssen", "");
    c->Dialogs.Answers.push_back(TMsgAnswer::Cancel);
    c->Click("Button7");
    QCOMPARE(LastBox(), std::string("Replace all occurrences of 'Anderssen' with Nothing ?"));
    QCOMPARE(Colour("Panel2"), PanelColor::Aqua);

    SetFind("Anderssen, Adolf", "Anderssen, A.");
    c->Dialogs.Answers.push_back(TMsgAnswer::Yes);
    c->Click("Button7");
    QCOMPARE(c->Text("Edit5"), QString("1"));  // the page it started on is shown, done last
    QCOMPARE(CountOf(c->Memo()->Text(), "Anderssen, Adolf"), 0);
    c->Menu("Save1");
    QCOMPARE(ReadFileBytes(path),
             SavedForm(GamesOf(
                 Replaced(TestData("london1851.pgn"), "Anderssen, Adolf", "Anderssen, A."))));
  }

  // Escape stops Replace all and Find in file between two pages: the pages
  // done are replaced whole, the others untouched; other keys wait.
  void passesInFileStopOnEscapeBetweenPages() {
    OpenLondon();
    const int pages = Pages();
    const std::string page1 = PageOnDisk(1);
    const std::string page2 = PageOnDisk(2);
    Scope(1);
    SetFind("London", "Londres");
    auto* edit3 = c->Find<QLineEdit>("Edit3");
    const auto press = [](QObject* to, Qt::Key key, const char* text) {
      QCoreApplication::postEvent(to, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
    };
    press(edit3, Qt::Key_X, "x");
    press(edit3, Qt::Key_Escape, "");
    c->Dialogs.Answers.push_back(TMsgAnswer::Yes);
    c->Click("Button7");
    const std::string stopped = "Stopped before page 2 of " + std::to_string(pages) +
                                ": that page and the pages after it were not searched.";
    QCOMPARE(LastBox(), std::to_string(CountOf(page1, "London")) +
                            " occurrences replaced on 1 page.\r\n" + stopped);
    QCOMPARE(PageOnDisk(1), Replaced(page1, "London", "Londres"));
    QCOMPARE(PageOnDisk(2), page2);
    QCOMPARE(edit3->text(), QString("London"));
    QVERIFY(c->Find<QProgressBar>("ProgressBar1")->isHidden());

    c->Find<QLineEdit>("Edit5")->setText("3");
    c->Click("Button8");
    SetFind("Slous");  // on page 1 only: the pass goes 4, 5, ...
    press(edit3, Qt::Key_Escape, "");
    c->Click("Button6");
    QCOMPARE(LastBox(), "'Slous' not found. Stopped before page 5 of " + std::to_string(pages) +
                            ": that page and the pages after it were not searched.");
    QCOMPARE(c->Text("Edit5"), QString("3"));
    QCOMPARE(c->Memo()->Text(), PageOnDisk(3));
    QTest::keyClick(edit3, Qt::Key_S);  // the window takes keys again
    QCOMPARE(edit3->text(), QString("Slouss"));
  }

  void replaceAllStopsOnPagesThatCannotGrow() {
    OpenLondon();
    Scope(1);
    SetFind("Anderssen", std::string(4000, 'x').c_str());
    c->Dialogs.Answers.push_back(TMsgAnswer::Yes);
    c->Click("Button7");
    QVERIFY(LastBox().find("could not take every replacement") != std::string::npos);
    QVERIFY(c->Memo()->Length() <= c->Memo()->MaxLength());
  }

  void safeModeTogglesReplace() {
    OpenLondon();
    auto* edit4 = c->Find<QLineEdit>("Edit4");
    edit4->setText("abc");
    QTest::mouseDClick(edit4, Qt::LeftButton);
    QCOMPARE(edit4->text(), QString("<safe>"));
    QVERIFY(!c->Find<QPushButton>("Button7")->isEnabled());
    QVERIFY(!c->Find<QAction>("ReplaceCtrlR1")->isEnabled());
    QTest::mouseDClick(edit4, Qt::LeftButton);
    QCOMPARE(edit4->text(), QString());
    QVERIFY(c->Find<QPushButton>("Button7")->isEnabled());
    QVERIFY(c->Find<QAction>("ReplaceCtrlR1")->isEnabled());
  }

  void selectionGoesIntoTheBoxes() {
    OpenLondon();
    const std::string page = c->Memo()->Text();
    const int64_t nf3 = static_cast<int64_t>(page.find("Nf3 "));
    c->Memo()->SetSelection(nf3, 4);
    c->Form->Memo1MouseDown(Qt::LeftButton, {});
    QCOMPARE(c->Text("Edit3"), QString("Nf3"));
    QCOMPARE(c->Memo()->SelLength(), int64_t{3});
    c->Form->Memo1MouseDown(Qt::RightButton, {});
    QCOMPARE(c->Text("Edit4"), QString("Nf3"));
    // Several lines are not a find text.
    c->Memo()->SetSelection(0, 60);
    c->Form->Memo1MouseDown(Qt::LeftButton, {});
    QCOMPARE(c->Text("Edit3"), QString("Nf3"));
    // Ctrl+F in the editor takes its selection, then finds the next one.
    const int64_t e4 = static_cast<int64_t>(page.find("e4 e5"));
    c->Form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(c->Form.get()));
    c->Memo()->setFocus();
    c->Memo()->SetSelection(e4, 5);
    QTest::keyClick(c->Memo(), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(c->Text("Edit3"), QString("e4 e5"));
    QVERIFY(c->Memo()->SelStart() > e4);
    QCOMPARE(Selected(), std::string("e4 e5"));
  }

  void findListEditedLinesGoBackToTheirPages() {
    OpenLondon();
    const int pages = Pages();
    Scope(2);
    QVERIFY(c->Form->InListMode());
    QVERIFY(!c->Find<QPushButton>("Button1")->isEnabled());
    SetFind("Mucklow");
    c->Click("Button6");
    const TList2* list = c->Form->FindListShown();
    QVERIFY(list);
    const std::string source = TestData("london1851.pgn");
    QCOMPARE(list->Count(), CountOf(source, "Mucklow"));
    const std::string text = c->Memo()->Text();
    QVERIFY(text.starts_with("[Black \"Mucklow\"]\r\n"));  // sorted by text, not by page
    QCOMPARE(CountOf(text, "\r\n"), list->Count());
    // Enter and Backspace at a line start would unpair lines and entries.
    c->TypeAt(0, "\r");
    c->Memo()->SetSelection(static_cast<int64_t>(text.find('\n')) + 1, 0);
    QTest::keyClick(c->Memo(), Qt::Key_Backspace);
    QCOMPARE(c->Dialogs.Beeps, 2);
    QCOMPARE(c->Memo()->Text(), text);

    // Two lines changed by Replace inside the list ('?' as a wildcard).
    SetFind("Muc?low", "Mucklow Sr");
    c->Memo()->SetSelection(0, 0);
    c->Click("Button7");
    c->Click("Button7");
    c->Click("Button7");
    QCOMPARE(CountOf(c->Memo()->Text(), "Mucklow Sr"), 2);
    Scope(0);
    QVERIFY(!c->Form->InListMode());
    QVERIFY(!c->Form->FindListShown());
    QVERIFY(c->Find<QPushButton>("Button1")->isEnabled());
    QCOMPARE(Pages(), pages);
    QCOMPARE(Colour("Panel2"), PanelColor::Red);
    c->Menu("Save1");
    // The first two lines of the sorted list are the [Black "Mucklow"] lines
    // of the games in file order.
    std::string expected = source;
    for (int n = 0; n < 2; ++n) {
      const size_t at = expected.find("[Black \"Mucklow\"]");
      expected.replace(at, 17, "[Black \"Mucklow Sr\"]");
    }
    QCOMPARE(ReadFileBytes(path), SavedForm(GamesOf(expected)));
  }

  void findListUntouchedWritesNothingAndJumps() {
    OpenLondon();
    Scope(2);
    SetFind("Slous");
    c->Click("Button6");
    QCOMPARE(c->Form->FindListShown()->Count(), 1);
    c->Find<QLineEdit>("Edit5")->setText("4");
    c->Click("Button8");  // Go leaves the list
    QVERIFY(!c->Form->InListMode());
    QCOMPARE(Colour("Panel2"), PanelColor::Aqua);
    QCOMPARE(c->Text("Edit5"), QString("4"));

    // A right-button press on a line of the list jumps to it in its page,
    // even when an edit above it on that page moved it.
    Scope(2);
    SetFind("Anderssen, Adolf");
    c->Click("Button6");
    const TList2* list = c->Form->FindListShown();
    QVERIFY(list && list->Count() > 3);
    const int32_t targetPage = (*list)[1].Page, targetOffset = (*list)[1].Offset;
    const std::string targetLine = (*list)[1].Line;
    // Lengthen the entry of the same page that lies above it, when there is one.
    int32_t above = -1;
    for (int32_t i = 0; i < list->Count(); ++i) {
      const TFoundLine& e = (*list)[i];
      if (e.Page == targetPage && e.Offset < targetOffset) above = i;
    }
    const std::string listText = c->Memo()->Text();
    auto lineStart = [&](int32_t i) {
      size_t at = 0;
      for (int32_t n = 0; n < i; ++n) at = listText.find("\r\n", at) + 2;
      return static_cast<int64_t>(at);
    };
    if (above >= 0) c->TypeAt(lineStart(above) + 1, "XY");
    auto* editor = c->Memo();
    const int64_t pos = lineStart(1) + 3;
    const int x = static_cast<int>(editor->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION,
                                                         0UL, static_cast<long>(pos)));
    const int y = static_cast<int>(editor->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION,
                                                         0UL, static_cast<long>(pos)));
    QTest::mousePress(editor->viewport(), Qt::RightButton, {}, QPoint(x + 1, y + 2));
    QTest::mouseRelease(editor->viewport(), Qt::RightButton, {}, QPoint(x + 1, y + 2));
    QVERIFY(!c->Form->InListMode());
    QCOMPARE(c->Text("Edit5"), QString::number(targetPage));
    QCOMPARE(Selected(), targetLine.substr(0, targetLine.size() - 2));
    QCOMPARE(CountOf(c->Memo()->Text(), "[XY"), above >= 0 ? 1 : 0);
  }

  void findListFailuresAndCapacity() {
    OpenLondon();
    Scope(2);
    SetFind("zzqx");
    c->Click("Button6");
    QCOMPARE(LastBox(), std::string("'zzqx' not found in file"));
    QVERIFY(!c->Form->InListMode());
    QVERIFY(c->Find<QRadioButton>("RadioGroup1Item0")->isChecked());

    // A lost last line break: the list stays, nothing is written.
    Scope(2);
    SetFind("Mucklow");
    c->Click("Button6");
    auto* editor = c->Memo();
    editor->SendScintilla(QsciScintillaBase::SCI_DELETERANGE,
                          static_cast<unsigned long>(editor->Length() - 2), 2L);
    Scope(0);
    QCOMPARE(LastBox(), std::string("failed translation"));
    QVERIFY(c->Form->InListMode());
    QVERIFY(c->Form->FindListShown());
    c->Menu("Restore1");  // drops the list's edits
    QVERIFY(!c->Form->InListMode());
    QCOMPARE(Colour("Panel2"), PanelColor::Aqua);

    // With a 10000-byte buffer the list holds 20000 bytes at most.
    Scope(2);
    SetFind("1.");
    c->Click("Button6");
    QVERIFY(c->Dialogs.Texts().size() >= 2);
    QVERIFY(LastBox().starts_with("Find List capacity reached on page "));
    QVERIFY(c->Memo()->Length() <= 20000);
    QVERIFY(c->Memo()->Length() > 19000);
  }

  // Save with a list shown writes its edits back first instead of ending the program.
  void saveWhileTheListIsShown() {
    OpenLondon();
    Scope(2);
    SetFind("Slous");
    c->Click("Button6");
    c->TypeAt(c->Memo()->Text().find("Slous"), "Z");
    QCOMPARE(Colour("Panel1"), PanelColor::Red);
    c->Menu("Save1");
    QVERIFY(!c->Form->InListMode());
    QCOMPARE(ReadFileBytes(path),
             SavedForm(GamesOf(Replaced(TestData("london1851.pgn"), "Slous", "ZSlous"))));
  }
};

QTEST_MAIN(TestForm1Find)
#include "test_gui_find.moc"

// Find and Replace where the window asks, stops or refuses: the wrap question,
// Escape between the pages of a pass in the file, pages that cannot grow and
// the Find list's limits.
#include <QKeyEvent>
#include <QTest>

#include "tests/gui/GuiTestSupport.h"

class TestForm1Find : public TGuiTest {
  Q_OBJECT

  std::string PageOnDisk(int page) {
    std::string text;
    c->Form->Stream()->GotoPage(page, text);
    return text;
  }

 private slots:
  void findInPageWrapsOnceThenSaysNoOther() {
    OpenLondon();
    c->SetFind("Slous");
    c->Click("Button6");
    const int64_t at = c->Memo()->SelStart();
    QCOMPARE(at, static_cast<int64_t>(c->Memo()->Text().find("Slous")));
    c->Dialogs.Answers = {TMsgAnswer::Yes};  // continue from the beginning?
    c->Click("Button6");
    QCOMPARE(c->Memo()->SelStart(), at);
    c->Click("Button6");  // the wrap was taken: a message now, no question
    QCOMPARE(c->Dialogs.Shown.size(), size_t{2});
  }

  // Escape stops Replace all between two pages: the pages done are replaced
  // whole, the others untouched; other keys wait.
  void passesInFileStopOnEscapeBetweenPages() {
    OpenLondon();
    std::string page1 = PageOnDisk(1);
    const std::string page2 = PageOnDisk(2);
    c->Scope(1);
    c->SetFind("London", "Londres");
    auto* edit3 = c->Find<QLineEdit>("Edit3");
    for (const auto& [key, text] : {std::pair{Qt::Key_X, "x"}, {Qt::Key_Escape, ""}})
      QCoreApplication::postEvent(edit3,
                                  new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
    c->Dialogs.Answers.push_back(TMsgAnswer::Yes);
    c->Click("Button7");
    for (size_t at = page1.find("London"); at != std::string::npos; at = page1.find("London", at))
      page1.replace(at, 6, "Londres");
    QCOMPARE(PageOnDisk(1), page1);
    QCOMPARE(PageOnDisk(2), page2);
    QCOMPARE(edit3->text(), QString("London"));

    // A replacement too long for the pages: the pass stops and says so.
    c->SetFind("Anderssen", QString(4000, 'x'));
    c->Dialogs.Answers.push_back(TMsgAnswer::Yes);
    c->Click("Button7");
    QVERIFY(LastBox().find("could not take every replacement") != std::string::npos);
    QVERIFY(c->Memo()->Length() <= c->Memo()->MaxLength());
  }

  // A list that lost its last line break stays
  // until Restore; with a 10000-byte buffer the list holds 20000 bytes at most.
  void findListFailuresAndCapacity() {
    OpenLondon();
    c->Scope(2);
    c->SetFind("Mucklow");
    c->Click("Button6");
    auto* editor = c->Memo();
    editor->SendScintilla(QsciScintillaBase::SCI_DELETERANGE,
                          static_cast<unsigned long>(editor->Length() - 2), 2L);
    c->Scope(0);
    QVERIFY(c->Form->FindListShown());
    c->Menu("Restore1");  // drops the list's edits
    QVERIFY(!c->Form->InListMode());
    QCOMPARE(c->Find<TStatusPanel>("Panel2")->Color(), PanelColor::Aqua);
    c->Scope(2);
    c->SetFind("1.");
    c->Click("Button6");
    QVERIFY(c->Memo()->Length() <= 20000);
    QVERIFY(c->Memo()->Length() > 19000);
  }
};

QTEST_MAIN(TestForm1Find)
#include "test_gui_find.moc"

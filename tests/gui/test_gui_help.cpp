// The Qt side of the dialogs (filters, box text) and the Help menu.
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <set>
#include <utility>

#include "app/AboutBox.h"
#include "tests/gui/GuiTestSupport.h"
#include "ui/HelpForm.h"
#include "ui/QtDialogs.h"

class TestForm1Help : public TGuiTest {
  Q_OBJECT

 private slots:
  void dialogTextConversions() {
    QCOMPARE(QtNameFilters("PGN files (*.pgn)|*.pgn|PGN & Text (*.pgn;*.txt)|*.pgn;*.txt|Any|*.*"),
             QStringList({"PGN files (*.pgn)", "PGN & Text (*.pgn *.txt)", "Any (*)"}));
    QCOMPARE(BoxText("a\rb\r\nc\xE9\xB7"), QString::fromUtf8("a\nb\nc\u00E9\u00B7"));
    // A message quoting a UTF-8 page or file name.
    QCOMPARE(BoxText("'\xD0\x9A\xD0\xBE\xD0\xB7' not found"),
             QString::fromUtf8("'\u041A\u043E\u0437' not found"));
  }

  void helpTopicsAndAboutBox() {
    c->Start();
    c->Menu("Contents1");
    QCOMPARE(HelpWindow()->CurrentTopic(), QString("contents.html"));
    auto* browser = HelpWindow()->findChild<QTextBrowser*>("HelpBrowser");
    // Every context number opens a topic page of its own.
    std::set<QString> topics{"contents.html"};
    for (int context :
         {kHelpRepair, kHelpEditor, kHelpFiles, kHelpBufferSize, kHelpPaging, kHelpStatus}) {
      ShowHelpContext(context);
      topics.insert(HelpWindow()->CurrentTopic());
      QVERIFY2(browser->toPlainText().size() > 100, qPrintable(HelpWindow()->CurrentTopic()));
    }
    QCOMPARE(topics.size(), size_t{7});
    // F1 opens the topic of the control that has the focus; the menu item
    // opens the contents wherever the focus is.
    const std::pair<const char*, const char*> byControl[] = {
        {"Edit1", "buffersize.html"},      {"Memo1", "editor.html"},     {"Edit3", "find.html"},
        {"RadioGroup1Item1", "find.html"}, {"ComboBox1", "macros.html"}, {"Edit5", "paging.html"}};
    for (const auto& [control, topic] : byControl) {
      QApplication::setActiveWindow(c->Form.get());
      auto* w = c->Find<QWidget>(control);
      w->setFocus();
      QTest::keyClick(w, Qt::Key_F1);
      QCOMPARE(HelpWindow()->CurrentTopic(), QString(topic));
      QVERIFY2(browser->toPlainText().size() > 100, topic);
    }
    c->Menu("Contents1");
    QCOMPARE(HelpWindow()->CurrentTopic(), QString("contents.html"));
    CloseHelpWindow();

    QString version;
    QTimer::singleShot(0, [&] {
      auto* box = c->Form->findChild<TAboutBox*>();
      if (!box) return;
      version = box->findChild<QLabel*>("Version")->text();
      box->findChild<QPushButton*>("OKButton")->click();
    });
    c->Menu("About1");
    QCOMPARE(version, QString("Version 1.3"));
  }
};

QTEST_MAIN(TestForm1Help)
#include "test_gui_help.moc"

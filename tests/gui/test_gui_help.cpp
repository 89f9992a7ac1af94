// The Qt side of the dialogs (filters, box text) and the Help menu.
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include "app/AboutBox.h"
#include "app/HelpForm.h"
#include "app/QtDialogs.h"
#include "tests/gui/GuiTestSupport.h"

class TestForm1Help : public QObject {
  Q_OBJECT

 private slots:
  void nameFiltersFromDialogFilter() {
    const QStringList filters = QtNameFilters(
        "PGN files (*.pgn)|*.pgn|PGN & Text files (*.pgn;*.txt)|*.pgn;*.txt|Text files "
        "(*.txt)|*.txt|Any files|*.*");
    QCOMPARE(filters, QStringList({"PGN files (*.pgn)", "PGN & Text files (*.pgn *.txt)",
                                   "Text files (*.txt)", "Any files (*)"}));
    QCOMPARE(QtNameFilters(""), QStringList());
  }

  void boxTextIsLatin1WithLineBreaks() {
    QCOMPARE(BoxText("a\rb\r\nc\xE9\xB7"), QString::fromUtf8("a\nb\nc\u00E9\u00B7"));
  }

  void helpMenuOpensTopics() {
    TGuiCase c;
    c.Start();
    c.Menu("Contents1");
    QVERIFY(HelpWindow() != nullptr);
    QCOMPARE(HelpWindow()->CurrentTopic(), QString("contents.html"));
    auto* browser = HelpWindow()->findChild<QTextBrowser*>("HelpBrowser");
    QVERIFY(browser->toPlainText().contains("Korvane"));
    c.Menu("Index1");
    QCOMPARE(HelpWindow()->CurrentTopic(), QString("index.html"));

    // Every context number has a topic of its own, and each topic page exists.
    for (int context :
         {kHelpRepair, kHelpEditor, kHelpFiles, kHelpBufferSize, kHelpPaging, kHelpStatus}) {
      ShowHelpContext(context);
      QCOMPARE(HelpWindow()->CurrentTopic(), HelpTopicFile(context));
      QVERIFY(HelpTopicFile(context) != "contents.html");
      QVERIFY2(browser->toPlainText().size() > 100, qPrintable(HelpTopicFile(context)));
    }
    // F1 in the buffer-size field opens the buffer-size topic.
    QApplication::setActiveWindow(&c.Form());
    c.Find<QLineEdit>("Edit1")->setFocus();
    QCOMPARE(QApplication::focusWidget(), c.Find<QLineEdit>("Edit1"));
    c.Menu("Contents1");
    QCOMPARE(HelpWindow()->CurrentTopic(), QString("buffersize.html"));
    CloseHelpWindow();
    QVERIFY(c.ScriptFailures().empty());
  }

  void aboutBoxShowsVersion() {
    TGuiCase c;
    c.Start();
    QString caption, version;
    QTimer::singleShot(0, [&] {
      auto* box = c.Form().findChild<TAboutBox*>();
      if (!box) return;
      caption = box->windowTitle();
      version = box->findChild<QLabel*>("Version")->text();
      box->findChild<QPushButton*>("OKButton")->click();
    });
    c.Menu("About1");
    QCOMPARE(caption, QString("About"));
    QCOMPARE(version, QString("Version 1.3"));
  }
};

QTEST_MAIN(TestForm1Help)
#include "test_gui_help.moc"

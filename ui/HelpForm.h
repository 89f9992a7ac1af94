// The help window: topics written for this program, compiled in as resources,
// opened by help context number.
#pragma once

#include <QWidget>

class QTextBrowser;

// Help context numbers carried by controls and message boxes.
enum THelpContext : int {
  kHelpContents = 1,
  kHelpIndex = 2,
  kHelpRepair = 10,
  kHelpEditor = 20,
  kHelpPackConflict = 29,
  kHelpFiles = 30,
  kHelpRecovery = 35,
  kHelpExportDirectory = 31,
  kHelpExportFileName = 32,
  kHelpExportTitle = 33,
  kHelpExportEdit = 34,
  kHelpPacked = 37,
  kHelpBufferSize = 40,
  kHelpPaging = 50,
  kHelpStatus = 60,
  kHelpFind = 70,
  kHelpFindList = 71,
  kHelpMacros = 72,
  kHelpBoard = 80,
};

class THelpForm : public QWidget {
  Q_OBJECT

 public:
  explicit THelpForm(QWidget* parent = nullptr);
  void ShowContext(int context);
  // The resource page now shown ("contents.html", ...).
  QString CurrentTopic() const;

 private:
  QTextBrowser* Browser;
};

// The resource page of a context; contents for an unknown number.
QString HelpTopicFile(int context);
// Opens (creating when needed) the one help window at a topic.
void ShowHelpContext(int context);
THelpForm* HelpWindow();
void CloseHelpWindow();

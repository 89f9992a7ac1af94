#include "ui/HelpForm.h"

#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/QtDialogs.h"

namespace {

struct THelpTopic {
  int Context;
  const char* File;
};

constexpr THelpTopic kTopics[] = {
    {kHelpContents, "contents.html"},
    {kHelpIndex, "index.html"},
    {kHelpRepair, "repair.html"},
    {kHelpEditor, "editor.html"},
    {kHelpFiles, "files.html"},
    {kHelpRecovery, "recovery.html"},
    {kHelpBufferSize, "buffersize.html"},
    {kHelpPaging, "paging.html"},
    {kHelpStatus, "status.html"},
    {kHelpExportDirectory, "exportdirectory.html"},
    {kHelpExportFileName, "exportfile.html"},
    {kHelpExportTitle, "exporttitle.html"},
    {kHelpExportEdit, "export.html"},
    {kHelpFind, "find.html"},
    {kHelpFindList, "findlist.html"},
    {kHelpMacros, "macros.html"},
    {kHelpPacked, "packed.html"},
    {kHelpPackConflict, "packconflict.html"},
    {kHelpBoard, "board.html"},
};

QPointer<THelpForm> helpWindow;

}  // namespace

// The topics live in a static library; nothing else would pull them in.
static void InitHelpResources() {
  Q_INIT_RESOURCE(help);
}

QString HelpTopicFile(int context) {
  for (const auto& t : kTopics) {
    if (t.Context == context) return QString::fromLatin1(t.File);
  }
  return QStringLiteral("contents.html");
}

THelpForm::THelpForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("HelpForm");
  setWindowTitle(QString::fromLatin1(kApplicationTitle) + QStringLiteral(" Help"));
  Browser = new QTextBrowser(this);
  Browser->setObjectName("HelpBrowser");
  Browser->setSearchPaths({QStringLiteral(":/help")});
  Browser->setOpenExternalLinks(false);
  auto* contents = new QPushButton(QStringLiteral("&Contents"), this);
  auto* index = new QPushButton(QStringLiteral("&Index"), this);
  auto* back = new QPushButton(QStringLiteral("&Back"), this);
  connect(contents, &QPushButton::clicked, this, [this] { ShowContext(kHelpContents); });
  connect(index, &QPushButton::clicked, this, [this] { ShowContext(kHelpIndex); });
  connect(back, &QPushButton::clicked, Browser, &QTextBrowser::backward);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(contents);
  buttons->addWidget(index);
  buttons->addWidget(back);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(Browser);
  resize(560, 480);
}

void THelpForm::ShowContext(int context) {
  Browser->setSource(QUrl(QStringLiteral("qrc:/help/") + HelpTopicFile(context)));
}

QString THelpForm::CurrentTopic() const {
  return Browser->source().fileName();
}

void ShowHelpContext(int context) {
  if (!helpWindow) {
    InitHelpResources();
    helpWindow = new THelpForm;
    helpWindow->setAttribute(Qt::WA_DeleteOnClose);
  }
  helpWindow->ShowContext(context);
  helpWindow->show();
  helpWindow->raise();
  helpWindow->activateWindow();
}

THelpForm* HelpWindow() {
  return helpWindow;
}

void CloseHelpWindow() {
  delete helpWindow;
}

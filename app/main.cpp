// korvane: the PGN collection editor.
#include <QApplication>
#include <QScreen>
#include <QTimer>

#include "app/AboutBox.h"
#include "app/HelpForm.h"
#include "app/QtDialogs.h"
#include "app/Unit1.h"
#include "settings/CTErrorU.h"
#include "settings/Settings.h"

int main(int argc, char* argv[]) {
  TraceNumber = 0;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));
  QApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));
  TQtDialogs dialogs;
  SetDialogs(&dialogs);
  SetProgramFile(FileNameFromQt(QApplication::applicationFilePath()));

  // --screenshot FILE grabs the window once it has settled and quits.
  TForm1Setup setup;
  QString screenshot;
  QStringList args = QApplication::arguments().mid(1);
  const qsizetype option = args.indexOf(QStringLiteral("--screenshot"));
  if (option >= 0 && option + 1 < args.size()) {
    screenshot = args[option + 1];
    args.remove(option, 2);
  }
  setup.Params = args;

  TForm1 form(setup);
  form.SetAboutBox(new TAboutBox(&form));
  form.move(form.screen()->availableGeometry().center() - form.rect().center());
  form.show();
  if (!screenshot.isEmpty()) {
    QTimer::singleShot(1500, &form, [&form, screenshot] {
      form.SaveScreenshot(screenshot);
      form.close();
    });
  }
  const int code = QApplication::exec();
  CloseHelpWindow();
  SetDialogs(nullptr);
  return code;
}

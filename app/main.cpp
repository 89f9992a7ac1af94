// korvane: the PGN collection editor.
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <string_view>

#include "app/AboutBox.h"
#include "app/Unit1.h"
#include "settings/CTErrorU.h"
#include "settings/Settings.h"
#include "ui/HelpForm.h"
#include "ui/QtDialogs.h"
#include "ui/TextEncoding.h"

namespace {

// --help and --version answer before any window (and without a display).
bool AnswerInfoOption(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--version") {
      std::printf("korvane %s\n", KORVANE_VERSION);
      return true;
    }
    if (arg == "--help" || arg == "-h") {
      std::printf(
          "usage: korvane [FILE.pgn]\n\n"
          "Korvane edits chess game collections stored as PGN text, however large:\n"
          "FILE.pgn is opened at start (as File > Open would), or drop a file on the window.\n\n"
          "  --help              this text\n"
          "  --version           the program's version\n"
          "  --screenshot FILE   save a picture of the window once it has settled, then quit\n\n"
          "Settings are kept in korvane.ini beside the program, or in ~/.config/korvane when\n"
          "the program is installed; work files likewise, in the user's data directory.\n"
          "See also korvane-batch --help for the commands without the window.\n");
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (AnswerInfoOption(argc, argv)) return 0;
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

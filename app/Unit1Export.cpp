// The Export menu: the game at the caret written for a chess program, which is
// then started, and the dialog that edits the four entries.
#include <QAction>
#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

#include "app/PageEditor.h"
#include "app/Unit1.h"
#include "export/ExpEditU.h"
#include "export/ExportGame.h"
#include "settings/CTErrorU.h"
#include "ui/HelpForm.h"
#include "ui/TextEncoding.h"

namespace {

constexpr char kNotWritten[] = " could not be written. Click a game to try again.";

std::string LaunchFailure(const std::string& program, int code) {
  return "Sorry, " + program + " could not be launched. The return code was " +
         std::to_string(code) + ". See Export Help for possible solution.";
}

}  // namespace

int LaunchProgram(const std::string& program, const TLaunchTarget& target) {
  bool executable = false;
  if (const int code = CheckLaunch(program, target.WorkDir, executable); code != 0) return code;
  const QString path = FileNameToQt(program);
  if (!executable) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path)) ? kShellStarted
                                                                : kShellNoApplication;
  }
  const bool started = QProcess::startDetached(path, {FileNameToQt(target.Parameters)},
                                               FileNameToQt(target.WorkDir));
  return started ? kShellStarted : kShellAccessDenied;
}

void TForm1::SetExportCaptions() {
  for (size_t i = 0; i < ExportItems.size(); ++i) {
    const std::string& title = IniValue.Exports[i][kExportTitle];
    if (!title.empty()) ExportItems[i]->setText(Latin1(title));
  }
}

void TForm1::MenuExportClicks(int tag) {
  const auto& entry = IniValue.Exports.at(static_cast<size_t>(tag - 1));
  if (entry[kExportDirectory].empty() || entry[kExportFileName].empty()) {
    EditExport(tag);
    return;
  }
  // A shown Find list holds lines of many games, not a game.
  if (!WorkFile || FindList) {
    Dlg().Beep();
    return;
  }
  const bool onceOnly = entry[kExportTitle].ends_with('.');
  const std::string path = ExportFilePath(entry[kExportDirectory], entry[kExportFileName]);
  const TExportWrite written =
      WriteExportGame(Memo1->Text(), static_cast<int>(Memo1->SelStart()), path);
  if (written == TExportWrite::NoGame) {
    Dlg().Beep();
    ShowMessage(entry[kExportFileName] + kNotWritten);
  }
  bool& launched = Launched[static_cast<size_t>(tag - 1)];
  if (written != TExportWrite::Written || entry[kExportProgram].empty() || launched) return;
  const TLaunchTarget target =
      LaunchTarget(entry[kExportProgram], entry[kExportDirectory], entry[kExportFileName]);
  const int code = Setup.Launcher ? Setup.Launcher(entry[kExportProgram], target)
                                  : LaunchProgram(entry[kExportProgram], target);
  if (code < kShellStarted)
    Dlg().Message(LaunchFailure(entry[kExportProgram], code), TMsgKind::Plain, TMsgButtons::Ok,
                  kHelpExportEdit);
  // Also after a failed start: such an entry only writes its file from now on.
  if (onceOnly) launched = true;
}

void TForm1::MenuEditExportClick() {
  EditExport(1);
}

void TForm1::EditExport(int n) {
  if (n < 0 || n > kExportEntries) TerminatingError("logic 3345");
  TExportEditForm form(IniValue, this);
  form.SelectItem(n == 0 ? 1 : n);
  if (form.exec() != QDialog::Accepted) return;
  SetExportCaptions();
  // Kept at once: a crash must not lose a carefully set up Export menu.
  SaveSettings(IniValue);
}

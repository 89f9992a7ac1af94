// The Dialogs of the real program: Qt message boxes titled with the application
// title, Qt file dialogs, the input box, the system beep and the process halt.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "settings/Dialogs.h"

// The application title: captions of the window and of every box.
inline constexpr char kApplicationTitle[] = "Korvane";

class TQtDialogs final : public Dialogs {
 public:
  TMsgAnswer Message(const std::string& text, TMsgKind kind, TMsgButtons buttons,
                     int helpContext) override;
  TMsgAnswer Question(const std::string& text, TMsgKind kind, TMsgButtons buttons,
                      const std::string& noCaption, int helpContext) override;
  bool InputQuery(const std::string& caption, const std::string& prompt,
                  std::string& value) override;
  bool OpenFileName(TFileDialogRequest& request) override;
  bool SaveFileName(TFileDialogRequest& request) override;
  void Beep() override;
  [[noreturn]] void Halt(int exitCode) override;

 private:
  TMsgAnswer Ask(const std::string& text, TMsgKind kind, TMsgButtons buttons,
                 const std::string& noCaption, int helpContext);
  bool RunFileDialog(TFileDialogRequest& request, bool save);
};

// "Desc|*.a;*.b|Desc2|*.c" as Qt name filters: "Desc (*.a *.b)", "Desc2 (*.c)".
QStringList QtNameFilters(const std::string& filter);

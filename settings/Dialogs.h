// The one door through which the program talks to the user: message boxes,
// questions, the input box, file-name dialogs, the beep and the halt. The Qt
// program installs real widgets; tests install a scripted stand-in; the batch
// tool turns boxes into report lines.
#pragma once

#include <string>

enum class TMsgKind { Plain, Information, Warning, Confirmation, Error };
enum class TMsgButtons { Ok, OkCancel, YesNo, YesCancel, YesNoCancel };
enum class TMsgAnswer { Ok, Cancel, Yes, No };

// What a file-name dialog starts with and, when accepted, gives back.
struct TFileDialogRequest {
  std::string Title;
  std::string InitialDir;
  std::string Filter;   // "Desc|*.a;*.b|Desc2|*.c" as the dialogs keep it
  int FilterIndex = 1;  // 1-based, as the dialogs keep it
  std::string DefaultExt;
  std::string FileName;  // in: proposed name; out: chosen name
};

// Raised by a scripted or batch Halt so that "end the program" can be observed.
// Deliberately not a std::exception: no catch-all handler of a flow may stop it.
struct EHalt {
  int ExitCode;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Texts are 8-bit bytes (the program's ANSI text); line breaks as given.
  virtual TMsgAnswer Message(const std::string& text, TMsgKind kind, TMsgButtons buttons,
                             int helpContext = 0) = 0;
  // A question whose No button is captioned by what No does ("Delete it").
  // Closing the box answers Cancel when it has one, as in Message. Where no box
  // of its own is needed, it is Message.
  virtual TMsgAnswer Question(const std::string& text, TMsgKind kind, TMsgButtons buttons,
                              const std::string& noCaption, int helpContext) {
    (void)noCaption;
    return Message(text, kind, buttons, helpContext);
  }
  // An input box; false when cancelled. value is in and out.
  virtual bool InputQuery(const std::string& caption, const std::string& prompt,
                          std::string& value) = 0;
  virtual bool OpenFileName(TFileDialogRequest& request) = 0;
  virtual bool SaveFileName(TFileDialogRequest& request) = 0;
  virtual void Beep() = 0;
  // Ends the program at once with the exit code. Implementations that cannot end
  // the process (tests, the batch tool) throw EHalt.
  virtual void Halt(int exitCode) = 0;
};

// The dialogs in force. Until one is installed, a silent fallback answers OK or
// Yes and halts by throwing EHalt.
Dialogs& Dlg();
// Installs d (not owned) and returns the one it replaces; nullptr restores the fallback.
Dialogs* SetDialogs(Dialogs* d);

// Shorthands for the common boxes.
inline void ShowMessage(const std::string& text) {
  Dlg().Message(text, TMsgKind::Plain, TMsgButtons::Ok);
}

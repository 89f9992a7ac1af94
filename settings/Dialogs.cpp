#include "settings/Dialogs.h"

namespace {

class TFallbackDialogs final : public Dialogs {
 public:
  TMsgAnswer Message(const std::string&, TMsgKind, TMsgButtons buttons, int) override {
    return buttons == TMsgButtons::Ok || buttons == TMsgButtons::OkCancel ? TMsgAnswer::Ok
                                                                          : TMsgAnswer::Yes;
  }
  bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
  bool OpenFileName(TFileDialogRequest&) override { return false; }
  bool SaveFileName(TFileDialogRequest&) override { return false; }
  void Beep() override {}
  void Halt(int exitCode) override { throw EHalt{exitCode}; }
};

TFallbackDialogs fallback;
// Each thread answers through its own: the batch tool runs checks on several
// threads, each reporting into its own buffer.
thread_local Dialogs* current = &fallback;

}  // namespace

Dialogs& Dlg() {
  return *current;
}

Dialogs* SetDialogs(Dialogs* d) {
  Dialogs* old = current == &fallback ? nullptr : current;
  current = d ? d : &fallback;
  return old;
}

#include "settings/CTErrorU.h"

#include <memory>

#include "settings/Dialogs.h"

int32_t TraceNumber = 0;

namespace {

constexpr std::size_t kShortString = 255;
int pendingIoResult = 0;
// One per thread, so that games replayed side by side keep their own errors.
thread_local std::unique_ptr<CtErrorRec> errorObject;

}  // namespace

void TerminatingError(const std::string& message) {
  Dlg().Beep();
  Dlg().Message("Terminating error: " + message.substr(0, kShortString), TMsgKind::Plain,
                TMsgButtons::Ok);
  Dlg().Halt(kTerminatingExitCode);
  throw EHalt{kTerminatingExitCode};  // a Dialogs that returned from Halt still must not go on
}

void AskContinue(const std::string& message) {
  if (Dlg().Message(message + "\r\n\r\nContinue?", TMsgKind::Warning, TMsgButtons::YesNo) ==
      TMsgAnswer::Yes)
    return;
  Dlg().Halt(0);
  throw EHalt{0};
}

void NoticeOrHalt(const std::string& message) {
  if (Dlg().Message(message, TMsgKind::Plain, TMsgButtons::Ok) == TMsgAnswer::Ok) return;
  Dlg().Halt(0);
  throw EHalt{0};
}

void AskCatchAll() {
  if (Dlg().Message(kCatchAllQuestion, TMsgKind::Warning, TMsgButtons::YesNo) == TMsgAnswer::Yes)
    return;
  Dlg().Halt(0);
  throw EHalt{0};
}

void SetIoResult(int code) {
  pendingIoResult = code;
}

int TakeIoResult() {
  int code = pendingIoResult;
  pendingIoResult = 0;
  return code;
}

void CheckIoResult(int place) {
  int code = TakeIoResult();
  if (code == 0) return;
  TerminatingError(IoErrorText(place, code));
}

std::string IoErrorText(int place, int code) {
  return "An I/O error has occurred at " + std::to_string(place) + ". The result code is " +
         std::to_string(code);
}

std::string FormatCtField(int32_t n) {
  std::string digits = std::to_string(n < 0 ? -static_cast<int64_t>(n) : n);
  std::string sign = n < 0 ? "-" : "";
  if (sign.size() + digits.size() > 4) return "****";
  return sign + std::string(4 - sign.size() - digits.size(), '0') + digits;
}

std::string FormatCtErrorMessage(const std::string& levelAndText, int32_t code, int32_t ref) {
  std::string level = levelAndText.substr(0, 4);
  std::string text = levelAndText.size() > 4 ? levelAndText.substr(4, kShortString) : "";
  char first = level.empty() ? '\0' : level[0];
  const char* title = first == '9' ? "Fatal Error" : first == '8' ? "Severe Error" : "Warning";
  std::string head = std::string(title) + ": " + text + " #" + FormatCtField(code);
  std::string trace = ("trb#" + std::to_string(TraceNumber)).substr(0, 31);
  if (static_cast<unsigned char>(first) >= '8')
    return head + " " + FormatCtField(ref) + " " + trace;
  return head + " Ref: " + FormatCtField(ref) + " " + trace;
}

void CtErrorRec::RaiseCtError(const std::string& levelAndText, int32_t code, int32_t ref) {
  Level = levelAndText.substr(0, 4);
  Text = levelAndText.size() > 4 ? levelAndText.substr(4, kShortString) : "";
  Code = code;
  Ref = ref;
  throw ECtError(FormatCtErrorMessage(levelAndText, code, ref));
}

CtErrorRec& CtError() {
  if (!errorObject) errorObject = std::make_unique<CtErrorRec>();
  return *errorObject;
}

void DisposeCtError() {
  errorObject.reset();
}

bool HasCtError() {
  return errorObject != nullptr;
}

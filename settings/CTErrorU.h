// Program-wide error routines: the halt on an internal inconsistency, the
// go-on-or-quit questions, the pending I/O result, and the levelled chess error.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// Set to 0 first thing at start-up; appended to every levelled error message.
extern int32_t TraceNumber;

inline constexpr int kTerminatingExitCode = 999;
inline constexpr char kCatchAllQuestion[] = "An error occurred. Do you want to continue?";

// Beeps, shows "Terminating error: " + message and ends the program with 999.
[[noreturn]] void TerminatingError(const std::string& message);
// Shows message, a blank line and "Continue?" with Yes/No; No ends the program (0).
void AskContinue(const std::string& message);
// Shows message with a single OK; a box dismissed any other way ends the program.
void NoticeOrHalt(const std::string& message);
// The outer layer of every two-layer flow: Yes returns, No ends the program (0).
void AskCatchAll();

// The pending result of the last text-file operation (0 = none), as the text-file
// helpers leave it. CheckIoResult reads and clears it and halts when it was set.
void SetIoResult(int code);
int TakeIoResult();
void CheckIoResult(int place);
// "An I/O error has occurred at " place ". The result code is " code.
std::string IoErrorText(int place, int code);

// The exception that RaiseCtError raises; its what() is the whole message.
class ECtError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct CtErrorRec {
  std::string Level;  // at most 4 characters, such as "9---"
  std::string Text;   // at most 255 characters
  int32_t Code = 0;
  int32_t Ref = 0;

  // levelAndText: the 4-character level field followed by the text.
  [[noreturn]] void RaiseCtError(const std::string& levelAndText, int32_t code, int32_t ref);
};

// The global error object: absent until first used, cleared when the main window
// is created, disposed of at shutdown.
CtErrorRec& CtError();
void DisposeCtError();
bool HasCtError();

// Builds the message RaiseCtError raises, without raising it.
std::string FormatCtErrorMessage(const std::string& levelAndText, int32_t code, int32_t ref);
// A code or ref as a 4-character field: "0666", "-012", "****".
std::string FormatCtField(int32_t n);

// The error routine: the message of each level, and the boxes that end the program.
#include <gtest/gtest.h>

#include "settings/CTErrorU.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(CtError, MessageFormats) {
  TraceNumber = 0;
  const struct {
    const char* LevelText;
    int32_t Code, Ref;
    const char* Message;
  } cases[] = {
      {"9---Logic", 666, 8324, "Fatal Error: Logic #0666 8324 trb#0"},
      {"8---Bad", 1, -999, "Severe Error: Bad #0001 -999 trb#0"},
      {"7---Odd", 9999, 12, "Warning: Odd #9999 Ref: 0012 trb#0"},
      {"A---Letter", 7, 12, "Warning: Letter #0007 0012 trb#0"},  // sorts after 8: no "Ref:"
      {"1---Big", 10000, -12, "Warning: Big #**** Ref: -012 trb#0"},
      {"9", -1234, 0, "Fatal Error:  #**** 0000 trb#0"}};
  for (const auto& c : cases) {
    EXPECT_THROW(CtError().RaiseCtError(c.LevelText, c.Code, c.Ref), ECtError);
    EXPECT_EQ(FormatCtErrorMessage(c.LevelText, c.Code, c.Ref), c.Message);
    EXPECT_EQ(CtError().Code * 10000 + CtError().Ref, c.Code * 10000 + c.Ref);
  }
  EXPECT_EQ(CtError().Level, "9");
  TraceNumber = 42;
  EXPECT_EQ(FormatCtErrorMessage("9---X", 1, 1), "Fatal Error: X #0001 0001 trb#42");
  TraceNumber = 0;
  DisposeCtError();
  EXPECT_FALSE(HasCtError());
}

int HaltCode(void (*run)()) {
  try {
    run();
  } catch (const EHalt& halt) {
    return halt.ExitCode;
  }
  return -1;
}

// A question ends the program, with 0, only on No; a pending I/O result is a
// terminating error: it beeps, shows and halts with 999, and is cleared.
TEST(CtError, BoxesThatEndTheProgram) {
  TScriptDialogs dialogs;
  dialogs.Answers = {TMsgAnswer::Yes, TMsgAnswer::No, TMsgAnswer::No};
  EXPECT_EQ(HaltCode([] { AskContinue("list"); }), -1);
  EXPECT_EQ(HaltCode([] { AskContinue("list"); }), 0);
  EXPECT_NE(HaltCode(AskCatchAll), -1);
  SetIoResult(5);
  EXPECT_EQ(HaltCode([] { CheckIoResult(301); }), 999);
  EXPECT_EQ(HaltCode([] { CheckIoResult(301); }), -1);
  EXPECT_EQ(dialogs.Beeps, 1);
  EXPECT_EQ(dialogs.Texts(),
            (std::vector<std::string>{
                "list\r\n\r\nContinue?", "list\r\n\r\nContinue?",
                "An error occurred. Do you want to continue?",
                "Terminating error: An I/O error has occurred at 301. The result code is 5"}));
}

}  // namespace

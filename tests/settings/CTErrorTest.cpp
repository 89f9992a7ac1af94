#include <gtest/gtest.h>

#include "settings/CTErrorU.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(CtError, MessageFormats) {
  TraceNumber = 0;
  struct {
    const char* LevelText;
    int32_t Code, Ref;
    const char* Message;
  } cases[] = {
      {"9---Logic", 666, 8324, "Fatal Error: Logic #0666 8324 trb#0"},
      {"9---Not enough memory", 999, 5010, "Fatal Error: Not enough memory #0999 5010 trb#0"},
      {"8---Bad", 1, 2, "Severe Error: Bad #0001 0002 trb#0"},
      {"7---Odd", 7, 12, "Warning: Odd #0007 Ref: 0012 trb#0"},
      {"A---Letter", 7, 12, "Warning: Letter #0007 0012 trb#0"},  // sorts after 8: no "Ref:"
      {"1---Big", 12345, -12, "Warning: Big #**** Ref: -012 trb#0"},
      {"9", -1234, 0, "Fatal Error:  #**** 0000 trb#0"},
  };
  for (const auto& c : cases) {
    try {
      CtError().RaiseCtError(c.LevelText, c.Code, c.Ref);
      ADD_FAILURE() << "no exception for " << c.LevelText;
    } catch (const ECtError& e) {
      EXPECT_EQ(std::string(e.what()), c.Message);
      EXPECT_EQ(CtError().Code, c.Code);
      EXPECT_EQ(CtError().Ref, c.Ref);
    }
  }
  EXPECT_EQ(CtError().Level, "9");
  TraceNumber = 42;
  EXPECT_EQ(FormatCtErrorMessage("9---X", 1, 1), "Fatal Error: X #0001 0001 trb#42");
  TraceNumber = 0;
  DisposeCtError();
  EXPECT_FALSE(HasCtError());
}

TEST(CtError, TerminatingErrorBeepsShowsAndHaltsWith999) {
  TScriptDialogs dialogs;
  try {
    TerminatingError("logic 7284");
    FAIL() << "TerminatingError returned";
  } catch (const EHalt& halt) {
    EXPECT_EQ(halt.ExitCode, 999);
  }
  EXPECT_EQ(dialogs.Beeps, 1);
  ASSERT_EQ(dialogs.Shown.size(), 1u);
  EXPECT_EQ(dialogs.Shown[0].Text, "Terminating error: logic 7284");
  EXPECT_EQ(dialogs.Shown[0].Buttons, TMsgButtons::Ok);
}

TEST(CtError, QuestionsEndTheProgramOnlyOnNo) {
  TScriptDialogs dialogs;
  dialogs.Answers = {TMsgAnswer::Yes, TMsgAnswer::No, TMsgAnswer::Yes, TMsgAnswer::No};
  dialogs.OkBoxAnswers = {TMsgAnswer::Ok, TMsgAnswer::Cancel};
  EXPECT_NO_THROW(AskContinue(""));
  EXPECT_EQ(dialogs.Shown.back().Text, "\r\n\r\nContinue?");
  EXPECT_EQ(dialogs.Shown.back().Kind, TMsgKind::Warning);
  try {
    AskContinue("corrupted find list");
    FAIL();
  } catch (const EHalt& halt) {
    EXPECT_EQ(halt.ExitCode, 0);
  }
  EXPECT_NO_THROW(AskCatchAll());
  EXPECT_EQ(dialogs.Shown.back().Text, "An error occurred. Do you want to continue?");
  EXPECT_THROW(AskCatchAll(), EHalt);
  EXPECT_NO_THROW(NoticeOrHalt("Odd game end"));
  EXPECT_THROW(NoticeOrHalt("Odd game end"), EHalt);  // closed without OK
}

TEST(CtError, CheckIoResultReadsAndClears) {
  TScriptDialogs dialogs;
  CheckIoResult(12);
  EXPECT_TRUE(dialogs.Shown.empty());
  SetIoResult(5);
  try {
    CheckIoResult(301);
    FAIL();
  } catch (const EHalt& halt) {
    EXPECT_EQ(halt.ExitCode, 999);
  }
  EXPECT_EQ(dialogs.Shown.back().Text,
            "Terminating error: An I/O error has occurred at 301. The result code is 5");
  EXPECT_EQ(TakeIoResult(), 0);
}

}  // namespace

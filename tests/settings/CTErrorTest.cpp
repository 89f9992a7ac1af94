// The error routine: the message of each level.
#include <gtest/gtest.h>

#include "settings/CTErrorU.h"

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
}

}  // namespace

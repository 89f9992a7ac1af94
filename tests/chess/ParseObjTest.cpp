// Movetext parser: each row is a movetext and its tokens with their offsets, or
// one of the three notation errors with its offset.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chess/ParseObj.h"

namespace {

using TTokens = std::vector<std::string>;

// Tokens as "text@offset", or the error as "!message@offset".
TTokens Parse(const std::string& movetext) {
  TParseLine line(nullptr, movetext, 0, 0);
  TTokens out;
  try {
    line.Parse();
  } catch (const ENotationException& e) {
    EXPECT_EQ(line.ErrorMessage, e.what());
    EXPECT_EQ(line.ErrorLength, 4);
    out.push_back("!" + line.ErrorMessage + "@" + std::to_string(line.ErrorOffset));
  }
  EXPECT_EQ(line.Movetext, movetext);
  for (const TMove& m : line.Moves) {
    EXPECT_EQ(m.Length, static_cast<int32_t>(m.Text.size()));
    out.push_back(m.Text + "@" + std::to_string(m.Offset));
  }
  return out;
}

TEST(ParseObj, TokensAndErrors) {
  const struct {
    std::string Movetext;
    TTokens Expected;
  } cases[] = {
      {"1.e4 e5 2.Nf3 {best} Nc6 (2...d6) 3.Bb5 $1 a6 1-0",
       {"e4@2", "e5@5", "Nf3@10", "Nc6@21", "Bb5@36", "a6@43"}},
      {"1.e4\te5\r\n2.Nf3 Nc6\r\n0-1\r\n", {"e4@2", "e5@5", "Nf3@11", "Nc6@15"}},
      {"1.e4 e5 *", {"e4@2", "e5@5"}},
      {"1.e4 1/2-1/2", {"e4@2"}},
      // A comment after the result hides it: only its leading digit goes.
      {"1.e4 e5 1-0 {end}", {"e4@2", "e5@5", "-0@9"}},
      // Castling with zeros at the end reads as a result, elsewhere loses a digit.
      {"1.e4 e5 2.O-O 0-0", {"e4@2", "e5@5", "O-O@10"}},
      {"1.e4 e5 2.0-0 Nc6", {"e4@2", "e5@5", "-0@11", "Nc6@14"}},
      {"12...Nf3 13.Nxd4", {"Nf3@5", "Nxd4@12"}},
      {"1.e4 {a (b) c} e5 (1...c5 {x}) 2.Nf3 {mixed) Nc6", {"e4@2", "e5@15", "Nf3@33", "Nc6@45"}},
      {"1.Nbxd2!!?+?? e5", {"Nbxd2!!?+@2", "e5@14"}},
      {std::string("1.e4 e5\0 2.Nf3", 14), {"e4@2", "e5@5"}},
      {"1.e4 {a} e5 } Nf3", {"!extra )/} found@12"}},
      {"1.e4 e5) 2.Nf3", {"!extra )/} found@7"}},
      {"1.e4 (e5 {x}", {"!game ended in comment@11"}},
      {"{x} $5 (1.e4) 1-0", {"!null game@0"}},
      {"", {"!null game@0"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Movetext);
    EXPECT_EQ(Parse(c.Movetext), c.Expected);
  }
}

}  // namespace

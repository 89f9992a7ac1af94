// Reading the notation: SAN tokens and the fields they set, and the movetext
// parser's tokens and errors. (Whole games are replayed against the recorded
// reports in tests/batch/ReportsUnchangedTest.cpp.)
#include <gtest/gtest.h>

#include "chess/ChessPos.h"
#include "chess/ParseObj.h"

namespace {

// The record as "kind from-to flags [annotation]", with "." for a field left 0.
std::string Summary(const MoveRecord& m) {
  auto square = [](int32_t file, int32_t rank) {
    return std::string{file ? static_cast<char>('a' + file - 1) : '.',
                       rank ? static_cast<char>('0' + rank) : '.'};
  };
  std::string s =
      "?PNBRQKO"[m.PieceKind] + (" " + square(m.FromFile, m.FromRank)) + square(m.ToFile, m.ToRank);
  if (m.CaptureMark) s += " x";
  if (m.Disambiguation) s += " d" + std::to_string(m.Disambiguation);
  if (m.Promotion) s += std::string(" =") + " PNBRQK"[m.Promotion];
  if (m.Castling) s += " O" + std::to_string(m.Castling);
  return s + (m.CheckMark ? " +" : "") + (m.MateMark ? " #" : "") + " [" +
         std::string(m.Annotation, 3) + "]";
}

TEST(ReadSan, Tokens) {
  // One position reads them all in turn, so no field may outlive its token.
  const struct {
    const char* Token;
    const char* Fields;
  } tokens[] = {{"exd8=Q+", "P e.d8 x =Q + [+  ]"}, {"e4", "P e.e4 [   ]"},
                {"Nbxd2!!?+", "N b.d2 x d2 [!!?]"}, {"R1e2", "R .1e2 d1 [   ]"},
                {"0-0-0+", "O .... O2 + [+  ]"},    {"e8N", "P e.e8 =N [   ]"},
                {"Nf3++", "N ..f3 + # [++ ]"},      {"Nf3!?+", "N ..f3 [!?+]"}};
  TChessPosition pos;
  for (const auto& c : tokens) {
    EXPECT_TRUE(pos.ReadSan(c.Token) && !pos.CurMove.Failed) << c.Token;
    EXPECT_EQ(Summary(pos.CurMove) + " " + pos.MoveText,
              c.Fields + (" " + std::string(c.Token).substr(0, 8)));
  }
  // Not moves: a failure of code 1, the text kept.
  for (const std::string token :
       {"Qh4xe1", "Nb1d2", "Pe4", "exd", "e8=q", "Nf3!+", "Nf3+#", "Nf3!!!", "Nbcd2", "O-0"}) {
    EXPECT_FALSE(pos.ReadSan(token)) << token;
    EXPECT_EQ(pos.CurMove.Failed * 100 + pos.CurMove.ErrorCode, 101) << token;
    EXPECT_EQ(pos.MoveText, token.substr(0, 8));
  }
}

// Tokens as "text@offset ...", or the error as "!message@offset".
std::string Parse(const std::string& movetext) {
  TParseLine line(nullptr, movetext, 0, 0);
  std::string out;
  try {
    line.Parse();
  } catch (const ENotationException& e) {
    EXPECT_EQ(line.ErrorMessage + " " + std::to_string(line.ErrorLength),
              e.what() + std::string(" 4"));
    out = "!" + line.ErrorMessage + "@" + std::to_string(line.ErrorOffset) + " ";
  }
  EXPECT_EQ(line.Movetext, movetext);
  for (const TMove& m : line.Moves) {
    EXPECT_EQ(m.Length, static_cast<int32_t>(m.Text.size()));
    out += m.Text + "@" + std::to_string(m.Offset) + " ";
  }
  return out;
}

TEST(ParseObj, TokensAndErrors) {
  const struct {
    std::string Movetext;
    const char* Expected;
  } cases[] = {{"1.e4 e5 2.Nf3 {best} Nc6 (2...d6) 3.Bb5 $1 a6 1-0",
                "e4@2 e5@5 Nf3@10 Nc6@21 Bb5@36 a6@43 "},
               {"1.e4\te5\r\n2.Nf3 Nc6\r\n0-1\r\n", "e4@2 e5@5 Nf3@11 Nc6@15 "},
               {"1.e4 1/2-1/2", "e4@2 "},
               // A comment after the result hides it: only its leading digit goes.
               {"1.e4 e5 1-0 {end}", "e4@2 e5@5 -0@9 "},
               // Castling with zeros at the end reads as a result, elsewhere loses a digit.
               {"1.e4 e5 2.O-O 0-0", "e4@2 e5@5 O-O@10 "},
               {"1.e4 e5 2.0-0 Nc6", "e4@2 e5@5 -0@11 Nc6@14 "},
               {"1.e4 {a (b) c} e5 (1...c5 {x}) 2.Nf3 {mixed) Nc6", "e4@2 e5@15 Nf3@33 Nc6@45 "},
               {"1.Nbxd2!!?+?? e5", "Nbxd2!!?+@2 e5@14 "},
               {std::string("1.e4 e5\0 2.Nf3", 14), "e4@2 e5@5 "},
               {"1.e4 {a} e5 } Nf3", "!extra )/} found@12 "},
               {"1.e4 (e5 {x}", "!game ended in comment@11 "},
               {"{x} $5 (1.e4) 1-0", "!null game@0 "},
               {"", "!null game@0 "}};
  for (const auto& c : cases) EXPECT_EQ(Parse(c.Movetext), c.Expected) << c.Movetext;
}

}  // namespace

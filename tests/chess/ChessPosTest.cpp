// The chess position: move rules and the mate test on lines from the initial
// position and on hand-placed boards, the history, the half-move limit, and
// set-up positions from FEN.
#include <gtest/gtest.h>

#include <sstream>

#include "chess/ChessPos.h"
#include "settings/CTErrorU.h"

namespace {

// Plays one move as the board window does; returns its code (0: it stood).
int Play(TChessPosition& pos, std::string_view token) {
  if (pos.ReadSan(token) && pos.ValidateMove()) pos.MakeMove();
  return pos.CurMove.Failed ? pos.CurMove.ErrorCode : 0;
}

std::string Describe(const TSquare& s) {
  return s.Kind == kEmpty ? "." : std::string(1, "wb"[s.Colour != kWhite]) + "-PNBRQK"[s.Kind];
}

std::string Snapshot(const TChessPosition& pos) {
  std::string out;
  for (const TSquare& s : pos.Board) out += Describe(s) + ' ';
  return out;
}

// Empties the board and places pieces written "Kh1 Pe2 / Kh8": white's before
// the "/", black's after; a final "b" gives black the move. Castling is judged
// by the flags alone, so a hand-made board never castles.
void PlacePieces(TChessPosition& pos, const std::string& pieces) {
  pos.ResetPosition(true);
  pos.ClearBoard();
  for (auto& side : pos.CastlingState) side[kKingMoved] = 1;
  std::istringstream in(pieces);
  uint8_t colour = kWhite;
  for (std::string w; in >> w;) {
    if (w == "/") colour = kBlack;
    if (w == "b") pos.Ply = pos.StoredCount = 1;  // as after a white move
    if (w.size() < 3) continue;
    const auto kind = static_cast<uint8_t>(std::string("PNBRQK").find(w[0]) + 1);
    pos.SetSquare(w[1] - 'a' + 1, w[2] - '0', TSquare{kind, colour, 0});
  }
}

// A line played from the initial position or from hand-placed pieces, the code
// of its last move (0: it stood) and, where given, squares ("g1=wK h1=.") and
// the move text afterwards.
struct TLineCase {
  std::string Line;
  int Code;
  const char* Squares = "";
  const char* Pieces = nullptr;
  const char* Text = nullptr;
};

void CheckLine(const TLineCase& c) {
  SCOPED_TRACE(c.Line + " from " + (c.Pieces ? c.Pieces : "the start"));
  TChessPosition pos;
  if (c.Pieces) PlacePieces(pos, c.Pieces);
  const int start = pos.Ply;
  std::istringstream in(c.Line);
  std::string before, rest;
  int code = 0, played = 0;
  for (std::string token; code == 0 && in >> token; ++played) {
    before = Snapshot(pos);
    code = Play(pos, token);
    // the piece sets the attack test reads must follow every move, kept or undone
    EXPECT_TRUE(pos.BoardConsistent()) << token;
  }
  EXPECT_EQ(code, c.Code);
  EXPECT_FALSE(in >> rest) << "a move before the last one failed";
  // A rejected move leaves the board and the history as they were.
  EXPECT_EQ(pos.Ply, start + played - (code != 0));
  EXPECT_EQ(pos.StoredCount, pos.Ply);
  EXPECT_EQ(code ? Snapshot(pos) : before, before);
  std::istringstream squares(c.Squares);
  for (std::string s; squares >> s;)
    EXPECT_EQ(Describe(pos.At(s[0] - 'a' + 1, s[1] - '0')), s.substr(3)) << s;
  EXPECT_EQ(pos.MoveText, c.Text ? c.Text : pos.MoveText);
  if (c.Pieces) return;
  // Rebuilding the board from the history gives the board as played.
  const std::string asPlayed = Snapshot(pos);
  ASSERT_TRUE(pos.GoToPly(0) && pos.StepBy(pos.StoredCount));
  EXPECT_EQ(Snapshot(pos), asPlayed);
}

TEST(ChessPosition, MoveRules) {
  const std::string knights = "d3 a6 Nf3 a5 Nd4 h6 Nb3 h5 ";  // knights on b1 and b3 reach d2
  // Lines whose last move is refused ("=" its code): pawns blocked, stepping
  // twice, taking; pieces' marks, reach, pins and checks; castling forbidden;
  // needless or wrong disambiguation (knights on b1 and b3 both reach d2).
  std::istringstream refused(
      "e4 e5 e5 =2; Nc3 a6 c4 =3; e4 e5 e3 =4; c4 a6 c5 a5 c4 =5; e4 d5 cxd5 =5; e9 =6; e4 a6 "
      "e5 d5 a3 h6 exd6 =7; e4 c5 exc5 =13; Nf3=Q =21; Nxf3 =7; Nd2 =8; e4 d5 Qh5 a6 Qf7 =12; "
      "Nd4 =13; Bc4 =3; e4 e5 Nc3 Bb4 d3 a6 Nd5 =18; e4 f6 Qh5 =19; e4 e5 Qh5+ =20; e4 e5 Bc4 "
      "Nc6 Qh5 Nf6 Qxf7+ =25; e4 e5 Qh5 Nc6 Qxf7# =26; e4 e5 Nf3 Nc6 Bc4 Bc5 d4 Bb4+ O-O =18; "
      "O-O =22; g3 d6 Bh3 Bxh3 Nf3 a6 O-O =23; e4 e5 Nf3 Nf6 Bc4 Bc5 Rg1 a6 Rh1 a5 O-O =24; "
      "g3 b6 e4 Bb7 Bc4 Bxe4 Nh3 Bxh1 O-O =24; e4 e5 Nf3 Nf6 Bc4 Bc5 O-O O-O Kh1 a6 Kg1 a5 "
      "O-O =24; d4 d5 Nbd2 =14; e4 e5 Kee2 =14; d3 a6 Nf3 a5 Nd4 h6 Nb3 h5 Nbd2 =27; d3 a6 "
      "Nf3 a5 Nd4 h6 Nb3 h5 Nfd2 =6");
  for (std::string line; std::getline(refused, line, ';');) {
    const size_t code = line.rfind(" =");
    CheckLine({line.substr(0, code), std::stoi(line.substr(code + 2))});
  }
  // Lines that stand, with squares afterwards: en passant, a promotion, a
  // knight picked by its rank or by trial. (Castling: the recorded reports.)
  const char* promotion = "Kg1 Pb7 Pb5 / Kh7 Ra8";
  const TLineCase stand[] = {{"e4 a6 e5 d5 exd6", 0, "d6=wP d5=. e5=."},
                             {"b8=Q", 0, "b8=wQ b7=.", promotion},
                             {"b8", 16, "", promotion},
                             {"b6=Q", 17, "", promotion},
                             {knights + "N1d2", 0, "b1=. b3=wN d2=wN"},
                             {knights + "Nd2", 0, "b1=. b3=wN", nullptr, "N1d2"}};
  for (const TLineCase& c : stand) CheckLine(c);
  // Hand-placed boards: knights settled by trial, one of them pinned; checks
  // that mate or not, with the taker of the checking knight or pawn pinned or
  // free, a pinned queen's block found before a knight's that works, a pawn
  // that cannot step twice through a piece, en passant answering a check, a
  // double check.
  const TLineCase placed[] = {{"Nd2", 15, "", "Kh1 Nb1 Nb3 Nf3 / Kh8"},
                              {"Nd2", 0, "b3=. f1=wN d2=wN", "Ke1 Nf1 Nb3 / Ka8 Rh1", "Nbd2"},
                              {"Nd2", 0, "b3=. d2=wN", "Ke1 Nf1 Nb3 / Kc4 Rh1", "Nbd2+"},
                              {"Nd2", 15, "", "Ke1 Nf1 Ne4 / Ka8 Rh1 Re8", "Nd2"},
                              {"Nf2#", 0, "f2=bN", "Kh1 Rg1 Ph2 Ne4 / Kc8 Bb7 Rg8 Nd3 b"},
                              {"Nf2#", 26, "", "Kh1 Rg1 Ph2 Ne4 / Kc8 Rg8 Nd3 b"},
                              {"g2#", 0, "g2=bP", "Kh1 Rg1 Ph2 / Ka8 Ra1 Nf4 Pg3 b"},
                              {"g2#", 26, "", "Kh1 Rg1 Ph2 / Ka8 Nf4 Pg3 b"},
                              {"Ra1+", 0, "", "Kh1 Ph2 Qf3 Ne3 / Kb8 Ba8 Rg8 Ra2 b"},
                              {"Ra1#", 0, "", "Kh1 Ph2 Qf3 / Kb8 Ba8 Rg8 Ra2 b"},
                              {"Bc6#", 0, "", "Kh1 Bg1 Ph2 Pe2 / Kh8 Pe3 Ba4 b"},
                              {"Bc6+", 0, "", "Kh1 Bg1 Ph2 Pe2 / Kh8 Ba4 b"},
                              {"d5+", 0, "", "Ke4 Pe5 / Kh8 Pd7 Pc6 Rd1 Rf1 Ng2 b"}};
  for (const TLineCase& c : placed) CheckLine(c);
}

// The history holds 800 half-moves; the 801st raises and leaves the board.
TEST(ChessPosition, The801stHalfMoveRaises) {
  TChessPosition pos;
  const char* shuffle[] = {"Nf3", "Nf6", "Ng1", "Ng8"};
  for (int i = 0; i < 800; ++i) ASSERT_EQ(Play(pos, shuffle[i % 4]), 0) << i;
  EXPECT_THROW(Play(pos, "Nf3"), ECtError);
  EXPECT_EQ(pos.Ply * 10 + pos.At(7, 1).Kind, 8000 + kKnight);
  EXPECT_FALSE(pos.StepBy(1) || pos.StepBy(-801));
}

TEST(ChessPosition, FenStartIsCheckedAndKept) {
  const struct {
    const char* Fen;
    const char* Why;  // empty: taken
  } rows[] = {{"4k3/8/8/8/8/8/8/4K3 w - - 0 1", ""},
              {"4k3/8/8/8/8/8/8/4K3 w - -", ""},
              {"4k3/8/8/8/8/8/8/R3K3 b - - 0 1", ""},
              {"4k3/8/8/8/8/8/8/4K3 w - - 0", "6 fields"},
              {"4k3/8/8/8/8/8/4K3 w - - 0 1", "8 ranks of 8"},
              {"8/8/8/8/8/8/8/4K3 w - - 0 1", "black has 0 kings"},
              {"P3k3/8/8/8/8/8/8/4K3 w - - 0 1", "white pawn stands on rank 8"},
              {"4k3/8/8/8/8/8/8/4K3 w K - 0 1", "castling 'K' without"},
              {"4k3/8/8/8/8/8/8/4K3 w - e6 0 1", "en-passant"},
              {"4k2R/8/8/8/8/8/8/4K3 w - - 0 1", "(black) is in check"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Fen);
    TChessPosition pos;
    std::string why;
    EXPECT_EQ(pos.SetUpFromFen(row.Fen, why), *row.Why == 0) << why;
    EXPECT_NE(why.find(row.Why), std::string::npos) << why;
    // A refused text leaves the standard start.
    EXPECT_EQ(Describe(pos.At(5, 2)), *row.Why ? "wP" : ".");
  }
}

TEST(ChessPosition, FenStartGivesMoverCastlingAndEnPassant) {
  TChessPosition pos;
  std::string why;
  // Black to move at move 23 just after e2-e4, so dxe3 takes en passant;
  // White may castle short only, Black long only.
  ASSERT_TRUE(pos.SetUpFromFen("r3k2r/8/8/8/3pP3/8/8/R3K2R b Kq e3 0 23", why)) << why;
  EXPECT_EQ(pos.MoveNumberOfPly(1) * 10 + pos.SideOfPly(1), 230 + kBlack);
  EXPECT_EQ(Play(pos, "dxe3"), 0);
  EXPECT_EQ(Describe(pos.At(5, 4)) + std::to_string(pos.MoveNumberOfPly(2)), ".24");
  for (auto [move, code] : {std::pair{"O-O-O", 24}, {"O-O", 0}, {"O-O", 24}, {"O-O-O", 0}})
    EXPECT_EQ(Play(pos, move), code) << move;
  EXPECT_TRUE(pos.BoardConsistent());
  // Back to the start: the set-up position, not the initial one.
  ASSERT_TRUE(pos.GoToPly(0));
  EXPECT_EQ(Describe(pos.At(4, 4)) + Describe(pos.At(5, 4)) + Describe(pos.At(5, 2)), "bPwP.");
}

}  // namespace

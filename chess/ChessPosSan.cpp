// Reading one SAN token into the current move record: only the text, not
// whether the move fits the board.
#include <string_view>

#include "chess/ChessGeometry.h"
#include "chess/ChessPos.h"

using namespace chess_internal;

namespace {

bool IsFileLetter(char c) {
  return c >= 'a' && c <= 'h';
}
bool IsRankDigit(char c) {
  return c >= '1' && c <= '8';
}

bool ReadDisambiguation(char c, MoveRecord& m) {
  if (IsRankDigit(c)) {
    m.FromRank = c - '0';
    m.Disambiguation = 1;
    return true;
  }
  if (IsFileLetter(c)) {
    m.FromFile = c - 'a' + 1;
    m.Disambiguation = 2;
    return true;
  }
  return false;
}

}  // namespace

bool TChessPosition::ReadSan(std::string_view token) {
  token = token.substr(0, 8);
  MoveText.assign(token.data(), token.size());
  MoveRecord& m = CurMove;
  m = MoveRecord{};
  m.Side = SideOfPly(Ply + 1);
  if (!ReadSanText(token, m)) Fail(m, 1);
  return m.Failed == 0;
}

bool TChessPosition::ReadSanText(std::string_view t, MoveRecord& m) {
  if (t.size() < 2) return false;
  const char first = t[0];
  const size_t piece = std::string_view("NBRQK").find(first);
  if (piece != std::string_view::npos) {
    m.PieceKind = static_cast<uint8_t>(kKnight + piece);
    // The destination is the last rank digit, at position 3, 4 or 5.
    size_t p = t.find_last_of("12345678");
    if (p == std::string_view::npos || p < 2 || p > 4 || !IsFileLetter(t[p - 1])) return false;
    m.ToFile = t[p - 1] - 'a' + 1;
    m.ToRank = t[p] - '0';
    bool ok = true;
    if (p == 3) {
      if (t[1] == 'x')
        m.CaptureMark = 1;
      else
        ok = ReadDisambiguation(t[1], m);
    } else if (p == 4) {
      ok = t[2] == 'x' && ReadDisambiguation(t[1], m);
      if (t[2] == 'x') m.CaptureMark = 1;
    }
    // The suffix is read even when the move part failed.
    bool suffixOk = ReadSuffix(t.substr(p + 1), m);
    return ok && suffixOk;
  }
  if (IsFileLetter(first)) {
    m.PieceKind = kPawn;
    m.FromFile = first - 'a' + 1;
    if (t[1] != 'x') {
      m.ToFile = m.FromFile;
      m.ToRank = t[1] - '0';  // ValidateMove rejects a rank outside 1..8
      return ReadSuffix(t.substr(2), m);
    }
    if (t.size() < 4) return false;
    m.CaptureMark = 1;
    m.ToFile = t[2] - 'a' + 1;
    m.ToRank = t[3] - '0';
    return ReadSuffix(t.substr(4), m);
  }
  if (first == 'O' || first == '0') {
    m.PieceKind = kCastling;
    if (t.starts_with("O-O-O") || t.starts_with("0-0-0")) {
      m.Castling = 2;
      return ReadSuffix(t.substr(5), m);
    }
    if (t.starts_with("O-O") || t.starts_with("0-0")) {
      m.Castling = 1;
      return ReadSuffix(t.substr(3), m);
    }
  }
  return false;
}

bool TChessPosition::ReadSuffix(std::string_view s, MoveRecord& m) {
  if (s.starts_with('=')) s.remove_prefix(1);
  if (!s.empty()) {
    switch (s[0]) {
      case 'B':
        m.Promotion = kBishop;
        break;
      case 'N':
        m.Promotion = kKnight;
        break;
      case 'Q':
        m.Promotion = kQueen;
        break;
      case 'R':
        m.Promotion = kRook;
        break;
      default:
        break;
    }
    if (m.Promotion != 0) s.remove_prefix(1);
  }
  if (s.size() > 3) return false;
  if (s.size() == 3 && s[0] == s[1] && s[1] == s[2]) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c != '!' && c != '?' && c != '+' && c != '#') return false;
    m.Annotation[i] = c;
    if (c == '#') {
      if (i != 0) return false;
      m.CheckMark = m.MateMark = 1;
    } else if (c == '+' && i == 0) {
      m.CheckMark = 1;
    } else if (c == '+' && i == 1) {
      // "++" is a mate mark; "+" after a glyph is not a move
      if (s[0] != '+') return false;
      m.MateMark = 1;
    }
  }
  return true;
}

#include "stream/TxStream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "pgn/StrScan.h"
#include "pgn/TextDrops.h"
#include "settings/CTErrorU.h"
#include "settings/Dialogs.h"
#include "stream/Recovery.h"

std::string BulletFileName;
std::string OutputFileName;

void ClearWorkFileNames() {
  BulletFileName.clear();
  OutputFileName.clear();
}

namespace {

bool IsBlank(char c) {
  return c == '\0' || c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

// The next "[Event " in [from, end), or nullptr. It hunts for the 'v': movetext
// never holds one and tag lines seldom do, so the byte scan rarely stops
// anywhere but at the tag itself.
const char* FindEvent(const char* from, const char* end) {
  const char* p = from + 2;
  const char* stop = end - (kEventTag.size() - 3);  // just past the last place for the 'v'
  while (p < stop) {
    const void* hit = std::memchr(p, 'v', static_cast<size_t>(stop - p));
    if (!hit) return nullptr;
    const char* v = static_cast<const char*>(hit);
    if (v[-2] == '[' && v[-1] == 'E' && std::memcmp(v + 1, "ent ", 4) == 0) return v - 2;
    p = v + 1;
  }
  return nullptr;
}

// The last "[Event " in [begin, end), or nullptr.
const char* FindLastEvent(const char* begin, const char* end) {
  for (const char* p = end - kEventTag.size(); p >= begin; --p) {
    if (*p == '[' && std::memcmp(p + 1, kEventTag.data() + 1, kEventTag.size() - 1) == 0) return p;
  }
  return nullptr;
}

// The first CR directly followed by LF in [from, end), or nullptr.
const char* FindCrLf(const char* from, const char* end) {
  while (from < end) {
    const void* hit = std::memchr(from, '\r', static_cast<size_t>(end - from));
    if (!hit) return nullptr;
    const char* p = static_cast<const char*>(hit);
    if (p + 1 < end && p[1] == '\n') return p;
    from = p + 1;
  }
  return nullptr;
}

// Collapses every run of CR bytes before an LF to one CR, then every run of
// CR LF pairs to one pair (what repeated replacement of CR CR LF and of CR LF
// CR LF by CR LF leaves).
void CollapseLineEnds(std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r') {
      size_t j = i;
      while (j < s.size() && s[j] == '\r') ++j;
      if (j < s.size() && s[j] == '\n') {
        out += "\r\n";
        i = j;
        continue;
      }
    }
    out += s[i];
  }
  std::string merged;
  merged.reserve(out.size());
  for (size_t i = 0; i < out.size(); ++i) {
    if (out.compare(i, 2, "\r\n") == 0) {
      merged += "\r\n";
      ++i;
      while (out.compare(i + 1, 2, "\r\n") == 0) i += 2;
      continue;
    }
    merged += out[i];
  }
  s = std::move(merged);
}

bool EndsLikeGame(std::string_view game) {
  if (game.empty()) return false;
  char last = game.back();
  return last == '*' || last == '0' || last == '1' || last == '2';
}

}  // namespace

bool IsGameResult(std::string_view token) {
  return token == "1-0" || token == "0-1" || token == "1/2-1/2" || token == "*" || token == "1/2";
}

bool RepairGameShape(std::string& game, TRepairNotes* notes) {
  CollapseLineEnds(game);
  // The blank line goes after the game's own last tag line, not after tag
  // lines that stand after its result (they are cut off below).
  size_t limit = game.size();
  std::string_view trimmed = game;
  while (!trimmed.empty() && IsBlank(trimmed.back())) trimmed.remove_suffix(1);
  if (!EndsLikeGame(trimmed) && trimmed.size() >= 7) {
    const std::string cut = CutAfterLastResult(trimmed);
    if (!cut.empty()) limit = cut.size();
  }
  size_t tagEnd = limit >= 2 ? game.rfind("\"]", limit - 2) : std::string::npos;
  if (tagEnd == std::string::npos) return false;
  game.insert(tagEnd + 2, "\r\n");
  // A tag end that did not end its line (text, a space or a lone CR after it)
  // gets its blank line as well; else the repair of a repaired game would add
  // it, and a file would change each time it is opened and saved.
  const size_t next = tagEnd + 4;
  if (game.compare(next, 2, "\r\n") != 0) game.insert(next, "\r\n");
  while (!game.empty() && IsBlank(game.back())) game.pop_back();
  if (game.size() <= 1) return false;
  size_t event = game.find(kEventTag);
  size_t white = game.find("[White ");
  if (event == std::string::npos && white == std::string::npos) return false;
  const size_t first = std::min(event, white);
  if (notes && HoldsText(std::string_view(game).substr(0, first)))
    notes->Before += game.substr(0, first);
  game.erase(0, first);
  game.insert(0, "\r\n");
  if (EndsLikeGame(game)) return true;
  if (game.size() < 7) return false;
  std::string cut = CutAfterLastResult(game);
  if (cut.empty()) return false;
  if (notes && HoldsText(std::string_view(game).substr(cut.size())))
    notes->After += game.substr(cut.size());
  game = std::move(cut);
  return true;
}

// ---- TFStreamText

TFStreamText::TFStreamText(const std::string& fileName, TOpenMode mode, int32_t bufferSize)
    : BufferSize(bufferSize), Name(fileName) {
  if (bufferSize <= 0 || bufferSize > std::numeric_limits<int32_t>::max() - 2 * kBufferSlack)
    throw EFileOpenError("buffer size out of range");
  if (!File.Open(fileName, mode)) throw EFileOpenError("cannot open " + fileName);
  SetBufferLength(bufferSize + kBufferSlack);
}

void TFStreamText::SetBufferLength(int32_t length) {
  Buffer.resize(static_cast<size_t>(length) + 1);
  size_t from = BufferSize >= 1 ? static_cast<size_t>(BufferSize - 1) : 0;
  if (from < Buffer.size())
    std::fill(Buffer.begin() + static_cast<std::ptrdiff_t>(from), Buffer.end(), '\0');
}

void TFStreamText::Fail(const std::string& message) {
  LastError = message;
  throw EChessException(message);
}

void TFStreamText::WriteString(std::string_view s) {
  if (!File.WriteAt(Pos, s.data(), static_cast<int64_t>(s.size()))) Fail("I/O error on write");
  Pos += static_cast<int64_t>(s.size());
}

int64_t TFStreamText::FileSize() const {
  return File.Size();
}

// ---- TFStreamTxStr: reading games

TFStreamTxStr::TFStreamTxStr(const std::string& fileName, const std::string& bulletName,
                             const std::string& outputName, TOpenMode mode, int32_t bufferSize)
    : TFStreamText(fileName, mode, bufferSize) {
  if (!bulletName.empty() && BulletFileName.empty()) BulletFileName = bulletName;
  if (!outputName.empty() && OutputFileName.empty()) OutputFileName = outputName;
}

void TFStreamTxStr::Reset(bool freeMap) {
  Pos = 0;
  Loaded = false;
  if (freeMap) Map.reset();
  LastError.clear();
  AtEof = false;
  GameCursor = nullptr;
  GamesDone = false;
  GamesRead = 0;
}

int32_t TFStreamTxStr::LoadGameBuffer(const char*& cursor) {
  char* b = Buffer.data();
  int64_t fileSize = File.Size();
  if (fileSize < 0) Fail("I/O error on read");
  int64_t got = File.ReadAt(Pos, b, BufferSize);
  if (got < 0) Fail("I/O error on read");
  Pos += got;
  bool final = Pos >= fileSize;
  b[got] = '\0';
  if (got < 2) Fail(fileSize == 0 ? "file is empty" : "no paired carRtn-lineFeed (1)");
  // The buffer's text ends at its first zero byte: the rest would go unread.
  size_t textLength = std::strlen(b);
  if (textLength != static_cast<size_t>(got))
    Fail("zero byte at offset " + std::to_string(Pos - got + static_cast<int64_t>(textLength)) +
         ": not a PGN text file");
  if (final && b[got - 1] != '\n') {
    // The file does not end in a line end: give its trimmed text exactly one.
    int64_t i = got - 1;
    while (i >= 0 && IsBlank(b[i])) --i;
    std::memcpy(b + i + 1, "\r\n", 3);
    textLength = static_cast<size_t>(i + 3);
  }
  const char* lf = static_cast<const char*>(memrchr(b, '\n', textLength));
  if (!lf) Fail("line too long/buffer too small");
  if (lf == b || lf[-1] != '\r') Fail("no paired carRtn-lineFeed (2)");
  int64_t l = lf - b + 1;
  b[l] = '\0';

  // The last word before a place, and where it ends (-1: only blanks before it).
  // Whole tag lines just before an Event line are passed over: misplaced tags
  // of the next game, which its repair moves below its Event line.
  auto wordBefore = [b](int64_t from, int64_t& i, bool beforeEvent = true) {
    i = from;
    for (;;) {
      while (i >= 0 && IsBlank(b[i])) --i;
      if (!beforeEvent || i < 0 || b[i] != ']') break;
      int64_t start = i;
      while (start > 0 && b[start - 1] != '\n') --start;
      if (b[start] != '[') break;
      i = start - 1;
    }
    int64_t j = i;
    while (j >= 0 && b[j] != '\t' && b[j] != '\n' && b[j] != ' ') --j;
    return std::string_view(b + j + 1, static_cast<size_t>(i - j));
  };
  int64_t i = l;  // the end check starts at the terminating zero on the final load
  std::string_view token = wordBefore(i, i, false);
  if (!final) {
    if (l < 10) Fail("buffer too small");
    const char* last = FindLastEvent(b, b + l);
    if (!last || !FindEvent(b, last)) Fail("no full, valid game contained in buffer");
    token = wordBefore(last - b - 1, i);
    // Tag lines or a comment standing before the last Event line are no game
    // end: the buffer is cut at an earlier Event line whose game ends there.
    for (const char* e = last; !IsGameResult(token);) {
      e = FindLastEvent(b, e);
      if (!e || !FindEvent(b, e))
        Fail("no valid, ending game result (\"" + std::string(wordBefore(last - b - 1, i)) + "\")");
      token = wordBefore(e - b - 1, i);
    }
  }
  int32_t kept = 0;
  if (i >= 0) {
    if (!IsGameResult(token)) Fail("no valid, ending game result (\"" + std::string(token) + "\")");
    std::memset(b + i + 1, 0, static_cast<size_t>(l - i));
    std::memcpy(b + i + 1, "\r\n", 3);
    kept = static_cast<int32_t>(i + 3);
  } else {
    std::memset(b, 0, static_cast<size_t>(l));
  }
  if (kept != 0 && !final) {
    Pos -= got - kept;
  } else {
    if (Pos != fileSize) Fail("read past eof");
    AtEof = true;
  }
  TextEnd = b + kept;
  LineBulletsLoaded =
      NextBullet(std::string_view(b, static_cast<size_t>(kept)), 0) != std::string_view::npos;
  cursor = b;
  Loaded = true;
  if (Progress) Progress(Pos, fileSize);
  return kept;
}

std::string TFStreamTxStr::BufferText() const {
  return Loaded && TextEnd ? std::string(Buffer.data(), TextEnd) : std::string();
}

void TFStreamTxStr::ReadGame(std::string& game) {
  if (GamesDone) Fail("read past eol");
  if (!Loaded && LoadGameBuffer(GameCursor) == 0) Fail("no valid games to process");
  const char* cursor = GameCursor;
  const char* end = TextEnd - 2;  // the last game ends at the buffer's final CR LF
  const char* own = FindEvent(cursor, TextEnd);
  const char* next = own ? FindEvent(own + 1, TextEnd) : nullptr;
  if (next) {
    const char* e = next;
    while (e > cursor && IsBlank(e[-1])) --e;
    // The line end must lie before the next game: an "[Event " in the middle of
    // a line cannot start a game.
    end = FindCrLf(e, next);
    if (!end) Fail("nil read");
  }
  game.assign(cursor, end);
  ++GamesRead;
  GameCursor = end + 2;
  if (*GameCursor != '\0') return;
  if (AtEof) {
    GamesDone = true;
    return;
  }
  // A final buffer that keeps nothing (only blanks after the last game) ends the file too.
  if (LoadGameBuffer(GameCursor) == 0 && AtEof) GamesDone = true;
}

// ---- bullet file

int32_t CountBullets(TFStreamText& stream, std::string_view text) {
  if (text.size() < kRecordStart.size() || text.substr(0, kRecordStart.size()) != kRecordStart)
    stream.Fail("top bullet/[Event misplaced");
  int32_t count = 0;
  for (size_t at = 0; (at = text.find(kBullet, at)) != std::string_view::npos; ++at) {
    if (!IsBulletAt(text, at)) {
      // A record whose line break before its bullet was deleted: the 0xB7 no
      // longer starts a line, and the page would lose a game at Save.
      if (text.substr(at, kRecordStart.size()) == kRecordStart)
        stream.Fail("midrange bullet/[Event misplaced");
      continue;
    }
    for (size_t k = 0; k < kRecordStart.size(); ++k) {
      if (at + k >= text.size()) stream.Fail("last bullet/[Event misplaced");
      if (text[at + k] != kRecordStart[k]) stream.Fail("midrange bullet/[Event misplaced");
    }
    ++count;
  }
  return count;
}

namespace {

// A line of the game that begins with 0xB7 would read as a bullet in the work
// file; the first such line, or "".
std::string_view LineStartingWithBullet(std::string_view game) {
  const size_t at = NextBullet(game, 1);
  if (at == std::string_view::npos) return {};
  const size_t end = game.find('\r', at);
  return game.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
}

// Reports what the repairs of one game took out. Tag lines that stood above
// its Event line (cut after the result of the game before, carried, or before
// its own first tag) move below that line; tag lines cut after its own result
// belong to the next game and go to carried.
void PlaceAndReport(int64_t number, std::string& game, TRepairNotes& notes, std::string& carried) {
  std::string tags = std::move(carried);
  carried.clear();
  std::string own;
  SplitTrailingTagLines(notes.Before, own);
  tags += own;
  if (HoldsText(notes.Before)) ReportTextDrop({number, TDropKind::BeforeTags, notes.Before});
  if (!tags.empty()) {
    std::string refused;
    const std::string moved = MoveTagsBelowEvent(game, tags, refused);
    if (!moved.empty()) ReportTextDrop({number, TDropKind::TagsMoved, moved});
    if (!refused.empty()) ReportTextDrop({number, TDropKind::BetweenGames, refused});
  }
  SplitTrailingTagLines(notes.After, carried);
  if (HoldsText(notes.After)) ReportTextDrop({number, TDropKind::AfterResult, notes.After});
}

}  // namespace

void TFStreamTxStr::ConvertToBulletFile() {
  Reset(true);
  if (BulletFileName.empty()) Fail("logic 8839");
  // The map file of an earlier collection must not be taken for this one's.
  std::remove(MapFileNameOf(BulletFileName).c_str());
  TFile out;
  if (!out.Open(BulletFileName, TOpenMode::Create)) Fail("terminating error #8363");
  int64_t at = 0;
  std::string game;
  std::string pending;  // records are gathered and written in large blocks
  std::string carried;  // tag lines cut after a result, for the game that follows
  constexpr size_t kBlock = 1 << 20;
  auto flush = [&] {
    if (!out.WriteAt(at, pending.data(), static_cast<int64_t>(pending.size())))
      Fail("I/O error on write");
    at += static_cast<int64_t>(pending.size());
    pending.clear();
  };
  try {
    while (!GamesDone) {
      ReadGame(game);
      TRepairNotes notes;
      if (!BeginsWithItsEvent(game)) {
        if (!RepairGameShape(game, &notes))
          NoticeOrHalt("Badly formatted. Correct with VESPRA.exe\r\n" + game);
      }
      if (!EndsLikeGame(game) && !RepairGameShape(game, &notes))
        NoticeOrHalt("Odd game end\r\ngame " + std::to_string(GamesRead) + " of the file:\r\n" +
                     game);
      if (!carried.empty() || !notes.Before.empty() || !notes.After.empty())  // seldom
        PlaceAndReport(GamesRead, game, notes, carried);
      if (std::string_view line = LineBulletsLoaded ? LineStartingWithBullet(game) : "";
          !line.empty())
        NoticeOrHalt("Bad bullet\r\ngame " + std::to_string(GamesRead) +
                     " of the file has a line that begins with the byte 0xB7, which marks the "
                     "start of a game in the work file. Check 1 (bad bullet) finds it:\r\n" +
                     std::string(line));
      pending += kBullet;
      pending += game;
      pending += "\r\n";
      if (pending.size() >= kBlock) flush();
    }
    if (!carried.empty()) ReportTextDrop({GamesRead, TDropKind::AfterResult, carried});
    flush();
  } catch (const EChessException&) {
    ShowMessage("Last valid game or buffer: \r\n" + game);
    out.Close();
    throw;
  }
  if (!out.Close()) Fail("I/O error on write");
}

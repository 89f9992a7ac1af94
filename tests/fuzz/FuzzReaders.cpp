// One libFuzzer program per reader (KORVANE_FUZZ_READER names it): the game
// text stream with the conversion and Save, the repair conversion, ReadSan, the
// movetext parser, a whole replay, the INI reader, the Find list read-back, the
// packed-line reader and the recovery map. Besides the sanitizers' findings,
// each traps when a result breaks what the reader promises. Built with clang
// for fuzzing, and with any compiler as a run over the stored corpus.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "chess/ChessPos.h"
#include "chess/GameReplay.h"
#include "chess/ParseObj.h"
#include "find/FindList.h"
#include "packer/PackLine.h"
#include "pgn/Repair.h"
#include "settings/Dialogs.h"
#include "settings/IniFile.h"
#include "stream/FileIo.h"
#include "stream/Recovery.h"
#include "stream/TxFlows.h"

namespace {

#define KORVANE_READER_NAME_(x) #x
#define KORVANE_READER_NAME(x) KORVANE_READER_NAME_(x)
const std::string_view kReader = KORVANE_READER_NAME(KORVANE_FUZZ_READER);

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

// A directory of this process for the readers that take files.
// Kept alive to the very end: the clean-up at exit still needs the name.
const std::string& WorkDir() {
  static const std::string* dir = [] {
    auto* pattern =
        new std::string((std::filesystem::temp_directory_path() / "korvane-fuzz-XXXXXX").string());
    Require(::mkdtemp(pattern->data()) != nullptr);
    std::atexit([] { std::filesystem::remove_all(WorkDir()); });
    return pattern;
  }();
  return *dir;
}

// Answers every box as the fallback does, and counts them.
class TCountingDialogs : public Dialogs {
 public:
  int Boxes = 0;
  TMsgAnswer Message(const std::string&, TMsgKind, TMsgButtons buttons, int) override {
    ++Boxes;
    return buttons == TMsgButtons::Ok || buttons == TMsgButtons::OkCancel ? TMsgAnswer::Ok
                                                                          : TMsgAnswer::Yes;
  }
  bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
  bool OpenFileName(TFileDialogRequest&) override { return false; }
  bool SaveFileName(TFileDialogRequest&) override { return false; }
  void Beep() override { ++Boxes; }
  void Halt(int exitCode) override { throw EHalt{exitCode}; }
};

std::string Path(const char* name) {
  return WorkDir() + "/" + name;
}

void WriteFile(const std::string& name, std::string_view bytes) {
  int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  Require(fd >= 0);
  Require(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
  ::close(fd);
}

std::string ReadFile(const std::string& name) {
  TFile f;
  if (!f.Open(name, TOpenMode::Read)) return {};
  std::string bytes(static_cast<size_t>(f.Size()), '\0');
  Require(f.ReadAt(0, bytes.data(), static_cast<int64_t>(bytes.size())) ==
          static_cast<int64_t>(bytes.size()));
  return bytes;
}

// Open and Save: the saved file, or empty when the text does not open.
bool Normalize(const std::string& in, const std::string& out) {
  BulletFileName = Path("~korvane.bullet.file.fuzz.tmp");
  OutputFileName = Path("~korvane.reorg.file.fuzz.tmp");
  std::string first, page;
  try {
    auto work = ProcessInputFile(OpenInputFile(in, first, kMinBufferSize), page);
    return work && SaveOrAppend(*work, TSaveMode::Save, out, true);
  } catch (const EHalt&) {
    return false;  // a game the conversion asks about, answered by the halt
  }
}

// Whether every game of a saved file begins with its Event tag. A game that
// does not (the repair keeps one that starts at its White tag) runs, by the
// reader's game rule, up to the second "[Event " after it, so the next open
// takes the game after it in.
bool EveryGameHasItsEvent(const std::string& name) {
  TFStreamTxStr saved(name, "", "", TOpenMode::Read, kMinBufferSize);
  std::string game;
  try {
    while (!saved.GamesDone) {
      saved.ReadGame(game);
      if (!BeginsWithItsEvent(game)) return false;
    }
  } catch (const EChessException&) {
    return false;
  }
  return true;
}

std::string NonBlank(std::string_view text) {
  std::string kept;
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') kept += c;
  return kept;
}

// A file saved from a text that opened without a word opens again and saves to
// the same bytes. (A text the user was warned about and chose to keep may not,
// nor a game without its Event tag, see above.)
void FuzzStream(std::string_view text) {
  static TCountingDialogs dialogs;
  SetDialogs(&dialogs);
  dialogs.Boxes = 0;
  WriteFile(Path("in.pgn"), text);
  if (!Normalize(Path("in.pgn"), Path("once.pgn")) || dialogs.Boxes != 0) return;
  // Nothing but blanks goes without a word.
  Require(NonBlank(ReadFile(Path("once.pgn"))) == NonBlank(text));
  if (!EveryGameHasItsEvent(Path("once.pgn"))) return;
  Require(Normalize(Path("once.pgn"), Path("twice.pgn")));
  Require(ReadFile(Path("once.pgn")) == ReadFile(Path("twice.pgn")));
}

// The repaired copy has CR LF line ends only.
void FuzzRepair(std::string_view text) {
  WriteFile(Path("in.pgn"), text);
  if (!RepairConversion(Path("in.pgn"), Path("out.pgn"))) return;
  const std::string out = ReadFile(Path("out.pgn"));
  for (size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '\n') Require(i > 0 && out[i - 1] == '\r');
    if (out[i] == '\r') Require(i + 1 < out.size() && out[i + 1] == '\n');
  }
}

// Tokens played one by one: a move the position accepts never leaves its own
// side's king attacked.
void FuzzSan(std::string_view text) {
  TChessPosition pos;
  pos.ResetPosition(true);
  size_t at = 0;
  while (at < text.size() && pos.Ply < kMaxHalfMoves) {
    size_t end = text.find(' ', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view token = text.substr(at, end - at);
    at = end + 1;
    if (token.empty() || !pos.ReadSan(token) || !pos.ValidateMove()) continue;
    const int side = pos.CurMove.Side;
    pos.MakeMove();
    if (pos.CurMove.Failed || side == kNoColour) continue;
    Require(!pos.IsKingAttacked(side, false));
  }
}

// Errors point inside the movetext.
void FuzzParser(std::string_view text) {
  TParseLine line(nullptr, std::string(text), 0, 0);
  try {
    line.Parse();
  } catch (const ENotationException&) {
    Require(line.ErrorOffset >= 0 && line.ErrorLength >= 0);
    Require(static_cast<size_t>(line.ErrorOffset) <= text.size());
  }
}

// After a replay every position of its history has the side that just moved
// out of check, and a second replay gives the same outcome.
void FuzzReplay(std::string_view text) {
  TChessPosition pos;
  TReplayOutcome first;
  try {
    first = ReplayGame(text, pos);
  } catch (const EHalt&) {
    return;
  }
  Require(first.Plies >= 0 && first.Plies <= kMaxHalfMoves);
  for (int32_t ply = 1; ply <= pos.StoredCount && ply <= first.Plies; ++ply) {
    if (!pos.GoToPly(ply)) break;
    const int side = pos.HistoryRecord(ply).Side;
    if (side != kNoColour) Require(!pos.IsKingAttacked(side, false));
  }
  TChessPosition again;
  TReplayOutcome second = ReplayGame(text, again);
  Require(second.Status == first.Status && second.Plies == first.Plies &&
          second.Token == first.Token);
}

// The text an INI file writes reads back as the same file, and a written key
// reads back as written.
void FuzzIni(std::string_view text) {
  WriteFile(Path("a.ini"), text);
  TIniFile ini(Path("a.ini"));
  if (!ini.Load()) return;
  ini.ReadString("Options", "Flutter", "");
  ini.ReadInteger("Options", "Buffer", 7);
  const std::string written = ini.Text();
  WriteFile(Path("b.ini"), written);
  TIniFile again(Path("b.ini"));
  Require(again.Load() && again.Text() == written);
  again.WriteString("Fuzz", "Key", "value");
  Require(again.ReadString("Fuzz", "Key", "") == "value");
}

// Only entries whose line changed stay, each with its new line.
void FuzzFindList(std::string_view text) {
  TList2 list;
  const char* kLines[] = {"aa\r\n", "bb\r\n", "cc\r\n", "dd\r\n"};
  for (int i = 0; i < 4; ++i)
    list.Items.push_back(std::make_unique<TFoundLine>(kLines[i], "a", 1 + i / 2, (i % 2) * 4, 4));
  try {
    ReadBackList(list, text);
  } catch (const EFindListError&) {
    return;
  }
  Require(list.Count() <= 4);
  for (const auto& item : list.Items) Require(item->NewLine != item->Line);
}

// A line that unpacks packs again to a line that unpacks to the same game.
void FuzzPacked(std::string_view text) {
  static ppk::TCodec codec;
  std::string game, line, back;
  if (!codec.Unpack(text, game)) return;
  if (!codec.Pack(game, line)) return;
  Require(codec.Unpack(line, back) && back == game);
}

// A map that reads writes a text that reads to the same map.
void FuzzMap(std::string_view text) {
  TRecoveryMap map, again;
  if (!ParseRecoveryMap(std::string(text), map)) return;
  const std::string written = RecoveryMapText(map);
  Require(ParseRecoveryMap(written, again) && RecoveryMapText(again) == written);
  Require(again.Origin == map.Origin && again.Entries.size() == map.Entries.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (kReader == "stream") FuzzStream(text);
  if (kReader == "repair") FuzzRepair(text);
  if (kReader == "san") FuzzSan(text);
  if (kReader == "parser") FuzzParser(text);
  if (kReader == "replay") FuzzReplay(text);
  if (kReader == "ini") FuzzIni(text);
  if (kReader == "findlist") FuzzFindList(text);
  if (kReader == "packed") FuzzPacked(text);
  if (kReader == "map") FuzzMap(text);
  return 0;
}

#include "stream/TxFlows.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include "pgn/StrScan.h"
#include "pgn/TextDrops.h"
#include "settings/CTErrorU.h"
#include "settings/Dialogs.h"
#include "stream/FileIo.h"
#include "stream/Recovery.h"
#include "stream/SaveTarget.h"

namespace {

TProgressHook progressHook;

// The outer layer of a flow: a stream failure ends it quietly, anything else
// asks whether to go on. A halt always passes.
template <class Body>
bool Guarded(Body&& body) {
  try {
    body();
    return true;
  } catch (const EChessException&) {
    return false;
  } catch (const std::exception&) {
    AskCatchAll();
    return false;
  }
}

// The inner layer: shows the flow's own words, then passes the failure on.
template <class Body, class Words>
void Reported(Body&& body, Words&& words) {
  try {
    body();
  } catch (const std::exception&) {
    ShowMessage(words());
    throw;
  }
}

// The system's reason as a second line of a box ("\rCannot write /a/b.pgn: No
// space left on device."); empty when there is none.
std::string ReasonLine(std::string reason) {
  if (reason.empty()) return reason;
  reason[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(reason[0])));
  return "\r" + reason + ".";
}

// The reason of the save output's failure for a box about fileName: a folder
// that is not there is named as such.
std::string SaveReasonLine(const std::string& fileName) {
  const std::string reason = LastSaveFailure();
  if (reason.empty()) return reason;
  std::filesystem::path folder = std::filesystem::path(fileName).parent_path();
  std::error_code ec;
  if (!folder.empty() && !std::filesystem::is_directory(folder, ec))
    return "\r" + CannotWriteText(fileName);
  return ReasonLine(reason);
}

std::string LastErrorOf(const TFStreamText* s) {
  return s ? s->LastError : std::string();
}

constexpr char kBadBulletMessage[] =
    "One or more bad bullets across file pages.\r\nCorrections are recommended followed by Save "
    "As.\r\nRecord current game count for later validation.\r\n   This is a page error and may "
    "repeat if there are\r\nadditional pages.\r\n   The current save should not be interrupted "
    "since\r\ndoing so could lead to a zero-length file. To avoid\r\nbad bullets, use the bad "
    "bullet find macro (top of list)\r\nwhenever files opened show input errors.";

// Writes the games of one page as plain PGN: CR LF, the game from its first tag
// line to its last line, CR LF.
void WriteGamesOfPage(TSaveTarget& out, std::string_view page) {
  size_t at = NextBullet(page, 0);
  while (at != std::string_view::npos) {
    size_t next = NextBullet(page, at + 1);
    size_t end = next == std::string_view::npos ? page.size() : next;
    if (page.compare(at + 1, 2, "\r\n") != 0) {
      ShowMessage(kBadBulletMessage);
      size_t from = at + 1;
      while (from < page.size() && page[from] == ' ') ++from;
      // Only bullets go: a 0xB7 inside a line is a letter of the text.
      std::string rest = WithoutBullets(page, from);
      if (rest.size() >= 2 && rest.compare(rest.size() - 2, 2, "\r\n") == 0)
        rest.resize(rest.size() - 2);
      out.Write(rest);
      out.Write("\r\n");
      return;
    }
    size_t from = at + 1;
    while (page.compare(from + 2, 2, "\r\n") == 0 && from + 4 <= end) from += 2;
    size_t to = end;
    while (to >= from + 2 && page.compare(to - 2, 2, "\r\n") == 0) to -= 2;
    out.Write(page.substr(from, to - from));
    out.Write("\r\n");
    at = next;
  }
}

// Whether the file ends inside a line (its last line has no line end), so that
// text appended to it would join that line.
bool EndsInsideALine(const std::string& fileName) {
  TFile in;
  if (!in.Open(fileName, TOpenMode::Read)) return false;
  const int64_t size = in.Size();
  char last = '\n';
  return size > 0 && in.ReadAt(size - 1, &last, 1) == 1 && last != '\n';
}

uint64_t TickCount() {
  using namespace std::chrono;
  return static_cast<uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

std::unique_ptr<TFStreamTxStr> OpenInputFile(const std::string& fileName, std::string& firstText,
                                             int32_t bufferSize, TOpenFailure* failure) {
  std::unique_ptr<TFStreamTxStr> stream;
  bool ok = Guarded([&] {
    Reported(
        [&] {
          stream = std::make_unique<TFStreamTxStr>(fileName, BulletFileName, OutputFileName,
                                                   TOpenMode::Read, bufferSize);
          stream->Progress = ReportProgress;
        },
        [&] { return "error opening file " + fileName + "\r" + CannotReadText(fileName); });
    try {
      const char* cursor = nullptr;
      stream->LoadGameBuffer(cursor);
      firstText = stream->BufferText();
    } catch (const std::exception&) {
      const std::string message = LastErrorOf(stream.get());
      bool repairHelps = false;
      std::string text = "Error while reading file (" + message + ").\r" +
                         ReadFailureText(fileName, message, bufferSize, repairHelps);
      if (failure) {
        failure->Text = std::move(text);
        failure->RepairHelps = repairHelps;
      } else {
        ShowMessage(text);
      }
      throw;
    }
  });
  if (!ok) stream.reset();
  return stream;
}

std::string CannotReadText(const std::string& fileName) {
  struct stat st {};
  if (::stat(fileName.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    return "Cannot read " + fileName + ": it is a folder, not a file.";
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    ::close(fd);
    return "Cannot read " + fileName + ".";
  }
  const int error = errno;
  if (error == ENOENT) {
    const std::filesystem::path folder = std::filesystem::path(fileName).parent_path();
    std::error_code ec;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec))
      return "Cannot read " + fileName + ": the folder " + folder.string() + " does not exist.";
    return "Cannot read " + fileName + ": the file does not exist.";
  }
  return "Cannot read " + fileName + ": " + std::strerror(error) + ".";
}

std::string CannotWriteText(const std::string& fileName) {
  const std::string head = "Cannot write " + fileName + ": ";
  struct stat st {};
  const bool exists = ::stat(fileName.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return head + "a folder of that name is in the way.";
  std::filesystem::path folder = std::filesystem::path(fileName).parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec))
    return head + "the folder " + folder.string() + " does not exist.";
  const std::string& probe = exists ? fileName : folder.string();
  if (::access(probe.c_str(), W_OK) != 0) return head + std::strerror(errno) + ".";
  struct statvfs disk {};
  if (::statvfs(folder.c_str(), &disk) == 0 && disk.f_bavail == 0)
    return head + "the disk is full.";
  return "Cannot write " + fileName + ".";
}

std::string ReadFailureText(const std::string& fileName, const std::string& message,
                            int32_t bufferSize, bool& repairHelps) {
  repairHelps = false;
  if (message == "file is empty") return fileName + " is empty: it holds no games.";
  // What is wrong is read from the file's first megabyte, as the user sees it.
  std::string head(size_t{1} << 20, '\0');
  TFile in;
  int64_t got = in.Open(fileName, TOpenMode::Read) ? in.ReadAt(0, head.data(), 1 << 20) : -1;
  if (got < 0) return CannotReadText(fileName);
  head.resize(static_cast<size_t>(got));
  const std::string where = in.Size() > got ? "its first megabyte" : "it";
  std::string zeroAt;
  if (const size_t zero = head.find('\0'); zero != std::string::npos)
    zeroAt = std::to_string(zero);
  else if (message.starts_with("zero byte at offset "))
    zeroAt = message.substr(20, message.find(':') - 20);
  if (!zeroAt.empty())
    return fileName + " is not a PGN text file: it holds a zero byte at offset " + zeroAt +
           " (a program, a picture or a packed file?).";
  if (head.find("[Event ") == std::string::npos)
    return fileName + " is not a PGN file: " + where + " holds no [Event tag, so no game.";
  size_t bareLf = 0, bareCr = 0;
  for (size_t i = 0; i < head.size(); ++i) {
    if (head[i] == '\n' && (i == 0 || head[i - 1] != '\r')) ++bareLf;
    if (head[i] == '\r' && i + 1 < head.size() && head[i + 1] != '\n') ++bareCr;
  }
  if (bareLf > 0) {
    // The repair reads lines ending in LF and writes every one with CR LF.
    repairHelps = true;
    return fileName + ": its lines end in LF alone, not CR LF. The repair conversion writes " +
           "every line with CR LF.";
  }
  if (bareCr > 0)
    return fileName + ": its lines end in CR alone (old Macintosh line ends), not CR LF. " +
           "Convert its line ends to CR LF with a text editor and open it again.";
  if (message.find("too long") != std::string::npos ||
      message.find("buffer too small") != std::string::npos ||
      message.find("no full, valid game") != std::string::npos)
    return fileName + ": a game (or a line) in it is longer than the buffer size of " +
           std::to_string(bufferSize) + " bytes holds. Set a larger buffer size and open it again.";
  // Text between games or after a result: the repair drops it.
  repairHelps = true;
  if (message.starts_with("no valid, ending game result"))
    return fileName + ": text that is not part of a game stands after a game's result.";
  return fileName + " does not read as PGN games.";
}

std::unique_ptr<TFStreamTxStr> ProcessInputFile(std::unique_ptr<TFStreamTxStr> input,
                                                std::string& pageText) {
  if (!input) return nullptr;
  input->Progress = ReportProgress;
  bool ok = Guarded([&] {
    Reported([&] { input->ConvertToBulletFile(); },
             [&] {
               const std::string message = LastErrorOf(input.get());
               return "Error creating bullet file (" + message + ")." +
                      (message == "terminating error #8363" ? "\r" + CannotWriteText(BulletFileName)
                                                            : std::string());
             });
  });
  // What the conversion (and a repair conversion before it) took out or moved.
  if (const std::string dropped = TakeDropSummary(); !dropped.empty()) ShowMessage(dropped);
  int32_t bufferSize = input->BufferSize;
  const std::string origin = input->FileName();
  input.reset();
  if (!ok) return nullptr;
  return OpenBulletFile(bufferSize, pageText, origin);
}

std::unique_ptr<TFStreamTxStr> OpenBulletFile(int32_t bufferSize, std::string& pageText,
                                              const std::string& origin) {
  pageText = "Open failed";
  std::unique_ptr<TFStreamTxStr> stream;
  bool ok = Guarded([&] {
    Reported(
        [&] {
          stream = std::make_unique<TFStreamTxStr>(BulletFileName, "", "", TOpenMode::ReadWrite,
                                                   bufferSize);
          stream->Journal = MapFileNameOf(BulletFileName);
          stream->Origin = origin;
          stream->Progress = ReportProgress;
        },
        [] { return "Error opening bullet file\r" + CannotWriteText(BulletFileName); });
    Reported(
        [&] {
          stream->BuildPageMap();
          stream->GotoPage(1, pageText);
        },
        [&] { return "Error processing bullet file (" + LastErrorOf(stream.get()) + ")."; });
  });
  if (!ok) stream.reset();
  return stream;
}

std::unique_ptr<TFStreamTxStr> ReorganizeBulletFile(std::unique_ptr<TFStreamTxStr> stream) {
  if (!stream) return nullptr;
  stream->Progress = ReportProgress;
  bool ok = Guarded([&] {
    Reported([&] { stream->WriteAllPages(); },
             [&] {
               const std::string message = LastErrorOf(stream.get());
               return "Error reorganizing bullet file (" + message + ")." +
                      (message.find("write") != std::string::npos
                           ? "\r" + CannotWriteText(OutputFileName)
                           : std::string());
             });
  });
  if (!ok) stream.reset();
  return stream;
}

namespace {

// The value of a tag in a game's text ("?" when it has none).
std::string TagValueIn(std::string_view game, const std::string& tag) {
  const std::string head = "[" + tag + " \"";
  const size_t at = game.find(head);
  if (at == std::string_view::npos) return "?";
  const size_t from = at + head.size();
  const size_t to = game.find('"', from);
  if (to == std::string_view::npos || to - from > 60) return "?";
  return std::string(game.substr(from, to - from));
}

// A game as reorganisation writes it: its bytes from its bullet to the next.
struct TGameSize {
  int64_t Number = 0, Length = 0, Need = 0;
  int64_t NextLine = 0;  // the next game's first line: Open reads on to its end
  int32_t Page = 0;
  bool PageEnd = false;  // the game ends its page, so its length has the CR LF after it
  std::string Names;
};

// The largest game of the work file that its buffer size cannot hold once
// reorganised (Number 0: none). The reorganised file holds each page followed
// by CR LF, and its map is read back a buffer at a time: a buffer must reach
// from a game's bullet to the next one (the file's last game only has to fit).
TGameSize LargestMisfit(TFStreamTxStr& stream) {
  const int64_t buffer = stream.BufferSize;
  TGameSize game, worst;
  const auto close = [&](bool final) {
    const int64_t need = game.Length + (final ? 0 : 1);
    if (game.Number == 0 || need <= buffer || need <= worst.Need) return;
    worst = game;
    worst.Need = need;
  };
  const int32_t count = stream.PageCount();
  for (int32_t page = 1; page <= count; ++page) {
    const char* raw = nullptr;
    int32_t length = 0;
    if (stream.GotoPageRaw(page, raw, length) != page) throw ETextFileError("page read");
    const std::string_view text(raw, static_cast<size_t>(length));
    size_t segment = 0;
    for (size_t at = text.find(kBullet); at != std::string_view::npos;
         at = text.find(kBullet, at + 1)) {
      game.Length += static_cast<int64_t>(at - segment);
      close(false);
      const std::string_view own = text.substr(at, text.find(kBullet, at + 1) - at);
      if (worst.Number != 0 && worst.Number == game.Number) {
        const size_t from = std::min(own.find_first_not_of("\r\n", 1), own.size());
        worst.NextLine =
            static_cast<int64_t>(std::min(own.find("\r\n", from), own.size()) - from) + 2;
      }
      const int64_t number = game.Number + 1;
      game = TGameSize{};
      game.Number = number;
      game.Page = page;
      game.Names = TagValueIn(own, "White") + " - " + TagValueIn(own, "Black");
      segment = at;
    }
    game.Length += static_cast<int64_t>(text.size() - segment) + 2;
    game.PageEnd = true;
  }
  close(true);
  return worst;
}

}  // namespace

bool ReorgFitsBuffer(TFStreamTxStr& stream) {
  if (!stream.Map) return false;
  const int32_t remembered = stream.CurrentPage();
  TGameSize worst;
  const bool read = Guarded([&] {
    Reported([&] { worst = LargestMisfit(stream); },
             [&] { return "Error reorganizing bullet file (" + LastErrorOf(&stream) + ")."; });
  });
  const char* raw = nullptr;
  int32_t length = 0;
  stream.GotoPageRaw(remembered, raw, length);
  if (!read) return false;
  if (worst.Number == 0) return true;
  // The size advised holds the game when the saved file is opened again (Open
  // reads on to the end of the next game's first line) and reorganised (where
  // it may end a page). Buffer sizes go in steps of 10000.
  const int64_t bytes = worst.Length + (worst.PageEnd ? 0 : 2) + 1 + worst.NextLine;
  const int64_t fits = std::max<int64_t>((bytes + 9999) / 10000 * 10000, kMinBufferSize);
  std::string advice =
      fits <= kMaxBufferSize
          ? "Reorg needs a buffer size of at least " + std::to_string(fits) +
                ": save the file and open it again with that buffer size."
          : "No buffer size holds it (the largest is " + std::to_string(kMaxBufferSize) + ").";
  ShowMessage("Reorg refused: game " + std::to_string(worst.Number) + " (" + worst.Names +
              ", page " + std::to_string(worst.Page) + ") is " + std::to_string(worst.Length) +
              " bytes long, more than the buffer size of " + std::to_string(stream.BufferSize) +
              " holds.\r" + advice + "\rThe work file is unchanged.");
  return false;
}

void SwapReorgFile() {
  std::error_code ec;
  // The rename replaces the bullet file in one step: a crash finds either the
  // old file or the new one, never neither.
  if (!std::filesystem::exists(BulletFileName, ec) || ec)
    throw std::runtime_error("error on delete (ref: 8442)\rThe work file " + BulletFileName +
                             " is gone" + (ec ? ": " + ec.message() : std::string()) + ".");
  if (std::rename(OutputFileName.c_str(), BulletFileName.c_str()) != 0) {
    const int error = errno;
    throw std::runtime_error("error on rename (ref: 8443)\rCannot rename " + OutputFileName +
                             " to " + BulletFileName + ": " + std::strerror(error) + ".");
  }
}

bool SaveOrAppend(TFStreamTxStr& stream, TSaveMode mode, const std::string& fileName,
                  bool noPrompt) {
  if (!stream.Map) return false;
  int32_t remembered = stream.CurrentPage();
  std::string errorText;
  TSaveTarget out;
  const char* verb = mode == TSaveMode::Append ? "Append to" : "Overwrite";
  if (!noPrompt && std::filesystem::exists(fileName) &&
      Dlg().Message(std::string(verb) + " " + fileName + " ?", TMsgKind::Confirmation,
                    TMsgButtons::YesNo) != TMsgAnswer::Yes)
    return false;
  return Guarded([&] {
    Reported(
        [&] {
          if (!out.Open(fileName, mode == TSaveMode::Append)) {
            errorText =
                out.Refusal().empty() ? "error trying to create " + fileName : out.Refusal();
            throw ETextFileError(errorText);
          }
        },
        [&] {
          return "Error during save or append (" + errorText + LastErrorOf(&stream) + ")." +
                 (out.Refusal().empty() ? SaveReasonLine(fileName) : std::string());
        });
    Reported(
        [&] {
          try {
            // The first appended game starts on a line of its own, after the
            // blank line that parts games.
            if (mode == TSaveMode::Append && EndsInsideALine(fileName)) out.Write("\r\n");
            int32_t count = stream.PageCount();
            for (int32_t page = 1; page <= count; ++page) {
              const char* text = nullptr;
              int32_t length = 0;
              // A page that cannot be read back would be missing from the file.
              if (stream.GotoPageRaw(page, text, length) != page) throw ETextFileError("page read");
              WriteGamesOfPage(out, std::string_view(text, static_cast<size_t>(length)));
              ReportProgress(page, count);
            }
            out.Flush();
          } catch (const std::exception& e) {
            errorText = "I/O error on write. Save was incomplete (ref: 4254)";
            // A page of the work file that does not read back is no fault of
            // the target; the output's own failures carry the system's reason.
            ShowMessage(errorText + (std::string(e.what()) == "page read"
                                         ? "\rA page of the work file could not be read back."
                                         : ReasonLine(LastSaveFailure())));
            out.Abandon();
            throw;
          }
        },
        [&] { return "Write error (" + errorText + " " + LastErrorOf(&stream) + ")."; });
    if (!out.Commit()) {
      out.Abandon();
      ShowMessage("close error #9789" + ReasonLine(LastSaveFailure()));
      throw ETextFileError("close error #9789");
    }
    const char* text = nullptr;
    int32_t length = 0;
    stream.GotoPageRaw(remembered, text, length);
    if (mode != TSaveMode::Append) stream.SetOrigin(fileName);
  });
}

std::string NewWorkFileText(const std::string& dateText) {
  static constexpr const char* kLines[] = {"[Event \"?\"]",
                                           "[Site \"?\"]",
                                           nullptr,
                                           "[Round \"?\"]",
                                           "[White \"?\"]",
                                           "[Black \"?\"]",
                                           "[Result \"*\"]",
                                           "[WhiteElo \"0000\"]",
                                           "[BlackElo \"0000\"]",
                                           "[ECO \"C00\"]",
                                           "",
                                           "1.e4 *"};
  std::string text = "\xB7\r\n";
  for (const char* line : kLines) {
    text += line ? std::string(line) : "[Date \"" + dateText + "\"]";
    text += "\r\n";
  }
  return text;
}

bool CreateNewBulletFile(int32_t bufferSize, const std::string& dateText) {
  std::unique_ptr<TFStreamTxStr> stream;
  std::remove(MapFileNameOf(BulletFileName).c_str());
  return Guarded([&] {
    Reported(
        [&] {
          stream = std::make_unique<TFStreamTxStr>(BulletFileName, "", "", TOpenMode::Create,
                                                   bufferSize);
          stream->WriteString(NewWorkFileText(dateText));
        },
        [&] { return "Error creating bullet file (" + LastErrorOf(stream.get()) + ")."; });
  });
}

std::string TickDigits(uint64_t tickCount) {
  char text[32];
  std::snprintf(text, sizeof text, "%012llu", static_cast<unsigned long long>(tickCount));
  std::string s(text);
  return s.substr(s.size() - 8);
}

void InitWorkFileNames(const std::string& dir) {
  BulletFileName = dir + "~korvane.bullet.file." + TickDigits(TickCount()) + ".tmp";
  OutputFileName = dir + "~korvane.reorg.file." + TickDigits(TickCount()) + ".tmp";
}

void SetProgressHook(TProgressHook hook) {
  progressHook = std::move(hook);
}

void ReportProgress(int64_t done, int64_t total) {
  if (progressHook) progressHook(done, total);
}

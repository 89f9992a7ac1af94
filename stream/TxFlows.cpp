#include "stream/TxFlows.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include "pgn/StrScan.h"
#include "pgn/TextDrops.h"
#include "settings/CTErrorU.h"
#include "settings/Dialogs.h"
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

uint64_t TickCount() {
  using namespace std::chrono;
  return static_cast<uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

std::unique_ptr<TFStreamTxStr> OpenInputFile(const std::string& fileName, std::string& firstText,
                                             int32_t bufferSize) {
  std::unique_ptr<TFStreamTxStr> stream;
  bool ok = Guarded([&] {
    Reported(
        [&] {
          stream = std::make_unique<TFStreamTxStr>(fileName, BulletFileName, OutputFileName,
                                                   TOpenMode::Read, bufferSize);
        },
        [&] { return "error opening file " + fileName; });
    Reported(
        [&] {
          const char* cursor = nullptr;
          stream->LoadGameBuffer(cursor);
          firstText = stream->BufferText();
        },
        [&] { return "Error while reading file (" + LastErrorOf(stream.get()) + ")."; });
  });
  if (!ok) stream.reset();
  return stream;
}

std::unique_ptr<TFStreamTxStr> ProcessInputFile(std::unique_ptr<TFStreamTxStr> input,
                                                std::string& pageText) {
  if (!input) return nullptr;
  bool ok = Guarded([&] {
    Reported([&] { input->ConvertToBulletFile(); },
             [&] { return "Error creating bullet file (" + LastErrorOf(input.get()) + ")."; });
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
        },
        [] { return std::string("Error opening bullet file"); });
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
  bool ok = Guarded([&] {
    Reported([&] { stream->WriteAllPages(); },
             [&] { return "Error reorganizing bullet file (" + LastErrorOf(stream.get()) + ")."; });
  });
  if (!ok) stream.reset();
  return stream;
}

void SwapReorgFile() {
  std::error_code ec;
  // The rename replaces the bullet file in one step: a crash finds either the
  // old file or the new one, never neither.
  if (!std::filesystem::exists(BulletFileName, ec) || ec)
    throw std::runtime_error("error on delete (ref: 8442)");
  if (std::rename(OutputFileName.c_str(), BulletFileName.c_str()) != 0)
    throw std::runtime_error("error on rename (ref: 8443)");
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
        [&] { return "Error during save or append (" + errorText + LastErrorOf(&stream) + ")."; });
    Reported(
        [&] {
          try {
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
          } catch (const std::exception&) {
            errorText = "I/O error on write. Save was incomplete (ref: 4254)";
            ShowMessage(errorText);
            out.Abandon();
            throw;
          }
        },
        [&] { return "Write error (" + errorText + " " + LastErrorOf(&stream) + ")."; });
    if (!out.Commit()) {
      out.Abandon();
      ShowMessage("close error #9789");
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

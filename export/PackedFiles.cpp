#include "export/PackedFiles.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "pgn/StrScan.h"
#include "settings/Dialogs.h"
#include "stream/FileIo.h"
#include "stream/TxFlows.h"

namespace {

constexpr size_t kReadChunk = 1 << 16;
// A packed game line is far shorter; a longer one means the file is no packed
// file at all (a binary file, a device without line ends), and reading stops.
constexpr int64_t kMaxPackedLine = 1 << 20;

// Removes a file when the scope ends, unless kept.
class TRemoveAtEnd {
 public:
  explicit TRemoveAtEnd(std::string name) : name_(std::move(name)) {}
  ~TRemoveAtEnd() {
    std::error_code ec;
    if (!kept_) std::filesystem::remove(name_, ec);
  }
  TRemoveAtEnd(const TRemoveAtEnd&) = delete;
  TRemoveAtEnd& operator=(const TRemoveAtEnd&) = delete;
  void Keep() { kept_ = true; }

 private:
  std::string name_;
  bool kept_ = false;
};

// Reads a file line by line; a line longer than the library's buffer is kept
// only as far as the buffer holds it (the library then finds it damaged).
class TLineReader {
 public:
  explicit TLineReader(TFile& file) : file_(file), chunk_(kReadChunk) {}

  // False at the end of the file; raises "read/write error" when reading fails,
  // and a refusal when a line runs on past kMaxPackedLine bytes.
  bool Next(std::string& line) {
    line.clear();
    bool any = false;
    const int64_t lineStart = Position();
    ++lines_;
    for (;;) {
      if (Position() - lineStart > kMaxPackedLine) {
        throw EPackedFileError("not a packed file: line " + std::to_string(lines_) +
                               " has no line end within its first " +
                               std::to_string(kMaxPackedLine >> 20) + " MB");
      }
      if (at_ == got_) {
        const int64_t n = file_.ReadAt(offset_, chunk_.data(), static_cast<int64_t>(chunk_.size()));
        if (n < 0) throw EPackedFileError("read/write error");
        if (n == 0) break;
        offset_ += n;
        got_ = static_cast<size_t>(n);
        at_ = 0;
      }
      any = true;
      const char* from = chunk_.data() + at_;
      const void* lf = std::memchr(from, '\n', got_ - at_);
      const size_t take =
          lf ? static_cast<size_t>(static_cast<const char*>(lf) - from) : got_ - at_;
      if (line.size() < kPackBufferSize)
        line.append(from, std::min(take, kPackBufferSize - line.size()));
      at_ += take;
      if (lf) {
        ++at_;
        break;
      }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
  }

  int64_t Position() const { return offset_ - static_cast<int64_t>(got_ - at_); }

 private:
  TFile& file_;
  std::vector<char> chunk_;
  int64_t offset_ = 0;
  size_t at_ = 0;
  size_t got_ = 0;
  int64_t lines_ = 0;
};

bool IsBlankLine(std::string_view line) {
  return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

bool IsTrailingBlank(char c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == '\0';
}

[[noreturn]] void FailPackCheck(const std::string& message) {
  throw EPackedFileError(message + kPackErrorsHelp);
}

// Reads the remembered page again when a save ends, however it ends, so that
// the page in the editor and the stream's current page stay the same.
class TPageKeeper {
 public:
  explicit TPageKeeper(TFStreamTxStr& work) : work_(work), page_(work.CurrentPage()) {}
  ~TPageKeeper() {
    const char* text = nullptr;
    int32_t length = 0;
    work_.GotoPageRaw(page_, text, length);
  }
  TPageKeeper(const TPageKeeper&) = delete;
  TPageKeeper& operator=(const TPageKeeper&) = delete;

 private:
  TFStreamTxStr& work_;
  int32_t page_;
};

}  // namespace

int64_t UnpackToTemp(TPackingLibrary& library, const std::string& packedName,
                     const std::string& tempName, int64_t start, int64_t maximum) {
  TFile packed;
  if (!packed.Open(packedName, TOpenMode::Read)) throw EPackedFileError("file not found");
  TSaveTarget temp;
  if (!temp.Open(tempName, false)) throw EPackedFileError("write error");
  TLineReader reader(packed);
  const int64_t size = packed.Size();
  std::string line;
  int64_t number = 0;  // of the game lines read
  int64_t games = 0;
  try {
    while (games < maximum && reader.Next(line)) {
      if (IsBlankLine(line)) continue;
      if (++number < start) continue;
      if (!library.Unpack(line)) {
        ShowMessage("Unpacking error: (" + std::string(library.OutText()) + ")");
        throw EPackedFileError("notified error");
      }
      temp.Write("\r\n");
      temp.Write(library.OutText());
      temp.Write("\r\n");
      ++games;
      ReportProgress(reader.Position(), size);
    }
  } catch (const ETextFileError&) {
    throw EPackedFileError("read/write error");
  }
  if (games == 0) {
    // Count the rest too, so that the message says how many there are.
    while (reader.Next(line)) number += !IsBlankLine(line);
    throw EPackedFileError("No games selected (the packed file holds " + std::to_string(number) +
                           " games)");
  }
  try {
    temp.Write("\r\n\r\n");
    if (!temp.Commit()) throw ETextFileError("I/O err");
  } catch (const ETextFileError&) {
    throw EPackedFileError("I/O err");
  }
  return games;
}

std::unique_ptr<TFStreamTxStr> OpenUnpacked(const std::string& tempName, int32_t bufferSize) {
  try {
    return std::make_unique<TFStreamTxStr>(tempName, BulletFileName, OutputFileName,
                                           TOpenMode::Read, bufferSize);
  } catch (const EFileOpenError&) {
    throw EPackedFileError("error opening file");
  }
}

std::unique_ptr<TFStreamTxStr> OpenPacked(TPackingLibrary& library, const std::string& packedName,
                                          const std::string& tempName, int64_t start,
                                          int64_t maximum, int32_t bufferSize) {
  TRemoveAtEnd remove(tempName);
  UnpackToTemp(library, packedName, tempName, start, maximum);
  std::unique_ptr<TFStreamTxStr> stream = OpenUnpacked(tempName, bufferSize);
  remove.Keep();
  return stream;
}

std::string CheckGameForPacking(std::string_view page, size_t at, size_t& next) {
  if (!IsBulletAt(page, at)) FailPackCheck("1st bullet missing/misplaced");
  next = NextBullet(page, at + 1);
  if (next == std::string_view::npos) next = page.size();
  const size_t from = std::min(at + 3, next);
  std::string_view game = page.substr(from, next - from);
  if (game.substr(0, kEventTag.size()) != kEventTag) FailPackCheck("Event missing/misplaced");
  // The tag of the next game, not an "[EventDate" line: that one the library names.
  if (game.find(kEventTag, 1) != std::string_view::npos)
    FailPackCheck("multiple games between bullets");
  size_t end = game.size();
  while (end > 5 && IsTrailingBlank(game[end - 1])) --end;
  return std::string(game.substr(0, end));
}

int64_t PackPage(TPackingLibrary& library, std::string_view page, TSaveTarget& out,
                 int32_t pageNumber, int64_t gamesBefore) {
  int64_t games = 0;
  // A refused game is named by where it is, so that it can be found in a large file.
  const auto refuse = [&](const std::string& what, size_t at) {
    EPackedFileError error(what + "\r\rgame " + std::to_string(gamesBefore + games + 1) +
                           " of the file, on page " + std::to_string(pageNumber) + kPackErrorsHelp);
    error.Page = pageNumber;
    error.GameOffset = static_cast<int64_t>(at);
    throw error;
  };
  for (size_t at = 0; at < page.size();) {
    size_t next = 0;
    std::string game;
    try {
      game = CheckGameForPacking(page, at, next);
    } catch (const EPackedFileError& e) {
      const std::string_view text = e.what();
      refuse(std::string(text.substr(0, text.size() - std::string_view(kPackErrorsHelp).size())),
             at);
    }
    if (!library.Pack(game)) refuse("Pack Error (" + std::string(library.OutText()) + ")", at);
    out.Write(library.OutText());
    out.Write("\r\n");
    ++games;
    at = next;
  }
  return games;
}

int64_t PackAllPages(TPackingLibrary& library, TFStreamTxStr& work, const std::string& outputName) {
  TSaveTarget out;
  if (!out.Open(outputName, false)) throw EPackedFileError("error on opening output");
  int64_t games = 0;
  try {
    const int32_t count = work.PageCount();
    for (int32_t page = 1; page <= count; ++page) {
      const char* text = nullptr;
      int32_t length = 0;
      if (work.GotoPageRaw(page, text, length) != page) throw ETextFileError("page read");
      // A page added and left empty holds no game.
      if (length > 0)
        games += PackPage(library, std::string_view(text, static_cast<size_t>(length)), out, page,
                          games);
      ReportProgress(page, count);
    }
    if (!out.Commit()) throw ETextFileError("close");
  } catch (const std::exception& e) {
    const auto* packError = dynamic_cast<const EPackedFileError*>(&e);
    const std::string message = packError ? packError->what() : kPackIoError;
    out.Abandon();
    ShowMessage(message);
    EPackedFileError shown(message, true);
    if (packError) {
      shown.Page = packError->Page;
      shown.GameOffset = packError->GameOffset;
    }
    throw shown;
  }
  return games;
}

void AppendTempToTarget(const std::string& tempName, const std::string& packedName) {
  TFile temp;
  if (!temp.Open(tempName, TOpenMode::Read)) throw EPackedFileError("file not found");
  TFile old;
  if (!old.Open(packedName, TOpenMode::Read)) throw EPackedFileError("file not found");
  // The old lines and the added ones go into a new file that replaces the old
  // one only when complete: a run stopped at any moment leaves one or the other.
  TSaveTarget out;
  if (!out.Open(packedName, false)) throw EPackedFileError("error on opening output");
  try {
    std::vector<char> chunk(kReadChunk);
    auto copy = [&](const TFile& from) {
      char last = '\n';
      for (int64_t at = 0;;) {
        const int64_t n = from.ReadAt(at, chunk.data(), static_cast<int64_t>(chunk.size()));
        if (n < 0) throw ETextFileError("read");
        if (n == 0) break;
        out.Write(std::string_view(chunk.data(), static_cast<size_t>(n)));
        last = chunk[static_cast<size_t>(n - 1)];
        at += n;
      }
      return last;
    };
    // A last line without its line end must not run into the first added one.
    if (copy(old) != '\n') out.Write("\r\n");
    copy(temp);
    if (!out.Commit()) throw ETextFileError("close");
  } catch (const ETextFileError&) {
    out.Abandon();
    throw EPackedFileError(kPackIoError);
  }
}

bool IsPackedFile(TPackingLibrary& library, const std::string& packedName) {
  TFile file;
  if (!file.Open(packedName, TOpenMode::Read)) throw EPackedFileError("file not found");
  // The last line that is not blank: read back from the end, a chunk at a time.
  const int64_t size = file.Size();
  std::string tail;
  for (int64_t end = size; end > 0;) {
    const int64_t from = std::max<int64_t>(0, end - static_cast<int64_t>(kReadChunk));
    std::string chunk(static_cast<size_t>(end - from), '\0');
    if (file.ReadAt(from, chunk.data(), end - from) != end - from)
      throw EPackedFileError("read/write error");
    tail.insert(0, chunk);
    end = from;
    const size_t last = tail.find_last_not_of(" \t\r\n");
    if (last == std::string::npos) continue;
    const size_t lineStart = tail.rfind('\n', last);
    if (lineStart == std::string::npos && end > 0 &&
        static_cast<int64_t>(tail.size()) <= kMaxPackedLine)
      continue;
    const size_t begin = lineStart == std::string::npos ? 0 : lineStart + 1;
    return library.Unpack(std::string_view(tail).substr(begin, last + 1 - begin));
  }
  return true;  // empty: no games yet
}

int64_t SavePacked(TPackingLibrary& library, TFStreamTxStr& work, const std::string& packedName,
                   bool append, const std::string& tempName) {
  std::error_code ec;
  if (append && !std::filesystem::is_regular_file(packedName, ec))
    throw EPackedFileError("file not found");
  TPageKeeper keeper(work);
  TRemoveAtEnd remove(tempName);
  const int64_t games = PackAllPages(library, work, append ? tempName : packedName);
  if (append) AppendTempToTarget(tempName, packedName);
  return games;
}

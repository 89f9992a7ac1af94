#include "pgn/Repair.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "pgn/TextDrops.h"
#include "stream/FileIo.h"

namespace {

constexpr int64_t kChunk = 1 << 16;
constexpr std::array<std::string_view, 5> kResultWords = {"*", "1-0", "0-1", "1/2-1/2", "1/2"};

// Hands out the lines of a file split at LF, however long they are; a CR before
// the LF stays in the line (squeezing drops it).
class TLineReader {
 public:
  bool Open(const std::string& name) { return file_.Open(name, TOpenMode::Read); }
  bool Failed() const { return failed_; }

  // True while a line remains; a final LF does not start another line.
  bool More() {
    if (pos_ < buf_.size()) return true;
    if (eof_) return false;
    buf_.resize(kChunk);
    int64_t got = file_.ReadAt(offset_, buf_.data(), kChunk);
    if (got <= 0) {
      failed_ = got < 0;
      eof_ = true;
      buf_.clear();
      pos_ = 0;
      return false;
    }
    buf_.resize(static_cast<size_t>(got));
    offset_ += got;
    pos_ = 0;
    return true;
  }

  bool Next(std::string& line) {
    if (!More()) return false;
    line.clear();
    do {
      size_t lf = buf_.find('\n', pos_);
      if (lf != std::string::npos) {
        line.append(buf_, pos_, lf - pos_);
        pos_ = lf + 1;
        return true;
      }
      line.append(buf_, pos_);
      pos_ = buf_.size();
    } while (More());
    return true;
  }

 private:
  TFile file_;
  std::string buf_;
  size_t pos_ = 0;
  int64_t offset_ = 0;
  bool eof_ = false;
  bool failed_ = false;
};

// Collects lines and writes them in large pieces, remembering any failure.
class TLineWriter {
 public:
  bool Create(const std::string& name) { return file_.Open(name, TOpenMode::Create); }

  void Put(const std::string& line) {
    out_ += line;
    out_ += "\r\n";
    if (static_cast<int64_t>(out_.size()) >= kChunk) Flush();
  }

  bool Finish() {
    Flush();
    return file_.Close() && ok_;
  }

 private:
  void Flush() {
    if (ok_ && !out_.empty()) ok_ = file_.WriteAt(offset_, out_.data(), std::ssize(out_));
    offset_ += std::ssize(out_);
    out_.clear();
  }

  TFile file_;
  std::string out_;
  int64_t offset_ = 0;
  bool ok_ = true;
};

std::string_view LastWord(std::string_view line) {
  size_t space = line.rfind(' ');
  return space == std::string_view::npos ? line : line.substr(space + 1);
}

bool EndsGame(std::string_view line) {
  std::string_view last = LastWord(line);
  for (std::string_view word : kResultWords)
    if (last == word) return true;
  return false;
}

class TRepair {
 public:
  TRepair(TLineReader& in, TLineWriter& out) : in_(in), out_(out) {}

  void Run() {
    std::string line;
    out_.Put("");
    for (;;) {
      if (!FindEvent(line)) return;
      ++games_;
      const std::string event = line;
      std::vector<std::string> tags;
      const bool more = CopyTags(line, tags);
      PutTags(event, tags);
      if (!more) return;
      out_.Put("");
      while (line.empty() && Read(line)) {
      }
      CopyMovetext(line);
      if (!in_.More()) return;
      out_.Put("");
    }
  }

 private:
  bool Read(std::string& line) {
    if (!in_.Next(line)) return false;
    SqueezeLine(line);
    return true;
  }

  // Drops lines up to the next Event line, and reports them. An Event line
  // with nothing after it is no game and is dropped as well. Tag lines right
  // above the Event line are kept for the game it begins.
  bool FindEvent(std::string& line) {
    std::string skipped;
    while (Read(line)) {
      if (line.starts_with("[Event ") && in_.More()) {
        SplitTrailingTagLines(skipped, carried_);
        if (!skipped.empty()) ReportSkipped(skipped);
        return true;
      }
      if (!line.empty()) skipped += line + "\r\n";
    }
    carried_.clear();
    if (!skipped.empty()) ReportSkipped(skipped);
    return false;
  }

  // Lines between games belong to the game before (after its result), or to
  // the first game when they stand before it.
  void ReportSkipped(const std::string& skipped) const {
    if (games_ == 0)
      ReportTextDrop({1, TDropKind::BeforeTags, skipped});
    else
      ReportTextDrop({games_, TDropKind::AfterResult, skipped});
  }

  // Collects the tag lines after the Event line; line becomes the first other
  // line. False when the input ends within the tags.
  bool CopyTags(std::string& line, std::vector<std::string>& tags) {
    while (Read(line)) {
      if (!line.starts_with('[')) return true;
      tags.push_back(line);
    }
    return false;
  }

  // Writes the Event line, the tag lines found above it that the game lacks,
  // and the game's own tag lines.
  void PutTags(const std::string& event, const std::vector<std::string>& tags) {
    std::string game = "\r\n" + event + "\r\n";
    for (const std::string& tag : tags) game += tag + "\r\n";
    std::string refused;
    const std::string moved = MoveTagsBelowEvent(game, carried_, refused);
    carried_.clear();
    if (!moved.empty()) ReportTextDrop({games_, TDropKind::TagsMoved, moved});
    if (!refused.empty()) ReportTextDrop({games_, TDropKind::BetweenGames, refused});
    for (size_t at = 2; at < game.size();) {
      const size_t end = game.find("\r\n", at);
      out_.Put(game.substr(at, end - at));
      at = end + 2;
    }
  }

  // Writes lines through the one ending in a result. A game without one takes
  // everything up to the next result line, whatever lies between.
  void CopyMovetext(std::string& line) {
    for (;;) {
      if (LastWord(line) == "1/2") line += "-1/2";
      bool last = !in_.More();
      if (!(last && line.empty())) out_.Put(line);
      if (last || EndsGame(line)) return;
      Read(line);
    }
  }

  TLineReader& in_;
  TLineWriter& out_;
  int64_t games_ = 0;    // Event lines written so far
  std::string carried_;  // tag lines found right above the next Event line, CR LF each
};

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec);
}

}  // namespace

void SqueezeLine(std::string& line) {
  size_t kept = 0;
  for (char c : line) {
    if (c == '\r') continue;
    if (c == '\t') c = ' ';
    // A space is kept only after a non-space, which also drops leading ones.
    if (c == ' ' && (kept == 0 || line[kept - 1] == ' ')) continue;
    line[kept++] = c;
  }
  if (kept > 0 && line[kept - 1] == ' ') --kept;
  line.resize(kept);
}

bool RepairConversion(const std::string& sourceName, const std::string& targetName) {
  TLineReader in;
  if (!in.Open(sourceName)) return false;
  if (SameFile(sourceName, targetName)) return false;
  TLineWriter out;
  if (!out.Create(targetName)) return false;
  TRepair(in, out).Run();
  bool ok = out.Finish() && !in.Failed();
  // A partial copy would open as if whole and lose the games it misses.
  if (!ok) {
    std::error_code ec;
    std::filesystem::remove(targetName, ec);
  }
  return ok;
}

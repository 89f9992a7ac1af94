#include "stream/Recovery.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>

#include "settings/Dialogs.h"
#include "stream/FileIo.h"
#include "stream/TxFlows.h"

namespace {

namespace fs = std::filesystem;

constexpr char kMapHeader[] = "korvane page map 1";
constexpr char kBulletPrefix[] = "~korvane.bullet.file.";
constexpr char kReorgPrefix[] = "~korvane.reorg.file.";

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unhex(const std::string& hex, std::string& bytes) {
  if (hex.size() % 2 != 0) return false;
  bytes.clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes += static_cast<char>(hi * 16 + lo);
  }
  return true;
}

// A plain decimal number of at most 19 digits; no sign, no blanks.
bool ParseNumber(const std::string& s, uint64_t& value) {
  if (s.empty() || s.size() > 19) return false;
  value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return true;
}

// Splits text into lines at '\n'; the text must end with one.
bool SplitLines(const std::string& text, std::vector<std::string>& lines) {
  if (text.empty() || text.back() != '\n') return false;
  size_t at = 0;
  while (at < text.size()) {
    size_t nl = text.find('\n', at);
    lines.push_back(text.substr(at, nl - at));
    at = nl + 1;
  }
  return true;
}

// "key value" with one blank.
bool KeyValue(const std::string& line, const char* key, std::string& value) {
  size_t n = std::strlen(key);
  if (line.size() < n + 1 || line.compare(0, n, key) != 0 || line[n] != ' ') return false;
  value = line.substr(n + 1);
  return true;
}

bool KeyNumber(const std::string& line, const char* key, uint64_t& number) {
  std::string value;
  return KeyValue(line, key, value) && ParseNumber(value, number);
}

std::string DigitsOf(const std::string& fileName, const char* prefix) {
  std::string rest = fileName.substr(std::strlen(prefix));
  return rest.substr(0, rest.find('.'));
}

uint64_t InodeOf(const std::string& name) {
  struct stat st {};
  return ::stat(name.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_ino) : 0;
}

int renameCalls = 0;
int failingRename = 0;

// A rename of a recovery step; the test hook can make it fail.
bool RenameFile(const std::string& from, const std::string& to) {
  ++renameCalls;
  if (failingRename != 0 && renameCalls == failingRename) {
    failingRename = 0;
    return false;
  }
  return std::rename(from.c_str(), to.c_str()) == 0;
}

// True when every page of the map lies inside the file and starts a record.
bool MapFitsFile(const TRecoveryMap& map, const TFStreamTxStr& stream) {
  int64_t size = stream.FileSize();
  if (size < 0 || map.Entries.empty()) return false;
  char head[sizeof kRecordStart];
  for (const TBufMapEntry& e : map.Entries) {
    if (e.Offset < 0 || e.Length < 0 || e.Games < 0 || e.Offset > size - e.Length) return false;
    if (e.Length == 0) continue;
    if (e.Length < static_cast<int32_t>(kRecordStart.size()) || e.Games == 0) return false;
    if (stream.ReadHead(e.Offset, head, static_cast<int64_t>(kRecordStart.size())) !=
        static_cast<int64_t>(kRecordStart.size()))
      return false;
    if (std::string_view(head, kRecordStart.size()) != kRecordStart) return false;
  }
  return true;
}

}  // namespace

std::string MapFileNameOf(const std::string& bulletName) {
  if (EndsWith(bulletName, ".tmp")) return bulletName.substr(0, bulletName.size() - 4) + ".map";
  return bulletName + ".map";
}

std::string RecoveryMapText(const TRecoveryMap& map) {
  std::string text = kMapHeader;
  text += "\norigin " + Hex(map.Origin);
  text += "\nbuffer " + std::to_string(map.BufferSize);
  text += "\ninode " + std::to_string(map.Inode);
  text += "\ncurrent " + std::to_string(map.Current);
  text += "\npages " + std::to_string(map.Entries.size()) + "\n";
  for (const TBufMapEntry& e : map.Entries) {
    text += std::to_string(e.Offset) + ' ' + std::to_string(e.Length) + ' ' +
            std::to_string(e.Games) + '\n';
  }
  text += "end\n";
  return text;
}

bool ParseRecoveryMap(const std::string& text, TRecoveryMap& map) {
  std::vector<std::string> lines;
  if (!SplitLines(text, lines) || lines.size() < 7 || lines[0] != kMapHeader) return false;
  std::string originHex;
  uint64_t buffer = 0, inode = 0, current = 0, pages = 0;
  if (!KeyValue(lines[1], "origin", originHex) && lines[1] != "origin ") return false;
  TRecoveryMap read;
  if (!Unhex(originHex, read.Origin)) return false;
  if (!KeyNumber(lines[2], "buffer", buffer) || !KeyNumber(lines[3], "inode", inode) ||
      !KeyNumber(lines[4], "current", current) || !KeyNumber(lines[5], "pages", pages))
    return false;
  if (buffer < static_cast<uint64_t>(kMinBufferSize) ||
      buffer > static_cast<uint64_t>(kMaxBufferSize) || pages == 0 ||
      pages > static_cast<uint64_t>(cMaxMap) || current == 0 || current > pages ||
      lines.size() != pages + 7 || lines.back() != "end")
    return false;
  read.BufferSize = static_cast<int32_t>(buffer);
  read.Inode = inode;
  read.Current = static_cast<int32_t>(current);
  constexpr auto kMaxLength = static_cast<uint64_t>(std::numeric_limits<int32_t>::max() / 2);
  for (size_t i = 6; i < lines.size() - 1; ++i) {
    const std::string& line = lines[i];
    size_t a = line.find(' ');
    size_t b = a == std::string::npos ? a : line.find(' ', a + 1);
    if (b == std::string::npos) return false;
    uint64_t offset = 0, length = 0, games = 0;
    if (!ParseNumber(line.substr(0, a), offset) ||
        !ParseNumber(line.substr(a + 1, b - a - 1), length) ||
        !ParseNumber(line.substr(b + 1), games))
      return false;
    if (offset > static_cast<uint64_t>(std::numeric_limits<int64_t>::max() / 2) ||
        length > kMaxLength || games > length)
      return false;
    read.Entries.push_back(
        {static_cast<int64_t>(offset), static_cast<int32_t>(length), static_cast<int32_t>(games)});
  }
  map = std::move(read);
  return true;
}

bool WriteRecoveryMapFile(const std::string& name, const TRecoveryMap& map) {
  const std::string temp = name + ".new";
  const std::string text = RecoveryMapText(map);
  TFile out;
  bool ok = out.Open(temp, TOpenMode::Create) &&
            out.WriteAt(0, text.data(), static_cast<int64_t>(text.size())) && out.Sync();
  ok = out.Close() && ok;
  if (ok && std::rename(temp.c_str(), name.c_str()) == 0) return true;
  std::error_code ec;
  fs::remove(temp, ec);
  return false;
}

bool ReadRecoveryMapFile(const std::string& name, TRecoveryMap& map) {
  TFile in;
  if (!in.Open(name, TOpenMode::Read)) return false;
  int64_t size = in.Size();
  // The largest map: 10000 lines of three 19-digit numbers, and the header.
  if (size <= 0 || size > int64_t{1} << 22) return false;
  std::string text(static_cast<size_t>(size), '\0');
  if (in.ReadAt(0, text.data(), size) != size) return false;
  return ParseRecoveryMap(text, map);
}

std::vector<TStaleWorkFile> FindRecoverableWorkFiles(const std::string& dir) {
  std::vector<TStaleWorkFile> found;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.rfind(kBulletPrefix, 0) != 0 || !EndsWith(name, ".tmp")) continue;
    std::string bullet = it->path().string();
    if (bullet == BulletFileName || IsHeldByAnyone(bullet)) continue;
    TStaleWorkFile stale;
    stale.Bullet = bullet;
    stale.MapFile = MapFileNameOf(bullet);
    if (!ReadRecoveryMapFile(stale.MapFile, stale.Map)) continue;
    stale.Reorg =
        (it->path().parent_path() / (kReorgPrefix + DigitsOf(name, kBulletPrefix) + ".tmp"))
            .string();
    auto time = fs::last_write_time(it->path(), ec);
    // The file clock has an epoch of its own: go through the system clock so
    // that the time shown is the wall-clock time of the last change.
    stale.ModifiedAt = ec ? 0
                          : std::chrono::duration_cast<std::chrono::seconds>(
                                std::chrono::file_clock::to_sys(time).time_since_epoch())
                                .count();
    found.push_back(std::move(stale));
  }
  std::stable_sort(
      found.begin(), found.end(),
      [](const TStaleWorkFile& a, const TStaleWorkFile& b) { return a.ModifiedAt > b.ModifiedAt; });
  return found;
}

void DeleteWorkFileSet(const TStaleWorkFile& stale) {
  std::error_code ec;
  for (const std::string& name :
       {stale.Bullet, stale.MapFile, stale.MapFile + ".new", stale.Reorg}) {
    if (!name.empty() && !IsHeldByAnyone(name)) fs::remove(name, ec);
  }
}

bool AdoptWorkFile(const TStaleWorkFile& stale) {
  if (BulletFileName.empty()) return false;
  const std::string mapName = MapFileNameOf(BulletFileName);
  if (!RenameFile(stale.Bullet, BulletFileName)) return false;
  if (!RenameFile(stale.MapFile, mapName)) {
    RenameFile(BulletFileName, stale.Bullet);
    return false;
  }
  std::error_code ec;
  fs::remove(stale.MapFile + ".new", ec);
  if (!stale.Reorg.empty() && !IsHeldByAnyone(stale.Reorg)) fs::remove(stale.Reorg, ec);
  return true;
}

bool RestoreWorkFile(const TStaleWorkFile& stale) {
  if (BulletFileName.empty()) return false;
  const std::string mapName = MapFileNameOf(BulletFileName);
  if (!RenameFile(mapName, stale.MapFile)) return false;
  if (!RenameFile(BulletFileName, stale.Bullet)) {
    RenameFile(stale.MapFile, mapName);
    return false;
  }
  return true;
}

void SetRecoveryRenameFaultAtCall(int n) {
  failingRename = n > 0 ? renameCalls + n : 0;
}

std::unique_ptr<TFStreamTxStr> OpenRecoveredBulletFile(const TRecoveryMap& map,
                                                       std::string& pageText) {
  pageText.clear();
  std::unique_ptr<TFStreamTxStr> stream;
  try {
    stream = std::make_unique<TFStreamTxStr>(BulletFileName, "", "", TOpenMode::ReadWrite,
                                             map.BufferSize);
    stream->Journal = MapFileNameOf(BulletFileName);
    stream->Origin = map.Origin;
    stream->Progress = ReportProgress;
    if (map.Inode == InodeOf(BulletFileName) && MapFitsFile(map, *stream)) {
      stream->Map = std::make_unique<TBufMap>();
      for (const TBufMapEntry& e : map.Entries) stream->Map->Add(e.Offset, e.Length, e.Games);
      stream->Map->Compact();
      stream->Mapped = true;
      if (!stream->SaveRecoveryMap()) stream->Fail("I/O error on write");
    } else {
      // The map was written for the file before a reorganisation (or does not
      // fit): the file in place is compact, so its pages can be read afresh.
      stream->BuildPageMap();
    }
    stream->GotoPage(std::min(map.Current, stream->PageCount()), pageText);
  } catch (const std::exception& e) {
    ShowMessage(std::string("Error recovering bullet file (") + e.what() + ").");
    return nullptr;
  }
  return stream;
}

int DeleteStaleWorkFiles(const std::string& dir) {
  int deleted = 0;
  std::error_code ec;
  std::vector<fs::path> names;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().filename().string().rfind("~korvane.", 0) == 0 && it->is_regular_file(ec))
      names.push_back(it->path());
  }
  for (const fs::path& path : names) {
    const std::string name = path.filename().string();
    const std::string full = path.string();
    bool remove = false;
    if (name.rfind(kBulletPrefix, 0) == 0 &&
        (EndsWith(name, ".map") || EndsWith(name, ".map.new"))) {
      // A map file goes with its bullet file: kept while that is held or recoverable.
      std::string digits = DigitsOf(name, kBulletPrefix);
      std::string bullet = (path.parent_path() / (kBulletPrefix + digits + ".tmp")).string();
      bool bulletThere = fs::exists(bullet, ec);
      remove = EndsWith(name, ".map") ? !bulletThere : !IsHeldByAnyone(bullet);
    } else if (!IsHeldByAnyone(full)) {
      TRecoveryMap map;
      bool recoverable =
          name.rfind(kBulletPrefix, 0) == 0 && ReadRecoveryMapFile(MapFileNameOf(full), map);
      remove = !recoverable;
    }
    if (remove && fs::remove(path, ec)) ++deleted;
  }
  return deleted;
}

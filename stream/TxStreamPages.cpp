// The bullet work file of TFStreamTxStr: its page map, reading pages, writing
// them back (with the recovery map file), and writing all pages out in order.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "pgn/StrScan.h"
#include "stream/Recovery.h"
#include "stream/TxStream.h"

// ---- TBufMap

TBufMap::TBufMap() {
  Entries.reserve(cMaxMap);
}

void TBufMap::Add(int64_t offset, int32_t length, int32_t games) {
  // Refused before counting, so that Count never names an entry that is not there.
  if (Count >= cMaxMap) throw EChessException("cMaxMap exceeded");
  Entries.push_back({offset, length, games});
  ++Count;
}

void TBufMap::Compact() {
  Entries.shrink_to_fit();
  Compacted = true;
}

// ---- TFStreamTxStr: the page map and its pages

void TFStreamTxStr::ReadMapPage(int64_t fileSize) {
  if (!Map) Map = std::make_unique<TBufMap>();
  int64_t p = Pos;
  char* b = Buffer.data();
  int64_t got = File.ReadAt(p, b, BufferSize);
  if (got < 0) Fail("I/O error on read");
  Pos = p + got;
  bool last = Pos >= fileSize;
  b[got] = '\0';
  size_t textLength = std::strlen(b);
  int32_t bullets = 0;
  const char* lastBullet = nullptr;
  for (const char* q = b; (q = static_cast<const char*>(
                               std::memchr(q, kBullet, textLength - static_cast<size_t>(q - b))));
       ++q) {
    if (q != b && q[-1] != '\n') continue;  // a 0xB7 inside a line is text
    ++bullets;
    lastBullet = q;
  }
  if (bullets == 0) Fail("game too big/buffer too small");
  int32_t length = last ? static_cast<int32_t>(textLength) : static_cast<int32_t>(lastBullet - b);
  int32_t games = last ? bullets : bullets - 1;
  if (length == 0) Fail("logic error #8536");
  try {
    Map->Add(p, length, games);
  } catch (const EChessException& e) {
    Fail(e.what());
  }
  if (!last) {
    Pos = p + length;
  } else if (Pos != fileSize) {
    Fail("read past eof");
  }
}

void TFStreamTxStr::BuildPageMap() {
  Reset(true);
  int64_t fileSize = File.Size();
  if (fileSize < 0) Fail("I/O error on read");
  Mapped = false;
  do {
    ReadMapPage(fileSize);
    if (Progress) Progress(Pos, fileSize);
  } while (Pos < fileSize);
  Map->Compact();
  Reset(false);
  Mapped = true;
  if (!SaveRecoveryMap()) Fail("I/O error on write");
}

int32_t TFStreamTxStr::CurrentPage() const {
  return Map ? Map->Current : 0;
}

int32_t TFStreamTxStr::PageCount() const {
  return Map ? Map->Count : 0;
}

int32_t TFStreamTxStr::ReadPage(int32_t page, std::string* copy, const char** raw,
                                int32_t* length) {
  if (copy) copy->clear();
  if (raw) *raw = "";
  if (length) *length = 0;
  const TBufMapEntry& e = Map->Entry(page);
  // A page written back with its closing CR LF may pass the buffer by a little;
  // the buffer grows so that every page that was written can be read back.
  if (e.Length > BufferLength()) SetBufferLength(e.Length + 2000);
  char* b = Buffer.data();
  if (File.ReadAt(e.Offset, b, e.Length) != e.Length) return 0;
  b[e.Length] = '\0';
  Pos = e.Offset + e.Length;
  if (copy) copy->assign(b, static_cast<size_t>(e.Length));
  if (raw) *raw = b;
  if (length) *length = e.Length;
  return page;
}

int32_t TFStreamTxStr::FirstPage(std::string& text) {
  return GotoPage(1, text);
}

int32_t TFStreamTxStr::LastPage(std::string& text) {
  return Map ? GotoPage(Map->Count, text) : 0;
}

int32_t TFStreamTxStr::NextPage(std::string& text) {
  if (!Map || Map->Current >= Map->Count) return 0;
  return GotoPage(Map->Current + 1, text);
}

int32_t TFStreamTxStr::PrevPage(std::string& text) {
  if (!Map || Map->Current < 2) return 0;
  return GotoPage(Map->Current - 1, text);
}

int32_t TFStreamTxStr::GotoPage(int32_t n, std::string& text) {
  text.clear();
  if (!Map || Map->Count == 0) return 0;
  Map->Current = std::clamp(n, 1, Map->Count);
  return ReadPage(Map->Current, &text, nullptr, nullptr);
}

int32_t TFStreamTxStr::GotoPageRaw(int32_t n, const char*& text, int32_t& length) {
  text = "";
  length = 0;
  if (!Map || Map->Count == 0) return 0;
  Map->Current = std::clamp(n, 1, Map->Count);
  return ReadPage(Map->Current, nullptr, &text, &length);
}

int64_t TFStreamTxStr::FindFreeOffset(int32_t length) const {
  std::vector<std::pair<int64_t, int64_t>> spans;  // offset, end
  spans.reserve(static_cast<size_t>(Map->Count));
  for (const auto& e : Map->Entries) spans.emplace_back(e.Offset, e.Offset + e.Length);
  std::sort(spans.begin(), spans.end());
  if (spans.empty() || spans.front().first >= length) return 0;
  // Gaps are measured from the furthest end so far: an empty page standing
  // inside another page's span must not open a false gap there.
  int64_t reach = 0;
  for (size_t i = 0; i + 1 < spans.size(); ++i) {
    reach = std::max(reach, spans[i].second);
    if (spans[i + 1].first - reach >= length) return reach;
  }
  return File.Size();
}

void TFStreamTxStr::PutPage(int64_t offset, const std::string& text, int64_t sizeBefore) {
  auto length = static_cast<int64_t>(text.size());
  if (File.WriteAt(offset, text.data(), length) && (Journal.empty() || File.Sync())) return;
  // A page that went past the old end leaves no partial tail behind; the old
  // copy of a moved page was never touched.
  if (offset + length > sizeBefore) File.Truncate(sizeBefore);
  Fail("i/o error on bullet write");
}

// No write ever goes over bytes that a page of the map on disk (the recovery
// map file) or in memory still uses, so neither a failed write nor a crash can
// leave a half-written page behind. A page that grew goes into a gap or to the
// end. A page that still fits its place is first written at the end and the
// map pointed there; only then is it copied into its place, the map pointed
// back and the end cut off again.
int64_t TFStreamTxStr::WritePage(std::string& text) {
  if (!Map || Map->Count == 0) return 0;
  if (!text.empty() && (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0))
    text += "\r\n";
  if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max() / 2))
    Fail("i/o error on bullet write");
  auto length = static_cast<int32_t>(text.size());
  int32_t games = text.empty() ? 0 : CountBullets(*this, text);
  TBufMapEntry& entry = Map->Entry(Map->Current);
  const TBufMapEntry old = entry;
  int64_t sizeBefore = File.Size();
  if (sizeBefore < 0) Fail("i/o error on bullet write");
  const bool inPlace = old.Length >= length;
  const int64_t first = inPlace ? sizeBefore : FindFreeOffset(length);
  if (length > 0) PutPage(first, text, sizeBefore);
  entry = {length > 0 ? first : old.Offset, length, games};
  if (!SaveRecoveryMap()) {
    entry = old;
    if (first + length > sizeBefore) File.Truncate(sizeBefore);
    Fail("i/o error on bullet write");
  }
  if (!inPlace || length == 0) return File.Size();
  // The page is committed now; a failure from here on only leaves it at the end.
  if (!File.WriteAt(old.Offset, text.data(), length) || (!Journal.empty() && !File.Sync()))
    return File.Size();
  entry.Offset = old.Offset;
  if (!SaveRecoveryMap()) {
    entry.Offset = first;
    return File.Size();
  }
  File.Truncate(sizeBefore);
  return File.Size();
}

int64_t TFStreamTxStr::AddPage() {
  if (!Map) return 0;
  int64_t size = File.Size();
  try {
    Map->Add(size, 0, 0);
  } catch (const EChessException& e) {
    Fail(e.what());
  }
  if (!SaveRecoveryMap()) {
    Map->Entries.pop_back();
    --Map->Count;
    Fail("i/o error on bullet write");
  }
  return size;
}

bool TFStreamTxStr::SaveRecoveryMap() {
  if (Journal.empty() || !Map) return true;
  TRecoveryMap map;
  map.Origin = Origin;
  map.BufferSize = BufferSize;
  struct stat st {};
  if (fstat(File.Fd(), &st) != 0) return false;
  map.Inode = static_cast<uint64_t>(st.st_ino);
  map.Current = std::clamp(Map->Current, 1, std::max(Map->Count, 1));
  map.Entries = Map->Entries;
  return WriteRecoveryMapFile(Journal, map);
}

void TFStreamTxStr::SetOrigin(const std::string& fileName) {
  Origin = fileName;
  SaveRecoveryMap();
}

void TFStreamTxStr::WriteAllPages() {
  if (OutputFileName.empty()) Fail("logic 6839");
  TFile out;
  if (!out.Open(OutputFileName, TOpenMode::Create)) Fail("terminating error #6363");
  int64_t at = 0;
  std::string text;
  int32_t count = PageCount();
  for (int32_t page = 1; page <= count; ++page) {
    if (GotoPage(page, text) != page) Fail("terminating error #6923");
    text += "\r\n";
    if (!out.WriteAt(at, text.data(), static_cast<int64_t>(text.size())))
      Fail("I/O error on write");
    at += static_cast<int64_t>(text.size());
    if (Progress) Progress(page, count);
  }
  if (!out.Sync() || !out.Close()) Fail("I/O error on write");
  Reset(true);
}

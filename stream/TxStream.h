// The game text stream (reading a PGN file one whole game at a time through one
// fixed buffer) and the bullet work file with its page map.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "pgn/StrScan.h"
#include "stream/FileIo.h"

// The one exception the stream classes raise; its message is one of their fixed texts.
class EChessException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file stream's own failure to open its file (not an EChessException).
class EFileOpenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr int32_t kBufferSlack = 52000;  // 50000 for a grown page, 2000 spare
inline constexpr int32_t kMinBufferSize = 10000;
inline constexpr int32_t kMaxBufferSize = 900000;
inline constexpr int32_t kDefaultBufferSize = 100000;
inline constexpr int32_t cMaxMap = 10000;
inline constexpr std::string_view kEventTag = "[Event ";
inline constexpr std::string_view kRecordStart = "\xB7\r\n[Event ";  // ten bytes

// A long operation's report of its progress (bytes or pages done of total),
// so that a window can repaint a progress bar; it must not hand input back to
// the user.
using TProgressHook = std::function<void(int64_t done, int64_t total)>;

// The names of the bullet work file and of the reorganisation file. The stream
// constructor fills each once, when given a name while it is still empty.
extern std::string BulletFileName;
extern std::string OutputFileName;
// Empties both names (a new run of the program, or a test).
void ClearWorkFileNames();

struct TBufMapEntry {
  int64_t Offset = 0;  // a work file may pass 2 GiB: 10000 pages of up to 900000 bytes
  int32_t Length = 0;
  int32_t Games = 0;
};

class TBufMap {
 public:
  TBufMap();
  void Add(int64_t offset, int32_t length, int32_t games);
  void Compact();
  TBufMapEntry& Entry(int32_t page) { return Entries[static_cast<size_t>(page - 1)]; }
  const TBufMapEntry& Entry(int32_t page) const { return Entries[static_cast<size_t>(page - 1)]; }

  bool Compacted = false;
  int32_t Count = 0;
  int32_t Current = 1;
  std::vector<TBufMapEntry> Entries;  // index 0 is page 1
};

class TFStreamText {
 public:
  TFStreamText(const std::string& fileName, TOpenMode mode, int32_t bufferSize);
  virtual ~TFStreamText() = default;
  TFStreamText(const TFStreamText&) = delete;
  TFStreamText& operator=(const TFStreamText&) = delete;

  // Sets the buffer length and zeroes from BufferSize - 1 to the end.
  void SetBufferLength(int32_t length);
  int32_t BufferLength() const { return static_cast<int32_t>(Buffer.size()) - 1; }
  // Stores the message in LastError and raises EChessException with it.
  [[noreturn]] void Fail(const std::string& message);
  // Writes s at the current position ("I/O error on write" on failure).
  void WriteString(std::string_view s);

  int64_t Position() const { return Pos; }
  void Seek(int64_t position) { Pos = position; }
  int64_t FileSize() const;
  const std::string& FileName() const { return Name; }
  // Reads up to n bytes at offset without moving the position; the count read.
  int64_t ReadHead(int64_t offset, char* dst, int64_t n) const {
    return File.ReadAt(offset, dst, n);
  }

  bool Loaded = false;
  bool Mapped = false;
  int32_t BufferSize;
  // BufferLength() bytes plus one for the zero that always ends a text read.
  std::vector<char> Buffer;
  std::unique_ptr<TBufMap> Map;
  std::string LastError;
  bool AtEof = false;

 protected:
  TFile File;
  std::string Name;
  int64_t Pos = 0;
};

class TFStreamTxStr : public TFStreamText {
 public:
  // Opens fileName with mode; the file stream's failure raises EFileOpenError.
  TFStreamTxStr(const std::string& fileName, const std::string& bulletName,
                const std::string& outputName, TOpenMode mode, int32_t bufferSize);

  // Returns to the created state; frees the map when freeMap is true.
  void Reset(bool freeMap);
  // Reads the next buffer of whole games; cursor points at its first byte.
  // Returns the kept length.
  int32_t LoadGameBuffer(const char*& cursor);
  // The text of the buffer that LoadGameBuffer kept (whole games only).
  std::string BufferText() const;
  // Hands out the next game.
  void ReadGame(std::string& game);

  // Bullet-file operations. Page moves return the new current page, or 0.
  void ConvertToBulletFile();
  void BuildPageMap();
  int32_t CurrentPage() const;
  int32_t PageCount() const;
  int32_t FirstPage(std::string& text);
  int32_t LastPage(std::string& text);
  int32_t NextPage(std::string& text);
  int32_t PrevPage(std::string& text);
  int32_t GotoPage(int32_t n, std::string& text);
  // Like GotoPage, but gives the zero-terminated page inside the buffer (valid
  // until the next read) instead of a copy.
  int32_t GotoPageRaw(int32_t n, const char*& text, int32_t& length);
  // Writes text (in/out: CR LF appended when missing) as the current page;
  // returns the file size afterwards, 0 without a map.
  int64_t WritePage(std::string& text);
  int64_t AddPage();
  void WriteAllPages();

  // The map file kept for recovery (see Recovery.h); empty for a stream that
  // keeps none. Origin is the user's file name it records.
  std::string Journal;
  std::string Origin;
  // Writes the map file; true when there is none to keep.
  bool SaveRecoveryMap();
  // Records a new origin (after Save or Save As) in the map file.
  void SetOrigin(const std::string& fileName);

  // Told the progress of the long operations: each buffer LoadGameBuffer reads
  // (and so ConvertToBulletFile), BuildPageMap and WriteAllPages. Empty: none.
  TProgressHook Progress;

  const char* GameCursor = nullptr;
  bool GamesDone = false;
  // Games handed out by ReadGame since the last Reset: the number of the last one.
  int64_t GamesRead = 0;

 private:
  int32_t ReadPage(int32_t page, std::string* copy, const char** raw, int32_t* length);
  void ReadMapPage(int64_t fileSize);
  int64_t FindFreeOffset(int32_t length) const;
  // Writes a page's bytes where no page of the map on disk lies and flushes
  // them when a map file is kept; on failure a new tail is cut off again.
  void PutPage(int64_t offset, const std::string& text, int64_t sizeBefore);

  const char* TextEnd = nullptr;   // the zero that ends the loaded buffer's text
  bool LineBulletsLoaded = false;  // a line of the loaded buffer begins with 0xB7
};

// True for "1-0", "0-1", "1/2-1/2", "*" and "1/2".
bool IsGameResult(std::string_view token);
// True when a game read from the stream begins as a well-formed one does: CR LF
// and its own Event tag (the conversion repairs any other).
inline bool BeginsWithItsEvent(std::string_view game) {
  return game.size() >= 2 + kEventTag.size() && game.substr(0, 2) == "\r\n" &&
         game.substr(2, kEventTag.size()) == kEventTag;
}
// What RepairGameShape took off a game, each part only when it holds text.
struct TRepairNotes {
  std::string Before;  // before the game's first tag line
  std::string After;   // after its last result
};
// Repairs the blank-line shape of one game; true when it now ends like a game.
bool RepairGameShape(std::string& game, TRepairNotes* notes = nullptr);
// Number of games in a page text; raises the "bullet/[Event misplaced" failures
// through stream.Fail.
int32_t CountBullets(TFStreamText& stream, std::string_view text);

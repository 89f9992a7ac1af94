// The packed-file work that needs no window: unpacking a packed file into a
// temporary PGN file and opening that as the work file, packing every game of
// the work file with the checks each game must pass, and appending.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "export/PackingLibrary.h"
#include "stream/SaveTarget.h"
#include "stream/TxStream.h"

inline constexpr char kPackedTempFile[] = "~ZolUnt5.tmp";
inline constexpr char kPackErrorsHelp[] = "\r\rSearch Help file index for \"Pack Errors\"";
inline constexpr char kPackIoError[] = "I/O error on write. Save was incomplete (ref: 6254)";
inline constexpr int64_t kDefaultStartGame = 1;
inline constexpr int64_t kDefaultMaximumGames = 9999999;

// A failure of a packed-file flow. Shown: its text has been shown already.
class EPackedFileError : public std::runtime_error {
 public:
  explicit EPackedFileError(const std::string& message, bool shown = false)
      : std::runtime_error(message), Shown(shown) {}
  bool Shown;
  // A game the packing library refused: its page and the 0-based offset of its
  // bullet there (Page 0: the failure concerns no one game).
  int32_t Page = 0;
  int64_t GameOffset = 0;
};

// Writes the games of packedName from game number start on (1-based; empty
// lines are no games), at most maximum of them, unpacked into tempName: each
// as CR LF, its text, CR LF, and two CR LF at the end. Returns the number of
// games. Nothing is left at tempName when it fails.
int64_t UnpackToTemp(TPackingLibrary& library, const std::string& packedName,
                     const std::string& tempName, int64_t start, int64_t maximum);
// The temporary file as a new input stream with the work-file names in force.
std::unique_ptr<TFStreamTxStr> OpenUnpacked(const std::string& tempName, int32_t bufferSize);
// UnpackToTemp, then OpenUnpacked; the caller removes tempName once the stream
// has been converted. Nothing is left at tempName when it fails.
std::unique_ptr<TFStreamTxStr> OpenPacked(TPackingLibrary& library, const std::string& packedName,
                                          const std::string& tempName, int64_t start,
                                          int64_t maximum, int32_t bufferSize);

// The game whose bullet stands at 0-based position at of page: its text from
// the "[Event " after the bullet line to its last non-blank character. next
// becomes the position of the following bullet, or the page's length.
std::string CheckGameForPacking(std::string_view page, size_t at, size_t& next);
// Packs every game of one page text onto out, a line each; returns the count.
// A refusal names the game's number in the file (gamesBefore are on the pages
// before) and pageNumber.
int64_t PackPage(TPackingLibrary& library, std::string_view page, TSaveTarget& out,
                 int32_t pageNumber = 1, int64_t gamesBefore = 0);
// Writes every game of the work file, packed, to outputName, which is replaced
// only once complete. The failure is shown before it passes on. Returns the count.
int64_t PackAllPages(TPackingLibrary& library, TFStreamTxStr& work, const std::string& outputName);
// Adds the packed lines of tempName to the end of packedName: the old and the
// added lines are written to a new file that replaces packedName once complete,
// so that packedName is never seen half appended.
void AppendTempToTarget(const std::string& tempName, const std::string& packedName);
// True when the last non-blank line of packedName unpacks, or the file holds
// no line at all: a file that packed games may be added to.
bool IsPackedFile(TPackingLibrary& library, const std::string& packedName);
// Save As Packed: the whole work file packed into packedName, or added to its
// end through tempName when append is set. The work file's current page is
// read again afterwards in every case; tempName is removed. Returns the count.
int64_t SavePacked(TPackingLibrary& library, TFStreamTxStr& work, const std::string& packedName,
                   bool append, const std::string& tempName);

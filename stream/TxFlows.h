// The stream-level file flows behind Open, New, Save, Save As, Append and
// Reorg. Each catches its own failures in two layers: the inner layer shows its
// own words around the stream's message, the outer one ends the flow quietly for
// an EChessException and asks whether to continue for anything else.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "stream/TxStream.h"

enum class TSaveMode { Save = 0, SaveAs = 1, Append = 2 };

// Why the first buffer of a file could not be read, for the one box that says
// so: the flow's message, then what is wrong with the file in words.
struct TOpenFailure {
  std::string Text;
  bool RepairHelps = false;  // the repair conversion can make the file open
};

// Opens the user's file read-only and loads its first buffer of whole games into
// firstText. Nothing (after its message) when that fails; with failure given,
// a first buffer that cannot be read is described there instead of shown.
std::unique_ptr<TFStreamTxStr> OpenInputFile(const std::string& fileName, std::string& firstText,
                                             int32_t bufferSize, TOpenFailure* failure = nullptr);
// "Cannot read <file>: <the system's reason>."
std::string CannotReadText(const std::string& fileName);
// "Cannot write <file>: <the system's reason>." (a file to be made or rewritten).
std::string CannotWriteText(const std::string& fileName);
// What is wrong with a file whose first buffer failed with the stream's
// message: empty, no text, not PGN, its line ends, a game too long for the
// buffer size; repairHelps tells whether the repair conversion can help.
std::string ReadFailureText(const std::string& fileName, const std::string& message,
                            int32_t bufferSize, bool& repairHelps);
// Converts the input into the bullet file, frees the input, opens the bullet file.
std::unique_ptr<TFStreamTxStr> ProcessInputFile(std::unique_ptr<TFStreamTxStr> input,
                                                std::string& pageText);
// Opens the bullet file read-write, builds its map and reads page 1 into pageText.
// The map is also kept in the bullet file's map file, naming origin (the user's
// file it came from) for recovery.
std::unique_ptr<TFStreamTxStr> OpenBulletFile(int32_t bufferSize, std::string& pageText,
                                              const std::string& origin = "");
// Writes every page in order into the reorganisation file. The stream comes back
// on success; nothing on failure.
std::unique_ptr<TFStreamTxStr> ReorganizeBulletFile(std::unique_ptr<TFStreamTxStr> stream);
// Whether every game of the work file, as reorganisation writes it, fits the
// stream's buffer size; when one does not, a message names the largest such
// game, its length and the smallest buffer size that holds it. The current
// page stays the current one.
bool ReorgFitsBuffer(TFStreamTxStr& stream);
// Replaces the bullet file by the reorganisation file; raises std::runtime_error
// "error on delete (ref: 8442)" or "error on rename (ref: 8443)".
void SwapReorgFile();
// Writes the whole work file as plain PGN. Save and Save As never leave a
// truncated target behind (a temporary file replaces it only when complete);
// a failed Append cuts the file back to its old length. Append to a file whose
// last line has no line end ends that line first, so the first appended game
// stands on its own line after a blank one.
bool SaveOrAppend(TFStreamTxStr& stream, TSaveMode mode, const std::string& fileName,
                  bool noPrompt);
// The starting text of a new work file, with dateText in its Date tag.
std::string NewWorkFileText(const std::string& dateText);
// Creates the bullet file afresh holding NewWorkFileText; false after a message.
bool CreateNewBulletFile(int32_t bufferSize, const std::string& dateText);

// Builds the two work-file names in dir (which ends in '/') from the
// millisecond tick count, "~korvane.bullet.file.########.tmp" and
// "~korvane.reorg.file.########.tmp", and makes them the names in force.
void InitWorkFileNames(const std::string& dir);
// Deletes the "~korvane.*" files of dir that no running instance holds, apart
// from the work files that can be recovered and their map files (see Recovery.h).
int DeleteStaleWorkFiles(const std::string& dir);
// The last eight digits of a tick count, as the work-file names carry them.
std::string TickDigits(uint64_t tickCount);

// The long operations report progress here (bytes or pages done of total): the
// flows' own, and those of the streams they run them on, whose Progress they
// set to ReportProgress. The hook must not hand input back to the user.
void SetProgressHook(TProgressHook hook);
void ReportProgress(int64_t done, int64_t total);

// The output of a whole-file save: a new file written beside its target that
// replaces the target only once complete and on disk, or an append to an
// existing file that is cut back to its old length when it fails.
//
// A target that is a symbolic link is written through: the file the link leads
// to is replaced and the link stays. The new file keeps the replaced file's
// mode, and its owner and group where the process may set them. A target that
// exists but is not a regular file (a directory, a device, a FIFO, a socket) is
// refused and left alone.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "stream/FileIo.h"

// A plain failure of the text-file writing (not a stream failure).
class ETextFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The start of the name of the temporary file a save writes beside its target.
inline constexpr char kSaveTempPrefix[] = ".~korvane-save-";

// The file a write of name lands on: name with every symbolic link of its last
// component followed (a link to a missing file gives the missing file's name).
// Empty, with errorText set, when the links go round in a circle.
std::string ResolveSaveName(const std::string& name, std::string& errorText);

// "<name> is a FIFO, not a regular file; nothing was written" when name (or
// the file its links lead to) is there and is no regular file; otherwise empty.
std::string NotRegularFileText(const std::string& name);

// Why the last save output of this process failed, in words with the system's
// reason ("cannot write /a/b.pgn: No space left on device"); empty when none did.
std::string LastSaveFailure();

// For a program about to end by a signal: removes the temporary files of the
// saves under way in this process, and from then on holds every save of it
// before it makes a new file. Safe to call from any thread; once only.
void StopSavesAndRemoveTemps();

class TSaveTarget {
 public:
  TSaveTarget() = default;
  ~TSaveTarget() { Abandon(); }
  TSaveTarget(const TSaveTarget&) = delete;
  TSaveTarget& operator=(const TSaveTarget&) = delete;

  // False when the output cannot be made (append: the file must exist); the
  // reason is then in LastSaveFailure().
  bool Open(const std::string& name, bool append);
  // Buffered; a failed write raises ETextFileError "#8263".
  void Write(std::string_view bytes);
  void Flush();
  // Puts the written text in place; false when that fails (nothing replaced).
  bool Commit();
  // Drops what was written: the temporary file goes, an append is cut back.
  void Abandon();
  // After a failed Open: why a target that is there was refused ("/a/b is a
  // FIFO, not a regular file; nothing was written"); empty for other failures.
  const std::string& Refusal() const { return refusal_; }

 private:
  static mode_t DefaultMode();
  bool Fail(const std::string& what, int error);

  TFile file_;
  std::string name_;  // the resolved target
  std::string temp_;
  std::string pending_;
  std::string refusal_;
  bool append_ = false;
  bool committed_ = false;
  int64_t start_ = -1;
  int64_t at_ = 0;
};

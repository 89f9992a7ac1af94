// The output of a whole-file save: a new file written beside its target that
// replaces the target only once complete and on disk, or an append to an
// existing file that is cut back to its old length when it fails.
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

class TSaveTarget {
 public:
  TSaveTarget() = default;
  ~TSaveTarget() { Abandon(); }
  TSaveTarget(const TSaveTarget&) = delete;
  TSaveTarget& operator=(const TSaveTarget&) = delete;

  // False when the output cannot be made (append: the file must exist).
  bool Open(const std::string& name, bool append);
  // Buffered; a failed write raises ETextFileError "#8263".
  void Write(std::string_view bytes);
  void Flush();
  // Puts the written text in place; false when that fails (nothing replaced).
  bool Commit();
  // Drops what was written: the temporary file goes, an append is cut back.
  void Abandon();

 private:
  static mode_t DefaultMode();

  TFile file_;
  std::string name_;
  std::string temp_;
  std::string pending_;
  bool append_ = false;
  bool committed_ = false;
  int64_t start_ = -1;
  int64_t at_ = 0;
};

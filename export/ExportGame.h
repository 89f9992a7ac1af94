// Export to chess programs, the part without widgets: the game at the caret
// written as a chess program gets it, and how that program is then started.
#pragma once

#include <string>
#include <string_view>

// Checkpoints named in the I/O error report of a failed export.
inline constexpr int kExportOpenCheckpoint = 987;
inline constexpr int kExportWriteCheckpoint = 988;

// Shell-style launch results: above 32 is success, below 33 a failure code.
inline constexpr int kShellStarted = 33;
inline constexpr int kShellFileNotFound = 2;
inline constexpr int kShellPathNotFound = 3;
inline constexpr int kShellAccessDenied = 5;
inline constexpr int kShellNoApplication = 31;

enum class TExportWrite {
  Written,
  NoGame,    // no game at the caret, or no complete Result tag line: nothing written
  IoFailed,  // reported (987 or 988) and nothing left behind; the program goes on
};

// The directory as the start of a path: ending in '/'. A final '\' that an
// older settings file may hold counts as that separator.
std::string ExportDirectory(const std::string& dir);
// The exported file: the directory, its separator, the file name.
std::string ExportFilePath(const std::string& dir, const std::string& fileName);

// The game at the caret (0-based editor offset) from the '[' of its first tag
// to before the next bullet, with the tag lines after Result dropped; empty
// when there is no such game.
std::string ExportGameText(std::string_view pageText, int caret);
// Writes ExportGameText into path, replacing the file, byte for byte with no
// line end added. An I/O error is shown ("An I/O error has occurred at 987 ...")
// and a partly written file removed.
TExportWrite WriteExportGame(std::string_view pageText, int caret, const std::string& path);

struct TLaunchTarget {
  std::string WorkDir;
  std::string Parameters;
};

// The working directory and the parameter the program starts with: for a
// program whose path holds "REBEL" in any case, "v" in the folder REBEL9 at the
// root of its drive; for any other, the file name in the PGN directory.
TLaunchTarget LaunchTarget(const std::string& program, const std::string& pgnDir,
                           const std::string& fileName);

// Whether program can be started in workDir: 0, with executable telling a
// program to run from a document to open, or the failure code (2 no such
// file, 3 no such folder, 5 a folder or a file that may not be read).
int CheckLaunch(const std::string& program, const std::string& workDir, bool& executable);

#include "export/ExportGame.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>

#include "pgn/PgnTags.h"
#include "pgn/StrScan.h"
#include "settings/CTErrorU.h"
#include "settings/Dialogs.h"
#include "stream/FileIo.h"
#include "stream/SaveTarget.h"

namespace {

constexpr std::string_view kResultTag = "[Result \"";
constexpr std::string_view kTagLineEnd = "\"]\r\n";
constexpr std::string_view kBlankLine = "\r\n\r\n";
constexpr char kRebelDir[] = "C:\\REBEL9\\";
constexpr char kRebelLinuxDir[] = "/REBEL9/";

int Len(std::string_view s) {
  return static_cast<int>(s.size());
}

// errno as the report's result code; a failure that set none still shows one.
int LastErrorCode() {
  return errno != 0 ? errno : EIO;
}

TExportWrite ReportIoError(int checkpoint, int code) {
  Dlg().Beep();
  ShowMessage(IoErrorText(checkpoint, code));
  return TExportWrite::IoFailed;
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string ExportDirectory(const std::string& dir) {
  std::string out = dir;
  if (out.ends_with('\\')) out.back() = '/';
  if (!out.ends_with('/')) out += '/';
  return out;
}

std::string ExportFilePath(const std::string& dir, const std::string& fileName) {
  return ExportDirectory(dir) + fileName;
}

std::string ExportGameText(std::string_view pageText, int caret) {
  const TGameAtCaret at = LocateGameAtCaret(pageText, caret);
  if (!at.Found) return {};
  std::string game(pageText.substr(static_cast<size_t>(at.GameStart - 1),
                                   static_cast<size_t>(at.GameEnd - at.GameStart)));
  const int result = FindExact(game, kResultTag, 1);
  if (result == 0) return {};
  const int resultEnd = FindExact(game, kTagLineEnd, result);
  if (resultEnd == 0) return {};
  const int next = resultEnd + Len(kTagLineEnd);  // the line after the Result tag
  if (next <= Len(game) && game[static_cast<size_t>(next - 1)] == '[') {
    // Tags after Result go, up to the end of the last tag line. That line is
    // looked for before the blank line that ends the tag section, so that a
    // comment in the moves ending in "] at a line end cannot take moves with it.
    const int blank = FindExact(game, kBlankLine, next);
    const int lastEnd = FindWildBack(game, kTagLineEnd, blank == 0 ? 0 : blank + 1);
    const int cut = lastEnd + Len(kTagLineEnd) - next;
    if (cut > 0) game.erase(static_cast<size_t>(next - 1), static_cast<size_t>(cut));
  }
  return game;
}

TExportWrite WriteExportGame(std::string_view pageText, int caret, const std::string& path) {
  const std::string game = ExportGameText(pageText, caret);
  if (game.empty()) return TExportWrite::NoGame;
  // Written in place, so that a link stays a link and the file keeps its mode
  // and owner; a directory, a device or a FIFO there is left alone.
  if (const std::string refusal = NotRegularFileText(path); !refusal.empty()) {
    Dlg().Beep();
    ShowMessage(refusal);
    return TExportWrite::IoFailed;
  }
  TFile file;
  errno = 0;
  if (!file.Open(path, TOpenMode::Create))
    return ReportIoError(kExportOpenCheckpoint, LastErrorCode());
  errno = 0;
  const bool written = file.WriteAt(0, game.data(), static_cast<int64_t>(game.size()));
  int code = written ? 0 : LastErrorCode();
  errno = 0;
  if (!file.Close() && code == 0) code = LastErrorCode();
  if (code == 0) return TExportWrite::Written;
  // A half game would reach the chess program on a later start. Only a plain
  // file is removed: an export aimed at a device or a pipe leaves it alone.
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
  return ReportIoError(kExportWriteCheckpoint, code);
}

TLaunchTarget LaunchTarget(const std::string& program, const std::string& pgnDir,
                           const std::string& fileName) {
  std::string upper = program;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (upper.find("REBEL") == std::string::npos) return {ExportDirectory(pgnDir), fileName};
  // Rebel looks for its game in its own folder at the root of its drive.
  const bool driveLetter = program.size() >= 2 && program[1] == ':';
  std::string dir = driveLetter ? kRebelDir : kRebelLinuxDir;
  if (driveLetter) dir[0] = program[0];
  return {dir, "v"};
}

int CheckLaunch(const std::string& program, const std::string& workDir, bool& executable) {
  executable = false;
  if (program.empty()) return kShellFileNotFound;
  struct stat st {};
  if (::stat(program.c_str(), &st) != 0) {
    if (errno == EACCES) return kShellAccessDenied;
    const std::filesystem::path parent = std::filesystem::path(program).parent_path();
    return parent.empty() || IsDirectory(parent.string()) ? kShellFileNotFound : kShellPathNotFound;
  }
  if (S_ISDIR(st.st_mode) || ::access(program.c_str(), R_OK) != 0) return kShellAccessDenied;
  executable = ::access(program.c_str(), X_OK) == 0;
  if (executable && !IsDirectory(workDir)) return kShellPathNotFound;
  return 0;
}

// The settings kept between runs in the INI file beside the program, and the
// one record that holds them while the program runs.
#pragma once

#include <array>
#include <cstdint>
#include <string>

inline constexpr int kExportEntries = 4;
inline constexpr int kExportColumns = 4;
inline constexpr int32_t kDefaultFlutter = 20;
inline constexpr char kIniCreationError[] = "Ini file creation error";
inline constexpr char kDefaultExportFileName[] = "LastPGN.pgn";

// The columns of an export entry, as indexes into IniValueRec::Exports[r].
enum TExportColumn : size_t { kExportTitle = 0, kExportDirectory, kExportProgram, kExportFileName };

struct IniValueRec {
  int32_t FilterIndex = 0;
  int32_t Flutter = 0;
  std::string RecentDir;
  std::string Version;
  // Exports[r - 1][c - 1] for entry r = 1..4; columns: 1 title, 2 PGN directory,
  // 3 chess program, 4 exported file name.
  std::array<std::array<std::string, kExportColumns>, kExportEntries> Exports;
  // The user's choice of Options / UTF-8 text: how a file opens unless its bytes
  // say UTF-8.
  bool Utf8Text = false;
};

// The title of a fresh export entry (1..4): "Export&" and its number.
std::string DefaultExportTitle(int entry);

// The one settings record, zero-filled at start; loaded at first show, saved at close.
extern IniValueRec IniValue;

// The running program's file, set by the program at start-up (the core cannot
// ask Qt); when unset, the file /proc/self/exe names.
void SetProgramFile(const std::string& path);
std::string ProgramFile();
// The program file's directory with a trailing '/'.
std::string ProgramDir();

// Where the settings go when the program's directory is not writable. Empty
// (the default): $XDG_CONFIG_HOME, or ~/.config, followed by "/korvane".
void SetSettingsFallbackDir(const std::string& dir);
std::string SettingsFallbackDir();
// The file that the install puts in the program's directory: an installed
// program keeps its settings and work files in the user's directories, even
// for a user (root) who could write beside it.
inline constexpr char kInstalledMarkerFile[] = "korvane.installed";
// Whether the program may write its own files in dir: dir is writable and
// holds no installed marker.
bool MayWriteProgramFiles(const std::string& dir);
// Decides whether a directory may be written; nullptr restores the default,
// MayWriteProgramFiles.
using TDirWritableTest = bool (*)(const std::string& dir);
void SetDirWritableTest(TDirWritableTest test);

// The program directory + the program file's name without its extension + ".ini".
std::string IniFileName();
// The file of the same name in the fallback directory (empty without one).
std::string FallbackIniFileName();
// The file LoadSettings reads: the fallback file when it exists and the
// program's directory either has no INI file or cannot be written; else IniFileName().
std::string SettingsReadFileName();
// The file SaveSettings writes: IniFileName() while the program's directory is
// writable, else the fallback file.
std::string SettingsWriteFileName();

// Fills rec from the settings file; absent values give the defaults. An INI
// file that cannot be read shows "Ini file creation error" and leaves the
// export entries as they were.
void LoadSettings(IniValueRec& rec);
// Writes rec into the settings file, keeping its other lines; nothing at all
// when RecentDir is empty. A file that cannot be written shows "Ini file
// creation error" and gives false.
bool SaveSettings(const IniValueRec& rec);

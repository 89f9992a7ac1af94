#include "settings/Settings.h"

#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <filesystem>

#include "pgn/StrScan.h"
#include "settings/CTErrorU.h"
#include "settings/Dialogs.h"
#include "settings/IniFile.h"

namespace fs = std::filesystem;

IniValueRec IniValue;

namespace {

std::string programFile;
std::string fallbackDir;

TDirWritableTest dirWritable = MayWriteProgramFiles;

std::string ExportKey(int r, int c) {
  return {static_cast<char>('0' + r + 1), static_cast<char>('0' + c + 1)};
}

std::string ExportDefault(int r, int c) {
  if (c == 0) return DefaultExportTitle(r + 1);
  if (c == 3) return kDefaultExportFileName;
  return "";
}

// A directory as the Open dialog wants it back, ending in a separator. On
// Linux that is '/'; a value that already uses backslashes gets one of those.
std::string WithTrailingSeparator(const std::string& dir) {
  if (dir.ends_with('/') || dir.ends_with('\\')) return dir;
  return dir + (dir.find('\\') != std::string::npos ? '\\' : '/');
}

bool ProgramDirWritable() {
  return dirWritable(ProgramDir());
}

bool FileExists(const std::string& name) {
  std::error_code ec;
  return !name.empty() && fs::exists(name, ec);
}

void ReadValues(const TIniFile& ini, IniValueRec& rec) {
  rec.RecentDir = ini.ReadString("Paths", "recent", rec.RecentDir);
  rec.FilterIndex = ini.ReadInteger("Paths", "filter index", 0);
  rec.Flutter = ini.ReadInteger("Board", "flutter", kDefaultFlutter);
  rec.Utf8Text = ini.ReadInteger("Options", "utf8 text", 0) != 0;
  rec.Version = ini.ReadString("Version", "current", "");
  for (int r = 0; r < kExportEntries; ++r)
    for (int c = 0; c < kExportColumns; ++c)
      rec.Exports[r][c] = ini.ReadString("Exports", ExportKey(r, c), ExportDefault(r, c));
}

void WriteValues(TIniFile& ini, const IniValueRec& rec) {
  ini.WriteString("Paths", "recent", WithTrailingSeparator(rec.RecentDir));
  ini.WriteInteger("Paths", "filter index", rec.FilterIndex);
  ini.WriteInteger("Board", "flutter", rec.Flutter);
  ini.WriteString("Version", "current", KORVANE_VERSION);
  for (int r = 0; r < kExportEntries; ++r)
    for (int c = 0; c < kExportColumns; ++c)
      ini.WriteString("Exports", ExportKey(r, c), rec.Exports[r][c]);
  ini.WriteInteger("Options", "utf8 text", rec.Utf8Text ? 1 : 0);
}

}  // namespace

std::string DefaultExportTitle(int entry) {
  return "Export&" + std::to_string(entry);
}

bool MayWriteProgramFiles(const std::string& dir) {
  if (dir.empty() || access(dir.c_str(), W_OK) != 0) return false;
  std::error_code ec;
  return !fs::exists(fs::path(dir) / kInstalledMarkerFile, ec);
}

void SetProgramFile(const std::string& path) {
  programFile = path;
}

std::string ProgramFile() {
  if (!programFile.empty()) return programFile;
  std::error_code ec;
  return fs::read_symlink("/proc/self/exe", ec).string();
}

std::string ProgramDir() {
  std::error_code ec;
  fs::path file = fs::absolute(ProgramFile(), ec);
  if (ec) file = ProgramFile();
  return WithTrailingSeparator(file.parent_path().string());
}

void SetSettingsFallbackDir(const std::string& dir) {
  fallbackDir = dir;
}

std::string SettingsFallbackDir() {
  if (!fallbackDir.empty()) return fallbackDir;
  // Only an absolute XDG_CONFIG_HOME counts; a relative one is to be ignored.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return std::string(config) + "/korvane";
  const char* home = std::getenv("HOME");
  if (home && home[0] != '\0') return std::string(home) + "/.config/korvane";
  return "";
}

void SetDirWritableTest(TDirWritableTest test) {
  dirWritable = test ? test : MayWriteProgramFiles;
}

std::string IniFileName() {
  std::string name = fs::path(ProgramFile()).filename().string();
  return ProgramDir() + StripExtension(name) + ".ini";
}

std::string FallbackIniFileName() {
  std::string dir = SettingsFallbackDir();
  if (dir.empty()) return "";
  return WithTrailingSeparator(dir) + fs::path(IniFileName()).filename().string();
}

std::string SettingsReadFileName() {
  std::string fallback = FallbackIniFileName();
  if (FileExists(fallback) && (!FileExists(IniFileName()) || !ProgramDirWritable()))
    return fallback;
  return IniFileName();
}

std::string SettingsWriteFileName() {
  std::string fallback = FallbackIniFileName();
  if (fallback.empty() || ProgramDirWritable()) return IniFileName();
  return fallback;
}

void LoadSettings(IniValueRec& rec) {
  rec.RecentDir = ProgramDir();
  rec.FilterIndex = 0;
  rec.Flutter = kDefaultFlutter;
  TIniFile ini(SettingsReadFileName());
  if (!ini.Load()) {
    ShowMessage(kIniCreationError);
    return;
  }
  try {
    ReadValues(ini, rec);
  } catch (const std::exception&) {
    TerminatingError("\nlogic 6023");
  }
}

bool SaveSettings(const IniValueRec& rec) {
  if (rec.RecentDir.empty()) return true;
  std::string target = SettingsWriteFileName();
  std::error_code ec;
  fs::create_directories(fs::path(target).parent_path(), ec);
  TIniFile ini(target);
  // A first save into the fallback directory starts from the program's own
  // file, so that lines the user put there are kept.
  if (!ini.LoadFrom(FileExists(target) ? target : SettingsReadFileName())) {
    ShowMessage(kIniCreationError);
    return false;
  }
  WriteValues(ini, rec);
  if (ini.UpdateFile()) return true;
  ShowMessage(kIniCreationError);
  return false;
}

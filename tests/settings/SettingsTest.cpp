// The INI reader, and the settings file: what a first run saves, the user's
// lines kept, the fallback directory, and failed saves that harm nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "stream/FileIo.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// Writing (in place, case-blind, keeping other lines) and a missing file are covered
// through the settings.
TEST(IniFile, ReadsValueOrDefault) {
  TTempDir dir;
  WriteFileBytes(
      dir.File("k.ini"),
      "top=0\n[Paths]\r\nrecent=  /a b/ \t\nempty=\r\nquoted=\"x y\"\nq2=''\nq1=\"\n; note=1\r\n"
      "[N]\na= -7 \nb=+5\nc=\nd=+-3\ne=12abc\nf=99999999999");
  TIniFile ini(dir.File("k.ini"));
  ASSERT_TRUE(ini.Load());
  const std::tuple<const char*, const char*, const char*> strings[] = {
      {"pATHS", "RECENT", "/a b/"}, {"Paths", "empty", ""},      {"Paths", "quoted", "x y"},
      {"Paths", "q2", ""},          {"Paths", "q1", "\""},       {"Paths", "missing", "dflt"},
      {"Paths", "; note", "dflt"},  {"Board", "recent", "dflt"}, {"", "top", "dflt"},
      {"n", "F", "99999999999"}};
  for (const auto& [section, key, value] : strings)
    EXPECT_EQ(ini.ReadString(section, key, "dflt"), value) << section << "/" << key;
  const std::pair<const char*, int32_t> integers[] = {{"a", -7}, {"b", 5},  {"c", 99},
                                                      {"d", 99}, {"e", 99}, {"f", 99}};
  for (const auto& [key, value] : integers) EXPECT_EQ(ini.ReadInteger("N", key, 99), value) << key;
}

// A program installed at <tmp>/bin/korvane with its fallback at <tmp>/config.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(bin);
    SetProgramFile(bin + "/korvane");
    SetSettingsFallbackDir(dir.File("config"));
  }
  void TearDown() override {
    SetProgramFile("");
    SetSettingsFallbackDir("");
    SetDirWritableTest(nullptr);
  }
  TTempDir dir;
  TScriptDialogs dialogs;
  const std::string bin = dir.File("bin"), ini = bin + "/korvane.ini";
  const std::string fallback = dir.File("config/korvane.ini");
};

std::string FirstRunFile(const std::string& recent) {
  std::string text =
      "[Paths]\r\nrecent=" + recent +
      "\r\nfilter index=0\r\n[Board]\r\nflutter=20\r\n[Version]\r\ncurrent=" + KORVANE_VERSION +
      "\r\n[Exports]\r\n";
  for (char r = '1'; r <= '4'; ++r)
    text += std::string{r, '1', '='} + "Export&" + r + "\r\n" + r + "2=\r\n" + r + "3=\r\n" + r +
            "4=LastPGN.pgn\r\n";
  return text + "[Options]\r\nutf8 text=0\r\n";
}

// The saved file shows every value the first load gave the record. A failure
// at any write call leaves the old file whole and no temporary file; an
// unreadable file is reported.
TEST_F(SettingsTest, FirstRunSavesAllKeysAndFailuresHarmNothing) {
  IniValueRec rec;
  EXPECT_TRUE(SaveSettings(rec));  // an empty RecentDir writes nothing
  EXPECT_FALSE(fs::exists(ini));
  LoadSettings(rec);
  ASSERT_TRUE(SaveSettings(rec));
  const std::string old = ReadFileBytes(ini);
  EXPECT_EQ(old, FirstRunFile(bin + "/"));
  rec.Flutter = 9;
  for (int64_t n = 1, first = WriteCallCount();; ++n, first = WriteCallCount()) {
    dialogs.Shown.clear();
    SetWriteFaultAtCall(n);
    const bool saved = SaveSettings(rec);
    SetWriteFaultAtCall(0);
    if (WriteCallCount() - first < n) break;
    EXPECT_EQ(std::tuple(saved, dialogs.Texts(), ReadFileBytes(ini)),
              std::tuple(false, std::vector<std::string>{kIniCreationError}, old))
        << "call " << n;
    EXPECT_EQ(std::distance(fs::directory_iterator(bin), {}), 1) << "call " << n;
  }
  EXPECT_NE(ReadFileBytes(ini), old);
  dialogs.Shown.clear();
  fs::remove(ini);
  fs::create_directory(ini);
  LoadSettings(rec);
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{kIniCreationError});
}

// Names match without regard to case; a changed value keeps what precedes its '=';
// missing keys follow their section's last line, missing sections the file's end. A
// directory written with backslashes gets a backslash.
TEST_F(SettingsTest, SaveKeepsTheUsersOtherLines) {
  WriteFileBytes(ini,
                 "; mine\r\n[PATHS]\r\nRecent = C:\\G\r\n\r\n[Extra]\r\nkeep = me\r\n[Board]\r\n"
                 "flutter=fast\r\n[Version]\r\ncurrent=0.9\r\n[Exports]\r\n12=/pgn/\r\n");
  IniValueRec rec{4, 70, {}, {}, {}};  // FilterIndex, Flutter
  LoadSettings(rec);
  EXPECT_EQ(std::tuple(rec.RecentDir, rec.FilterIndex, rec.Flutter, rec.Version),
            std::tuple("C:\\G", 0, 20, "0.9"));
  ASSERT_TRUE(SaveSettings(rec));
  const std::string firstRun = FirstRunFile("");
  EXPECT_EQ(ReadFileBytes(ini),
            "; mine\r\n[PATHS]\r\nRecent =C:\\G\\\r\nfilter index=0\r\n\r\n[Extra]\r\nkeep = "
            "me\r\n[Board]\r\nflutter=20\r\n[Version]\r\ncurrent=" KORVANE_VERSION
            "\r\n[Exports]\r\n12=/pgn/\r\n11=Export&1\r\n13=\r\n14=LastPGN.pgn\r\n" +
                firstRun.substr(firstRun.find("21=")));
}

// A read-only or installed program directory keeps no settings: they go to
// the user's config directory.
TEST_F(SettingsTest, ReadOnlyOrInstalledProgramDirUsesFallback) {
  fs::create_directory(dir.File("config"));
  WriteFileBytes(fallback, "[Board]\r\nflutter=5\r\n");
  IniValueRec rec;
  LoadSettings(rec);
  EXPECT_EQ(rec.Flutter, 5) << "no file beside the program";
  WriteFileBytes(ini, "[Board]\r\nflutter=7\r\n");
  LoadSettings(rec);
  EXPECT_EQ(rec.Flutter, 7) << "the program's own file";
  SetDirWritableTest([](const std::string&) { return false; });
  LoadSettings(rec);
  EXPECT_EQ(rec.Flutter, 5) << "the program's file cannot hold what was saved";
  SetDirWritableTest(nullptr);
  WriteFileBytes(bin + "/" + kInstalledMarkerFile, "");
  EXPECT_FALSE(MayWriteProgramFiles(bin) || MayWriteProgramFiles(dir.File("missing")));
  rec.Flutter = 6;
  ASSERT_TRUE(SaveSettings(rec));
  EXPECT_EQ(ReadFileBytes(ini), "[Board]\r\nflutter=7\r\n");
  EXPECT_TRUE(ReadFileBytes(fallback).starts_with("[Board]\r\nflutter=6\r\n"));
}

}  // namespace

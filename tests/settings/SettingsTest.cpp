#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "settings/Settings.h"
#include "stream/FileIo.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

bool NeverWritable(const std::string&) {
  return false;
}

// A program installed at <tmp>/bin/korvane with its fallback at <tmp>/config.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(Bin());
    SetProgramFile(Bin() + "/korvane");
    SetSettingsFallbackDir(dir_.File("config"));
  }
  void TearDown() override {
    SetProgramFile("");
    SetSettingsFallbackDir("");
    SetDirWritableTest(nullptr);
  }
  std::string Bin() const { return dir_.File("bin"); }
  std::string Ini() const { return Bin() + "/korvane.ini"; }
  std::string Fallback() const { return dir_.File("config/korvane.ini"); }

  TTempDir dir_;
  TScriptDialogs dialogs_;
};

std::string FirstRunFile(const std::string& recent) {
  std::string text =
      "[Paths]\r\nrecent=" + recent + "\r\nfilter index=0\r\n[Board]\r\nflutter=20\r\n";
  text += "[Version]\r\ncurrent=" KORVANE_VERSION "\r\n[Exports]\r\n";
  for (char r = '1'; r <= '4'; ++r)
    text += std::string{r, '1', '='} + "Export&" + r + "\r\n" + r + "2=\r\n" + r + "3=\r\n" + r +
            "4=LastPGN.pgn\r\n";
  return text;
}

// The saved file shows every value the first load gave the record.
TEST_F(SettingsTest, FirstRunGivesDefaultsAndSavesAllKeys) {
  IniValueRec rec;
  LoadSettings(rec);
  ASSERT_TRUE(SaveSettings(rec));
  EXPECT_EQ(ReadFileBytes(Ini()), FirstRunFile(Bin() + "/"));
  EXPECT_TRUE(dialogs_.Shown.empty());
}

TEST_F(SettingsTest, SaveKeepsTheUsersOtherLines) {
  WriteFileBytes(Ini(),
                 "; mine\r\n[Paths]\r\nrecent=/g/\r\n[Extra]\r\nkeep = me\r\n[Version]\r\n"
                 "current=0.9\r\n[Exports]\r\n12=/pgn/\r\n");
  IniValueRec rec;
  LoadSettings(rec);
  EXPECT_EQ(rec.Version, "0.9");
  rec.Flutter = 55;
  ASSERT_TRUE(SaveSettings(rec));
  // Keys missing from a section follow its last line.
  std::string firstRun = FirstRunFile("");
  EXPECT_EQ(ReadFileBytes(Ini()),
            "; mine\r\n[Paths]\r\nrecent=/g/\r\nfilter index=0\r\n[Extra]\r\nkeep = me\r\n"
            "[Version]\r\ncurrent=" KORVANE_VERSION
            "\r\n[Exports]\r\n12=/pgn/\r\n11=Export&1\r\n13=\r\n14=LastPGN.pgn\r\n" +
                firstRun.substr(firstRun.find("21=")) + "[Board]\r\nflutter=55\r\n");
}

TEST_F(SettingsTest, RecentGetsTrailingSeparatorOnlyWhenWritten) {
  const std::pair<std::string, std::string> cases[] = {
      {"/games/pgn", "/games/pgn/"}, {"/games/", "/games/"}, {"C:\\Games", "C:\\Games\\"}};
  for (const auto& [stored, written] : cases) {
    WriteFileBytes(Ini(), "[Paths]\r\nrecent=" + stored + "\r\n");
    IniValueRec rec;
    LoadSettings(rec);
    EXPECT_EQ(rec.RecentDir, stored);
    ASSERT_TRUE(SaveSettings(rec));
    EXPECT_TRUE(ReadFileBytes(Ini()).starts_with("[Paths]\r\nrecent=" + written + "\r\n"));
  }
}

TEST_F(SettingsTest, NonNumericValuesGiveDefaults) {
  WriteFileBytes(Ini(), "[Paths]\r\nfilter index=two\r\n[Board]\r\nflutter=fast\r\n");
  IniValueRec rec;
  rec.FilterIndex = 4;
  rec.Flutter = 70;
  LoadSettings(rec);
  EXPECT_EQ(rec.FilterIndex, 0);
  EXPECT_EQ(rec.Flutter, 20);
}

TEST_F(SettingsTest, EmptyRecentDirWritesNothing) {
  IniValueRec rec;
  rec.Flutter = 33;
  EXPECT_TRUE(SaveSettings(rec));
  EXPECT_FALSE(fs::exists(Ini()));
}

TEST_F(SettingsTest, FileNameFollowsProgramName) {
  SetProgramFile("/opt/k.d/Korvane.exe");
  EXPECT_EQ(IniFileName(), "/opt/k.d/Korvane.ini");
  SetProgramFile(Bin() + "/chessed");
  WriteFileBytes(Bin() + "/chessed.ini", "[Board]\r\nflutter=7\r\n");
  IniValueRec rec;
  LoadSettings(rec);
  EXPECT_EQ(rec.Flutter, 7);
}

TEST_F(SettingsTest, ReadOnlyProgramDirUsesFallback) {
  fs::create_directory(dir_.File("config"));
  WriteFileBytes(Fallback(), "[Board]\r\nflutter=5\r\n");
  IniValueRec rec;
  LoadSettings(rec);
  EXPECT_EQ(rec.Flutter, 5) << "no file beside the program";

  SetDirWritableTest(NeverWritable);
  WriteFileBytes(Ini(), "[Board]\r\nflutter=7\r\n");
  LoadSettings(rec);
  EXPECT_EQ(rec.Flutter, 5) << "the program's file cannot hold what was saved";
  rec.Flutter = 8;
  ASSERT_TRUE(SaveSettings(rec));
  EXPECT_EQ(ReadFileBytes(Ini()), "[Board]\r\nflutter=7\r\n");
  EXPECT_TRUE(ReadFileBytes(Fallback()).starts_with("[Board]\r\nflutter=8\r\n"));
}

TEST_F(SettingsTest, ChmodReadOnlyProgramDirUsesFallback) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes through a read-only directory";
  chmod(Bin().c_str(), 0555);
  IniValueRec rec;
  LoadSettings(rec);
  bool saved = SaveSettings(rec);
  chmod(Bin().c_str(), 0755);
  EXPECT_TRUE(saved);
  EXPECT_FALSE(fs::exists(Ini()));
  EXPECT_EQ(ReadFileBytes(Fallback()), FirstRunFile(Bin() + "/"));
}

TEST_F(SettingsTest, DefaultFallbackIsXdgConfigDir) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  std::string saved = old ? old : "";
  SetSettingsFallbackDir("");
  setenv("XDG_CONFIG_HOME", "/x/conf", 1);
  EXPECT_EQ(SettingsFallbackDir(), "/x/conf/korvane");
  setenv("XDG_CONFIG_HOME", "relative", 1);
  EXPECT_EQ(SettingsFallbackDir(), std::string(std::getenv("HOME")) + "/.config/korvane");
  if (old)
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

TEST_F(SettingsTest, UnusableFileIsReported) {
  fs::create_directory(Ini());
  IniValueRec rec;
  LoadSettings(rec);
  EXPECT_EQ(rec.RecentDir, Bin() + "/");
  EXPECT_EQ(rec.Exports[0][0], "");
  EXPECT_FALSE(SaveSettings(rec));
  EXPECT_EQ(dialogs_.Texts(), std::vector<std::string>(2, "Ini file creation error"));
}

TEST_F(SettingsTest, FailedSaveLeavesOldFileWhole) {
  WriteFileBytes(Ini(), "[Board]\r\nflutter=7\r\n");
  IniValueRec rec;
  LoadSettings(rec);
  SetWriteFaultAfter(20);
  bool saved = SaveSettings(rec);
  SetWriteFaultAfter(-1);
  EXPECT_FALSE(saved);
  EXPECT_EQ(ReadFileBytes(Ini()), "[Board]\r\nflutter=7\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(Bin()), {}), 1) << "temporary file left";
  EXPECT_EQ(dialogs_.Texts(), std::vector<std::string>{"Ini file creation error"});
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "settings/Settings.h"
#include "stream/FileIo.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

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
  return text + "[Options]\r\nutf8 text=0\r\n";
}

// The saved file shows every value the first load gave the record. A failed save
// leaves the old file whole and no temporary file; an unreadable file is reported.
TEST_F(SettingsTest, FirstRunSavesAllKeysAndFailuresHarmNothing) {
  IniValueRec rec;
  EXPECT_TRUE(SaveSettings(rec));  // an empty RecentDir writes nothing
  EXPECT_FALSE(fs::exists(Ini()));
  LoadSettings(rec);
  ASSERT_TRUE(SaveSettings(rec));
  EXPECT_EQ(ReadFileBytes(Ini()), FirstRunFile(Bin() + "/"));

  rec.Flutter = 9;
  SetWriteFaultAfter(20);
  EXPECT_FALSE(SaveSettings(rec));
  SetWriteFaultAfter(-1);
  EXPECT_EQ(ReadFileBytes(Ini()), FirstRunFile(Bin() + "/"));
  EXPECT_EQ(std::distance(fs::directory_iterator(Bin()), {}), 1) << "temporary file left";
  fs::remove(Ini());
  fs::create_directory(Ini());
  LoadSettings(rec);  // the only boxes: the failed save and this load
  EXPECT_EQ(dialogs_.Texts(), std::vector<std::string>(2, kIniCreationError));
}

// Names match without regard to case; a changed value keeps what precedes its '=';
// missing keys follow their section's last line, missing sections the file's end. A
// directory written with backslashes gets a backslash.
TEST_F(SettingsTest, SaveKeepsTheUsersOtherLines) {
  WriteFileBytes(Ini(),
                 "; mine\r\n[PATHS]\r\nRecent = C:\\G\r\n\r\n[Extra]\r\nkeep = me\r\n[Board]\r\n"
                 "flutter=fast\r\n[Version]\r\ncurrent=0.9\r\n[Exports]\r\n12=/pgn/\r\n");
  IniValueRec rec{4, 70, {}, {}, {}};  // FilterIndex, Flutter
  LoadSettings(rec);
  EXPECT_EQ(std::tuple(rec.RecentDir, rec.FilterIndex, rec.Flutter, rec.Version),
            std::tuple("C:\\G", 0, 20, "0.9"));
  ASSERT_TRUE(SaveSettings(rec));
  std::string firstRun = FirstRunFile("");
  EXPECT_EQ(ReadFileBytes(Ini()),
            "; mine\r\n[PATHS]\r\nRecent =C:\\G\\\r\nfilter index=0\r\n\r\n[Extra]\r\nkeep = "
            "me\r\n[Board]\r\nflutter=20\r\n[Version]\r\ncurrent=" KORVANE_VERSION
            "\r\n[Exports]\r\n12=/pgn/\r\n11=Export&1\r\n13=\r\n14=LastPGN.pgn\r\n" +
                firstRun.substr(firstRun.find("21=")));
}

TEST_F(SettingsTest, ReadOnlyProgramDirUsesFallback) {
  fs::create_directory(dir_.File("config"));
  WriteFileBytes(Fallback(), "[Board]\r\nflutter=5\r\n");
  IniValueRec rec;
  LoadSettings(rec);
  EXPECT_EQ(rec.Flutter, 5) << "no file beside the program";

  SetDirWritableTest([](const std::string&) { return false; });
  WriteFileBytes(Ini(), "[Board]\r\nflutter=7\r\n");
  LoadSettings(rec);
  EXPECT_EQ(rec.Flutter, 5) << "the program's file cannot hold what was saved";
  rec.Flutter = 8;
  ASSERT_TRUE(SaveSettings(rec));
  EXPECT_EQ(ReadFileBytes(Ini()), "[Board]\r\nflutter=7\r\n");
  EXPECT_TRUE(ReadFileBytes(Fallback()).starts_with("[Board]\r\nflutter=8\r\n"));
}

// An installed program's directory, writable or not, keeps no settings: with
// the install's marker in it, saving goes to the user's config directory.
TEST_F(SettingsTest, InstalledProgramDirUsesFallbackEvenWhenWritable) {
  IniValueRec rec;
  LoadSettings(rec);
  EXPECT_TRUE(MayWriteProgramFiles(Bin()));
  EXPECT_EQ(SettingsWriteFileName(), Ini());
  WriteFileBytes(Bin() + "/" + kInstalledMarkerFile, "");
  EXPECT_FALSE(MayWriteProgramFiles(Bin()));
  EXPECT_FALSE(MayWriteProgramFiles(dir_.File("missing")));
  EXPECT_EQ(SettingsWriteFileName(), Fallback());
  rec.Flutter = 6;
  ASSERT_TRUE(SaveSettings(rec));
  EXPECT_FALSE(fs::exists(Ini()));
  LoadSettings(rec);
  EXPECT_EQ(rec.Flutter, 6) << "read back from the user's directory";
}

TEST_F(SettingsTest, FileNamesFollowProgramAndXdgConfigDir) {
  SetProgramFile("/opt/k.d/Korvane.exe");
  EXPECT_EQ(IniFileName(), "/opt/k.d/Korvane.ini");
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  SetSettingsFallbackDir("");
  setenv("XDG_CONFIG_HOME", "/x/conf", 1);
  EXPECT_EQ(FallbackIniFileName(), "/x/conf/korvane/Korvane.ini");
  setenv("XDG_CONFIG_HOME", "relative", 1);  // ignored
  EXPECT_EQ(SettingsFallbackDir(), std::string(std::getenv("HOME")) + "/.config/korvane");
  old ? setenv("XDG_CONFIG_HOME", saved.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
}

}  // namespace

namespace {

// A failure at each write call of a settings save in turn: the old file stays
// byte for byte and no temporary file is left.
TEST_F(SettingsTest, AFailureAtEveryWriteCallKeepsTheOldFile) {
  IniValueRec rec;
  LoadSettings(rec);
  ASSERT_TRUE(SaveSettings(rec));
  const std::string old = ReadFileBytes(Ini());
  rec.Flutter = 9;
  int failed = 0;
  for (int64_t n = 1;; ++n) {
    const int64_t first = WriteCallCount();
    SetWriteFaultAtCall(n);
    const bool saved = SaveSettings(rec);
    const bool injected = WriteCallCount() - first >= n;
    SetWriteFaultAtCall(0);
    if (!injected) {
      EXPECT_TRUE(saved);
      break;
    }
    ++failed;
    EXPECT_FALSE(saved) << "call " << n;
    EXPECT_EQ(ReadFileBytes(Ini()), old) << "call " << n;
    EXPECT_EQ(std::distance(fs::directory_iterator(Bin()), {}), 1) << "call " << n;
  }
  EXPECT_GT(failed, 0);
  EXPECT_NE(ReadFileBytes(Ini()), old);
}

}  // namespace

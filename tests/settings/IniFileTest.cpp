#include <gtest/gtest.h>

#include "settings/IniFile.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(IniFile, WriteChangesOnlyItsLine) {
  TTempDir dir;
  WriteFileBytes(
      dir.File("k.ini"),
      "; by hand\r\n[Paths]\r\nRecent = /old/\r\nother=1\r\n\r\n[Board]\r\nflutter=20\r\n");
  TIniFile ini(dir.File("k.ini"));
  ASSERT_TRUE(ini.Load());
  ini.WriteString("PATHS", "recent", "/new/");
  ini.WriteInteger("paths", "filter index", 3);
  ini.WriteString("Version", "current", "1.3");
  ASSERT_TRUE(ini.UpdateFile());
  EXPECT_EQ(ReadFileBytes(dir.File("k.ini")),
            "; by hand\r\n[Paths]\r\nRecent =/new/\r\nother=1\r\nfilter index=3\r\n\r\n"
            "[Board]\r\nflutter=20\r\n[Version]\r\ncurrent=1.3\r\n");
}

TEST(IniFile, LfFileReadAndWrittenBackWithCrLf) {
  TTempDir dir;
  WriteFileBytes(dir.File("k.ini"), "[A]\nx=1\n[B]\ny=2");
  TIniFile ini(dir.File("k.ini"));
  ASSERT_TRUE(ini.Load());
  EXPECT_EQ(ini.ReadString("b", "Y", "?"), "2");
  ASSERT_TRUE(ini.UpdateFile());
  EXPECT_EQ(ReadFileBytes(dir.File("k.ini")), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
}

TEST(IniFile, ReadsValueOrDefault) {
  TTempDir dir;
  WriteFileBytes(
      dir.File("k.ini"),
      "top=0\r\n[Paths]\r\nrecent=  /a b/ \t\r\nempty=\r\nquoted=\"x y\"\r\n; note=1\r\n");
  TIniFile ini(dir.File("k.ini"));
  ASSERT_TRUE(ini.Load());
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"pATHS", "RECENT", "/a b/"}, {"Paths", "empty", ""},      {"Paths", "quoted", "x y"},
      {"Paths", "missing", "dflt"}, {"Paths", "; note", "dflt"}, {"Board", "recent", "dflt"},
      {"", "top", "dflt"},
  };
  for (const auto& [section, key, value] : cases)
    EXPECT_EQ(ini.ReadString(section, key, "dflt"), value) << section << "/" << key;
  TIniFile none(dir.File("none.ini"));
  ASSERT_TRUE(none.Load());
  EXPECT_EQ(none.ReadString("Paths", "recent", "dflt"), "dflt");
}

TEST(IniFile, IntegersThatAreNotNumbersGiveDefault) {
  const std::pair<const char*, int32_t> cases[] = {
      {"12", 12}, {" -7 ", -7}, {"+5", 5},     {"abc", 99},
      {"", 99},   {"+-3", 99},  {"12abc", 99}, {"99999999999", 99},
  };
  TTempDir dir;
  for (const auto& [text, expected] : cases) {
    WriteFileBytes(dir.File("k.ini"), std::string("[S]\r\nn=") + text + "\r\n");
    TIniFile ini(dir.File("k.ini"));
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.ReadInteger("S", "n", 99), expected) << text;
  }
}

}  // namespace

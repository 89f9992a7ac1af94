#include <gtest/gtest.h>

#include <tuple>

#include "settings/IniFile.h"
#include "tests/support/TestSupport.h"

namespace {

// Writing (in place, case-blind, keeping other lines) and a missing file are covered
// through the settings.
TEST(IniFile, ReadsValueOrDefault) {
  TTempDir dir;
  WriteFileBytes(dir.File("k.ini"),
                 "top=0\n[Paths]\r\nrecent=  /a b/ \t\nempty=\r\nquoted=\"x y\"\n; note=1\r\n"
                 "[N]\na= -7 \nb=+5\nc=\nd=+-3\ne=12abc\nf=99999999999");
  TIniFile ini(dir.File("k.ini"));
  ASSERT_TRUE(ini.Load());
  const std::tuple<const char*, const char*, const char*> strings[] = {
      {"pATHS", "RECENT", "/a b/"}, {"Paths", "empty", ""},      {"Paths", "quoted", "x y"},
      {"Paths", "missing", "dflt"}, {"Paths", "; note", "dflt"}, {"Board", "recent", "dflt"},
      {"", "top", "dflt"},          {"n", "F", "99999999999"}};
  for (const auto& [section, key, value] : strings)
    EXPECT_EQ(ini.ReadString(section, key, "dflt"), value) << section << "/" << key;
  const std::pair<const char*, int32_t> integers[] = {{"a", -7}, {"b", 5},  {"c", 99},
                                                      {"d", 99}, {"e", 99}, {"f", 99}};
  for (const auto& [key, value] : integers) EXPECT_EQ(ini.ReadInteger("N", key, 99), value) << key;
}

}  // namespace

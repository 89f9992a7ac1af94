#include <gtest/gtest.h>

#include <regex>

#include "tests/support/TestSupport.h"

namespace {

// Games with trailing spaces and unused ECO tags (defective), or the same games
// as they should be (clean).
std::string Games(int count, bool defective) {
  std::string pgn;
  for (int g = 1; g <= count; ++g) {
    const bool spoiled = defective && g % 3 == 0;
    pgn += "[Event \"Open " + std::to_string(g) + "\"]" + (spoiled ? " " : "") + "\r\n";
    pgn += "[Site \"Town\"]\r\n[Date \"1999.??.??\"]\r\n[Round \"1\"]\r\n";
    pgn += "[White \"A\"]\r\n[Black \"B\"]\r\n[Result \"1-0\"]\r\n";
    if (spoiled || (defective && g % 5 == 0)) pgn += "[ECO \"?\"]\r\n";
    pgn +=
        "\r\n1. e4 e5 2. Nf3 Nc6" + std::string(spoiled ? " " : "") + "\r\n3. Bb5 a6 1-0\r\n\r\n";
  }
  return pgn;
}

int Batch(const std::string& args, std::string& output) {
  return RunCapture(BatchExe() + " " + args, output, false);
}

TEST(BatchFix, TwoMacrosGiveTheCleanCollection) {
  TTempDir dir;
  WriteFileBytes(dir.File("bad.pgn"), Games(300, true));
  WriteFileBytes(dir.File("clean.pgn"), Games(300, false));
  std::string out;
  ASSERT_EQ(Batch("normalize '" + dir.File("clean.pgn") + "' '" + dir.File("want.pgn") + "'", out),
            0);
  ASSERT_EQ(Batch("fix '" + dir.File("bad.pgn") + "' '" + dir.File("got.pgn") +
                      "' --macro 19 --macro 13 --buffer 10000",
                  out),
            0)
      << out;
  EXPECT_EQ(ReadFileBytes(dir.File("got.pgn")), ReadFileBytes(dir.File("want.pgn")));
  // 100 games with two trailing spaces each; ECO "?" in 100 + 60 - 20 games.
  std::smatch m;
  ASSERT_TRUE(std::regex_search(
      out, m, std::regex(R"(macro 19 trailing space \(replace\) replaced (\d+) pages (\d+))")))
      << out;
  EXPECT_EQ(m[1], "200");
  EXPECT_GT(std::stoi(m[2]), 1);
  ASSERT_TRUE(std::regex_search(
      out, m, std::regex(R"(macro 13 unused ECO \(delete\) replaced (\d+) pages)")))
      << out;
  EXPECT_EQ(m[1], "140");

  // Applied to a clean file, the macros replace nothing and the file comes out as Save writes it.
  ASSERT_EQ(
      Batch("fix '" + dir.File("clean.pgn") + "' '" + dir.File("again.pgn") + "' --macro 19", out),
      0);
  EXPECT_NE(out.find("replaced 0 pages 0"), std::string::npos) << out;
  EXPECT_EQ(ReadFileBytes(dir.File("again.pgn")), ReadFileBytes(dir.File("want.pgn")));
}

TEST(BatchFix, RefusalsWriteNothing) {
  TTempDir dir;
  WriteFileBytes(dir.File("bad.pgn"), Games(20, true));
  WriteFileBytes(dir.File("out.pgn"), "old contents");
  std::string out;
  const std::string files = "'" + dir.File("bad.pgn") + "' '" + dir.File("out.pgn") + "'";
  // A searching macro, a number out of range, no macro, no such input.
  for (const std::string& args :
       {files + " --macro 19 --macro 5", files + " --macro 22", files + " --macro x", files,
        "'" + dir.File("none.pgn") + "' '" + dir.File("out.pgn") + "' --macro 19"}) {
    EXPECT_NE(Batch("fix " + args, out), 0) << args;
    EXPECT_EQ(ReadFileBytes(dir.File("out.pgn")), "old contents") << args;
  }
  EXPECT_EQ(Batch("fix " + files + " --macro 10", out), 2);
}

}  // namespace

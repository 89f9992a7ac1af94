// The commands that write files give the bytes of the window's flows: normalize
// is Open then Save, fix applies repairing macros, pack and unpack round-trip.
#include <gtest/gtest.h>

#include <regex>

#include "stream/TxFlows.h"
#include "tests/support/TestSupport.h"

namespace {

// Runs korvane-batch ARGS with every path in dir quoted; gives the status, output on out.
int Batch(const TTempDir& dir, const std::vector<std::string>& args, std::string& out) {
  std::string command = BatchExe();
  for (const std::string& a : args)
    command += a.starts_with("-") ? " " + a : " '" + dir.File(a) + "'";
  return RunCapture(command, out, true);
}

// Games with trailing spaces and unused ECO tags (defective), or the same games
// as they should be (clean).
std::string Games(int count, bool defective) {
  std::string pgn;
  for (int g = 1; g <= count; ++g) {
    const bool spoiled = defective && g % 3 == 0;
    pgn +=
        "[Event \"Open " + std::to_string(g) + "\"]" + (spoiled ? " " : "") +
        "\r\n[Site \"Town\"]\r\n[Date \"1999.??.??\"]\r\n[Round \"1\"]\r\n[White \"A\"]\r\n[Black "
        "\"B\"]\r\n[Result \"1-0\"]\r\n" +
        (spoiled || (defective && g % 5 == 0) ? "[ECO \"?\"]\r\n" : "") +
        "\r\n1. e4 e5 2. Nf3 Nc6" + (spoiled ? " " : "") + "\r\n3. Bb5 a6 1-0\r\n\r\n";
  }
  return pgn;
}

TEST(BatchFlows, NormalizeWritesWhatOpenAndSaveWrite) {
  TTempDir dir;
  std::string out;
  WriteFileBytes(dir.File("london.pgn"), TestData("london1851.pgn"));
  ASSERT_EQ(Batch(dir, {"normalize", "london.pgn", "o.pgn"}, out), 0) << out;
  EXPECT_EQ(ReadFileBytes(dir.File("o.pgn")), "\r\n" + TestData("london1851.pgn"));
  EXPECT_TRUE(
      std::regex_search(out, std::regex("pages 2 games 251 bytes " +
                                        std::to_string(TestData("london1851.pgn").size() + 2))))
      << out;
  // Blank lines in odd places, a game without its blank line, text before the
  // first game: what conversion repairs.
  std::string messy = "mail header\r\n";
  for (int i = 0; i < 300; ++i)
    messy +=
        "[Event \"A\"]\r\n\r\n\r\n1. e4 1-0\r\n\r\n\r\n\r\n[Event \"B\"]\r\n[White \"w\"]\r\n1. d4 "
        "0-1\r\n[Event \"C\"]\r\n\r\n1. c4 *\r\n\r\n";
  WriteFileBytes(dir.File("in.pgn"), messy);
  ASSERT_EQ(Batch(dir, {"normalize", "in.pgn", "batch.pgn", "--buffer 10000"}, out), 1)
      << "the mail header is dropped, and said";
  TScriptDialogs dialogs;
  ClearWorkFileNames();
  InitWorkFileNames(dir.Path().string() + "/");
  std::string first, page;
  auto bullet = ProcessInputFile(OpenInputFile(dir.File("in.pgn"), first, 10000), page);
  ASSERT_TRUE(bullet && bullet->PageCount() > 1);
  ASSERT_TRUE(SaveOrAppend(*bullet, TSaveMode::Save, dir.File("window.pgn"), true));
  EXPECT_EQ(ReadFileBytes(dir.File("batch.pgn")), ReadFileBytes(dir.File("window.pgn")));
  bullet.reset();
  ClearWorkFileNames();
}

TEST(BatchFlows, TwoMacrosGiveTheCleanCollection) {
  TTempDir dir;
  WriteFileBytes(dir.File("bad.pgn"), Games(300, true));
  WriteFileBytes(dir.File("clean.pgn"), Games(300, false));
  std::string out;
  ASSERT_EQ(Batch(dir, {"normalize", "clean.pgn", "want.pgn"}, out), 0);
  ASSERT_EQ(Batch(dir, {"fix", "bad.pgn", "got.pgn", "--macro 19 --macro 13 --buffer 10000"}, out),
            0)
      << out;
  EXPECT_EQ(ReadFileBytes(dir.File("got.pgn")), ReadFileBytes(dir.File("want.pgn")));
  // 100 games with two trailing spaces each; ECO "?" in 100 + 60 - 20 games.
  std::smatch m;
  ASSERT_TRUE(std::regex_search(
      out, m,
      std::regex(
          R"(macro 19 trailing space \(replace\) replaced (\d+) pages (\d+)[^]*macro 13 unused ECO \(delete\) replaced (\d+) pages)")))
      << out;
  EXPECT_EQ(m[1].str() + " " + m[3].str(), "200 140");
  EXPECT_GT(std::stoi(m[2]), 1);
  // Applied to a clean file, the macros replace nothing and the file comes out as Save writes it.
  ASSERT_EQ(Batch(dir, {"fix", "clean.pgn", "again.pgn", "--macro 19"}, out), 0);
  EXPECT_NE(out.find("replaced 0 pages 0"), std::string::npos) << out;
  EXPECT_EQ(ReadFileBytes(dir.File("again.pgn")), ReadFileBytes(dir.File("want.pgn")));
}

// normalize, pack, unpack, normalize: the same bytes as the first normalize.
TEST(BatchFlows, PackAndUnpackRoundTrip) {
  TTempDir dir;
  WriteFileBytes(dir.File("in.pgn"), ToCrLf(WithoutUnknownTags(TestData("tatamast22.pgn"))));
  std::string out;
  ASSERT_EQ(Batch(dir, {"normalize", "in.pgn", "a.pgn"}, out), 0) << out;
  ASSERT_EQ(Batch(dir, {"pack", "a.pgn", "a.pgc"}, out), 0) << out;
  EXPECT_TRUE(out.starts_with("games 91 bytes ")) << out;
  ASSERT_EQ(Batch(dir, {"unpack", "a.pgc", "b.pgn"}, out), 0) << out;
  ASSERT_EQ(Batch(dir, {"normalize", "b.pgn", "c.pgn"}, out), 0) << out;
  EXPECT_EQ(ReadFileBytes(dir.File("c.pgn")), ReadFileBytes(dir.File("a.pgn")));
  ASSERT_EQ(Batch(dir, {"pack", "a.pgn", "a.pgc", "--append"}, out), 0);
  ASSERT_EQ(Batch(dir, {"unpack", "a.pgc", "d.pgn", "--start 91 --max 2"}, out), 0);
  EXPECT_EQ(
      out, "games 2 bytes " + std::to_string(std::filesystem::file_size(dir.File("d.pgn"))) + "\n");
}

}  // namespace

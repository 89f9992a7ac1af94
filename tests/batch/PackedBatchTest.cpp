#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TestSupport.h"

namespace {

int Batch(const std::string& args, std::string& output) {
  return RunCapture(BatchExe() + " " + args, output, true);
}

// normalize, pack, unpack, normalize: the same bytes as the first normalize.
TEST(PackedBatch, RoundTripOfKnownTagGames) {
  TTempDir dir;
  WriteFileBytes(dir.File("in.pgn"), ToCrLf(WithoutUnknownTags(TestData("tatamast22.pgn"))));
  std::string out;
  ASSERT_EQ(Batch("normalize " + dir.File("in.pgn") + " " + dir.File("a.pgn"), out), 0) << out;
  ASSERT_EQ(Batch("pack " + dir.File("a.pgn") + " " + dir.File("a.pgc"), out), 0) << out;
  EXPECT_TRUE(out.starts_with("games 91 bytes ")) << out;
  ASSERT_EQ(Batch("unpack " + dir.File("a.pgc") + " " + dir.File("b.pgn"), out), 0) << out;
  ASSERT_EQ(Batch("normalize " + dir.File("b.pgn") + " " + dir.File("c.pgn"), out), 0) << out;
  EXPECT_EQ(ReadFileBytes(dir.File("c.pgn")), ReadFileBytes(dir.File("a.pgn")));

  ASSERT_EQ(Batch("pack " + dir.File("a.pgn") + " " + dir.File("a.pgc") + " --append", out), 0);
  ASSERT_EQ(
      Batch("unpack " + dir.File("a.pgc") + " " + dir.File("d.pgn") + " --start 91 --max 2", out),
      0);
  EXPECT_EQ(
      out, "games 2 bytes " + std::to_string(std::filesystem::file_size(dir.File("d.pgn"))) + "\n");
}

TEST(PackedBatch, RefusalsNameTheCause) {
  TTempDir dir;
  WriteFileBytes(dir.File("k.pgn"), ToCrLf(TestData("kasparov-deep-blue-1997.pgn")));
  std::string out;
  EXPECT_EQ(Batch("pack " + dir.File("k.pgn") + " " + dir.File("k.pgc"), out), 3);
  EXPECT_NE(out.find("Pack Error (unknown tag \"EventDate\""), std::string::npos) << out;
  EXPECT_FALSE(std::filesystem::exists(dir.File("k.pgc")));
  EXPECT_EQ(Batch("unpack " + dir.File("k.pgn") + " " + dir.File("o.pgn"), out), 3);
  EXPECT_NE(out.find("Unpacking error: (not a packed game line)"), std::string::npos) << out;
  EXPECT_EQ(Batch("unpack " + dir.File("k.pgc") + " " + dir.File("o.pgn") + " --start x", out), 2);
  EXPECT_FALSE(std::filesystem::exists(dir.File("o.pgn")));
}

}  // namespace

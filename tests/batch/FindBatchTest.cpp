#include <gtest/gtest.h>

#include <regex>

#include "tests/support/TestSupport.h"

namespace {

std::string Find(const std::string& args, int& status) {
  std::string output;
  status = RunCapture(BatchExe() + " find " + args, output, false);
  return output;
}

int Lines(const std::string& text, const std::regex& holds) {
  int n = 0;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    n += std::regex_search(text.substr(at, end - at), holds);
    at = end + 2;
  }
  return n;
}

TEST(BatchFind, ListsEveryLineOnceWithTheWholeWordRule) {
  const std::string source = TestData("london1851.pgn");
  const std::string file = "'" + TestDataPath("london1851.pgn") + "'";
  int status = 0;
  std::string out = Find(file + " Mucklow --buffer 10000", status);
  EXPECT_EQ(status, 0);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(out, m, std::regex(R"(entries (\d+) pages (\d+)\n$)"))) << out;
  EXPECT_EQ(std::stoi(m[1]), Lines(source, std::regex("Mucklow")));
  EXPECT_GT(std::stoi(m[2]), 3);
  const std::regex entry("page \\d+ offset \\d+: ");
  EXPECT_EQ(
      std::distance(std::sregex_iterator(out.begin(), out.end(), entry), std::sregex_iterator()),
      std::stoi(m[1]));

  // "Bc4" as a whole word; "Bc4+" counts, "Bc45" would not.
  out = Find(file + " Bc4 --whole", status);
  ASSERT_TRUE(std::regex_search(out, m, std::regex(R"(entries (\d+) pages)"))) << out;
  EXPECT_EQ(std::stoi(m[1]), Lines(source, std::regex("(^|[^A-Za-z0-9])Bc4([^A-Za-z0-9]|$)")));
  EXPECT_LT(std::stoi(m[1]), Lines(source, std::regex("Bc4")) + 1);

  out = Find(file + " zzqx", status);
  EXPECT_NE(out.find("entries 0 pages 0"), std::string::npos);
  for (const char* bad : {"", " onlyfile", " a b c", " a b --buffer 5"}) {
    Find(std::string(bad), status);
    EXPECT_EQ(status, 2) << bad;
  }
}

}  // namespace

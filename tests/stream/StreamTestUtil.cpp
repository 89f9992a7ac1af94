#include "tests/stream/StreamTestUtil.h"

#include <gtest/gtest.h>

#include <memory>

std::vector<std::string> ReferenceGames(const std::string& text) {
  std::vector<size_t> starts;
  for (size_t at = 0; (at = text.find("[Event ", at)) != std::string::npos; ++at)
    if (at == 0 || text[at - 1] == '\n') starts.push_back(at);
  std::vector<std::string> games;
  for (size_t i = 0; i < starts.size(); ++i) {
    size_t from = i == 0 ? 0 : starts[i] - 2;
    size_t to = i + 1 < starts.size() ? starts[i + 1] : text.size();
    while (to > from && std::string(" \t\r\n").find(text[to - 1]) != std::string::npos) --to;
    while (to < text.size() && (text[to] == ' ' || text[to] == '\t')) ++to;
    games.push_back(text.substr(from, to - from));
  }
  return games;
}

std::vector<std::string> ReadAllGames(const std::string& path, int32_t bufferSize) {
  TFStreamTxStr stream(path, "", "", TOpenMode::Read, bufferSize);
  std::vector<std::string> games;
  std::string game;
  while (!stream.GamesDone) {
    stream.ReadGame(game);
    games.push_back(game);
  }
  return games;
}

std::vector<std::string> GamesOfPages(TFStreamTxStr& bullet) {
  std::vector<std::string> games;
  std::string page;
  for (int32_t p = 1; p <= bullet.PageCount(); ++p) {
    EXPECT_EQ(bullet.GotoPage(p, page), p);
    size_t at = 0;
    while ((at = NextBullet(page, at)) != std::string::npos) {
      size_t next = NextBullet(page, at + 1);
      std::string game =
          page.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
      if (game.size() >= 2 && game.compare(game.size() - 2, 2, "\r\n") == 0)
        game.resize(game.size() - 2);
      games.push_back(game);
      at = next;
      if (at == std::string::npos) break;
    }
  }
  return games;
}

#include "pgn/TextDrops.h"

#include <utility>

namespace {

constexpr int64_t kSummaryEntries = 20;   // the window lists this many, then counts the rest
constexpr size_t kShownTextLength = 300;  // of one report's text
constexpr std::string_view kEventLineStart = "\r\n[Event ";  // a game as the reader hands it out

std::function<void(const TTextDrop&)> reporter;
int64_t reported = 0;
std::string gathered;

const char* KindWords(TDropKind kind) {
  switch (kind) {
    case TDropKind::AfterResult:
      return "dropped after its result";
    case TDropKind::BeforeTags:
      return "dropped before its first tag";
    case TDropKind::BetweenGames:
      return "dropped before its Event line";
    case TDropKind::TagsMoved:
      return "tag lines from above its Event line moved below it";
  }
  return "";
}

bool IsBlankByte(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::string DescribeDrop(const TTextDrop& drop) {
  std::string_view text = drop.Text;
  while (!text.empty() && IsBlankByte(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankByte(text.back())) text.remove_suffix(1);
  std::string shown;
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.starts_with(kByteOrderMark)) {
    text.remove_prefix(kByteOrderMark.size());
    shown = "the UTF-8 byte-order mark";
    if (!text.empty()) shown += " / ";
  }
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\r\n") == 0) {
      shown += " / ";
      ++i;
    } else if (text[i] == '\n') {
      shown += " / ";
    } else {
      shown += text[i];
    }
  }
  if (shown.size() > kShownTextLength) shown = shown.substr(0, kShownTextLength) + "...";
  return "game " + std::to_string(drop.Game) + ": " + KindWords(drop.Kind) + ": " + shown;
}

void SetDropReporter(std::function<void(const TTextDrop&)> r) {
  reporter = std::move(r);
}

void ReportTextDrop(const TTextDrop& drop) {
  ++reported;
  if (reporter) {
    reporter(drop);
    return;
  }
  if (reported <= kSummaryEntries) gathered += DescribeDrop(drop) + "\r\n";
}

int64_t TextDropCount() {
  return reported;
}

std::string TakeDropSummary() {
  std::string box;
  if (reported > 0 && !gathered.empty()) {
    box =
        "Odd game end\r\nText outside the games was taken out or moved while the file was "
        "read. The file itself stays as it is until it is saved:\r\n\r\n" +
        gathered;
    if (reported > kSummaryEntries)
      box += "... and " + std::to_string(reported - kSummaryEntries) +
             " more (korvane-batch normalize lists every one).\r\n";
  }
  reported = 0;
  gathered.clear();
  return box;
}

bool HoldsText(std::string_view text) {
  for (char c : text)
    if (!IsBlankByte(c)) return true;
  return false;
}

std::string_view TagLineName(std::string_view line) {
  while (!line.empty() && IsBlankByte(line.back())) line.remove_suffix(1);
  if (line.size() < 4 || line.front() != '[' || line.back() != ']') return {};
  const size_t space = line.find(' ');
  if (space == std::string_view::npos || space < 2) return {};
  return line.substr(1, space - 1);
}

bool GameHasTag(std::string_view game, std::string_view name) {
  size_t at = 0;
  while (at < game.size()) {
    size_t end = game.find('\n', at);
    if (end == std::string_view::npos) end = game.size();
    std::string_view line = game.substr(at, end - at);
    at = end + 1;
    if (!HoldsText(line)) continue;
    const std::string_view tag = TagLineName(line);
    if (tag.empty()) return false;
    if (tag == name) return true;
  }
  return false;
}

void SplitTrailingTagLines(std::string& text, std::string& tags) {
  tags.clear();
  if (text.empty()) return;
  std::string_view rest = text;
  std::string found;
  for (;;) {
    while (!rest.empty() && IsBlankByte(rest.back())) rest.remove_suffix(1);
    const size_t lf = rest.rfind('\n');
    const size_t from = lf == std::string_view::npos ? 0 : lf + 1;
    const std::string_view line = rest.substr(from);
    if (line.empty() || TagLineName(line).empty()) break;
    found.insert(0, std::string(line) + "\r\n");
    rest = rest.substr(0, from);
  }
  tags = std::move(found);
  text.resize(rest.size());
}

std::string MoveTagsBelowEvent(std::string& game, std::string_view tags, std::string& refused) {
  const size_t eventLineEnd = game.find("\r\n", 2);
  if (!game.starts_with(kEventLineStart) || eventLineEnd == std::string::npos) {
    refused += tags;
    return {};
  }
  std::string moved;
  for (size_t at = 0; at < tags.size();) {
    const size_t end = tags.find('\n', at) + 1;
    const std::string_view line = tags.substr(at, end - at);
    at = end;
    const std::string_view name = TagLineName(line);
    if (GameHasTag(game, name) || moved.find("[" + std::string(name) + " ") != std::string::npos)
      refused += line;
    else
      moved += line;
  }
  game.insert(eventLineEnd + 2, moved);
  return moved;
}

#include "find/FindList.h"

#include <algorithm>

#include "find/PageSearch.h"
#include "pgn/StrScan.h"
#include "settings/CTErrorU.h"
#include "stream/TxStream.h"

namespace {

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool LessNoCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(Lower(x)) < static_cast<unsigned char>(Lower(y));
  });
}

}  // namespace

bool IsWholeWordMatch(std::string_view text, int pos, int length) {
  if (pos > 1 && IsAsciiAlnum(text[static_cast<size_t>(pos - 2)])) return false;
  const size_t after = static_cast<size_t>(pos - 1 + length);
  return after >= text.size() || !IsAsciiAlnum(text[after]);
}

TMatchLine GetMatchLine(std::string_view text, int pos, int length) {
  const size_t from = static_cast<size_t>(pos - 1);
  const size_t lf = from == 0 ? std::string_view::npos : text.rfind('\n', from - 1);
  const size_t start = lf == std::string_view::npos ? 0 : lf + 1;
  const size_t last = from + static_cast<size_t>(std::max(length, 1)) - 1;
  // Up to the first CR LF (a stray CR before it is part of the line); the
  // text's end when there is none.
  const size_t crlf = text.find("\r\n", last);
  const size_t end = crlf == std::string_view::npos ? text.size() : crlf + 2;
  TMatchLine m;
  m.Text = std::string(text.substr(start, end - start));
  m.Length = static_cast<int>(end - start);
  m.Start = static_cast<int>(start) + 1;
  return m;
}

bool CollectPageMatches(TListCollector& c, std::string_view page, int32_t pageNumber) {
  const int length = static_cast<int>(c.Find.size());
  // The skip search takes patterns of 256 bytes at most; a longer find text (a
  // check's excerpt, say) is looked for byte by byte rather than never found.
  const bool skipSearch = c.Find.size() <= static_cast<size_t>(kFindFastMaxPattern);
  int start = 1;
  while (true) {
    const int pos = skipSearch ? FindFast(page, c.Find, start) : FindWild(page, c.Find, start);
    if (pos == 0) return true;
    if (c.WholeWord && !IsWholeWordMatch(page, pos, length)) {
      start = pos + 1;
      continue;
    }
    TMatchLine m = GetMatchLine(page, pos, length);
    c.Total += m.Length;
    if (c.Full()) {
      c.CapacityPage = pageNumber;
      return false;
    }
    c.List.Items.push_back(
        std::make_unique<TFoundLine>(std::move(m.Text), c.Find, pageNumber, m.Start - 1, m.Length));
    start = m.Start + m.Length;
  }
}

void CollectFileMatches(TFStreamTxStr& workFile, TListCollector& collector) {
  const int32_t first = workFile.CurrentPage();
  const int32_t count = workFile.PageCount();
  int32_t page = first;
  for (int32_t step = 0; step < count; ++step) {
    if (page > count) page = 1;
    const char* text = nullptr;
    int32_t length = 0;
    if (workFile.GotoPageRaw(page, text, length) == page) {
      if (!CollectPageMatches(collector, std::string_view(text, static_cast<size_t>(length)), page))
        break;
    }
    ++page;
  }
  if (workFile.Map && first >= 1) workFile.Map->Current = first;
}

void SortByLine(TList2& list) {
  std::stable_sort(list.Items.begin(), list.Items.end(),
                   [](const auto& a, const auto& b) { return LessNoCase(a->Line, b->Line); });
}

std::string ListText(const TList2& list, bool multiLine) {
  std::string text;
  size_t total = 0;
  for (const auto& e : list.Items) total += e->Line.size();
  text.reserve(total);
  for (const auto& e : list.Items) {
    const size_t at = text.size();
    text += e->Line;
    if (!multiLine) continue;
    const size_t keep = text.size() >= at + 2 ? text.size() - 2 : at;
    for (size_t i = at; i < keep; ++i) {
      if (text[i] == '\r' || text[i] == '\n') text[i] = ' ';
    }
  }
  return text;
}

void ReadBackList(TList2& list, std::string_view text) {
  // Every line is read before any entry changes, so that a failure leaves the
  // list as it was.
  std::vector<std::string_view> lines;
  lines.reserve(list.Items.size());
  size_t at = 0;
  for (size_t i = 0; i < list.Items.size(); ++i) {
    const size_t cr = text.find("\r\n", at);
    if (cr == std::string_view::npos) throw EFindListError();
    lines.push_back(text.substr(at, cr + 2 - at));
    at = cr + 2;
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    auto& entry = list.Items[i];
    if (lines[i] == entry->Line) {
      entry.reset();
    } else {
      entry->NewLine = std::string(lines[i]);
    }
  }
  std::erase(list.Items, nullptr);
  list.Items.shrink_to_fit();
  std::stable_sort(list.Items.begin(), list.Items.end(), [](const auto& a, const auto& b) {
    return a->Page != b->Page ? a->Page < b->Page : a->Offset > b->Offset;
  });
}

void ReplaceLineInPage(const std::string& oldLine, const std::string& newLine, int32_t offset,
                       std::string& page, int32_t length) {
  const size_t at = static_cast<size_t>(offset);
  const size_t n = static_cast<size_t>(length);
  if (offset < 0 || at + n > page.size() || page.compare(at, n, oldLine) != 0) {
    TerminatingError("corrupted list");
  }
  page.replace(at, n, newLine);
}

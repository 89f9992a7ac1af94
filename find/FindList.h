// The Find list: every line of the work file that holds the find text, gathered
// for editing in one place, and the way its edited lines go back into their
// pages. Positions of the search routines are 1-based; entry offsets are
// 0-based offsets into the page text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TFStreamTxStr;

// One collected line.
class TFoundLine {
 public:
  TFoundLine(std::string line, std::string newLine, int32_t page, int32_t offset, int32_t length)
      : Line(std::move(line)),
        NewLine(std::move(newLine)),
        Page(page),
        Offset(offset),
        Length(length) {}
  virtual ~TFoundLine() = default;

  std::string Line;     // the page's line(s) holding the match, CR LF included
  std::string NewLine;  // the find text when made; the edited line after read-back
  int32_t Page;
  int32_t Offset;  // of the line's first byte in the page
  int32_t Length;  // of Line
};

// The list owns its entries.
class TList2 {
 public:
  std::vector<std::unique_ptr<TFoundLine>> Items;
  int32_t Count() const { return static_cast<int32_t>(Items.size()); }
  TFoundLine& operator[](int32_t i) { return *Items[static_cast<size_t>(i)]; }
  const TFoundLine& operator[](int32_t i) const { return *Items[static_cast<size_t>(i)]; }
};

// Raised by ReadBackList when the edited list text has fewer complete lines
// than the list has entries.
class EFindListError : public std::exception {
 public:
  const char* what() const noexcept override { return "failed translation"; }
};

// The list's "Whole" rule: no ASCII letter or digit right before the match
// (pos, 1-based) or right after it; the page's end counts as a non-word byte.
bool IsWholeWordMatch(std::string_view text, int pos, int length);

struct TMatchLine {
  std::string Text;  // from the line start to the CR LF that ends the match's last line
  int Length = 0;
  int Start = 0;  // 1-based
};
// The whole line(s) around a match at pos (1-based) of length bytes.
TMatchLine GetMatchLine(std::string_view text, int pos, int length);

// A list being gathered: its running total of collected bytes against its capacity.
struct TListCollector {
  TList2& List;
  std::string Find;
  bool WholeWord = false;
  int64_t Capacity = 0;  // twice the work file's buffer size
  int64_t Total = 0;
  int32_t CapacityPage = 0;  // the page where the capacity was reached, or 0

  bool Full() const { return Total > Capacity; }
};

// Adds the lines of one page that hold the find text (case-sensitive, '?'
// matching any byte), each line once. Returns false when the capacity was
// reached on this page (that line is not added).
bool CollectPageMatches(TListCollector& collector, std::string_view page, int32_t pageNumber);

// Walks every page once, from the current page on and wrapping to page 1, until
// the capacity is reached; the current page is left as it was.
void CollectFileMatches(TFStreamTxStr& workFile, TListCollector& collector);

// Ascending by Line, ASCII letters compared without case.
void SortByLine(TList2& list);
// The entries' lines one after the other; for a find text with CR LF, the line
// breaks inside an entry show as spaces.
std::string ListText(const TList2& list, bool multiLine);

// Pairs the edited list text, line by line (each ended by its first CR LF), with the entries in
// display order: unchanged entries are dropped, changed ones get NewLine. Leaves the rest sorted by
// page and, inside a page, from the last line to the first. Throws EFindListError when a line is
// missing or not ended by CR LF.
void ReadBackList(TList2& list, std::string_view text);

// Swaps the length bytes at offset (0-based) of page for newLine; they must be
// oldLine, or the list no longer fits its pages ("corrupted list", terminating).
void ReplaceLineInPage(const std::string& oldLine, const std::string& newLine, int32_t offset,
                       std::string& page, int32_t length);

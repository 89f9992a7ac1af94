#include "find/CheckMacros.h"

#include "pgn/PgnTags.h"
#include "settings/Dialogs.h"
#include "stream/TxStream.h"

namespace {

// NN of a four-character code prefix + two digits, or 0.
int CodeNumber(std::string_view text, std::string_view prefix) {
  if (text.size() != 4 || text.substr(0, 2) != prefix) return 0;
  const char hi = text[2];
  const char lo = text[3];
  if (hi < '0' || hi > '9' || lo < '0' || lo > '9') return 0;
  return (hi - '0') * 10 + (lo - '0');
}

constexpr int kFlagCheck = 5;  // writes its flags into the pages it checks

}  // namespace

bool IsReplaceMacro(int index) {
  return index >= 1 && index <= kMacroCount && !kMacros[index - 1].ReplaceCode.empty();
}

std::pair<std::string, std::string> MacroCodes(int index) {
  if (index < 1 || index > kMacroCount) return {};
  const TMacro& m = kMacros[index - 1];
  return {std::string(m.FindCode), std::string(m.ReplaceCode)};
}

std::string ResolveLiteralCode(const std::string& text) {
  const int nn = CodeNumber(text, "&&");
  if (nn < 1 || nn > kMacroCount) return text;
  return std::string(kLiteralTexts[nn - 1]);
}

int CheckCodeNumber(std::string_view text) {
  const int nn = CodeNumber(text, "$$");
  return nn >= 1 && nn <= 7 ? nn : 0;
}

std::string CheckAllPages(TFStreamTxStr& work, int nn, int32_t* pagesWritten) {
  std::string result;
  if (!work.Map) return result;
  const int32_t current = work.CurrentPage();
  const int32_t count = work.PageCount();
  int32_t page = current;
  std::string text;
  for (int32_t step = 0; step < count; ++step) {
    page = page < count ? page + 1 : 1;
    if (work.GotoPage(page, text) != page) continue;
    const std::string found = RunGameCheck(nn, text);
    if (found.empty()) continue;
    result = found;
    if (nn != kFlagCheck) break;
    try {
      work.WritePage(text);
    } catch (const std::exception& e) {
      // The page keeps its old text; the walk goes on with the next one.
      ShowMessage("Page " + std::to_string(page) + " was not flagged: " + e.what());
      continue;
    }
    if (pagesWritten) ++*pagesWritten;
  }
  std::string again;
  work.GotoPage(current, again);
  return result;
}

bool RunCheckCode(TFStreamTxStr* work, const std::string& pageText, std::string& find,
                  int32_t* pagesWritten) {
  const int nn = CheckCodeNumber(find);
  if (nn == 0) return false;
  std::string result;
  if (pageText.empty()) {
    if (work) result = CheckAllPages(*work, nn, pagesWritten);
  } else if (nn == kFlagCheck) {
    ShowMessage("Use $$05 with \"in file\" only");
  } else {
    std::string text = pageText;
    result = RunGameCheck(nn, text);
  }
  if (result.empty()) return false;
  find = result;
  return true;
}

TPageReplaceResult ReplaceOnPage(std::string& text, const std::string& find,
                                 const std::string& repl, const TSearchOptions& options,
                                 int64_t maxLength) {
  TPageReplaceResult r;
  if (find.empty()) return r;
  const int64_t growth = static_cast<int64_t>(repl.size()) - static_cast<int64_t>(find.size());
  if (options.WholeWord) {
    // The byte before the next match is then the replacement's last: the
    // search goes on in the changed text.
    for (int64_t from = 0;;) {
      const int64_t at = SearchText(text, find, from, options);
      if (at < 0) break;
      if (text.compare(static_cast<size_t>(at), find.size(), find) != 0) {
        ++r.CaseDiffers;
        from = at + 1;
        continue;
      }
      if (static_cast<int64_t>(text.size()) + growth > maxLength) {
        r.Refused = true;
        break;
      }
      text.replace(static_cast<size_t>(at), find.size(), repl);
      from = at + static_cast<int64_t>(repl.size());
      ++r.Replaced;
    }
    return r;
  }
  // Built in one pass, so that many replacements on a long page stay linear.
  std::string out;
  size_t copied = 0;  // bytes of text already in out
  int64_t length = static_cast<int64_t>(text.size());
  for (int64_t from = 0;;) {
    const int64_t at = SearchText(text, find, from, options);
    if (at < 0) break;
    const auto pos = static_cast<size_t>(at);
    if (text.compare(pos, find.size(), find) != 0) {
      // Found in other letter case: left as it is, and counted.
      ++r.CaseDiffers;
      from = at + 1;
      continue;
    }
    if (length + growth > maxLength) {
      r.Refused = true;
      break;
    }
    if (r.Replaced == 0) out.reserve(text.size() + (growth > 0 ? text.size() / 8 : 0));
    out.append(text, copied, pos - copied);
    out += repl;
    copied = pos + find.size();
    length += growth;
    from = static_cast<int64_t>(copied);
    ++r.Replaced;
  }
  if (r.Replaced == 0) return r;
  out.append(text, copied, std::string::npos);
  text = std::move(out);
  return r;
}

TMacroTally ApplyReplaceMacro(TFStreamTxStr& work, int index) {
  TMacroTally tally;
  if (!IsReplaceMacro(index) || !work.Map) return tally;
  const auto [findCode, replCode] = MacroCodes(index);
  const std::string find = ResolveLiteralCode(findCode);
  const std::string repl = ResolveLiteralCode(replCode);
  const TSearchOptions options;
  const int64_t limit = int64_t{work.BufferSize} + kBufferSlack;
  for (int32_t page = 1; page <= work.PageCount(); ++page) {
    const char* raw = nullptr;
    int32_t length = 0;
    if (work.GotoPageRaw(page, raw, length) != page) continue;
    const std::string_view bytes(raw, static_cast<size_t>(length));
    if (SearchText(bytes, find, 0, options) < 0) continue;
    std::string text(bytes);
    const TPageReplaceResult r = ReplaceOnPage(text, find, repl, options, limit);
    if (r.Refused) ++tally.Refused;
    if (r.Replaced == 0) continue;
    work.WritePage(text);
    tally.Replaced += r.Replaced;
    ++tally.Pages;
  }
  return tally;
}

// A walk through the window with random user actions, checked against a plain
// model of the collection: the stored text of every page. After every action
// the program is still running and the page on screen is what the model says;
// after every Save the file holds the model's games. A failing walk prints its
// actions, shrunk to the shortest list that still fails.
//
// KORVANE_SEED (first seed), KORVANE_SEED_COUNT and KORVANE_ACTIONS choose the
// walks, so that any seed can be run by hand.
#include <QAction>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <random>

#include "find/CheckMacros.h"
#include "tests/gui/GuiTestSupport.h"

namespace {

// Questions are answered the way a user who wants to go on would; every box
// is kept for the report of a failing walk.
class TWalkDialogs : public TScriptDialogs {
 public:
  TMsgAnswer Message(const std::string& text, TMsgKind, TMsgButtons buttons, int) override {
    Texts.push_back(text);
    return buttons == TMsgButtons::YesNoCancel                              ? TMsgAnswer::No
           : buttons == TMsgButtons::Ok || buttons == TMsgButtons::OkCancel ? TMsgAnswer::Ok
                                                                            : TMsgAnswer::Yes;
  }
  std::vector<std::string> Texts;
};

// Each kind of action with the control it uses.
// clang-format off
#define KINDS(X)                                                                               \
  X(Next, "Button1") X(Prev, "Button2") X(First, "Button4") X(Last, "Button3") X(Go, "Button8") \
  X(Type, "") X(Delete, "") X(Undo, "Undo1") X(Restore, "Restore1") X(AddPage, "AddPage1")     \
  X(FindInPage, "Button6") X(ReplaceInPage, "Button7") X(FindInFile, "Button6")                \
  X(ReplaceInFile, "Button7") X(BuildList, "Button6") X(ClickListAgain, "") X(LeaveList, "")    \
  X(JumpFromList, "") X(Cut, "Cut1") X(Macro, "") X(Reorg, "Button5") X(Save, "Save1")          \
  X(ForeignFind, "") X(ToggleCase, "CaseSensitive1")
// clang-format on
#define KIND_ENUM(name, control) k##name,
#define KIND_ROW(name, control) {#name, control},
enum TKind { KINDS(KIND_ENUM) kKindCount };
constexpr struct { const char *Name, *Control; } kKinds[kKindCount] = {KINDS(KIND_ROW)};

struct TAction {
  int Kind;
  uint32_t A, B;
};

// Find texts and their replacements: names in two letter cases, a result, a
// move, and texts only the damaged games hold.
constexpr std::pair<const char*, const char*> kWords[] = {
    {"Marshall", "MARSHALL"}, {"Staunton", "Stanton"}, {"1-0", "0-1"},
    {"Nf3", "Ng3"},           {"wyvill", "Wyvill"},    {"Zee", "Sea"}};

const char* const kNames[] = {"Marshall", "Staunton",    "Anderssen",
                              "Wyvill",   "Kieseritzky", "Morphy"};

// The collection: generated games, a few of them damaged the way real files
// are (a stray CR before a line end, a last tag without its closing quote, a
// comment line that starts with a bracket).
std::string Collection() {
  std::mt19937 rng(7);
  std::string out;
  for (int g = 0; g < 120; ++g) {
    const char* white = kNames[rng() % 6];
    const char* black = kNames[rng() % 6];
    const char* result = (rng() % 2) ? "1-0" : "0-1";
    out += "[Event \"Casual " + std::to_string(g) + "\"]\r\n[Site \"London\"]\r\n";
    out += "[Date \"1851.??.??\"]\r\n[Round \"" + std::to_string(g % 9 + 1) + "\"]\r\n";
    out += std::string("[White \"") + white + "\"]\r\n[Black \"" + black + "\"]\r\n";
    out += std::string("[Result \"") + result + (g == 23 ? "\r\n\r\n" : "\"]\r\n\r\n");
    const int lines = 3 + static_cast<int>(rng() % 5);
    for (int l = 0; l < lines; ++l) {
      out += std::to_string(l * 2 + 1) + ". e4 e5 " + std::to_string(l * 2 + 2) + ". Nf3 Nc6";
      if (rng() % 3 == 0) out += " {the marshall idea}";
      if (rng() % 4 == 0) out += std::string(" {") + kNames[rng() % 6] + " thought long}";
      out += g == 11 && l == 1 ? "\r\r\n" : "\r\n";
    }
    if (g == 17) out += "{a game of the\r\n[Wijk aan Zee 1999]\r\ntournament}\r\n";
    out += std::string(result) + "\r\n\r\n";
  }
  return out;
}

std::string Joined(const std::vector<std::string>& pages) {
  return std::accumulate(pages.begin(), pages.end(), std::string());
}

// The end of the line at at, past its CR LF; the line itself.
size_t LineEnd(const std::string& text, size_t at) {
  const size_t end = text.find("\r\n", at);
  return end == std::string::npos ? text.size() : end + 2;
}
std::string LineAt(const std::string& text, size_t at) {
  return text.substr(at, LineEnd(text, at) - at);
}

// One walk: a fresh window on the collection, the model beside it.
class TWalk {
 public:
  TWalk() {
    WriteFileBytes(path_, Collection());
    c_.Start();
    c_.SetBufferSize("10000");
    dialogs_.FileNames.push_back(path_);
    c_.Menu("Open1");
    Resync();
  }

  // Runs the action; an empty string when the program and the model agree.
  std::string Run(const TAction& a) {
    try {
      Do(a);
    } catch (const EHalt& h) {
      return "the program ended (exit " + std::to_string(h.ExitCode) + ") after: " + LastBox();
    }
    return failure_.empty() ? failure_ : failure_ + "\n  last box: " + LastBox();
  }

 private:
  TPageEditor* Memo() { return c_.Memo(); }
  TFStreamTxStr& Work() { return *c_.Form->Stream(); }
  std::string View() { return std::string(Memo()->View()); }
  std::string LastBox() { return dialogs_.Texts.empty() ? "(no box)" : dialogs_.Texts.back(); }
  const TList2* List() { return c_.Form->FindListShown(); }
  // A push button is clicked; a menu item is chosen when it is enabled.
  void Press(const char* control) {
    if (c_.Find<QPushButton>(control)) return c_.Click(control);
    if (c_.Find<QAction>(control)->isEnabled()) c_.Menu(control);
  }
  void Fail(const std::string& what) {
    if (failure_.empty()) failure_ = what;
  }

  // The model taken again from every page of the work file, read without
  // moving the page on screen.
  void Resync() {
    stored_.clear();
    cur_ = Work().CurrentPage();
    for (int32_t p = 1; p <= Work().PageCount(); ++p) {
      const char* raw = nullptr;
      int32_t length = 0;
      Work().GotoPageRaw(p, raw, length);
      stored_.emplace_back(raw, static_cast<size_t>(length));
    }
    Work().Map->Current = cur_;
  }

  // The page on screen must be the model's page: after any action that
  // commits or moves pages.
  void CheckPage(const char* after) {
    cur_ = Work().CurrentPage();
    const char* why = List() ? "a Find list is still shown"
                      : Work().PageCount() != static_cast<int32_t>(stored_.size())
                          ? "the model has another number of pages"
                      : expectPage_ != 0 && cur_ != expectPage_ ? "another page was to be shown"
                      : View() != stored_[static_cast<size_t>(cur_ - 1)]
                          ? "the page on screen differs from the model"
                          : nullptr;
    if (why) Fail(std::string(after) + ": page " + std::to_string(cur_) + ": " + why);
  }

  // Before an action that stores the page on screen or leaves the Find list:
  // the page goes into the model, or the edited list lines into their pages.
  void Commit() {
    const TList2* list = List();
    if (!list) {
      stored_[static_cast<size_t>(cur_ - 1)] = View();
      return;
    }
    const std::string text = View();
    std::vector<std::tuple<int32_t, int32_t, std::string, std::string>> edits;
    for (size_t i = 0, at = 0; i < static_cast<size_t>(list->Count());
         at = LineEnd(text, at), ++i) {
      const TFoundLine& e = (*list)[static_cast<int32_t>(i)];
      if (LineAt(text, at) != e.Line)
        edits.emplace_back(e.Page, e.Offset, e.Line, LineAt(text, at));
    }
    std::sort(edits.rbegin(), edits.rend());  // the last offset of a page first
    for (const auto& [page, offset, oldLine, newLine] : edits) {
      stored_[static_cast<size_t>(page - 1)].replace(static_cast<size_t>(offset), oldLine.size(),
                                                     newLine);
    }
  }

  // The list shown must hold exactly the lines of the model's pages that hold
  // the find text, each line up to its CR LF, each once, in the text shown.
  void CheckList(const std::string& find, size_t boxesBefore) {
    const TList2* list = List();
    std::vector<std::tuple<int32_t, int32_t, std::string>> want, got;
    for (size_t p = 0; p < stored_.size(); ++p) {
      for (size_t at = 0; at < stored_[p].size(); at = LineEnd(stored_[p], at)) {
        const std::string line = LineAt(stored_[p], at);
        if (line.find(find) != std::string::npos) want.emplace_back(p + 1, at, line);
      }
    }
    std::string text;
    for (int32_t i = 0; i < list->Count(); ++i) {
      got.emplace_back((*list)[i].Page, (*list)[i].Offset, (*list)[i].Line);
      text += (*list)[i].Line;
    }
    std::sort(got.begin(), got.end());
    // A list that reached its capacity holds only some of the lines.
    const bool full = std::any_of(
        dialogs_.Texts.begin() + static_cast<long>(boxesBefore), dialogs_.Texts.end(),
        [](const std::string& box) { return box.starts_with("Find List capacity reached"); });
    if (full ? !std::includes(want.begin(), want.end(), got.begin(), got.end()) : got != want)
      return Fail("Find list entries differ from the model's lines");
    if (View() != text) Fail("Find list text differs from its entries");
  }

  // Every exact match of find on every page, left to right.
  void ReplaceModel(const std::string& find, const std::string& repl) {
    for (std::string& page : stored_) {
      for (size_t at = page.find(find); at != std::string::npos;
           at = page.find(find, at + repl.size())) {
        page.replace(at, find.size(), repl);
      }
    }
  }

  // A position inside a line that is no tag line (a changed tag name may cost
  // a game its start, which the page store refuses), between two letters,
  // digits or spaces, chosen by r.
  int64_t PlainPosition(uint32_t r, bool deleting) {
    const std::string text = View();
    const auto alnum = [](char ch) { return std::isalnum(static_cast<unsigned char>(ch)) != 0; };
    std::vector<int64_t> spots;
    bool tagLine = !text.empty() && text[0] == '[';
    for (size_t i = 1; i + 1 < text.size(); ++i) {
      if (text[i - 1] == '\n') tagLine = text[i] == '[';
      if (!tagLine && (alnum(text[i - 1]) || text[i - 1] == ' ') &&
          (alnum(text[i]) || (!deleting && text[i] == ' '))) {
        spots.push_back(static_cast<int64_t>(i));
      }
    }
    return spots.empty() ? -1 : spots[r % spots.size()];
  }

  // Back to the page the list was asked from, through "in page" or "in file".
  void LeaveList(bool viaFileScope) {
    Commit();
    expectPage_ = listFrom_;
    c_.Scope(viaFileScope ? 1 : 0);
    CheckPage("leaving the Find list");
    expectPage_ = 0;
  }

  void Do(const TAction& a) {
    failure_.clear();
    expectPage_ = 0;
    // "Find list" checked without a list (nothing found): back to "in page".
    if (c_.Form->InListMode() && !List()) c_.Scope(0);
    const TList2* list = List();
    const auto& [word, repl] = kWords[a.A % std::size(kWords)];
    const char* name = kKinds[a.Kind].Name;
    const char* control = kKinds[a.Kind].Control;
    // Refused actions leave the list, or its absence, and the text shown alone.
    const std::string before = View();
    const auto refused = [&](bool must, const char* what) {
      if (must && (List() != list || View() != before)) Fail(what);
    };
    switch (a.Kind) {
      case kNext:
      case kPrev:
      case kLast:
      case kGo:
      case kAddPage:
        if (list) return;  // these controls are off while a list is shown
        [[fallthrough]];
      case kFirst:
        Commit();
        if (a.Kind == kGo)
          c_.Find<QLineEdit>("Edit5")->setText(QString::number(a.A % (stored_.size() + 1) + 1));
        if (a.Kind == kAddPage) stored_.emplace_back();
        Press(control);
        return CheckPage(name);
      case kType:
      case kDelete: {
        const int64_t at = PlainPosition(a.A, a.Kind == kDelete);
        if (at < 0) return;
        Memo()->SetSelection(at, 0);
        if (a.Kind == kDelete) return QTest::keyClick(Memo(), Qt::Key_Delete);
        return QTest::keyClicks(Memo(), QString(QChar('a' + static_cast<char>(a.B % 26))));
      }
      case kUndo:
      case kToggleCase:
        return Press(control);
      case kRestore:
        if (list) expectPage_ = listFrom_;
        Press(control);
        return CheckPage(name);
      case kFindInPage:
      case kReplaceInPage:
        if (!list) c_.Scope(0);
        c_.SetFind(word, repl);
        return Press(control);
      case kFindInFile:
      case kReplaceInFile:
        if (list) LeaveList(true);
        if (!failure_.empty()) return;
        Commit();
        c_.Scope(1);
        c_.SetFind(word, repl);
        if (a.Kind == kReplaceInFile) ReplaceModel(word, repl);
        Press(control);
        return CheckPage(name);
      case kBuildList: {
        // With a list shown, Find looks inside the list.
        if (list) return Do({kFindInPage, a.A, a.B});
        Commit();
        listFrom_ = cur_;
        c_.Scope(2);
        c_.SetFind(word, repl);
        const size_t boxes = dialogs_.Texts.size();
        Press(control);
        if (List()) return CheckList(word, boxes);
        expectPage_ = listFrom_;
        return CheckPage("an empty Find list");
      }
      case kClickListAgain:
        if (!list) return;
        c_.Scope(2);
        return refused(true, "clicking \"Find list\" again changed the list");
      case kLeaveList:
        return list ? LeaveList(a.B % 2 == 1) : void();
      case kJumpFromList: {
        if (!list) return;
        const int32_t line = static_cast<int32_t>(a.A % static_cast<uint32_t>(list->Count()));
        const int32_t target = (*list)[line].Page;
        // A point to the right of the entry's last character, with nothing
        // selected (the caret moved first, as it may scroll the view).
        Memo()->SetSelection(0, 0);
        size_t from = 0;
        for (int32_t i = 0; i < line; ++i) from = LineEnd(before, from);
        const size_t crlf = before.find("\r\n", from);
        const QPoint at =
            c_.PointAt(crlf == std::string::npos ? before.size() : crlf) + QPoint(40, 3);
        if (at.x() >= Memo()->viewport()->width() || at.y() >= Memo()->viewport()->height()) return;
        Commit();
        expectPage_ = target;
        QTest::mouseClick(Memo()->viewport(), Qt::RightButton, {}, at);
        return CheckPage("a jump from the Find list");
      }
      case kCut: {
        if (!list) return;
        Memo()->SetSelection(static_cast<int64_t>(a.A % std::max<size_t>(before.size(), 1)),
                             a.B % 120);
        const bool crosses = Memo()->SelectionHasLineBreak();
        Press(control);
        return refused(crosses, "a cut across a line break of the Find list was taken");
      }
      case kMacro: {
        const int index = 1 + static_cast<int>(a.A % kMacroCount);
        const bool inFile = a.B % 2 == 1;
        if (list) return;
        if (inFile) Commit();  // in the page a macro only looks
        c_.Scope(inFile ? 1 : 0);
        c_.Form->ApplyMacro(index);
        if (c_.Find<QLineEdit>("Edit3")->text().isEmpty()) return;
        const auto codes = MacroCodes(index);
        if (IsReplaceMacro(index) && inFile)
          ReplaceModel(ResolveLiteralCode(codes.first), ResolveLiteralCode(codes.second));
        Press(IsReplaceMacro(index) ? "Button7" : "Button6");
        // The flags of check 5 are the one change the model does not make itself.
        if (codes.first == "$$05") return Resync();
        return inFile ? CheckPage("a macro in the file") : void();
      }
      case kReorg: {
        if (list) return;
        Commit();
        const std::vector<std::string> games = GamesOf(Joined(stored_));
        Press(control);
        Resync();
        if (GamesOf(Joined(stored_)) != games) return Fail("Reorg changed games");
        return CheckPage(name);
      }
      case kSave:
        Commit();
        if (list) expectPage_ = listFrom_;
        Press(control);
        CheckPage(name);
        if (ReadFileBytes(path_) != SavedForm(GamesOf(Joined(stored_))))
          Fail("the saved file differs from the model");
        return;
      case kForeignFind: {
        const bool inFile = a.B % 2 == 1;
        if (!list && !inFile) Commit();  // asking for a list stores the page
        if (!list) c_.Scope(inFile ? 1 : 2);
        c_.SetFind(QString::fromLatin1(word) + QChar(0x2019), repl);
        Press(inFile ? "Button7" : "Button6");
        return refused(true, "a find text outside Latin-1 was used");
      }
    }
  }

  TGuiCase c_;
  TWalkDialogs dialogs_;  // answers in place of the case's own
  std::string path_ = c_.Dir.File("walk.pgn");
  std::vector<std::string> stored_;  // the model: each page's stored text
  int32_t cur_ = 1;
  int32_t listFrom_ = 1;  // the page shown when the Find list was asked for
  int32_t expectPage_ = 0;
  std::string failure_;
};

// The index of the failing action, or -1 when all pass; why in reason.
int RunActions(const std::vector<TAction>& actions, std::string& reason) {
  TWalk walk;
  for (size_t i = 0; i < actions.size(); ++i) {
    reason = walk.Run(actions[i]);
    if (!reason.empty()) return static_cast<int>(i);
  }
  return -1;
}

std::vector<TAction> RandomActions(uint32_t seed, int count) {
  std::mt19937 rng(seed);
  std::vector<TAction> actions;
  for (int i = 0; i < count; ++i) {
    // Typing and page moves are the common actions.
    int kind = static_cast<int>(rng() % (kKindCount + 8));
    if (kind >= kKindCount) kind = kind % 2 ? kType : kNext + static_cast<int>(rng() % 5);
    actions.push_back({kind, static_cast<uint32_t>(rng()), static_cast<uint32_t>(rng())});
  }
  return actions;
}

// A failing walk is reported with the shortest list of its actions that still
// fails: chunks, then single actions, are dropped as long as it does.
void CheckWalk(std::vector<TAction> actions, const std::string& name) {
  std::string reason, why;
  const int failed = RunActions(actions, reason);
  if (failed < 0) return;
  actions.resize(static_cast<size_t>(failed) + 1);
  for (size_t chunk = std::max<size_t>(actions.size() / 2, 1);; chunk /= 2) {
    for (size_t at = 0; at < actions.size();) {
      std::vector<TAction> shorter = actions;
      shorter.erase(shorter.begin() + at, shorter.begin() + std::min(at + chunk, shorter.size()));
      const int fails = RunActions(shorter, why);
      if (fails < 0) {
        at += chunk;
      } else {
        actions.assign(shorter.begin(), shorter.begin() + fails + 1);
        reason = why;
      }
    }
    if (chunk == 1) break;
  }
  std::string report = name + ": " + reason + "\nshortest failing actions:\n";
  for (const TAction& a : actions) {
    report += "  {k" + std::string(kKinds[a.Kind].Name) + ", " + std::to_string(a.A) + ", " +
              std::to_string(a.B) + "},\n";
  }
  QFAIL(report.c_str());
}

}  // namespace

class TestForm1Seams : public QObject {
  Q_OBJECT

 private slots:
  // Walks that once failed, each shrunk to its shortest form.
  void fixedWalks() {
    const std::pair<const char*, std::vector<TAction>> rows[] = {
        {"click on Find list while a list is shown",
         {{kBuildList, 2429942732, 0}, {kClickListAgain, 0, 0}}},
        {"empty game on an empty page", {{kAddPage, 0, 0}, {kMacro, 16, 1}}},
        {"pack conflict on an empty page", {{kAddPage, 0, 0}, {kPrev, 0, 0}, {kMacro, 20, 1}}},
        {"flag embedded quote past a tag without its quote", {{kMacro, 14, 1}, {kSave, 0, 0}}},
        {"undo back to the loaded length",
         {{kType, 5, 0},
          {kDelete, 700, 0},
          {kType, 300, 1},
          {kUndo, 0, 0},
          {kNext, 0, 0},
          {kPrev, 0, 0}}},
        {"undo after save",
         {{kType, 5, 0}, {kSave, 0, 0}, {kUndo, 0, 0}, {kNext, 0, 0}, {kPrev, 0, 0}}},
        {"replace in file after a match in other case", {{kReplaceInFile, 0, 0}, {kSave, 0, 0}}},
        {"find text outside Latin-1 for a list", {{kForeignFind, 0, 0}}},
        {"stray CR in a list line",
         {{kBuildList, 3, 0}, {kType, 40, 2}, {kLeaveList, 0, 0}, {kSave, 0, 0}}},
        {"right click to the right of a list line", {{kBuildList, 0, 0}, {kJumpFromList, 5, 0}}},
        {"cut across a list line break",
         {{kBuildList, 2, 0}, {kCut, 2940201641, 2566862307}, {kLeaveList, 0, 0}}},
        {"leave an edited list",
         {{kBuildList, 1, 0}, {kType, 500, 3}, {kLeaveList, 0, 0}, {kSave, 0, 0}}},
    };
    for (const auto& [name, actions] : rows) CheckWalk(actions, name);
  }

  void randomWalks() {
    const auto EnvInt = [](const char* name, int fallback) {
      const char* v = std::getenv(name);
      return v && *v ? std::atoi(v) : fallback;
    };
    const int first = EnvInt("KORVANE_SEED", 1);
    const int seeds = EnvInt("KORVANE_SEED_COUNT", 3);
    const int count = EnvInt("KORVANE_ACTIONS", 2000);
    for (int s = first; s < first + seeds; ++s)
      CheckWalk(RandomActions(static_cast<uint32_t>(s), count), "seed " + std::to_string(s));
  }
};

QTEST_MAIN(TestForm1Seams)
#include "test_gui_seams.moc"

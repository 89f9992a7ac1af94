// Find and Replace: in the page, across the whole work file, and inside a shown
// Find list; the find and replacement boxes, the safe mode and the copying of
// the editor's selection into the boxes.
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "app/PageEditor.h"
#include "app/Unit1.h"
#include "find/CheckMacros.h"
#include "pgn/StrScan.h"
#include "settings/CTErrorU.h"

namespace {

constexpr int kScrollAfter = 200;  // matches this far into the page scroll after Find
constexpr int kScrollLines = 8;
constexpr size_t kMaxFindCopy = 255;  // bytes of a selection taken into the find box
constexpr size_t kLongSelection = 30;

// Input to the window while a page pass runs: Escape asks the pass to stop,
// the rest is refused. Other windows (a message box of the pass) get theirs.
class TPassInput : public QObject {
 public:
  TPassInput(QWidget* window, bool& stopAsked) : window_(window), stopAsked_(stopAsked) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // The window's menu shortcuts go to its actions, which are no widgets.
    if (event->type() == QEvent::Shortcut && qobject_cast<QAction*>(watched)) return true;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window_) return false;
    switch (event->type()) {
      case QEvent::ShortcutOverride:
        // Taken as a plain key, which is refused below; no shortcut is sought.
        event->accept();
        return true;
      case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) stopAsked_ = true;
        return true;
      case QEvent::Close:
        event->ignore();
        return true;
      case QEvent::KeyRelease:
      case QEvent::Shortcut:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::ContextMenu:
      case QEvent::InputMethod:
      case QEvent::DragEnter:
      case QEvent::DragMove:
      case QEvent::Drop:
        return true;
      default:
        return false;
    }
  }

 private:
  QWidget* window_;
  bool& stopAsked_;
};

// Runs its action when the scope ends, whichever way.
class TAtExit {
 public:
  explicit TAtExit(std::function<void()> action) : action_(std::move(action)) {}
  ~TAtExit() { action_(); }
  TAtExit(const TAtExit&) = delete;
  TAtExit& operator=(const TAtExit&) = delete;

 private:
  std::function<void()> action_;
};

std::string StoppedBefore(int32_t page, int32_t count) {
  return "Stopped before page " + std::to_string(page) + " of " + std::to_string(count) +
         ": that page and the pages after it were not searched.";
}

}  // namespace

void TForm1::BeginPagePass(int32_t pages) {
  PassStopAsked = false;
  delete PassInput;
  PassInput = new TPassInput(this, PassStopAsked);
  qApp->installEventFilter(PassInput);
  ProgressBar1->setRange(0, std::max(pages, 1));
  ProgressBar1->setFormat(QStringLiteral("page %v of %m (Escape stops)"));
  ProgressBar1->setValue(0);
  ProgressBar1->show();
}

bool TForm1::PagePassGoesOn(int32_t done) {
  if (ProgressBar1->value() != done) ProgressBar1->setValue(done);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  return !PassStopAsked;
}

void TForm1::EndPagePass() {
  if (!PassInput) return;
  qApp->removeEventFilter(PassInput);
  delete PassInput;
  PassInput = nullptr;
  ProgressBar1->hide();
  ProgressBar1->setRange(0, 100);
  ProgressBar1->resetFormat();
  ProgressPercent = -1;
}

void TForm1::ConnectFindControls() {
  Edit3->installEventFilter(this);
  Edit4->installEventFilter(this);
  Memo1->installEventFilter(this);
  connect(Edit3, &QLineEdit::returnPressed, this, &TForm1::FindButtonClick);
  connect(Edit3, &QLineEdit::textChanged, Memo1, &TPageEditor::ClearFoundMarks);
  connect(Button6, &QPushButton::clicked, this, &TForm1::FindButtonClick);
  connect(Button7, &QPushButton::clicked, this, &TForm1::ReplaceButtonClick);
  connect(CheckBox1, &QCheckBox::clicked, this, &TForm1::CheckBox1Click);
  connect(ScopeGroup, &QButtonGroup::idClicked, this, &TForm1::RadioGroup1Click);
  connect(Memo1, &TPageEditor::MousePressed, this, &TForm1::Memo1MouseDown);
  connect(Memo1, &TPageEditor::MouseReleased, this, &TForm1::Memo1MouseUp);
}

int TForm1::SearchScope() const {
  const int item = ScopeGroup->checkedId();
  if (item == 2) return FindList ? 0 : 2;
  return item == 1 ? 1 : 0;
}

void TForm1::FindButtonClick() {
  if (!BoxesHoldText(false)) return;
  std::string find = BoxText(Edit3);
  if (find.empty()) {
    Dlg().Beep();
    return;
  }
  if (find[0] == '&') {
    find = ResolveLiteralCode(find);
    Edit3->setText(BoxShown(find));
    if (find.empty()) {
      Dlg().Beep();  // "&&11" is the empty text: nothing to look for
      return;
    }
  } else if (find[0] == '$') {
    bool stop = false;
    ResolveCheckCode(find, stop);
    if (stop) return;
  }
  LastFind = true;
  LastReplace = false;
  EditBoxClicked = false;
  if (!FindWasLast) {
    WrapArmed = true;
    Quiet = false;
    FindWasLast = true;
  }
  switch (SearchScope()) {
    case 1:
      FindInFile(find);
      break;
    case 2:
      BuildFindList(find);
      break;
    default:
      FindInPage(find);
      break;
  }
  MarkFindMatches(find);
}

void TForm1::MarkFindMatches(const std::string& find) {
  // A Find list searches with '?' for any byte: its matches are not marked.
  if (FindList || find.empty()) {
    Memo1->ClearFoundMarks();
    return;
  }
  std::vector<std::pair<int64_t, int64_t>> ranges;
  const std::string_view text = Memo1->View();
  const auto length = static_cast<int64_t>(find.size());
  for (int64_t at = SearchText(text, find, 0, SearchOptions); at >= 0;
       at = SearchText(text, find, at + length, SearchOptions)) {
    ranges.emplace_back(at, length);
  }
  Memo1->MarkFound(ranges);
}

bool TForm1::FindInPageStep(const std::string& find) {
  int64_t start = 0;
  if (LastFind) {
    start = Memo1->SelStart() + Memo1->SelLength();
  } else if (LastReplace) {
    start = Memo1->SelStart();
  } else {
    TerminatingError("\nlogic 7284");
  }
  int64_t found = -1;
  const std::string_view text = Memo1->View();
  if (!FindList) {
    found = SearchText(text, find, start, SearchOptions);
  } else {
    // Inside the list '?' stands for any byte and case always counts.
    const int pos = FindWild(text, find, static_cast<int>(start) + 1);
    if (pos == 0) Memo1->SetSelection(Memo1->SelStart(), 0);
    found = pos - 1;
  }
  if (found < 0) return false;
  Memo1->setFocus();
  Memo1->SetSelection(found, 0);
  if (LastFind && found > kScrollAfter && ScrollAfterFind1->isChecked()) {
    for (int i = 0; i < kScrollLines; ++i)
      Memo1->SendScintilla(QsciScintillaBase::SCI_LINESCROLL, 0L, 1L);
  }
  Memo1->SetSelection(found, static_cast<int64_t>(find.size()));
  return true;
}

void TForm1::FindInPage(const std::string& find) {
  if (FindInPageStep(find)) {
    Memo1->setFocus();
    return;
  }
  if (Quiet) {
    Quiet = false;
    return;
  }
  if (!PageEndReached(find)) return;
  if (FindInPageStep(find)) {
    Memo1->setFocus();
  } else {
    ShowMessage("'" + find + "' not found in page");
  }
}

bool TForm1::PageEndReached(const std::string& find) {
  if (Memo1->SelStart() == 0 || !WrapArmed) {
    const std::string selected = Memo1->SelectedText();
    ShowMessage(selected == find ? "No other occurrences of '" + find + "' found"
                                 : "'" + find + "' not found");
    Memo1->setFocus();
    return false;
  }
  if (Dlg().Message("Text not found. Continue search from beginning?", TMsgKind::Information,
                    TMsgButtons::YesCancel) != TMsgAnswer::Yes) {
    return false;
  }
  Memo1->CaretToStart();
  WrapArmed = false;
  return true;
}

void TForm1::ShowCurrentPageIfHidden(bool hidden) {
  if (!hidden) return;
  std::string text;
  if (WorkFile->GotoPage(WorkFile->CurrentPage(), text) != 0) ShowPage(text);
}

TForm1::TPassStep TForm1::NextPageHolding(int32_t& page, int32_t count, const std::string& find,
                                          bool& hidden) {
  if (!CommitPage()) return TPassStep::Stopped;
  page = page < count ? page + 1 : 1;
  // The page's bytes tell at once whether the editor would find anything
  // there, by the same rules; only such pages go through the editor.
  const char* raw = nullptr;
  int32_t length = 0;
  if (WorkFile->GotoPageRaw(page, raw, length) != page) return TPassStep::Skipped;
  const std::string_view bytes(raw, static_cast<size_t>(length));
  if (SearchText(bytes, find, 0, SearchOptions) < 0) {
    hidden = true;
    return TPassStep::Skipped;
  }
  ShowPage(std::string(bytes));
  hidden = false;
  return TPassStep::Shown;
}

void TForm1::FindInFile(const std::string& find) {
  if (!WorkFile || !WorkFile->Map) {
    Dlg().Beep();
    return;
  }
  const int32_t start = WorkFile->CurrentPage();
  int32_t page = start;
  const int32_t count = WorkFile->PageCount();
  bool hidden = false;  // the current page of the work file is not the one on screen
  BeginPagePass(count);
  TAtExit endPass([this] { EndPagePass(); });
  for (int32_t step = 0; step < count; ++step) {
    if (step > 0 && !PagePassGoesOn(step)) {
      // Back to the page the search started from.
      std::string text;
      if (WorkFile->GotoPage(start, text) != 0) ShowPage(text);
      EndPagePass();
      ShowMessage("'" + find + "' not found. " + StoppedBefore(page < count ? page + 1 : 1, count));
      return;
    }
    const TPassStep next = NextPageHolding(page, count, find, hidden);
    // A page that cannot be stored keeps the user on it; the pass cannot go on.
    if (next == TPassStep::Stopped) return;
    if (next == TPassStep::Skipped) continue;
    if (FindStepInFile(find) == 1) {
      RefreshFileStatus();
      return;
    }
  }
  ShowCurrentPageIfHidden(hidden);
  EndPagePass();
  ShowMessage("'" + find + "' not found in file");
}

int TForm1::FindStepInFile(const std::string& find) {
  if (Memo1->SelectedText() == find) return 0;
  Quiet = true;
  FindInPage(find);
  const bool found = Quiet;
  Quiet = false;  // one quiet search at a time
  return found ? 1 : -1;
}

void TForm1::ReplaceButtonClick() {
  if (!BoxesHoldText(true)) return;
  std::string repl = BoxText(Edit4);
  if (!repl.empty() && repl[0] == '&') {
    Edit3->setText(BoxShown(ResolveLiteralCode(BoxText(Edit3))));
    Edit4->setText(BoxShown(ResolveLiteralCode(repl)));
  }
  const std::string find = BoxText(Edit3);
  repl = BoxText(Edit4);
  if (find.empty()) {
    Dlg().Beep();
    return;
  }
  LastFind = false;
  LastReplace = true;
  if (FindWasLast) {
    WrapArmed = true;
    Quiet = false;
    FindWasLast = false;
  }
  if (SearchScope() == 1) {
    if (ConfirmReplaceAll(find, repl)) ReplaceInFile(find, repl);
  } else {
    ReplaceInPage(find, repl);
  }
}

void TForm1::ReplaceInPage(const std::string& find, const std::string& repl) {
  const bool listShown = FindList != nullptr;
  if (!SelectionMatches(Memo1->SelectedText(), find, listShown)) {
    EditBoxClicked = false;
    FindInPage(find);
    Memo1->setFocus();
    return;
  }
  if (EditBoxClicked) {
    EditBoxClicked = false;
    Memo1->setFocus();
    return;
  }
  Memo1->setFocus();
  if (SelectionMatches(Memo1->SelectedText(), find, listShown) && Memo1->ReplaceSelection(repl)) {
    RefreshFileStatus();
  } else {
    Dlg().Beep();
  }
  Memo1->setFocus();
  Quiet = true;
  FindInPage(find);
  Quiet = false;
  Memo1->setFocus();
}

bool TForm1::ConfirmReplaceAll(const std::string& find, const std::string& repl) {
  std::string question = "Replace all occurrences of '" + find + "' with '" + repl + "' ?";
  ReplaceAll(question, "''", "Nothing");
  return Dlg().Message(question, TMsgKind::Confirmation, TMsgButtons::YesCancel) == TMsgAnswer::Yes;
}

void TForm1::ReplaceInFile(const std::string& find, const std::string& repl) {
  if (!WorkFile || !WorkFile->Map) {
    Dlg().Beep();
    return;
  }
  if (!CommitPage()) return;
  const int32_t current = WorkFile->CurrentPage();
  const int64_t limit = int64_t{WorkFile->BufferSize} + kBufferSlack;
  int64_t replaced = 0;
  int64_t caseDiffers = 0;
  int32_t pages = 0;
  int32_t refusedPages = 0;
  int32_t stoppedBefore = 0;
  const int32_t count = WorkFile->PageCount();
  BeginPagePass(count);
  TAtExit endPass([this] { EndPagePass(); });
  for (int32_t page = 1; page <= count; ++page) {
    // Between pages only: a page is either replaced or left as it was.
    if (page > 1 && !PagePassGoesOn(page - 1)) {
      stoppedBefore = page;
      break;
    }
    const char* raw = nullptr;
    int32_t length = 0;
    if (WorkFile->GotoPageRaw(page, raw, length) != page) continue;
    const std::string_view bytes(raw, static_cast<size_t>(length));
    if (SearchText(bytes, find, 0, SearchOptions) < 0) continue;
    std::string text(bytes);
    const TPageReplaceResult r = ReplaceOnPage(text, find, repl, SearchOptions, limit);
    caseDiffers += r.CaseDiffers;
    if (r.Refused) ++refusedPages;
    if (r.Replaced == 0) continue;
    // A page that cannot be stored keeps its old text; the others go on.
    int64_t size = 0;
    try {
      size = WorkFile->WritePage(text);
    } catch (const std::exception&) {
      size = 0;
    }
    if (size == 0) {
      ShowMessage("Page " + std::to_string(page) + " was left as it was (" + WorkFile->LastError +
                  ")");
      continue;
    }
    FileSize = size;
    FileModified = true;
    replaced += r.Replaced;
    ++pages;
  }
  std::string text;
  if (WorkFile->GotoPage(current, text) != 0) ShowPage(text);
  RefreshFileStatus();
  std::string summary = std::to_string(replaced) +
                        (replaced == 1 ? " occurrence" : " occurrences") + " replaced on " +
                        std::to_string(pages) + (pages == 1 ? " page." : " pages.");
  if (caseDiffers > 0) {
    summary += "\r\n" + std::to_string(caseDiffers) +
               (caseDiffers == 1 ? " occurrence was" : " occurrences were") +
               " left because their letter case differs.";
  }
  if (refusedPages > 0) {
    summary += "\r\n" + std::to_string(refusedPages) + (refusedPages == 1 ? " page" : " pages") +
               " could not take every replacement: the page would pass the editor's limit. "
               "Reorg the work file with a larger buffer size, then replace again.";
  }
  EndPagePass();
  if (stoppedBefore > 0) summary += "\r\n" + StoppedBefore(stoppedBefore, count);
  ShowMessage(summary);
}

void TForm1::CheckBox1Click() {
  SearchOptions.WholeWord = CheckBox1->isChecked();
}

void TForm1::MenuCaseSensitiveClick() {
  // The menu item carries its own check mark; the search follows it.
  SearchOptions.MatchCase = CaseSensitive1->isChecked();
}

void TForm1::MenuSelectAllClick() {
  Memo1->SetSelection(0, Memo1->Length());
  Memo1->setFocus();
}

void TForm1::MenuScrollAfterFindClick() {
  // The check mark is the whole state; FindInPageStep reads it.
}

void TForm1::EditClicks() {
  EditBoxClicked = true;
}

bool TForm1::SafeMode() const {
  return Edit4->property("safeMode").toBool();
}

void TForm1::Edit4DblClick() {
  Edit4->clear();
  const bool on = !SafeMode();
  Edit4->setProperty("safeMode", on);
  QPalette palette = Edit4->palette();
  palette.setColor(QPalette::Text, on ? Qt::blue : Qt::black);
  Edit4->setPalette(palette);
  if (on) Edit4->setText(QStringLiteral("<safe>"));
  // Inside list mode Replace waits for the list to be shown.
  const bool replace = !on && (!ListMode || FindList);
  Button7->setEnabled(replace);
  ReplaceCtrlR1->setEnabled(replace);
}

void TForm1::Memo1MouseDown(Qt::MouseButton button, QPoint position) {
  WrapArmed = true;
  if (button == Qt::RightButton && FindList && Memo1->SelLength() == 0) {
    // The entry under the pointer, also to the right of its line's last
    // character: each entry ends at its first CR LF.
    const long at = Memo1->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMPOINT,
                                         static_cast<unsigned long>(position.x()),
                                         static_cast<long>(position.y()));
    const std::string_view text = Memo1->View().substr(0, static_cast<size_t>(std::max(at, 0L)));
    int32_t entry = 0;
    for (size_t crlf = text.find("\r\n"); crlf != std::string_view::npos;
         crlf = text.find("\r\n", crlf + 2)) {
      ++entry;
    }
    GoToListEntry(entry);
    ListNavigated = true;
    return;
  }
  if (Memo1->SelLength() == 0) return;
  if (button == Qt::LeftButton) {
    const std::string whole = Memo1->SelectedText();
    std::string sel = whole.substr(0, kMaxFindCopy);
    if (sel == "\r\n" || (sel.size() > kLongSelection && sel.find("\r\n") != std::string::npos)) {
      return;
    }
    if (!sel.empty() && sel.back() == ' ') {
      sel.pop_back();
      if (sel.size() + 1 == whole.size()) {
        Memo1->SetSelection(Memo1->SelStart(), Memo1->SelLength() - 1);
      }
    }
    if (sel.size() >= 2 && sel.compare(sel.size() - 2, 2, "\r\n") == 0) sel.resize(sel.size() - 2);
    Edit3->setText(BoxShown(sel));
  } else if (button == Qt::RightButton && Button7->isEnabled()) {
    Edit4->setText(BoxShown(Memo1->SelectedText()));
  }
}

void TForm1::Memo1MouseUp(Qt::MouseButton button, QPoint position) {
  if (button != Qt::RightButton) return;
  // The release that ends a jump to a list entry does nothing else.
  if (ListNavigated) {
    ListNavigated = false;
    return;
  }
  OpenBoardAt(position);
}

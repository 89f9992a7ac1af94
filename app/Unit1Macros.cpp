// The check macros: the drop-down that fills the find and replacement boxes
// with codes, and the check codes that Find turns into the text to look for.
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include "app/MacroComboBox.h"
#include "app/PageEditor.h"
#include "app/Unit1.h"
#include "find/CheckMacros.h"
#include "ui/HelpForm.h"

namespace {

constexpr int kKeyEnter = 13;
constexpr int kKeyEscape = 27;

constexpr char kPackNote[] =
    "Since packing does not accept all PGN headers. This macro will find any\r(after the "
    "\"Find\" button is clicked) that would not be saved. Press OK to\rcontinue, or press F1 "
    "for further information.";

}  // namespace

void TForm1::ConnectMacroControls() {
  ComboBox1->OnDropDown = [this] { ComboBox1DropDown(); };
  connect(ComboBox1, &QComboBox::activated, this, &TForm1::ComboBox1Click);
  ComboBox1->installEventFilter(this);
}

void TForm1::ComboBox1DropDown() {
  ComboDropped = true;
}

void TForm1::ComboBox1Click(int /*index*/) {
  if (ComboDropped) ApplyMacro(-1);
}

void TForm1::ComboBox1KeyPress(int key) {
  if (key == kKeyEnter && ComboDropped) {
    ApplyMacro(-1);
  } else if (key == kKeyEscape) {
    ComboDropped = false;
  }
}

void TForm1::ComboBox1OnEnter() {
  ApplyMacro(-1);
}

void TForm1::ApplyMacro(int index) {
  ComboDropped = false;
  if (index < 0) index = ComboBox1->currentIndex();
  if (index <= 0) {
    Edit3->clear();
    Edit4->clear();
    return;
  }
  if (index == kPackConflictMacro && !PackNoteShown) {
    PackNoteShown = true;
    if (Dlg().Message(kPackNote, TMsgKind::Confirmation, TMsgButtons::OkCancel,
                      kHelpPackConflict) != TMsgAnswer::Ok)
      return;
  }
  const auto [find, repl] = MacroCodes(index);
  if (find.empty()) return;
  Edit3->setText(QString::fromLatin1(find));
  Edit4->setText(QString::fromLatin1(repl));
  ComboBox1->setCurrentIndex(0);
}

bool TForm1::ResolveCheckCode(std::string& find, bool& stop) {
  stop = false;
  if (!WorkFile || FindList) {
    Dlg().Beep();
    return false;
  }
  if (CheckCodeNumber(find) == 0) return false;
  std::string pageText;
  if (SearchScope() == 0) {
    pageText = std::string(Memo1->View());
    // An empty page has nothing to check (and must not start a file-wide walk).
    if (pageText.empty()) return false;
  } else if (!CommitPage()) {
    stop = true;
    return false;
  }
  int32_t written = 0;
  const bool found = RunCheckCode(WorkFile.get(), pageText, find, &written);
  if (written > 0) {
    // Check 5 wrote its flags into the work file; the page on screen may be one
    // of them, so it is read again.
    FileModified = true;
    std::string text;
    if (WorkFile->GotoPage(WorkFile->CurrentPage(), text) > 0) ShowPage(text);
    RefreshFileStatus();
  }
  if (found) Memo1->SetSelection(0, 0);
  return found;
}

// The Find list in the window: entering and leaving list mode, building the
// list, writing its edited lines back into their pages, and jumping from a
// line of the list to its place in its page.
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/PageEditor.h"
#include "app/StatusPanel.h"
#include "app/Unit1.h"
#include "settings/CTErrorU.h"

void TForm1::SetScope(int item) {
  // Set from the program: no click handler runs.
  if (QAbstractButton* b = ScopeGroup->button(item)) b->setChecked(true);
}

void TForm1::RadioGroup1Click(int item) {
  if (item != 2) {
    if (!ListMode) return;
    if (!LeaveListMode()) {
      SetScope(2);
      return;
    }
    Button8ClickPage();
    return;
  }
  // Qt reports a click on the item already checked: the list stays as it is.
  if (FindList) return;
  if (!WorkFile || !WorkFile->Map) {
    Dlg().Beep();
    SetScope(1);
    return;
  }
  if (!ListMode) EnterListMode();
}

void TForm1::SetListControls(bool listMode) {
  for (QWidget* w : std::initializer_list<QWidget*>{Button1, Button2, Button3, Button5, Button8,
                                                    Panel3}) {
    w->setEnabled(!listMode);
  }
  for (QAction* a : {PasteLarge1, AddPage1, CaseSensitive1}) a->setEnabled(!listMode);
  const bool replace = !listMode && !SafeMode();
  Button7->setEnabled(replace);
  ReplaceCtrlR1->setEnabled(replace);
  QPalette palette = Edit5->palette();
  palette.setColor(QPalette::Text, listMode ? Qt::blue : Qt::black);
  Edit5->setPalette(palette);
}

void TForm1::EnterListMode() {
  if (!CommitPage()) {
    SetScope(0);
    return;
  }
  ListMode = true;
  ListFromPage = WorkFile->CurrentPage();
  SetListControls(true);
}

bool TForm1::ReleaseList() {
  AppliedEdits.clear();
  if (FindList) {
    if (Memo1->Modified() && !ApplyListEdits()) return false;
    FreeAllEntries();
    Memo1->SetModified(false);
  }
  Memo1->SetKeepLineBreaks(false);
  if (WorkFile) {
    Memo1->setReadOnly(false);
    SetEditorLimit();
  }
  return true;
}

bool TForm1::LeaveListMode() {
  if (!ReleaseList()) return false;
  ListMode = false;
  // Writing edited lines back went through their pages; the page the user
  // came from is the one to go back to.
  Edit5->setText(QString::number(ListFromPage));
  if (ScopeGroup->checkedId() == 2) SetScope(0);
  SetListControls(false);
  RefreshFileStatus();
  return true;
}

void TForm1::FreeAllEntries() {
  FindList.reset();
}

void TForm1::BuildFindList(const std::string& find) {
  if (!WorkFile || !WorkFile->Map) {
    Dlg().Beep();
    return;
  }
  if (FindList && !ReleaseList()) return;
  // The page on screen goes into the work file before the walk reads it.
  if (!CommitPage()) return;
  const bool multiLine = find.find("\r\n") != std::string::npos;
  FindList = std::make_unique<TList2>();
  Memo1->SetSelection(0, 0);
  TListCollector collector{*FindList, find, CheckBox1->isChecked(),
                           2 * int64_t{WorkFile->BufferSize}};
  CollectFileMatches(*WorkFile, collector);
  if (collector.CapacityPage != 0) {
    ShowMessage("Find List capacity reached on page " + std::to_string(collector.CapacityPage));
  }
  if (FindList->Count() == 0) {
    FreeAllEntries();
    ShowMessage("'" + find + "' not found in file");
    LeaveListMode();
    return;
  }
  SortByLine(*FindList);
  const std::string text = ListText(*FindList, multiLine);
  ShowPage(text);
  // The list may be longer than a page; its lines may still grow a little.
  Memo1->SetMaxLength(std::max<int64_t>(Memo1->MaxLength(),
                                        static_cast<int64_t>(text.size()) + kBufferSlack));
  Memo1->SetKeepLineBreaks(true);
  if (!SafeMode()) {
    Button7->setEnabled(true);
    ReplaceCtrlR1->setEnabled(true);
  }
  Button8->setEnabled(true);
  // The line breaks inside a match show as spaces: such a list is for reading.
  if (multiLine) Memo1->setReadOnly(true);
}

bool TForm1::ApplyListEdits() {
  try {
    ReadBackList(*FindList, Memo1->Text());
  } catch (const EFindListError& e) {
    ShowMessage(e.what());
    return false;
  }
  TList2& list = *FindList;
  if (list.Count() > 0) FileModified = true;
  for (int32_t i = 0; i < list.Count();) {
    const int32_t page = list[i].Page;
    std::string text;
    if (WorkFile->GotoPage(page, text) != page) {
      AskContinue("corrupted find list");
      break;
    }
    for (; i < list.Count() && list[i].Page == page; ++i) {
      const TFoundLine& e = list[i];
      ReplaceLineInPage(e.Line, e.NewLine, e.Offset, text, e.Length);
      AppliedEdits.push_back(
          {page, e.Offset, e.Length, static_cast<int32_t>(e.NewLine.size())});
    }
    try {
      const int64_t size = WorkFile->WritePage(text);
      if (size == 0) {
        AskContinue("page error 106");
      } else {
        FileSize = size;
      }
    } catch (const std::exception&) {
      AskContinue("page error 107");
    }
  }
  RefreshFileStatus();
  return true;
}

void TForm1::GoToListEntry(int32_t index) {
  if (!FindList || index < 0 || index >= FindList->Count()) {
    Dlg().Beep();
    return;
  }
  const TFoundLine& entry = (*FindList)[index];
  const int32_t page = entry.Page;
  int32_t offset = entry.Offset;
  int32_t length = entry.Length;
  Edit5->setText(QString::number(page));
  Button8ClickPage();
  if (ListMode || !WorkFile || WorkFile->CurrentPage() != page) return;
  // Lines written back above this one on its page moved it; an edit of the
  // line itself changed its length.
  int32_t shift = 0;
  for (const TAppliedEdit& e : AppliedEdits) {
    if (e.Page != page) continue;
    if (e.Offset < offset) shift += e.NewLength - e.OldLength;
    if (e.Offset == offset) length = e.NewLength;
  }
  offset += shift;
  Memo1->SetSelection(offset, std::max(length - 2, 0));
  Memo1->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
}

// Pages in and out of the editor: showing, committing, moving, the status
// panels, undo and restore, Add Page, Paste Large, the game count and the
// buffer-size field.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <algorithm>

#include "app/PageEditor.h"
#include "app/StatusPanel.h"
#include "app/Unit1.h"
#include "settings/CTErrorU.h"

namespace {

constexpr int32_t kPageWarnSlack = 48000;  // warn ahead of the editor's hard limit
constexpr int64_t kPasteSpare = 2000;

constexpr char kBufferSizeMessage[] =
    "Buffer size must be in even\r\nincrements from 010000 to 900000.\r\nIt effect the next Open "
    "only.";

// A field read as a number; anything unreadable counts as 0.
int64_t NumberOf(const QString& text) {
  bool ok = false;
  const qlonglong n = text.trimmed().toLongLong(&ok);
  return ok ? n : 0;
}

}  // namespace

void TForm1::ShowPage(const std::string& text) {
  Loading = true;
  Memo1->ClearFoundMarks();
  Memo1->SetText(text);
  Memo1->CaretToStart();
  Memo1->SetModified(false);
  Loading = false;
  Memo1Changed();
}

void TForm1::SetEditorLimit() {
  if (WorkFile) Memo1->SetMaxLength(int64_t{WorkFile->BufferSize} + kBufferSlack);
}

bool TForm1::CommitPage() {
  if (!WorkFile) return false;
  if (!Memo1->Modified()) return true;
  if (ListMode && FindList) TerminatingError("cannot save a Find List");
  bool written = false;
  try {
    std::string text = Memo1->Text();
    FileSize = WorkFile->WritePage(text);
    if (FileSize > 0) {
      Memo1->SetModified(false);
      FileModified = true;
      written = true;
    }
  } catch (const std::exception&) {
    RefreshFileStatus();
    ShowMessage("Page error (" + WorkFile->LastError + ")");
    AskCatchAll();
    return false;
  }
  RefreshFileStatus();
  return written;
}

void TForm1::Memo1Changed() {
  if (Loading) return;
  const bool modified = Memo1->Modified();
  Panel1->SetColor(modified ? PanelColor::Red : PanelColor::Lime);
  const int64_t length = Memo1->Length();
  StaticText1->setText(QString::fromStdString(SixDigits(length)));
  StaticText2->setText(QString::fromStdString(SixDigits(Memo1->LineCount())));
  UpdateStatusLine();
  if (!WorkFile) return;
  Edit5->setText(QString::number(WorkFile->CurrentPage()));
  const bool nearLimit = length > int64_t{WorkFile->BufferSize} + kPageWarnSlack;
  StaticText1->SetTextColor(nearLimit ? PanelColor::Red : PanelColor::Black);
}

void TForm1::RefreshFileStatus() {
  Panel2->SetColor(FileModified ? PanelColor::Red : PanelColor::Aqua);
  StaticText3->setText(QString::number(FileSize / 1024) + QLatin1Char('K'));
  if (WorkFile) StaticText4->setText(QString::number(WorkFile->PageCount()));
  UpdateStatusLine();
}

int32_t TForm1::MovePage(const std::function<int32_t(std::string&)>& move) {
  if (!WorkFile) {
    Dlg().Beep();
    return 0;
  }
  if (!CommitPage()) return 0;
  std::string text;
  const int32_t page = move(text);
  if (page == 0) {
    Dlg().Beep();
    return 0;
  }
  ShowPage(text);
  return page;
}

void TForm1::Button1ClickRight() {
  MovePage([this](std::string& t) { return WorkFile->NextPage(t); });
}

void TForm1::Button2ClickLeft() {
  MovePage([this](std::string& t) { return WorkFile->PrevPage(t); });
}

void TForm1::Button3ClickEnd() {
  MovePage([this](std::string& t) { return WorkFile->LastPage(t); });
}

void TForm1::Button4ClickStart() {
  if (ListMode && !LeaveListMode()) return;
  if (MovePage([this](std::string& t) { return WorkFile->FirstPage(t); }) != 0) {
    Memo1->CaretToStart();
  }
}

void TForm1::Button8ClickPage() {
  // The page typed is read first: leaving the list refreshes the page box.
  const int64_t wanted = std::clamp<int64_t>(NumberOf(Edit5->text()), 0, INT32_MAX);
  if (ListMode && !LeaveListMode()) return;
  const int32_t page =
      MovePage([&](std::string& t) { return WorkFile->GotoPage(static_cast<int32_t>(wanted), t); });
  if (page != 0) Edit5->setText(QString::number(page));
}

void TForm1::MenuUndoClick() {
  // The editor's save point (the page as loaded or last stored) tells whether
  // the text after the undo is the stored one.
  Memo1->undo();
  Memo1Changed();
  RefreshFileStatus();
}

void TForm1::Restore1Click() {
  if (FindList) {
    // The list's edits are dropped, not written back; the page the list was
    // asked from comes back.
    Memo1->SetModified(false);
    LeaveListMode();
    Button8ClickPage();
    return;
  }
  if (!WorkFile || !WorkFile->Map) {
    Dlg().Beep();
    return;
  }
  std::string text;
  if (WorkFile->GotoPage(WorkFile->CurrentPage(), text) == 0) {
    Dlg().Beep();
    return;
  }
  ShowPage("");
  ShowPage(text);
  RefreshFileStatus();
}

void TForm1::MenuAddPageClick() {
  if (!WorkFile) {
    Dlg().Beep();
    return;
  }
  if (!CommitPage()) return;
  try {
    if (WorkFile->AddPage() <= 0) return;
  } catch (const EChessException& e) {
    ShowMessage(e.what());
    return;
  }
  std::string text;
  const int32_t page = WorkFile->LastPage(text);
  if (page == 0) {
    Dlg().Beep();
    return;
  }
  ShowPage(text);
  Edit5->setText(QString::number(page));
  RefreshFileStatus();
}

void TForm1::MenuPasteLargeClick() {
  const QString clip = QApplication::clipboard()->text();
  if (!WorkFile || clip.isEmpty()) {
    Dlg().Beep();
    return;
  }
  std::string bytes;
  if (!Memo1->PasteBytes(QApplication::clipboard()->mimeData(), bytes)) return;
  const int64_t needed = static_cast<int64_t>(bytes.size()) + Memo1->Length() - Memo1->SelLength();
  if (needed > WorkFile->BufferLength() - kPasteSpare) {
    WorkFile->SetBufferLength(static_cast<int32_t>(needed + kPasteSpare));
  }
  Memo1->SetMaxLength(needed);
  Memo1->ReplaceSelection(bytes);
}

void TForm1::UpdateGameCount() {
  if (!WorkFile || !WorkFile->Map) return;
  int64_t games = 0;
  const int32_t current = WorkFile->CurrentPage();
  for (int32_t page = 1; page <= WorkFile->PageCount(); ++page) {
    if (page != current) games += WorkFile->Map->Entry(page).Games;
  }
  const std::string text = Memo1->Text();
  games += CountBulletBytes(text);
  Panel3->setText(QString::number(games));
  UpdateStatusLine();
}

void TForm1::Panel3Click() {
  if (!WorkFile || !WorkFile->Map) {
    Dlg().Beep();
    return;
  }
  UpdateGameCount();
}

void TForm1::Edit1KeyUpChange() {
  // The message box takes the focus, which ends the editing once more.
  if (CheckingBufferSize) return;
  CheckingBufferSize = true;
  int64_t size = NumberOf(Edit1->text()) / 10000 * 10000;
  if (size < kMinBufferSize || size > kMaxBufferSize) {
    ShowMessage(kBufferSizeMessage);
    size = size < kMinBufferSize ? kMinBufferSize : kMaxBufferSize;
  }
  Edit1->setText(QString::fromStdString(SixDigits(size)));
  CheckingBufferSize = false;
}

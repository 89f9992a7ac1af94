// The file commands: Open, Browse, New, Save, Save As, Append, Reorg, the save
// question and the repair offer.
#include <QApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QStatusBar>
#include <filesystem>

#include "app/PageEditor.h"
#include "app/StatusPanel.h"
#include "app/Unit1.h"
#include "pgn/PgnDate.h"
#include "pgn/Repair.h"
#include "stream/PageEstimate.h"
#include "stream/TxFlows.h"
#include "ui/HelpForm.h"
#include "ui/QtDialogs.h"
#include "ui/TextEncoding.h"

namespace {

constexpr char kRepairQuestion[] =
    "If the error noted on Open seemed to relate to extraneous contents\rit may be possible to "
    "correct by removing all lines before each Event\rand after each final game result. (This "
    "option may not succeed for\rhighly annotated games which have lines ending in game results "
    "at\rmidpoints in the score.)\r\rTry the conversion?";

constexpr char kRepairFileName[] = "~Temp001.tmp";

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return FileNameToQt(a).compare(FileNameToQt(b), Qt::CaseInsensitive) == 0;
}

}  // namespace

// A long operation: busy cursor and a progress bar that repaints as the work
// reports, without returning to the event loop (no input reaches the window
// mid-operation).
class TBusyScope {
 public:
  explicit TBusyScope(TForm1& form) : form_(form) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    form_.ProgressPercent = -1;
    form_.ProgressBar1->setValue(0);
    form_.ProgressBar1->show();
    SetProgressHook([this](int64_t done, int64_t total) { form_.ShowProgress(done, total); });
  }
  ~TBusyScope() {
    SetProgressHook(nullptr);
    form_.ProgressBar1->hide();
    QApplication::restoreOverrideCursor();
  }
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;

 private:
  TForm1& form_;
};

void TForm1::ShowProgress(int64_t done, int64_t total) {
  const int percent =
      total > 0 ? static_cast<int>(std::clamp<int64_t>(done * 100 / total, 0, 100)) : 0;
  if (percent == ProgressPercent) return;
  ProgressPercent = percent;
  ProgressBar1->setValue(percent);
  ProgressBar1->repaint();
}

int32_t TForm1::BufferSizeField() const {
  bool ok = false;
  const int value = Edit1->text().trimmed().toInt(&ok);
  // A value not yet checked counts in the field's steps of 10000 as well.
  return std::clamp(ok ? value / 10000 * 10000 : 0, kMinBufferSize, kMaxBufferSize);
}

void TForm1::SetCaption(const std::string& fileName) {
  QString caption = QString::fromLatin1(kApplicationTitle);
  if (!fileName.empty()) caption += QStringLiteral(" - ") + FileNameToQt(NameOnly(fileName));
  setWindowTitle(caption);
}

void TForm1::Open1Click(QObject* sender) {
  if (!LeaveListFirst()) return;
  TMsgAnswer asked = TMsgAnswer::Ok;
  if (Memo1->Modified() || FileModified) {
    asked = AskSaveChanges();
    if (asked == TMsgAnswer::Cancel) return;
  }
  // Nothing changes until a file is chosen and opened: a cancelled dialog or a
  // file that cannot be read leaves the work as it was.
  const TFileDialogRequest before = OpenDialog1;
  const auto keepWork = [&] {
    OpenDialog1 = before;
    PageText.clear();
    KeepUnsavedWork(asked);
  };
  TFileDialogRequest request = OpenDialog1;
  if (!SaveDialog1.FileName.empty()) request.FileName = SaveDialog1.FileName;
  if (!DroppedFileName.empty()) request.FileName = DroppedFileName;
  request.Title = "Open chess file";
  const bool commandLine = sender == this;
  if (!commandLine && !Dlg().OpenFileName(request)) {
    keepWork();
    return;
  }
  OpenDialog1 = request;
  const bool editing = commandLine || sender == Open1;
  std::unique_ptr<TFStreamTxStr> input;
  TOpenFailure failure;
  {
    TBusyScope busy(*this);
    input = OpenInputFile(OpenDialog1.FileName, PageText, BufferSizeField(), &failure);
  }
  if (!input) {
    // One box says what is wrong, and offers the repair only where it can help.
    const bool offer = editing && failure.RepairHelps;
    if (!failure.Text.empty() && !offer) ShowMessage(failure.Text);
    if (!offer || !TryConversion(failure.Text)) keepWork();
    return;
  }
  if (editing && !FitPageMap(input, OpenDialog1.FileName, OpenDialog1.FileName)) {
    keepWork();
    return;
  }
  ShowOpened(std::move(input), editing, OpenDialog1.FileName);
}

void TForm1::KeepUnsavedWork(TMsgAnswer asked) {
  // "No" to the save question was given for a file that did not open: the
  // edits are still in the work file and still unsaved.
  if (asked != TMsgAnswer::No || !WorkFile) return;
  FileModified = true;
  RefreshFileStatus();
}

void TForm1::ShowNoWork() {
  WorkFile.reset();
  PageText.clear();
  ShowPage("");
  Memo1->setReadOnly(true);
  SetCaption("");
  SaveDialog1.FileName.clear();
  ClearFileStatus();
}

void TForm1::ClearFileStatus() {
  // Without a work file the counters of the file shown before say nothing.
  FileModified = false;
  FileSize = 0;
  StaticText4->clear();
  Panel3->clear();
  Edit5->setText(QStringLiteral("1"));
  Memo1Changed();
  RefreshFileStatus();
}

bool TForm1::FitPageMap(std::unique_ptr<TFStreamTxStr>& input, const std::string& path,
                        const std::string& shownName) {
  const int32_t size = ChooseBufferSizeForFile(*input, PageText, shownName);
  if (size == input->BufferSize) return true;
  input.reset();
  PageText.clear();
  if (size == 0) return false;
  Edit1->setText(QString::fromStdString(SixDigits(size)));
  TBusyScope busy(*this);
  input = OpenInputFile(path, PageText, size);
  return input != nullptr;
}

void TForm1::ShowOpened(std::unique_ptr<TFStreamTxStr> input, bool editing,
                        const std::string& fileName) {
  // The work before this file ends here: its stream holds the bullet file that
  // the conversion rewrites. A file waiting for a recovered collection to be
  // saved is no longer offered once another one is open.
  WorkFile.reset();
  PendingOpen.clear();
  // The file read, not the one named: a packed file's unpacked text.
  ShowEncoding(IniValue.Utf8Text || LooksLikeUtf8(FileHead(input->FileName())));
  Memo1->setReadOnly(false);
  ScopeInPage->setChecked(true);
  SetCaption(fileName);
  Memo1->SetMaxLength(int64_t{input->BufferSize} + kBufferSlack);
  ShowPage(PageText);
  FileModified = false;
  if (editing) {
    SaveDialog1.FileName = fileName;
    Panel1->SetColor(PanelColor::Red);
    Panel2->SetColor(PanelColor::Red);
    Panel1->repaint();
    Panel2->repaint();
    {
      TBusyScope busy(*this);
      WorkFile = ProcessInputFile(std::move(input), PageText);
    }
    HoldWorkFiles();
    if (!WorkFile) {
      // Nothing half-open: no work file, and an empty editor that takes no edits.
      ShowNoWork();
      return;
    }
    ShowPage(PageText);
    FileSize = WorkFile->FileSize();
    UpdateGameCount();
    FileProcessed = true;
    Memo1Changed();
    RefreshFileStatus();
  } else {
    // A preview only: the first buffer stays on screen, no work file is made.
    Memo1->setReadOnly(true);
    input.reset();
    ClearFileStatus();
  }
  PageText.clear();
  Memo1->setFocus(Qt::OtherFocusReason);
}

bool TForm1::TryConversion(const std::string& failure) {
  const std::string question =
      failure.empty() ? std::string(kRepairQuestion) : failure + "\r\r" + kRepairQuestion;
  if (Dlg().Message(question, TMsgKind::Information, TMsgButtons::YesNo, kHelpRepair) !=
      TMsgAnswer::Yes) {
    return false;
  }
  // The repaired copy goes where the program may write: the work directory.
  const std::string repaired = WorkDir + kRepairFileName;
  bool converted = false;
  {
    TBusyScope busy(*this);
    converted = RepairConversion(OpenDialog1.FileName, repaired);
  }
  std::error_code ec;
  if (!converted) {
    std::filesystem::remove(repaired, ec);
    ShowMessage("Conversion failed");
    return false;
  }
  TOpenFailure still;
  std::unique_ptr<TFStreamTxStr> input =
      OpenInputFile(repaired, PageText, BufferSizeField(), &still);
  if (input && !FitPageMap(input, repaired, OpenDialog1.FileName)) {
    std::filesystem::remove(repaired, ec);
    return false;
  }
  const bool opened = input != nullptr;
  if (input) {
    ShowOpened(std::move(input), true, OpenDialog1.FileName);
    // The repair dropped whatever stood between games, so Save does not put the
    // result over the user's file unasked: it proposes a name beside it.
    std::filesystem::path proposal(OpenDialog1.FileName);
    proposal.replace_filename(proposal.stem().string() + "-repaired" +
                              proposal.extension().string());
    SaveDialog1.FileName = proposal.string();
    if (WorkFile) WorkFile->SetOrigin(SaveDialog1.FileName);
  } else {
    // What is still wrong, in the words of the file the user chose.
    std::string why = still.Text.substr(std::min(still.Text.find('\r'), still.Text.size()));
    for (size_t at = 0; (at = why.find(repaired, at)) != std::string::npos;)
      why.replace(at, repaired.size(), "The repaired copy");
    ShowMessage("Conversion failed" + why);
  }
  std::filesystem::remove(repaired, ec);
  return opened;
}

void TForm1::New1Click() {
  if (!LeaveListFirst()) return;
  if (Memo1->Modified() || FileModified) {
    if (AskSaveChanges() == TMsgAnswer::Cancel) return;
  }
  WorkFile.reset();
  PendingOpen.clear();
  const int32_t bufferSize = BufferSizeField();
  if (!CreateNewBulletFile(bufferSize, TodayDateText())) return;
  HoldWorkFiles();
  SetCaption("");
  OpenDialog1.FileName.clear();
  SaveDialog1.FileName.clear();
  ShowPage("");
  Memo1->setReadOnly(false);
  WorkFile = OpenBulletFile(bufferSize, PageText);
  if (WorkFile) {
    SetEditorLimit();
    ShowPage(PageText);
    FileSize = WorkFile->FileSize();
    FileModified = false;
    UpdateGameCount();
    RefreshFileStatus();
    Memo1->setFocus(Qt::OtherFocusReason);
  }
  PageText.clear();
}

void TForm1::Save1Click(QObject* sender) {
  if (!LeaveListFirst()) return;
  if (!WorkFile) {
    Dlg().Beep();
    return;
  }
  if (SaveDialog1.FileName.empty()) SaveDialog1.FileName = OpenDialog1.FileName;
  const TSaveMode mode = sender == Save1     ? TSaveMode::Save
                         : sender == Append1 ? TSaveMode::Append
                                             : TSaveMode::SaveAs;
  bool dialog = true;
  std::string keptSaveName;
  switch (mode) {
    case TSaveMode::Save:
      SaveDialog1.Title = "Save";
      if (OpenDialog1.FileName.empty()) {
        dialog = SaveDialog1.FileName.empty();
        if (dialog) SaveDialog1.FileName = "untitled.pgn";
      } else {
        dialog = !SameNameIgnoringCase(SaveDialog1.FileName, OpenDialog1.FileName);
      }
      break;
    case TSaveMode::SaveAs:
      SaveDialog1.Title = "Save As";
      if (SaveDialog1.FileName.empty()) SaveDialog1.FileName = "untitled.pgn";
      break;
    case TSaveMode::Append:
      keptSaveName = SaveDialog1.FileName;
      SaveDialog1.Title = "Append";
      SaveDialog1.FileName.clear();
      break;
  }
  bool saved = false;
  if ((!dialog || Dlg().SaveFileName(SaveDialog1)) && CommitPage()) {
    Memo1Changed();
    TBusyScope busy(*this);
    saved = SaveOrAppend(*WorkFile, mode, SaveDialog1.FileName, !dialog);
  }
  // Append writes a copy elsewhere: its target never becomes the name a later
  // Save writes to, and the work stays modified with respect to its own file.
  if (mode == TSaveMode::Append) {
    SaveDialog1.FileName = keptSaveName;
    return;
  }
  if (!saved) return;
  FileModified = false;
  RefreshFileStatus();
  SetCaption(SaveDialog1.FileName);
  if (mode == TSaveMode::SaveAs) OpenDialog1.FileName = SaveDialog1.FileName;
  OfferPendingOpen();
}

TMsgAnswer TForm1::AskSaveChanges() {
  const std::string name =
      NameOnly(SaveDialog1.FileName.empty() ? OpenDialog1.FileName : SaveDialog1.FileName);
  CommitPage();
  while (FileModified) {
    switch (Dlg().Message("Save changes to " + name + "?", TMsgKind::Warning,
                          TMsgButtons::YesNoCancel)) {
      case TMsgAnswer::Cancel:
        return TMsgAnswer::Cancel;
      case TMsgAnswer::Yes:
        Save1Click(this);
        break;
      default:
        FileModified = false;
        return TMsgAnswer::No;
    }
  }
  return TMsgAnswer::Ok;
}

void TForm1::Button5ClickReorgBullet() {
  if (!WorkFile) {
    Dlg().Beep();
    return;
  }
  // An edited page that cannot be written back must not be lost to the rewrite.
  if (!CommitPage()) return;
  // A game the buffer cannot hold would leave a file that no map can be built
  // for: refused before anything changes.
  if (!ReorgFitsBuffer(*WorkFile)) return;
  Button4ClickStart();
  ShowPage("");
  const int32_t bufferSize = WorkFile->BufferSize;
  TBusyScope busy(*this);
  // Whatever fails, a work file the user can save stays: the old one, or the
  // new one once it is whole (from its map file, or kept for the next start
  // when it cannot be opened now).
  const auto reopen = [this] {
    if (!ReopenAfterFailedReorg()) KeepWorkFileForNextStart();
  };
  std::unique_ptr<TFStreamTxStr> done = ReorganizeBulletFile(std::move(WorkFile));
  if (!done) {
    // The bullet file itself was not touched: it comes back as it was.
    reopen();
    return;
  }
  done.reset();
  try {
    SwapReorgFile();
  } catch (const std::exception& e) {
    Dlg().Message(e.what(), TMsgKind::Error, TMsgButtons::Ok);
    reopen();
    return;
  }
  HoldWorkFiles();
  WorkFile = OpenBulletFile(bufferSize, PageText);
  if (!WorkFile) {
    reopen();
    return;
  }
  SetEditorLimit();
  ShowPage(PageText);
  FileSize = WorkFile->FileSize();
  UpdateGameCount();
  RefreshFileStatus();
  PageText.clear();
}

// Open Packed and Save As Packed: the file dialogs, then the PGC Packed Options
// dialog, which does the work.
#include <QLineEdit>
#include <algorithm>
#include <filesystem>

#include "app/PageEditor.h"
#include "app/Unit1.h"
#include "export/PackedFiles.h"
#include "export/Unit5Pac.h"

namespace {

// The file dialog of a packed file, starting from the current file's name with
// the extension ".pgc".
TFileDialogRequest PackedRequest(const TFileDialogRequest& current, const char* title) {
  TFileDialogRequest request = current;
  request.Title = title;
  request.Filter = "PGC files (*.pgc)|*.pgc";
  request.FilterIndex = 1;
  request.DefaultExt = "pgc";
  if (!request.FileName.empty())
    request.FileName = std::filesystem::path(request.FileName).replace_extension(".pgc").string();
  return request;
}

}  // namespace

void TForm1::MenuPackedClicks(QObject* sender) {
  if (sender == OpenPacked1) {
    OpenPackedFile();
  } else {
    SavePackedFile();
  }
}

void TForm1::OpenPackedFile() {
  if (!LeaveListFirst()) return;
  TMsgAnswer asked = TMsgAnswer::Ok;
  if (Memo1->Modified() || FileModified) {
    asked = AskSaveChanges();
    if (asked == TMsgAnswer::Cancel) return;
  }
  // The work stays as it was until the packed file has been unpacked.
  TFileDialogRequest request = PackedRequest(OpenDialog1, "Open Packed");
  if (!Dlg().OpenFileName(request)) {
    KeepUnsavedWork(asked);
    return;
  }
  TForm5 form(this);
  form.Mode = TForm5::kOpen;
  form.PackedFileName = request.FileName;
  form.BufferSize = BufferSizeField();
  form.TempFileName = WorkDir + kPackedTempFile;
  std::unique_ptr<TFStreamTxStr> input;
  if (form.Run() == QDialog::Accepted) input = form.TakeOpenedStream();
  if (!input) {
    KeepUnsavedWork(asked);
    return;
  }
  PageText = "\r\nPacked file being opened...";
  ShowOpened(std::move(input), true, form.PackedFileName);
  std::error_code ec;
  std::filesystem::remove(form.TempFileName, ec);
  if (!WorkFile) return;
  // The games came from the packed file, not from the temporary file unpacked
  // for the conversion: a recovery names the packed file. Save must not put
  // these games over the PGN file opened before, nor write plain PGN into the
  // packed file: it asks, proposing a name beside the latter.
  WorkFile->SetOrigin(form.PackedFileName);
  OpenDialog1.FileName = form.PackedFileName;
  SaveDialog1.FileName =
      std::filesystem::path(form.PackedFileName).replace_extension(".pgn").string();
}

void TForm1::SavePackedFile() {
  if (!WorkFile) {
    Dlg().Beep();
    return;
  }
  if (!LeaveListFirst()) return;
  TFileDialogRequest request = PackedRequest(SaveDialog1, "Save As Packed");
  if (request.FileName.empty()) request.FileName = PackedRequest(OpenDialog1, "").FileName;
  if (request.FileName.empty()) request.FileName = "untitled.pgc";
  if (!Dlg().SaveFileName(request) || !CommitPage()) return;
  TForm5 form(this);
  form.Mode = TForm5::kSave;
  form.PackedFileName = request.FileName;
  form.BufferSize = BufferSizeField();
  form.WorkStream = WorkFile.get();
  form.TempFileName = WorkDir + kPackedTempFile;
  const int result = form.Run();
  std::error_code ec;
  std::filesystem::remove(form.TempFileName, ec);
  if (form.RefusedPage != 0) ShowRefusedGame(form.RefusedPage, form.RefusedOffset);
  if (result != QDialog::Accepted) return;
  FileModified = false;
  RefreshFileStatus();
}

void TForm1::ShowRefusedGame(int32_t page, int64_t offset) {
  const int32_t shown = MovePage([&](std::string& t) { return WorkFile->GotoPage(page, t); });
  if (shown != page) return;
  Edit5->setText(QString::number(page));
  // The game's first line (its Event tag, after the bullet line) is selected.
  const std::string text = Memo1->Text();
  const size_t from = std::min(text.size(), static_cast<size_t>(offset) + 3);
  const size_t lineEnd = std::min(text.find("\r\n", from), text.size());
  Memo1->SetSelection(static_cast<int64_t>(from), static_cast<int64_t>(lineEnd - from));
  Memo1->setFocus();
}

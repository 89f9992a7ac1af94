// Recovery of the work file of an earlier run that ended without a clean
// shutdown (how the page map survives is told in stream/Recovery.h). At
// start-up each such work file is offered, newest first: Yes opens it as an
// unsaved collection under the name it came from, No ("Delete it") deletes it,
// Cancel (or closing the box) keeps it and every later one for the next start.
// Work files of an instance that is still running are never looked at.
#include <QDateTime>
#include <cctype>
#include <filesystem>
#include <utility>

#include "app/PageEditor.h"
#include "app/StatusPanel.h"
#include "app/Unit1.h"
#include "stream/Recovery.h"
#include "stream/TxFlows.h"
#include "ui/HelpForm.h"

namespace {

std::string RecoveryQuestion(const TStaleWorkFile& stale) {
  const std::string from =
      stale.Map.Origin.empty() ? std::string("a new collection") : stale.Map.Origin;
  const std::string when = QDateTime::fromSecsSinceEpoch(stale.ModifiedAt)
                               .toString(QStringLiteral("yyyy-MM-dd hh:mm"))
                               .toStdString();
  return "The program ended without saving the work file of " + from + " (last changed " + when +
         ").\r\rRecover it? Its committed pages open as an unsaved collection.\r\"Delete it\" "
         "deletes the work file; Cancel keeps it for the next start.";
}

// A packed file opened with Open Packed: Save must not write plain PGN into it.
bool IsPackedFileName(const std::string& name) {
  std::string ext = std::filesystem::path(name).extension().string();
  for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return ext == ".pgc";
}

}  // namespace

void TForm1::OfferRecovery() {
  for (const TStaleWorkFile& stale : FindRecoverableWorkFiles(WorkDir)) {
    const TMsgAnswer answer = Dlg().Question(RecoveryQuestion(stale), TMsgKind::Confirmation,
                                             TMsgButtons::YesNoCancel, "Delete it", kHelpRecovery);
    if (answer == TMsgAnswer::Cancel) return;
    if (answer != TMsgAnswer::Yes) {
      DeleteWorkFileSet(stale);
      continue;
    }
    // Only one collection is open at a time: later ones wait for the next start.
    if (OpenRecovered(stale)) return;
  }
}

bool TForm1::OpenRecovered(const TStaleWorkFile& stale) {
  BulletLock.Release();
  if (!AdoptWorkFile(stale)) {
    HoldWorkFiles();
    ShowMessage("The work file could not be recovered; it stays for the next start.");
    return false;
  }
  HoldWorkFiles();
  WorkFile = OpenRecoveredBulletFile(stale.Map, PageText);
  if (WorkFile) {
    ShowRecovered(stale.Map.Origin);
    return true;
  }
  GiveBackWorkFile(stale);
  return false;
}

void TForm1::GiveBackWorkFile(const TStaleWorkFile& stale) {
  BulletLock.Release();
  if (!RestoreWorkFile(stale)) {
    LeaveWorkFilesBehind();
  }
  HoldWorkFiles();
  ShowMessage("The work file could not be recovered; it stays for the next start.");
}

void TForm1::LeaveWorkFilesBehind() {
  // The bullet and map files keep their names and this run takes new ones, so
  // that its end does not delete them and the next start offers them.
  BulletLock.Release();
  ReorgLock.Release();
  std::error_code ec;
  std::filesystem::remove(OutputFileName, ec);
  const std::string kept = BulletFileName;
  while (BulletFileName == kept) InitWorkFileNames(WorkDir);
}

void TForm1::KeepWorkFileForNextStart() {
  WorkFile.reset();
  LeaveWorkFilesBehind();
  HoldWorkFiles();
  ShowNoWork();
  ShowMessage(
      "The work file could not be opened again; it is kept and offered at the next "
      "start.");
}

void TForm1::ShowRecovered(const std::string& origin) {
  Memo1->setReadOnly(false);
  SetCaption(origin);
  // Save proposes the original name; nothing is written there until the user
  // saves. A packed file is never written as plain PGN: Save asks for a name,
  // proposing one beside it, as after Open Packed.
  OpenDialog1.FileName = origin;
  SaveDialog1.FileName = IsPackedFileName(origin)
                             ? std::filesystem::path(origin).replace_extension(".pgn").string()
                             : origin;
  SetEditorLimit();
  ShowPage(PageText);
  PageText.clear();
  FileSize = WorkFile->FileSize();
  FileModified = true;
  FileProcessed = true;
  UpdateGameCount();
  Memo1Changed();
  RefreshFileStatus();
}

void TForm1::OfferPendingOpen() {
  if (PendingOpen.empty()) return;
  const std::string name = std::exchange(PendingOpen, std::string());
  if (Dlg().Message("The recovered collection is saved. Open " + name + " now?",
                    TMsgKind::Confirmation, TMsgButtons::YesNo) == TMsgAnswer::Yes)
    OpenDroppedFile(name);
}

bool TForm1::ReopenAfterFailedReorg() {
  TRecoveryMap map;
  if (!ReadRecoveryMapFile(MapFileNameOf(BulletFileName), map)) return false;
  WorkFile = OpenRecoveredBulletFile(map, PageText);
  if (!WorkFile) return false;
  SetEditorLimit();
  ShowPage(PageText);
  PageText.clear();
  FileSize = WorkFile->FileSize();
  UpdateGameCount();
  RefreshFileStatus();
  return true;
}

// Recovery of the work file of an earlier run that ended without a clean
// shutdown (how the page map survives is told in stream/Recovery.h). At
// start-up each such work file is offered, newest first: Yes opens it as an
// unsaved collection under the name it came from, No deletes it. Work files of
// an instance that is still running are never looked at.
#include <QDateTime>

#include "app/HelpForm.h"
#include "app/PageEditor.h"
#include "app/StatusPanel.h"
#include "app/Unit1.h"
#include "stream/Recovery.h"
#include "stream/TxFlows.h"

namespace {

std::string RecoveryQuestion(const TStaleWorkFile& stale) {
  const std::string from =
      stale.Map.Origin.empty() ? std::string("a new collection") : stale.Map.Origin;
  const std::string when = QDateTime::fromSecsSinceEpoch(stale.ModifiedAt)
                               .toString(QStringLiteral("yyyy-MM-dd hh:mm"))
                               .toStdString();
  return "The program ended without saving the work file of " + from + " (last changed " + when +
         ").\r\rRecover it? Its committed pages open as an unsaved collection.\rNo deletes it.";
}

}  // namespace

void TForm1::OfferRecovery() {
  for (const TStaleWorkFile& stale : FindRecoverableWorkFiles(WorkDir)) {
    const TMsgAnswer answer = Dlg().Message(RecoveryQuestion(stale), TMsgKind::Confirmation,
                                            TMsgButtons::YesNo, kHelpRecovery);
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
  if (!WorkFile) return true;
  ShowRecovered(stale.Map.Origin);
  return true;
}

void TForm1::ShowRecovered(const std::string& origin) {
  Memo1->setReadOnly(false);
  SetCaption(origin);
  // Save proposes the original name; nothing is written there until the user saves.
  OpenDialog1.FileName = origin;
  SaveDialog1.FileName = origin;
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

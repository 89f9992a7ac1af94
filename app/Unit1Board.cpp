// The board window from the main window: a right-button release over a game's
// moves opens one on that game, and Options / Board Flutter sets how long its
// steps flash.
#include <string>

#include "app/PageEditor.h"
#include "app/Unit1.h"
#include "chess/CBrdForm.h"
#include "chess/ParseObj.h"
#include "pgn/PgnTags.h"
#include "pgn/StrScan.h"

namespace {

constexpr char kFlutterCaption[] = "Board Flutter Feedback";
constexpr char kFlutterPrompt[] = "Enter a value between 0 and 100";

// The value of an answer made of digits only, or -1 when it is not one or
// lies above the largest flutter value.
int FlutterAnswer(const std::string& answer) {
  if (!IsAllDigits(answer)) return -1;
  int value = 0;
  for (char c : answer) {
    value = value * 10 + (c - '0');
    if (value > kMaxFlutter) return -1;
  }
  return value;
}

}  // namespace

void TForm1::OpenBoardAtCaret() {
  // A shown Find list holds lines of many games, not a game.
  if (ListMode || FindList || !WorkFile) return;
  const std::string text = Memo1->Text();
  const int64_t caret = Memo1->SelStart();
  const TGameAtCaret at = LocateGameAtCaret(text, static_cast<int>(caret));
  if (!at.Found) {
    Dlg().Beep();
    return;
  }
  // A caret just before the "1." that opens the moves stands in the moves too
  // (the locator puts it in the tags).
  const bool inMoves = at.Area == 2 || caret + 1 == at.MoveStart;
  if (!inMoves || at.GameEnd <= at.MoveStart) return;
  // Positions of the locator count from 1, the editor's from 0.
  std::string movetext = text.substr(static_cast<size_t>(at.MoveStart - 1),
                                     static_cast<size_t>(at.GameEnd - at.MoveStart));
  const int32_t page = WorkFile->Map ? WorkFile->CurrentPage() : 0;
  const int32_t pageStart =
      page >= 1 ? static_cast<int32_t>(WorkFile->Map->Entry(page).Offset) : 0;
  auto game = std::make_unique<TParseLine>(static_cast<QObject*>(this), std::move(movetext),
                                           static_cast<int32_t>(caret - at.MoveStart + 1),
                                           at.MoveStart - 1, pageStart);
  TChessBoardForm::OpenBoard(this, std::move(game));
  // The move a board points at stays visible while the board has the focus.
  Memo1->SendScintilla(QsciScintillaBase::SCI_HIDESELECTION, 0UL);
}

void TForm1::MenuBoardFlutterClick() {
  std::string answer = std::to_string(TChessBoardForm::Flutter);
  if (!Dlg().InputQuery(kFlutterCaption, kFlutterPrompt, answer)) return;
  const int value = FlutterAnswer(answer);
  if (value < 0) return;
  // Saved at close whether or not a file was opened.
  TChessBoardForm::Flutter = value;
  IniValue.Flutter = value;
}

// The board window from the main window: a right-button release over a game's
// moves opens one on that game, and Options / Board Flutter sets how long its
// steps flash.
#include <algorithm>
#include <string>

#include "app/PageEditor.h"
#include "app/Unit1.h"
#include "chess/CBrdForm.h"
#include "chess/GameReplay.h"
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

void TForm1::OpenBoardAt(QPoint position) {
  if (ListMode || FindList || !WorkFile) return;
  // The board opens on the game under the pointer, not on the one at the
  // caret before the click.
  const long at = Memo1->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMPOINT,
                                       static_cast<unsigned long>(std::max(position.x(), 0)),
                                       static_cast<long>(std::max(position.y(), 0)));
  if (at >= 0) Memo1->SetSelection(at, 0);
  OpenBoardAtCaret();
}

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
  // Positions of the locator count from 1, the editor's from 0.
  const size_t gameStart = static_cast<size_t>(std::max(at.GameStart, 1) - 1);
  const size_t gameEnd = static_cast<size_t>(at.GameEnd - 1);
  size_t moveStart = static_cast<size_t>(at.MoveStart - 1);
  // The tags: the lines from the game's start that begin with "[".
  size_t tagsEnd = gameStart;
  while (tagsEnd < gameEnd && text[tagsEnd] == '[') {
    const size_t lineEnd = text.find('\n', tagsEnd);
    tagsEnd = lineEnd == std::string::npos ? gameEnd : std::min(lineEnd + 1, gameEnd);
  }
  const std::string_view tags = std::string_view(text).substr(gameStart, tagsEnd - gameStart);
  // The moves of a set-up game may start at any move number ("23...Qf5"):
  // they start where its tags end.
  std::string fen;
  if (FindTagValue(tags, "FEN", fen)) {
    const size_t first = text.find_first_not_of(" \t\r\n", tagsEnd);
    if (first < gameEnd) moveStart = first;
  }
  // A caret just before the first move stands in the moves too (the locator
  // puts it in the tags).
  const bool inMoves = static_cast<size_t>(caret) >= moveStart;
  if (!inMoves || gameEnd <= moveStart) return;
  std::string movetext = text.substr(moveStart, gameEnd - moveStart);
  const int32_t page = WorkFile->Map ? WorkFile->CurrentPage() : 0;
  const int32_t pageStart =
      page >= 1 ? static_cast<int32_t>(WorkFile->Map->Entry(page).Offset) : 0;
  auto game =
      std::make_unique<TParseLine>(static_cast<QObject*>(this), std::move(movetext),
                                   static_cast<int32_t>(caret - static_cast<int64_t>(moveStart)),
                                   static_cast<int32_t>(moveStart), pageStart);
  game->Tags = std::string(tags);
  TChessBoardForm::OpenBoard(this, std::move(game));
  // The move a board points at stays visible while the board has the focus.
  Memo1->SendScintilla(QsciScintillaBase::SCI_HIDESELECTION, 0UL);
}

void TForm1::MenuBoardFlutterClick() {
  std::string answer = std::to_string(TChessBoardForm::Flutter);
  if (!Dlg().InputQuery(kFlutterCaption, kFlutterPrompt, answer)) return;
  const int value = FlutterAnswer(answer);
  if (value < 0) return;
  // Written at once, and again at close whether or not a file was opened.
  TChessBoardForm::Flutter = value;
  IniValue.Flutter = value;
  SaveSettings(IniValue);
}

// The board window: opened by a right-button release over a game, the position
// it shows, stepping, faults selected in the editor, the board image, the
// flutter value and set-up positions. Every picture is compared whole with one
// composed from the cells of the image file.
#include <QPainter>
#include <QTest>
#include <filesystem>
#include <sstream>

#include "chess/CBrdForm.h"
#include "settings/CTErrorU.h"
#include "settings/Settings.h"
#include "tests/gui/GuiTestSupport.h"

namespace {

std::string Game(const std::string& white, const std::string& tags, const std::string& moves) {
  return "\r\n[Event \"Board test\"]\r\n[Date \"2024.01.01\"]\r\n[White \"" + white +
         "\"]\r\n[Black \"Black\"]\r\n" + tags + "\r\n" + moves + "\r\n";
}

// En passant at ply 5, a capture at ply 6, castling on both wings at 11 and 12.
const char kCastles[] =
    "1. e4 Nf6 2. e5 d5 3. exd6 Qxd6 4. Nf3 Bg4 5. Be2 Nc6 6. O-O O-O-O 7. d3 e5 *";
const char kIllegal[] = "1. e4 e5 2. Nf3 Nc6 3. Bb6 a6 4. Ba4 Nf6 *";  // 3. Bb6 cannot be

// 804 half-moves of knights going out and back, lines of eight moves.
std::string LongGame() {
  std::string moves;
  for (int n = 1; n <= 402; ++n) {
    moves += std::to_string(n) + (n % 2 ? ". Nf3 Nf6 " : ". Ng1 Ng8 ");
    if (n % 4 == 0) moves += "\r\n";
  }
  return moves + "*";
}

}  // namespace

class TestBoardWindow : public TGuiTest {
  Q_OBJECT

  std::string page;
  QImage cells;

  void OpenGames() {
    c->Start();
    std::filesystem::copy_file(KORVANE_BRDGRID, c->Dir.File(kBoardImageFile));
    cells = QImage(QString::fromStdString(c->Dir.File(kBoardImageFile)))
                .convertToFormat(QImage::Format_RGB32);
    const std::string file = c->Dir.File("board.pgn");
    WriteFileBytes(
        file,
        Game("Castles", "", kCastles) + Game("Illegal", "", kIllegal) +
            Game("Brace", "", "1. e4 e5 2. Nf3 } Nc6 *") + Game("Long", "", LongGame()) +
            Game("Fen", "[SetUp \"1\"]\r\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 30\"]\r\n",
                 "30... Kd7 31. e4 Kd6 *") +
            Game("TwoKings", "[SetUp \"1\"]\r\n[FEN \"4k3/8/8/8/8/8/4P3/4KK2 b - - 0 30\"]\r\n",
                 "30... Kd7 31. e4 *") +
            Game("Crazy", "[Variant \"crazyhouse\"]\r\n", "1. e4 e5 *"));
    c->Dialogs.FileNames = {file};
    c->Menu("Open1");
    page = c->Memo()->Text();
  }

  // The offset of what, searched for from the movetext of the game of white.
  int64_t In(const std::string& white, const std::string& what) {
    const size_t game = page.find("[White \"" + white + "\"]");
    return static_cast<int64_t>(page.find(what, page.find("\r\n\r\n", game) + 4));
  }
  QList<TChessBoardForm*> Boards() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return c->Form->findChildren<TChessBoardForm*>();
  }
  static void Press(TChessBoardForm* b, const char* button) {
    b->findChild<QPushButton*>(button)->click();
  }

  // A right click over the editor at offset, with the caret at the start of
  // the page; the new board, if any.
  TChessBoardForm* RightClickAt(int64_t offset) {
    const qsizetype before = Boards().size();
    TPageEditor* memo = c->Memo();
    memo->SetSelection(offset, 0);
    memo->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
    const QPoint at = c->PointAt(offset) + QPoint(1, 4);
    memo->SendScintilla(QsciScintillaBase::SCI_SETEMPTYSELECTION, 0UL);  // no scrolling
    QTest::mousePress(memo->viewport(), Qt::RightButton, {}, at);
    QTest::mouseRelease(memo->viewport(), Qt::RightButton, {}, at);
    QCoreApplication::processEvents();  // the posted selection
    const auto boards = Boards();
    return boards.size() > before ? boards.back() : nullptr;
  }

  QImage Cell(int n) {
    const int size = cells.width() / 8;
    return cells.copy(n % 8 * size, n / 8 * size, size, size);
  }
  static QRect Square(const TChessBoardForm& b, int file, int rank) {
    const int s = b.SquareSize();
    return QRect((file - 1) * s, (8 - rank) * s, s, s);
  }
  // The picture a board of this position must show, composed square by square.
  QImage Composed(const TChessBoardForm& b, const TChessPosition& pos) {
    QImage image(b.BoardImage().size(), QImage::Format_RGB32);
    QPainter p(&image);
    for (int rank = 1; rank <= 8; ++rank) {
      for (int file = 1; file <= 8; ++file) {
        p.drawImage(Square(b, file, rank).topLeft(),
                    Cell(CellIndex(pos.At(file, rank), (file + rank) % 2 == 0)));
      }
    }
    return image;
  }
  // The picture after the first plies of a game (the castles game), played afresh.
  QImage After(const TChessBoardForm& b, int plies, const char* moves = kCastles) {
    TChessPosition pos;
    std::istringstream in(moves);
    for (std::string san; plies > 0 && in >> san;) {
      if (san.back() == '.') continue;  // a move number
      if (!pos.ReadSan(san) || !pos.ValidateMove() || (pos.MakeMove(), pos.CurMove.Failed))
        return {};
      --plies;
    }
    return Composed(b, pos);
  }

 private slots:
  void shownPositionFollowsTheCaret() {
    OpenGames();
    QVERIFY(!RightClickAt(In("Castles", "1.") - 30) && c->Dialogs.Beeps == 0);  // in the tags
    QVERIFY(!RightClickAt(0) && c->Dialogs.Beeps == 1);  // before the first game
    const struct {
      int64_t Caret;
      int Ply;
    } rows[] = {{In("Castles", "1. e4"), 0},     {In("Castles", "1. e4") + 1, 0},
                {In("Castles", "e4"), 1},        {In("Castles", "e5 d5") + 1, 3},
                {In("Castles", " Qxd6"), 5},     {In("Castles", "O-O-O") + 3, 12},
                {In("Castles", "e5 *") + 1, 14}, {In("Castles", "*"), 14},
                {In("Fen", "Kd7"), 1},           {In("Fen", "e4"), 2}};
    for (const auto& row : rows) {
      TChessBoardForm* board = RightClickAt(row.Caret);
      QVERIFY2(board && board->Position()->Ply == row.Ply, qPrintable(QString::number(row.Caret)));
    }
    QVERIFY(c->Dialogs.Shown.empty());
    TChessBoardForm* board = Boards().front();
    QCOMPARE(board->Position()->StoredCount, 14);
    Press(board, "Button1");
    QCOMPARE(Boards().size(), qsizetype{std::size(rows)} - 1);  // each window its own game

    // The initial position against the cells the image file numbers: white
    // at the bottom, a dark square in the corner at a1.
    board = Boards().front();
    Press(board, "Button5");
    const int pins[][3] = {{1, 1, 12}, {5, 1, 21}, {5, 8, 22}, {2, 2, 1}, {1, 3, 24}, {1, 7, 3}};
    for (const auto& [file, rank, cell] : pins)
      QVERIFY(board->Picture().copy(Square(*board, file, rank)) == Cell(cell));
    // Every step shows a fresh drawing of its position: the pawn taken en
    // passant and the castled rooks included.
    for (int ply = 1; ply <= 15; ++ply) {
      Press(board, ply < 15 ? "Button2" : "Button3");
      QVERIFY2(board->Picture() == After(*board, ply < 15 ? ply : 13),
               qPrintable(QString::number(ply)));
    }

    // A set-up game starts from its FEN position; the caption follows the moves.
    board = Boards().back();
    Press(board, "Button5");
    QCOMPARE(board->Position()->At(5, 8).Kind, kKing);
    QCOMPARE(board->Position()->At(1, 1).Kind, kEmpty);
    QCOMPARE(
        board->windowTitle(),
        QString(
            "ChessBoard - Fen - Black, Board test, 2024.01.01 - start position, Black to move"));
  }

  // A fault is named in one box: a wrong move is selected and the board stops
  // before it; a brace, a FEN that is no position and another variant close
  // the window. A game too long is shown up to the limit.
  void faultsAreNamedAndSelected() {
    OpenGames();
    const struct {
      const char* White;
      const char* At;
      std::string Box;
      const char* Selected;  // nullptr: nothing checked
      bool Opens;
    } rows[] = {
        {"Illegal", "Nf6 *", std::string("notation error: 3.Bb6: ") + MoveErrorMeaning(13), "Bb6",
         true},
        {"Brace", "e4", "notation error: extra )/} found", "} Nc", false},
        {"TwoKings", "e4",
         "[FEN \"4k3/8/8/8/8/8/4P3/4KK2 b - - 0 30\"] is not a legal position: white has 2 kings",
         nullptr, false},
        {"Crazy", "e4", "[Variant \"crazyhouse\"]: only standard chess is replayed", nullptr,
         false},
    };
    for (const auto& row : rows) {
      c->Dialogs.Shown.clear();
      TChessBoardForm* board = RightClickAt(In(row.White, row.At));
      QCOMPARE(c->Dialogs.Texts(), std::vector<std::string>{row.Box});
      QCOMPARE(board != nullptr, row.Opens);
      if (row.Selected) {
        QCOMPARE(c->Memo()->SelectedText(), std::string(row.Selected));
        QCOMPARE(c->Memo()->SelStart(), In(row.White, row.Selected));
      }
      if (!board) continue;
      QCOMPARE(board->FailedMove(), 4);
      Press(board, "Button4");  // the end is the position before the wrong move
      QCOMPARE(board->Picture(), After(*board, 4, kIllegal));
    }
    QCOMPARE(Boards().size(), qsizetype{1});

    TChessBoardForm* board = RightClickAt(In("Long", "1.") + 1);
    QVERIFY(board);
    QVERIFY2(LastBox().starts_with("Fatal Error: MaxHalfMoves exceeded"), LastBox().c_str());
    QCOMPARE(board->Position()->StoredCount, kMaxHalfMoves);
    QCOMPARE(board->FailedMove(), kMaxHalfMoves);
    QCOMPARE(c->Memo()->SelStart(), In("Long", "401. Nf3") + 5);
    QCOMPARE(board->Picture(), After(*board, 0));  // the knights are home
    QVERIFY(RightClickAt(In("Castles", "e4")));
    // Without the image file no board opens.
    std::filesystem::remove(c->Dir.File(kBoardImageFile));
    QVERIFY(!RightClickAt(In("Castles", "e4")));
    QCOMPARE(LastBox(), std::string("coult not load BrdGrid.bmp"));
    // An empty square keeps the colour of a double step that passed over it.
    QCOMPARE(CellIndex(TSquare{kEmpty, kBlack, 1}, true), 24);
    QCOMPARE(CellIndex(TSquare{kEmpty, kWhite, 1}, false), 25);
  }

  void flutterBoxTakesZeroToHundred() {
    c->Start();
    TChessBoardForm::Flutter = 20;
    const std::pair<const char*, int> rows[] = {
        {"50", 50},    {"101", 50}, {"-1", 50},   {"5a", 50},
        {nullptr, 50}, {"0", 0},    {"100", 100}, {"0000000000000000000007", 7}};
    for (const auto& [answer, flutter] : rows) {
      const std::string before = std::to_string(TChessBoardForm::Flutter);
      if (answer) c->Dialogs.Inputs.push_back(answer);
      c->Menu("BoardFlutter1");
      QCOMPARE(c->Dialogs.InputQueries.back().Default, before);
      QVERIFY2(TChessBoardForm::Flutter == flutter && IniValue.Flutter == flutter,
               answer ? answer : "Cancel");
    }
    QVERIFY(c->Dialogs.Shown.empty());
    QVERIFY(ReadFileBytes(IniFileName()).find("flutter=7\r\n") != std::string::npos);
  }
};

QTEST_MAIN(TestBoardWindow)
#include "test_gui_board.moc"

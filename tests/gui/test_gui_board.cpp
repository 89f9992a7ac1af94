// The board window: opened by a right-button release over a game, the position
// it shows, stepping with mouse and keyboard, wrong moves selected in the
// editor, dragging, the board image, the flutter value, set-up positions, and
// what the window says and draws about the game (caption, marks, turning).
#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QRadioButton>
#include <QTest>
#include <filesystem>

#include "assets/board/BoardCells.h"
#include "chess/CBrdForm.h"
#include "settings/CTErrorU.h"
#include "tests/gui/GuiTestSupport.h"

namespace {

std::string Game(const std::string& white, const std::string& moves) {
  return "\r\n[Event \"Board test\"]\r\n[Site \"Here\"]\r\n[Date \"2024.01.01\"]\r\n[Round "
         "\"1\"]\r\n[White \"" +
         white + "\"]\r\n[Black \"Black\"]\r\n[Result \"*\"]\r\n\r\n" + moves + "\r\n";
}

// En passant at ply 5, a capture at ply 6, castling on both wings at 11 and 12.
const std::string kCastles =
    "1. e4 Nf6 2. e5 d5 3. exd6 Qxd6 4. Nf3 Bg4 5. Be2 Nc6 6. O-O O-O-O 7. d3 e5 *";
const std::string kIllegalFifth = "1. e4 e5 2. Nf3 Nc6 3. Bb6 a6 4. Ba4 Nf6 *";
const std::string kBrace = "1. e4 e5 2. Nf3 } Nc6 *";

// A game from a set-up position: tags of its own, moves from 30... on.
std::string SetUpGame(const std::string& white, const std::string& tags, const std::string& moves) {
  return "\r\n[Event \"Endings\"]\r\n[Date \"1999.09.09\"]\r\n[White \"" + white +
         "\"]\r\n[Black \"B\"]\r\n" + tags + "\r\n" + moves + "\r\n";
}

// 804 half-moves of knights going out and back, lines of eight moves.
std::string LongGame() {
  std::string moves;
  for (int n = 1; n <= 402; ++n) {
    moves += std::to_string(n) + (n % 2 ? ". Nf3 Nf6 " : ". Ng1 Ng8 ");
    if (n % 4 == 0) moves += "\r\n";
  }
  return moves + "*";
}

const std::vector<std::string> kMovesOfCastles = {"e4",   "Nf6",   "e5",  "d5",  "exd6",
                                                  "Qxd6", "Nf3",   "Bg4", "Be2", "Nc6",
                                                  "O-O",  "O-O-O", "d3",  "e5"};

}  // namespace

class TestBoardWindow : public TGuiTest {
  Q_OBJECT

  std::string page;
  QImage cells;

  // Opens a file of the four test games, with the board image beside "the program".
  void OpenGames(bool withImage = true) {
    c->Start();
    if (withImage) {
      std::filesystem::copy_file(KORVANE_BRDGRID, c->Dir.File(kBoardImageFile));
      cells = QImage(QString::fromStdString(c->Dir.File(kBoardImageFile)))
                  .convertToFormat(QImage::Format_RGB32);
    }
    const std::string file = c->Dir.File("board.pgn");
    WriteFileBytes(
        file,
        Game("Castles", kCastles) + Game("Illegal", kIllegalFifth) + Game("Brace", kBrace) +
            Game("Long", LongGame()) +
            SetUpGame("Fen", "[SetUp \"1\"]\r\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 30\"]\r\n",
                      "30... Kd7 31. e4 Kd6 *") +
            SetUpGame("TwoKings",
                      "[SetUp \"1\"]\r\n[FEN \"4k3/8/8/8/8/8/4P3/4KK2 b - - 0 30\"]\r\n",
                      "30... Kd7 31. e4 *") +
            SetUpGame("Crazy", "[Variant \"crazyhouse\"]\r\n", "1. e4 e5 *"));
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

  // Where the editor shows the character at offset.
  QPoint PointOf(int64_t offset) {
    TPageEditor* memo = c->Memo();
    memo->SetSelection(offset, 0);
    memo->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
    const auto pos = static_cast<unsigned long>(offset);
    const int x =
        static_cast<int>(memo->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, pos));
    const int y =
        static_cast<int>(memo->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, pos));
    return {x + 1, y + 4};
  }

  // A right click over the editor at offset, with the caret somewhere else
  // (the start of the page); the new board, if any.
  TChessBoardForm* RightClickAt(int64_t caret) {
    const qsizetype before = Boards().size();
    const QPoint at = PointOf(caret);
    // The caret back at the start, without scrolling.
    c->Memo()->SendScintilla(QsciScintillaBase::SCI_SETCURRENTPOS, 0UL);
    c->Memo()->SendScintilla(QsciScintillaBase::SCI_SETANCHOR, 0UL);
    QTest::mousePress(c->Memo()->viewport(), Qt::RightButton, {}, at);
    QTest::mouseRelease(c->Memo()->viewport(), Qt::RightButton, {}, at);
    QCoreApplication::processEvents();  // the posted selection
    const auto boards = Boards();
    return boards.size() > before ? boards.back() : nullptr;
  }

  std::string LastBox() { return c->Dialogs.Shown.empty() ? "" : c->Dialogs.Shown.back().Text; }

  // Scripted boxes that also note, for each box, whether a board window was
  // on the screen when it came.
  class TBoxWatch : public TScriptDialogs {
   public:
    explicit TBoxWatch(QWidget* owner) : owner_(owner) {}
    std::vector<std::pair<std::string, bool>> Boxes;
    TMsgAnswer Message(const std::string& text, TMsgKind kind, TMsgButtons buttons,
                       int help) override {
      bool shown = false;
      for (auto* b : owner_->findChildren<TChessBoardForm*>()) shown = shown || b->isVisible();
      Boxes.emplace_back(text, shown);
      return TScriptDialogs::Message(text, kind, buttons, help);
    }

   private:
    QWidget* owner_;
  };

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

  // The position after the first plies of a game (the castles game), played afresh.
  static std::unique_ptr<TChessPosition> After(
      int plies, const std::vector<std::string>& moves = kMovesOfCastles) {
    auto pos = std::make_unique<TChessPosition>();
    for (int i = 0; i < plies; ++i) {
      const bool ok = pos->ReadSan(moves[static_cast<size_t>(i)]) && pos->ValidateMove() &&
                      (pos->MakeMove(), !pos->CurMove.Failed);
      if (!ok) return nullptr;
    }
    return pos;
  }

  // What the picture of the destination square showed during the paints of one
  // step, each colour once in the order seen; and how many paints there were.
  struct TFlashes {
    std::vector<QRgb> Colours;
    int Paints = 0;
  };
  class TFlashWatch : public QObject {
   public:
    TFlashWatch(TChessBoardForm& b, QPoint at) : board(b), point(at) {
      b.findChild<QWidget*>("Image1")->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() != QEvent::Paint) return false;
      ++seen.Paints;
      const QRgb colour = board.Picture().pixel(point);
      if (seen.Colours.empty() || seen.Colours.back() != colour) seen.Colours.push_back(colour);
      return false;
    }
    TChessBoardForm& board;
    QPoint point;
    TFlashes seen;
  };

 private slots:
  void shownPositionFollowsTheCaret() {
    OpenGames();
    // Where the caret stands, and the half-moves played on the board shown.
    const struct {
      const char* Where;
      int64_t Caret;
      int Ply;
    } rows[] = {
        {"just before the first 1.", In("Castles", "1. e4"), 0},
        {"on the first 1.", In("Castles", "1. e4") + 1, 0},
        {"on the first character of e4", In("Castles", "e4"), 1},
        {"inside move 3 (e5)", In("Castles", "e5 d5") + 1, 3},
        {"between moves 5 and 6", In("Castles", " Qxd6"), 5},
        {"inside castling long, move 12", In("Castles", "O-O-O") + 3, 12},
        {"inside the last move", In("Castles", "e5 *") + 1, 14},
        {"on the result", In("Castles", "*"), 14},
    };
    for (const auto& row : rows) {
      TChessBoardForm* board = RightClickAt(row.Caret);
      QVERIFY2(board, row.Where);
      QCOMPARE(board->Position()->StoredCount, 14);
      QVERIFY2(board->Position()->Ply == row.Ply, row.Where);
      QCOMPARE(board->Picture(), board->BoardImage());
      QCOMPARE(board->Picture(), Composed(*board, *After(row.Ply)));
    }
    QCOMPARE(Boards().size(), qsizetype{std::size(rows)});  // each window its own game
    Boards().front()->findChild<QPushButton*>("Button1")->click();
    QCOMPARE(Boards().size(), qsizetype{std::size(rows)} - 1);
    QVERIFY(c->Dialogs.Shown.empty());

    // The initial position, square by square, from the cells the image file
    // numbers: white at the bottom, a dark square in the corner at a1.
    TChessBoardForm* board = Boards().front();
    board->findChild<QPushButton*>("Button5")->click();
    const int back[8][2] = {{12, 15}, {4, 7},  {8, 11}, {16, 19},
                            {21, 22}, {9, 10}, {5, 6},  {13, 14}};
    for (int file = 1; file <= 8; ++file) {
      const bool evenOnRank1 = file % 2 == 1;
      const int expected[9] = {0,
                               back[file - 1][0],
                               evenOnRank1 ? 0 : 1,
                               evenOnRank1 ? 24 : 25,
                               evenOnRank1 ? 25 : 24,
                               evenOnRank1 ? 24 : 25,
                               evenOnRank1 ? 25 : 24,
                               evenOnRank1 ? 3 : 2,
                               back[file - 1][1]};
      for (int rank = 1; rank <= 8; ++rank) {
        QVERIFY2(board->Picture().copy(Square(*board, file, rank)) == Cell(expected[rank]),
                 qPrintable(QString("file %1 rank %2").arg(file).arg(rank)));
      }
    }
  }

  void nothingOpensOutsideTheMoves() {
    c->Start();
    RightClickAt(10);  // the welcome text: no page
    QCOMPARE(c->Dialogs.Beeps, 0);
    c.reset();
    c = std::make_unique<TGuiCase>();
    OpenGames();
    QVERIFY(!RightClickAt(In("Castles", "1.") - 30));  // in the tags
    QCOMPARE(c->Dialogs.Beeps, 0);
    QVERIFY(!RightClickAt(0));  // before the first game
    QCOMPARE(c->Dialogs.Beeps, 1);
    QVERIFY(Boards().empty());
  }

  void findListKeepsTheBoardShut() {
    OpenGames();
    c->Find<QRadioButton>("RadioGroup1Item2")->click();
    c->Find<QLineEdit>("Edit3")->setText("Bb6");
    c->Click("Button6");
    QVERIFY(c->Form->FindListShown());
    c->Memo()->SetSelection(2, 0);
    c->Form->Memo1MouseUp(Qt::RightButton, {});  // a release alone over the list
    QVERIFY(Boards().empty());
    // The press jumps to the line in its page; its release opens nothing.
    QTest::mousePress(c->Memo()->viewport(), Qt::RightButton, {}, QPoint(20, 8));
    QVERIFY(!c->Form->FindListShown());
    QTest::mouseRelease(c->Memo()->viewport(), Qt::RightButton, {}, QPoint(20, 8));
    QVERIFY(Boards().empty());
    QCOMPARE(c->Memo()->SelectedText(), std::string("1. e4 e5 2. Nf3 Nc6 3. Bb6 a6 4. Ba4 Nf6 *"));
    // The next right click opens the board on that game.
    page = c->Memo()->Text();
    QVERIFY(RightClickAt(In("Illegal", "e4")));
    QCOMPARE(c->Dialogs.Beeps, 0);
  }

  void illegalFifthMoveIsSelected() {
    OpenGames();
    for (int64_t caret : {In("Illegal", "e4"), In("Illegal", "Nf6 *")}) {
      TBoxWatch boxes(c->Form.get());
      TChessBoardForm* board = RightClickAt(caret);
      QVERIFY(board);
      // The box names the move and the reason, over the board it concerns.
      QCOMPARE(boxes.Boxes.size(), size_t{1});
      QCOMPARE(boxes.Boxes[0].first, std::string("notation error: 3.Bb6: ") + MoveErrorMeaning(13));
      QVERIFY(boxes.Boxes[0].second);
      QCOMPARE(c->Memo()->SelectedText(), std::string("Bb6"));
      QCOMPARE(c->Memo()->SelStart(), In("Illegal", "Bb6"));
      QCOMPARE(board->FailedMove(), 4);
      QCOMPARE(board->Position()->Ply, 4);
      const QImage shown = board->Picture();
      QCOMPARE(shown, Composed(*board, *After(4, {"e4", "e5", "Nf3", "Nc6"})));
      board->findChild<QPushButton*>("Button2")->click();
      QCOMPARE(board->Position()->Ply, 4);
      QCOMPARE(board->Picture(), shown);
      board->findChild<QPushButton*>("Button4")->click();
      QCOMPARE(board->Picture(), shown);
      board->findChild<QPushButton*>("Button3")->click();
      QCOMPARE(board->Position()->Ply, 3);
    }
  }

  void unbalancedBraceClosesTheWindow() {
    OpenGames();
    QVERIFY(!RightClickAt(In("Brace", "e4")));
    QCOMPARE(LastBox(), std::string("notation error: extra )/} found"));
    QCOMPARE(c->Memo()->SelStart(), In("Brace", "}"));
    QCOMPARE(c->Memo()->SelectedText(), std::string("} Nc"));
    QVERIFY(Boards().empty());
  }

  void tooLongAGameIsShownUpToTheLimit() {
    OpenGames();
    TChessBoardForm* board = RightClickAt(In("Long", "1.") + 1);
    QVERIFY(board);
    QVERIFY2(LastBox().starts_with("Fatal Error: MaxHalfMoves exceeded"), LastBox().c_str());
    QCOMPARE(board->Position()->StoredCount, kMaxHalfMoves);
    QCOMPARE(board->Position()->Ply, kMaxHalfMoves);
    QCOMPARE(board->FailedMove(), kMaxHalfMoves);
    QCOMPARE(c->Memo()->SelStart(), In("Long", "401. Nf3") + 5);
    QCOMPARE(c->Memo()->SelLength(), int64_t{3});
    QCOMPARE(board->Picture(), Composed(*board, *After(0)));  // the knights are home
    board->findChild<QPushButton*>("Button2")->click();
    QCOMPARE(board->Position()->Ply, kMaxHalfMoves);
    // The program goes on: the next game opens as usual.
    QVERIFY(RightClickAt(In("Castles", "e4")));
  }

  // Every step, forward to the end and back to the start, shows what a fresh
  // drawing of that position shows: the pawn taken en passant and the castled
  // rooks included.
  void steppingMatchesAFreshDrawing() {
    OpenGames();
    TChessBoardForm::Flutter = 0;
    TChessBoardForm* board = RightClickAt(In("Castles", "1.") + 1);
    QVERIFY(board);
    auto* forward = board->findChild<QPushButton*>("Button2");
    auto* backward = board->findChild<QPushButton*>("Button3");
    for (int ply = 1; ply <= 14; ++ply) {
      forward->click();
      QCOMPARE(board->Position()->Ply, ply);
      QVERIFY2(board->Picture() == Composed(*board, *After(ply)), qPrintable(QString::number(ply)));
    }
    forward->click();
    QCOMPARE(board->Position()->Ply, 14);
    for (int ply = 13; ply >= 0; --ply) {
      backward->click();
      QCOMPARE(board->Position()->Ply, ply);
      QVERIFY2(board->Picture() == Composed(*board, *After(ply)), qPrintable(QString::number(ply)));
    }
    backward->click();
    QCOMPARE(board->Position()->Ply, 0);
    board->findChild<QPushButton*>("Button4")->click();
    QCOMPARE(board->Picture(), Composed(*board, *After(14)));
    board->findChild<QPushButton*>("Button5")->click();
    QCOMPARE(board->Picture(), Composed(*board, *After(0)));

    // The keys, with the focus on a button: Right and Left step (over the en
    // passant capture at 5), End and Home jump, none of them moves the editor.
    c->Memo()->SetSelection(0, 0);
    const struct {
      Qt::Key Key;
      int Ply;
    } keys[] = {{Qt::Key_End, 14},  {Qt::Key_Home, 0},  {Qt::Key_Right, 1}, {Qt::Key_Right, 2},
                {Qt::Key_Right, 3}, {Qt::Key_Right, 4}, {Qt::Key_Right, 5}, {Qt::Key_Left, 4}};
    for (const auto& row : keys) {
      QTest::keyClick(forward, row.Key);
      QCOMPARE(board->Position()->Ply, row.Ply);
      QVERIFY(board->Picture() == Composed(*board, *After(row.Ply)));
    }
    QCoreApplication::processEvents();
    QCOMPARE(c->Memo()->SelLength(), int64_t{0});
    QVERIFY(c->Dialogs.Shown.empty());
  }

  // Mouse steps flash and point at the move; keyboard steps do neither, unless
  // a mouse press on "<" or ">" came before and no forward step cleared it.
  void mouseStepsFlashAndSelect() {
    OpenGames();
    TChessBoardForm::Flutter = 1;
    TChessBoardForm* board = RightClickAt(In("Castles", "e5 d5") + 1);
    QVERIFY(board);
    QCOMPARE(board->Position()->Ply, 3);
    auto* forward = board->findChild<QPushButton*>("Button2");
    auto* backward = board->findChild<QPushButton*>("Button3");
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255), red = qRgb(255, 0, 0);
    const auto centre = [&](int file, int rank) { return Square(*board, file, rank).center(); };

    enum TWay { kMouse, kKey };
    const struct {
      TWay Way;
      QPushButton* Button;
      int Ply;                        // after the step
      QPoint Watched;                 // a square of the move
      std::vector<QRgb> LastColours;  // the colours it showed last, in order
      const char* Selected;           // in the editor afterwards
    } rows[] = {
        // 3... d5 (d7-d5): the square left goes black.
        {kMouse, forward, 4, centre(4, 7), {black}, "d5"},
        // 4. exd6 en passant: the square reached flashes white, then black.
        {kMouse, forward, 5, centre(4, 6), {white, black}, "exd6"},
        // 3... Qxd6 takes: white, then red.
        {kMouse, forward, 6, centre(4, 6), {white, red}, "Qxd6"},
        // The keyboard neither flashes nor moves the selection.
        {kKey, forward, 7, centre(7, 1), {}, "Qxd6"},
        // A mouse step back selects the last move shown and keeps the mouse mark...
        {kMouse, backward, 6, centre(7, 1), {}, "Qxd6"},
        // ...so the next forward step by key still flashes and selects, once.
        {kKey, forward, 7, centre(6, 3), {white, black}, "Nf3"},
        {kKey, forward, 8, centre(7, 5), {}, "Nf3"},
    };
    for (const auto& row : rows) {
      const std::string at = std::to_string(row.Ply);
      TFlashes seen;
      {
        // Only what the step itself paints; the board shown afterwards is
        // painted once the events are processed.
        TFlashWatch watch(*board, row.Watched);
        if (row.Way == kMouse) {
          QTest::mouseClick(row.Button, Qt::LeftButton);
        } else {
          QTest::keyClick(row.Button, Qt::Key_Space);
        }
        seen = watch.seen;
      }
      QCoreApplication::processEvents();
      QCOMPARE(board->Position()->Ply, row.Ply);
      QCOMPARE(c->Memo()->SelectedText(), std::string(row.Selected));
      QCOMPARE(board->Picture(), Composed(*board, *After(row.Ply)));
      const size_t n = row.LastColours.size();
      if (n == 0) {
        QVERIFY2(seen.Paints == 0, at.c_str());
        continue;
      }
      QVERIFY2(seen.Paints == (row.LastColours.back() == red ? 55 : 45), at.c_str());
      QVERIFY2(
          seen.Colours.size() >= n &&
              std::equal(row.LastColours.begin(), row.LastColours.end(), seen.Colours.end() - n),
          at.c_str());
    }
  }

  void draggingMovesOnlyThePicture() {
    OpenGames();
    TChessBoardForm* board = RightClickAt(In("Castles", "1.") + 1);
    QVERIFY(board);
    auto* image = board->findChild<QWidget*>("Image1");
    const QImage before = board->Picture();
    TSquare squares[64];
    board->Position()->CopyBoard(squares, false);
    const QRect e2 = Square(*board, 5, 2), e3 = Square(*board, 5, 3);
    const QColor light = before.pixelColor(e2.topLeft() + QPoint(1, 1));
    const QColor dark = before.pixelColor(e3.topLeft() + QPoint(1, 1));
    QVERIFY(light != dark);

    QTest::mousePress(image, Qt::LeftButton, {}, e2.center() + QPoint(7, -9));
    QTest::mouseRelease(image, Qt::LeftButton, {}, e3.center() + QPoint(-8, 6));
    const QImage& after = board->Picture();
    QCOMPARE(after.copy(e2), [&] {
      QImage plain(e2.size(), QImage::Format_RGB32);
      plain.fill(light);
      return plain;
    }());
    // The pawn on the dark square's colour: its body white, its outline black.
    QCOMPARE(after.pixelColor(e3.topLeft() + QPoint(1, 1)), dark);
    QCOMPARE(after.pixelColor(e3.center()), QColor(Qt::white));
    QCOMPARE(after.copy(e3), [&] {
      QImage expected = before.copy(e2);
      FloodFill(expected, {1, 1}, dark);
      return expected;
    }());
    for (int rank = 1; rank <= 8; ++rank) {
      for (int file = 1; file <= 8; ++file) {
        if (file == 5 && (rank == 2 || rank == 3)) continue;
        QVERIFY(after.copy(Square(*board, file, rank)) == before.copy(Square(*board, file, rank)));
      }
    }
    TSquare now[64];
    board->Position()->CopyBoard(now, false);
    for (int i = 0; i < 64; ++i) QCOMPARE(now[i].Kind, squares[i].Kind);
    QCOMPARE(board->BoardImage(), before);

    // Let go outside the picture, or on the same square: nothing moves.
    const QImage dragged = board->Picture();
    QTest::mousePress(image, Qt::LeftButton, {}, Square(*board, 4, 7).center());
    QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(-20, 30));
    QTest::mousePress(image, Qt::LeftButton, {}, Square(*board, 4, 7).center());
    QTest::mouseRelease(image, Qt::LeftButton, {}, Square(*board, 4, 7).center() + QPoint(5, 5));
    QCOMPARE(board->Picture(), dragged);
    // The next jump shows the board again.
    board->findChild<QPushButton*>("Button5")->click();
    QCOMPARE(board->Picture(), before);
  }

  // A set-up game starts from its FEN position, and the caption follows the
  // moves with their numbers; a FEN that is no position, or another variant,
  // is named in the one box and the window closes.
  void setUpGamesAndTheirFaults() {
    OpenGames();
    TChessBoardForm* board = RightClickAt(In("Fen", "e4"));
    QVERIFY(board);
    QVERIFY(c->Dialogs.Shown.empty());
    QCOMPARE(board->Position()->Ply, 2);
    QCOMPARE(board->Position()->At(5, 4).Kind, kPawn);
    QCOMPARE(board->Position()->At(4, 7).Kind, kKing);
    QCOMPARE(board->windowTitle(),
             QString("ChessBoard - Fen - B, Endings, 1999.09.09 - after 31.e4, Black to move"));
    board->findChild<QPushButton*>("Button5")->click();
    QCOMPARE(board->Position()->At(5, 8).Kind, kKing);  // the set-up position, not the initial
    QCOMPARE(board->Position()->At(1, 1).Kind, kEmpty);
    QCOMPARE(board->windowTitle(),
             QString("ChessBoard - Fen - B, Endings, 1999.09.09 - start position, Black to move"));
    board->findChild<QPushButton*>("Button2")->click();
    QVERIFY(board->windowTitle().endsWith(" - after 30...Kd7, White to move"));
    // The first move, before any "1." of the text, is in the moves too.
    board = RightClickAt(In("Fen", "Kd7"));
    QVERIFY(board);
    QCOMPARE(board->Position()->Ply, 1);

    const struct {
      const char* White;
      const char* Box;
    } faults[] = {
        {"TwoKings",
         "[FEN \"4k3/8/8/8/8/8/4P3/4KK2 b - - 0 30\"] is not a legal position: "
         "white has 2 kings"},
        {"Crazy", "[Variant \"crazyhouse\"]: only standard chess is replayed"},
    };
    for (const auto& fault : faults) {
      TBoxWatch boxes(c->Form.get());
      QVERIFY2(!RightClickAt(In(fault.White, "e4")), fault.White);
      QCOMPARE(boxes.Boxes.size(), size_t{1});
      QCOMPARE(boxes.Boxes[0].first, std::string(fault.Box));
      QVERIFY(boxes.Boxes[0].second);
    }
  }

  // The caption names the game and the position; the last move's squares are
  // marked; the board turns round and scales with the window, and the mouse
  // still lands on the square it points at.
  void captionMarksTurningAndScaling() {
    OpenGames();
    TChessBoardForm::Flutter = 0;
    TChessBoardForm* board = RightClickAt(In("Castles", "Qxd6") + 1);
    QVERIFY(board);
    QCOMPARE(board->windowTitle(), QString("ChessBoard - Castles - Black, Board test, 2024.01.01 - "
                                           "after 3...Qxd6, White to move"));
    auto* image = board->findChild<TBoardImage*>("Image1");
    QVERIFY(image);
    QCOMPARE(image->BoardRect().size(), board->Picture().size());
    const auto markedAt = [&](int file, int rank) {
      // A pixel on the square's edge shows the mark colour, not the picture.
      const QImage shown = image->grab().toImage();
      const QRect square = image->ShownSquare(file, rank);
      const QColor edge = shown.pixelColor(square.topLeft() + QPoint(square.width() / 2, 0));
      return edge.red() > 200 && edge.green() > 120 && edge.green() < 210 && edge.blue() < 80;
    };
    QVERIFY(markedAt(4, 8) && markedAt(4, 6));  // Qd8xd6
    QVERIFY(!markedAt(4, 7) && !markedAt(5, 1));

    // What each shown square holds, against the picture, turned or not, at
    // the picture's size and at twice and a half its size.
    const auto shownMatches = [&](int file, int rank) {
      const QImage shown = image->grab().toImage();
      const QRect square = image->ShownSquare(file, rank);
      const QRect cell = Square(*board, file, rank);
      // the middle of a square never holds a mark or a name
      const QPoint from = cell.topLeft() + QPoint(cell.width() / 4, cell.height() / 2);
      const QPoint to = square.topLeft() + QPoint(square.width() / 4, square.height() / 2);
      const QColor a = board->Picture().pixelColor(from), b = shown.pixelColor(to);
      return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                 std::abs(a.blue() - b.blue()) <
             30;
    };
    for (const QSize size : {board->size(), board->size() * 5 / 2}) {
      board->resize(size);
      QCoreApplication::processEvents();
      for (bool turned : {false, true}) {
        if (board->Turned() != turned) QTest::keyClick(board, Qt::Key_F);
        QCOMPARE(board->Turned(), turned);
        const QRect a1 = image->ShownSquare(1, 1);
        QCOMPARE(a1.bottom() > image->height() / 2, !turned);  // a1 below, or above when turned
        for (auto [file, rank] : {std::pair{1, 1}, {4, 6}, {5, 1}, {8, 8}, {3, 7}}) {
          QVERIFY2(shownMatches(file, rank), qPrintable(QString("%1%2").arg(file).arg(rank)));
          QCOMPARE(image->ToPicture(image->ShownSquare(file, rank).center()) / board->SquareSize(),
                   Square(*board, file, rank).center() / board->SquareSize());
        }
      }
      board->findChild<QPushButton*>("Button6")->click();  // back upright
      QVERIFY(!board->Turned());
    }
    // The program's own cells are painted afresh at the size shown, not scaled.
    QCOMPARE(board->Picture().width(), image->BoardRect().width());
    QVERIFY(board->SquareSize() >= 2 * cells.width() / 8);
    cells = board_cells::PaintGrid(board->SquareSize());
    QCOMPARE(board->Picture(), Composed(*board, *After(6)));
    // Stepping on names the new position.
    board->findChild<QPushButton*>("Button2")->click();
    QVERIFY(board->windowTitle().endsWith(" - after 4.Nf3, Black to move"));
    board->findChild<QPushButton*>("Button5")->click();
    QVERIFY(board->windowTitle().endsWith(" - start position, White to move"));
    QVERIFY(!markedAt(4, 6));
  }

  void boardImageFaults() {
    OpenGames(false);
    QVERIFY(!RightClickAt(In("Castles", "e4")));
    QCOMPARE(LastBox(), std::string("coult not load BrdGrid.bmp"));
    QVERIFY(Boards().empty());

    QImage odd(100, 52, QImage::Format_RGB32);
    odd.fill(Qt::gray);
    QVERIFY(odd.save(QString::fromStdString(c->Dir.File(kBoardImageFile)), "BMP"));
    // A damaged image beside the program is said and leaves the board out, as a missing one.
    QVERIFY(!RightClickAt(In("Castles", "e4")));
    QCOMPARE(LastBox(), std::string("bmp_width/8 non-zero remainder"));
    QVERIFY(Boards().empty());

    // Square contents no cell shows end the program too.
    for (TSquare bad : {TSquare{kCastling, kWhite}, TSquare{kPawn, kNoColour}, TSquare{kKing, 3}}) {
      try {
        CellIndex(bad, true);
        QFAIL("a cell for content no cell shows");
      } catch (const EHalt& halt) {
        QCOMPARE(halt.ExitCode, 999);
      }
      QCOMPARE(LastBox(), std::string("Terminating error: \nlogic 6320"));
    }
    // An empty square keeps the colour of a double step that passed over it.
    QCOMPARE(CellIndex(TSquare{kEmpty, kBlack, 1}, true), 24);
    QCOMPARE(CellIndex(TSquare{kEmpty, kWhite, 1}, false), 25);
  }

  void flutterBoxTakesZeroToHundred() {
    c->Start();
    TChessBoardForm::Flutter = 20;
    const struct {
      const char* Answer;  // nullptr: Cancel
      int Flutter;
    } rows[] = {{"50", 50}, {"101", 50},  {"-1", 50},
                {"5a", 50}, {"", 50},     {nullptr, 50},
                {"0", 0},   {"100", 100}, {"0000000000000000000007", 7}};
    int previous = 20;
    for (const auto& row : rows) {
      if (row.Answer) c->Dialogs.Inputs.push_back(row.Answer);
      c->Menu("BoardFlutter1");
      const auto& asked = c->Dialogs.InputQueries.back();
      QCOMPARE(asked.Caption, std::string("Board Flutter Feedback"));
      QCOMPARE(asked.Prompt, std::string("Enter a value between 0 and 100"));
      QCOMPARE(asked.Default, std::to_string(previous));
      QVERIFY2(TChessBoardForm::Flutter == row.Flutter, row.Answer ? row.Answer : "Cancel");
      QCOMPARE(IniValue.Flutter, row.Flutter);
      previous = row.Flutter;
    }
    QVERIFY(c->Dialogs.Shown.empty());
    // Kept at close without a file opened, and read back at the next start.
    QVERIFY(c->Form->close());
    c->Form.reset();
    QVERIFY(ReadFileBytes(c->Dir.File("korvane.ini")).find("flutter=7\r\n") != std::string::npos);
    TChessBoardForm::Flutter = 20;
    c->Start();
    QCOMPARE(TChessBoardForm::Flutter, 7);
  }
};

QTEST_MAIN(TestBoardWindow)
#include "test_gui_board.moc"

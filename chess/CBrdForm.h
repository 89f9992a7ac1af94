// The board window: the game at the editor's caret replayed on a board that
// can be stepped through. A wrong move is selected in the editor. The picture
// is composed of square cells cut out of "BrdGrid.bmp" beside the program;
// the window fits it to its size (the program's own cells are painted afresh
// from their outlines, another picture is scaled), turns it round on request,
// and marks the last move and the squares' names over it.
#pragma once

#include <QColor>
#include <QEvent>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

#include "chess/ChessPos.h"
#include "chess/ParseObj.h"

class QFrame;
class QPushButton;

inline constexpr char kBoardImageFile[] = "BrdGrid.bmp";
inline constexpr char kBoardImageMissing[] = "coult not load BrdGrid.bmp";
inline constexpr char kBoardImageWidth[] = "bmp_width/8 non-zero remainder";
inline constexpr char kNotationError[] = "notation error: ";
inline constexpr int kMaxFlutter = 100;

// The select-range message the board window posts to its owner (the main
// window) to point at a move: wParam a 0-based editor offset, lParam a length;
// (666, -1) means nothing.
class TSelectRangeEvent : public QEvent {
 public:
  static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 1);
  TSelectRangeEvent(int64_t wParam, int64_t lParam)
      : QEvent(kType), WParam(wParam), LParam(lParam) {}
  int64_t WParam;
  int64_t LParam;
};

// The cell of the board image that shows a square's content; even: rank + file
// is even (a1, the dark squares). Content that no cell shows is an internal
// fault: the program ends ("\nlogic 6320").
int CellIndex(const TSquare& square, bool even);

// Fills the 4-connected area around start that has start's colour with colour.
void FloodFill(QImage& image, QPoint start, QColor colour);

// Image1: shows its picture, scaled to the largest square that fits and
// turned round when asked, and reports the mouse in picture coordinates.
class TBoardImage : public QWidget {
  Q_OBJECT

 public:
  explicit TBoardImage(QWidget* parent = nullptr);
  // The board as composed, white at the bottom, one cell per square.
  QImage Picture;
  int32_t SquareSize = 0;
  bool Turned = false;
  // The last move's two squares, marked over the picture; File 0: none.
  TSquareRef MarkFrom, MarkTo;

  // Where the board stands in the widget.
  QRect BoardRect() const;
  // The picture point shown at a widget point; (-1, -1) off the board.
  QPoint ToPicture(QPoint widgetPoint) const;
  // The widget rectangle that shows a square.
  QRect ShownSquare(int32_t file, int32_t rank) const;

 signals:
  void MouseDown(QPoint position);
  void MouseUp(QPoint position);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

class TChessBoardForm : public QWidget {
  Q_OBJECT

 public:
  // The flash length of every board window, 0..100 (the settings' "flutter").
  static int32_t Flutter;
  // The game's tags in the title are UTF-8, else Latin-1, as the page is shown.
  static bool Utf8Text;

  // Opens a window on the game (none: the initial position), in front and
  // painted. nullptr when the window has closed itself again (no board image,
  // a notation error); a window that closes frees itself.
  static TChessBoardForm* OpenBoard(QWidget* owner, std::unique_ptr<TParseLine> game);

  // The create event: loads the board image; see Created.
  explicit TChessBoardForm(QWidget* owner);
  ~TChessBoardForm() override;

  // False when the board image could not be loaded (the window is to close).
  bool Created() const { return !CellImage.isNull(); }
  void SetParseLine(std::unique_ptr<TParseLine> game) { ParseLine = std::move(game); }

  // Events and controls.
  void FormShow();
  void Button5ClickFarLeft();
  void Button3ClickLeft();
  void Button2ClickRight();
  void Button4ClickFarRight();
  void OKDoneButtonClick();
  void Button2OnMouseDown() { MouseStep = true; }
  void Button3OnMouseDown() { MouseStep = true; }
  void Image1OnMouseDown(QPoint position);
  void Image1OnMouseUp(QPoint position);
  // Button6 and the key F: turns the board round.
  void TurnClick();

  void DrawInitialBoard();
  void DrawPosition(int32_t ply);

  // State, for tests.
  int32_t SquareSize() const { return SquareSize_; }
  const TChessPosition* Position() const { return Position_.get(); }
  const TParseLine* Game() const { return ParseLine.get(); }
  const QImage& BoardImage() const { return BoardImage_; }
  const QImage& Picture() const;
  // The index of the move that could not be played, or -1.
  int32_t FailedMove() const { return FailedMove_; }
  bool IsMouseStep() const { return MouseStep; }
  bool Turned() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void FormCreate();
  // Parses and plays the game and draws the shown position; false after a
  // notation error, when the window is to close.
  bool PlayGame();
  bool PlayMove(size_t i);
  void SelectInEditor(int32_t offset, int32_t length);
  void SelectMove(int32_t ply);
  QRect SquareRect(int32_t file, int32_t rank) const;
  void DrawCell(int32_t file, int32_t rank, const TSquare& content);
  void CopyCell(int32_t file, int32_t rank);
  void ShowBoard();
  void FillSquare(QRect square, QColor colour);
  void Pause(int n);
  void FreeAll();
  // Paints the stock cells afresh at another square size and redraws.
  void RepaintCells(int32_t square);
  // The caption: the game's names and the position shown.
  void UpdateCaption();
  // A box about the game waits until the window is on the screen.
  void Tell(std::string text);

  int32_t SquareSize_ = 0;
  QColor FlashColour;
  QImage CellImage;
  // The cells are the program's own picture, which can be painted at any size.
  bool StockCells = false;
  QImage BoardImage_;
  bool MouseStep = false;
  QPoint DragStart;
  std::unique_ptr<TChessPosition> Position_;
  std::unique_ptr<TParseLine> ParseLine;

  int32_t FailedMove_ = -1;
  bool ShownOnce = false;
  bool CloseAfterShow = false;
  std::string PendingMessage;
  QString GameCaption;

  QFrame* Panel1 = nullptr;
  TBoardImage* Image1 = nullptr;
  QWidget* Panel2 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button5 = nullptr;
  QPushButton* Button6 = nullptr;
};

#include "chess/CBrdForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "assets/board/BoardCells.h"
#include "chess/GameReplay.h"
#include "settings/CTErrorU.h"
#include "settings/Dialogs.h"
#include "settings/Settings.h"
#include "ui/HelpForm.h"
#include "ui/Widgets.h"

namespace {

constexpr int kButtonWidth = 32;
constexpr int kButtonHeight = 19;
constexpr int kButtonRowHeight = 30;
const QColor kFlashCapture(255, 0, 0);  // the colour value 255
constexpr int kTurnButtonWidth = 40;
// The smallest board the window shrinks to, in pixels per square.
constexpr int kMinSquare = 20;

// kPieceCells[kind - 1][colour - 1] = {cell on an odd square, cell on an even square}.
constexpr int8_t kPieceCells[6][2][2] = {
    {{0, 1}, {2, 3}},      // pawn
    {{4, 5}, {6, 7}},      // knight
    {{9, 8}, {11, 10}},    // bishop
    {{13, 12}, {15, 14}},  // rook
    {{16, 17}, {18, 19}},  // queen
    {{20, 21}, {22, 23}},  // king
};
constexpr int8_t kEmptyCells[2] = {25, 24};  // odd, even

// The standard initial position, rank 1 first.
constexpr uint8_t kBackRank[8] = {kRook, kKnight, kBishop, kQueen, kKing, kBishop, kKnight, kRook};

TSquare InitialSquare(int32_t file, int32_t rank) {
  switch (rank) {
    case 1: return {kBackRank[file - 1], kWhite};
    case 2: return {kPawn, kWhite};
    case 7: return {kPawn, kBlack};
    case 8: return {kBackRank[file - 1], kBlack};
    default: return {};
  }
}

bool IsEven(int32_t file, int32_t rank) {
  return (file + rank) % 2 == 0;
}

int BoardIndex(const TSquareRef& s) {
  return (s.Rank - 1) * 8 + (s.File - 1);
}

// "White - Black, Event, Date" from the game's tags; what a tag does not
// give is left out.
QString GameTitle(const std::string& tags) {
  std::string white, black, event, date;
  FindTagValue(tags, "White", white);
  FindTagValue(tags, "Black", black);
  FindTagValue(tags, "Event", event);
  FindTagValue(tags, "Date", date);
  const auto shown = [](const std::string& s) {
    const auto n = static_cast<qsizetype>(s.size());
    return TChessBoardForm::Utf8Text ? QString::fromUtf8(s.data(), n)
                                     : QString::fromLatin1(s.data(), n);
  };
  QString title = shown(white);
  if (!black.empty()) title += (title.isEmpty() ? "" : " - ") + shown(black);
  for (const std::string* more : {&event, &date}) {
    if (more->empty()) continue;
    title += (title.isEmpty() ? "" : ", ") + shown(*more);
  }
  return title;
}

}  // namespace

int CellIndex(const TSquare& square, bool even) {
  // An empty square may still carry the colour of a pawn's double step.
  if (square.Kind == kEmpty) return kEmptyCells[even ? 1 : 0];
  if (square.Kind > kKing || (square.Colour != kWhite && square.Colour != kBlack)) {
    TerminatingError("\nlogic 6320");
  }
  return kPieceCells[square.Kind - 1][square.Colour - 1][even ? 1 : 0];
}

void FloodFill(QImage& image, QPoint start, QColor colour) {
  if (!image.rect().contains(start)) return;
  const QRgb from = image.pixel(start);
  const QRgb to = colour.rgb();
  if (from == to) return;
  std::vector<QPoint> pending{start};
  while (!pending.empty()) {
    const QPoint p = pending.back();
    pending.pop_back();
    if (!image.rect().contains(p) || image.pixel(p) != from) continue;
    image.setPixel(p, to);
    pending.insert(pending.end(), {QPoint(p.x() + 1, p.y()), QPoint(p.x() - 1, p.y()),
                                   QPoint(p.x(), p.y() + 1), QPoint(p.x(), p.y() - 1)});
  }
}

int32_t TChessBoardForm::Flutter = kDefaultFlutter;
bool TChessBoardForm::Utf8Text = false;

TChessBoardForm* TChessBoardForm::OpenBoard(QWidget* owner, std::unique_ptr<TParseLine> game) {
  auto* form = new TChessBoardForm(owner);
  if (!form->Created()) {
    delete form;
    return nullptr;
  }
  form->SetParseLine(std::move(game));
  QPointer<TChessBoardForm> alive(form);
  form->show();
  if (!alive) return nullptr;
  form->raise();
  form->activateWindow();
  form->repaint();
  // What went wrong with the game is told over the board it concerns.
  if (!form->PendingMessage.empty()) {
    ShowMessage(std::exchange(form->PendingMessage, std::string()));
    if (!alive) return nullptr;
  }
  if (form->CloseAfterShow) {
    form->close();
    return nullptr;
  }
  return form;
}

TChessBoardForm::TChessBoardForm(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                         Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
  setObjectName("ChessBoardForm");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("ChessBoard"));
  BuildControls();
  FormCreate();
}

TChessBoardForm::~TChessBoardForm() = default;

void TChessBoardForm::BuildControls() {
  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Image1 = new TBoardImage(Panel1);
  Image1->setObjectName("Image1");
  Panel2 = new QWidget(this);
  Panel2->setObjectName("Panel2");
  auto* row = new QHBoxLayout(Panel2);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(4);
  row->addStretch();
  const auto button = [this, row](const char* name, const char* caption) {
    auto* b = Named(new QPushButton(QString::fromLatin1(caption), Panel2), name);
    b->setFixedSize(kButtonWidth, kButtonHeight);
    row->addWidget(b);
    return b;
  };
  Button5 = button("Button5", "<<");
  Button3 = button("Button3", "<");
  Button1 = button("Button1", "OK");
  Button2 = button("Button2", ">");
  Button4 = button("Button4", ">>");
  row->addSpacing(8);
  Button6 = button("Button6", "Turn");
  Button6->setFixedWidth(kTurnButtonWidth);
  Button6->setToolTip(QStringLiteral("Turn the board round (F)"));
  Button6->setFocusPolicy(Qt::ClickFocus);
  row->addStretch();
  Button1->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
  for (QPushButton* b : {Button2, Button3}) b->installEventFilter(this);
  connect(Button5, &QPushButton::clicked, this, &TChessBoardForm::Button5ClickFarLeft);
  connect(Button3, &QPushButton::clicked, this, &TChessBoardForm::Button3ClickLeft);
  connect(Button1, &QPushButton::clicked, this, &TChessBoardForm::OKDoneButtonClick);
  connect(Button2, &QPushButton::clicked, this, &TChessBoardForm::Button2ClickRight);
  connect(Button4, &QPushButton::clicked, this, &TChessBoardForm::Button4ClickFarRight);
  connect(Button6, &QPushButton::clicked, this, &TChessBoardForm::TurnClick);
  connect(new QShortcut(QKeySequence(Qt::Key_F), this), &QShortcut::activated, this,
          &TChessBoardForm::TurnClick);
  connect(Image1, &TBoardImage::MouseDown, this, &TChessBoardForm::Image1OnMouseDown);
  connect(Image1, &TBoardImage::MouseUp, this, &TChessBoardForm::Image1OnMouseUp);
  // Arrow keys, Home and End step and jump as the buttons do, without flashing
  // (the buttons themselves would move the focus on an arrow key).
  const auto key = [this](Qt::Key k, void (TChessBoardForm::*step)()) {
    connect(new QShortcut(QKeySequence(k), this), &QShortcut::activated, this, [this, step] {
      if (!Position_) return;
      MouseStep = false;
      (this->*step)();
    });
  };
  key(Qt::Key_Right, &TChessBoardForm::Button2ClickRight);
  key(Qt::Key_Left, &TChessBoardForm::Button3ClickLeft);
  key(Qt::Key_Home, &TChessBoardForm::Button5ClickFarLeft);
  key(Qt::Key_End, &TChessBoardForm::Button4ClickFarRight);
  setTabOrder(Button5, Button3);
  setTabOrder(Button3, Button2);
  setTabOrder(Button2, Button4);
}

void TChessBoardForm::FormCreate() {
  if (!CellImage.load(QString::fromStdString(ProgramDir() + kBoardImageFile))) {
    CellImage = QImage();
    ShowMessage(kBoardImageMissing);
    return;
  }
  CellImage = CellImage.convertToFormat(QImage::Format_RGB32);
  const int width = CellImage.width();
  // A damaged image file beside the program: the board stays empty, as without one.
  if (width % 8 != 0) {
    CellImage = QImage();
    ShowMessage(kBoardImageWidth);
    return;
  }
  SquareSize_ = width / 8;
  StockCells = CellImage == board_cells::PaintGrid(SquareSize_);
  BoardImage_ = QImage(width, width, QImage::Format_RGB32);
  BoardImage_.fill(Qt::white);
  Image1->Picture = BoardImage_;
  Image1->SquareSize = SquareSize_;
  // The client area: the window's frame and caption come on top. It opens at
  // the picture's own size and may be resized; the board follows.
  const int buttons = 5 * kButtonWidth + kTurnButtonWidth + 5 * 4 + 8 + 10;
  setMinimumSize(std::max(8 * kMinSquare, buttons) + 11,
                 8 * kMinSquare + 11 + kButtonRowHeight + 4);
  resize(std::max(width + 11, minimumWidth()), width + 11 + kButtonRowHeight + 4);
  Flutter = std::clamp(Flutter, 0, kMaxFlutter);
  Button2->setFocus();
}

void TChessBoardForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int rowTop = height() - kButtonRowHeight - 4;
  Panel1->setGeometry(3, 3, width() - 6, rowTop - 6);
  Image1->setGeometry(2, 2, Panel1->width() - 5, Panel1->height() - 5);
  Panel2->setGeometry(0, rowTop, width(), kButtonRowHeight);
  if (StockCells) {
    const int32_t square = Image1->BoardRect().width() / 8;
    if (square >= 1 && square != SquareSize_) RepaintCells(square);
  }
}

void TChessBoardForm::RepaintCells(int32_t square) {
  CellImage = board_cells::PaintGrid(square);
  SquareSize_ = square;
  Image1->SquareSize = square;
  BoardImage_ = QImage(8 * square, 8 * square, QImage::Format_RGB32);
  BoardImage_.fill(Qt::white);
  // A dragged picture is not kept: the game's position is drawn again.
  if (Position_) {
    DrawPosition(Position_->Ply);
  } else {
    DrawInitialBoard();
  }
  ShowBoard();
}

bool TChessBoardForm::Turned() const {
  return Image1->Turned;
}

void TChessBoardForm::TurnClick() {
  Image1->Turned = !Image1->Turned;
  Image1->update();
}

void TChessBoardForm::Tell(std::string text) {
  // One box per opening: the first fault is the one the editor selects.
  if (PendingMessage.empty()) PendingMessage = std::move(text);
}

void TChessBoardForm::UpdateCaption() {
  QString caption = QStringLiteral("ChessBoard");
  if (!GameCaption.isEmpty()) caption += QStringLiteral(" - ") + GameCaption;
  if (Position_ && ParseLine) {
    const int32_t ply = Position_->Ply;
    const bool whiteToMove = Position_->SideOfPly(ply + 1) == kWhite;
    QString where = QStringLiteral("start position");
    if (ply >= 1 && static_cast<size_t>(ply) <= ParseLine->Moves.size()) {
      where = QStringLiteral("after ") +
              QString::fromLatin1(MoveLabel(Position_->MoveNumberOfPly(ply),
                                            Position_->SideOfPly(ply) == kBlack,
                                            ParseLine->Moves[static_cast<size_t>(ply - 1)].Text));
    }
    caption +=
        QStringLiteral(" - ") + where +
        (whiteToMove ? QStringLiteral(", White to move") : QStringLiteral(", Black to move"));
  }
  setWindowTitle(caption);
}

const QImage& TChessBoardForm::Picture() const {
  return Image1->Picture;
}

void TChessBoardForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (ShownOnce) return;
  ShownOnce = true;
  FormShow();
}

void TChessBoardForm::FormShow() {
  // The window is not on the screen yet: a window that is to close again is
  // closed by the opener once the show is over.
  if (!PlayGame()) CloseAfterShow = true;
}

bool TChessBoardForm::PlayGame() {
  if (!ParseLine) {
    DrawInitialBoard();
    ShowBoard();
    // Without a game there is nothing to step through.
    for (QPushButton* b : {Button2, Button3, Button4, Button5}) b->setEnabled(false);
    return true;
  }
  GameCaption = GameTitle(ParseLine->Tags);
  try {
    Position_ = std::make_unique<TChessPosition>();
  } catch (const ECtError& e) {
    Tell(e.what());
    return false;
  }
  std::string startProblem;
  const TStartKind start = SetUpStart(ParseLine->Tags, *Position_, startProblem);
  if (start == TStartKind::BadSetUp || start == TStartKind::OtherVariant) {
    Position_.reset();
    DrawInitialBoard();
    ShowBoard();
    Tell(startProblem);
    return false;
  }
  try {
    ParseLine->Parse();
  } catch (const std::exception&) {
    DrawPosition(0);
    ShowBoard();
    Tell(kNotationError + ParseLine->ErrorMessage);
    SelectInEditor(ParseLine->ErrorOffset, ParseLine->ErrorLength);
    return false;
  }
  int32_t shownPly = 0;
  size_t i = 0;
  try {
    for (; i < ParseLine->Moves.size(); ++i) {
      if (!PlayMove(i)) {
        const int32_t ply = static_cast<int32_t>(i + 1);
        ParseLine->ErrorMessage =
            MoveFailureText(Position_->MoveNumberOfPly(ply), Position_->SideOfPly(ply) == kBlack,
                            ParseLine->Moves[i].Text, Position_->CurMove.ErrorCode);
        Tell(kNotationError + ParseLine->ErrorMessage);
        FailedMove_ = static_cast<int32_t>(i);
        shownPly = FailedMove_;
        break;
      }
      if (ParseLine->Moves[i].Offset <= ParseLine->CaretOffset) {
        shownPly = static_cast<int32_t>(i + 1);
      }
    }
  } catch (const ECtError& e) {
    // The rules gave up on this move (too long a game, say): the moves before
    // it stand and are shown, the move is pointed at.
    const TMove& move = ParseLine->Moves[i];
    SelectInEditor(move.Offset, move.Length);
    Tell(e.what());
    FailedMove_ = static_cast<int32_t>(i);
    shownPly = Position_->StoredCount;
  }
  DrawPosition(shownPly);
  ShowBoard();
  return true;
}

bool TChessBoardForm::PlayMove(size_t i) {
  const TMove& move = ParseLine->Moves[i];
  TChessPosition& pos = *Position_;
  if (pos.ReadSan(std::string_view(move.Text).substr(0, 8)) && pos.ValidateMove()) {
    pos.MakeMove();
  }
  if (pos.CurMove.Failed) {
    SelectInEditor(move.Offset, move.Length);
    return false;
  }
  return true;
}

void TChessBoardForm::SelectInEditor(int32_t offset, int32_t length) {
  if (!ParseLine || !ParseLine->Owner) return;
  QCoreApplication::postEvent(
      static_cast<QObject*>(ParseLine->Owner),
      new TSelectRangeEvent(int64_t{ParseLine->MovetextOffset} + offset, length));
}

void TChessBoardForm::SelectMove(int32_t ply) {
  if (!ParseLine || ply < 1 || static_cast<size_t>(ply) > ParseLine->Moves.size()) return;
  const TMove& move = ParseLine->Moves[static_cast<size_t>(ply - 1)];
  SelectInEditor(move.Offset, move.Length);
}

QRect TChessBoardForm::SquareRect(int32_t file, int32_t rank) const {
  return QRect((file - 1) * SquareSize_, (8 - rank) * SquareSize_, SquareSize_, SquareSize_);
}

void TChessBoardForm::DrawCell(int32_t file, int32_t rank, const TSquare& content) {
  const int cell = CellIndex(content, IsEven(file, rank));
  const QRect source(cell % 8 * SquareSize_, cell / 8 * SquareSize_, SquareSize_, SquareSize_);
  QPainter(&BoardImage_).drawImage(SquareRect(file, rank), CellImage, source);
}

void TChessBoardForm::CopyCell(int32_t file, int32_t rank) {
  DrawCell(file, rank, Position_ ? Position_->At(file, rank) : InitialSquare(file, rank));
}

void TChessBoardForm::DrawInitialBoard() {
  if (Position_) {
    DrawPosition(0);
    return;
  }
  for (int32_t rank = 1; rank <= 8; ++rank) {
    for (int32_t file = 1; file <= 8; ++file) DrawCell(file, rank, InitialSquare(file, rank));
  }
}

void TChessBoardForm::DrawPosition(int32_t ply) {
  if (!Position_ || !Position_->GoToPly(ply)) TerminatingError("\nlogic 3950");
  for (int32_t rank = 1; rank <= 8; ++rank) {
    for (int32_t file = 1; file <= 8; ++file) CopyCell(file, rank);
  }
}

void TChessBoardForm::ShowBoard() {
  Image1->Picture = BoardImage_;
  Image1->MarkFrom = Image1->MarkTo = TSquareRef{};
  if (Position_ && Position_->Ply >= 1)
    Position_->GetMoveSquares(Position_->Ply, Image1->MarkFrom, Image1->MarkTo);
  Image1->update();
  UpdateCaption();
}

void TChessBoardForm::FillSquare(QRect square, QColor colour) {
  QPainter(&Image1->Picture).fillRect(square, colour);
}

void TChessBoardForm::Pause(int n) {
  for (int i = 0; i < Flutter * n; ++i) repaint();
}

void TChessBoardForm::Button2ClickRight() {
  if (!Position_) TerminatingError("\nlogic 5813");
  TChessPosition& pos = *Position_;
  TSquare before[64];
  pos.CopyBoard(before, true);
  if (!pos.StepBy(1)) return;
  TSquareRef from, to;
  if (!pos.GetMoveSquares(pos.Ply, from, to)) TerminatingError("\nlogic 5290");
  const TSquare& movedBefore = before[BoardIndex(from)];
  const TSquare& targetBefore = before[BoardIndex(to)];
  const int32_t files = std::abs(from.File - to.File);
  // En passant takes a pawn beside the destination, castling moves a rook:
  // squares the two copied below do not cover.
  const bool fullRedraw =
      (files == 1 && movedBefore.Kind == kPawn && targetBefore.Kind == kEmpty) ||
      (files == 2 && pos.At(to.File, to.Rank).Kind == kKing);
  if (MouseStep) SelectMove(pos.Ply);
  const bool capture = targetBefore.Kind != kEmpty;
  FlashColour = capture ? kFlashCapture : QColor(Qt::black);

  CopyCell(from.File, from.Rank);
  if (MouseStep) {
    FillSquare(SquareRect(from.File, from.Rank), Qt::black);
    Pause(20);
  }
  CopyCell(to.File, to.Rank);
  if (MouseStep) {
    FillSquare(SquareRect(to.File, to.Rank), Qt::white);
    Pause(5);
    FillSquare(SquareRect(to.File, to.Rank), FlashColour);
    Pause(capture ? 30 : 20);
  }
  if (fullRedraw) DrawPosition(pos.Ply);
  ShowBoard();
  MouseStep = false;
}

void TChessBoardForm::Button3ClickLeft() {
  if (!Position_) TerminatingError("\nlogic 5814");
  TChessPosition& pos = *Position_;
  TSquareRef from, to;
  if (!pos.GetMoveSquares(pos.Ply, from, to)) return;
  if (!pos.StepBy(-1)) return;
  if (MouseStep && pos.Ply >= 1) SelectMove(pos.Ply);
  const TSquare& moved = pos.At(from.File, from.Rank);
  const int32_t files = std::abs(from.File - to.File);
  const bool fullRedraw =
      (files == 2 && moved.Kind == kKing) ||
      (files == 1 && moved.Kind == kPawn && pos.At(to.File, to.Rank).Kind == kEmpty);
  CopyCell(from.File, from.Rank);
  CopyCell(to.File, to.Rank);
  if (fullRedraw) DrawPosition(pos.Ply);
  ShowBoard();
}

void TChessBoardForm::Button5ClickFarLeft() {
  if (!Position_) TerminatingError("\nlogic 5817");
  DrawPosition(0);
  ShowBoard();
}

void TChessBoardForm::Button4ClickFarRight() {
  if (!Position_) TerminatingError("\nlogic 5816");
  DrawPosition(Position_->StoredCount);
  ShowBoard();
}

void TChessBoardForm::OKDoneButtonClick() {
  close();
}

void TChessBoardForm::Image1OnMouseDown(QPoint position) {
  DragStart = position;
}

void TChessBoardForm::Image1OnMouseUp(QPoint position) {
  QImage& picture = Image1->Picture;
  // A button let go outside the picture drags nothing.
  if (!picture.rect().contains(DragStart) || !picture.rect().contains(position)) return;
  const auto snap = [this](QPoint p) {
    return QRect(p.x() / SquareSize_ * SquareSize_, p.y() / SquareSize_ * SquareSize_,
                 SquareSize_, SquareSize_);
  };
  const QRect origin = snap(DragStart);
  const QRect target = snap(position);
  if (origin == target) return;
  const QColor originColour = picture.pixelColor(origin.topLeft() + QPoint(1, 1));
  const QColor targetColour = picture.pixelColor(target.topLeft() + QPoint(1, 1));
  QImage square = picture.copy(origin);
  FloodFill(square, QPoint(1, 1), targetColour);
  {
    QPainter p(&picture);
    p.drawImage(target.topLeft(), square);
    p.fillRect(origin, originColour);
  }
  Image1->update();
}

bool TChessBoardForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    if (watched == Button2) Button2OnMouseDown();
    if (watched == Button3) Button3OnMouseDown();
  }
  return QWidget::eventFilter(watched, event);
}

void TChessBoardForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    ShowHelpContext(kHelpBoard);
    return;
  }
  QWidget::keyPressEvent(event);
}

void TChessBoardForm::FreeAll() {
  Position_.reset();
  ParseLine.reset();
  CellImage = QImage();
  BoardImage_ = QImage();
  Image1->Picture = QImage();
}

void TChessBoardForm::closeEvent(QCloseEvent* event) {
  FreeAll();
  event->accept();
}

// Image1 of the board window: the composed board picture fitted to the
// widget, turned round on request, with the last move's squares framed and
// the squares' names on the board's edge.
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "chess/CBrdForm.h"

namespace {

const QColor kLastMoveMark(255, 170, 0, 210);

}  // namespace

TBoardImage::TBoardImage(QWidget* parent) : QWidget(parent) {}

QRect TBoardImage::BoardRect() const {
  // Whole pixels per square, so that every square is drawn alike.
  const int side = std::min(width(), height()) / 8 * 8;
  return QRect((width() - side) / 2, (height() - side) / 2, side, side);
}

QPoint TBoardImage::ToPicture(QPoint widgetPoint) const {
  const QRect board = BoardRect();
  if (Picture.isNull() || SquareSize <= 0 || !board.contains(widgetPoint)) return {-1, -1};
  const auto axis = [this, &board](int at, int origin) {
    const int p = (at - origin) * Picture.width() / board.width();
    const int square = Turned ? 7 - p / SquareSize : p / SquareSize;
    return square * SquareSize + p % SquareSize;
  };
  return {axis(widgetPoint.x(), board.x()), axis(widgetPoint.y(), board.y())};
}

QRect TBoardImage::ShownSquare(int32_t file, int32_t rank) const {
  const QRect board = BoardRect();
  const int s = board.width() / 8;
  const int column = Turned ? 8 - file : file - 1;
  const int row = Turned ? rank - 1 : 8 - rank;
  return QRect(board.x() + column * s, board.y() + row * s, s, s);
}

void TBoardImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect board = BoardRect();
  if (Picture.isNull() || SquareSize <= 0 || board.isEmpty()) return;
  QImage shown = Picture;
  if (Turned) {
    // Each square moves to the opposite place; the pieces stay upright.
    QPainter turn(&shown);
    for (int row = 0; row < 8; ++row) {
      for (int column = 0; column < 8; ++column) {
        turn.drawImage(QPoint((7 - column) * SquareSize, (7 - row) * SquareSize), Picture,
                       QRect(column * SquareSize, row * SquareSize, SquareSize, SquareSize));
      }
    }
  }
  if (board.size() != shown.size())
    shown = shown.scaled(board.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  painter.drawImage(board.topLeft(), shown);
  painter.setRenderHint(QPainter::Antialiasing);
  const int s = board.width() / 8;
  if (MarkFrom.File != 0) {
    const int pen = std::max(2, s / 14);
    painter.setPen(QPen(kLastMoveMark, pen));
    painter.setBrush(Qt::NoBrush);
    for (const TSquareRef& sq : {MarkFrom, MarkTo}) {
      painter.drawRect(
          ShownSquare(sq.File, sq.Rank).adjusted(pen / 2, pen / 2, -(pen + 1) / 2, -(pen + 1) / 2));
    }
  }
  // Rank numbers in the top left corner of the left-hand squares, file
  // letters in the bottom right corner of the bottom squares.
  QFont font = painter.font();
  font.setPixelSize(std::max(8, s / 5));
  font.setBold(true);
  painter.setFont(font);
  const int inset = std::max(1, s / 20);
  // Dark names on a light square, light ones on a dark square, whatever
  // colours the board image gives its squares.
  const auto label = [&](int32_t file, int32_t rank, int flags, const QString& text) {
    const QColor square =
        Picture.pixelColor((file - 1) * SquareSize + 1, (8 - rank) * SquareSize + 1);
    painter.setPen(square.lightness() > 140 ? QColor(70, 50, 30) : QColor(250, 245, 235));
    painter.drawText(ShownSquare(file, rank).adjusted(inset, inset, -inset, -inset), flags, text);
  };
  for (int32_t n = 1; n <= 8; ++n) {
    const int32_t leftFile = Turned ? 8 : 1, bottomRank = Turned ? 8 : 1;
    label(leftFile, n, Qt::AlignLeft | Qt::AlignTop, QString::number(n));
    label(n, bottomRank, Qt::AlignRight | Qt::AlignBottom, QString(QChar('a' + n - 1)));
  }
}

void TBoardImage::mousePressEvent(QMouseEvent* event) {
  emit MouseDown(ToPicture(event->position().toPoint()));
}

void TBoardImage::mouseReleaseEvent(QMouseEvent* event) {
  emit MouseUp(ToPicture(event->position().toPoint()));
}

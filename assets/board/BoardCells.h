// The board window's cell image painted from vector outlines: 8 cells to a
// row, four rows, each cell one board square. MakeBrdGrid writes it as
// BrdGrid.bmp; the board window paints it afresh at the size it shows the
// board, so that the pieces stay sharp at any size.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <initializer_list>

namespace board_cells {

inline const QColor kLightSquare(238, 218, 181);
inline const QColor kDarkSquare(176, 128, 90);
inline const QColor kUnusedCell(128, 128, 128);
inline const QColor kOutline(0, 0, 0);
inline const QColor kWhiteFill(255, 255, 255);
inline const QColor kBlackFill(40, 40, 40);
inline const QColor kBlackDetail(235, 235, 235);

enum TKind { kPawn, kKnight, kBishop, kRook, kQueen, kKing };

// Shapes are drawn in a 100 x 100 box; the painter scales them to the square.
struct TPen {
  QPainter& P;
  bool White;

  // A filled part with its outline; later parts lie over earlier ones.
  void Part(const QPainterPath& path) const {
    P.setPen(QPen(kOutline, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    P.setBrush(White ? kWhiteFill : kBlackFill);
    P.drawPath(path);
  }
  // An inner line: dark on a white piece, light on a black one.
  void Detail(const QPainterPath& path, double width = 2.4) const {
    P.setPen(
        QPen(White ? kOutline : kBlackDetail, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    P.setBrush(Qt::NoBrush);
    P.drawPath(path);
  }
  void Dot(QPointF centre, double radius) const {
    P.setPen(Qt::NoPen);
    P.setBrush(White ? kOutline : kBlackDetail);
    P.drawEllipse(centre, radius, radius);
  }
};

inline QPainterPath Rounded(double x1, double y1, double x2, double y2, double r) {
  QPainterPath path;
  path.addRoundedRect(QRectF(QPointF(x1, y1), QPointF(x2, y2)), r, r);
  return path;
}

inline QPainterPath Circle(double x, double y, double r) {
  QPainterPath path;
  path.addEllipse(QPointF(x, y), r, r);
  return path;
}

inline QPainterPath Polygon(std::initializer_list<QPointF> points) {
  QPainterPath path;
  bool first = true;
  for (const QPointF& p : points) {
    if (first)
      path.moveTo(p);
    else
      path.lineTo(p);
    first = false;
  }
  path.closeSubpath();
  return path;
}

// The foot most pieces stand on: a broad plinth under a narrower step.
inline void Foot(const TPen& pen, double halfWidth) {
  pen.Part(Rounded(50 - halfWidth, 82, 50 + halfWidth, 90, 2.5));
  pen.Part(Rounded(50 - halfWidth + 6, 76, 50 + halfWidth - 6, 82, 2));
}

inline void Pawn(const TPen& pen) {
  QPainterPath body;
  body.moveTo(31, 77);
  body.cubicTo(33, 66, 40, 60, 43, 51);
  body.lineTo(57, 51);
  body.cubicTo(60, 60, 67, 66, 69, 77);
  body.closeSubpath();
  pen.Part(body);
  pen.Part(Rounded(24, 77, 76, 88, 3));
  pen.Part(Rounded(36, 46, 64, 53, 3.5));
  pen.Part(Circle(50, 34, 12.5));
}

inline void Knight(const TPen& pen) {
  QPainterPath head;
  head.moveTo(27, 80);
  head.cubicTo(26, 70, 34, 63, 45, 56);  // chest up to the throat
  head.cubicTo(38, 58, 31, 63, 24, 64);  // jaw towards the chin
  head.cubicTo(18, 65, 13, 62, 13, 56);  // chin and mouth
  head.cubicTo(13, 51, 15, 47, 20, 43);  // muzzle
  head.cubicTo(27, 34, 34, 25, 43, 19);  // face up to the forelock
  head.lineTo(47, 8);                    // ear
  head.lineTo(55, 17);
  head.cubicTo(73, 21, 84, 44, 79, 80);  // mane down the back of the neck
  head.closeSubpath();
  pen.Part(head);
  pen.Part(Rounded(20, 80, 84, 90, 2.5));
  QPainterPath mane;
  mane.moveTo(57, 23);
  mane.cubicTo(69, 30, 75, 48, 73, 74);
  pen.Detail(mane);
  QPainterPath mouth;
  mouth.moveTo(14, 58);
  mouth.lineTo(21, 58);
  pen.Detail(mouth, 2);
  pen.Dot(QPointF(33, 33), 3.2);  // eye
  pen.Dot(QPointF(19, 49), 1.8);  // nostril
}

inline void Bishop(const TPen& pen) {
  Foot(pen, 27);
  pen.Part(Polygon({{38, 76}, {41, 66}, {59, 66}, {62, 76}}));
  pen.Part(Rounded(34, 63, 66, 70, 3));
  QPainterPath mitre;
  mitre.moveTo(50, 20);
  mitre.cubicTo(64, 28, 71, 46, 62, 63);
  mitre.lineTo(38, 63);
  mitre.cubicTo(29, 46, 36, 28, 50, 20);
  mitre.closeSubpath();
  pen.Part(mitre);
  pen.Part(Circle(50, 15, 5.5));
  QPainterPath slit;
  slit.moveTo(58, 33);
  slit.lineTo(46, 49);
  pen.Detail(slit, 3);
}

inline void Rook(const TPen& pen) {
  Foot(pen, 30);
  pen.Part(Polygon({{33, 76}, {35, 40}, {65, 40}, {67, 76}}));
  pen.Part(Polygon({{27, 15},
                    {38, 15},
                    {38, 23},
                    {45, 23},
                    {45, 15},
                    {55, 15},
                    {55, 23},
                    {62, 23},
                    {62, 15},
                    {73, 15},
                    {73, 35},
                    {67, 40},
                    {33, 40},
                    {27, 35}}));
  QPainterPath ring;
  ring.moveTo(30, 33);
  ring.lineTo(70, 33);
  pen.Detail(ring);
  QPainterPath band;
  band.moveTo(34, 70);
  band.lineTo(66, 70);
  pen.Detail(band);
}

inline void Queen(const TPen& pen) {
  Foot(pen, 28);
  pen.Part(Polygon({{29, 76},
                    {16, 32},
                    {32, 52},
                    {33, 24},
                    {43, 50},
                    {50, 20},
                    {57, 50},
                    {67, 24},
                    {68, 52},
                    {84, 32},
                    {71, 76}}));
  for (QPointF tip :
       {QPointF(16, 30), QPointF(33, 22), QPointF(50, 17), QPointF(67, 22), QPointF(84, 30)}) {
    pen.Part(Circle(tip.x(), tip.y(), 5));
  }
  QPainterPath band;
  band.moveTo(28, 67);
  band.cubicTo(40, 63, 60, 63, 72, 67);
  pen.Detail(band);
}

inline void King(const TPen& pen) {
  Foot(pen, 28);
  pen.Part(Rounded(46.5, 6, 53.5, 30, 1.5));
  pen.Part(Rounded(40, 11, 60, 18, 1.5));
  pen.Part(Circle(50, 34, 7));
  QPainterPath body;
  body.moveTo(29, 76);
  body.cubicTo(22, 63, 10, 50, 20, 40);
  body.cubicTo(29, 31, 42, 36, 50, 47);
  body.cubicTo(58, 36, 71, 31, 80, 40);
  body.cubicTo(90, 50, 78, 63, 71, 76);
  body.closeSubpath();
  pen.Part(body);
  QPainterPath middle;
  middle.moveTo(50, 48);
  middle.lineTo(50, 69);
  pen.Detail(middle);
  QPainterPath band;
  band.moveTo(28, 68);
  band.cubicTo(40, 63, 60, 63, 72, 68);
  pen.Detail(band);
}

inline void DrawPiece(QPainter& p, TKind kind, bool white) {
  const TPen pen{p, white};
  switch (kind) {
    case kPawn:
      return Pawn(pen);
    case kKnight:
      return Knight(pen);
    case kBishop:
      return Bishop(pen);
    case kRook:
      return Rook(pen);
    case kQueen:
      return Queen(pen);
    case kKing:
      return King(pen);
  }
}

struct TCell {
  int Index;
  bool Dark;
  bool HasPiece;
  TKind Kind;
  bool White;
};

// The cell numbers the board window reads: a dark square is one whose rank
// and file add up to an even number.
inline constexpr TCell kCells[] = {
    {0, false, true, kPawn, true},    {1, true, true, kPawn, true},
    {2, false, true, kPawn, false},   {3, true, true, kPawn, false},
    {4, false, true, kKnight, true},  {5, true, true, kKnight, true},
    {6, false, true, kKnight, false}, {7, true, true, kKnight, false},
    {8, true, true, kBishop, true},   {9, false, true, kBishop, true},
    {10, true, true, kBishop, false}, {11, false, true, kBishop, false},
    {12, true, true, kRook, true},    {13, false, true, kRook, true},
    {14, true, true, kRook, false},   {15, false, true, kRook, false},
    {16, false, true, kQueen, true},  {17, true, true, kQueen, true},
    {18, false, true, kQueen, false}, {19, true, true, kQueen, false},
    {20, false, true, kKing, true},   {21, true, true, kKing, true},
    {22, false, true, kKing, false},  {23, true, true, kKing, false},
    {24, true, false, kPawn, false},  {25, false, false, kPawn, false},
};

inline QImage PaintGrid(int square) {
  QImage image(8 * square, 4 * square, QImage::Format_RGB32);
  image.fill(kUnusedCell);
  QPainter p(&image);
  for (const TCell& cell : kCells) {
    const QRect rect(cell.Index % 8 * square, cell.Index / 8 * square, square, square);
    p.fillRect(rect, cell.Dark ? kDarkSquare : kLightSquare);
    if (!cell.HasPiece) continue;
    p.save();
    p.setClipRect(rect);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(rect.topLeft());
    p.scale(square / 100.0, square / 100.0);
    DrawPiece(p, cell.Kind, cell.White);
    p.restore();
  }
  return image;
}

}  // namespace board_cells

// Paints the board window's cell image, BrdGrid.bmp: 8 cells to a row, four
// rows, each cell one board square. The pieces are drawn from vector outlines
// (no font needed), so the picture comes out the same on every machine.
//
//   MakeBrdGrid OUT.bmp [SQUARE]     SQUARE: pixels per square, 48..64 (default 56)
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "BoardCells.h"

int main(int argc, char* argv[]) {
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: MakeBrdGrid OUT.bmp [SQUARE]\n");
    return 2;
  }
  const int square = argc > 2 ? std::atoi(argv[2]) : 56;
  if (square < 48 || square > 64) {
    std::fprintf(stderr, "MakeBrdGrid: the square size must be 48 to 64 pixels\n");
    return 2;
  }
  if (!board_cells::PaintGrid(square).save(QString::fromLocal8Bit(argv[1]), "BMP")) {
    std::fprintf(stderr, "MakeBrdGrid: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}

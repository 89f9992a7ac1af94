// A coloured state panel (the modified flags, the game count) that reports clicks.
#pragma once

#include <QColor>
#include <QLabel>
#include <QString>
#include <cstdint>

class TStatusPanel : public QLabel {
  Q_OBJECT

 public:
  explicit TStatusPanel(QWidget* parent = nullptr);
  void SetColor(const QColor& color);
  QColor Color() const;
  // Colour of the text (the page-length warning).
  void SetTextColor(const QColor& color);
  QColor TextColor() const;

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// What the counters and panels show, for the status bar line that says it in
// words.
struct TStatusFacts {
  bool Preview = false;         // a file browsed: its first games, read-only, no work file
  int32_t Page = 0, Pages = 0;  // Pages 0: no work file
  int64_t PageGames = 0;
  int64_t Games = -1;  // -1: not counted
  bool PageModified = false, FileModified = false;
  int64_t FileKilobytes = 0;
  bool Utf8 = false;  // the page is shown as UTF-8, else as Latin-1
};
// "page 3 of 1027, 97 games on the page, 12,345 games in the file, page
// modified, work file modified, file 99,222 KB, Latin-1 text".
QString StatusLineText(const TStatusFacts& facts);

// The colours the window's state panels use.
namespace PanelColor {
inline const QColor Lime{0x00, 0xFF, 0x00};
inline const QColor Red{0xFF, 0x00, 0x00};
inline const QColor Aqua{0x00, 0xFF, 0xFF};
inline const QColor White{0xFF, 0xFF, 0xFF};
inline const QColor Black{0x00, 0x00, 0x00};
inline const QColor Blue{0x00, 0x00, 0xFF};
}  // namespace PanelColor

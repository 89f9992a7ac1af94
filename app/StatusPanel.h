// A coloured state panel (the modified flags, the game count) that reports clicks.
#pragma once

#include <QColor>
#include <QLabel>

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

// The colours the window's state panels use.
namespace PanelColor {
inline const QColor Lime{0x00, 0xFF, 0x00};
inline const QColor Red{0xFF, 0x00, 0x00};
inline const QColor Aqua{0x00, 0xFF, 0xFF};
inline const QColor White{0xFF, 0xFF, 0xFF};
inline const QColor Black{0x00, 0x00, 0x00};
inline const QColor Blue{0x00, 0x00, 0xFF};
}  // namespace PanelColor

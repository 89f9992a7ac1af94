#include "app/StatusPanel.h"

#include <QMouseEvent>

TStatusPanel::TStatusPanel(QWidget* parent) : QLabel(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setAlignment(Qt::AlignCenter);
  setAutoFillBackground(true);
}

void TStatusPanel::SetColor(const QColor& color) {
  QPalette p = palette();
  p.setColor(QPalette::Window, color);
  setPalette(p);
}

QColor TStatusPanel::Color() const {
  return palette().color(QPalette::Window);
}

void TStatusPanel::SetTextColor(const QColor& color) {
  QPalette p = palette();
  p.setColor(QPalette::WindowText, color);
  setPalette(p);
}

QColor TStatusPanel::TextColor() const {
  return palette().color(QPalette::WindowText);
}

void TStatusPanel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit clicked();
  }
}

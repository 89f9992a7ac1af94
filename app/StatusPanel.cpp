#include "app/StatusPanel.h"

#include <QMouseEvent>
#include <QStringList>

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

namespace {

// 99222 as "99,222".
QString Grouped(int64_t n) {
  QString digits = QString::number(n < 0 ? -n : n);
  for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QLatin1Char(','));
  return n < 0 ? QLatin1Char('-') + digits : digits;
}

QString Games(int64_t n, const char* where) {
  return Grouped(n) + (n == 1 ? QStringLiteral(" game ") : QStringLiteral(" games ")) +
         QString::fromLatin1(where);
}

}  // namespace

QString StatusLineText(const TStatusFacts& facts) {
  const QString encoding =
      facts.Utf8 ? QStringLiteral("UTF-8 text") : QStringLiteral("Latin-1 text");
  if (facts.Pages == 0) {
    return facts.Preview ? QStringLiteral(
                               "Preview of the file's first games, read-only: "
                               "no work file (File / Open edits it), ") +
                               encoding
                         : QStringLiteral("No file open for editing");
  }
  QStringList parts{QStringLiteral("page %1 of %2").arg(facts.Page).arg(facts.Pages),
                    Games(facts.PageGames, "on the page")};
  if (facts.Games >= 0) parts << Games(facts.Games, "in the file");
  parts << (facts.PageModified ? QStringLiteral("page modified")
                               : QStringLiteral("page unchanged"));
  parts << (facts.FileModified ? QStringLiteral("work file modified")
                               : QStringLiteral("work file unchanged"));
  parts << QStringLiteral("file ") + Grouped(facts.FileKilobytes) + QStringLiteral(" KB");
  parts << encoding;
  return parts.join(QStringLiteral(", "));
}

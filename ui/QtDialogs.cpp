#include "ui/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>

#include "ui/HelpForm.h"
#include "ui/TextEncoding.h"

namespace {

QMessageBox::Icon IconOf(TMsgKind kind) {
  switch (kind) {
    case TMsgKind::Information:
      return QMessageBox::Information;
    case TMsgKind::Warning:
      return QMessageBox::Warning;
    case TMsgKind::Confirmation:
      return QMessageBox::Question;
    case TMsgKind::Error:
      return QMessageBox::Critical;
    case TMsgKind::Plain:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ButtonsOf(TMsgButtons buttons) {
  switch (buttons) {
    case TMsgButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case TMsgButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case TMsgButtons::YesCancel:
      return QMessageBox::Yes | QMessageBox::Cancel;
    case TMsgButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case TMsgButtons::Ok:
      break;
  }
  return QMessageBox::Ok;
}

TMsgAnswer AnswerOf(QMessageBox::StandardButton b, TMsgButtons buttons) {
  switch (b) {
    case QMessageBox::Ok:
      return TMsgAnswer::Ok;
    case QMessageBox::Yes:
      return TMsgAnswer::Yes;
    case QMessageBox::No:
      return TMsgAnswer::No;
    default:
      break;
  }
  // Closing a Yes/No box by its window button counts as No; the rest as Cancel.
  return buttons == TMsgButtons::YesNo ? TMsgAnswer::No : TMsgAnswer::Cancel;
}

}  // namespace

QStringList QtNameFilters(const std::string& filter) {
  const QStringList parts = Latin1(filter).split(QLatin1Char('|'));
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString desc = parts[i].trimmed();
    // The description may already show its patterns in brackets; Qt adds its own.
    const qsizetype bracket = desc.lastIndexOf(QLatin1Char('('));
    if (bracket > 0 && desc.endsWith(QLatin1Char(')'))) desc = desc.left(bracket).trimmed();
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& p : patterns) {
      p = p.trimmed();
      if (p == QLatin1String("*.*")) p = QStringLiteral("*");  // names without a dot too
    }
    out << desc + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return out;
}

TMsgAnswer TQtDialogs::Message(const std::string& text, TMsgKind kind, TMsgButtons buttons,
                               int helpContext) {
  return Ask(text, kind, buttons, "", helpContext);
}

TMsgAnswer TQtDialogs::Question(const std::string& text, TMsgKind kind, TMsgButtons buttons,
                                const std::string& noCaption, int helpContext) {
  return Ask(text, kind, buttons, noCaption, helpContext);
}

TMsgAnswer TQtDialogs::Ask(const std::string& text, TMsgKind kind, TMsgButtons buttons,
                           const std::string& noCaption, int helpContext) {
  QMessageBox box(IconOf(kind), QString::fromLatin1(kApplicationTitle), BoxText(text),
                  ButtonsOf(buttons), QApplication::activeWindow());
  if (QAbstractButton* no = box.button(QMessageBox::No); no && !noCaption.empty())
    no->setText(Latin1(noCaption));
  // Escape answers Cancel where there is one, never a No that deletes.
  if (box.button(QMessageBox::Cancel)) box.setEscapeButton(QMessageBox::Cancel);
  QPushButton* help = nullptr;
  if (helpContext != 0) help = box.addButton(QMessageBox::Help);
  for (;;) {
    const int result = box.exec();
    // The Help button opens the topic and leaves the question open.
    if (help && box.clickedButton() == help) {
      ShowHelpContext(helpContext);
      continue;
    }
    return AnswerOf(static_cast<QMessageBox::StandardButton>(result), buttons);
  }
}

bool TQtDialogs::InputQuery(const std::string& caption, const std::string& prompt,
                            std::string& value) {
  bool ok = false;
  const QString answer =
      QInputDialog::getText(QApplication::activeWindow(), Latin1(caption), BoxText(prompt),
                            QLineEdit::Normal, Latin1(value), &ok);
  if (!ok) return false;
  value = FromLatin1(answer);
  return true;
}

bool TQtDialogs::RunFileDialog(TFileDialogRequest& request, bool save) {
  QFileDialog dialog(QApplication::activeWindow(), Latin1(request.Title));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // The program asks its own "Overwrite ... ?" question.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  const QStringList filters = QtNameFilters(request.Filter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const int index = std::clamp(request.FilterIndex, 1, static_cast<int>(filters.size()));
    dialog.selectNameFilter(filters[index - 1]);
  }
  if (!request.DefaultExt.empty()) dialog.setDefaultSuffix(Latin1(request.DefaultExt));
  const QFileInfo current(FileNameToQt(request.FileName));
  if (!request.FileName.empty() && current.isAbsolute()) {
    dialog.setDirectory(current.absolutePath());
  } else if (!request.InitialDir.empty()) {
    dialog.setDirectory(FileNameToQt(request.InitialDir));
  }
  if (!request.FileName.empty()) dialog.selectFile(current.fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  request.FileName = FileNameFromQt(dialog.selectedFiles().first());
  const qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
  if (chosen >= 0) request.FilterIndex = static_cast<int>(chosen) + 1;
  return true;
}

bool TQtDialogs::OpenFileName(TFileDialogRequest& request) {
  return RunFileDialog(request, false);
}

bool TQtDialogs::SaveFileName(TFileDialogRequest& request) {
  return RunFileDialog(request, true);
}

void TQtDialogs::Beep() {
  QApplication::beep();
}

void TQtDialogs::Halt(int exitCode) {
  std::fflush(nullptr);
  std::_Exit(exitCode);
}

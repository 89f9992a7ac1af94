// The page editor: QScintilla held to bytes, CR LF line ends and a hard maximum
// text length, so that editor offsets are page offsets. The bytes are shown as
// Latin-1 or as UTF-8; either way positions are byte offsets and no byte changes.
#pragma once

#include <Qsci/qsciscintilla.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TPageEditor : public QsciScintilla {
  Q_OBJECT

 public:
  explicit TPageEditor(QWidget* parent = nullptr);

  // The whole text as bytes, and its replacement (no undo step, no length check).
  std::string Text() const;
  // The text in place, valid until the next change.
  std::string_view View() const;
  std::string SelectedText() const;
  void SetText(const std::string& bytes);
  int64_t Length() const;
  int64_t LineCount() const;

  // The modified flag is Scintilla's save point.
  bool Modified() const;
  void SetModified(bool modified);

  // Insertions that would pass this length are refused with a beep.
  void SetMaxLength(int64_t length) { maxLength_ = length; }
  int64_t MaxLength() const { return maxLength_; }

  // Selection in 0-based byte offsets.
  int64_t SelStart() const;
  int64_t SelLength() const;
  void SetSelection(int64_t start, int64_t length);
  // Replaces the selection by bytes as one undoable step. False, and nothing
  // changes, when the editor is read-only or the result would pass the length limit.
  bool ReplaceSelection(const std::string& bytes);
  void CaretToStart();

  // Shows the bytes as UTF-8 (else Latin-1). The text, the caret, the undo
  // steps and the modified flag stay as they are.
  void SetUtf8Text(bool on);
  bool Utf8Text() const { return isUtf8(); }

  // Clipboard text as page bytes in the shown encoding, CR LF line ends. False,
  // after a message, when it holds a character the shown encoding cannot hold.
  bool PasteBytes(const QString& text, std::string& bytes) const;
  // The same for clipboard or drop data; bytes copied from the page come back
  // as they were, also those that are no valid UTF-8.
  bool PasteBytes(const QMimeData* source, std::string& bytes) const;

  // The marks over every match of a Find: (byte offset, length) pairs. Marking
  // drops the marks made before.
  static constexpr int kFoundIndicator = 8;
  void MarkFound(const std::vector<std::pair<int64_t, int64_t>>& ranges);
  void ClearFoundMarks();

  // While set, no edit may add or remove a line break (the Find list pairs its
  // lines with their entries by order): such keys and insertions beep.
  void SetKeepLineBreaks(bool keep) { keepLineBreaks_ = keep; }
  bool KeepLineBreaks() const { return keepLineBreaks_; }
  // True when the selection holds a CR or LF.
  bool SelectionHasLineBreak() const;
  // Refused with a beep while line breaks are kept and the selection holds one.
  void cut() override;

 signals:
  // After the editor has handled a press (so a double-click has selected its word).
  void MousePressed(Qt::MouseButton button, QPoint position);
  void MouseReleased(Qt::MouseButton button, QPoint position);

 protected:
  QByteArray fromMimeData(const QMimeData* source, bool& rectangular) const override;
  QMimeData* toMimeData(const QByteArray& text, bool rectangular) const override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  // The right button belongs to the window (list jumps, the board), not to a menu.
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void CheckInsertion(int position, int type, const char*, int length);
  void FreeShortcut(int key);

  int64_t maxLength_ = 0;
  bool bypassLimit_ = false;
  bool keepLineBreaks_ = false;
};

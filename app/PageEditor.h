// The page editor: QScintilla held to 8-bit bytes, CR LF line ends and a hard
// maximum text length, so that editor offsets are page offsets.
#pragma once

#include <Qsci/qsciscintilla.h>

#include <cstdint>
#include <string>

class TPageEditor : public QsciScintilla {
  Q_OBJECT

 public:
  explicit TPageEditor(QWidget* parent = nullptr);

  // The whole text as bytes, and its replacement (no undo step, no length check).
  std::string Text() const;
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
  // Replaces the selection by bytes as one undoable step (the length limit applies).
  void ReplaceSelection(const std::string& bytes);
  void CaretToStart();

  // Clipboard text as the program's 8-bit text: Latin-1, CR LF line ends. A
  // character without a Latin-1 form becomes "?" and lossy is set.
  static std::string ClipboardBytes(const QString& text, bool& lossy);

 protected:
  QByteArray fromMimeData(const QMimeData* source, bool& rectangular) const override;

 private:
  void CheckInsertion(int position, int type, const char* text, int length);
  void FreeShortcut(int key);

  int64_t maxLength_ = 0;
  bool bypassLimit_ = false;
};

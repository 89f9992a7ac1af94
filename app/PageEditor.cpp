#include "app/PageEditor.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>

#include <QContextMenuEvent>
#include <QFont>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

#include "settings/Dialogs.h"
#include "ui/TextEncoding.h"

namespace {

constexpr char kPageBytesMime[] = "application/x-korvane-page-bytes";

}  // namespace

TPageEditor::TPageEditor(QWidget* parent) : QsciScintilla(parent) {
  setUtf8(false);
  SendScintilla(SCI_SETCODEPAGE, 0L);
  setEolMode(EolWindows);
  setEolVisibility(false);
  SendScintilla(SCI_SETPASTECONVERTENDINGS, 1L);
  setWrapMode(WrapNone);
  // The horizontal scroll range follows the longest line shown, not a fixed width.
  SendScintilla(SCI_SETSCROLLWIDTH, 1UL);
  SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1UL);
  setMarginWidth(0, 0);
  setMarginWidth(1, 0);
  setMarginWidth(2, 0);
  QFont font("Courier New");
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  // 11 pixels high at the usual 96 dpi; Scintilla styles take points, not pixels.
  font.setPointSizeF(8.25);
  setFont(font);
  SendScintilla(SCI_SETMODEVENTMASK, static_cast<unsigned long>(SC_MODEVENTMASKALL));
  connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
          [this](int position, int type, const char* text, int length, int, int, int, int, int,
                 int) { CheckInsertion(position, type, text, length); });
  // The window's menu owns these keys (its Undo watches the page length); a
  // binding of the editor would take them first.
  for (const char* key : {"Ctrl+Z", "Ctrl+X", "Ctrl+C", "Ctrl+V", "Ctrl+P", "Ctrl+F", "Ctrl+R",
                          "Ctrl+N", "Ctrl+O", "Ctrl+B", "Ctrl+S"}) {
    FreeShortcut(QKeySequence(key)[0].toCombined());
  }
  // Every match of a Find: a box under the text, which stays readable.
  SendScintilla(SCI_INDICSETSTYLE, kFoundIndicator, static_cast<long>(INDIC_ROUNDBOX));
  SendScintilla(SCI_INDICSETFORE, kFoundIndicator, static_cast<long>(0x0090FF));  // BGR: orange
  SendScintilla(SCI_INDICSETALPHA, kFoundIndicator, 110L);
  SendScintilla(SCI_INDICSETUNDER, kFoundIndicator, 1L);
  setReadOnly(true);
}

void TPageEditor::MarkFound(const std::vector<std::pair<int64_t, int64_t>>& ranges) {
  ClearFoundMarks();
  SendScintilla(SCI_SETINDICATORCURRENT, kFoundIndicator);
  for (const auto& [start, length] : ranges) {
    SendScintilla(SCI_INDICATORFILLRANGE, static_cast<unsigned long>(start),
                  static_cast<long>(length));
  }
}

void TPageEditor::ClearFoundMarks() {
  SendScintilla(SCI_SETINDICATORCURRENT, kFoundIndicator);
  SendScintilla(SCI_INDICATORCLEARRANGE, 0UL, static_cast<long>(Length()));
}

void TPageEditor::FreeShortcut(int key) {
  QsciCommand* cmd = standardCommands()->boundTo(key);
  if (!cmd) return;
  if (cmd->key() == key) cmd->setKey(0);
  if (cmd->alternateKey() == key) cmd->setAlternateKey(0);
}

std::string TPageEditor::Text() const {
  auto* self = const_cast<TPageEditor*>(this);
  const int64_t n = Length();
  if (n == 0) return {};
  const auto* p = reinterpret_cast<const char*>(self->SendScintilla(SCI_GETCHARACTERPOINTER));
  return std::string(p, static_cast<size_t>(n));
}

void TPageEditor::cut() {
  if (keepLineBreaks_ && SelectionHasLineBreak()) {
    Dlg().Beep();
    return;
  }
  QsciScintilla::cut();
}

std::string_view TPageEditor::View() const {
  auto* self = const_cast<TPageEditor*>(this);
  const int64_t n = Length();
  if (n == 0) return {};
  const auto* p = reinterpret_cast<const char*>(self->SendScintilla(SCI_GETCHARACTERPOINTER));
  return std::string_view(p, static_cast<size_t>(n));
}

std::string TPageEditor::SelectedText() const {
  return std::string(
      View().substr(static_cast<size_t>(SelStart()), static_cast<size_t>(SelLength())));
}

bool TPageEditor::SelectionHasLineBreak() const {
  const std::string_view sel =
      View().substr(static_cast<size_t>(SelStart()), static_cast<size_t>(SelLength()));
  return sel.find_first_of("\r\n") != std::string_view::npos;
}

void TPageEditor::SetText(const std::string& bytes) {
  // A page load is not an edit: no undo step back into the previous page.
  bypassLimit_ = true;
  const bool wasReadOnly = isReadOnly();
  setReadOnly(false);
  SendScintilla(SCI_SETUNDOCOLLECTION, 0L);
  SendScintilla(SCI_CLEARALL);
  if (!bytes.empty()) {
    SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(bytes.size()), bytes.data());
  }
  SendScintilla(SCI_SETUNDOCOLLECTION, 1L);
  SendScintilla(SCI_EMPTYUNDOBUFFER);
  setReadOnly(wasReadOnly);
  bypassLimit_ = false;
}

int64_t TPageEditor::Length() const {
  return const_cast<TPageEditor*>(this)->SendScintilla(SCI_GETLENGTH);
}

int64_t TPageEditor::LineCount() const {
  return const_cast<TPageEditor*>(this)->SendScintilla(SCI_GETLINECOUNT);
}

bool TPageEditor::Modified() const {
  return const_cast<TPageEditor*>(this)->SendScintilla(SCI_GETMODIFY) != 0;
}

void TPageEditor::SetModified(bool modified) {
  if (!modified) SendScintilla(SCI_SETSAVEPOINT);
}

int64_t TPageEditor::SelStart() const {
  return const_cast<TPageEditor*>(this)->SendScintilla(SCI_GETSELECTIONSTART);
}

int64_t TPageEditor::SelLength() const {
  auto* self = const_cast<TPageEditor*>(this);
  return self->SendScintilla(SCI_GETSELECTIONEND) - self->SendScintilla(SCI_GETSELECTIONSTART);
}

void TPageEditor::SetSelection(int64_t start, int64_t length) {
  const int64_t n = Length();
  const int64_t from = std::clamp<int64_t>(start, 0, n);
  const int64_t to = std::clamp<int64_t>(from + length, 0, n);
  SendScintilla(SCI_SETSEL, static_cast<unsigned long>(from), static_cast<long>(to));
}

bool TPageEditor::ReplaceSelection(const std::string& bytes) {
  if (isReadOnly()) return false;
  if (Length() - SelLength() + static_cast<int64_t>(bytes.size()) > maxLength_) return false;
  if (keepLineBreaks_ &&
      (SelectionHasLineBreak() || bytes.find_first_of("\r\n") != std::string::npos)) {
    return false;
  }
  SendScintilla(SCI_BEGINUNDOACTION);
  SendScintilla(SCI_REPLACESEL, 0UL, "");
  SendScintilla(SCI_ADDTEXT, static_cast<unsigned long>(bytes.size()), bytes.data());
  SendScintilla(SCI_ENDUNDOACTION);
  return true;
}

void TPageEditor::CaretToStart() {
  SendScintilla(SCI_GOTOPOS, 0UL);
  SendScintilla(SCI_SCROLLCARET);
}

void TPageEditor::SetUtf8Text(bool on) {
  if (on == isUtf8()) return;
  // Only the code page changes: Scintilla keeps the document's bytes and undo steps.
  setUtf8(on);
  // The bullet byte is no UTF-8 character: it keeps its Latin-1 look instead of
  // Scintilla's "xB7" (a new code page resets the representations).
  if (on) SendScintilla(SCI_SETREPRESENTATION, "\xB7", "\xC2\xB7");
}

bool TPageEditor::PasteBytes(const QString& text, std::string& bytes) const {
  QString refused;
  if (ClipboardBytes(text, isUtf8(), bytes, refused)) return true;
  Dlg().Message(RefusedMessage(refused, "the pasted text", isUtf8()) + "\rNothing was pasted.",
                TMsgKind::Information, TMsgButtons::Ok);
  return false;
}

bool TPageEditor::PasteBytes(const QMimeData* source, std::string& bytes) const {
  if (source && source->hasFormat(kPageBytesMime)) {
    const QByteArray b = source->data(kPageBytesMime);
    bytes.assign(b.constData(), static_cast<size_t>(b.size()));
    return true;
  }
  return PasteBytes(source ? source->text() : QString(), bytes);
}

QMimeData* TPageEditor::toMimeData(const QByteArray& text, bool rectangular) const {
  // Other programs get the text as shown; a paste into the page gets the bytes.
  QMimeData* mime = QsciScintilla::toMimeData(text, rectangular);
  mime->setData(kPageBytesMime, text);
  return mime;
}

QByteArray TPageEditor::fromMimeData(const QMimeData* source, bool& rectangular) const {
  rectangular = false;
  std::string bytes;
  if (!PasteBytes(source, bytes)) return QByteArray();
  if (keepLineBreaks_ && bytes.find_first_of("\r\n") != std::string::npos) {
    // Pasted or dropped text with line breaks would unpair the Find list's lines.
    Dlg().Beep();
    return QByteArray();
  }
  return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void TPageEditor::CheckInsertion(int position, int type, const char*, int length) {
  (void)position;
  if (!(type & SC_MOD_INSERTCHECK) || bypassLimit_) return;
  if (Length() + length <= maxLength_) return;
  SendScintilla(SCI_CHANGEINSERTION, 0UL, "");
  Dlg().Beep();
}

void TPageEditor::keyPressEvent(QKeyEvent* event) {
  std::string typed;
  QString refused;
  if (!isReadOnly() && !TextBytes(event->text(), isUtf8(), typed, refused)) {
    // Scintilla would type "?" for a character that the shown encoding cannot hold.
    Dlg().Beep();
    event->accept();
    return;
  }
  if (keepLineBreaks_ && !isReadOnly()) {
    const int key = event->key();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const auto at = [this](int64_t pos) {
      const std::string_view text = View();
      return pos >= 0 && pos < static_cast<int64_t>(text.size()) ? text[static_cast<size_t>(pos)]
                                                                 : '\0';
    };
    const int64_t caret = SelStart();
    const bool erases = key == Qt::Key_Backspace || key == Qt::Key_Delete;
    bool refuse = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (SelLength() > 0) {
      refuse |= (erases || !event->text().isEmpty()) && SelectionHasLineBreak();
    } else if (key == Qt::Key_Backspace) {
      refuse |= at(caret - 1) == '\n' || at(caret - 1) == '\r';
    } else if (key == Qt::Key_Delete) {
      refuse |= at(caret) == '\r' || at(caret) == '\n';
    }
    // The line commands of the editor (cut, delete, duplicate, swap lines).
    refuse |= ctrl && (key == Qt::Key_L || key == Qt::Key_D || key == Qt::Key_T);
    if (refuse) {
      Dlg().Beep();
      event->accept();
      return;
    }
  }
  QsciScintilla::keyPressEvent(event);
}

void TPageEditor::mousePressEvent(QMouseEvent* event) {
  QsciScintilla::mousePressEvent(event);
  emit MousePressed(event->button(), event->position().toPoint());
}

void TPageEditor::mouseDoubleClickEvent(QMouseEvent* event) {
  QsciScintilla::mouseDoubleClickEvent(event);
  emit MousePressed(event->button(), event->position().toPoint());
}

void TPageEditor::mouseReleaseEvent(QMouseEvent* event) {
  QsciScintilla::mouseReleaseEvent(event);
  emit MouseReleased(event->button(), event->position().toPoint());
}

void TPageEditor::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
}

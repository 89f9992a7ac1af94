#include "app/PageEditor.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>

#include <QFont>
#include <QMimeData>

#include "settings/Dialogs.h"

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
  setReadOnly(true);
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

void TPageEditor::ReplaceSelection(const std::string& bytes) {
  SendScintilla(SCI_BEGINUNDOACTION);
  SendScintilla(SCI_REPLACESEL, 0UL, "");
  SendScintilla(SCI_ADDTEXT, static_cast<unsigned long>(bytes.size()), bytes.data());
  SendScintilla(SCI_ENDUNDOACTION);
}

void TPageEditor::CaretToStart() {
  SendScintilla(SCI_GOTOPOS, 0UL);
  SendScintilla(SCI_SCROLLCARET);
}

std::string TPageEditor::ClipboardBytes(const QString& text, bool& lossy) {
  lossy = false;
  std::string out;
  out.reserve(static_cast<size_t>(text.size()) + static_cast<size_t>(text.size()) / 30);
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (c == u'\r' || c == u'\n') {
      // Any line end (CR LF, LF or a lone CR) becomes CR LF.
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      out += "\r\n";
    } else if (c < 256) {
      out += static_cast<char>(c);
    } else {
      if (QChar::isHighSurrogate(c) && i + 1 < text.size()) ++i;
      out += '?';
      lossy = true;
    }
  }
  return out;
}

QByteArray TPageEditor::fromMimeData(const QMimeData* source, bool& rectangular) const {
  rectangular = false;
  bool lossy = false;
  const std::string bytes = ClipboardBytes(source->text(), lossy);
  if (lossy) {
    Dlg().Message("Characters without a Latin-1 form were pasted as \"?\".", TMsgKind::Information,
                  TMsgButtons::Ok);
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

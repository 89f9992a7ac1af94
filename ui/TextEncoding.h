// The encoding the page is shown in, and the conversions between the text of
// widgets (find boxes, clipboard) and the page's bytes. The bytes themselves
// never change: only how they are shown and how typed text becomes bytes.
#pragma once

#include <QString>
#include <QValidator>
#include <string>
#include <string_view>

// How far into a file the encoding is guessed.
inline constexpr size_t kEncodingProbeBytes = 1024 * 1024;

// True when head (a file's first bytes, possibly cut in the middle of a
// character) starts with a UTF-8 byte-order mark, or holds non-ASCII bytes that
// are all valid UTF-8. Plain ASCII is not UTF-8 by this test: it shows the same
// either way.
bool LooksLikeUtf8(std::string_view head);
// Whole text, no cut: holds non-ASCII bytes, all of them valid UTF-8.
bool IsUtf8Text(std::string_view text);
// The first kEncodingProbeBytes of a file; empty when it cannot be read.
std::string FileHead(const std::string& fileName);

// Program text for a box: valid UTF-8 as such, else Latin-1; every CR LF or
// lone CR a line break.
QString BoxText(const std::string& text);
// 8-bit program text (titles, captions) to and from Qt, byte for byte.
QString Latin1(const std::string& s);
std::string FromLatin1(const QString& s);
// A file name between the program (bytes) and Qt.
QString FileNameToQt(const std::string& name);
std::string FileNameFromQt(const QString& name);

// Bytes as a widget shows them: UTF-8 or Latin-1. In UTF-8, a byte that is no
// UTF-8 (the bullet, a Latin-1 letter) becomes a stand-in character that
// TextBytes turns back into the same byte.
QString ShownText(std::string_view bytes, bool utf8);
// Widget text as bytes in the shown encoding. False, and refused set to the
// first character the encoding cannot hold, when there is one.
bool TextBytes(const QString& text, bool utf8, std::string& bytes, QString& refused);
// The message for such a character: what it is and why it was refused.
std::string RefusedMessage(const QString& refused, const char* where, bool utf8);

// Clipboard text as page bytes: CR LF line ends, the shown encoding. False
// when a character cannot be held (refused says which).
bool ClipboardBytes(const QString& text, bool utf8, std::string& bytes, QString& refused);

// For a line edit whose text is kept as Latin-1 bytes (the export menu's
// titles): a key or a paste with a character outside Latin-1 is refused with a
// beep, not kept as "?".
class TLatin1Validator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;
};

#include "ui/TextEncoding.h"

#include <QFile>
#include <fstream>

#include "settings/Dialogs.h"

namespace {

// In UTF-8 text, a byte that is no UTF-8 stands in a widget as the lone
// surrogate U+DC80..U+DCFF, so that it comes back as the same byte (also once
// the page is shown as Latin-1 again).
constexpr char16_t kEscapedByte = 0xDC00;

// The length of the valid UTF-8 sequence at p (1 to 4), 0 when it is not one,
// -1 when it is cut off by the end of the text and valid so far.
int Utf8SequenceLength(std::string_view s, size_t p) {
  const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = b(p);
  int n = 0;
  unsigned char lo = 0x80, hi = 0xBF;  // the second byte's range
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) lo = 0xA0;  // no overlong forms
    if (c == 0xED) hi = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  for (int i = 1; i < n; ++i) {
    if (p + static_cast<size_t>(i) >= s.size()) return -1;
    const unsigned char d = b(p + static_cast<size_t>(i));
    if (i == 1 ? (d < lo || d > hi) : (d < 0x80 || d > 0xBF)) return 0;
  }
  return n;
}

// "U+0437": the character goes by its number, which every box can show.
QString Described(const QString& c) {
  const uint code = c.size() == 2 ? QChar::surrogateToUcs4(c[0], c[1]) : c[0].unicode();
  return QStringLiteral("U+") + QString::number(code, 16).toUpper().rightJustified(4, u'0');
}

// Non-ASCII and all valid UTF-8; a character cut by the end counts as valid
// when cutAllowed.
bool AllUtf8(std::string_view text, bool cutAllowed) {
  bool nonAscii = false;
  for (size_t p = 0; p < text.size();) {
    const int n = Utf8SequenceLength(text, p);
    if (n == 0) return false;
    if (n < 0) return cutAllowed;
    nonAscii |= n > 1;
    p += static_cast<size_t>(n);
  }
  return nonAscii;
}

}  // namespace

bool LooksLikeUtf8(std::string_view head) {
  return head.starts_with("\xEF\xBB\xBF") || AllUtf8(head, true);
}

bool IsUtf8Text(std::string_view text) {
  return AllUtf8(text, false);
}

std::string FileHead(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  std::string head(kEncodingProbeBytes, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  return head;
}

QString ShownText(std::string_view bytes, bool utf8) {
  const auto n = static_cast<qsizetype>(bytes.size());
  if (!utf8) return QString::fromLatin1(bytes.data(), n);
  QString text;
  text.reserve(n);
  size_t run = 0;  // start of the valid UTF-8 not yet added
  const auto flush = [&](size_t end) {
    text += QString::fromUtf8(bytes.data() + run, static_cast<qsizetype>(end - run));
  };
  for (size_t p = 0; p < bytes.size();) {
    const int length = Utf8SequenceLength(bytes, p);
    if (length > 0) {
      p += static_cast<size_t>(length);
      continue;
    }
    flush(p);
    text += QChar(static_cast<char16_t>(kEscapedByte + static_cast<unsigned char>(bytes[p])));
    run = ++p;
  }
  flush(bytes.size());
  return text;
}

bool TextBytes(const QString& text, bool utf8, std::string& bytes, QString& refused) {
  bytes.clear();
  refused.clear();
  qsizetype run = 0;  // start of the characters not yet added
  const auto flush = [&](qsizetype end) {
    const QString part = text.mid(run, end - run);
    const QByteArray b = utf8 ? part.toUtf8() : part.toLatin1();
    bytes.append(b.constData(), static_cast<size_t>(b.size()));
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    const bool pair = c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    if (pair) {
      ++i;
      if (utf8) continue;
    }
    const char16_t u = c.unicode();
    if (!pair && u >= kEscapedByte + 0x80 && u <= kEscapedByte + 0xFF) {
      // A byte of the page that is no UTF-8 goes back as it was.
      flush(i);
      bytes += static_cast<char>(u - kEscapedByte);
      run = i + 1;
      continue;
    }
    // A lone surrogate has no UTF-8 form; anything above U+00FF no Latin-1 form.
    if (utf8 ? c.isSurrogate() : u > 0xFF) {
      refused = pair ? text.mid(i - 1, 2) : QString(c);
      bytes.clear();
      return false;
    }
  }
  flush(text.size());
  return true;
}

std::string RefusedMessage(const QString& refused, const char* where, bool utf8) {
  const QString text =
      utf8 ? QStringLiteral("The character %1 in %2 is not a character and cannot be used.")
                 .arg(Described(refused), QString::fromLatin1(where))
           : QStringLiteral(
                 "The character %1 in %2 has no Latin-1 form and cannot be used while the "
                 "page is shown as Latin-1.\rOptions / UTF-8 text shows the page as UTF-8.")
                 .arg(Described(refused), QString::fromLatin1(where));
  return text.toStdString();
}

bool ClipboardBytes(const QString& text, bool utf8, std::string& bytes, QString& refused) {
  QString lines;
  lines.reserve(text.size() + text.size() / 30);
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == u'\r' || c == u'\n') {
      // Any line end (CR LF, LF or a lone CR) becomes CR LF.
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      lines += QStringLiteral("\r\n");
    } else {
      lines += c;
    }
  }
  return TextBytes(lines, utf8, bytes, refused);
}

QValidator::State TLatin1Validator::validate(QString& input, int&) const {
  std::string bytes;
  QString refused;
  if (TextBytes(input, false, bytes, refused)) return Acceptable;
  Dlg().Beep();
  return Invalid;
}

QString Latin1(const std::string& s) {
  return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

std::string FromLatin1(const QString& s) {
  const QByteArray b = s.toLatin1();
  return std::string(b.constData(), static_cast<size_t>(b.size()));
}

QString BoxText(const std::string& text) {
  // A message may quote a UTF-8 page or a file name: valid UTF-8 beyond ASCII
  // is shown as such, anything else as Latin-1.
  QString s = IsUtf8Text(text) ? QString::fromStdString(text) : Latin1(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

QString FileNameToQt(const std::string& name) {
  return QFile::decodeName(name.c_str());
}

std::string FileNameFromQt(const QString& name) {
  return QFile::encodeName(name).toStdString();
}

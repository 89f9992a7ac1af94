#include "packer/PackLine.h"

#include <algorithm>

#include "packer/PackDictionary.h"
#include "pgn/PgnTags.h"

namespace ppk {

namespace {

constexpr char kDigitBase = '!';
constexpr uint32_t kRadix = 85;
constexpr int kWindowBits = -15;  // raw deflate: the line carries its own length and check
// Games are short: a higher level makes no smaller lines.
constexpr int kLevel = 6;
// A small hash table: games are short, and deflateReset clears the table for each one.
constexpr int kMemLevel = 6;

const Bytef* DictionaryBytes() {
  return reinterpret_cast<const Bytef*>(kPackDictionary.data());
}

uint32_t Crc(std::string_view bytes) {
  return static_cast<uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

void PutBigEndian(std::string& out, uint32_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
    out += static_cast<char>((value >> shift) & 0xFF);
}

uint32_t GetBigEndian(std::string_view in, size_t at, int bytes) {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | static_cast<unsigned char>(in[at + i]);
  return value;
}

bool IsKnown(std::string_view name) {
  for (std::string_view known : KnownTagNames)
    if (name == known) return true;
  return false;
}

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

std::string Encode85(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() / 4 * 5 + 5);
  for (size_t at = 0; at < bytes.size(); at += 4) {
    const size_t n = std::min<size_t>(4, bytes.size() - at);
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
      value = value << 8 | (i < n ? static_cast<unsigned char>(bytes[at + i]) : 0u);
    char digits[5];
    for (int i = 4; i >= 0; --i) {
      digits[i] = static_cast<char>(kDigitBase + value % kRadix);
      value /= kRadix;
    }
    out.append(digits, n + 1);
  }
  return out;
}

bool Decode85(std::string_view text, std::string& bytes) {
  bytes.clear();
  bytes.reserve(text.size() / 5 * 4 + 4);
  for (size_t at = 0; at < text.size(); at += 5) {
    const size_t n = std::min<size_t>(5, text.size() - at);
    if (n == 1) return false;
    uint64_t value = 0;
    for (size_t i = 0; i < 5; ++i) {
      uint32_t digit = kRadix - 1;  // a short last group is padded with the highest digit
      if (i < n) {
        const char c = text[at + i];
        if (c < kDigitBase || c >= static_cast<char>(kDigitBase + kRadix)) return false;
        digit = static_cast<uint32_t>(c - kDigitBase);
      }
      value = value * kRadix + digit;
    }
    if (value > 0xFFFFFFFFu) return false;
    for (size_t i = 0; i + 1 < n; ++i) bytes += static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
  }
  return true;
}

std::string FirstUnknownTag(std::string_view game) {
  bool inComment = false;  // inside a { } comment, which may span lines
  for (size_t line = 0; line < game.size();) {
    size_t end = game.find('\n', line);
    if (end == std::string_view::npos) end = game.size();
    size_t stop = line + 1;
    if (!inComment && game[line] == '[') {
      while (stop < end && IsNameChar(game[stop])) ++stop;
    }
    if (stop > line + 1 && stop < end && game[stop] == ' ') {
      const std::string_view name = game.substr(line + 1, stop - line - 1);
      if (!IsKnown(name)) return std::string(name);
    } else {
      // Any other line may open or close a comment; a wrapped comment line
      // that starts with '[' is comment text. A ';' comment runs to the line's end.
      for (size_t i = line; i < end; ++i) {
        const char c = game[i];
        if (inComment) {
          inComment = c != '}';
        } else if (c == '{') {
          inComment = true;
        } else if (c == ';') {
          break;
        }
      }
    }
    line = end + 1;
  }
  return {};
}

TCodec::TCodec() {
  deflateReady_ = deflateInit2(&deflate_, kLevel, Z_DEFLATED, kWindowBits, kMemLevel,
                               Z_DEFAULT_STRATEGY) == Z_OK;
  inflateReady_ = inflateInit2(&inflate_, kWindowBits) == Z_OK;
}

TCodec::~TCodec() {
  if (deflateReady_) deflateEnd(&deflate_);
  if (inflateReady_) inflateEnd(&inflate_);
}

bool TCodec::Pack(std::string_view game, std::string& out) {
  if (game.empty()) {
    out = "empty game text";
    return false;
  }
  if (game.size() > kMaxGameText) {
    out = "game too long: " + std::to_string(game.size()) + " bytes, at most " +
          std::to_string(kMaxGameText) + " can be packed";
    return false;
  }
  if (std::string tag = FirstUnknownTag(game); !tag.empty()) {
    out = "unknown tag \"" + tag + "\"; only the 18 known tags can be packed";
    return false;
  }
  if (!deflateReady_ || deflateReset(&deflate_) != Z_OK ||
      deflateSetDictionary(&deflate_, DictionaryBytes(),
                           static_cast<uInt>(kPackDictionary.size())) != Z_OK) {
    out = "compression not available";
    return false;
  }
  packed_.clear();
  PutBigEndian(packed_, static_cast<uint32_t>(game.size()), 2);
  PutBigEndian(packed_, Crc(game), 4);
  packed_.resize(kHeaderBytes + deflateBound(&deflate_, static_cast<uLong>(game.size())));
  deflate_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(game.data()));
  deflate_.avail_in = static_cast<uInt>(game.size());
  deflate_.next_out = reinterpret_cast<Bytef*>(packed_.data() + kHeaderBytes);
  deflate_.avail_out = static_cast<uInt>(packed_.size() - kHeaderBytes);
  if (deflate(&deflate_, Z_FINISH) != Z_STREAM_END) {
    out = "compression failed";
    return false;
  }
  packed_.resize(packed_.size() - deflate_.avail_out);
  out.assign(kLineMark);
  out += Encode85(packed_);
  if (out.size() > kMaxLine) {
    const size_t length = out.size();
    out = "packed line too long: " + std::to_string(length) + " bytes, at most " +
          std::to_string(kMaxLine);
    return false;
  }
  return true;
}

bool TCodec::Unpack(std::string_view line, std::string& out) {
  if (line.substr(0, kLineMark.size()) != kLineMark) {
    out = "not a packed game line";
    return false;
  }
  if (!Decode85(line.substr(kLineMark.size()), packed_) || packed_.size() <= kHeaderBytes) {
    out = "packed line damaged (bad characters or cut short)";
    return false;
  }
  const uint32_t length = GetBigEndian(packed_, 0, 2);
  const uint32_t crc = GetBigEndian(packed_, 2, 4);
  if (length == 0 || length > kMaxGameText) {
    out = "packed line damaged (bad length)";
    return false;
  }
  if (!inflateReady_ || inflateReset(&inflate_) != Z_OK ||
      inflateSetDictionary(&inflate_, DictionaryBytes(),
                           static_cast<uInt>(kPackDictionary.size())) != Z_OK) {
    out = "decompression not available";
    return false;
  }
  // One byte of room more than the length says, so that surplus text shows.
  std::string text(length + 1, '\0');
  inflate_.next_in = reinterpret_cast<Bytef*>(packed_.data() + kHeaderBytes);
  inflate_.avail_in = static_cast<uInt>(packed_.size() - kHeaderBytes);
  inflate_.next_out = reinterpret_cast<Bytef*>(text.data());
  inflate_.avail_out = static_cast<uInt>(text.size());
  const int rc = inflate(&inflate_, Z_FINISH);
  const size_t produced = text.size() - inflate_.avail_out;
  if (rc != Z_STREAM_END || inflate_.avail_in != 0 || produced != length) {
    out = "packed line damaged (the packed data is cut or changed)";
    return false;
  }
  text.resize(length);
  if (Crc(text) != crc || text.find('\0') != std::string::npos) {
    out = "packed line damaged (checksum mismatch)";
    return false;
  }
  out = std::move(text);
  return true;
}

}  // namespace ppk

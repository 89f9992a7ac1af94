#include "settings/IniFile.h"

#include <unistd.h>

#include <charconv>
#include <filesystem>

#include "stream/FileIo.h"

namespace fs = std::filesystem;

namespace {

std::string_view Trim(std::string_view s) {
  size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  size_t last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

// The name of a "[name]" line; false for any other line.
bool SectionName(std::string_view line, std::string_view& name) {
  std::string_view t = Trim(line);
  if (!t.starts_with('[')) return false;
  size_t close = t.find(']');
  name = Trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
  return true;
}

// The key of a "key=value" line and the position of its '='; false for
// headers, comments and lines without '='.
bool KeyName(std::string_view line, std::string_view& key, size_t& equals) {
  std::string_view t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '[') return false;
  equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  key = Trim(line.substr(0, equals));
  return true;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t lf = text.find('\n', start);
    size_t end = lf == std::string::npos ? text.size() : lf;
    size_t stop = end > start && text[end - 1] == '\r' ? end - 1 : end;
    lines.push_back(text.substr(start, stop - start));
    start = end + 1;
  }
  return lines;
}

bool ReadWholeFile(const std::string& name, std::string& text) {
  TFile file;
  if (!file.Open(name, TOpenMode::Read)) return false;
  int64_t size = file.Size();
  if (size < 0) return false;
  text.resize(static_cast<size_t>(size));
  return file.ReadAt(0, text.data(), size) == size && file.Close();
}

}  // namespace

bool TIniFile::Load() {
  return LoadFrom(fileName_);
}

bool TIniFile::LoadFrom(const std::string& otherName) {
  lines_.clear();
  std::error_code ec;
  bool present = fs::exists(otherName, ec);
  if (ec) return false;
  if (!present) return true;
  std::string text;
  if (!ReadWholeFile(otherName, text)) return false;
  lines_ = SplitLines(text);
  return true;
}

int TIniFile::FindSection(std::string_view section) const {
  std::string_view name;
  for (size_t i = 0; i < lines_.size(); ++i)
    if (SectionName(lines_[i], name) && SameName(name, section)) return static_cast<int>(i);
  return -1;
}

int TIniFile::SectionEnd(int head) const {
  std::string_view name;
  size_t i = static_cast<size_t>(head) + 1;
  while (i < lines_.size() && !SectionName(lines_[i], name)) ++i;
  return static_cast<int>(i);
}

int TIniFile::FindKey(int head, std::string_view key) const {
  std::string_view name;
  size_t equals = 0;
  for (int i = head + 1, end = SectionEnd(head); i < end; ++i)
    if (KeyName(lines_[i], name, equals) && SameName(name, key)) return i;
  return -1;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 const std::string& def) const {
  int head = FindSection(section);
  if (head < 0) return def;
  int at = FindKey(head, key);
  if (at < 0) return def;
  std::string_view name;
  size_t equals = 0;
  KeyName(lines_[at], name, equals);
  std::string_view value = Trim(std::string_view(lines_[at]).substr(equals + 1));
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
  std::string text = ReadString(section, key, "");
  std::string_view digits = text;
  // from_chars takes a minus sign but not a plus sign.
  if (digits.starts_with('+')) {
    digits.remove_prefix(1);
    if (digits.starts_with('-')) return def;
  }
  int32_t value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size()) return def;
  return value;
}

void TIniFile::WriteString(std::string_view section, std::string_view key,
                           const std::string& value) {
  int head = FindSection(section);
  if (head < 0) {
    lines_.push_back(std::string("[").append(section).append("]"));
    lines_.push_back(std::string(key) + "=" + value);
    return;
  }
  int at = FindKey(head, key);
  if (at >= 0) {
    // Everything up to the '=' stays as the file has it.
    std::string_view name;
    size_t equals = 0;
    KeyName(lines_[at], name, equals);
    lines_[at].replace(equals + 1, std::string::npos, value);
    return;
  }
  // A new key goes after the section's last line, before the blank lines that
  // set it off from the next section.
  int pos = SectionEnd(head);
  while (pos - 1 > head && Trim(lines_[pos - 1]).empty()) --pos;
  lines_.insert(lines_.begin() + pos, std::string(key) + "=" + value);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

std::string TIniFile::Text() const {
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

bool TIniFile::UpdateFile() {
  std::string text = Text();
  std::string temp = fileName_ + "." + std::to_string(getpid()) + ".tmp";
  TFile file;
  bool ok = file.Open(temp, TOpenMode::Create) &&
            file.WriteAt(0, text.data(), static_cast<int64_t>(text.size())) && file.Sync();
  ok = file.Close() && ok;
  std::error_code ec;
  // The new file keeps the permissions the user gave the old one.
  fs::file_status old = fs::status(fileName_, ec);
  if (ok && !ec && fs::exists(old)) {
    fs::permissions(temp, old.permissions(), ec);
    ok = !ec;
  }
  if (ok) {
    fs::rename(temp, fileName_, ec);
    ok = !ec;
  }
  if (!ok) fs::remove(temp, ec);
  return ok;
}

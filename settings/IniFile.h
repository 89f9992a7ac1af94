// A small INI file with the behaviour of the Windows profile functions: a
// missing file, section or key reads as the default; a write changes the key's
// line in place (or adds it) and keeps every other line; section and key names
// compare without regard to ASCII case. Lines end in CR LF when written and in
// CR LF or LF when read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TIniFile {
 public:
  explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

  // Reads the file. A missing file is an empty one; false when it is there but
  // cannot be read.
  bool Load();
  // Reads another file's lines, to start this one as a copy of it.
  bool LoadFrom(const std::string& otherName);
  const std::string& FileName() const { return fileName_; }

  // The value with surrounding blanks and one pair of matching quotes removed.
  std::string ReadString(std::string_view section, std::string_view key,
                         const std::string& def) const;
  // def unless the value is a decimal number within 32 bits.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;

  void WriteString(std::string_view section, std::string_view key, const std::string& value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);

  // The whole file as UpdateFile writes it.
  std::string Text() const;
  // Writes Text() to a temporary file beside the INI file and renames it over
  // the old one, so a crash leaves either the old or the new file whole. False
  // on any failure; the old file then stays as it was.
  bool UpdateFile();

 private:
  // Index of the section's header line, or -1.
  int FindSection(std::string_view section) const;
  // Index of the key's line within the section whose header is at head, or -1.
  int FindKey(int head, std::string_view key) const;
  // Index one past the section's last line.
  int SectionEnd(int head) const;

  std::string fileName_;
  std::vector<std::string> lines_;
};

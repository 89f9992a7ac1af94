// The packed line of one game (see FORMAT.md): checks, zlib against the preset
// dictionary, and the text-safe encoding. Inside the library only.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "packer/ppkdlv02.h"

namespace ppk {

inline constexpr size_t kMaxGameText = PPK_BUFFER_SIZE - 1;
inline constexpr size_t kMaxLine = PPK_BUFFER_SIZE - 1;
inline constexpr std::string_view kLineMark = "~1";
inline constexpr size_t kHeaderBytes = 6;  // text length (2), CRC-32 of the text (4)

// Base-85 digits '!' to 'u': 4 bytes become 5 characters, a last group of
// n bytes becomes n + 1 characters.
std::string Encode85(std::string_view bytes);
// False for a character outside the digits, a lone last character or a group
// that does not stand for 4 bytes.
bool Decode85(std::string_view text, std::string& bytes);

// The first tag-pair line ('[' at a line start outside a { } comment, a name of
// letters, digits and '_', a space) whose name is not one of the 18 known ones;
// empty when none.
std::string FirstUnknownTag(std::string_view game);

// One library state: a deflate and an inflate stream kept for reuse.
class TCodec {
 public:
  TCodec();
  ~TCodec();
  TCodec(const TCodec&) = delete;
  TCodec& operator=(const TCodec&) = delete;

  // True: out holds the packed line. False: out holds the error text.
  bool Pack(std::string_view game, std::string& out);
  // True: out holds the game text. False: out holds the error text.
  bool Unpack(std::string_view line, std::string& out);

 private:
  z_stream deflate_{};
  z_stream inflate_{};
  bool deflateReady_ = false;
  bool inflateReady_ = false;
  std::string packed_;
};

}  // namespace ppk

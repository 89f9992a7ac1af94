// The entry points of libppkdlv02.so. The context a caller holds is a handle:
// the number of a state slot here, 0 for none.
#include "packer/ppkdlv02.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "packer/PackLine.h"

#define PPK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::mutex slotsLock;
std::vector<std::unique_ptr<ppk::TCodec>> slots;  // slot i is context i + 1

// Copies text and its NUL into the caller's buffer, cut to fit.
void PutText(char* out, const std::string& text) {
  const size_t n = std::min<size_t>(text.size(), PPK_BUFFER_SIZE - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

// The state behind *context, made on first use. Null for a context that this
// library never handed out.
ppk::TCodec* StateOf(int32_t* context) {
  std::lock_guard<std::mutex> hold(slotsLock);
  if (*context == 0) {
    size_t free = 0;
    while (free < slots.size() && slots[free]) ++free;
    if (free == slots.size()) slots.emplace_back();
    slots[free] = std::make_unique<ppk::TCodec>();
    *context = static_cast<int32_t>(free + 1);
  }
  if (*context < 0 || static_cast<size_t>(*context) > slots.size()) return nullptr;
  return slots[static_cast<size_t>(*context - 1)].get();
}

int32_t Run(int32_t* context, const char* in, char* out,
            bool (ppk::TCodec::*step)(std::string_view, std::string&)) {
  if (!out) return 0;
  if (!context || !in) {
    PutText(out, "missing argument");
    return 0;
  }
  ppk::TCodec* codec = StateOf(context);
  if (!codec) {
    PutText(out, "unknown context " + std::to_string(*context));
    return 0;
  }
  const size_t length = std::strlen(in);
  std::string result;
  const bool ok = (codec->*step)(std::string_view(in, length), result);
  if (ok && result.size() > PPK_BUFFER_SIZE - 1) {
    PutText(out, "result too long for the buffer");
    return 0;
  }
  PutText(out, result);
  return ok ? 1 : 0;
}

}  // namespace

PPK_EXPORT int32_t GAMEUNPKPGN_D(int32_t* context, int32_t option, const char* packedLine,
                                 char* outBuffer) {
  if (option != 0 && outBuffer) {
    PutText(outBuffer, "unknown option " + std::to_string(option));
    return 0;
  }
  return Run(context, packedLine, outBuffer, &ppk::TCodec::Unpack);
}

PPK_EXPORT int32_t GAMEPACKPGN_C(int32_t* context, const char* gameText, char* outBuffer) {
  return Run(context, gameText, outBuffer, &ppk::TCodec::Pack);
}

PPK_EXPORT int32_t DESTROY(int32_t* context) {
  if (!context) return 0;
  std::lock_guard<std::mutex> hold(slotsLock);
  if (*context <= 0 || static_cast<size_t>(*context) > slots.size() ||
      !slots[static_cast<size_t>(*context - 1)])
    return 0;
  slots[static_cast<size_t>(*context - 1)].reset();
  *context = 0;
  return 1;
}

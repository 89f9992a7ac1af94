// The program's side of the packing library libppkdlv02.so: its three entry
// points, the context they share and the two text buffers, for the life of one
// packed-file dialog. How the library is loaded is the loader's business: the
// window uses QLibrary, the batch tool dlopen.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "packer/ppkdlv02.h"

inline constexpr char kPackingLibraryFile[] = "libppkdlv02.so";
inline constexpr size_t kPackBufferSize = PPK_BUFFER_SIZE;

// The library's full path: the program's directory and kPackingLibraryFile.
std::string PackingLibraryPath();

struct TPackEntries {
  TGameUnpackFn Unpack = nullptr;
  TGamePackFn Pack = nullptr;
  TDestroyFn Destroy = nullptr;
};

// Loads a library file and looks up the three entry points by name.
class TPackLibraryLoader {
 public:
  virtual ~TPackLibraryLoader() = default;
  // All three found: true. Otherwise false, with nothing left loaded.
  virtual bool Load(const std::string& path, TPackEntries& entries) = 0;
  virtual void Unload() = 0;
};

// dlopen on the full path, for the tool and the tests.
class TDlopenLoader final : public TPackLibraryLoader {
 public:
  ~TDlopenLoader() override { Unload(); }
  bool Load(const std::string& path, TPackEntries& entries) override;
  void Unload() override;

 private:
  void* handle_ = nullptr;
};

class TPackingLibrary {
 public:
  explicit TPackingLibrary(TPackLibraryLoader& loader) : loader_(loader) {}
  ~TPackingLibrary() { ReleasePackingLibrary(); }
  TPackingLibrary(const TPackingLibrary&) = delete;
  TPackingLibrary& operator=(const TPackingLibrary&) = delete;

  // Loads the library, finds its entry points, makes the buffers, context 0.
  bool LoadPackingLibrary(const std::string& path);
  // DESTROY when the context is not 0 (a zero result beeps), buffers freed, unloaded.
  void ReleasePackingLibrary();
  bool Loaded() const { return !OutBuffer.empty(); }

  // One packed line (cut to fit InBuffer with its NUL) to its game text in
  // OutBuffer. False: OutBuffer holds the library's error text.
  bool Unpack(std::string_view line);
  // One game (NUL-terminated) to its packed line in OutBuffer; false as above.
  bool Pack(const std::string& game);
  // The text the last call left in OutBuffer.
  std::string_view OutText() const;

  int32_t LibraryContext = 0;

 private:
  // The library must write no more than the buffer holds; should it ever leave
  // no NUL there, the text stops at the buffer's end.
  void EndOutBuffer();

  TPackLibraryLoader& loader_;
  TPackEntries entries_;
  std::vector<char> InBuffer;
  std::vector<char> OutBuffer;
};

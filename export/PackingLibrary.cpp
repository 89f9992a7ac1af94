#include "export/PackingLibrary.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "settings/CTErrorU.h"
#include "settings/Dialogs.h"
#include "settings/Settings.h"

std::string PackingLibraryPath() {
  return ProgramDir() + kPackingLibraryFile;
}

bool TDlopenLoader::Load(const std::string& path, TPackEntries& entries) {
  Unload();
  // A path with a slash is opened as it stands, never looked up elsewhere.
  handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) return false;
  entries.Unpack = reinterpret_cast<TGameUnpackFn>(::dlsym(handle_, "GAMEUNPKPGN_D"));
  entries.Pack = reinterpret_cast<TGamePackFn>(::dlsym(handle_, "GAMEPACKPGN_C"));
  entries.Destroy = reinterpret_cast<TDestroyFn>(::dlsym(handle_, "DESTROY"));
  if (entries.Unpack && entries.Pack && entries.Destroy) return true;
  entries = {};
  Unload();
  return false;
}

void TDlopenLoader::Unload() {
  if (handle_) ::dlclose(handle_);
  handle_ = nullptr;
}

bool TPackingLibrary::LoadPackingLibrary(const std::string& path) {
  ReleasePackingLibrary();
  if (path.find('/') == std::string::npos || !loader_.Load(path, entries_)) return false;
  InBuffer.assign(kPackBufferSize, '\0');
  OutBuffer.assign(kPackBufferSize, '\0');
  LibraryContext = 0;
  return true;
}

void TPackingLibrary::ReleasePackingLibrary() {
  if (!Loaded()) return;
  if (LibraryContext != 0 && entries_.Destroy(&LibraryContext) == 0) Dlg().Beep();
  LibraryContext = 0;
  InBuffer.clear();
  OutBuffer.clear();
  entries_ = {};
  loader_.Unload();
}

bool TPackingLibrary::Unpack(std::string_view line) {
  if (!Loaded()) TerminatingError("logic 8714");
  const size_t n = std::min(line.size(), InBuffer.size() - 1);
  std::memcpy(InBuffer.data(), line.data(), n);
  InBuffer[n] = '\0';
  OutBuffer[0] = '\0';
  const bool ok = entries_.Unpack(&LibraryContext, 0, InBuffer.data(), OutBuffer.data()) != 0;
  EndOutBuffer();
  return ok;
}

bool TPackingLibrary::Pack(const std::string& game) {
  if (!Loaded()) TerminatingError("logic 8714");
  // The library takes a NUL-terminated text: a NUL inside would cut the game short.
  if (game.find('\0') != std::string::npos) {
    std::snprintf(OutBuffer.data(), OutBuffer.size(), "game text holds a NUL byte");
    return false;
  }
  OutBuffer[0] = '\0';
  const bool ok = entries_.Pack(&LibraryContext, game.c_str(), OutBuffer.data()) != 0;
  EndOutBuffer();
  return ok;
}

std::string_view TPackingLibrary::OutText() const {
  return Loaded() ? std::string_view(OutBuffer.data()) : std::string_view();
}

void TPackingLibrary::EndOutBuffer() {
  OutBuffer.back() = '\0';
}

#include "platform/dynamic-library.h"

#include <windows.h>

#include "platform/encoding.h"
#include "platform/file.h"

namespace platform {

int DynamicLibrary::load(const std::string& path) {
  unload();
  loaderMessage_.clear();
  // No error boxes of the system's own for a missing or broken library: the caller reports it.
  const UINT previous = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  handle_ = ::LoadLibraryW(Utf8ToWide(path).c_str());
  const DWORD error = ::GetLastError();
  ::SetErrorMode(previous);
  if (handle_ == nullptr) {
    loaderMessage_ = "error " + std::to_string(error) + ": " + ErrorText(static_cast<int>(error));
    return kErrorModuleNotFound;
  }
  return 0;
}

void* DynamicLibrary::symbol(const char* name, int* error) const {
  FARPROC address = handle_ != nullptr ? ::GetProcAddress(static_cast<HMODULE>(handle_), name) : nullptr;
  if (error != nullptr) *error = address != nullptr ? 0 : kErrorProcedureNotFound;
  return reinterpret_cast<void*>(address);
}

void DynamicLibrary::unload() {
  if (handle_ != nullptr) {
    ::FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
  }
}

}  // namespace platform

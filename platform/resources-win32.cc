#include "platform/resources.h"

#include <windows.h>

#include <string>

// windows.h names its own FindResource; this file defines platform::FindResource.
#undef FindResource

namespace platform {

std::optional<std::span<const unsigned char>> FindResource(std::string_view type, int id) {
  // The resources are linked into the executable from its resource script; a resource stays
  // loaded, and its bytes in place, for as long as the module is.
  const HMODULE module = ::GetModuleHandleW(nullptr);
  const std::wstring typeName(type.begin(), type.end());  // the type names are ASCII ("PNG", "DLL")
  const HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), typeName.c_str());
  if (found == nullptr) return std::nullopt;
  const DWORD size = ::SizeofResource(module, found);
  const HGLOBAL loaded = ::LoadResource(module, found);
  const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (bytes == nullptr) return std::nullopt;
  return std::span<const unsigned char>(static_cast<const unsigned char*>(bytes), size);
}

}  // namespace platform

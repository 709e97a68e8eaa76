#pragma once
// Loading a shared library at run time. Failures carry Windows' error numbers, which callers
// print and map: the loader itself has none.
#include <string>

namespace platform {

inline constexpr int kErrorModuleNotFound = 126;
inline constexpr int kErrorProcedureNotFound = 127;

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;
  ~DynamicLibrary() { unload(); }

  // Loads the library (UTF-8 path) with its symbols kept local; on failure returns
  // kErrorModuleNotFound and the loader's explanation in loaderMessage().
  int load(const std::string& path);
  // The address of an exported symbol, or nullptr with *error = kErrorProcedureNotFound.
  void* symbol(const char* name, int* error = nullptr) const;
  void unload();
  const std::string& loaderMessage() const { return loaderMessage_; }

 private:
  void* handle_ = nullptr;
  std::string loaderMessage_;
};

}  // namespace platform

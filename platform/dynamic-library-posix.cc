#include "platform/dynamic-library.h"

#include <dlfcn.h>

namespace platform {

int DynamicLibrary::load(const std::string& path) {
  unload();
  loaderMessage_.clear();
  // RTLD_LOCAL keeps the plug-in's exports (SysAllocString, VariantClear, ...) from binding
  // anything loaded later. RTLD_DEEPBIND would also protect the plug-in from our symbols, but
  // AddressSanitizer refuses it; the project simply exports no such names.
  handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    if (const char* why = ::dlerror()) loaderMessage_ = why;
    return kErrorModuleNotFound;
  }
  return 0;
}

void* DynamicLibrary::symbol(const char* name, int* error) const {
  void* address = handle_ != nullptr ? ::dlsym(handle_, name) : nullptr;
  if (error != nullptr) *error = address != nullptr ? 0 : kErrorProcedureNotFound;
  return address;
}

void DynamicLibrary::unload() {
  if (handle_ != nullptr) {
    ::dlclose(handle_);
    handle_ = nullptr;
  }
}

}  // namespace platform

// A plug-in that answers like 7-Zip 22 built with a virtual destructor in IUnknown: it has
// CreateObject but reports interface type 1.
#include <cstdint>
#include <cstring>

// The exports of the real plug-in: __stdcall on 32-bit Windows, exported there by their plain
// names (the build links this library with --kill-at).
#if defined(_WIN32)
#define PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define PLUGIN_EXPORT extern "C"
#endif
#if defined(_WIN32) && defined(__i386__)
#define PLUGIN_CALL __stdcall
#else
#define PLUGIN_CALL
#endif

PLUGIN_EXPORT std::int32_t PLUGIN_CALL CreateObject(const void*, const void*, void** object) {
  *object = nullptr;
  return static_cast<std::int32_t>(0x80040111u);
}

PLUGIN_EXPORT std::int32_t PLUGIN_CALL GetModuleProp(std::uint32_t propID, void* value) {
  unsigned char* v = static_cast<unsigned char*>(value);
  std::memset(v, 0, 16);
  if (propID == 0) {
    const std::uint16_t vt = 19;  // VT_UI4
    const std::uint32_t type = 1;
    std::memcpy(v, &vt, sizeof vt);
    std::memcpy(v + 8, &type, sizeof type);
  }
  return 0;
}

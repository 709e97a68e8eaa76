#include "platform/locale.h"

#include <windows.h>

#include <clocale>

namespace platform {

// The Universal C Runtime takes ".UTF-8" as a locale; the older runtime has none, and then only
// an ANSI code page that is UTF-8 itself counts. The 7-Zip plug-in on Windows reads wide names
// from the system and zip names by the code pages, whatever the runtime's locale.
bool SelectUtf8Locale() {
  if (std::setlocale(LC_CTYPE, ".UTF-8") != nullptr) return true;
  return ::GetACP() == CP_UTF8;
}

}  // namespace platform

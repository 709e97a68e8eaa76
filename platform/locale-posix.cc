#include "platform/locale.h"

#include <langinfo.h>

#include <clocale>
#include <cstring>

namespace platform {
namespace {

bool CodesetIsUtf8() {
  const char* codeset = ::nl_langinfo(CODESET);
  return codeset != nullptr &&
         (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

}  // namespace

bool SelectUtf8Locale() {
  if (std::setlocale(LC_CTYPE, "") != nullptr && CodesetIsUtf8()) return true;
  return std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr && CodesetIsUtf8();
}

}  // namespace platform

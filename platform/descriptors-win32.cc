#include "platform/descriptors.h"

#include <io.h>
#include <windows.h>

namespace platform {

bool SetCloseOnExec(int descriptor) {
  // The C runtime's descriptors wrap handles that are made non-inheritable already; the call
  // only checks that the descriptor is open.
  const intptr_t handle = ::_get_osfhandle(descriptor);
  if (handle == -1 || handle == -2) return false;
  ::SetHandleInformation(reinterpret_cast<HANDLE>(handle), HANDLE_FLAG_INHERIT, 0);
  return true;
}

}  // namespace platform

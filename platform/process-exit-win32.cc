#include "platform/process-exit.h"

#include <windows.h>

namespace platform {

void ExitImmediately(int code) {
  // Unlike ExitProcess, no library is told of the end, so nothing runs on the way out.
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(code));
  ::ExitProcess(static_cast<UINT>(code));
}

}  // namespace platform

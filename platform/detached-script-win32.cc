#include "platform/detached-script.h"

#include <windows.h>

#include "platform/encoding.h"
#include "platform/process-environment.h"

namespace platform {

bool StartDetachedScript(const std::string& path) {
  // cmd.exe reads its line by rules of its own: with /s it drops the first and the last quote
  // and runs the rest, so the quoted path survives spaces and characters such as '(' or '&'
  // ("Program Files (x86)"). A path cannot hold a quote itself. /d skips AutoRun commands.
  wchar_t shell[MAX_PATH];
  const DWORD length = ::GetEnvironmentVariableW(L"ComSpec", shell, MAX_PATH);
  const std::wstring interpreter = length > 0 && length < MAX_PATH ? std::wstring(shell, length) : L"cmd.exe";
  std::wstring line = L"\"" + interpreter + L"\" /d /s /c \"\"" + Utf8ToWide(path) + L"\"\"";
  std::wstring environment;
  for (const std::string& entry : ChildEnvironment()) {
    environment += Utf8ToWide(entry);
    environment += L'\0';
  }
  if (environment.empty()) environment += L'\0';
  environment += L'\0';
  // A console of its own that never shows a window: timeout.exe, which a batch uses to wait,
  // gives up at once in a process without one. A process group of its own, so the starter's
  // end leaves it running.
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP | CREATE_UNICODE_ENVIRONMENT,
                        environment.data(), nullptr, &startup, &process)) {
    return false;
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return true;
}

}  // namespace platform

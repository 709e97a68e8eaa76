// Top-level windows of the Windows desktop.
#include "platform/top-level-window.h"

#include <windows.h>

#include <string>

#include "platform/encoding.h"

namespace platform {
namespace {

HWND AsWindow(WindowId window) { return reinterpret_cast<HWND>(window); }

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

// FindWindowExW compares titles without regard to case, so each window it finds is checked for
// the exact title before it counts.
WindowId FindTopLevelWindow(std::string_view title) {
  const std::wstring wanted = Utf8ToWide(title);
  HWND window = nullptr;
  while ((window = ::FindWindowExW(nullptr, window, nullptr, wanted.c_str())) != nullptr) {
    if (WindowText(window) == wanted) return reinterpret_cast<WindowId>(window);
  }
  return 0;
}

// Topmost and at once not topmost again brings the window above all others without leaving it
// always on top.
void ShowAndRaiseWindow(WindowId window) {
  if (window == 0) return;
  HWND w = AsWindow(window);
  ::ShowWindow(w, SW_SHOWNORMAL);
  ::SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::SetWindowPos(w, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::SetForegroundWindow(w);
}

// WM_COPYDATA with the data tag as dwData; the system copies the record into the target's
// process and the call returns once the window has handled it. A window that does not exist
// makes SendMessageW return at once.
bool SendCloseNotice(WindowId target, long wParam, long dataTag, std::span<const std::uint8_t> record) {
  COPYDATASTRUCT data{};
  data.dwData = static_cast<ULONG_PTR>(dataTag);
  data.cbData = static_cast<DWORD>(record.size());
  data.lpData = const_cast<std::uint8_t*>(record.data());
  ::SendMessageW(AsWindow(target), WM_COPYDATA, static_cast<WPARAM>(wParam), reinterpret_cast<LPARAM>(&data));
  return true;
}

}  // namespace platform

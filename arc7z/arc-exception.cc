#include "arc7z/arc-exception.h"

#include "platform/encoding.h"

namespace arc7z {

HRESULT resultFromErrorNumber(int number) {
  if (number <= 0) return number;
  return static_cast<HRESULT>(0x80070000u | (static_cast<UInt32>(number) & 0xFFFFu));
}

ArcException::ArcException(const std::wstring& message, HRESULT code)
    : std::runtime_error(platform::WideToUtf8(message)), errorCode_(code) {}

ArcException::ArcException(const std::wstring& message, SystemError error)
    : std::runtime_error(platform::WideToUtf8(message)),
      errorCode_(resultFromErrorNumber(error.number)) {}

ArcException::ArcException(const std::string& message, HRESULT code)
    : std::runtime_error(message), errorCode_(code) {}

}  // namespace arc7z

#pragma once
// The archive layer's one exception: a text and a 32-bit result code.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "arc7z/sevenzip.h"

namespace arc7z {

// A system error number as a result code: 0 or below unchanged, others 0x8007 + low 16 bits.
HRESULT resultFromErrorNumber(int number);

class ArcException : public std::runtime_error {
 public:
  struct SystemError {
    int number;
  };

  ArcException(const std::wstring& message, HRESULT code);
  ArcException(const std::wstring& message, SystemError error);
  ArcException(const std::string& message, HRESULT code);

  HRESULT errorCode() const { return errorCode_; }

 private:
  HRESULT errorCode_;
};

}  // namespace arc7z

#include "arc7z/arc-handler.h"

namespace arc7z {

void ArcHandler::setPassword(const std::wstring& password) { password_ = password; }

ArcHandler::~ArcHandler() = default;

void ArcOpener::setPassword(const std::wstring& password) { ArcHandler::setPassword(password); }

ArcOpener::~ArcOpener() = default;

}  // namespace arc7z

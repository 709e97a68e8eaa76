#include "arc7z/sevenzip-library.h"

#include "arc7z/arc-exception.h"
#include "arc7z/arc-format.h"
#include "platform/encoding.h"

namespace arc7z {
namespace {

// 7-Zip 23 and later answer GetModuleProp; older builds (and p7zip) lack it and put a virtual
// destructor into IUnknown, which would shift every method this layer calls.
void checkInterfaceLayout(const platform::DynamicLibrary& module) {
  auto getModuleProp = reinterpret_cast<GetModulePropFunc>(module.symbol("GetModuleProp"));
  if (getModuleProp == nullptr) {
    throw ArcException(L"Unsupported 7-zip library (no GetModuleProp: interface layout before 7-Zip 23)",
                       kErrorNotImplemented);
  }
  PROPVARIANT value{};
  const HRESULT result = getModuleProp(kModuleInterfaceType, &value);
  if (result != kResultOk || value.vt != VT_UI4 || value.ulVal != kInterfaceTypeNoVirtualDestructor) {
    const std::wstring type =
        result != kResultOk || value.vt != VT_UI4 ? L"unknown" : std::to_wstring(value.ulVal);
    throw ArcException(L"Unsupported 7-zip library (interface type " + type + L")", kErrorNotImplemented);
  }
}

}  // namespace

SevenZipLibrary::SevenZipLibrary(const std::wstring& path) {
  if (const int error = module_.load(platform::WideToUtf8(path)); error != 0) {
    // The loader's own words say which of the many reasons it was (missing, wrong machine, ...).
    std::wstring text = L"Cannot load 7-zip library (error " + std::to_wstring(error) + L")";
    if (!module_.loaderMessage().empty()) text += L": " + platform::Utf8ToWide(module_.loaderMessage());
    throw ArcException(text,
                       ArcException::SystemError{error});
  }
  int error = 0;
  createObject_ = reinterpret_cast<CreateObjectFunc>(module_.symbol("CreateObject", &error));
  if (createObject_ == nullptr) {
    module_.unload();
    throw ArcException(L"Cannot get CreateObject (error " + std::to_wstring(error) + L")",
                       ArcException::SystemError{error});
  }
  try {
    checkInterfaceLayout(module_);
  } catch (...) {
    createObject_ = nullptr;
    module_.unload();
    throw;
  }
}

SevenZipLibrary::~SevenZipLibrary() = default;

IInArchive* SevenZipLibrary::newInArchive(const ArcFormat& format) const {
  const GUID classId = format.classId();
  void* object = nullptr;
  const HRESULT result = createObject_(&classId, &IID_IInArchive, &object);
  if (result != kResultOk || object == nullptr) {
    throw ArcException(L"Cannot get class object", result != kResultOk ? result : kErrorFail);
  }
  return static_cast<IInArchive*>(object);
}

}  // namespace arc7z

#include "platform/shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/encoding.h"

namespace platform {
namespace {

// COM for the calling thread, for as long as the shortcut is made; a thread that already runs
// COM in another mode keeps it and is served by it.
class ComScope {
 public:
  ComScope() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

template <class T>
struct Released {
  T* object = nullptr;
  ~Released() {
    if (object != nullptr) object->Release();
  }
};

bool SaveLink(const std::wstring& file, const std::wstring& target, const std::wstring& folder) {
  Released<IShellLinkW> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link.object)))) {
    return false;
  }
  if (FAILED(link.object->SetPath(target.c_str())) || FAILED(link.object->SetWorkingDirectory(folder.c_str())) ||
      FAILED(link.object->SetIconLocation(target.c_str(), 0))) {
    return false;
  }
  Released<IPersistFile> persist;
  if (FAILED(link.object->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist.object)))) return false;
  return SUCCEEDED(persist.object->Save(file.c_str(), TRUE));
}

}  // namespace

bool CreateShortcut(const std::string& path, const std::string& target, const std::string& workingDirectory) {
  ComScope com;
  if (!com.usable()) return false;
  // Saved beside the target name first and moved over it, so that a shortcut already there is
  // replaced in one step and never left half written.
  const std::wstring file = Utf8ToWide(path);
  const std::wstring temporary = file + L"." + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
  ::DeleteFileW(temporary.c_str());
  if (!SaveLink(temporary, Utf8ToWide(target), Utf8ToWide(workingDirectory)) ||
      !::MoveFileExW(temporary.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    ::DeleteFileW(temporary.c_str());
    return false;
  }
  ::SHChangeNotify(SHCNE_CREATE, SHCNF_PATHW, file.c_str(), nullptr);
  return true;
}

}  // namespace platform

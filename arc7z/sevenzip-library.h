#pragma once
// The loaded 7-Zip plug-in and its object factory.
#include <string>

#include "arc7z/sevenzip.h"
#include "platform/dynamic-library.h"

namespace arc7z {

struct ArcFormat;

class SevenZipLibrary {
 public:
  // Loads the plug-in at `path` or throws ArcException; a plug-in whose interfaces are laid out
  // otherwise than this layer declares them is unloaded again and refused. The plug-in decides
  // at load time whether unflagged zip names are UTF-8, by the locale the process selected at
  // start-up (platform::SelectUtf8Locale); the locale is not changed here, as that is not safe
  // beside other threads.
  explicit SevenZipLibrary(const std::wstring& path);
  SevenZipLibrary(const SevenZipLibrary&) = delete;
  SevenZipLibrary& operator=(const SevenZipLibrary&) = delete;
  virtual ~SevenZipLibrary();

  // A new archive object (one reference, the caller's) for the format, or throws.
  IInArchive* newInArchive(const ArcFormat& format) const;

 private:
  platform::DynamicLibrary module_;
  CreateObjectFunc createObject_ = nullptr;
};

}  // namespace arc7z

#pragma once
// The settings of one archive operation: the plug-in, the format, a password and optional
// hooks for progress, file names and passwords.
#include <functional>
#include <string>

#include "arc7z/sevenzip.h"

namespace arc7z {

struct ArcFormat;
class SevenZipLibrary;

class ArcHandler {
 public:
  using TotalHook = std::function<void(UInt64 total)>;
  using ProgressHook = std::function<void(UInt64 done)>;
  using RatioHook = std::function<void(UInt64 input, UInt64 output)>;
  using FileHook = std::function<void(const std::wstring& name)>;
  using PasswordHook = std::function<std::wstring()>;

  ArcHandler(const ArcHandler&) = delete;
  ArcHandler& operator=(const ArcHandler&) = delete;

  virtual const ArcFormat& format() const = 0;
  virtual void setPassword(const std::wstring& password);
  virtual ~ArcHandler() = 0;

  const SevenZipLibrary& library() const { return library_; }
  const std::wstring& password() const { return password_; }
  bool isPasswordDefined() const { return !password_.empty(); }

  void setTotalHook(TotalHook hook) { totalHook_ = std::move(hook); }
  void setProgressHook(ProgressHook hook) { progressHook_ = std::move(hook); }
  void setRatioHook(RatioHook hook) { ratioHook_ = std::move(hook); }
  void setFileHook(FileHook hook) { fileHook_ = std::move(hook); }
  void setPasswordHook(PasswordHook hook) { passwordHook_ = std::move(hook); }
  const TotalHook& totalHook() const { return totalHook_; }
  const ProgressHook& progressHook() const { return progressHook_; }
  const RatioHook& ratioHook() const { return ratioHook_; }
  const FileHook& fileHook() const { return fileHook_; }
  const PasswordHook& passwordHook() const { return passwordHook_; }

 protected:
  explicit ArcHandler(const SevenZipLibrary& library) : library_(library) {}

 private:
  const SevenZipLibrary& library_;
  std::wstring password_;
  TotalHook totalHook_;
  ProgressHook progressHook_;
  RatioHook ratioHook_;
  FileHook fileHook_;
  PasswordHook passwordHook_;
};

class ArcOpener : public ArcHandler {
 public:
  const ArcFormat& format() const override { return format_; }
  void setPassword(const std::wstring& password) override;
  ~ArcOpener() override = 0;

 protected:
  ArcOpener(const SevenZipLibrary& library, const ArcFormat& format)
      : ArcHandler(library), format_(format) {}

 private:
  const ArcFormat& format_;
};

}  // namespace arc7z

// Opening archives with the real plug-in, and the callback that answers it meanwhile.
#include <gtest/gtest.h>

#include "arc7z/arc-exception.h"
#include "arc7z/arc-extractor.h"
#include "arc7z/arc-format.h"
#include "arc7z/arc-input-archive.h"
#include "arc7z/callback.h"
#include "arc7z/com-ptr.h"
#include "arc7z/sevenzip-library.h"
#include "arc7z/sys-string.h"
#include "fixtures.h"

namespace arc7z {
namespace {

namespace fs = std::filesystem;
using test::wide;

class OpenTest : public ::testing::Test {
 protected:
  void expectOpenFails(const fs::path& archive, const std::string& message) {
    try {
      ArcInputArchive opened(extractor_, wide(archive));
      ADD_FAILURE() << "opened " << archive;
    } catch (const ArcException& e) {
      EXPECT_EQ(e.what(), message + " '" + archive.string() + "'");
      EXPECT_EQ(e.errorCode(), 110);
    }
  }

  test::TempDir dir_;
  SevenZipLibrary library_{wide(CVL_TEST_PLUGIN)};
  ArcExtractor extractor_{library_, kFormatSevenZip};
};

TEST_F(OpenTest, missingArchiveFile) {
  expectOpenFails(dir_ / "none.7z", "Cannot open archive file");
}

TEST_F(OpenTest, filesOfOtherKindsAreNot7zArchives) {
  test::writeFile(dir_ / "src/readme.txt", "Not an archive, just text.\n");
  test::writeFile(dir_ / "text.7z", "Not an archive, just text.\n");
  test::writeFile(dir_ / "empty.7z", "");
  test::pack(dir_ / "src", dir_ / "real.zip", "-tzip");
  expectOpenFails(dir_ / "text.7z", "Cannot open archive");
  expectOpenFails(dir_ / "empty.7z", "Cannot open archive");
  expectOpenFails(dir_ / "real.zip", "Cannot open archive");

  const ArcExtractor zip(library_, kFormatZip);
  const ArcInputArchive opened(zip, wide(dir_ / "real.zip"));
  EXPECT_EQ(opened.itemsCount(), 1u);
}

TEST_F(OpenTest, encryptedHeadersNeedThePassword) {
  test::writeFile(dir_ / "src/secret.txt", "hidden names");
  test::pack(dir_ / "src", dir_ / "headers.7z", "-mhe=on -pS3cret");
  expectOpenFails(dir_ / "headers.7z", "Cannot open archive");

  ArcExtractor withPassword(library_, kFormatSevenZip);
  withPassword.setPassword(L"S3cret");
  const ArcInputArchive opened(withPassword, wide(dir_ / "headers.7z"));
  ASSERT_EQ(opened.itemsCount(), 1u);
  EXPECT_EQ(opened.itemProperty(0, kpidPath).getString(), L"secret.txt");
  EXPECT_FALSE(opened.isItemFolder(0));

  ArcExtractor withHook(library_, kFormatSevenZip);
  int asked = 0;
  withHook.setPasswordHook([&] {
    ++asked;
    return std::wstring(L"S3cret");
  });
  EXPECT_EQ(ArcInputArchive(withHook, wide(dir_ / "headers.7z")).itemsCount(), 1u);
  EXPECT_EQ(asked, 1);
}

class OpenCallbackTest : public OpenTest {
 protected:
  void SetUp() override {
    test::writeFile(dir_ / "pkg.7z", std::string(1234, 'p'));
    test::writeFile(dir_ / "pkg.7z.002", "volume two");
    callback_ = ComPtr<OpenCallback>(new OpenCallback(extractor_, wide(dir_ / "pkg.7z")));
  }
  ArcPropVariant property(PROPID id) {
    ArcPropVariant value;
    EXPECT_EQ(static_cast<IArchiveOpenVolumeCallback*>(callback_.get())->GetProperty(id, &value), kResultOk);
    return value;
  }
  ComPtr<OpenCallback> callback_;
};

TEST_F(OpenCallbackTest, describesTheArchiveFile) {
  EXPECT_EQ(property(kpidName).getString(), L"pkg.7z");
  EXPECT_FALSE(property(kpidIsDir).getBool());
  EXPECT_EQ(property(kpidSize).uhVal, 1234u);
  EXPECT_TRUE(property(kpidAttrib).isUInt32());
  EXPECT_EQ(property(kpidMTime).kind(), ArcPropKind::fileTime);
  for (PROPID other : {0u, 3u, 5u, 8u, 13u, 53u}) EXPECT_TRUE(property(other).isEmpty()) << other;

  callback_->SetSubArchiveName(L"inner.tar");
  EXPECT_EQ(property(kpidName).getString(), L"inner.tar");
  EXPECT_TRUE(property(kpidSize).isEmpty());
}

TEST_F(OpenCallbackTest, handsOutVolumesBesideTheArchive) {
  IInStream* stream = nullptr;
  ASSERT_EQ(callback_->GetStream(L"pkg.7z.002", &stream), kResultOk);
  ASSERT_NE(stream, nullptr);
  char bytes[16] = {};
  UInt32 read = 0;
  ASSERT_EQ(stream->Read(bytes, sizeof bytes, &read), kResultOk);
  EXPECT_EQ(std::string(bytes, read), "volume two");
  EXPECT_EQ(stream->Release(), 0u);

  EXPECT_EQ(callback_->GetStream(L"pkg.7z.003", &stream), kResultFalse);
  EXPECT_EQ(stream, nullptr);
  callback_->SetSubArchiveName(L"x");
  EXPECT_EQ(callback_->GetStream(L"pkg.7z.002", &stream), kResultFalse);
}

TEST_F(OpenCallbackTest, volumesOfAnArchiveInTheCurrentFolderAreFoundThere) {
  const fs::path previous = fs::current_path();
  fs::current_path(dir_.path());
  auto relative = ComPtr<OpenCallback>(new OpenCallback(extractor_, L"pkg.7z"));
  IInStream* stream = nullptr;
  const HRESULT result = relative->GetStream(L"pkg.7z.002", &stream);
  fs::current_path(previous);
  ASSERT_EQ(result, kResultOk);  // not "/pkg.7z.002"
  ASSERT_NE(stream, nullptr);
  stream->Release();
}

TEST_F(OpenCallbackTest, missingPasswordAbortsWithItsMessage) {
  BSTR password = nullptr;
  EXPECT_EQ(callback_->CryptoGetTextPassword(&password), kErrorAbort);
  EXPECT_EQ(password, nullptr);
  EXPECT_EQ(callback_->errorMessage(), L"Password is not defined");

  extractor_.setPassword(L"pw");
  ASSERT_EQ(callback_->CryptoGetTextPassword(&password), kResultOk);
  EXPECT_EQ(sysStringText(password), L"pw");
  freeSysString(password);

  void* object = nullptr;
  EXPECT_EQ(callback_->QueryInterface(IID_IArchiveExtractCallback, &object), kErrorNoInterface);
  EXPECT_EQ(object, nullptr);
  ASSERT_EQ(callback_->QueryInterface(IID_ICryptoGetTextPassword, &object), kResultOk);
  EXPECT_EQ(object, static_cast<ICryptoGetTextPassword*>(callback_.get()));
  static_cast<ICryptoGetTextPassword*>(object)->Release();
}

}  // namespace
}  // namespace arc7z

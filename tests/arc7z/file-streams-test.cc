// The input and output file streams over real files.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "arc7z/com-ptr.h"
#include "arc7z/file-streams.h"
#include "fixtures.h"

namespace arc7z {
namespace {

using test::wide;

constexpr UInt32 kMiB = 1024 * 1024;

// Write system calls made by this process so far (the kernel's own count).
long writeCalls() {
  std::ifstream io("/proc/self/io");
  std::string key;
  long value = 0;
  while (io >> key >> value) {
    if (key == "syscw:") return value;
  }
  return -1;
}

std::string pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131) ^ (i >> 9));
  return bytes;
}

TEST(CInFileStream, readOfTenMiBReturnsOneTransferOfFourMiB) {
  test::TempDir dir;
  const std::string content = pattern(10 * kMiB);
  test::writeFile(dir / "big.bin", content);
  auto stream = ComPtr<CInFileStream>(new CInFileStream);
  ASSERT_TRUE(stream->open(wide(dir / "big.bin")));

  std::vector<char> buffer(10 * kMiB);
  UInt32 read = 0;
  ASSERT_EQ(stream->Read(buffer.data(), 10 * kMiB, &read), kResultOk);
  EXPECT_EQ(read, 4 * kMiB);
  EXPECT_EQ(std::string(buffer.data(), read), content.substr(0, read));

  UInt64 position = 0;
  ASSERT_EQ(stream->Seek(-100, 2, &position), kResultOk);
  EXPECT_EQ(position, 10 * kMiB - 100);
  ASSERT_EQ(stream->Read(buffer.data(), 1000, nullptr), kResultOk);
  ASSERT_EQ(stream->Read(buffer.data(), 1000, &read), kResultOk);
  EXPECT_EQ(read, 0u);  // end of file

  UInt64 size = 0;
  ASSERT_EQ(stream->GetSize(&size), kResultOk);
  EXPECT_EQ(size, 10 * kMiB);
}

TEST(CInFileStream, seekOriginsAndErrors) {
  test::TempDir dir;
  test::writeFile(dir / "f", "0123456789");
  auto stream = ComPtr<CInFileStream>(new CInFileStream);
  ASSERT_TRUE(stream->open(wide(dir / "f")));
  UInt64 position = 99;
  ASSERT_EQ(stream->Seek(4, 0, &position), kResultOk);
  EXPECT_EQ(position, 4u);
  ASSERT_EQ(stream->Seek(2, 1, nullptr), kResultOk);
  EXPECT_EQ(stream->Seek(0, 3, &position), kErrorInvalidFunction);
  EXPECT_EQ(position, 4u);  // untouched by the refused seek
  EXPECT_EQ(stream->Seek(-1, 0, &position), static_cast<HRESULT>(0x80070016u));  // EINVAL
  char c = 0;
  ASSERT_EQ(stream->Read(&c, 1, nullptr), kResultOk);
  EXPECT_EQ(c, '6');  // neither failed seek moved the position
  EXPECT_EQ(stream->Seek(100, 0, &position), kResultOk);  // past the end is allowed
}

TEST(CInFileStream, propertiesOfTheOpenFileAndFailureCodes) {
  test::TempDir dir;
  test::writeFile(dir / "f", "abc");
  std::filesystem::permissions(dir / "f", std::filesystem::perms(0444));
  auto stream = ComPtr<CInFileStream>(new CInFileStream);
  ASSERT_TRUE(stream->open(wide(dir / "f")));
  UInt64 size = 0;
  UInt32 attributes = 0;
  FILETIME mtime{};
  ASSERT_EQ(stream->GetProps(&size, nullptr, nullptr, &mtime, &attributes), kResultOk);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(attributes, 0x81248021u);  // read-only file 0444, as 7-Zip itself reports it
  EXPECT_NE(mtime.dwHighDateTime, 0u);
  CStreamFileProps props{};
  ASSERT_EQ(stream->GetProps2(&props), kResultOk);
  EXPECT_EQ(props.Size, 3u);
  EXPECT_EQ(props.NumLinks, 1u);
  EXPECT_NE(props.FileID_Low, 0u);

  auto closed = ComPtr<CInFileStream>(new CInFileStream);
  EXPECT_FALSE(closed->open(wide(dir / "missing")));
  const auto ebadf = static_cast<HRESULT>(0x80070009u);
  EXPECT_EQ(closed->GetSize(&size), ebadf);
  // Failures are error codes, never the bare error number (which would read as success).
  EXPECT_EQ(closed->GetProps(&size, nullptr, nullptr, nullptr, nullptr), ebadf);
  EXPECT_EQ(closed->GetProps2(&props), ebadf);
  UInt32 read = 77;
  EXPECT_EQ(closed->Read(&size, 1, &read), ebadf);
  EXPECT_EQ(read, 0u);
}

TEST(CInFileStream, answersItsFiveInterfacesOnly) {
  auto stream = ComPtr<CInFileStream>(new CInFileStream);
  for (const GUID& iid : {IID_IUnknown, IID_ISequentialInStream, IID_IInStream, IID_IStreamGetSize,
                          IID_IStreamGetProps, IID_IStreamGetProps2}) {
    void* object = nullptr;
    ASSERT_EQ(stream->QueryInterface(iid, &object), kResultOk);
    static_cast<IUnknown*>(object)->Release();
  }
  void* sized = nullptr;
  ASSERT_EQ(stream->QueryInterface(IID_IStreamGetSize, &sized), kResultOk);
  EXPECT_EQ(sized, static_cast<IStreamGetSize*>(stream.get()));  // the sub-object, not `this`
  static_cast<IStreamGetSize*>(sized)->Release();
  void* object = &sized;
  EXPECT_EQ(stream->QueryInterface(IID_IOutStream, &object), kErrorNoInterface);
  EXPECT_EQ(object, nullptr);
}

TEST(COutFileStream, writeOfTenMiBTakesThreeSystemCalls) {
  test::TempDir dir;
  const std::string content = pattern(10 * kMiB);
  // Sanitizer builds probe memory with small writes of their own the first time they check a
  // type; the counted round is the second, after those checks are cached.
  for (int round = 0; round < 2; ++round) {
    auto stream = ComPtr<COutFileStream>(new COutFileStream);
    ASSERT_TRUE(stream->open(wide(dir / "out.bin")));
    UInt32 written = 0;
    const long before = writeCalls();
    ASSERT_EQ(stream->Write(content.data(), 10 * kMiB, &written), kResultOk);
    const long calls = writeCalls() - before;
    if (round == 1) {
      EXPECT_EQ(calls, 3);
    }
    EXPECT_EQ(written, 10 * kMiB);
    ASSERT_EQ(stream->Write("tail", 4, nullptr), kResultOk);
    EXPECT_EQ(stream->processedSize(), 10 * kMiB + 4);
    ASSERT_EQ(stream->close(), kResultOk);
  }
  EXPECT_EQ(test::ReadFile(dir / "out.bin"), content + "tail");
}

TEST(COutFileStream, setSizeShorterThanThePositionKeepsThePosition) {
  test::TempDir dir;
  auto stream = ComPtr<COutFileStream>(new COutFileStream);
  ASSERT_TRUE(stream->open(wide(dir / "f")));
  ASSERT_EQ(stream->Write("0123456789", 10, nullptr), kResultOk);
  ASSERT_EQ(stream->SetSize(4), kResultOk);
  UInt64 position = 0;
  ASSERT_EQ(stream->Seek(0, 1, &position), kResultOk);
  EXPECT_EQ(position, 10u);
  EXPECT_EQ(std::filesystem::file_size(dir / "f"), 4u);
  EXPECT_EQ(stream->Seek(0, 3, &position), kErrorInvalidFunction);
  ASSERT_EQ(stream->SetSize(6), kResultOk);  // extends with zeros
  ASSERT_EQ(stream->close(), kResultOk);
  EXPECT_EQ(test::ReadFile(dir / "f"), std::string("0123\0\0", 6));
}

TEST(COutFileStream, openReplacesAFileOrALinkButNeverWritesThroughTheLink) {
  test::TempDir dir;
  test::writeFile(dir / "existing", "old content");
  test::writeFile(dir / "target", "must stay");
  std::filesystem::create_symlink(dir / "target", dir / "link");
  auto stream = ComPtr<COutFileStream>(new COutFileStream);
  ASSERT_TRUE(stream->open(wide(dir / "existing")));
  ASSERT_EQ(stream->close(), kResultOk);
  EXPECT_EQ(std::filesystem::file_size(dir / "existing"), 0u);
  ASSERT_TRUE(stream->open(wide(dir / "link")));
  ASSERT_EQ(stream->close(), kResultOk);
  EXPECT_FALSE(std::filesystem::is_symlink(dir / "link"));
  EXPECT_EQ(test::ReadFile(dir / "target"), "must stay");
  EXPECT_EQ(stream->close(), kResultOk);  // nothing open: nothing to do
  void* object = nullptr;
  EXPECT_EQ(stream->QueryInterface(IID_IInStream, &object), kErrorNoInterface);
}

}  // namespace
}  // namespace arc7z

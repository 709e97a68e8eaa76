// Loading the plug-in and making archive objects.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <fstream>
#include <string>

#include "arc7z/arc-exception.h"
#include "arc7z/arc-format.h"
#include "arc7z/sevenzip-library.h"
#include "arc7z/sys-string.h"
#include "fixtures.h"
#include "platform/dynamic-library.h"
#include "platform/locale.h"

namespace arc7z {
namespace {

using test::wide;

bool isMapped(const std::string& path) {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find(path) != std::string::npos) return true;
  }
  return false;
}

template <class F>
ArcException thrownBy(F&& f) {
  try {
    f();
  } catch (const ArcException& e) {
    return e;
  }
  ADD_FAILURE() << "no ArcException thrown";
  return ArcException(std::string(), 0);
}

TEST(SevenZipLibrary, missingLibraryReportsModuleNotFound) {
  test::TempDir dir;
  const auto e = thrownBy([&] { SevenZipLibrary library(wide(dir / "cvl/7za.so")); });
  const std::string path = (dir / "cvl/7za.so").string();
  EXPECT_EQ(std::string(e.what()),
            "Cannot load 7-zip library (error 126): " + path + ": cannot open shared object file: No such file or directory");
  EXPECT_EQ(static_cast<UInt32>(e.errorCode()), 0x8007007Eu);
}

TEST(SevenZipLibrary, libraryWithoutCreateObjectIsUnloadedAgain) {
  const auto e = thrownBy([] { SevenZipLibrary library(wide(CVL_TEST_NO_CREATE_OBJECT)); });
  EXPECT_STREQ(e.what(), "Cannot get CreateObject (error 127)");
  EXPECT_EQ(static_cast<UInt32>(e.errorCode()), 0x8007007Fu);
  EXPECT_FALSE(isMapped(CVL_TEST_NO_CREATE_OBJECT));
}

TEST(SevenZipLibrary, pluginWithVirtualDestructorLayoutIsRefused) {
  const auto e = thrownBy([] { SevenZipLibrary library(wide(CVL_TEST_OLD_LAYOUT)); });
  EXPECT_STREQ(e.what(), "Unsupported 7-zip library (interface type 1)");
  EXPECT_EQ(static_cast<UInt32>(e.errorCode()), 0x80004001u);
  EXPECT_FALSE(isMapped(CVL_TEST_OLD_LAYOUT));
}

TEST(SevenZipLibrary, realPluginMakesArchiveObjectsAndUnloadsWithTheLastUser) {
  {
    SevenZipLibrary library(wide(CVL_TEST_PLUGIN));
    for (const ArcFormat* format : {&kFormatZip, &kFormatBZip2, &kFormatSevenZip, &kFormatXz,
                                    &kFormatWim, &kFormatTar, &kFormatGZip}) {
      IInArchive* archive = library.newInArchive(*format);
      ASSERT_NE(archive, nullptr) << static_cast<int>(format->id);
      EXPECT_EQ(archive->Release(), 0u);
    }
    const ArcFormat unknown{0x77, L".none"};
    const auto e = thrownBy([&] { library.newInArchive(unknown); });
    EXPECT_STREQ(e.what(), "Cannot get class object");
    EXPECT_EQ(static_cast<UInt32>(e.errorCode()), 0x80040111u);  // CLASS_E_CLASSNOTAVAILABLE
    EXPECT_TRUE(isMapped(CVL_TEST_PLUGIN));
  }
  EXPECT_FALSE(isMapped(CVL_TEST_PLUGIN));
}

// The launcher selects its locale once, on the main thread at start-up, before any plug-in is
// loaded; this program does the same.
class Utf8LocaleAtStartUp : public testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(platform::SelectUtf8Locale()); }
};
const testing::Environment* const kUtf8LocaleAtStartUp =
    testing::AddGlobalTestEnvironment(new Utf8LocaleAtStartUp);

unsigned char pluginForcesUtf8(const platform::DynamicLibrary& plugin) {
  return *static_cast<const unsigned char*>(plugin.symbol("g_ForceToUTF8"));
}

TEST(SevenZipLibrary, pluginTakesTheLocaleSelectedAtStartUpAndLeavesItAlone) {
  {
    const SevenZipLibrary library(wide(CVL_TEST_PLUGIN));
    platform::DynamicLibrary same;  // the same loaded module, one more reference
    ASSERT_EQ(same.load(CVL_TEST_PLUGIN), 0);
    ASSERT_NE(same.symbol("g_ForceToUTF8"), nullptr);
    EXPECT_EQ(pluginForcesUtf8(same), 1);
  }
  // Without LANG the process runs in the C locale; the plug-in would then read unflagged zip
  // names byte by byte. Loading it must not change the locale behind other threads' backs.
  const std::string selected = std::setlocale(LC_CTYPE, nullptr);
  std::setlocale(LC_CTYPE, "C");
  {
    const SevenZipLibrary library(wide(CVL_TEST_PLUGIN));
    platform::DynamicLibrary same;
    ASSERT_EQ(same.load(CVL_TEST_PLUGIN), 0);
    EXPECT_EQ(pluginForcesUtf8(same), 0);
    EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C");
  }
  std::setlocale(LC_CTYPE, selected.c_str());
}

TEST(ArcFormat, classIdCarriesTheFormatIdInItsSixthTailByte) {
  const GUID id = kFormatSevenZip.classId();
  const unsigned char expected[16] = {0x69, 0x0F, 0x17, 0x23, 0xC1, 0x40, 0x8A, 0x27,
                                      0x10, 0x00, 0x00, 0x01, 0x10, 0x07, 0x00, 0x00};
  EXPECT_EQ(std::memcmp(&id, expected, 16), 0);
  EXPECT_EQ(kFormatTar.classId().Data4[5], 0xEE);
}

TEST(ArcFormat, interfaceIdsMatchThePluginsExports) {
  platform::DynamicLibrary plugin;
  ASSERT_EQ(plugin.load(CVL_TEST_PLUGIN), 0);
  const struct {
    const char* name;
    const GUID& iid;
  } cases[] = {
      {"IID_IInArchive", IID_IInArchive},
      {"IID_IInStream", IID_IInStream},
      {"IID_IOutStream", IID_IOutStream},
      {"IID_ISequentialOutStream", IID_ISequentialOutStream},
      {"IID_IArchiveExtractCallback", IID_IArchiveExtractCallback},
      {"IID_IArchiveOpenCallback", IID_IArchiveOpenCallback},
      {"IID_IArchiveOpenVolumeCallback", IID_IArchiveOpenVolumeCallback},
      {"IID_IArchiveOpenSetSubArchiveName", IID_IArchiveOpenSetSubArchiveName},
      {"IID_ICryptoGetTextPassword", IID_ICryptoGetTextPassword},
      {"IID_ICompressProgressInfo", IID_ICompressProgressInfo},
      {"IID_IProgress", IID_IProgress},
      {"IID_IStreamGetSize", IID_IStreamGetSize},
      {"IID_IStreamGetProps", IID_IStreamGetProps},
      {"IID_IStreamGetProps2", IID_IStreamGetProps2},
  };
  for (const auto& c : cases) {
    const auto* exported = static_cast<const GUID*>(plugin.symbol(c.name));
    ASSERT_NE(exported, nullptr) << c.name;
    EXPECT_TRUE(*exported == c.iid) << c.name;
  }
}

TEST(SysString, sharesItsLayoutWithThePlugin) {
  platform::DynamicLibrary plugin;
  ASSERT_EQ(plugin.load(CVL_TEST_PLUGIN), 0);
  using AllocFunc = BSTR (*)(const wchar_t*);
  using FreeFunc = void (*)(BSTR);
  using LenFunc = unsigned (*)(BSTR);
  auto pluginAlloc = reinterpret_cast<AllocFunc>(plugin.symbol("SysAllocString"));
  auto pluginFree = reinterpret_cast<FreeFunc>(plugin.symbol("SysFreeString"));
  auto pluginLen = reinterpret_cast<LenFunc>(plugin.symbol("SysStringLen"));
  ASSERT_TRUE(pluginAlloc && pluginFree && pluginLen);

  BSTR ours = allocSysString(L"Passw\u00f6rt");
  EXPECT_EQ(pluginLen(ours), 8u);
  pluginFree(ours);  // the plug-in frees the passwords we hand it

  BSTR theirs = pluginAlloc(L"kpidPath");
  EXPECT_EQ(sysStringLength(theirs), 8u);
  EXPECT_EQ(sysStringText(theirs), L"kpidPath");
  freeSysString(theirs);

  BSTR empty = allocSysString(L"");
  EXPECT_EQ(pluginLen(empty), 0u);
  EXPECT_EQ(empty[0], L'\0');
  freeSysString(empty);
  freeSysString(nullptr);
}

}  // namespace
}  // namespace arc7z

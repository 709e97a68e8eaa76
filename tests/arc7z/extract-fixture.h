#pragma once
// An extractor over the real plug-in, a temp folder, and extraction that reports its failure.
#include <string>
#include <utility>

#include "arc7z/arc-exception.h"
#include "arc7z/arc-extractor.h"
#include "arc7z/arc-format.h"
#include "arc7z/sevenzip-library.h"
#include "fixtures.h"

namespace arc7z::test {

class ExtractTest : public ::testing::Test {
 protected:
  // Extracts and returns the exception's text and code, or ("", 0) on success.
  std::pair<std::string, HRESULT> extract(const fs::path& archive, const std::wstring& folder) {
    try {
      extractor_.extract(wide(archive), folder);
      return {"", 0};
    } catch (const ArcException& e) {
      return {e.what(), e.errorCode()};
    }
  }

  TempDir dir_;
  SevenZipLibrary library_{wide(CVL_TEST_PLUGIN)};
  ArcExtractor extractor_{library_, kFormatSevenZip};
};

}  // namespace arc7z::test

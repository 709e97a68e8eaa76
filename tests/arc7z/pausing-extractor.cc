// Unpacks an archive and stops for good halfway through its data, after creating a marker file,
// so that a test can kill it at a known point of the unpacking.
//
//   arc7z_pausing_extractor plugin archive folder completion-file marker
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "arc7z/arc-exception.h"
#include "arc7z/arc-extractor.h"
#include "arc7z/arc-format.h"
#include "arc7z/sevenzip-library.h"
#include "platform/encoding.h"

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s plugin archive folder completion-file marker\n", argv[0]);
    return 2;
  }
  try {
    const arc7z::SevenZipLibrary library(platform::Utf8ToWide(argv[1]));
    arc7z::ArcExtractor extractor(library, arc7z::kFormatSevenZip);
    extractor.setCompletionFile(platform::Utf8ToWide(argv[4]));
    arc7z::UInt64 total = 0;
    extractor.setTotalHook([&](arc7z::UInt64 value) { total = value; });
    extractor.setProgressHook([&](arc7z::UInt64 done) {
      if (total == 0 || done * 2 < total) return;
      std::ofstream(argv[5]) << done;
      for (;;) ::pause();
    });
    extractor.extract(platform::Utf8ToWide(argv[2]), platform::Utf8ToWide(argv[3]));
  } catch (const arc7z::ArcException& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}

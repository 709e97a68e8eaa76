#pragma once
// Builds the demo's game package: a copy of the demo game folder plus a generated data file
// (so the download lasts long enough to watch), packed by the 7z command-line program.
#include <cstdint>
#include <filesystem>
#include <string>

namespace demo {

struct PackageSpec {
  std::filesystem::path game_source;  // the demo game folder to pack
  std::filesystem::path work_dir;     // staging folder and the archive are made here
  std::string package_name;           // file name of the archive inside work_dir
  std::uint64_t filler_bytes = 0;     // size of the generated "data/world.bin"; 0 leaves it out
};

// Returns the archive's path. Throws std::runtime_error with a readable reason when the source
// folder is missing, a file cannot be written, or 7z fails.
std::filesystem::path BuildPackage(const PackageSpec& spec);

}  // namespace demo

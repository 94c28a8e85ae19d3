#pragma once
// Fuzz targets whose parser reads a file: the input is written to a file in a private folder of
// this process (in /dev/shm when it exists, so that no disk is touched), replaced on every run.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace halvric::fuzz {

inline const std::filesystem::path& FuzzFolder() {
  static const std::filesystem::path folder = [] {
    std::string base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path().string();
    std::string pattern = base + "/halvric-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    const std::filesystem::path made = pattern;
    // Removed when the fuzzer ends normally; a crash leaves it for inspection.
    std::atexit([] { std::error_code ec; std::filesystem::remove_all(FuzzFolder(), ec); });
    return made;
  }();
  return folder;
}

// Writes the input to FuzzFolder()/name and returns the path.
inline std::filesystem::path WriteInput(const std::string& name, const uint8_t* data, size_t size) {
  const std::filesystem::path path = FuzzFolder() / name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size != 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
  return path;
}

}  // namespace halvric::fuzz

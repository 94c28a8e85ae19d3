#pragma once
// Whole-file reads and atomic replacement: a file is written to a temporary file in the same
// folder, flushed, and renamed over the target, so a reader never sees a half-written file.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace halvric {

// Reads a whole regular file of at most `max_bytes`; false when it cannot be read or is larger.
bool ReadWholeFile(const std::filesystem::path& path, std::size_t max_bytes, std::vector<uint8_t>& out);

// Replaces `path` with `data`; false (and the old file untouched) on any failure.
bool ReplaceFile(const std::filesystem::path& path, std::span<const uint8_t> data);

}  // namespace halvric

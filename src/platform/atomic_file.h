#pragma once
// Writing a whole file so that a crash or a full disk never leaves half of it: the bytes go to
// a temporary file in the same folder, which then replaces the target in one rename.

#include <string>
#include <string_view>

namespace halvric {

// Writes `bytes` to `path` atomically. Keeps the permission bits of an existing target.
// Returns false (and fills `error` when given) on any failure; the target is then untouched.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// Reads a whole file. Returns false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error = nullptr);

}  // namespace halvric

#pragma once
// Writing a whole file so that a crash or a full disk never leaves half of it: the bytes go to
// a temporary file in the same folder, which then replaces the target in one rename.

#include <string>
#include <string_view>

namespace halvric {

// kDurable: the bytes reach the disk before the rename, so the file survives a power cut too.
// kReplaceOnly: readers never see half a file, which is all that files lost at a power cut anyway
// (the simulated mouse's state) need; saves the wait for the disk.
enum class AtomicWrite { kDurable, kReplaceOnly };

// Writes `bytes` to `path` atomically. Keeps the permission bits of an existing target.
// Returns false (and fills `error` when given) on any failure; the target is then untouched.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error = nullptr,
                         AtomicWrite how = AtomicWrite::kDurable);

// Reads a whole file. Returns false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error = nullptr);

}  // namespace halvric

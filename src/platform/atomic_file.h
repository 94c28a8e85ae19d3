#pragma once
// Writing a whole file so that a crash, a power cut or a full disk never leaves half of it: the
// bytes go to a temporary file in the same folder, reach the disk, and then replace the target in
// one rename, which is itself made durable by flushing the folder.

#include <cstddef>
#include <string>
#include <string_view>

namespace halvric {

// The largest file ReadWholeFile reads unless told otherwise. The program's own files are far
// smaller (a backup holds at most the mouse's memory); anything larger is not one of them.
inline constexpr std::size_t kMaxReadBytes = std::size_t{16} << 20;

// Writes `bytes` to `path` atomically and durably. Keeps the permission bits of an existing
// target; a target that is a symbolic link stays one (the file it points to is replaced). Returns
// false (and fills `error` when given, e.g. "cannot write <path>: No space left on device") on any
// failure; the target is then untouched and no temporary file is left behind.
//
// The temporary file is named ".<file name>.tmp.XXXXXX" in the target's folder: hidden, and never
// ending in a name any of the program's folder scans accept. A process killed in the middle
// leaves such a file, which nothing reads; the next successful write of the same file removes
// it once it is stale (see RemoveStaleTemporaries).
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// True for the names of WriteFileAtomically's temporary files.
bool IsAtomicWriteTemporary(std::string_view file_name);

// Removes the temporary files that killed writers left in `folder`: those of the file named
// `file_name`, or all of them when it is empty (for folders only the program writes to). Only
// files untouched for ten minutes go, so that a write in progress in another process keeps its
// temporary file; a write takes milliseconds.
void RemoveStaleTemporaries(const std::string& folder, std::string_view file_name = {});

// Renames `from` to `to` unless `to` exists (checked and done in one step). Returns false with
// the reason in `error` otherwise; nothing is then changed. The folder is flushed afterwards.
bool RenameNoReplace(const std::string& from, const std::string& to, std::string* error = nullptr);

// Reads a whole file of at most `max_bytes` bytes. Returns false when it cannot be opened or
// read, or is larger (the error then says so); `bytes` is left unchanged on failure.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error = nullptr,
                   std::size_t max_bytes = kMaxReadBytes);

// The system's reason at the end of an error these helpers give ("No space left on device" from
// "cannot write <path>: No space left on device"); empty when the error carries none.
inline std::string ErrorReason(const std::string& error) {
  const std::size_t cut = error.rfind(": ");
  return cut == std::string::npos ? std::string() : error.substr(cut + 2);
}

}  // namespace halvric

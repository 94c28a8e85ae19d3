#pragma once
// A file that several processes append lines to at once: each Append() reaches the file in one
// write at its end, so lines of different processes never tear each other.

#include <memory>
#include <string>
#include <string_view>

namespace halvric {

class SharedLogFile {
 public:
  virtual ~SharedLogFile() = default;
  // Appends `text` in one write. A short write (only when the disk is full) drops the rest.
  virtual void Append(std::string_view text) = 0;
};

// Opens `path` for appending, creating it (mode 0644) when missing. nullptr, with the system's
// reason, when it cannot be opened.
std::unique_ptr<SharedLogFile> OpenSharedLogFile(const std::string& path, std::string* reason = nullptr);

}  // namespace halvric

#pragma once
// A private folder under /tmp for one test, removed with everything in it afterwards.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <stdlib.h>
#include <string>

#include "platform/text_encoding.h"

namespace halvric::testing {

class TempFolder {
 public:
  TempFolder() {
    char templ[] = "/tmp/halvric_config_XXXXXX";
    if (!mkdtemp(templ)) throw std::runtime_error("mkdtemp failed");
    path_ = templ;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // Writes `bytes` to a file of the folder (creating subfolders) and returns its path.
  std::string Put(const std::string& name, const std::string& bytes) const {
    const auto p = path_ / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }
  // Writes UTF-8 text as UTF-16LE with a byte-order mark.
  std::string PutUtf16(const std::string& name, const std::string& utf8) const {
    return Put(name, "\xFF\xFE" + Utf8ToUtf16Le(utf8));
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

 private:
  std::filesystem::path path_;
};

}  // namespace halvric::testing

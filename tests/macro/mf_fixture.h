#pragma once
// Hand-assembled macro file bytes for tests, independent of the writer under test.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace halvric::test {

using Bytes = std::vector<uint8_t>;

inline void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

inline Bytes Le(uint64_t value, int width) {
  Bytes out;
  for (int i = 0; i < width; ++i) out.push_back(static_cast<uint8_t>((value >> (8 * i)) & 0xFF));
  return out;
}

// Archived UTF-16 string of ASCII text (count in one byte).
inline Bytes Str16(const std::string& ascii) {
  Bytes out = {0xFF, 0xFE, 0xFF, static_cast<uint8_t>(ascii.size())};
  for (const char c : ascii) {
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(0);
  }
  return out;
}

// Archived 8-bit string with a count prefix of 1, 3 or 7 bytes.
inline Bytes Str8(const Bytes& text, int prefix = 1) {
  Bytes out;
  if (prefix == 1) {
    out.push_back(static_cast<uint8_t>(text.size()));
  } else if (prefix == 3) {
    out.push_back(0xFF);
    Append(out, Le(text.size(), 2));
  } else {
    out = {0xFF, 0xFF, 0xFF};
    Append(out, Le(text.size(), 4));
  }
  Append(out, text);
  return out;
}

inline Bytes Ascii(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A complete file of version "6.1" or "6.2".
inline Bytes MacroFileBytes(const std::string& version, int64_t time, const Bytes& name_field, int32_t mode,
                            const Bytes& code, std::optional<int32_t> count = std::nullopt) {
  Bytes out = Str16("_@_MF" + version + "_");
  if (version == "6.2") Append(out, Str16(""));
  Append(out, Le(static_cast<uint64_t>(time), 8));
  Append(out, name_field);
  Append(out, Le(static_cast<uint32_t>(mode), 4));
  Append(out, Le(static_cast<uint32_t>(count.value_or(static_cast<int32_t>(code.size()))), 4));
  Append(out, code);
  return out;
}

inline void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh empty folder under the system temp folder, removed at destruction.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "halvric-macro-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace halvric::test

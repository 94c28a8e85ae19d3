// Profile ("ini") files in UTF-8, UTF-8 with a byte order mark and UTF-16: everything read from
// a damaged file is answered, and a value written into it reads back while every other entry of
// its section stays as it was.
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_file.h"
#include "platform/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace halvric;
  const auto path = fuzz::WriteInput("input.ini", data, size);
  ProfileFile file(path.string());
  for (const std::string& section : file.Sections()) {
    for (const std::string& key : file.Keys(section)) {
      (void)file.GetString(section, key, "");
      (void)file.GetInt(section, key, 0);
    }
    (void)file.Entries(section);
  }
  if (!file.exists()) return 0;
  const auto sections = file.Sections();
  const std::string section = sections.empty() ? std::string("S") : sections.front();
  const auto before = file.Entries(section);
  if (!file.WriteString(section, "fuzzkey", "value 1")) return 0;
  ProfileFile back(path.string());
  if (back.GetString(section, "fuzzkey", "") != "value 1") std::abort();
  for (const auto& [key, value] : before) {
    if (key == "fuzzkey") continue;
    if (back.GetString(section, key, "\x01") != file.GetString(section, key, "\x01")) std::abort();
  }
  return 0;
}

#include "config/program_settings.h"

#include <random>
#include <utility>
#include <vector>

#include "platform/profile_file.h"

namespace halvric {

void ProgramSettings::LoadStartOptions(const ProfileFile& set_ini, int default_language) {
  if (set_ini.GetString(kSettingsSection, "pin", "").empty()) {
    pin.reset();
  } else {
    pin = set_ini.GetInt(kSettingsSection, "pin", 0);
  }
  language = set_ini.GetInt(kSettingsSection, "language", default_language);
}

void ProgramSettings::LoadOptions(const ProfileFile& set_ini, const FileDescriptionFn& describe) {
  osd = set_ini.GetInt(kSettingsSection, "osd", 1);
  disable_acc = set_ini.GetInt(kSettingsSection, "disable_acc", 1);
  for (int i = 0; i < kAppLinkCount; ++i) {
    AppLink& link = links[static_cast<size_t>(i)];
    const std::string path = set_ini.GetString(kSettingsSection, "app" + std::to_string(i), ProfileFile::kAbsent);
    if (path == ProfileFile::kAbsent || path.empty()) {
      link = AppLink{};
      continue;
    }
    link.path = path;
    const std::string name =
        set_ini.GetString(kSettingsSection, "app_name" + std::to_string(i), ProfileFile::kAbsent);
    if (name != ProfileFile::kAbsent) {
      link.name = name;
    } else {
      link.name = describe ? describe(path) : std::string();
    }
  }
}

bool ProgramSettings::SaveOptions(ProfileFile& set_ini, std::string* error) const {
  std::vector<std::pair<std::string, std::string>> entries = {{"osd", std::to_string(osd)},
                                                              {"disable_acc", std::to_string(disable_acc)}};
  for (int i = 0; i < kAppLinkCount; ++i) {
    const AppLink& link = links[static_cast<size_t>(i)];
    entries.emplace_back("app" + std::to_string(i), link.path);
    entries.emplace_back("app_name" + std::to_string(i), link.name);
  }
  return set_ini.WriteStrings(kSettingsSection, entries, error);
}

bool WriteLanguageOption(ProfileFile& set_ini, std::string_view value, std::string* error) {
  return set_ini.WriteString(kSettingsSection, "language", value, error);
}

std::optional<int> GeneratePin(ProfileFile& set_ini, std::string* error) {
  std::random_device device;
  std::uniform_int_distribution<int> digits(0, 999);
  const int pin = digits(device);
  if (!set_ini.WriteInt(kSettingsSection, "pin", pin, error)) return std::nullopt;
  return pin;
}

}  // namespace halvric

#include "services/app_links.h"

#include "platform/desktop_entry.h"
#include "platform/profile_file.h"

namespace halvric {

std::string FileNameWithoutExtension(const std::string& path) {
  const size_t cut = path.find_last_of("/\\");
  std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

std::string LinkDisplayName(const std::string& path, const FileDescriptionFn& describe) {
  if (describe) {
    std::string description = describe(path);
    if (!description.empty()) return description;
  }
  return FileNameWithoutExtension(path);
}

FileDescriptionFn DesktopDescription() {
  return [](const std::string& path) { return DesktopEntryName(path, XdgApplicationFolders()); };
}

ProgramSettings LoadLinkSettings(const std::filesystem::path& data_folder, const FileDescriptionFn& describe,
                                 std::string* read_error) {
  const ProfileFile set_ini((data_folder / kSettingsFileName).string());
  if (read_error) *read_error = set_ini.read_error();
  ProgramSettings settings;
  settings.LoadOptions(set_ini, [&describe](const std::string& path) { return LinkDisplayName(path, describe); });
  return settings;
}

bool SetLink(ProgramSettings& settings, int slot, const std::string& path, const std::optional<std::string>& name,
             const FileDescriptionFn& describe) {
  if (slot < 0 || slot >= kAppLinkCount || path.empty()) return false;
  AppLink& link = settings.links[static_cast<size_t>(slot)];
  link.path = path;
  link.name = name ? *name : LinkDisplayName(path, describe);
  return true;
}

bool RemoveLink(ProgramSettings& settings, int slot) {
  if (slot < 0 || slot >= kAppLinkCount) return false;
  settings.links[static_cast<size_t>(slot)] = AppLink{};
  return true;
}

bool SaveLinkSettings(const ProgramSettings& settings, const std::filesystem::path& data_folder, std::string* error) {
  ProfileFile set_ini((data_folder / kSettingsFileName).string());
  return settings.SaveOptions(set_ini, error);
}

}  // namespace halvric

#pragma once
// The program's own options, kept in set.ini (section "ARG") in the data folder.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace halvric {

class ProfileFile;

inline constexpr const char* kSettingsFileName = "set.ini";
inline constexpr const char* kSettingsSection = "ARG";
inline constexpr int kAppLinkCount = 5;

// The display name of an executable when set.ini gives none (the Windows program used the
// executable's "FileDescription").
using FileDescriptionFn = std::function<std::string(const std::string& executable_path)>;

// The link of one profile to an application.
struct AppLink {
  std::string path;  // empty: no link
  std::string name;
};

struct ProgramSettings {
  int language = 1033;
  int osd = 1;          // 1: show the on-screen display of DPI/profile changes
  int disable_acc = 1;  // 1: switch the pointer acceleration off at start
  std::array<AppLink, kAppLinkCount> links;
  std::optional<int> pin;   // access code of the information page

  // Start-up reads: `pin`, then `language`; without a `language` key the language is
  // `default_language` (the one the user's locale asks for, see language_choice.h).
  void LoadStartOptions(const ProfileFile& set_ini, int default_language = 1033);
  // Main-window reads: `osd`, `disable_acc` and the five links. A link's name falls back to
  // `describe` of its path when `app_name%d` is absent.
  void LoadOptions(const ProfileFile& set_ini, const FileDescriptionFn& describe);
  // Writes `osd`, `disable_acc`, `app%d` and `app_name%d` (empty for links not set), all in one
  // replacement of the file.
  bool SaveOptions(ProfileFile& set_ini, std::string* error = nullptr) const;
};

// The "/langid=" start option: stores `value` unchanged as `language`.
bool WriteLanguageOption(ProfileFile& set_ini, std::string_view value, std::string* error = nullptr);
// The "/genpin" start option: stores a new random access code 0..999 as `pin` and returns it;
// nullopt when set.ini cannot be written.
std::optional<int> GeneratePin(ProfileFile& set_ini, std::string* error = nullptr);

}  // namespace halvric

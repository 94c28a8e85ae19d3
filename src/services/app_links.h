#pragma once
// The links from profile slots to applications: their display names and their place in set.ini
// (section "ARG", keys "app%d" and "app_name%d"; the reading and writing rules live with the
// program settings).

#include <filesystem>
#include <optional>
#include <string>

#include "config/program_settings.h"

namespace halvric {

// The file name of a path without folder and extension ("C:\Games\Game.exe" -> "Game",
// "/usr/bin/foo.bar.sh" -> "foo.bar"); both separators count.
std::string FileNameWithoutExtension(const std::string& path);

// The name shown for a link to `path`: the program's description when `describe` finds one,
// else its file name without extension.
std::string LinkDisplayName(const std::string& path, const FileDescriptionFn& describe);

// The desktop's description of a program: the Name= of the .desktop entry that runs it, empty
// when there is none.
FileDescriptionFn DesktopDescription();

// The settings of set.ini in `data_folder`, links included; names missing from the file are
// computed with `describe`.
ProgramSettings LoadLinkSettings(const std::filesystem::path& data_folder, const FileDescriptionFn& describe,
                                 std::string* read_error = nullptr);

// Links profile `slot` (0-4) to `path`, named `name` when given, else by LinkDisplayName. False
// for a slot out of range or an empty path.
bool SetLink(ProgramSettings& settings, int slot, const std::string& path, const std::optional<std::string>& name,
             const FileDescriptionFn& describe);
// Empties both strings of the slot. False for a slot out of range.
bool RemoveLink(ProgramSettings& settings, int slot);

// Writes the options and links to set.ini in `data_folder`.
bool SaveLinkSettings(const ProgramSettings& settings, const std::filesystem::path& data_folder,
                      std::string* error = nullptr);

}  // namespace halvric

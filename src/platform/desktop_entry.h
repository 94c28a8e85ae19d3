#pragma once
// The name under which the desktop presents a program: the Name= of a .desktop file whose Exec
// runs it. This stands in for the "FileDescription" of a Windows executable.

#include <filesystem>
#include <string>
#include <vector>

namespace halvric {

// The applications folders of the XDG base directories, most important first:
// $XDG_DATA_HOME (or ~/.local/share), then $XDG_DATA_DIRS (or /usr/local/share:/usr/share).
std::vector<std::filesystem::path> XdgApplicationFolders();

// The Name= of the first .desktop file (searched recursively, folders in the given order, files
// in name order) whose Exec program has the same file name as `executable`; empty when none.
// Hidden entries are skipped. Exec may name the program by path or by file name, possibly after
// "env VAR=value"; Windows paths (backslashes) are matched by their last part.
std::string DesktopEntryName(const std::string& executable, const std::vector<std::filesystem::path>& folders);

// The file name of the program that the .desktop file of the Wayland application id `app_id`
// runs: the file <app_id>.desktop (also by its last dotted part, "org.gnome.Nautilus" finding
// nautilus.desktop, and case-insensitively), else a file whose StartupWMClass is `app_id`; the
// folders in the given order. Empty when no entry is found or its Exec names no program.
std::string DesktopEntryProgram(const std::string& app_id, const std::vector<std::filesystem::path>& folders);

// DesktopEntryName over XdgApplicationFolders(), else the executable's file name.
std::string ProgramDisplayName(const std::string& executable);

}  // namespace halvric

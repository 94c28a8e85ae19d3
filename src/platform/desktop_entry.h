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

// DesktopEntryName over XdgApplicationFolders(), else the executable's file name.
std::string ProgramDisplayName(const std::string& executable);

}  // namespace halvric

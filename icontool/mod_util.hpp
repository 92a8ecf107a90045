// File and folder tests of the front end, in the attribute vocabulary of the platform layer.
#pragma once

#include <functional>
#include <string>

#include "platform/file_system.hpp"
#include "platform/ui.hpp"

namespace tesk::icontool {

// True when the path (its last part may hold the wildcards * and ?) names at least one ordinary
// file: not hidden, not a system file or link, not a folder.
bool FileExists(const FileSystem& fs, const std::string& path);

// FileExists for a shared library: a library file is commonly a link to its versioned name, so a
// final link is resolved first and its target judged.
bool LibraryFileExists(const FileSystem& fs, const std::string& path);

// True when the path names an existing folder (a link to a folder counts, as the library sees it).
bool DirExists(const FileSystem& fs, const std::string& path);

// Short path forms do not exist here: the path comes back unchanged.
std::string ShortPathName(const std::string& path);

// The native file dialogs always offer the full feature set.
bool HasNewComdlg();

// The environment lookup the data folder depends on; tests pass their own.
using EnvLookup = std::function<std::string(const char* name)>;
std::string systemEnv(const char* name);

// The per-user data folder: $XDG_DATA_HOME (when absolute, else ~/.local/share) + "/Varnel Icon
// Tool". With no home folder at all, shows "Error getting user data path." and returns empty text,
// so that nothing is ever written relative to the root or the working folder.
std::string Get_Data_Path(const EnvLookup& env, Ui& ui);

// Creates the data folder and the missing folders above it.
bool ensureFolder(FileSystem& fs, const std::string& folder);

}   // namespace tesk::icontool

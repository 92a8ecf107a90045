// The HTML help page in the per-user data folder, and its topics.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_system.hpp"

namespace tesk::icontool {

inline constexpr const char* kHelpFileName = "icontool.html";
inline constexpr std::int32_t kResizeHelpTopic = 190;

// The help file's path in the data folder; empty when there is no data folder.
std::string helpFilePath(const std::string& userDataFolder);

// The page anchor of a help topic number; empty for the page's top.
std::string helpAnchor(std::int32_t topic);

// Puts the program's help page into the data folder when it is missing or differs (an older
// program's page), writing atomically. Returns false when it could not be written.
bool installHelpFile(FileSystem& fs, const std::string& userDataFolder, std::string_view page);

}   // namespace tesk::icontool

#include "help_file.hpp"

#include <vector>

#include "platform/paths.hpp"

namespace tesk::icontool {

std::string helpFilePath(const std::string& userDataFolder) {
    if (userDataFolder.empty()) return {};
    return withTrailingSeparator(userDataFolder) + kHelpFileName;
}

std::string helpAnchor(std::int32_t topic) { return topic == kResizeHelpTopic ? "resize" : ""; }

bool installHelpFile(FileSystem& fs, const std::string& userDataFolder, std::string_view page) {
    auto path = helpFilePath(userDataFolder);
    if (path.empty()) return false;
    std::vector<std::uint8_t> current;
    if (fs.readFile(path, current, page.size() + 1) == ErrorNumber::None &&
        std::string_view(reinterpret_cast<const char*>(current.data()), current.size()) == page)
        return true;
    auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(page.data()), page.size());
    return fs.writeFileAtomic(path, bytes) == ErrorNumber::None;
}

}   // namespace tesk::icontool

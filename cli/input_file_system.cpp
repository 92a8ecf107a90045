#include "cli/input_file_system.hpp"

namespace tesk::cli {

void InputFileSystem::handOver(std::string path, std::vector<std::uint8_t> bytes) {
    handedOver_.insert_or_assign(std::move(path), std::move(bytes));
}

std::optional<std::uint32_t> InputFileSystem::attributes(const std::string& path) const {
    if (handedOver_.contains(path)) return attr::Normal;
    return disk_.attributes(path);
}

ErrorNumber InputFileSystem::readFile(const std::string& path, std::vector<std::uint8_t>& out,
                                      std::size_t maxBytes) const {
    auto it = handedOver_.find(path);
    if (it == handedOver_.end()) return disk_.readFile(path, out, maxBytes);
    if (it->second.size() > maxBytes) {
        out.clear();
        return ErrorNumber::OutOfMemory;   // as the disk refuses a file above the limit
    }
    out = std::move(it->second);
    handedOver_.erase(it);
    return ErrorNumber::None;
}

}   // namespace tesk::cli

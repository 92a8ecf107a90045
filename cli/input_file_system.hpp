// The file system the command's runs see: the disk, with inputs it has in memory handed to the
// library at a path of their own (a database from an archive, a bitmap file wrapped as a
// database, the name table that names it), so the library reads them as it reads any file.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/file_system.hpp"

namespace tesk::cli {

class InputFileSystem final : public FileSystem {
public:
    // Until it is read, `path` is a plain file holding these bytes; the first read takes them
    // (the run reads its input once, so the bytes are moved, not copied). Later reads, and
    // every other path, go to the disk.
    void handOver(std::string path, std::vector<std::uint8_t> bytes);
    // Drops what was handed over and not read (a run that ended before it read it).
    void forgetHandedOver() { handedOver_.clear(); }

    std::optional<std::uint32_t> attributes(const std::string& path) const override;
    ErrorNumber readFile(const std::string& path, std::vector<std::uint8_t>& out, std::size_t maxBytes) const override;
    ErrorNumber writeFile(const std::string& path, std::span<const std::uint8_t> bytes) override {
        return disk_.writeFile(path, bytes);
    }
    ErrorNumber writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes) override {
        return disk_.writeFileAtomic(path, bytes);
    }
    ErrorNumber removeFile(const std::string& path) override { return disk_.removeFile(path); }
    ErrorNumber createFolder(const std::string& path) override { return disk_.createFolder(path); }
    ErrorNumber renameFile(const std::string& from, const std::string& to) override {
        return disk_.renameFile(from, to);
    }
    ErrorNumber listFolder(const std::string& path, std::vector<std::string>& names) const override {
        return disk_.listFolder(path, names);
    }

private:
    NativeFileSystem disk_;
    // Read through a const interface, yet taken by the read.
    mutable std::map<std::string, std::vector<std::uint8_t>> handedOver_;
};

}   // namespace tesk::cli

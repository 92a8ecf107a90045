// A file system held in memory, for fuzzers and tests: files, folders and links with the same
// attribute vocabulary as the disk, plus failures on demand (the n-th write, a full disk, a
// refused path, a file that disappears between a check and its use).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.hpp"

namespace tesk {

class MemoryFileSystem final : public FileSystem {
public:
    MemoryFileSystem();

    // Setting up. Paths are absolute or relative to the root; "." and ".." parts are resolved by
    // text, as the kernel would for a path without links. Missing parent folders are made.
    void addFile(const std::string& path, std::vector<std::uint8_t> bytes, std::uint32_t attributes = 0);
    void addFolder(const std::string& path, std::uint32_t attributes = 0);
    // A symbolic link: reported as a system file and never written through; a read follows it.
    void addLink(const std::string& path, const std::string& target);
    void setAttributes(const std::string& path, std::uint32_t attributes);

    // Failures on demand.
    // The n-th write from now (1 = the next one) fails with `e`; writes are counted by writeFile and
    // writeFileAtomic alike.
    void failNthWrite(std::size_t n, ErrorNumber e = ErrorNumber::DiskFull);
    // The disk holds at most this many bytes of file data; a write that would need more fails with
    // DiskFull and leaves nothing behind.
    void setCapacity(std::size_t bytes) { capacity_ = bytes; }
    // Writes, removals, renames and new folders at or below this path fail with PermissionDenied.
    void denyChanges(const std::string& pathPrefix);
    // The next time this path's attributes are asked for, it still answers, then disappears, so the
    // use that follows the check finds nothing.
    void vanishAfterCheck(const std::string& path);

    // Looking at the result.
    std::optional<std::vector<std::uint8_t>> contents(const std::string& path) const;
    // Every file, folder and link, sorted, folders without a trailing separator.
    std::vector<std::string> allPaths() const;
    std::size_t bytesStored() const { return stored_; }
    std::size_t writesAttempted() const { return writes_; }
    // Writes failed by failNthWrite or the capacity.
    std::size_t writesRefused() const { return refused_; }

    std::optional<std::uint32_t> attributes(const std::string& path) const override;
    ErrorNumber readFile(const std::string& path, std::vector<std::uint8_t>& out, std::size_t maxBytes) const override;
    ErrorNumber writeFile(const std::string& path, std::span<const std::uint8_t> bytes) override;
    ErrorNumber writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes) override;
    ErrorNumber removeFile(const std::string& path) override;
    ErrorNumber createFolder(const std::string& path) override;
    ErrorNumber renameFile(const std::string& from, const std::string& to) override;
    ErrorNumber listFolder(const std::string& path, std::vector<std::string>& names) const override;

    // The canonical form of a path: "/" separated, no empty, "." or ".." parts, no trailing "/".
    static std::string normalise(const std::string& path);

private:
    enum class Kind { File, Folder, Link };
    struct Node {
        Kind kind = Kind::File;
        std::vector<std::uint8_t> bytes;
        std::string target;
        std::uint32_t attributes = 0;   // ReadOnly / Hidden / System / Archive bits set by a test
    };

    const Node* find(const std::string& canonical) const;
    bool parentIsFolder(const std::string& canonical) const;
    bool denied(const std::string& canonical) const;
    // Counts the write and returns the failure to inject, if any.
    ErrorNumber takeWrite(std::size_t newBytes, std::size_t replacedBytes);
    ErrorNumber store(const std::string& canonical, std::span<const std::uint8_t> bytes);

    // Mutable because a check of a vanishing path removes it.
    mutable std::map<std::string, Node> nodes_;
    mutable std::size_t stored_ = 0;
    std::size_t writes_ = 0;
    std::size_t refused_ = 0;
    std::optional<std::size_t> capacity_;
    std::optional<std::size_t> failAt_;
    ErrorNumber failWith_ = ErrorNumber::DiskFull;
    std::vector<std::string> deniedPrefixes_;
    mutable std::vector<std::string> vanishing_;
};

}   // namespace tesk

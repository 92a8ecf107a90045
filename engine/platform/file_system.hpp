// Files and folders as the programs see them. The interface speaks in the attribute vocabulary
// the programs were designed around (read-only, hidden, system, folder, archive, normal), so the
// replace rules stay the same on every platform; the POSIX backend maps mode bits onto it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/error_number.hpp"

namespace tesk {

namespace attr {
inline constexpr std::uint32_t ReadOnly = 0x01;
inline constexpr std::uint32_t Hidden = 0x02;
inline constexpr std::uint32_t System =
    0x04;   // also: anything that is neither a regular file nor a folder, and every symbolic link
inline constexpr std::uint32_t Directory = 0x10;
inline constexpr std::uint32_t Archive = 0x20;
inline constexpr std::uint32_t Normal = 0x80;
}   // namespace attr

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Attribute bits of what the path names, or nothing when it names nothing readable.
    // A final symbolic link is reported as a system file, never followed.
    virtual std::optional<std::uint32_t> attributes(const std::string& path) const = 0;

    // Reads a whole regular file; refuses files larger than maxBytes with OutOfMemory.
    virtual ErrorNumber readFile(const std::string& path, std::vector<std::uint8_t>& out,
                                 std::size_t maxBytes = SIZE_MAX) const = 0;

    // Creates the file or truncates an existing one and writes the bytes. Never writes through a
    // symbolic link; a failed write removes what it left, so no half file stays behind.
    virtual ErrorNumber writeFile(const std::string& path, std::span<const std::uint8_t> bytes) = 0;

    // Writes through a temporary name beside the target, then renames: a reader (or a crash)
    // sees the old content or the new, never a mixture.
    virtual ErrorNumber writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes) = 0;

    virtual ErrorNumber removeFile(const std::string& path) = 0;
    virtual ErrorNumber createFolder(const std::string& path) = 0;                        // one level
    virtual ErrorNumber renameFile(const std::string& from, const std::string& to) = 0;   // replaces `to`

    // Names (not paths) of the entries of a folder, in the order the file system lists them.
    virtual ErrorNumber listFolder(const std::string& path, std::vector<std::string>& names) const = 0;

    // Gives `to` the access permissions of the regular file `from` (on POSIX its mode bits), so a
    // file that replaces it by a rename keeps them. Nothing to copy (no such file, or a platform or
    // double without permissions of this kind) is not a failure.
    virtual ErrorNumber copyPermissions(const std::string& from, const std::string& to) {
        static_cast<void>(from);
        static_cast<void>(to);
        return ErrorNumber::None;
    }
};

// Writes to the real disk.
class PosixFileSystem final : public FileSystem {
public:
    std::optional<std::uint32_t> attributes(const std::string& path) const override;
    ErrorNumber readFile(const std::string& path, std::vector<std::uint8_t>& out, std::size_t maxBytes) const override;
    ErrorNumber writeFile(const std::string& path, std::span<const std::uint8_t> bytes) override;
    ErrorNumber writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes) override;
    ErrorNumber removeFile(const std::string& path) override;
    ErrorNumber createFolder(const std::string& path) override;
    ErrorNumber renameFile(const std::string& from, const std::string& to) override;
    ErrorNumber listFolder(const std::string& path, std::vector<std::string>& names) const override;
    ErrorNumber copyPermissions(const std::string& from, const std::string& to) override;   // posix_permissions.cpp
};

// Writes to the real disk through the Win32 file functions (ANSI names in the system code page).
// Attributes are the system's own bits; a reparse point (a link or junction) also counts as
// system, so nothing is ever written through one. Built only for Windows.
class Win32FileSystem final : public FileSystem {
public:
    std::optional<std::uint32_t> attributes(const std::string& path) const override;
    ErrorNumber readFile(const std::string& path, std::vector<std::uint8_t>& out, std::size_t maxBytes) const override;
    ErrorNumber writeFile(const std::string& path, std::span<const std::uint8_t> bytes) override;
    ErrorNumber writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes) override;
    ErrorNumber removeFile(const std::string& path) override;
    ErrorNumber createFolder(const std::string& path) override;
    ErrorNumber renameFile(const std::string& from, const std::string& to) override;
    ErrorNumber listFolder(const std::string& path, std::vector<std::string>& names) const override;
};

#if defined(_WIN32)
using NativeFileSystem = Win32FileSystem;
#else
using NativeFileSystem = PosixFileSystem;
#endif

// Helpers over any file system.

// True when the path names something whose attributes can be read; never fails.
bool PathExists(const FileSystem& fs, const std::string& path);

// The replace rule for an output file: nothing there, or a plain file whose attributes are none or
// normal (the archive bit ignored) is deleted and None returned; anything else (read-only,
// hidden, system, a folder, a link) is left alone and PathFileAccessError (75) returned.
ErrorNumber replaceExistingOutput(FileSystem& fs, const std::string& path);
// The same test without the delete: None when the path may be written by the replace rule.
ErrorNumber checkReplaceable(const FileSystem& fs, const std::string& path);
// Writes an output file the way images are written: the replace rule, then a write that leaves no
// half file behind.
ErrorNumber writeOutputFile(FileSystem& fs, const std::string& path, std::span<const std::uint8_t> bytes);

// Copies a file by reading it whole and writing it atomically.
ErrorNumber copyFile(FileSystem& fs, const std::string& from, const std::string& to);

}   // namespace tesk

// Win32 backend of the file system, through the ANSI file functions (names in the system code
// page, as every text of the programs). Attributes are the system's own bits; a reparse point
// (a symbolic link or a junction) also counts as system, so the replace rule refuses it and no
// write ever goes through one.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>

#include "platform/file_system.hpp"

namespace tesk {
namespace {

constexpr DWORD kKnownBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                             FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL;
static_assert(FILE_ATTRIBUTE_READONLY == attr::ReadOnly && FILE_ATTRIBUTE_HIDDEN == attr::Hidden &&
                  FILE_ATTRIBUTE_SYSTEM == attr::System && FILE_ATTRIBUTE_DIRECTORY == attr::Directory &&
                  FILE_ATTRIBUTE_ARCHIVE == attr::Archive && FILE_ATTRIBUTE_NORMAL == attr::Normal,
              "the attribute vocabulary is the system's own");

struct Handle {
    HANDLE h = INVALID_HANDLE_VALUE;
    ~Handle() { close(); }
    bool close() {
        if (h == INVALID_HANDLE_VALUE) return true;
        const bool ok = ::CloseHandle(h) != 0;
        h = INVALID_HANDLE_VALUE;
        return ok;
    }
};

ErrorNumber lastError() { return errorFromWin32(::GetLastError()); }

ErrorNumber writeAll(HANDLE h, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(h, bytes.data() + done, chunk, &written, nullptr)) return lastError();
        if (written == 0) return ErrorNumber::DeviceIoError;
        done += written;
    }
    return ErrorNumber::None;
}

// A link or junction at the path itself: never opened for writing.
bool isReparsePoint(const std::string& path) {
    const DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}   // namespace

ErrorNumber errorFromWin32(std::uint32_t code) {
    switch (code) {
        case ERROR_SUCCESS: return ErrorNumber::None;
        // A missing folder on the way to a file is "file not found", as on POSIX systems, so a
        // status means the same on every platform; folder operations say "path not found".
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return ErrorNumber::FileNotFound;
        case ERROR_BAD_NETPATH:
        case ERROR_DIRECTORY: return ErrorNumber::PathNotFound;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_LOCK_VIOLATION:
        case ERROR_NETWORK_ACCESS_DENIED: return ErrorNumber::PermissionDenied;
        case ERROR_SHARING_VIOLATION: return ErrorNumber::PathFileAccessError;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return ErrorNumber::DiskFull;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return ErrorNumber::FileAlreadyExists;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE: return ErrorNumber::BadFileName;
        case ERROR_TOO_MANY_OPEN_FILES: return ErrorNumber::TooManyFiles;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY: return ErrorNumber::OutOfMemory;
        case ERROR_NOT_SAME_DEVICE: return ErrorNumber::RenameAcrossDisks;
        case ERROR_NOT_READY: return ErrorNumber::DiskNotReady;
        case ERROR_DEV_NOT_EXIST:
        case ERROR_BAD_UNIT: return ErrorNumber::DeviceUnavailable;
        default: return ErrorNumber::DeviceIoError;
    }
}

std::optional<std::uint32_t> Win32FileSystem::attributes(const std::string& path) const {
    if (path.empty()) return std::nullopt;
    const DWORD a = ::GetFileAttributesA(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    std::uint32_t out = a & kKnownBits;
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) out |= attr::System;
    // Bits outside the vocabulary (compressed, not indexed, ...) say nothing about replacing.
    if ((out & ~attr::Normal) != 0) out &= ~attr::Normal;
    if (out == 0) out = attr::Normal;
    return out;
}

ErrorNumber Win32FileSystem::readFile(const std::string& path, std::vector<std::uint8_t>& out,
                                      std::size_t maxBytes) const {
    out.clear();
    if (auto a = attributes(path); a && (*a & attr::Directory)) return ErrorNumber::PathFileAccessError;
    Handle f{::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
    if (f.h == INVALID_HANDLE_VALUE) return lastError();
    if (::GetFileType(f.h) != FILE_TYPE_DISK) return ErrorNumber::BadFileMode;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(f.h, &size)) return lastError();
    if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > maxBytes ||
        static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX)
        return ErrorNumber::OutOfMemory;
    const auto total = static_cast<std::size_t>(size.QuadPart);
    try {
        out.resize(total);
    } catch (const std::bad_alloc&) {
        return ErrorNumber::OutOfMemory;
    }
    std::size_t done = 0;
    while (done < total) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(total - done, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(f.h, out.data() + done, chunk, &got, nullptr)) {
            out.clear();
            return lastError();
        }
        if (got == 0) break;   // the file shrank meanwhile: keep what is there
        done += got;
    }
    out.resize(done);
    return ErrorNumber::None;
}

ErrorNumber Win32FileSystem::writeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (path.empty()) return ErrorNumber::BadFileName;
    if (isReparsePoint(path)) return ErrorNumber::PathFileAccessError;
    Handle f{::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)};
    if (f.h == INVALID_HANDLE_VALUE) return lastError();
    if (::GetFileType(f.h) != FILE_TYPE_DISK) return ErrorNumber::PathFileAccessError;
    auto e = writeAll(f.h, bytes);
    if (!f.close() && e == ErrorNumber::None) e = lastError();
    if (e != ErrorNumber::None) ::DeleteFileA(path.c_str());
    return e;
}

ErrorNumber Win32FileSystem::writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (path.empty()) return ErrorNumber::BadFileName;
    if (isReparsePoint(path)) return ErrorNumber::PathFileAccessError;
    // A name of our own beside the target: same folder, so the final move is a rename on one disk.
    static std::atomic<unsigned> counter{0};
    std::string tmp;
    Handle f;
    for (int attempt = 0; attempt < 100 && f.h == INVALID_HANDLE_VALUE; ++attempt) {
        tmp = path + ".tmp-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(counter++);
        f.h = ::CreateFileA(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f.h == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) return lastError();
    }
    if (f.h == INVALID_HANDLE_VALUE) return ErrorNumber::FileAlreadyExists;
    auto e = writeAll(f.h, bytes);
    if (e == ErrorNumber::None && !::FlushFileBuffers(f.h)) e = lastError();
    if (!f.close() && e == ErrorNumber::None) e = lastError();
    if (e == ErrorNumber::None &&
        !::MoveFileExA(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        e = lastError();
    if (e != ErrorNumber::None) ::DeleteFileA(tmp.c_str());
    return e;
}

ErrorNumber Win32FileSystem::removeFile(const std::string& path) {
    if (!::DeleteFileA(path.c_str())) return lastError();
    return ErrorNumber::None;
}

ErrorNumber Win32FileSystem::createFolder(const std::string& path) {
    if (!::CreateDirectoryA(path.c_str(), nullptr))
        return ::GetLastError() == ERROR_PATH_NOT_FOUND ? ErrorNumber::PathNotFound : lastError();
    return ErrorNumber::None;
}

ErrorNumber Win32FileSystem::renameFile(const std::string& from, const std::string& to) {
    if (!::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return lastError();
    return ErrorNumber::None;
}

ErrorNumber Win32FileSystem::listFolder(const std::string& path, std::vector<std::string>& names) const {
    names.clear();
    std::string pattern = path;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern.push_back('\\');
    pattern.push_back('*');
    WIN32_FIND_DATAA entry{};
    std::unique_ptr<void, BOOL(WINAPI*)(HANDLE)> find{::FindFirstFileA(pattern.c_str(), &entry), ::FindClose};
    if (find.get() == INVALID_HANDLE_VALUE) {
        find.release();
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES)
            return ErrorNumber::None;   // an empty drive root
        return code == ERROR_DIRECTORY || code == ERROR_PATH_NOT_FOUND ? ErrorNumber::PathNotFound
                                                                       : errorFromWin32(code);
    }
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        names.push_back(std::move(name));
    } while (::FindNextFileA(find.get(), &entry));
    return ErrorNumber::None;
}

}   // namespace tesk

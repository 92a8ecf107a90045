// POSIX backend of the file system. Attributes: read-only = no write permission bit at all (judged
// by the mode bits, since root may write anything), hidden = a name starting with ".", system =
// neither a regular file nor a folder, or a symbolic link.
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "platform/file_system.hpp"

namespace tesk {
namespace {

std::string baseName(const std::string& path) {
    auto end = path.find_last_not_of('/');
    if (end == std::string::npos) return {};
    auto start = path.find_last_of('/', end);
    return path.substr(start == std::string::npos ? 0 : start + 1,
                       end - (start == std::string::npos ? 0 : start + 1) + 1);
}

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

ErrorNumber writeAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        auto n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errorFromErrno(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    return ErrorNumber::None;
}

// A large database is read into fresh memory, and faulting that in 4 KB at a time cost more than
// the copy itself (a 22 MB skin: 5,400 faults). Where the kernel offers large pages on request,
// the whole 2 MB stretches inside the buffer ask for them; a refusal changes nothing.
void adviseLargePages(void* data, std::size_t size) {
    constexpr std::uintptr_t large = 2 * 1024 * 1024;
    if (size < 2 * large) return;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + large - 1) & ~(large - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(large - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}   // namespace

std::optional<std::uint32_t> PosixFileSystem::attributes(const std::string& path) const {
    if (path.empty()) return std::nullopt;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    std::uint32_t a = 0;
    if (S_ISLNK(st.st_mode))
        a |= attr::System;
    else if (S_ISDIR(st.st_mode))
        a |= attr::Directory;
    else if (!S_ISREG(st.st_mode))
        a |= attr::System;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 && !S_ISLNK(st.st_mode)) a |= attr::ReadOnly;
    auto name = baseName(path);
    if (!name.empty() && name[0] == '.' && name != "." && name != "..") a |= attr::Hidden;
    if (a == 0) a = attr::Normal;
    return a;
}

ErrorNumber PosixFileSystem::readFile(const std::string& path, std::vector<std::uint8_t>& out,
                                      std::size_t maxBytes) const {
    out.clear();
    // Without O_NONBLOCK a FIFO put in place of the file would hold the open until a writer comes.
    Fd f{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (f.fd < 0) return errorFromErrno(errno);
    struct stat st {};
    if (::fstat(f.fd, &st) != 0) return errorFromErrno(errno);
    if (S_ISDIR(st.st_mode)) return ErrorNumber::PathFileAccessError;
    if (!S_ISREG(st.st_mode)) return ErrorNumber::BadFileMode;
    auto size = static_cast<std::size_t>(st.st_size);
    if (size > maxBytes) return ErrorNumber::OutOfMemory;
    try {
        out.reserve(size);
    } catch (const std::bad_alloc&) {
        return ErrorNumber::OutOfMemory;
    }
    adviseLargePages(out.data(), size);
    // Through a small buffer the cache holds, appended: a vector sized up front is zeroed first,
    // one more pass over every byte of a large database for nothing.
    std::array<std::uint8_t, 64 * 1024> chunk;
    while (out.size() < size) {
        auto n = ::read(f.fd, chunk.data(), std::min(chunk.size(), size - out.size()));
        if (n < 0) {
            if (errno == EINTR) continue;
            out.clear();
            return errorFromErrno(errno);
        }
        if (n == 0) break;   // the file shrank meanwhile: keep what is there
        out.insert(out.end(), chunk.begin(), chunk.begin() + n);
    }
    return ErrorNumber::None;
}

ErrorNumber PosixFileSystem::writeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (path.empty()) return ErrorNumber::BadFileName;
    // The caller's attribute check may be stale by now: something other than a regular file put
    // in place meanwhile must neither hold the open (a FIFO without a reader would, for ever; with
    // O_NONBLOCK it fails with ENXIO) nor be cut or written, so the file is truncated only once it
    // is known to be a regular one. O_NONBLOCK changes nothing for a regular file's writes.
    Fd f{::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666)};
    if (f.fd < 0) return errno == ENXIO ? ErrorNumber::PathFileAccessError : errorFromErrno(errno);
    struct stat st {};
    if (::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) return ErrorNumber::PathFileAccessError;
    if (::ftruncate(f.fd, 0) != 0) return errorFromErrno(errno);
    if (auto e = writeAll(f.fd, bytes); e != ErrorNumber::None) {
        ::close(f.fd);
        f.fd = -1;
        ::unlink(path.c_str());
        return e;
    }
    if (::close(f.fd) != 0) {
        f.fd = -1;
        auto e = errorFromErrno(errno);
        ::unlink(path.c_str());
        return e;
    }
    f.fd = -1;
    return ErrorNumber::None;
}

ErrorNumber PosixFileSystem::writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (path.empty()) return ErrorNumber::BadFileName;
    std::string tmp = path + ".tmp-XXXXXX";
    Fd f{::mkstemp(tmp.data())};
    if (f.fd < 0) return errorFromErrno(errno);
    auto fail = [&](ErrorNumber e) {
        if (f.fd >= 0) ::close(f.fd);
        f.fd = -1;
        ::unlink(tmp.c_str());
        return e;
    };
    if (::fchmod(f.fd, 0644) != 0) return fail(errorFromErrno(errno));
    if (auto e = writeAll(f.fd, bytes); e != ErrorNumber::None) return fail(e);
    if (::fsync(f.fd) != 0) return fail(errorFromErrno(errno));
    if (::close(f.fd) != 0) {
        f.fd = -1;
        return fail(errorFromErrno(errno));
    }
    f.fd = -1;
    if (::rename(tmp.c_str(), path.c_str()) != 0) return fail(errorFromErrno(errno));
    return ErrorNumber::None;
}

ErrorNumber PosixFileSystem::removeFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0) return errorFromErrno(errno);
    return ErrorNumber::None;
}

ErrorNumber PosixFileSystem::createFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) != 0) {
        if (errno == EEXIST) return ErrorNumber::FileAlreadyExists;
        if (errno == ENOENT) return ErrorNumber::PathNotFound;
        return errorFromErrno(errno);
    }
    return ErrorNumber::None;
}

ErrorNumber PosixFileSystem::renameFile(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) return errorFromErrno(errno);
    return ErrorNumber::None;
}

ErrorNumber PosixFileSystem::listFolder(const std::string& path, std::vector<std::string>& names) const {
    names.clear();
    std::unique_ptr<DIR, int (*)(DIR*)> dir{::opendir(path.c_str()), ::closedir};
    if (!dir) return errno == ENOENT ? ErrorNumber::PathNotFound : errorFromErrno(errno);
    while (auto* e = ::readdir(dir.get())) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        names.push_back(std::move(name));
    }
    return ErrorNumber::None;
}

}   // namespace tesk

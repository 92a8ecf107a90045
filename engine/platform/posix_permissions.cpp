// Mode bits carried from a file to the one that replaces it. Apart from the POSIX file layer, which
// handles the file contents.
#include <sys/stat.h>

#include <cerrno>

#include "platform/file_system.hpp"

namespace tesk {

ErrorNumber PosixFileSystem::copyPermissions(const std::string& from, const std::string& to) {
    struct stat st {};
    // A link or anything else that is not a plain file has no permissions worth passing on.
    if (::lstat(from.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return ErrorNumber::None;
    if (::chmod(to.c_str(), st.st_mode & 07777) != 0) return errorFromErrno(errno);
    return ErrorNumber::None;
}

}   // namespace tesk

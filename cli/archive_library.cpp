#include "cli/archive_library.hpp"

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>

namespace tesk::cli {
namespace {

template <typename Entry>
bool bind(void* handle, const char* name, Entry& entry) {
    entry = reinterpret_cast<Entry>(dlsym(handle, name));
    return entry != nullptr;
}

const ArchiveLibrary* load() {
    void* handle = dlopen(archiveLibraryFile().c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return nullptr;
    static ArchiveLibrary lib{};
    const bool complete =
        bind(handle, "archive_read_new", lib.read_new) && bind(handle, "archive_read_free", lib.read_free) &&
        bind(handle, "archive_read_support_filter_gzip", lib.support_filter_gzip) &&
        bind(handle, "archive_read_support_filter_bzip2", lib.support_filter_bzip2) &&
        bind(handle, "archive_read_support_filter_xz", lib.support_filter_xz) &&
        bind(handle, "archive_read_support_filter_lzma", lib.support_filter_lzma) &&
        bind(handle, "archive_read_support_filter_zstd", lib.support_filter_zstd) &&
        bind(handle, "archive_read_support_format_zip", lib.support_format_zip) &&
        bind(handle, "archive_read_support_format_tar", lib.support_format_tar) &&
        bind(handle, "archive_read_support_format_7zip", lib.support_format_7zip) &&
        bind(handle, "archive_read_open_filename", lib.open_filename) &&
        bind(handle, "archive_read_next_header", lib.next_header) && bind(handle, "archive_read_data", lib.read_data) &&
        bind(handle, "archive_error_string", lib.error_string) &&
        bind(handle, "archive_entry_pathname", lib.entry_pathname) &&
        bind(handle, "archive_entry_pathname_utf8", lib.entry_pathname_utf8) &&
        bind(handle, "archive_entry_size_is_set", lib.entry_size_is_set) &&
        bind(handle, "archive_entry_size", lib.entry_size) && bind(handle, "archive_entry_filetype", lib.entry_filetype) &&
        bind(handle, "archive_entry_hardlink", lib.entry_hardlink);
    if (!complete) {
        dlclose(handle);
        return nullptr;
    }
    return &lib;
}

}  // namespace

std::string archiveLibraryFile() {
    const char* chosen = std::getenv("TESK_LIBARCHIVE");
    return chosen != nullptr && *chosen != '\0' ? chosen : "libarchive.so.13";
}

const ArchiveLibrary* archiveLibrary() {
    static std::once_flag once;
    static const ArchiveLibrary* loaded = nullptr;
    std::call_once(once, [] { loaded = load(); });
    return loaded;
}

}  // namespace tesk::cli

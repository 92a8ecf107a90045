#include "cli/archive_library.hpp"

#include "platform/optional_library.hpp"

namespace tesk::cli {
namespace {

const ArchiveLibrary* load() {
    OptionalLibrary library{archiveLibraryFile()};
    static ArchiveLibrary lib{};
    library.bind("archive_read_new", lib.read_new)
        .bind("archive_read_free", lib.read_free)
        .bind("archive_read_support_filter_gzip", lib.support_filter_gzip)
        .bind("archive_read_support_filter_bzip2", lib.support_filter_bzip2)
        .bind("archive_read_support_filter_xz", lib.support_filter_xz)
        .bind("archive_read_support_filter_lzma", lib.support_filter_lzma)
        .bind("archive_read_support_filter_zstd", lib.support_filter_zstd)
        .bind("archive_read_support_format_zip", lib.support_format_zip)
        .bind("archive_read_support_format_tar", lib.support_format_tar)
        .bind("archive_read_support_format_7zip", lib.support_format_7zip)
        .bind("archive_read_open_filename", lib.open_filename)
        .bind("archive_read_next_header", lib.next_header)
        .bind("archive_read_data", lib.read_data)
        .bind("archive_error_string", lib.error_string)
        .bind("archive_entry_pathname", lib.entry_pathname)
        .bind("archive_entry_pathname_utf8", lib.entry_pathname_utf8)
        .bind("archive_entry_size_is_set", lib.entry_size_is_set)
        .bind("archive_entry_size", lib.entry_size)
        .bind("archive_entry_filetype", lib.entry_filetype)
        .bind("archive_entry_hardlink", lib.entry_hardlink);
    if (!library.complete()) return nullptr;
    library.keep();
    return &lib;
}

}   // namespace

std::string archiveLibraryFile() { return libraryFile("TESK_LIBARCHIVE", "libarchive.so.13"); }

const ArchiveLibrary* archiveLibrary() { return loadOnce(load); }

}   // namespace tesk::cli

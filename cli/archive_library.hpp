// libarchive is loaded on first use rather than linked: it brings libxml2 and ICU along, which
// would cost every start of the command about 1.1 ms, also the many that read no archive.
#pragma once

#include <archive.h>
#include <archive_entry.h>

#include <string>

namespace tesk::cli {

// The libarchive entries the archive reader calls.
struct ArchiveLibrary {
    decltype(&archive_read_new) read_new;
    decltype(&archive_read_free) read_free;
    decltype(&archive_read_support_filter_gzip) support_filter_gzip;
    decltype(&archive_read_support_filter_bzip2) support_filter_bzip2;
    decltype(&archive_read_support_filter_xz) support_filter_xz;
    decltype(&archive_read_support_filter_lzma) support_filter_lzma;
    decltype(&archive_read_support_filter_zstd) support_filter_zstd;
    decltype(&archive_read_support_format_zip) support_format_zip;
    decltype(&archive_read_support_format_tar) support_format_tar;
    decltype(&archive_read_support_format_7zip) support_format_7zip;
    decltype(&archive_read_open_filename) open_filename;
    decltype(&archive_read_next_header) next_header;
    decltype(&archive_read_data) read_data;
    decltype(&archive_error_string) error_string;
    decltype(&archive_entry_pathname) entry_pathname;
    decltype(&archive_entry_pathname_utf8) entry_pathname_utf8;
    decltype(&archive_entry_size_is_set) entry_size_is_set;
    decltype(&archive_entry_size) entry_size;
    decltype(&archive_entry_filetype) entry_filetype;
    decltype(&archive_entry_hardlink) entry_hardlink;
};

// The loaded library, or null when it cannot be loaded or lacks an entry. Loaded once per process,
// on the first call, from any thread; never unloaded.
const ArchiveLibrary* archiveLibrary();

// The file it is loaded from: libarchive.so.13, or what the environment variable TESK_LIBARCHIVE
// names.
std::string archiveLibraryFile();

}   // namespace tesk::cli

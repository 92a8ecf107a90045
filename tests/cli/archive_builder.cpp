#include "cli/archive_builder.hpp"

#include <stdexcept>

#include <archive.h>
#include <archive_entry.h>

namespace tesk::test {

void writeArchive(const std::filesystem::path& file, ArchiveKind kind, const std::vector<ArchiveEntry>& entries) {
    archive* a = archive_write_new();
    switch (kind) {
        case ArchiveKind::Zip: archive_write_set_format_zip(a); break;
        case ArchiveKind::Tar: archive_write_set_format_pax_restricted(a); break;
        case ArchiveKind::TarGz:
            archive_write_set_format_pax_restricted(a);
            archive_write_add_filter_gzip(a);
            break;
        case ArchiveKind::SevenZip: archive_write_set_format_7zip(a); break;
    }
    if (archive_write_open_filename(a, file.c_str()) != ARCHIVE_OK) throw std::runtime_error(archive_error_string(a));
    for (const auto& e : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.name.c_str());
        archive_entry_set_perm(entry, 0644);
        if (!e.linkTarget.empty()) {
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_symlink(entry, e.linkTarget.c_str());
            archive_entry_set_size(entry, 0);
        } else {
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_size(entry, static_cast<la_int64_t>(e.data.size()));
        }
        if (archive_write_header(a, entry) != ARCHIVE_OK) throw std::runtime_error(archive_error_string(a));
        if (!e.data.empty()) archive_write_data(a, e.data.data(), e.data.size());
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
}

}   // namespace tesk::test

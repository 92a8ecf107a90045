// Writes archives for tests through libarchive's writer: files, links and names no extractor
// should trust.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/prc_builder.hpp"

namespace tesk::test {

enum class ArchiveKind { Zip, Tar, TarGz, SevenZip };

struct ArchiveEntry {
    std::string name;
    Bytes data;
    std::string linkTarget;   // non-empty: a symbolic link to it, no data
};

void writeArchive(const std::filesystem::path& file, ArchiveKind kind, const std::vector<ArchiveEntry>& entries);

}   // namespace tesk::test

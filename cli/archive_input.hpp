// Archives of Palm software (.zip, .tar with or without gzip, bzip2, xz or zstd, .7z) read
// through libarchive member by member, never unpacked to disk. Member names never become paths
// of their own: they only name the folders below the output folder (see outputFolders), and a
// name that climbs out of the archive ("..") or a link is refused.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/batch.hpp"
#include "cli/report.hpp"

namespace tesk::cli {

// False in a build without libarchive (the Windows build), or where it cannot be loaded. Asking
// loads it (it is loaded on first use: cli/archive_library.hpp).
bool archivesAvailable();

// The endings a folder walk takes for archives: .zip, .tar, .tar.gz, .tgz, .tar.bz2, .tbz2,
// .tar.xz, .txz, .tar.zst, .7z (any letter case).
bool hasArchiveExtension(const std::filesystem::path& path);
// The archive's name without those endings ("collection" for collection.tar.gz): the folder
// its databases go to.
std::string archiveStem(const std::filesystem::path& path);

// The members of `archive` a batch takes, appended to `found` with their folders below `home`
// (home/PATH-INSIDE; home is normally ARCHIVE-NAME at the archive's place): .prc and .pdb
// members, and .palm members that hold a bitmap family. Returns false when the file is not an archive libarchive reads
// (nothing is appended); a damaged archive is a problem, and the members before the damage are taken.
bool listArchive(const std::filesystem::path& archive, const std::filesystem::path& home, std::vector<Input>& found,
                 std::vector<Failure>& problems);

// Memory that archive members may hold at once while they wait for and go through their runs:
// a member is read only while the others hold less than this together, or when it is alone.
inline constexpr std::uint64_t kMemberMemoryBudget = 256u << 20;

// A member's bytes and the share of the budget they hold until it is dropped.
struct MemberBytes {
    std::vector<std::uint8_t> bytes;
    std::shared_ptr<void> budgetShare;   // gives the memory back when the last copy goes
};

// Hands the members a batch wants to its workers. Each archive is read once from its first
// member to the last one wanted; a worker asking for a member the reader has not reached yet
// reads on (the members it passes are kept for the workers that asked for them, who are at most
// the other workers, since members are asked for in input order).
class ArchiveMembers {
public:
    explicit ArchiveMembers(const std::vector<Input>& inputs);
    ~ArchiveMembers();
    ArchiveMembers(const ArchiveMembers&) = delete;
    ArchiveMembers& operator=(const ArchiveMembers&) = delete;

    // The bytes of an archive member; nothing, and `failure` filled in, when they cannot be read.
    std::optional<MemberBytes> take(const Input& member, Failure& failure);

    class Budget;
    class Stream;

private:
    std::unique_ptr<Budget> budget_;
    std::map<std::filesystem::path, std::unique_ptr<Stream>> streams_;
};

}   // namespace tesk::cli

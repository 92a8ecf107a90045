// A build without libarchive (the Windows build): no file is an archive, so archives are read as
// any other file and refused as not a Palm database.
#include "cli/archive_input.hpp"

namespace tesk::cli {

class ArchiveMembers::Budget {};
class ArchiveMembers::Stream {};

bool archivesAvailable() { return false; }
bool hasArchiveExtension(const std::filesystem::path&) { return false; }
std::string archiveStem(const std::filesystem::path& path) { return path.stem().string(); }
bool listArchive(const std::filesystem::path&, const std::filesystem::path&, std::vector<Input>&,
                 std::vector<Failure>&) {
    return false;
}

ArchiveMembers::ArchiveMembers(const std::vector<Input>&) {}
ArchiveMembers::~ArchiveMembers() = default;

std::optional<MemberBytes> ArchiveMembers::take(const Input& member, Failure& failure) {
    failure = member.unreadable.value_or(makeFailure({}, {}, number::memberNotRead, "this build reads no archives"));
    return std::nullopt;
}

}   // namespace tesk::cli

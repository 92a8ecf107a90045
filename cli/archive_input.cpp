#include "cli/archive_input.hpp"

#include <algorithm>
#include <fstream>
#include <set>

#include <fmt/format.h>

#include "cli/archive_library.hpp"
#include "cli/standalone_bitmap.hpp"
#include "driver/palm_database.hpp"

namespace tesk::cli {
namespace fs = std::filesystem;

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

constexpr std::string_view kCompressedTars[] = {".tgz", ".tbz2", ".txz"};
constexpr std::string_view kCompressions[] = {".gz", ".bz2", ".xz", ".zst"};

// "x.tar.gz" -> ".tar.gz", "x.zip" -> ".zip", anything else -> "".
std::string archiveEnding(const fs::path& path) {
    const auto name = lower(path.filename().string());
    auto endsWith = [&](std::string_view e) { return name.size() > e.size() && name.ends_with(e); };
    for (auto e : {".zip", ".tar", ".7z"})
        if (endsWith(e)) return e;
    for (auto e : kCompressedTars)
        if (endsWith(e)) return std::string(e);
    for (auto c : kCompressions)
        if (auto e = ".tar" + std::string(c); endsWith(e)) return e;
    return {};
}

// The first bytes of the kinds read here: zip (a member or an empty archive), 7z, the compressions
// of a tar, and a tar's own "ustar" at 257. Asked before libarchive, so a database named on the
// command line is never handed to an archive reader.
bool looksLikeArchive(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    char head[263] = {};
    in.read(head, sizeof head);
    const std::string_view h(head, static_cast<std::size_t>(in.gcount()));
    for (std::string_view magic :
         {std::string_view("PK\3\4", 4), std::string_view("PK\5\6", 4), std::string_view("7z\xBC\xAF\x27\x1C", 6),
          std::string_view("\x1F\x8B", 2), std::string_view("BZh", 3),
          std::string_view("\xFD"
                           "7zXZ\0",
                           6),
          std::string_view("\x28\xB5\x2F\xFD", 4)})
        if (h.starts_with(magic)) return true;
    return h.size() >= 262 && h.substr(257, 5) == "ustar";
}

// One archive opened for reading, member by member.
// Only made once archiveLibrary() has loaded.
class Reader {
public:
    Reader() : lib_(*archiveLibrary()), a_(lib_.read_new()) {
        lib_.support_filter_gzip(a_);
        lib_.support_filter_bzip2(a_);
        lib_.support_filter_xz(a_);
        lib_.support_filter_lzma(a_);
        lib_.support_filter_zstd(a_);
        lib_.support_format_zip(a_);
        lib_.support_format_tar(a_);
        lib_.support_format_7zip(a_);
    }
    ~Reader() { lib_.read_free(a_); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // False when the file cannot be opened or is no archive of a kind read here.
    bool open(const fs::path& path) { return lib_.open_filename(a_, path.c_str(), 64 * 1024) == ARCHIVE_OK; }

    struct Header {
        std::string name;
        std::optional<std::uint64_t> size;
        bool regular = false;
        bool link = false;
    };
    // The next member's header; false at the end, and with `failure` set when the archive
    // could not be read on.
    bool next(Header& h, std::optional<Failure>& failure, const fs::path& archive) {
        archive_entry* entry = nullptr;
        const int r = lib_.next_header(a_, &entry);
        if (r == ARCHIVE_EOF) return false;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
            failure = makeFailure(archive.string(), {}, number::damagedArchive, errorText());
            return false;
        }
        const char* name = lib_.entry_pathname(entry);
        if (name == nullptr) name = lib_.entry_pathname_utf8(entry);
        h.name = name != nullptr ? name : "";
        h.size = lib_.entry_size_is_set(entry) && lib_.entry_size(entry) >= 0
                     ? std::optional<std::uint64_t>(static_cast<std::uint64_t>(lib_.entry_size(entry)))
                     : std::nullopt;
        h.link = lib_.entry_filetype(entry) == AE_IFLNK || lib_.entry_hardlink(entry) != nullptr;
        h.regular = !h.link && lib_.entry_filetype(entry) == AE_IFREG;
        return true;
    }

    // The current member's bytes, at most `cap` of them (reading stops one chunk past it, so a
    // member that expands without end is never held whole). `charge` is told of every chunk
    // before it is kept.
    enum class Read { Whole, TooLarge, Failed };
    template <class Charge>
    Read data(std::uint64_t cap, std::vector<std::uint8_t>& out, Charge&& charge) {
        out.clear();
        out.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(cap, 1u << 20)));
        std::uint8_t chunk[64 * 1024];
        for (;;) {
            const auto n = lib_.read_data(a_, chunk, sizeof chunk);
            if (n == 0) return Read::Whole;
            if (n < 0) return Read::Failed;
            if (out.size() + static_cast<std::uint64_t>(n) > cap) return Read::TooLarge;
            charge(static_cast<std::uint64_t>(n));
            out.insert(out.end(), chunk, chunk + n);
        }
    }

    std::string errorText() const {
        const char* text = lib_.error_string(a_);
        return text != nullptr ? text : "the archive cannot be read";
    }

private:
    const ArchiveLibrary& lib_;
    archive* a_;
};

const std::string kTooLarge = fmt::format(
    "larger than {} GiB, the largest database the reader takes: a resource table's 32-bit offsets reach no further",
    kLargestDatabaseBytes >> 30);

// Reads the current member with the cap its header and the reader's limit give it, so a member
// that inflates past what it declares (a zip bomb) is stopped there; nothing and
// a failure when it cannot be had whole.
template <class Charge>
std::optional<Failure> readMember(Reader& reader, const Reader::Header& h, std::vector<std::uint8_t>& out,
                                  Charge&& charge) {
    constexpr auto limit = kLargestDatabaseBytes;
    if (h.size && *h.size > limit)
        return makeFailure({}, {}, number::memberNotRead, fmt::format("it declares {} bytes: {}", *h.size, kTooLarge));
    const auto cap = h.size ? *h.size : limit;
    switch (reader.data(cap, out, charge)) {
        case Reader::Read::Whole: return std::nullopt;
        case Reader::Read::TooLarge:
            out.clear();
            out.shrink_to_fit();
            return makeFailure(
                {}, {}, number::memberNotRead,
                h.size ? fmt::format("it holds more than the {} bytes it declares", *h.size) : kTooLarge);
        case Reader::Read::Failed: break;
    }
    out.clear();
    out.shrink_to_fit();
    return makeFailure({}, {}, number::damagedArchive, reader.errorText());
}

// The folders of a member's name, or nothing when the name climbs out of the archive. A leading
// "/" (an absolute name) and "." parts are dropped, as tar does.
std::optional<std::vector<std::string>> memberParts(std::string_view name) {
    std::vector<std::string> parts;
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && name[i] != '/') continue;
        const auto part = name.substr(begin, i - begin);
        begin = i + 1;
        if (part == "..") return std::nullopt;
        if (!part.empty() && part != ".") parts.emplace_back(part);
    }
    return parts;
}

enum class Wanted { No, Database, Palm };

Wanted wantedByName(const std::string& leaf) {
    const auto ext = lower(fs::path(leaf).extension().string());
    if (ext == ".prc" || ext == ".pdb") return Wanted::Database;
    if (ext == ".palm") return Wanted::Palm;
    return Wanted::No;
}

}   // namespace

bool archivesAvailable() { return archiveLibrary() != nullptr; }

bool hasArchiveExtension(const fs::path& path) { return !archiveEnding(path).empty(); }

std::string archiveStem(const fs::path& path) {
    auto name = path.filename().string();
    const auto ending = archiveEnding(path);
    if (!ending.empty()) return name.substr(0, name.size() - ending.size());
    return path.stem().string();
}

bool listArchive(const fs::path& archive, const fs::path& home, std::vector<Input>& found,
                 std::vector<Failure>& problems) {
    if (!hasArchiveExtension(archive) && !looksLikeArchive(archive)) return false;
    if (!archivesAvailable()) {
        problems.push_back(makeFailure(archive.string(), {}, toInt(ErrorNumber::FileNotFound),
                                       fmt::format("archives need {}, which cannot be loaded", archiveLibraryFile())));
        return true;
    }
    Reader reader;
    if (!reader.open(archive)) {
        // Named like an archive and there: a damaged one, in libarchive's words.
        std::error_code ec;
        if (!hasArchiveExtension(archive) || !fs::is_regular_file(archive, ec)) return false;
        problems.push_back(makeFailure(archive.string(), {}, number::damagedArchive, reader.errorText()));
        return true;
    }
    Reader::Header h;
    std::optional<Failure> damage;
    for (std::size_t ordinal = 0; reader.next(h, damage, archive); ++ordinal) {
        auto parts = memberParts(h.name);
        const auto leaf = parts && !parts->empty() ? parts->back() : fs::path(h.name).filename().string();
        const auto wanted = wantedByName(leaf);
        if (wanted == Wanted::No || (!h.regular && !h.link)) continue;
        Input in{archive, home, h.name, ordinal};
        auto refuse = [&](std::string_view why) {
            in.unreadable = makeFailure({}, {}, number::memberNotRead, why);
            found.push_back(std::move(in));
        };
        if (h.link) {
            refuse("a link in the archive, which is not followed");
            continue;
        }
        if (!parts) {
            refuse("its name climbs out of the archive (\"..\")");
            continue;
        }
        if (wanted == Wanted::Palm) {
            // Taken only when it holds a bitmap family, as in a folder.
            std::vector<std::uint8_t> bytes;
            if (readMember(reader, h, bytes, [](std::uint64_t) {}) || !isStandaloneBitmap(bytes)) continue;
        } else if (h.size && *h.size > kLargestDatabaseBytes) {
            refuse(fmt::format("it declares {} bytes: {}", *h.size, kTooLarge));
            continue;
        }
        parts->pop_back();
        for (const auto& p : *parts) in.folder /= p;
        found.push_back(std::move(in));
    }
    if (damage) problems.push_back(std::move(*damage));
    return true;
}

class ArchiveMembers::Budget {
public:
    explicit Budget(std::uint64_t limit) : limit_(limit) {}

    // Waits while other members hold memory and n more bytes would pass the budget.
    void charge(std::uint64_t& share, std::uint64_t n) {
        std::unique_lock lock{mutex_};
        freed_.wait(lock, [&] { return inUse_ == share || inUse_ + n <= limit_; });
        inUse_ += n;
        share += n;
    }
    void giveBack(std::uint64_t n) {
        {
            std::lock_guard lock{mutex_};
            inUse_ -= n;
        }
        freed_.notify_all();
    }

private:
    const std::uint64_t limit_;
    std::mutex mutex_;
    std::condition_variable freed_;
    std::uint64_t inUse_ = 0;
};

class ArchiveMembers::Stream {
public:
    Stream(fs::path archive, Budget& budget) : archive_(std::move(archive)), budget_(budget) {}
    void want(std::size_t ordinal) { wanted_.insert(ordinal); }

    std::optional<MemberBytes> take(std::size_t ordinal, Failure& failure) {
        std::unique_lock lock{mutex_};
        for (;;) {
            if (auto it = ready_.find(ordinal); it != ready_.end()) {
                auto result = std::move(it->second);
                ready_.erase(it);
                if (!result.bytes) failure = result.failure;
                return std::move(result.bytes);
            }
            if (reading_) {   // the reader may bring it
                readDone_.wait(lock);
                continue;
            }
            if (broken_ || ordinal < nextOrdinal_) {
                failure = broken_.value_or(makeFailure({}, {}, number::damagedArchive, "the member was read already"));
                return std::nullopt;
            }
            reading_ = true;
            lock.unlock();
            readNextWanted();
            lock.lock();
            reading_ = false;
            readDone_.notify_all();
        }
    }

private:
    struct Result {
        std::optional<MemberBytes> bytes;
        Failure failure;
    };

    // Reads on to the next member someone wants; called by one worker at a time, which alone
    // touches the reader and the ordinal meanwhile.
    void readNextWanted() {
        auto fail = [&](std::string_view why) {
            std::lock_guard lock{mutex_};
            broken_ = makeFailure({}, {}, number::damagedArchive, why);
            reader_.reset();
        };
        if (!reader_) {
            reader_ = std::make_unique<Reader>();
            if (!reader_->open(archive_)) return fail(reader_->errorText());
        }
        Reader::Header h;
        std::optional<Failure> damage;
        while (reader_->next(h, damage, archive_)) {
            const auto ordinal = nextOrdinal_++;
            if (!wanted_.contains(ordinal)) continue;
            Result result;
            std::vector<std::uint8_t> bytes;
            std::uint64_t share = 0;
            auto charge = [&](std::uint64_t n) { budget_.charge(share, n); };
            if (auto f = readMember(*reader_, h, bytes, charge)) {
                budget_.giveBack(share);
                result.failure = std::move(*f);
            } else {
                Budget* budget = &budget_;
                result.bytes =
                    MemberBytes{std::move(bytes),
                                std::shared_ptr<void>(nullptr, [budget, share](void*) { budget->giveBack(share); })};
            }
            std::lock_guard lock{mutex_};
            ready_.emplace(ordinal, std::move(result));
            if (ordinal == *wanted_.rbegin()) reader_.reset();   // nothing more to read: close it
            return;
        }
        std::lock_guard lock{mutex_};
        if (damage) damage->resource.clear();   // the line names the member already
        broken_ = damage ? std::move(*damage)
                         : makeFailure({}, {}, number::damagedArchive,
                                       "it ends before the member: it changed while it was read");
        reader_.reset();
    }

    const fs::path archive_;
    Budget& budget_;
    std::set<std::size_t> wanted_;
    std::mutex mutex_;
    std::condition_variable readDone_;
    bool reading_ = false;
    std::unique_ptr<Reader> reader_;   // touched only by the worker that reads
    std::size_t nextOrdinal_ = 0;
    std::map<std::size_t, Result> ready_;
    std::optional<Failure> broken_;
};

ArchiveMembers::ArchiveMembers(const std::vector<Input>& inputs)
    : budget_(std::make_unique<Budget>(kMemberMemoryBudget)) {
    for (const auto& in : inputs) {
        if (!in.inArchive() || in.unreadable) continue;
        auto& stream = streams_[in.path];
        if (!stream) stream = std::make_unique<Stream>(in.path, *budget_);
        stream->want(in.ordinal);
    }
}

ArchiveMembers::~ArchiveMembers() = default;

std::optional<MemberBytes> ArchiveMembers::take(const Input& member, Failure& failure) {
    auto it = streams_.find(member.path);
    if (it == streams_.end()) {
        failure = member.unreadable.value_or(makeFailure({}, {}, number::memberNotRead, "not an archive member"));
        return std::nullopt;
    }
    return it->second->take(member.ordinal, failure);
}

}   // namespace tesk::cli

// A Palm OS database file loaded whole: its header and resource table in host order, and each
// resource's bytes as a view into the one in-memory copy.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error_number.hpp"
#include "platform/file_system.hpp"

namespace tesk {

inline constexpr std::size_t kDatabaseHeaderSize = 78;
inline constexpr std::size_t kResourceEntrySize = 10;
// The largest file the reader takes whole into memory: 4 GiB. A table entry addresses its data
// with a 32-bit offset, so no resource of a larger file could start in what lies beyond; a file
// that size is not a Palm database, and reading it would only hold gigabytes for nothing.
inline constexpr std::uint64_t kLargestDatabaseBytes = std::uint64_t{1} << 32;

struct PalmDatabaseHeader {
    std::array<char, 32> name{};     // +0x00 NUL-padded
    std::int16_t attributes = 0;     // +0x20 bit 0x0001: resource database
    std::int16_t version = 0;        // +0x22
    std::array<char, 4> type{};      // +0x3C
    std::array<char, 4> creator{};   // +0x40
    std::uint16_t entryCount = 0;    // +0x4C unsigned: the count is a limit, not a sign

    // The first 31 name bytes up to the first NUL.
    std::string displayName() const;
    std::string typeText() const { return {type.data(), type.size()}; }
    std::string creatorText() const { return {creator.data(), creator.size()}; }
};

struct ResourceEntry {
    std::array<char, 4> type{};   // +0 compared exactly
    std::uint16_t id = 0;         // +4
    std::uint32_t offset = 0;     // +6 from the start of the file

    std::string typeText() const { return {type.data(), type.size()}; }
};

class PalmDatabase {
public:
    // Reads the file in one piece. A file that cannot be read, or is shorter than the header,
    // leaves the missing header bytes zero (and so is refused as unsupported); the failure
    // number is returned for the caller's lastIoError; a file above kLargestDatabaseBytes is
    // not read (7, out of memory). Entries that do not lie wholly inside the file are not part of
    // the table.
    ErrorNumber load(const FileSystem& fs, const std::string& path);

    // Takes bytes already in memory (tests, fuzzing).
    void loadBytes(std::vector<std::uint8_t> bytes);

    bool IsSupported() const;
    // Why a file is not supported, in a few words; empty when it is.
    std::string_view unsupportedReason() const;

    // The byte range of entry i (0-based): from its offset up to the next entry's offset, the
    // last one to the end of the file. A range that runs backwards or starts outside the file
    // yields no data; one that runs past the end is cut at the end. `fault` says which.
    enum class Fault { None, StartsPastEnd, RunsPastEnd, RunsBackwards };
    struct Range {
        std::size_t first = 0;   // 0-based offset into the file bytes
        std::size_t size = 0;
        Fault fault = Fault::None;
    };
    Range ResourceRange(std::size_t i) const;
    std::span<const std::uint8_t> ResourceView(std::size_t i) const;

    const PalmDatabaseHeader& header() const { return header_; }
    const std::vector<ResourceEntry>& entries() const { return entries_; }
    std::span<const std::uint8_t> fileBytes() const { return bytes_; }
    std::int64_t fileSize() const { return static_cast<std::int64_t>(bytes_.size()); }
    void clear();

    // What of the header or table the file lacks, in a few words; empty when it is whole.
    std::string tableFault() const;
    // A fault of a range in a few words, for reports; empty for none.
    static std::string_view describe(Fault fault);

private:
    void parse();

    std::vector<std::uint8_t> bytes_;
    PalmDatabaseHeader header_;
    std::vector<ResourceEntry> entries_;
};

}   // namespace tesk

#include "driver/palm_database.hpp"

#include <algorithm>
#include <cstring>

#include <fmt/format.h>

#include "platform/byte_reader.hpp"

namespace tesk {

std::string PalmDatabaseHeader::displayName() const {
    auto end = std::find(name.begin(), name.begin() + 31, '\0');
    return {name.begin(), end};
}

void PalmDatabase::clear() {
    bytes_.clear();
    bytes_.shrink_to_fit();
    header_ = {};
    entries_.clear();
}

ErrorNumber PalmDatabase::load(const FileSystem& fs, const std::string& path) {
    clear();
    auto e =
        fs.readFile(path, bytes_, static_cast<std::size_t>(std::min<std::uint64_t>(kLargestDatabaseBytes, SIZE_MAX)));
    if (e != ErrorNumber::None) bytes_.clear();
    parse();
    return e;
}

void PalmDatabase::loadBytes(std::vector<std::uint8_t> bytes) {
    clear();
    bytes_ = std::move(bytes);
    parse();
}

void PalmDatabase::parse() {
    ByteReader in{bytes_};
    auto copyChars = [&](char* dst, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) dst[i] = static_cast<char>(in.u8());
    };
    copyChars(header_.name.data(), 32);                          // +0x00 name
    header_.attributes = static_cast<std::int16_t>(in.be16());   // +0x20 attributes
    header_.version = static_cast<std::int16_t>(in.be16());      // +0x22 version
    in.skip(24);                                                 // +0x24 dates, modification number, info offsets
    copyChars(header_.type.data(), 4);                           // +0x3C type
    copyChars(header_.creator.data(), 4);                        // +0x40 creator
    in.skip(8);                                                  // +0x44 unique ID seed, next record list
    header_.entryCount = in.be16();                              // +0x4C entry count

    std::size_t whole =
        bytes_.size() < kDatabaseHeaderSize ? 0 : (bytes_.size() - kDatabaseHeaderSize) / kResourceEntrySize;
    std::size_t count = std::min<std::size_t>(header_.entryCount, whole);
    entries_.resize(count);
    for (auto& entry : entries_) {
        copyChars(entry.type.data(), 4);   // +0 type
        entry.id = in.be16();              // +4 ID
        entry.offset = in.be32();          // +6 offset
    }
}

bool PalmDatabase::IsSupported() const { return unsupportedReason().empty(); }

std::string_view PalmDatabase::unsupportedReason() const {
    if ((header_.attributes & 0x0001) == 0) return "not a Palm resource database";
    if (std::memcmp(header_.creator.data(), "clpr", 4) == 0) return "databases of creator \"clpr\" are not read";
    return {};
}

std::string PalmDatabase::tableFault() const {
    if (bytes_.size() < kDatabaseHeaderSize)
        return fmt::format("the file ends inside its {}-byte header", kDatabaseHeaderSize);
    if (entries_.size() < header_.entryCount)
        return fmt::format("the resource table lists {} entries, the file holds {}", header_.entryCount,
                           entries_.size());
    return {};
}

std::string_view PalmDatabase::describe(Fault fault) {
    switch (fault) {
        case Fault::None: break;
        case Fault::StartsPastEnd: return "its data lies outside the file";
        case Fault::RunsPastEnd: return "its data runs past the end of the file";
        case Fault::RunsBackwards: return "the next entry's data starts before its own: it has none";
    }
    return {};
}

PalmDatabase::Range PalmDatabase::ResourceRange(std::size_t i) const {
    if (i >= entries_.size()) return {};
    const std::size_t first = entries_[i].offset;
    const std::size_t declaredEnd = i + 1 < entries_.size() ? std::size_t{entries_[i + 1].offset} : bytes_.size();
    const std::size_t size = bytes_.size();
    if (first > size) return {size, 0, Fault::StartsPastEnd};
    if (declaredEnd < first) return {first, 0, Fault::RunsBackwards};
    if (declaredEnd > size) return {first, size - first, first == size ? Fault::StartsPastEnd : Fault::RunsPastEnd};
    return {first, declaredEnd - first, Fault::None};
}

std::span<const std::uint8_t> PalmDatabase::ResourceView(std::size_t i) const {
    auto r = ResourceRange(i);
    return ByteReader{bytes_, r.first}.takeUpTo(r.size);
}

}   // namespace tesk

#include "cli/standalone_bitmap.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include <fmt/format.h>

#include "bitmap/bitmap_header.hpp"
#include "driver/palm_database.hpp"
#include "platform/byte_reader.hpp"
#include "platform/paths.hpp"

namespace tesk::cli {
namespace {

// Palm bitmaps are screen-sized: a side of 8,192 pixels or more is not one. The bound also keeps
// every database with a printable name out, whose first two name bytes would be the width.
constexpr std::int32_t kLargestSide = 8191;
constexpr std::size_t kLongestName = 200;   // room for "-16-d144.jpg" within a 255-byte file name

constexpr std::array<std::uint8_t, 4> kRefusedCreator = {'c', 'l', 'p', 'r'};

// A resource database as the reader takes it, with every entry's data inside the file. A bitmap
// file passes this only by a rare accident of its pixel bytes, so it is asked first.
bool isWellFormedDatabase(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kDatabaseHeaderSize) return false;
    if ((ReadBigEndian16(bytes, 32) & 0x0001) == 0 || ByteReader{bytes, 64}.startsWith(kRefusedCreator)) return false;
    const std::size_t count = static_cast<std::uint16_t>(ReadBigEndian16(bytes, 76));
    const std::size_t tableEnd = kDatabaseHeaderSize + count * kResourceEntrySize;
    if (count == 0 || tableEnd > bytes.size()) return false;
    std::uint32_t previous = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const auto offset = ReadBigEndian32(bytes, kDatabaseHeaderSize + i * kResourceEntrySize + 6);
        if (offset < tableEnd || offset > bytes.size() || offset < previous) return false;
        previous = offset;
    }
    return true;
}

bool plausible(const BitmapHeader& h, std::size_t fileSize) {
    const auto& b = h.fields;
    const int depth = b.pixelSize == 0 ? 1 : b.pixelSize;
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16) return false;
    if (b.version == 0 && depth != 1) return false;
    if (b.width < 1 || b.height < 1 || b.width > kLargestSide || b.height > kLargestSide) return false;
    const std::int64_t minimumRow = (std::int64_t{b.width} * depth + 7) / 8;
    if (b.rowBytes < minimumRow || b.rowBytes > 2 * minimumRow + 16) return false;
    if (b.version >= 2 && h.compressionType > 2 && h.compressionType != 0xFF) return false;
    if (b.version == 3) {
        if (h.headerSize != 24) return false;
        const auto d = b.density;
        if (d != 72 && d != 108 && d != 144 && d != 216 && d != 288) return false;
    }
    const std::size_t data = h.dataOffset;
    if (pixelStorage(b) != PixelStorage::Uncompressed)
        return data + (b.version == 3 ? 4 : 2) <= fileSize;   // at least the stream's size field
    return data + static_cast<std::size_t>(b.rowBytes) * static_cast<std::size_t>(b.height) <= fileSize;
}

void putBe16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v >> 8);
    b[at + 1] = static_cast<std::uint8_t>(v);
}

void putBe32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    putBe16(b, at, static_cast<std::uint16_t>(v >> 16));
    putBe16(b, at + 2, static_cast<std::uint16_t>(v));
}

}   // namespace

bool isStandaloneBitmap(std::span<const std::uint8_t> bytes) {
    if (isWellFormedDatabase(bytes)) return false;
    const auto family = readFamilyLayout(bytes);
    return family.complete() && plausible(family.bitmaps.front(), bytes.size());
}

std::string standaloneName(std::string_view stem) {
    // Escapes only ever add "%XX", so what is left to escape afterwards is the stem's own.
    const auto escaped = escapeNameBytes(stem);
    std::string name;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        const char c = escaped[i];
        // The name table ends a value at "=" and trims its spaces; its check refuses ":".
        const bool edgeSpace = c == ' ' && (i == 0 || i + 1 == escaped.size());
        if (c == ':' || c == '=' || edgeSpace)
            name += fmt::format("%{:02X}", static_cast<unsigned char>(c));
        else
            name += c;
    }
    if (name.size() > kLongestName) {
        std::size_t cut = kLongestName;
        // Neither inside a UTF-8 character nor inside an escape.
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        if (const auto percent = name.rfind('%', cut - 1); percent != std::string::npos && percent + 3 > cut)
            cut = percent;
        name.resize(cut);
        // Nor after a space, which the name table would trim off the end.
        while (name.ends_with(' ')) name.pop_back();
    }
    return name;
}

std::vector<std::uint8_t> wrapAsDatabase(std::span<const std::uint8_t> family, std::string_view name) {
    constexpr std::size_t dataOffset = kDatabaseHeaderSize + kResourceEntrySize + 2;   // the usual 2 bytes of padding
    std::vector<std::uint8_t> db(dataOffset);
    db.reserve(dataOffset + family.size());
    std::memcpy(db.data(), name.data(), std::min<std::size_t>(name.size(), 31));
    putBe16(db, 32, 0x0001);   // a resource database
    std::memcpy(db.data() + 60, kStandaloneType.data(), 4);
    std::memcpy(db.data() + 64, kStandaloneCreator.data(), 4);
    putBe16(db, 76, 1);                                                             // one entry:
    std::memcpy(db.data() + kDatabaseHeaderSize, kStandaloneType.data(), 4);        // Tbmp, ID 0,
    putBe32(db, kDatabaseHeaderSize + 6, static_cast<std::uint32_t>(dataOffset));   // the family after the table
    db.insert(db.end(), family.begin(), family.end());
    return db;
}

std::vector<std::uint8_t> nameTableFor(std::string_view name) {
    const auto line = fmt::format("{}0000={}\r\n", kStandaloneType, name);
    return {line.begin(), line.end()};
}

std::string nameTablePathIn(const std::string& tableFolder) {
    return withTrailingSeparator(tableFolder) + escapeNameBytes(kStandaloneType) + "-" +
           escapeNameBytes(kStandaloneCreator) + ".dat";
}

}   // namespace tesk::cli

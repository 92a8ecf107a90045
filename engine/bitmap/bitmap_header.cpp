// Bitmap headers, versions 0 to 3, big- and little-endian. Mended beyond the fixed offsets: the
// colour table is read, and a 16-bit version 1 or 2 bitmap has its direct-colour block only when
// its flag says so.
#include "bitmap/bitmap_header.hpp"

#include "bitmap/conversions.hpp"
#include "platform/byte_reader.hpp"

namespace tesk {
namespace {

constexpr std::size_t kDummyBytes = 16;

// Header fields of one bitmap relative to its first byte, in the byte order its header declares.
class FieldReader {
public:
    FieldReader(std::span<const std::uint8_t> bytes, std::size_t base, bool littleEndian)
        : bytes_(bytes), base_(base), le_(littleEndian) {}
    std::uint8_t u8(std::size_t at) {
        ByteReader r{bytes_, base_ + at};
        return note(r, r.u8());
    }
    std::uint16_t u16(std::size_t at) {
        ByteReader r{bytes_, base_ + at};
        return note(r, le_ ? r.le16() : r.be16());
    }
    std::uint32_t u32(std::size_t at) {
        ByteReader r{bytes_, base_ + at};
        return note(r, le_ ? r.le32() : r.be32());
    }
    bool overran() const { return overran_; }

private:
    template <class T>
    T note(const ByteReader& r, T v) {
        overran_ |= r.overran();
        return v;
    }
    std::span<const std::uint8_t> bytes_;
    std::size_t base_;
    bool le_;
    bool overran_ = false;
};

// +10 of versions 1 and 2: the next-depth offset, a signed count of 4-byte units.
std::int64_t nextDepthOffset(FieldReader& f) { return 4 * std::int64_t{static_cast<std::int16_t>(f.u16(10))}; }

BitmapHeader ended(BitmapHeader h, HeaderRead outcome) {
    h.outcome = outcome;
    return h;
}

// The flag bits at +6; little-endian headers mirror them.
struct HeaderFlags {
    bool transparent = false;
    bool directColour = false;
};

// +0 to +6, the same in every version.
HeaderFlags readCommonFields(FieldReader& f, BitmapHeader& h) {
    auto& b = h.fields;
    const bool le = h.littleEndian;
    b.width = static_cast<std::int16_t>(f.u16(0));      // +0 width, signed
    b.height = static_cast<std::int16_t>(f.u16(2));     // +2 height, signed
    b.rowBytes = static_cast<std::int16_t>(f.u16(4));   // +4 row bytes, signed
    const std::uint8_t flags = f.u8(6);
    b.compressed = flags & (le ? 0x01 : 0x80);
    h.hasColourTable = b.version >= 1 && (flags & (le ? 0x02 : 0x40));
    return {b.version >= 2 && (flags & (le ? 0x04 : 0x20)) != 0, (flags & (le ? 0x20 : 0x04)) != 0};
}

// The fields after +6, by version; each returns the stored transparent value.
std::uint32_t readVersion1(FieldReader& f, BitmapHeader& h) {
    h.next = nextDepthOffset(f);
    return 0;
}

std::uint32_t readVersion2(FieldReader& f, BitmapHeader& h) {
    h.next = nextDepthOffset(f);
    h.compressionType = f.u8(13);   // +13 compression type
    return f.u8(12);                // +12 transparent index
}

std::uint32_t readVersion3(FieldReader& f, BitmapHeader& h) {
    h.headerSize = f.u8(10);                                   // +10 header size (the data is at 24 all the same)
    h.pixelFormat = f.u8(11);                                  // +11 pixel format (little-endian only)
    h.compressionType = f.u8(13);                              // +13 compression type
    h.fields.density = static_cast<std::int16_t>(f.u16(14));   // +14 density
    h.next = static_cast<std::int32_t>(f.u32(20));             // +20 next-bitmap offset in bytes
    return f.u32(16);                                          // +16 transparent index or 565 colour
}

// Entry count, then index, red, green, blue per entry; `data` moves past the table. False when
// the table runs past the end.
bool readColourTable(std::span<const std::uint8_t> bytes, std::size_t& data, BitmapHeader& h) {
    ByteReader in{bytes, data};
    const std::size_t entries = h.littleEndian ? in.le16() : in.be16();
    auto table = in.take(4 * entries);
    if (in.overran()) return false;
    ByteReader t{table};
    h.colourTable.reserve(entries);
    for (std::size_t i = 0; i < entries; ++i) {
        t.skip(1);   // the entry's index: entries are used by position
        const std::uint8_t red = t.u8(), green = t.u8(), blue = t.u8();
        h.colourTable.push_back({red, green, blue});
    }
    data = in.pos();
    return true;
}

// The direct-colour block of a 16-bit version 1 or 2 bitmap: component sizes, then the
// transparent colour as index, red, green, blue. False when it runs past the end.
bool readDirectColour(std::span<const std::uint8_t> bytes, std::size_t& data, BitmapHeader& h) {
    if (data + 8 > bytes.size()) return false;
    FieldReader d{bytes, data, h.littleEndian};
    const std::uint32_t v = d.u32(4);
    auto& b = h.fields;
    b.transparentBlue = scaleRed(v & 0xF8);
    b.transparentGreen = scaleGreen((v >> 8) & 0xFC);
    b.transparentRed = scaleRed((v >> 16) & 0xF8);
    data += 8;
    return true;
}

// What the transparency flag means for this depth and version.
void applyTransparency(BitmapHeader& h, bool transparent, std::uint32_t value, bool colourKnown) {
    auto& b = h.fields;
    if (transparent) {
        if (b.pixelSize == 16 && b.version == 3) {
            const Rgb c = ExpandRgb565(static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value));
            b.transparentRed = c.red;
            b.transparentGreen = c.green;
            b.transparentBlue = c.blue;
            b.transparencyKind = 2;
        } else if (b.pixelSize == 16) {
            b.transparencyKind = colourKnown ? 2 : 0;
        } else {
            b.transparencyKind = 1;
            const bool wholeValue = b.version == 3 && h.littleEndian;
            b.transparentIndex = static_cast<std::int32_t>(wholeValue ? value : value & 0xFF);
        }
    }
    if (!b.transparencyKind) b.transparentRed = b.transparentGreen = b.transparentBlue = 0;
}

}   // namespace

BitmapHeader readBitmapHeader(std::span<const std::uint8_t> bytes, std::size_t offset) {
    BitmapHeader h;
    auto& b = h.fields;
    FieldReader probe{bytes, offset, false};
    std::uint8_t pixelSize = probe.u8(8);
    if (pixelSize == 0xFF) {   // a 16-byte placeholder between densities
        offset += kDummyBytes;
        probe = FieldReader{bytes, offset, false};
        pixelSize = probe.u8(8);
    }
    h.start = offset;
    if (probe.overran()) return ended(std::move(h), HeaderRead::RanOut);
    b.pixelSize = pixelSize;
    if (pixelSize > 16) return ended(std::move(h), HeaderRead::TooDeep);
    const std::uint8_t versionByte = probe.u8(9);
    const std::uint8_t version = versionByte & 0x7F;
    b.version = version;
    if (version > 3) return ended(std::move(h), HeaderRead::UnknownVersion);
    h.littleEndian = version != 0 && (versionByte & 0x80) != 0;
    FieldReader f{bytes, offset, h.littleEndian};
    const std::size_t headerBytes = version == 3 ? 24 : 16;
    if (offset + headerBytes > bytes.size()) return ended(std::move(h), HeaderRead::RanOut);

    const HeaderFlags flags = readCommonFields(f, h);
    b.density = 72;
    std::uint32_t transparentValue = 0;
    switch (version) {
        case 0: break;
        case 1: transparentValue = readVersion1(f, h); break;
        case 2: transparentValue = readVersion2(f, h); break;
        default: transparentValue = readVersion3(f, h); break;
    }
    if (!h.littleEndian) h.pixelFormat = 0;
    b.compressionKind = h.compressionType == 0xFF ? 0 : h.compressionType;

    std::size_t data = offset + headerBytes;
    if (h.hasColourTable && !readColourTable(bytes, data, h)) return ended(std::move(h), HeaderRead::RanOut);
    const bool hasDirectColour = pixelSize == 16 && (version == 1 || version == 2) && flags.directColour;
    if (hasDirectColour && !readDirectColour(bytes, data, h)) return ended(std::move(h), HeaderRead::RanOut);
    applyTransparency(h, flags.transparent, transparentValue, hasDirectColour);
    if (data > UINT32_MAX) return ended(std::move(h), HeaderRead::RanOut);
    h.dataOffset = static_cast<std::uint32_t>(data);
    if (version == 0) h.next = 0;   // a version 0 bitmap is always the last of its family
    return h;
}

PixelStorage pixelStorage(const DecodedBitmap& b) {
    if (b.version <= 1) return b.compressed ? PixelStorage::ScanLine : PixelStorage::Uncompressed;
    switch (b.compressionKind) {
        case 0: return b.compressed ? PixelStorage::ScanLine : PixelStorage::Uncompressed;
        case 1: return PixelStorage::Rle;
        case 2: return PixelStorage::PackBits;
        default: return PixelStorage::Unknown;
    }
}

bool FamilyLayout::complete() const {
    return !bitmaps.empty() && !pointsBeforeStart && !endless && bitmaps.back().outcome == HeaderRead::Read;
}

FamilyLayout readFamilyLayout(std::span<const std::uint8_t> bytes) {
    FamilyLayout family;
    std::size_t offset = 0;
    for (int count = 1;; ++count) {
        auto header = readBitmapHeader(bytes, offset);
        const bool read = header.outcome == HeaderRead::Read;
        const auto start = header.start;
        const auto next = header.next;
        family.bitmaps.push_back(std::move(header));
        if (!read || next == 0) return family;
        if (count >= kMaxFamilyLength) {
            family.endless = true;
            return family;
        }
        const std::int64_t following = static_cast<std::int64_t>(start) + next;
        if (following < 0) {
            family.pointsBeforeStart = true;
            return family;
        }
        offset = static_cast<std::size_t>(following);
    }
}

}   // namespace tesk

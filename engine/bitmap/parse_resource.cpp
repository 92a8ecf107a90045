// Bitmap families: every bitmap of the current resource is read field by field, decoded into the
// pixel buffer, written, and described for the script or index. Mended beyond the fixed offsets:
// colour tables are read and used, a 16-bit version 1 or 2 bitmap has its direct-colour block only
// when its flag says so, and a header version above 3 ends the walk with error 5.
#include "bitmap/parse_resource.hpp"

#include <new>
#include <vector>

#include "bitmap/conversions.hpp"
#include "bitmap/decompress.hpp"
#include "bitmap/write_bmp.hpp"
#include "driver/text_output.hpp"
#include "platform/byte_reader.hpp"

namespace tesk {
namespace {

constexpr std::uint32_t kDummyBytes = 16;
constexpr int kMaxFamilyLength = 21;
// A header version without a layout; reported like an invalid argument.
constexpr ErrorNumber kUnknownVersion = ErrorNumber::IllegalFunctionCall;

// Header fields of one bitmap relative to its first byte, in the byte order its header declares.
class FieldReader {
public:
    FieldReader(std::span<const std::uint8_t> bytes, std::size_t base, bool littleEndian)
        : bytes_(bytes), base_(base), le_(littleEndian) {}
    std::uint8_t u8(std::size_t at) { ByteReader r{bytes_, base_ + at}; return note(r, r.u8()); }
    std::uint16_t u16(std::size_t at) { ByteReader r{bytes_, base_ + at}; return note(r, le_ ? r.le16() : r.be16()); }
    std::uint32_t u32(std::size_t at) { ByteReader r{bytes_, base_ + at}; return note(r, le_ ? r.le32() : r.be32()); }
    bool overran() const { return overran_; }

private:
    template <class T> T note(const ByteReader& r, T v) { overran_ |= r.overran(); return v; }
    std::span<const std::uint8_t> bytes_;
    std::size_t base_;
    bool le_;
    bool overran_ = false;
};

// +10 of versions 1 and 2: the next-depth offset, a signed count of 4-byte units.
std::int64_t nextDepthOffset(FieldReader& f) { return 4 * std::int64_t{static_cast<std::int16_t>(f.u16(10))}; }

enum class Decoder { None, ScanLine, Rle, PackBits, Uncompressed };

struct HeaderExtras {
    std::uint32_t dataOffset = 0;   // where the pixel data (or its size field) starts
    std::int64_t next = 0;          // bytes to the next bitmap, signed (back into the family); 0 = last
    std::uint8_t pixelFormat = 0;   // version 3 little-endian only
    bool littleEndian = false;
    Decoder decoder = Decoder::None;
};

enum class Step { Next, Stop };

class FamilyWalk {
public:
    explicit FamilyWalk(ExtractionContext& ctx) : ctx_(ctx), bytes_(ctx.resourceBytes) {}

    void run() {
        std::size_t offset = 0;
        for (int count = 1;; ++count) {
            HeaderExtras extras;
            if (readBitmap(offset, extras) == Step::Stop) return;
            if (processBitmap(extras) == Step::Stop) return;
            if (extras.next == 0) return;
            // Only a family that goes on past its 21st bitmap is reported; 21 bitmaps are fine.
            if (count >= kMaxFamilyLength) {
                ctx_.services.ui.message("Error parsing resource - " + ctx_.resourceName + "\r\n" +
                                             "Please report this error message",
                                         "KRWT.dll", MessageStyle::Plain);
                return;
            }
            // Next offsets are signed, so a chain may step back into the family, which is how it
            // can loop; the family length limit ends such a walk. Before the family's first byte
            // there is nothing to read.
            const std::int64_t following = static_cast<std::int64_t>(offset) + extras.next;
            if (following < 0) {
                ranOut();
                return;
            }
            offset = static_cast<std::size_t>(following);
        }
    }

private:
    // A header or table that runs past the resource: error 9, unless the family is known to
    // continue in a split part, where the end of these bytes is simply the end of this pass.
    Step ranOut() {
        if (!ctx_.familyContinuesInPart) recordError(ctx_, ErrorNumber::SubscriptOutOfRange, op::parsersrc);
        return Step::Stop;
    }

    Step readBitmap(std::size_t& offset, HeaderExtras& x) {
        auto& b = ctx_.bitmap.bitmap;
        b = DecodedBitmap{};
        own_.clear();
        FieldReader probe{bytes_, offset, false};
        std::uint8_t pixelSize = probe.u8(8);
        if (pixelSize == 0xFF) {   // a 16-byte placeholder between densities
            offset += kDummyBytes;
            probe = FieldReader{bytes_, offset, false};
            pixelSize = probe.u8(8);
        }
        if (probe.overran()) return ranOut();
        if (pixelSize > 16) {
            recordBitmapTooDeep(ctx_);
            return Step::Stop;
        }
        const std::uint8_t versionByte = probe.u8(9);
        const std::uint8_t version = versionByte & 0x7F;
        if (version > 3) {
            recordError(ctx_, kUnknownVersion, op::parsersrc);
            return Step::Stop;
        }
        x.littleEndian = version != 0 && (versionByte & 0x80) != 0;
        FieldReader f{bytes_, offset, x.littleEndian};
        const std::size_t headerBytes = version == 3 ? 24 : 16;
        if (offset + headerBytes > bytes_.size()) return ranOut();

        b.version = version;
        b.pixelSize = pixelSize;
        b.width = static_cast<std::int16_t>(f.u16(0));     // +0 width, signed
        b.height = static_cast<std::int16_t>(f.u16(2));    // +2 height, signed
        b.rowBytes = static_cast<std::int16_t>(f.u16(4));  // +4 row bytes, signed
        const std::uint8_t flags = f.u8(6);                // +6 flags; little-endian headers mirror the bits
        b.compressed = flags & (x.littleEndian ? 0x01 : 0x80);
        const bool transparent = version >= 2 && (flags & (x.littleEndian ? 0x04 : 0x20));
        const bool hasColourTable = version >= 1 && (flags & (x.littleEndian ? 0x02 : 0x40));
        const bool directColour = flags & (x.littleEndian ? 0x20 : 0x04);
        b.density = 72;
        std::uint8_t compressionType = 0;
        std::uint32_t transparentValue = 0;
        switch (version) {
            case 0: break;
            case 1: x.next = nextDepthOffset(f); break;
            case 2:
                x.next = nextDepthOffset(f);
                transparentValue = f.u8(12);                  // +12 transparent index
                compressionType = f.u8(13);                   // +13 compression type
                break;
            default:
                x.pixelFormat = f.u8(11);                     // +11 pixel format (little-endian only)
                compressionType = f.u8(13);                   // +13 compression type
                b.density = static_cast<std::int16_t>(f.u16(14));   // +14 density
                transparentValue = f.u32(16);                 // +16 transparent index or 565 colour
                x.next = static_cast<std::int32_t>(f.u32(20));   // +20 next-bitmap offset in bytes
                break;
        }
        if (!x.littleEndian) x.pixelFormat = 0;
        b.compressionKind = compressionType == 0xFF ? 0 : compressionType;

        std::size_t data = offset + headerBytes;
        if (hasColourTable) {
            // Entry count, then index, red, green, blue per entry; the pixels follow the table.
            FieldReader t{bytes_, data, x.littleEndian};
            const std::size_t entries = t.u16(0);
            if (t.overran() || data + 2 + 4 * entries > bytes_.size()) return ranOut();
            own_.reserve(entries);
            for (std::size_t i = 0; i < entries; ++i)
                own_.push_back({bytes_[data + 2 + 4 * i + 1], bytes_[data + 2 + 4 * i + 2], bytes_[data + 2 + 4 * i + 3]});
            data += 2 + 4 * entries;
        }
        bool colourKnown = false;
        if (pixelSize == 16 && (version == 1 || version == 2) && directColour) {
            // Direct-colour block: component sizes, then the transparent colour as index, red, green, blue.
            if (data + 8 > bytes_.size()) return ranOut();
            FieldReader d{bytes_, data, x.littleEndian};
            const std::uint32_t v = d.u32(4);
            b.transparentBlue = scaleRed(v & 0xF8);
            b.transparentGreen = scaleGreen((v >> 8) & 0xFC);
            b.transparentRed = scaleRed((v >> 16) & 0xF8);
            colourKnown = true;
            data += 8;
        }
        if (transparent) {
            if (pixelSize == 16 && version == 3) {
                const Rgb c = ExpandRgb565(static_cast<std::uint8_t>(transparentValue >> 8),
                                           static_cast<std::uint8_t>(transparentValue));
                b.transparentRed = c.red;
                b.transparentGreen = c.green;
                b.transparentBlue = c.blue;
                b.transparencyKind = 2;
            } else if (pixelSize == 16) {
                b.transparencyKind = colourKnown ? 2 : 0;
            } else {
                b.transparencyKind = 1;
                const bool wholeValue = version == 3 && x.littleEndian;
                b.transparentIndex = static_cast<std::int32_t>(wholeValue ? transparentValue : transparentValue & 0xFF);
            }
        }
        if (!b.transparencyKind) b.transparentRed = b.transparentGreen = b.transparentBlue = 0;
        if (data > UINT32_MAX) return ranOut();
        x.dataOffset = static_cast<std::uint32_t>(data);

        if (version <= 1) {
            x.decoder = b.compressed ? Decoder::ScanLine : Decoder::Uncompressed;
        } else {
            switch (b.compressionKind) {
                case 0: x.decoder = b.compressed ? Decoder::ScanLine : Decoder::Uncompressed; break;
                case 1: x.decoder = Decoder::Rle; break;
                case 2: x.decoder = Decoder::PackBits; break;
                default: x.decoder = Decoder::None; break;
            }
        }
        if (version == 0) x.next = 0;   // a version 0 bitmap is always the last of its family
        return Step::Next;
    }

    Step processBitmap(const HeaderExtras& x) {
        auto& b = ctx_.bitmap.bitmap;
        const auto savedCode = ctx_.errorCode;
        const auto savedProcedure = ctx_.errorProcedure;
        if (ctx_.familyContinuesInPart) ctx_.errorCode = 0;
        std::uint32_t offset = x.dataOffset;
        // Little-endian 565 data wanted as 24-bit is widened after the byte order is known.
        const bool le565 = x.littleEndian && b.version == 3 && b.pixelSize == 16 && x.pixelFormat == 2;
        const bool widenLater = le565 && ctx_.flags.sixteenTo24;
        if (widenLater) ctx_.flags.sixteenTo24 = false;
        bool decompressed = true;
        switch (x.decoder) {
            case Decoder::ScanLine: uncompsl(ctx_, offset, b.height, b.rowBytes, b.pixelSize, b.version); break;
            case Decoder::Rle: uncomprle(ctx_, offset, b.height, b.rowBytes, b.pixelSize, b.version); break;
            case Decoder::PackBits: uncomppb(ctx_, offset, b.height, b.rowBytes, b.pixelSize, b.version); break;
            case Decoder::Uncompressed: {
                std::int32_t depth = b.pixelSize;
                flipImg(ctx_, offset, b.rowBytes, b.height, depth, b.version);
                decompressed = false;
                break;
            }
            case Decoder::None: decompressed = false; break;
        }
        if (widenLater) {
            ctx_.flags.sixteenTo24 = true;
            widenSwapped565To24(ctx_, b.width, b.height);
        } else if (le565) {
            convertLE16(ctx_);
        }
        // Pixels that run on into the split part are completed when the parts are joined; this
        // pass writes what it has and the bitmap's line, and ends quietly at the next header.
        if (ctx_.familyContinuesInPart) {
            const bool ranOn = ctx_.errorCode == toInt(ErrorNumber::SubscriptOutOfRange);
            if (ranOn || ctx_.errorCode == 0) {
                ctx_.errorCode = savedCode;
                ctx_.errorProcedure = savedProcedure;
            }
        }
        if (x.littleEndian && b.version == 3 && b.pixelSize == 1 && x.pixelFormat != 0) ReverseBitOrder(ctx_);
        if (x.decoder != Decoder::None)
            writebmp(ctx_, b.width, b.height, b.pixelSize, b.density, b.transparencyKind, b.transparentIndex,
                     b.transparentRed, b.transparentGreen, b.transparentBlue, own_);
        appendBitmapText(ctx_, BitmapTextValues{b.pixelSize, b.density, decompressed, b.transparencyKind,
                                                b.transparentIndex, b.transparentRed, b.transparentGreen,
                                                b.transparentBlue});
        return Step::Next;
    }

    ExtractionContext& ctx_;
    std::span<const std::uint8_t> bytes_;
    std::vector<Rgb> own_;
};

}  // namespace

void parsersrc(ExtractionContext& ctx) {
    ctx.errorResourceName = ctx.resourceName;
    if (ctx.flags.single) {
        if (ctx.resourceName != ctx.singleResourceName) return;
        if (ctx.singleResourceType != "abmp") ctx.stopRequested = true;
    }
    try {
        FamilyWalk{ctx}.run();
    } catch (const std::bad_alloc&) {
        recordError(ctx, ErrorNumber::OutOfMemory, op::parsersrc);
    }
}

}  // namespace tesk

#include "bitmap/memory_bmp.hpp"

#include <limits>

#include "platform/byte_reader.hpp"

namespace tesk {
namespace {

constexpr std::size_t kHeaderBytes = 54;

// The BMP layout writebmp produces for a Palm depth: bits per pixel, compression, colour entries.
struct BmpShape {
    std::uint16_t bitsPerPixel;
    std::uint32_t compression;
    std::uint32_t coloursUsed;
    std::size_t tableBytes;   // colour table or masks after the 54-byte header
};

bool shapeFor(std::int32_t pixelSize, std::uint16_t bitsPerPixel, BmpShape& out) {
    switch (pixelSize) {
        case 0:
        case 1: out = {1, 0, 2, 8}; return bitsPerPixel == 1;
        case 2:
        case 4: out = {4, 0, 16, 64}; return bitsPerPixel == 4;
        case 8: out = {8, 0, 256, 1024}; return bitsPerPixel == 8;
        case 16:
            if (bitsPerPixel == 24) {
                out = {24, 0, 0, 0};
                return true;
            }
            out = {16, 3, 0, 12};
            return bitsPerPixel == 16;
        default: return false;
    }
}

}   // namespace

ErrorNumber readOurBmp(std::span<const std::uint8_t> bmp, std::int32_t pixelSize, OurBmp& out) {
    constexpr auto malformed = ErrorNumber::InternalError;
    if (bmp.size() < kHeaderBytes || bmp.size() > std::numeric_limits<std::uint32_t>::max()) return malformed;
    ByteReader in{bmp};
    if (in.u8() != 'B' || in.u8() != 'M') return malformed;     // +0 type
    const std::uint32_t fileSize = in.le32();                   // +2
    in.skip(4);                                                 // +6 reserved
    const std::uint32_t pixelOffset = in.le32();                // +10
    const std::uint32_t infoSize = in.le32();                   // +14
    const auto width = static_cast<std::int32_t>(in.le32());    // +18
    const auto height = static_cast<std::int32_t>(in.le32());   // +22 positive: rows bottom-up
    const std::uint16_t planes = in.le16();                     // +26
    const std::uint16_t bitsPerPixel = in.le16();               // +28
    const std::uint32_t compression = in.le32();                // +30
    const std::uint32_t imageSize = in.le32();                  // +34
    in.skip(8);                                                 // +38 pixels per metre, both ways
    const std::uint32_t coloursUsed = in.le32();                // +46
    const std::uint32_t important = in.le32();                  // +50
    BmpShape shape{};
    if (in.overran() || !shapeFor(pixelSize, bitsPerPixel, shape)) return malformed;
    if (fileSize != bmp.size() || infoSize != 40 || planes != 1 || compression != shape.compression ||
        coloursUsed != shape.coloursUsed || important != shape.coloursUsed ||
        pixelOffset != kHeaderBytes + shape.tableBytes || imageSize != bmp.size() - pixelOffset)
        return malformed;
    if (width < 1 || height < 1) return malformed;
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitsPerPixel + 31) / 32 * 4;
    if (stride * static_cast<std::uint64_t>(height) > imageSize) return malformed;
    if (shape.compression == 3) {
        // The 5-6-5 masks; any other split would be read as other colours than ours.
        ByteReader masks{bmp, kHeaderBytes};
        if (masks.le32() != 0xF800 || masks.le32() != 0x07E0 || masks.le32() != 0x001F) return malformed;
    }
    out.width = width;
    out.height = height;
    out.bitsPerPixel = bitsPerPixel;
    out.table = bmp.subspan(kHeaderBytes, shape.tableBytes);
    out.stride = static_cast<std::size_t>(stride);
    out.pixels = bmp.subspan(pixelOffset, out.stride * static_cast<std::size_t>(height));
    return ErrorNumber::None;
}

}   // namespace tesk

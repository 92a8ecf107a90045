// The headers of a bitmap family read field by field, without decoding a pixel: what the walk of
// parsersrc acts on, and what a listing or a test of a file's content needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "bitmap/bitmap_state.hpp"
#include "bitmap/palettes.hpp"

namespace tesk {

enum class HeaderRead {
    Read,             // the header and its tables lie inside the bytes
    RanOut,           // a header or table runs past the end (error 9)
    TooDeep,          // pixel size above 16 (error 1000)
    UnknownVersion,   // a version above 3, which has no layout (error 5)
};

struct BitmapHeader {
    HeaderRead outcome = HeaderRead::Read;
    std::size_t start = 0;              // the header's first byte, past a 16-byte placeholder
    DecodedBitmap fields;               // size, depth, version, density, compression, transparency
    std::uint8_t compressionType = 0;   // as stored (versions 2 and 3; 0xFF kept)
    bool littleEndian = false;
    std::uint8_t pixelFormat = 0;   // version 3 little-endian headers only
    std::uint8_t headerSize = 0;    // version 3: the size the header declares
    bool hasColourTable = false;
    std::vector<Rgb> colourTable;   // the bitmap's own colours, by position
    std::uint32_t dataOffset = 0;   // where the pixel data (or its size field) starts
    std::int64_t next = 0;          // bytes to the next bitmap, signed; 0 = the last
};

// How a bitmap's pixels are stored, by its version, flag and compression type: versions 0 and 1
// know only the scan-line flag; types 1 and 2 are RLE and PackBits whatever the flag says.
enum class PixelStorage { Uncompressed, ScanLine, Rle, PackBits, Unknown };
PixelStorage pixelStorage(const DecodedBitmap& b);

// The header of the bitmap at `offset`. A read past the end never happens: the outcome says
// where the bytes ran out.
BitmapHeader readBitmapHeader(std::span<const std::uint8_t> bytes, std::size_t offset);

// A family longer than this goes on past what any device writes: parsersrc ends it there.
inline constexpr int kMaxFamilyLength = 21;

// Every header of a family from offset 0, following the next offsets as parsersrc does. The walk
// ends at the last bitmap, at the first header that is not Read (kept, with its outcome), at an
// offset before the first byte, or after kMaxFamilyLength bitmaps (`endless`).
struct FamilyLayout {
    std::vector<BitmapHeader> bitmaps;
    bool pointsBeforeStart = false;
    bool endless = false;
    bool complete() const;   // every header read, and the chain ended by itself
};
FamilyLayout readFamilyLayout(std::span<const std::uint8_t> bytes);

}   // namespace tesk

// The bitmap being processed: its header values, its decoded pixels and, for JPEG/PNG, the BMP
// file built in memory. One instance lives in the run state and is overwritten per bitmap.
#pragma once

#include <cstdint>
#include <vector>

namespace tesk {

struct DecodedBitmap {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int16_t rowBytes = 0;
    std::uint8_t pixelSize = 0;   // 0 (version 0 monochrome), 1, 2, 4, 8 or 16
    std::uint8_t version = 0;     // little-endian marker removed
    std::int16_t density = 72;
    std::uint8_t compressionKind = 0;   // 0 scan-line, 1 RLE, 2 PackBits (a stored 0xFF reads as 0)
    bool compressed = false;
    std::int32_t transparencyKind = 0;   // 0 none, 1 index, 2 colour
    std::int32_t transparentIndex = 0;
    std::int32_t transparentRed = 0;
    std::int32_t transparentGreen = 0;
    std::int32_t transparentBlue = 0;
};

// The decoded image as a BMP pixel array: rows bottom-up, each padded with zeros to a multiple of
// 4 bytes; 16-bit pixels little-endian, or blue-green-red triples when 16-bit becomes 24-bit.
using PixelBuffer = std::vector<std::uint8_t>;

// A complete BMP file image held in memory for the JPEG and PNG export.
using MemoryBmp = std::vector<std::uint8_t>;

struct BitmapState {
    DecodedBitmap bitmap;
    PixelBuffer pixels;
    MemoryBmp memoryBmp;
};

}   // namespace tesk

// The four decoders that turn Palm pixel data into the PixelBuffer of host.bitmap (rows bottom-up,
// each padded to the BMP row length of the bitmap's width), and the two finishing passes for
// little-endian data. Each records its own failures and returns normally.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bitmap/bitmap_host.hpp"

namespace tesk {

// How 16-bit rows reach the buffer: byte pairs swapped (big-endian 565 becomes the BMP's
// little-endian; little-endian data is finished by convertLE16 or widenSwapped565To24), or widened
// to 24-bit blue-green-red triples. Other depths ignore it.
enum class SixteenBitRows { Swapped, Widened };

// Compressed data: a size field (4 bytes for version 3, else 2, never trusted), then the rows.
void uncompsl(BitmapHost& host, SixteenBitRows rows, std::uint32_t& offset, std::int32_t& height,
              std::int16_t& rowBytes, std::uint8_t& pixelSize, std::uint8_t& version);
void uncomprle(BitmapHost& host, SixteenBitRows rows, std::uint32_t& offset, std::int32_t& height,
               std::int16_t& rowBytes, std::uint8_t& pixelSize, std::uint8_t& version);
void uncomppb(BitmapHost& host, SixteenBitRows rows, std::uint32_t& offset, std::int32_t& height,
              std::int16_t& rowBytes, std::uint8_t& pixelSize, std::uint8_t& version);
// Uncompressed rows; note rowBytes comes before height.
void flipImg(BitmapHost& host, SixteenBitRows rows, std::uint32_t& offset, std::int16_t& rowBytes, std::int32_t& height,
             std::int32_t& pixelSize, std::uint8_t& version);

// Mirrors the bits of every byte (little-endian 1-bit data).
void ReverseBitOrder(BitmapHost& host);
// Swaps every byte pair back, so little-endian 565 data stays little-endian (unless the run asked
// to keep the stored order).
void convertLE16(BitmapHost& host);

// Little-endian 565 data wanted as 24-bit: the buffer, decoded in 16-bit layout (which leaves
// each pixel's bytes high first for such data), is widened to the 24-bit layout in place of the
// usual expansion during emission.
void widenSwapped565To24(BitmapHost& host, std::int32_t width, std::int32_t height);

// Bytes of one buffer row for a bitmap of this width and depth (0 when the depth has no image),
// and of the whole buffer. The writer checks the buffer against this before it writes.
std::size_t pixelRowLength(std::int32_t width, std::uint8_t pixelSize, bool sixteenTo24);
std::size_t pixelBufferLength(std::int32_t width, std::int32_t height, std::uint8_t pixelSize, bool sixteenTo24);

}   // namespace tesk

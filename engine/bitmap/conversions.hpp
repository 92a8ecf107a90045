// Pixel conversions shared by the decoders and the writer: 2-bit rows widened to 4-bit for BMP,
// and 565 colours widened to full-range 8-bit channels.
#pragma once

#include <cstdint>

#include "bitmap/bitmap_host.hpp"
#include "bitmap/palettes.hpp"

namespace tesk {

// Replaces host.bitmapState().pixels with its 4-bit form: every byte of four 2-bit pixels becomes two
// bytes of two nibbles each, so the buffer doubles, padding and tail included.
void conv2to4bit(BitmapHost& host);

// A 16-bit 565 pixel given as its high and low byte, scaled to 0..255 per channel with
// round-half-to-even (so 0x8410 gives 132, 130, 132).
Rgb ExpandRgb565(std::uint8_t high, std::uint8_t low);

// The full-range value of a 5-bit (scaled by 8) or 6-bit (scaled by 4) channel already shifted
// into the top of a byte: round(v * 255 / 248) and round(v * 255 / 252), halves to even.
std::uint8_t scaleRed(std::uint32_t topBits5);
std::uint8_t scaleGreen(std::uint32_t topBits6);

}   // namespace tesk

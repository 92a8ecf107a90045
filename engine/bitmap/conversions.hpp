// Pixel conversions shared by the decoders and the writer: 2-bit rows widened to 4-bit for BMP,
// and 565 colours widened to full-range 8-bit channels.
#pragma once

#include <array>
#include <cstdint>

#include "bitmap/bitmap_host.hpp"
#include "bitmap/palettes.hpp"

namespace tesk {

// Replaces host.bitmapState().pixels with its 4-bit form: every byte of four 2-bit pixels becomes two
// bytes of two nibbles each, so the buffer doubles, padding and tail included.
void conv2to4bit(BitmapHost& host);

namespace conversion_tables {

// round(value * 255 / divisor), halves to even, in integers so no floating mode can change it.
constexpr std::uint8_t roundHalfEven(std::uint32_t value, std::uint32_t divisor) {
    const std::uint32_t scaled = value * 255;
    std::uint32_t q = scaled / divisor;
    const std::uint32_t twiceRem = 2 * (scaled % divisor);
    if (twiceRem > divisor || (twiceRem == divisor && (q & 1) != 0)) ++q;
    return static_cast<std::uint8_t>(q > 255 ? 255 : q);
}

// Per pixel on the hot path, so tables (inline, for the decoders' loops) instead of arithmetic.
struct Channels {
    std::array<std::uint8_t, 32> red{};     // index: the 5-bit value
    std::array<std::uint8_t, 64> green{};   // index: the 6-bit value
};

constexpr Channels makeChannels() {
    Channels t{};
    for (std::uint32_t i = 0; i < 32; ++i) t.red[i] = roundHalfEven(i * 8, 248);
    for (std::uint32_t i = 0; i < 64; ++i) t.green[i] = roundHalfEven(i * 4, 252);
    return t;
}

inline constexpr Channels kChannels = makeChannels();

}   // namespace conversion_tables

// A 16-bit 565 pixel given as its high and low byte, scaled to 0..255 per channel with
// round-half-to-even (so 0x8410 gives 132, 130, 132).
inline Rgb ExpandRgb565(std::uint8_t high, std::uint8_t low) {
    const auto& t = conversion_tables::kChannels;
    return {t.red[high >> 3], t.green[(high & 7) << 3 | low >> 5], t.red[low & 31]};
}

// The full-range value of a 5-bit (scaled by 8) or 6-bit (scaled by 4) channel already shifted
// into the top of a byte: round(v * 255 / 248) and round(v * 255 / 252), halves to even.
inline std::uint8_t scaleRed(std::uint32_t topBits5) { return conversion_tables::kChannels.red[(topBits5 >> 3) & 31]; }
inline std::uint8_t scaleGreen(std::uint32_t topBits6) {
    return conversion_tables::kChannels.green[(topBits6 >> 2) & 63];
}

}   // namespace tesk

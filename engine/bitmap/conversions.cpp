// 2-bit to 4-bit widening and 565 expansion. Both run per pixel on the hot path, so they use
// tables built once instead of arithmetic per pixel.
#include "bitmap/conversions.hpp"

#include <array>
#include <new>

namespace tesk {
namespace {

// round(value * 255 / divisor), halves to even, in integers so no floating mode can change it.
constexpr std::uint8_t roundHalfEven(std::uint32_t value, std::uint32_t divisor) {
    const std::uint32_t scaled = value * 255;
    std::uint32_t q = scaled / divisor;
    const std::uint32_t twiceRem = 2 * (scaled % divisor);
    if (twiceRem > divisor || (twiceRem == divisor && (q & 1) != 0)) ++q;
    return static_cast<std::uint8_t>(q > 255 ? 255 : q);
}

struct Tables {
    std::array<std::uint8_t, 32> red{};       // index: the 5-bit value
    std::array<std::uint8_t, 64> green{};     // index: the 6-bit value
    std::array<std::uint16_t, 256> widen{};   // one 2-bit byte -> two 4-bit bytes, first in the low half
};

constexpr Tables makeTables() {
    Tables t{};
    for (std::uint32_t i = 0; i < 32; ++i) t.red[i] = roundHalfEven(i * 8, 248);
    for (std::uint32_t i = 0; i < 64; ++i) t.green[i] = roundHalfEven(i * 4, 252);
    for (std::uint32_t s = 0; s < 256; ++s) {
        const std::uint32_t first = ((s >> 6) & 3) * 16 + ((s >> 4) & 3);
        const std::uint32_t second = ((s >> 2) & 3) * 16 + (s & 3);
        t.widen[s] = static_cast<std::uint16_t>(first | second << 8);
    }
    return t;
}

constexpr Tables kTables = makeTables();

}   // namespace

std::uint8_t scaleRed(std::uint32_t topBits5) { return kTables.red[(topBits5 >> 3) & 31]; }
std::uint8_t scaleGreen(std::uint32_t topBits6) { return kTables.green[(topBits6 >> 2) & 63]; }

Rgb ExpandRgb565(std::uint8_t high, std::uint8_t low) {
    return {kTables.red[high >> 3], kTables.green[(high & 7) << 3 | low >> 5], kTables.red[low & 31]};
}

void conv2to4bit(BitmapHost& host) {
    try {
        auto& pixels = host.bitmapState().pixels;
        PixelBuffer wide(pixels.size() * 2);
        std::uint8_t* out = wide.data();
        for (const std::uint8_t v : pixels) {
            const auto pair = kTables.widen[v];
            *out++ = static_cast<std::uint8_t>(pair);
            *out++ = static_cast<std::uint8_t>(pair >> 8);
        }
        pixels.swap(wide);
    } catch (const std::bad_alloc&) {
        recordError(host, ErrorNumber::OutOfMemory, op::conv2to4bit);
    }
}

}   // namespace tesk

// 2-bit to 4-bit widening, per pixel on the hot path, so through a table built once. The 565
// expansion is inline in the header.
#include "bitmap/conversions.hpp"

#include <array>
#include <new>

namespace tesk {
namespace {

// One 2-bit byte -> two 4-bit bytes, the first in the low half.
constexpr std::array<std::uint16_t, 256> makeWiden() {
    std::array<std::uint16_t, 256> widen{};
    for (std::uint32_t s = 0; s < 256; ++s) {
        const std::uint32_t first = ((s >> 6) & 3) * 16 + ((s >> 4) & 3);
        const std::uint32_t second = ((s >> 2) & 3) * 16 + (s & 3);
        widen[s] = static_cast<std::uint16_t>(first | second << 8);
    }
    return widen;
}

constexpr std::array<std::uint16_t, 256> kWiden = makeWiden();

}   // namespace

void conv2to4bit(BitmapHost& host) {
    try {
        auto& pixels = host.bitmapState().pixels;
        PixelBuffer wide(pixels.size() * 2);
        std::uint8_t* out = wide.data();
        for (const std::uint8_t v : pixels) {
            const auto pair = kWiden[v];
            *out++ = static_cast<std::uint8_t>(pair);
            *out++ = static_cast<std::uint8_t>(pair >> 8);
        }
        pixels.swap(wide);
    } catch (const std::bad_alloc&) {
        recordError(host, ErrorNumber::OutOfMemory, op::conv2to4bit);
    }
}

}   // namespace tesk

// The Palm OS system palettes as RGB tables and as BMP colour tables, and the 16-bit masks.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace tesk {

struct Rgb {
    std::uint8_t red, green, blue;
};

struct SystemPalettes {
    std::array<Rgb, 256> rgb8;
    std::array<Rgb, 16> rgb4;
    std::array<Rgb, 4> rgb2;
    std::array<Rgb, 2> rgb1;
    std::array<std::uint8_t, 1024> bmp8;
    std::array<std::uint8_t, 64> bmp4;
    std::array<std::uint8_t, 16> bmp2;
    std::array<std::uint8_t, 8> bmp1;
    std::array<std::uint8_t, 12> masks16;

    // The RGB table of a depth (1, 2, 4 or 8; 0 counts as 1); empty for other depths.
    std::span<const Rgb> forDepth(int pixelSize) const;
};

// Builds the tables on the first call (thread-safe) and returns them; immutable afterwards.
const SystemPalettes& loadpalettes();

}   // namespace tesk

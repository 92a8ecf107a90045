// Memory BMPs laid out exactly as the image writer builds them for each Palm depth.
#pragma once

#include <cstdint>
#include <vector>

namespace tesk::test {

// Pixels top row first: palette indices for pixelSize 0-8, RGB565 values for 16, 0xRRGGBB for 16 as 24-bit.
struct BmpImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t pixelSize = 8;
    bool sixteenTo24 = false;
    std::vector<std::uint32_t> pixels;

    // Every pixel the same value, the top-left quarter another.
    static BmpImage filled(std::int32_t w, std::int32_t h, std::int32_t depth, std::uint32_t value,
                           std::uint32_t corner);
};

std::vector<std::uint8_t> memoryBmp(const BmpImage& image);

}   // namespace tesk::test

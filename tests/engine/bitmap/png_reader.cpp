#include "engine/bitmap/png_reader.hpp"

#include "engine/bitmap/bitmap_test_util.hpp"

namespace tesk::test {

Colour DecodedPng::colourAt(std::uint32_t x, std::uint32_t y) const {
    const std::uint32_t s = sample(x, y);
    if (colourType == 3) return palette.at(s);
    const std::uint32_t rgb = colourType == 6 ? s >> 8 : s;
    return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb)};
}

std::uint8_t DecodedPng::alphaAt(std::uint32_t x, std::uint32_t y) const {
    const std::uint32_t s = sample(x, y);
    if (colourType == 6) return static_cast<std::uint8_t>(s);
    if (colourType == 3) return s < paletteAlpha.size() ? paletteAlpha[s] : 255;
    return transparentColour && colourAt(x, y) == *transparentColour ? 0 : 255;
}

void DecodedPng::appendRow(const std::uint8_t* row) {
    const int channels = colourType == 2 ? 3 : colourType == 6 ? 4 : 1;
    samples.reserve(std::size_t{width} * height);
    for (std::uint32_t x = 0; x < width; ++x) {
        std::uint32_t s = 0;
        if (channels == 1) {
            const unsigned perByte = 8u / static_cast<unsigned>(bitDepth);
            const unsigned shift = 8u - static_cast<unsigned>(bitDepth) * (x % perByte + 1);
            s = (row[x / perByte] >> shift) & ((1u << bitDepth) - 1);
        } else {
            for (int c = 0; c < channels; ++c) s = s << 8 | row[std::size_t{x} * channels + c];
        }
        samples.push_back(s);
    }
}

}   // namespace tesk::test

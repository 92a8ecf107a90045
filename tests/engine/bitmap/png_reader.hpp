// PNG files decoded without transforms: the chunks as stored and every pixel's sample (palette
// index or colour), so a test sees exactly what a file holds. Linux decodes with libpng, a decoder
// independent of the library that wrote the files (png_reader_libpng.cpp). The Windows build has
// no libpng, so there libspng's own decoder reads them (png_reader_spng.cpp); that the files are
// the Linux build's, byte for byte, tests/windows/compare_with_linux.sh checks.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "support/bitmap_builder.hpp"

namespace tesk::test {

struct DecodedPng {
    std::uint32_t width = 0, height = 0;
    int bitDepth = 0;
    int colourType = 0;                        // 2 RGB, 3 palette, 6 RGBA
    std::vector<Colour> palette;               // PLTE
    std::vector<std::uint8_t> paletteAlpha;    // tRNS of a palette image
    std::optional<Colour> transparentColour;   // tRNS of an RGB image
    std::vector<std::uint32_t> samples;        // top row first: index, 0xRRGGBB or 0xRRGGBBAA

    std::uint32_t sample(std::uint32_t x, std::uint32_t y) const { return samples[std::size_t{y} * width + x]; }
    Colour colourAt(std::uint32_t x, std::uint32_t y) const;
    std::uint8_t alphaAt(std::uint32_t x, std::uint32_t y) const;   // 0 for a transparent pixel

    // For the decoders: one row as the file packs it (width, bitDepth and colourType set).
    void appendRow(const std::uint8_t* row);
};

// Nothing when the decoder refuses the file.
std::optional<DecodedPng> readPng(const Bytes& file);

}   // namespace tesk::test

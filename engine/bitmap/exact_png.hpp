// The exact PNG: what the BMP of a bitmap holds, pixel for pixel, as a PNG file. Indexed bitmaps
// keep their depth, their colour table and their pixel indices, and only the transparent index
// is transparent; 16-bit bitmaps become 8-bit RGB with the 565 expansion of the 24-bit BMP and
// their transparent colour as PNG's one transparent value. Resizing is the one change: the image
// is then rescaled with alpha and written as RGBA.
// The PNG library sits behind encodePngFile alone (png_file_*.cpp), so a build can choose it or
// leave it out; without it the exact PNG is refused with FileNotFound (53).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "bitmap/image_export.hpp"
#include "bitmap/palettes.hpp"

namespace tesk {

enum class PngColourType : std::uint8_t { Rgb = 2, Palette = 3, Rgba = 6 };

// One PNG image as its chunks describe it.
struct PngImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t bitDepth = 8;   // 1, 2, 4 or 8 for palettes; 8 otherwise
    PngColourType colourType = PngColourType::Palette;
    std::vector<Rgb> palette;                 // PLTE
    std::vector<std::uint8_t> paletteAlpha;   // tRNS of a palette image: alpha of the first entries
    std::optional<Rgb> transparentColour;     // tRNS of an RGB image
    std::size_t rowBytes = 0;
    std::vector<std::uint8_t> rows;   // top row first, rowBytes each, as PNG packs samples
};

// The image the exact PNG of this memory BMP holds. Error numbers: 51 a malformed memory BMP,
// 5 a target size below 1, 7 an image or target beyond maxRescalePixels, 53 no FreeImage for a
// requested rescale.
ErrorNumber exactPngImage(std::int32_t pixelSize, std::span<const std::uint8_t> memoryBmp,
                          const PngTransparency& transparency, const ResizeRequest& resize, PngImage& out,
                          ExportStageTimes* times = nullptr);

// The bytes of the exact PNG file, built in memory; 53 when the build has no PNG library.
ErrorNumber encodeExactPng(std::int32_t pixelSize, std::span<const std::uint8_t> memoryBmp,
                           const PngTransparency& transparency, const ResizeRequest& resize,
                           std::vector<std::uint8_t>& out, ExportStageTimes* times = nullptr);

// Whether this build can write the exact PNG (it has a PNG library).
bool exactPngAvailable();

// The PNG library's part: the file for an image description. 7 out of memory, 51 a description
// the library refuses (only a fault of ours could make one), 53 no PNG library in this build.
ErrorNumber encodePngFile(const PngImage& image, std::vector<std::uint8_t>& out);

}   // namespace tesk

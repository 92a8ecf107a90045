// Memory BMP -> the exact PNG's image: rows turned top-down and packed as PNG packs samples, the
// BMP's own colour table as the palette. Deliberate: a transparent index the depth cannot hold
// (20 for 4 bits) marks no pixel, so the image is written without transparency rather than lost.
#include "bitmap/exact_png.hpp"

#include <cstring>

#include "bitmap/conversions.hpp"
#include "bitmap/memory_bmp.hpp"

namespace tesk {
namespace {

Rgb tableColour(const OurBmp& bmp, std::size_t entry) {
    const std::uint8_t* e = bmp.table.data() + 4 * entry;   // blue, green, red, 0
    return {e[2], e[1], e[0]};
}

void allocateRows(PngImage& out, std::size_t rowBytes) {
    out.rowBytes = rowBytes;
    out.rows.assign(rowBytes * out.height, 0);
}

// Palette images keep the bitmap's depth: 2-bit pixels, which the BMP holds as 4-bit nibbles of
// value 0 to 3, are packed back four to a byte.
void indexedImage(const OurBmp& bmp, std::int32_t pixelSize, const PngTransparency& transparency, PngImage& out) {
    const unsigned depth = pixelSize == 0 ? 1 : static_cast<unsigned>(pixelSize);
    const std::size_t entries = std::size_t{1} << depth;
    out.colourType = PngColourType::Palette;
    out.bitDepth = static_cast<std::uint8_t>(depth);
    out.palette.clear();
    for (std::size_t i = 0; i < entries; ++i) out.palette.push_back(tableColour(bmp, i));
    out.paletteAlpha.clear();
    // A version 0 bitmap has no transparency.
    if (transparency.kind != 0 && pixelSize != 0 && transparency.index >= 0 &&
        static_cast<std::size_t>(transparency.index) < entries) {
        out.paletteAlpha.assign(static_cast<std::size_t>(transparency.index) + 1, 255);
        out.paletteAlpha.back() = 0;
    }
    allocateRows(out, (std::size_t{out.width} * depth + 7) / 8);
    for (std::int32_t y = 0; y < bmp.height; ++y) {
        const std::uint8_t* src = bmp.row(y);
        std::uint8_t* dst = out.rows.data() + static_cast<std::size_t>(y) * out.rowBytes;
        if (depth != 2) {
            std::memcpy(dst, src, out.rowBytes);
            continue;
        }
        // Two source bytes per output byte; the BMP row is padded to 4 bytes, so the second byte
        // of the last pair is always inside it.
        for (std::size_t i = 0; i < out.rowBytes; ++i) {
            const std::uint8_t a = src[2 * i], b = src[2 * i + 1];
            dst[i] = static_cast<std::uint8_t>((a >> 4 & 3) << 6 | (a & 3) << 4 | (b >> 4 & 3) << 2 | (b & 3));
        }
    }
}

bool channel(std::int32_t v) { return v >= 0 && v <= 255; }

// 16-bit bitmaps: the 24-bit BMP's triples in RGB order, or the 565 pixels expanded the same way.
void colourImage(const OurBmp& bmp, const PngTransparency& transparency, PngImage& out) {
    out.colourType = PngColourType::Rgb;
    out.bitDepth = 8;
    out.palette.clear();
    out.paletteAlpha.clear();
    out.transparentColour.reset();
    if (transparency.kind != 0 && channel(transparency.red) && channel(transparency.green) &&
        channel(transparency.blue))
        out.transparentColour =
            Rgb{static_cast<std::uint8_t>(transparency.red), static_cast<std::uint8_t>(transparency.green),
                static_cast<std::uint8_t>(transparency.blue)};
    allocateRows(out, 3 * std::size_t{out.width});
    for (std::int32_t y = 0; y < bmp.height; ++y) {
        const std::uint8_t* src = bmp.row(y);
        std::uint8_t* dst = out.rows.data() + static_cast<std::size_t>(y) * out.rowBytes;
        for (std::uint32_t x = 0; x < out.width; ++x, dst += 3) {
            if (bmp.bitsPerPixel == 24) {
                dst[0] = src[3 * x + 2];
                dst[1] = src[3 * x + 1];
                dst[2] = src[3 * x];
            } else {
                const Rgb c = ExpandRgb565(src[2 * x + 1], src[2 * x]);   // stored low byte first
                dst[0] = c.red;
                dst[1] = c.green;
                dst[2] = c.blue;
            }
        }
    }
}

// The sample of pixel x in a packed palette row.
std::uint8_t indexAt(const std::uint8_t* row, std::uint32_t x, unsigned depth) {
    if (depth == 8) return row[x];
    const unsigned perByte = 8 / depth;
    const unsigned shift = 8 - depth * (x % perByte + 1);
    return static_cast<std::uint8_t>(row[x / perByte] >> shift & ((1u << depth) - 1));
}

// The image as RGBA with premultiplied alpha: transparent pixels are (0, 0, 0, 0), so the bilinear
// filter blends no colour of theirs into the edge of the picture.
void premultipliedRgba(const PngImage& image, std::vector<std::uint8_t>& out) {
    out.assign(std::size_t{image.width} * image.height * 4, 0);
    std::uint8_t* dst = out.data();
    for (std::uint32_t y = 0; y < image.height; ++y) {
        const std::uint8_t* row = image.rows.data() + std::size_t{y} * image.rowBytes;
        for (std::uint32_t x = 0; x < image.width; ++x, dst += 4) {
            Rgb c;
            bool transparent;
            if (image.colourType == PngColourType::Palette) {
                const std::uint8_t i = indexAt(row, x, image.bitDepth);
                c = image.palette[i];
                transparent = i < image.paletteAlpha.size() && image.paletteAlpha[i] == 0;
            } else {
                c = {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
                const auto& t = image.transparentColour;
                transparent = t && t->red == c.red && t->green == c.green && t->blue == c.blue;
            }
            if (transparent) continue;
            dst[0] = c.red;
            dst[1] = c.green;
            dst[2] = c.blue;
            dst[3] = 255;
        }
    }
}

std::uint8_t unpremultiply(std::uint8_t value, std::uint8_t alpha) {
    const unsigned v = (unsigned{value} * 255 + alpha / 2u) / alpha;
    return static_cast<std::uint8_t>(v > 255 ? 255 : v);
}

ErrorNumber rescaled(PngImage& image, const ResizeRequest& resize, ExportStageTimes* times) {
    if (resize.width < 1 || resize.height < 1) return ErrorNumber::IllegalFunctionCall;
    if (static_cast<std::int64_t>(resize.width) * resize.height > maxRescalePixels) return ErrorNumber::OutOfMemory;
    std::vector<std::uint8_t> rgba, scaled;
    premultipliedRgba(image, rgba);
    {
        StageClock clock{stage(times, &ExportStageTimes::rescale)};
        if (auto e = rescaleRgba(image.width, image.height, rgba, resize.width, resize.height, scaled);
            e != ErrorNumber::None)
            return e;
    }
    for (std::size_t i = 0; i < scaled.size(); i += 4) {
        const std::uint8_t alpha = scaled[i + 3];
        for (std::size_t k = 0; k < 3; ++k) scaled[i + k] = alpha == 0 ? 0 : unpremultiply(scaled[i + k], alpha);
    }
    image.width = static_cast<std::uint32_t>(resize.width);
    image.height = static_cast<std::uint32_t>(resize.height);
    image.colourType = PngColourType::Rgba;
    image.bitDepth = 8;
    image.palette.clear();
    image.paletteAlpha.clear();
    image.transparentColour.reset();
    image.rowBytes = 4 * std::size_t{image.width};
    image.rows = std::move(scaled);
    return ErrorNumber::None;
}

}   // namespace

ErrorNumber exactPngImage(std::int32_t pixelSize, std::span<const std::uint8_t> memoryBmp,
                          const PngTransparency& transparency, const ResizeRequest& resize, PngImage& out,
                          ExportStageTimes* times) {
    OurBmp bmp;
    if (auto e = readOurBmp(memoryBmp, pixelSize, bmp); e != ErrorNumber::None) return e;
    const bool rescale = rescaleWanted(resize, bmp.width, bmp.height);
    // The RGBA copy for a rescale grows with the pixel count, not with the file size.
    if (rescale && static_cast<std::int64_t>(bmp.width) * bmp.height > maxRescalePixels)
        return ErrorNumber::OutOfMemory;
    {
        StageClock clock{stage(times, &ExportStageTimes::load)};
        out.width = static_cast<std::uint32_t>(bmp.width);
        out.height = static_cast<std::uint32_t>(bmp.height);
        out.transparentColour.reset();
        if (pixelSize == 16)
            colourImage(bmp, transparency, out);
        else
            indexedImage(bmp, pixelSize, transparency, out);
    }
    return rescale ? rescaled(out, resize, times) : ErrorNumber::None;
}

ErrorNumber encodeExactPng(std::int32_t pixelSize, std::span<const std::uint8_t> memoryBmp,
                           const PngTransparency& transparency, const ResizeRequest& resize,
                           std::vector<std::uint8_t>& out, ExportStageTimes* times) {
    if (!exactPngAvailable()) return ErrorNumber::FileNotFound;
    PngImage image;
    if (auto e = exactPngImage(pixelSize, memoryBmp, transparency, resize, image, times); e != ErrorNumber::None)
        return e;
    StageClock clock{stage(times, &ExportStageTimes::compress)};
    return encodePngFile(image, out);
}

}   // namespace tesk

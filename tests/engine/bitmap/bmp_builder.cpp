#include "engine/bitmap/bmp_builder.hpp"

#include <algorithm>

#include "bitmap/palettes.hpp"

namespace tesk::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

}   // namespace

BmpImage BmpImage::filled(std::int32_t w, std::int32_t h, std::int32_t depth, std::uint32_t value,
                          std::uint32_t corner) {
    BmpImage img{w, h, depth, false, std::vector<std::uint32_t>(static_cast<std::size_t>(w * h), value)};
    for (std::int32_t y = 0; y < h / 2; ++y)
        for (std::int32_t x = 0; x < w / 2; ++x) img.pixels[static_cast<std::size_t>(y * w + x)] = corner;
    return img;
}

Bytes memoryBmp(const BmpImage& image) {
    const auto& pal = loadpalettes();
    std::uint32_t bpp = 0, compression = 0, colours = 0;
    Bytes table;
    switch (image.pixelSize) {
        case 0:
        case 1:
            bpp = 1;
            colours = 2;
            table.assign(pal.bmp1.begin(), pal.bmp1.end());
            break;
        case 2:   // stored as 4-bit: the 2-bit table, then twelve empty entries
            bpp = 4;
            colours = 16;
            table.assign(pal.bmp2.begin(), pal.bmp2.end());
            table.resize(64, 0);
            break;
        case 4:
            bpp = 4;
            colours = 16;
            table.assign(pal.bmp4.begin(), pal.bmp4.end());
            break;
        case 8:
            bpp = 8;
            colours = 256;
            table.assign(pal.bmp8.begin(), pal.bmp8.end());
            break;
        case 16:
            if (image.sixteenTo24) {
                bpp = 24;
                break;
            }
            bpp = 16;
            compression = 3;
            table.assign(pal.masks16.begin(), pal.masks16.end());
            break;
        default: return {};
    }
    const std::size_t stride = (static_cast<std::size_t>(image.width) * bpp + 31) / 32 * 4;
    const std::size_t offset = 54 + table.size();
    const std::size_t pixelBytes = stride * static_cast<std::size_t>(image.height);
    Bytes b(offset + pixelBytes, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, static_cast<std::uint32_t>(b.size()));
    put32(b, 10, static_cast<std::uint32_t>(offset));
    put32(b, 14, 40);
    put32(b, 18, static_cast<std::uint32_t>(image.width));
    put32(b, 22, static_cast<std::uint32_t>(image.height));
    put16(b, 26, 1);
    put16(b, 28, bpp);
    put32(b, 30, compression);
    put32(b, 34, static_cast<std::uint32_t>(pixelBytes));
    put32(b, 38, 2835);
    put32(b, 42, 2835);
    put32(b, 46, colours);
    put32(b, 50, colours);
    std::copy(table.begin(), table.end(), b.begin() + 54);
    for (std::int32_t y = 0; y < image.height; ++y) {
        const std::size_t row = offset + static_cast<std::size_t>(image.height - 1 - y) * stride;   // bottom-up
        for (std::int32_t x = 0; x < image.width; ++x) {
            const std::uint32_t v = image.pixels[static_cast<std::size_t>(y * image.width + x)];
            const auto ux = static_cast<std::size_t>(x);
            switch (bpp) {
                case 1: b[row + ux / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - ux % 8)); break;
                case 4: b[row + ux / 2] |= static_cast<std::uint8_t>((v & 15) << (ux % 2 ? 0 : 4)); break;
                case 8: b[row + ux] = static_cast<std::uint8_t>(v); break;
                case 16: put16(b, row + 2 * ux, v); break;
                case 24:
                    b[row + 3 * ux] = static_cast<std::uint8_t>(v);
                    b[row + 3 * ux + 1] = static_cast<std::uint8_t>(v >> 8);
                    b[row + 3 * ux + 2] = static_cast<std::uint8_t>(v >> 16);
                    break;
            }
        }
    }
    return b;
}

}   // namespace tesk::test

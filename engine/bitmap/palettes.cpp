// The system palettes, generated from their rules once per process: the 8-bit palette is a
// 6x6x6 colour cube without black, ten greys, five extras and black; 4 and 2 bits are grey ramps.
#include "bitmap/palettes.hpp"

namespace tesk {
namespace {

SystemPalettes build() {
    SystemPalettes p{};
    for (int k = 0; k < 215; ++k) {
        int half = k / 108, j = k % 108;
        p.rgb8[k] = {static_cast<std::uint8_t>(255 - 51 * (j / 18)), static_cast<std::uint8_t>(255 - 51 * (j % 6)),
                     static_cast<std::uint8_t>(255 - 51 * (3 * half + (j % 18) / 6))};
    }
    const std::uint8_t greys[] = {17, 34, 68, 85, 119, 136, 170, 187, 221, 238};
    for (int i = 0; i < 10; ++i) p.rgb8[215 + i] = {greys[i], greys[i], greys[i]};
    p.rgb8[225] = {192, 192, 192};
    p.rgb8[226] = {128, 0, 0};
    p.rgb8[227] = {128, 0, 128};
    p.rgb8[228] = {0, 128, 0};
    p.rgb8[229] = {0, 128, 128};
    for (int i = 230; i < 256; ++i) p.rgb8[i] = {0, 0, 0};
    for (int i = 0; i < 16; ++i) {
        auto v = static_cast<std::uint8_t>(255 - 17 * i);
        p.rgb4[i] = {v, v, v};
    }
    const std::uint8_t ramp2[] = {255, 170, 85, 0};
    for (int i = 0; i < 4; ++i) p.rgb2[i] = {ramp2[i], ramp2[i], ramp2[i]};
    p.rgb1[0] = {255, 255, 255};
    p.rgb1[1] = {0, 0, 0};

    auto toBmp = [](std::span<const Rgb> rgb, std::span<std::uint8_t> out) {
        for (std::size_t i = 0; i < rgb.size(); ++i) {
            out[4 * i] = rgb[i].blue;
            out[4 * i + 1] = rgb[i].green;
            out[4 * i + 2] = rgb[i].red;
            out[4 * i + 3] = 0;
        }
    };
    toBmp(p.rgb8, p.bmp8);
    toBmp(p.rgb4, p.bmp4);
    toBmp(p.rgb2, p.bmp2);
    toBmp(p.rgb1, p.bmp1);
    p.masks16 = {0x00, 0xF8, 0x00, 0x00, 0xE0, 0x07, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00};
    return p;
}

}   // namespace

std::span<const Rgb> SystemPalettes::forDepth(int pixelSize) const {
    switch (pixelSize) {
        case 0:
        case 1: return rgb1;
        case 2: return rgb2;
        case 4: return rgb4;
        case 8: return rgb8;
        default: return {};
    }
}

const SystemPalettes& loadpalettes() {
    static const SystemPalettes palettes = build();   // thread-safe one-time construction
    return palettes;
}

}   // namespace tesk

#include "batch/bench_inputs.hpp"

#include <fmt/format.h>

#include "support/bitmap_builder.hpp"

namespace tesk::bench {
namespace {

using namespace tesk::test;

// Flat areas, an outline and a shaded band: what icons and skin parts mostly hold.
std::vector<std::uint16_t> picture(std::mt19937& rng, int w, int h, int depth) {
    // 8-bit values stay within the 232 colours of the system palette that netpbm knows.
    const std::uint32_t count = depth == 16 ? 0x10000u : depth == 8 ? 232u : 1u << (depth == 0 ? 1 : depth);
    std::uint32_t fill[4];
    for (auto& f : fill) f = static_cast<std::uint32_t>(rng() % count);
    std::vector<std::uint16_t> v;
    v.reserve(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool edge = x == 0 || y == 0 || x == w - 1 || y == h - 1;
            std::uint32_t c = edge ? fill[0] : fill[1 + (x * 3 / w + y * 2 / h) % 3];
            if (!edge && y > h / 2) c = (c + static_cast<std::uint32_t>(x + y) / 3) % count;
            v.push_back(static_cast<std::uint16_t>(c));
        }
    return v;
}

// Colour everywhere: a shaded field with a bright disc, as photographs and game pictures hold.
std::vector<std::uint16_t> colourPicture(std::mt19937& rng, int w, int h, int depth) {
    const int phase = static_cast<int>(rng() % 64);
    std::vector<std::uint16_t> v;
    v.reserve(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int dx = x - w / 2, dy = y - h / 2;
            const bool disc = 4 * (dx * dx + dy * dy) < w * h / 2;
            if (depth == 16) {
                const int r = (x * 31 / w + phase) % 32, g = disc ? 63 - y * 63 / h : y * 63 / h,
                          b = (x + y + phase) % 32;
                v.push_back(static_cast<std::uint16_t>(r << 11 | g << 5 | b));
            } else {
                // Within the 232 colours of the system palette that netpbm knows.
                v.push_back(static_cast<std::uint16_t>((x / 3 + (y / 3) * 7 + (disc ? 100 : 0) + phase) % 232));
            }
        }
    return v;
}

Bytes bitmap(std::mt19937& rng, int w, int h, int depth, Compression c) {
    BitmapBuilder b;
    b.size(w, h).depth(depth).version(2).values(picture(rng, w, h, depth)).compress(c);
    return b.build();
}

constexpr int depths[] = {1, 2, 4, 8, 16};
constexpr Compression kinds[] = {Compression::None, Compression::ScanLine, Compression::Rle, Compression::PackBits};

}   // namespace

Bytes appDatabase(std::mt19937& rng) {
    PrcBuilder app;
    app.name("Typical App");
    for (int i = 0; i < 40; ++i) {
        const int depth = depths[i % 5];
        const int side = 24 + static_cast<int>(rng() % 40);
        const auto kind = kinds[(i / 5) % 4];
        app.resource(i % 4 == 3 ? "tAIB" : "Tbmp", static_cast<std::uint16_t>(1000 + i),
                     bitmap(rng, side + 16, side, depth,
                            depth == 16 && kind == Compression::PackBits ? Compression::None : kind));
    }
    for (int i = 0; i < 6; ++i)
        app.resource("code", static_cast<std::uint16_t>(i), Bytes(3000, static_cast<std::uint8_t>(i)));
    return app.build();
}

Bytes skinDatabase(std::mt19937& rng) {
    PrcBuilder skin;
    skin.name("Big Skin");
    for (int i = 0; i < 2000; ++i) {
        const bool deep = i % 2 == 1;
        skin.resource("Tbmp", static_cast<std::uint16_t>(1000 + i),
                      deep ? bitmap(rng, 80, 72, 16, Compression::None) : bitmap(rng, 112, 100, 8, Compression::None));
    }
    return skin.build();
}

Bytes smallDatabase(std::mt19937& rng, int number, int& icons) {
    PrcBuilder db;
    db.name(fmt::format("Small {:03d}", number));
    icons = 3 + static_cast<int>(rng() % 4);
    for (int i = 0; i < icons; ++i) {
        const int depth = depths[rng() % 4];   // 1 to 8 bits, as small programs carry
        const int side = i == 0 ? 22 : 15 + static_cast<int>(rng() % 18);
        db.resource(i < 2 ? "tAIB" : "Tbmp", static_cast<std::uint16_t>(1000 + i),
                    bitmap(rng, side, side, depth, i % 2 ? Compression::ScanLine : Compression::None));
    }
    db.resource("code", 1, Bytes(800, 0x4E)).resource("tSTR", 1000, Bytes(40, 'a'));
    return db.build();
}

Bytes colourDatabase(std::mt19937& rng, int number, int& bitmaps) {
    PrcBuilder db;
    db.name(fmt::format("Colour {:03d}", number));
    bitmaps = 3 + static_cast<int>(rng() % 4);
    for (int i = 0; i < bitmaps; ++i) {
        const int depth = i % 2 ? 16 : 8;
        const int w = 24 + static_cast<int>(rng() % 137), h = 24 + static_cast<int>(rng() % 137);
        BitmapBuilder b;
        // netpbm reads no compressed 16-bit bitmaps, so only the 8-bit ones are compressed.
        b.size(w, h)
            .depth(depth)
            .version(2)
            .values(colourPicture(rng, w, h, depth))
            .compress(depth == 16 ? Compression::None : Compression::ScanLine);
        db.resource(i == 0 ? "tAIB" : "Tbmp", static_cast<std::uint16_t>(1000 + i), b.build());
    }
    db.resource("code", 1, Bytes(800, 0x4E));
    return db.build();
}

}   // namespace tesk::bench

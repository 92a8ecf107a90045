// Writes the demo database: an application-like resource database with bitmap families of every
// depth, both densities, every compression, an icon family, a transparent bitmap, a version 0
// bitmap, a string and code resources. Usage: make-sample <output.prc>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "support/bitmap_builder.hpp"
#include "support/prc_builder.hpp"

using namespace tesk::test;

namespace {

// A ring on a diagonal gradient, as pixel values of the given depth.
std::vector<std::uint16_t> picture(int w, int h, int depth) {
    std::vector<std::uint16_t> v;
    const double cx = (w - 1) / 2.0, cy = (h - 1) / 2.0, r = std::min(w, h) * 0.38;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double d = std::hypot(x - cx, y - cy);
            const bool ring = std::abs(d - r) < std::max(1.0, r * 0.18);
            const double t = static_cast<double>(x + y) / (w + h - 2 > 0 ? w + h - 2 : 1);
            switch (depth) {
                case 0:
                case 1: v.push_back(ring ? 1 : 0); break;
                case 2: v.push_back(static_cast<std::uint16_t>(ring ? 3 : t < 0.5 ? 0 : 1)); break;
                case 4: v.push_back(static_cast<std::uint16_t>(ring ? 15 : t * 7)); break;
                case 8: v.push_back(static_cast<std::uint16_t>(ring ? 125 : 18 * static_cast<int>(t * 5))); break;
                default: {
                    const auto red = static_cast<std::uint16_t>(ring ? 31 : t * 31);
                    const auto green = static_cast<std::uint16_t>(ring ? 10 : (1 - t) * 63);
                    const auto blue = static_cast<std::uint16_t>(ring ? 0 : 24);
                    v.push_back(static_cast<std::uint16_t>(red << 11 | green << 5 | blue));
                }
            }
        }
    return v;
}

BitmapBuilder bitmap(int w, int h, int depth, int version, Compression c = Compression::None, int density = 72) {
    return BitmapBuilder{}.size(w, h).depth(depth).version(version).density(density).values(picture(w, h, depth)).compress(c);
}

Bytes cString(const std::string& s) {
    Bytes b(s.begin(), s.end());
    b.push_back(0);
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sample <output.prc>\n");
        return 2;
    }
    const auto db =
        PrcBuilder{}
            .name("Tesk Sample")
            .type("appl")
            .creator("TsSm")
            .resource("code", 0, Bytes{0, 0, 0, 0x28, 0, 0, 0, 0})
            .resource("code", 1, Bytes{0x4E, 0x56, 0, 0, 0x4E, 0x5E, 0x4E, 0x75})
            .resource("tSTR", 1000, cString("A sample database for the tesk demo"))
            // An application icon family: low density 1, 2 and 8 bits, then high density.
            .resource("tAIB", 1000, FamilyBuilder{}
                                        .add(bitmap(22, 22, 1, 1))
                                        .add(bitmap(22, 22, 2, 2))
                                        .add(bitmap(22, 22, 8, 2, Compression::ScanLine))
                                        .dummy()
                                        .add(bitmap(44, 44, 8, 3, Compression::PackBits, 144))
                                        .add(bitmap(44, 44, 16, 3, Compression::Rle, 144))
                                        .build())
            .resource("tAIB", 1001, FamilyBuilder{}
                                        .add(bitmap(15, 9, 1, 1))
                                        .add(bitmap(15, 9, 4, 2, Compression::Rle))
                                        .add(bitmap(30, 18, 8, 3, Compression::ScanLine, 144))
                                        .build())
            // Bitmaps of every depth and compression.
            .resource("Tbmp", 1000, FamilyBuilder{}
                                        .add(bitmap(32, 32, 1, 1, Compression::ScanLine))
                                        .add(bitmap(32, 32, 2, 2, Compression::PackBits))
                                        .add(bitmap(32, 32, 4, 2, Compression::Rle))
                                        .add(bitmap(32, 32, 8, 2))
                                        .add(bitmap(32, 32, 16, 3, Compression::PackBits))
                                        .add(bitmap(64, 64, 8, 3, Compression::Rle, 144))
                                        .add(bitmap(64, 64, 16, 3, Compression::ScanLine, 144))
                                        .build())
            .resource("Tbmp", 1001, bitmap(40, 24, 8, 2, Compression::PackBits).transparentIndex(125).build())
            .resource("Tbmp", 1002, bitmap(40, 24, 16, 3).transparent565(0xF940).build())
            .resource("Tbmp", 1003, bitmap(16, 16, 0, 0).build())
            .build();
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(db.data()), static_cast<std::streamsize>(db.size()));
    if (!out) {
        std::fprintf(stderr, "make-sample: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

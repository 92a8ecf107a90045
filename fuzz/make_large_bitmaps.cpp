// Writes databases whose bitmaps declare 32767 x 32767 pixels in every depth and compression,
// with only a few bytes of data behind them, and one honest large bitmap for comparison. Peak
// memory of `tesk extract` over them shows whether the engine sizes buffers by the header or by
// what the data can produce.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/bitmap_builder.hpp"
#include "support/prc_builder.hpp"

using tesk::test::BitmapBuilder;
using tesk::test::Bytes;
using tesk::test::Compression;
using tesk::test::PrcBuilder;

namespace {

void write(const std::filesystem::path& p, const Bytes& bytes) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}   // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    const Bytes stream(64, 0xFF);   // a short stream of whatever kind
    for (int depth : {1, 8, 16}) {
        for (int version : {2, 3}) {
            PrcBuilder db;
            std::uint16_t id = 1000;
            const int rowBytes = (32767 * depth + 15) / 16 * 2;   // the largest the 16-bit field allows is 32766
            const int rb = rowBytes > 32766 ? 32766 : rowBytes;
            const int width = rb * 8 / depth > 32767 ? 32767 : rb * 8 / depth;
            db.resource(
                "Tbmp", id++,
                BitmapBuilder().version(version).depth(depth).size(width, 32767).rowBytes(rb).rows(Bytes(16)).build());
            for (auto c : {Compression::ScanLine, Compression::Rle, Compression::PackBits})
                db.resource("Tbmp", id++,
                            BitmapBuilder()
                                .version(version)
                                .depth(depth)
                                .size(width, 32767)
                                .rowBytes(rb)
                                .compressedStream(c, stream)
                                .build());
            write(dir / ("declared-32767-d" + std::to_string(depth) + "-v" + std::to_string(version) + ".prc"),
                  db.build());
        }
    }
    // Honest: a 4000 x 4000 8-bit image in a run-length stream of about 250 KB.
    {
        const int side = 4000;
        Bytes rows(static_cast<std::size_t>(side) * side);
        for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<std::uint8_t>((i / 97) % 256);
        PrcBuilder db;
        db.resource("Tbmp", 1000,
                    BitmapBuilder().version(2).depth(8).size(side, side).rows(rows).compress(Compression::Rle).build());
        write(dir / "honest-4000-rle.prc", db.build());
    }
    return 0;
}

// The tests' PNG decoder on Linux: libpng.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "engine/bitmap/png_reader.hpp"

namespace tesk::test {
namespace {

struct Cursor {
    const Bytes* bytes;
    std::size_t pos;
};

void readFrom(png_structp png, png_bytep out, png_size_t length) {
    auto* c = static_cast<Cursor*>(png_get_io_ptr(png));
    if (c->pos + length > c->bytes->size()) png_error(png, "read past the end");
    std::memcpy(out, c->bytes->data() + c->pos, length);
    c->pos += length;
}

void quiet(png_structp, png_const_charp) {}

}   // namespace

std::optional<DecodedPng> readPng(const Bytes& file) {
    DecodedPng out;
    Cursor cursor{&file, 0};
    std::vector<std::uint8_t> row;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, quiet, quiet);
    if (!png) return std::nullopt;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return std::nullopt;
    }
    png_set_read_fn(png, &cursor, readFrom);
    png_read_info(png, info);
    out.width = png_get_image_width(png, info);
    out.height = png_get_image_height(png, info);
    out.bitDepth = png_get_bit_depth(png, info);
    out.colourType = png_get_color_type(png, info);
    png_colorp plte = nullptr;
    int entries = 0;
    if (png_get_PLTE(png, info, &plte, &entries))
        for (int i = 0; i < entries; ++i) out.palette.push_back({plte[i].red, plte[i].green, plte[i].blue});
    png_bytep alpha = nullptr;
    int alphas = 0;
    png_color_16p colour = nullptr;
    if (png_get_tRNS(png, info, &alpha, &alphas, &colour)) {
        if (out.colourType == 3)
            out.paletteAlpha.assign(alpha, alpha + alphas);
        else if (colour)
            out.transparentColour =
                Colour{static_cast<std::uint8_t>(colour->red), static_cast<std::uint8_t>(colour->green),
                       static_cast<std::uint8_t>(colour->blue)};
    }
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE || out.width > 100000 || out.height > 100000) {
        png_destroy_read_struct(&png, &info, nullptr);
        return std::nullopt;
    }
    row.resize(png_get_rowbytes(png, info));
    for (std::uint32_t y = 0; y < out.height; ++y) {
        png_read_row(png, row.data(), nullptr);
        out.appendRow(row.data());
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return out;
}

}   // namespace tesk::test

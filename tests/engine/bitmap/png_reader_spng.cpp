// The tests' PNG decoder in the Windows build: libspng's, the one library there that reads PNG.
#include <spng.h>

#include <memory>

#include "engine/bitmap/png_reader.hpp"

namespace tesk::test {
namespace {

struct ContextFree {
    void operator()(spng_ctx* c) const { spng_ctx_free(c); }
};

}   // namespace

std::optional<DecodedPng> readPng(const Bytes& file) {
    std::unique_ptr<spng_ctx, ContextFree> ctx{spng_ctx_new(0)};
    spng_ctx* c = ctx.get();
    spng_ihdr ihdr{};
    if (!c || spng_set_image_limits(c, 100000, 100000) || spng_set_png_buffer(c, file.data(), file.size()) ||
        spng_get_ihdr(c, &ihdr) || ihdr.interlace_method != SPNG_INTERLACE_NONE)
        return std::nullopt;
    DecodedPng out;
    out.width = ihdr.width;
    out.height = ihdr.height;
    out.bitDepth = ihdr.bit_depth;
    out.colourType = ihdr.color_type;
    spng_plte plte{};
    if (spng_get_plte(c, &plte) == 0)
        for (std::uint32_t i = 0; i < plte.n_entries; ++i)
            out.palette.push_back({plte.entries[i].red, plte.entries[i].green, plte.entries[i].blue});
    spng_trns trns{};
    if (spng_get_trns(c, &trns) == 0) {
        if (out.colourType == 3)
            out.paletteAlpha.assign(trns.type3_alpha, trns.type3_alpha + trns.n_type3_entries);
        else
            out.transparentColour = Colour{static_cast<std::uint8_t>(trns.red), static_cast<std::uint8_t>(trns.green),
                                           static_cast<std::uint8_t>(trns.blue)};
    }
    // SPNG_FMT_PNG: the rows as the file packs them, without a transform.
    std::size_t size = 0;
    if (spng_decoded_image_size(c, SPNG_FMT_PNG, &size)) return std::nullopt;
    std::vector<std::uint8_t> image(size);
    if (spng_decode_image(c, image.data(), image.size(), SPNG_FMT_PNG, 0)) return std::nullopt;
    const std::size_t rowBytes = out.height == 0 ? 0 : size / out.height;
    for (std::uint32_t y = 0; y < out.height; ++y) out.appendRow(image.data() + std::size_t{y} * rowBytes);
    return out;
}

}   // namespace tesk::test

// The in-memory BMP files writebmp builds, read back by the exports. Only exactly that layout is
// accepted, so no encoder ever sees a BMP of any other shape or one whose sizes lie.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/error_number.hpp"

namespace tesk {

struct OurBmp {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitsPerPixel = 0;         // 1, 4, 8, 16 (5-6-5 bit fields) or 24
    std::span<const std::uint8_t> table;    // blue, green, red, 0 per entry; the masks for 16 bits
    std::span<const std::uint8_t> pixels;   // rows bottom-up, `stride` bytes each
    std::size_t stride = 0;

    // Row y counted from the top, as an image is shown.
    const std::uint8_t* row(std::int32_t y) const {
        return pixels.data() + static_cast<std::size_t>(height - 1 - y) * stride;
    }
};

// None when the bytes are the BMP writebmp builds for this Palm depth (0, 1, 2, 4, 8 or 16), with
// every row present; InternalError (51) for anything else, since only our own writer builds them.
ErrorNumber readOurBmp(std::span<const std::uint8_t> bmp, std::int32_t pixelSize, OurBmp& out);

}   // namespace tesk

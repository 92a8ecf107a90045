// JPEG and PNG output: the in-memory BMP that writebmp built is opened with FreeImage, converted,
// optionally rescaled to the target size and saved beside where the BMP would have gone.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "driver/extraction_context.hpp"

namespace tesk {

// bmpFileName ends in ".bmp"; the output replaces its last three characters with "jpg"/"png".
void writeJpeg(ExtractionContext& ctx, const std::string& bmpFileName, std::int32_t pixelSize,
               std::span<const std::uint8_t> memoryBmp);
void writePng(ExtractionContext& ctx, const std::string& bmpFileName, std::int32_t pixelSize,
              std::span<const std::uint8_t> memoryBmp, std::int32_t transparencyKind,
              std::int32_t transparentIndex, std::int32_t transparentRed, std::int32_t transparentGreen,
              std::int32_t transparentBlue);

}  // namespace tesk

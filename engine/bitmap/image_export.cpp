// Placeholder until the FreeImage export lands: JPEG and PNG requests write nothing.
#include "bitmap/image_export.hpp"

namespace tesk {

void writeJpeg(ExtractionContext&, const std::string&, std::int32_t, std::span<const std::uint8_t>) {}

void writePng(ExtractionContext&, const std::string&, std::int32_t, std::span<const std::uint8_t>, std::int32_t,
              std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}

}  // namespace tesk

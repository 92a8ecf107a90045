// A build without FreeImage (the Windows cross-build): JPEG, the quantised PNG and rescaling are
// refused, so the exports write nothing and record the error under their own names.
#include "bitmap/image_export.hpp"

namespace tesk {

bool imageExportAvailable() { return false; }

ErrorNumber encodeJpeg(std::int32_t, std::span<const std::uint8_t>, const ResizeRequest&, std::vector<std::uint8_t>&,
                       ExportStageTimes*) {
    return ErrorNumber::FileNotFound;
}

ErrorNumber encodePng(std::int32_t, std::span<const std::uint8_t>, const PngTransparency&, const ResizeRequest&,
                      std::vector<std::uint8_t>&, ExportStageTimes*) {
    return ErrorNumber::FileNotFound;
}

ErrorNumber rescaleRgba(std::uint32_t, std::uint32_t, std::span<const std::uint8_t>, std::int32_t, std::int32_t,
                        std::vector<std::uint8_t>&) {
    return ErrorNumber::FileNotFound;
}

}   // namespace tesk

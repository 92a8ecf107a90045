// JPEG and PNG output: the in-memory BMP that writebmp built is opened with FreeImage, converted,
// optionally rescaled to the target size and saved beside where the BMP would have gone; or, for
// the exact PNG (image format 3), written as it is through a PNG library (exact_png.hpp).
// The image is encoded in memory first and written through the run's file system in one step, so a
// refused or failed save leaves no file behind and an existing output is only replaced by a whole one.
// Both exports may run at the same time in several contexts (one per thread).
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "bitmap/bitmap_host.hpp"
#include "bitmap/palettes.hpp"
#include "platform/error_number.hpp"

namespace tesk {

// bmpFileName ends in ".bmp"; the output replaces its last three characters with "jpg"/"png".
// Each returns the path written, or empty when nothing was (the failure is recorded).
std::string writeJpeg(BitmapHost& host, const std::string& bmpFileName, std::int32_t pixelSize,
                      std::span<const std::uint8_t> memoryBmp);
std::string writePng(BitmapHost& host, const std::string& bmpFileName, std::int32_t pixelSize,
                     std::span<const std::uint8_t> memoryBmp, std::int32_t transparencyKind,
                     std::int32_t transparentIndex, std::int32_t transparentRed, std::int32_t transparentGreen,
                     std::int32_t transparentBlue);

// The exact PNG (image format 3): the same name, replace rule and error record as writePng.
std::string writeExactPng(BitmapHost& host, const std::string& bmpFileName, std::int32_t pixelSize,
                          std::span<const std::uint8_t> memoryBmp, std::int32_t transparencyKind,
                          std::int32_t transparentIndex, std::int32_t transparentRed, std::int32_t transparentGreen,
                          std::int32_t transparentBlue);

// The lowest index among the palette entries at the smallest squared RGB distance from the colour.
int NearestPaletteIndex(std::int32_t red, std::int32_t green, std::int32_t blue, std::span<const Rgb, 256> palette);

// The rescale settings of a run: mode 0 none, 1 shrink only, 2 always; the target is exact.
struct ResizeRequest {
    std::int32_t mode = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

inline ResizeRequest resizeRequest(const ImageSettings& s) { return {s.resizeMode, s.resizeWidth, s.resizeHeight}; }

// Whether an image of this size is rescaled: mode 1 when it is wider or taller than the target,
// mode 2 always.
bool rescaleWanted(const ResizeRequest& resize, std::int64_t width, std::int64_t height);

struct PngTransparency {
    std::int32_t kind = 0;                       // 0 none
    std::int32_t index = 0;                      // into the system palette of the bitmap's depth (1 to 8 bits)
    std::int32_t red = 0, green = 0, blue = 0;   // 16-bit bitmaps
};

// Where an encoding spent its time; filled only when a caller asks (the benchmarks do).
struct ExportStageTimes {
    std::chrono::nanoseconds load{};       // opening the memory BMP
    std::chrono::nanoseconds quantise{};   // 24-bit conversion and palette reduction (PNG)
    std::chrono::nanoseconds rescale{};
    std::chrono::nanoseconds compress{};   // encoding into the file format, in memory
};

// Adds the time from its construction to its end to one stage, when the caller keeps times.
class StageClock {
public:
    explicit StageClock(std::chrono::nanoseconds* stage)
        : stage_(stage), start_(stage ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point{}) {}
    ~StageClock() {
        if (stage_)
            *stage_ += std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start_);
    }
    StageClock(const StageClock&) = delete;
    StageClock& operator=(const StageClock&) = delete;

private:
    std::chrono::nanoseconds* stage_;
    std::chrono::steady_clock::time_point start_;
};

inline std::chrono::nanoseconds* stage(ExportStageTimes* times, std::chrono::nanoseconds ExportStageTimes::*member) {
    return times ? &(times->*member) : nullptr;
}

// Whether JPEG and PNG can be written: FreeImage is loaded on first use and may be missing (or left
// out of the build). Without it the exports write nothing and record FileNotFound (53): the
// library's file was not found.
bool imageExportAvailable();

// The bytes of the JPEG or PNG file the exports write, built in memory; nothing touches the disk.
// Error numbers: 9 transparent index outside the depth's palette, 51 a malformed memory BMP,
// 5 a target size below 1 or an image FreeImage refuses to save, 7 out of memory or an image or
// target size beyond maxRescalePixels, 53 FreeImage not available.
ErrorNumber encodeJpeg(std::int32_t pixelSize, std::span<const std::uint8_t> memoryBmp, const ResizeRequest& resize,
                       std::vector<std::uint8_t>& out, ExportStageTimes* times = nullptr);
ErrorNumber encodePng(std::int32_t pixelSize, std::span<const std::uint8_t> memoryBmp,
                      const PngTransparency& transparency, const ResizeRequest& resize, std::vector<std::uint8_t>& out,
                      ExportStageTimes* times = nullptr);

// Premultiplied RGBA pixels (top row first, 4 bytes each) rescaled to exactly the target with
// FreeImage's bilinear filter, as the other exports rescale: the exact PNG's resize. 53 FreeImage
// not available, 7 out of memory.
ErrorNumber rescaleRgba(std::uint32_t width, std::uint32_t height, std::span<const std::uint8_t> rgba,
                        std::int32_t targetWidth, std::int32_t targetHeight, std::vector<std::uint8_t>& out);

// The largest image or rescale target the export accepts (pixels): beyond it the export refuses
// rather than asking for gigabytes.
inline constexpr std::int64_t maxRescalePixels = std::int64_t{1} << 26;

}   // namespace tesk

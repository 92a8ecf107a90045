// JPEG and PNG files from the in-memory BMP: naming, the replace rule and the one write through the
// run's file system. The encoding itself is in freeimage_encode.cpp (or encode_unavailable.cpp on a
// build without FreeImage) and exact_png.cpp, so a refused or failed encoding leaves no file behind.
#include "bitmap/image_export.hpp"

#include "bitmap/exact_png.hpp"

#include <limits>
#include <new>

namespace tesk {
namespace {

// The output name: the BMP name with its last three characters replaced.
bool outputName(const std::string& bmpFileName, std::string_view extension, std::string& out) {
    if (bmpFileName.size() < 4) return false;
    out = bmpFileName.substr(0, bmpFileName.size() - 3);
    out += extension;
    return true;
}

// Replaces an existing output under the same rule as BMP files (so a read-only, hidden or linked
// file is never touched) and writes the whole encoded file at once.
ErrorNumber storeFile(BitmapHost& host, const std::string& path, std::span<const std::uint8_t> bytes) {
    if (auto e = replaceExistingOutput(host.runServices().files, path); e != ErrorNumber::None) return e;
    if (auto e = host.runServices().files.writeFile(path, bytes); e != ErrorNumber::None) return e;
    host.imageFileWritten();
    return ErrorNumber::None;
}

// The path written, or empty with the failure recorded.
template <typename Encode>
std::string exportImage(BitmapHost& host, const std::string& bmpFileName, std::string_view extension,
                        std::string_view operation, Encode&& encode) {
    ErrorNumber e = ErrorNumber::None;
    try {
        std::string path;
        if (!outputName(bmpFileName, extension, path)) {
            e = ErrorNumber::BadFileName;
        } else {
            std::vector<std::uint8_t> bytes;
            e = encode(bytes);
            if (e == ErrorNumber::None) e = storeFile(host, path, bytes);
            if (e == ErrorNumber::None) return path;
        }
    } catch (const std::bad_alloc&) {
        e = ErrorNumber::OutOfMemory;
    } catch (...) {
        e = ErrorNumber::InternalError;
    }
    recordError(host, e, operation);
    return {};
}

}   // namespace

bool rescaleWanted(const ResizeRequest& resize, std::int64_t width, std::int64_t height) {
    if (resize.mode == 1) return width > resize.width || height > resize.height;
    return resize.mode == 2;
}

int NearestPaletteIndex(std::int32_t red, std::int32_t green, std::int32_t blue, std::span<const Rgb, 256> palette) {
    int best = 0;
    std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
    for (int i = 0; i < 256; ++i) {
        const auto& e = palette[static_cast<std::size_t>(i)];
        const std::int64_t dr = std::int64_t{e.red} - red, dg = std::int64_t{e.green} - green,
                           db = std::int64_t{e.blue} - blue;
        const std::int64_t distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {   // strictly nearer: ties keep the lower index
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

std::string writeJpeg(BitmapHost& host, const std::string& bmpFileName, std::int32_t pixelSize,
                      std::span<const std::uint8_t> memoryBmp) {
    const ResizeRequest resize = resizeRequest(host.imageSettings());
    return exportImage(host, bmpFileName, "jpg", op::writeJpeg, [&](std::vector<std::uint8_t>& bytes) {
        return encodeJpeg(pixelSize, memoryBmp, resize, bytes);
    });
}

namespace {

using PngEncoder = ErrorNumber (*)(std::int32_t, std::span<const std::uint8_t>, const PngTransparency&,
                                   const ResizeRequest&, std::vector<std::uint8_t>&, ExportStageTimes*);

// Both PNG forms share the name, the replace rule and the operation name "Write PNG".
std::string exportPng(BitmapHost& host, const std::string& bmpFileName, std::int32_t pixelSize,
                      std::span<const std::uint8_t> memoryBmp, const PngTransparency& transparency, PngEncoder encode) {
    const ResizeRequest resize = resizeRequest(host.imageSettings());
    return exportImage(host, bmpFileName, "png", op::writePng, [&](std::vector<std::uint8_t>& bytes) {
        return encode(pixelSize, memoryBmp, transparency, resize, bytes, nullptr);
    });
}

}   // namespace

std::string writePng(BitmapHost& host, const std::string& bmpFileName, std::int32_t pixelSize,
                     std::span<const std::uint8_t> memoryBmp, std::int32_t transparencyKind,
                     std::int32_t transparentIndex, std::int32_t transparentRed, std::int32_t transparentGreen,
                     std::int32_t transparentBlue) {
    return exportPng(host, bmpFileName, pixelSize, memoryBmp,
                     {transparencyKind, transparentIndex, transparentRed, transparentGreen, transparentBlue},
                     encodePng);
}

std::string writeExactPng(BitmapHost& host, const std::string& bmpFileName, std::int32_t pixelSize,
                          std::span<const std::uint8_t> memoryBmp, std::int32_t transparencyKind,
                          std::int32_t transparentIndex, std::int32_t transparentRed, std::int32_t transparentGreen,
                          std::int32_t transparentBlue) {
    return exportPng(host, bmpFileName, pixelSize, memoryBmp,
                     {transparencyKind, transparentIndex, transparentRed, transparentGreen, transparentBlue},
                     encodeExactPng);
}

}   // namespace tesk

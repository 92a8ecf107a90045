// In-memory BMP -> JPEG or PNG bytes through FreeImage. Every FreeImage call of the engine lives here.
// FreeImage only ever sees a BMP whose header this file has checked against the layout writebmp
// produces. Deliberate: a save FreeImage refuses is an error, never passed over as success.
#include <algorithm>
#include <limits>
#include <memory>
#include <new>

#include "bitmap/freeimage_library.hpp"
#include "bitmap/image_export.hpp"
#include "bitmap/memory_bmp.hpp"

namespace tesk {
namespace {

constexpr int jpegSaveFlags = JPEG_QUALITYSUPERB;   // 0x80
constexpr int pngSaveFlags = PNG_DEFAULT;           // 0

// Only called once an encoder has seen the library load.
const FreeImageLibrary& fi() { return *freeImageLibrary(); }

struct BitmapUnloader {
    void operator()(FIBITMAP* b) const { fi().Unload(b); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapUnloader>;

struct MemoryCloser {
    void operator()(FIMEMORY* m) const { fi().CloseMemory(m); }
};
using Memory = std::unique_ptr<FIMEMORY, MemoryCloser>;

// Our own BMP layout, and no larger than the 24-bit and quantised copies FreeImage makes of it
// may grow (they grow with the pixel count, not the file size).
ErrorNumber checkOurBmp(std::span<const std::uint8_t> bmp, std::int32_t pixelSize) {
    OurBmp shape;
    if (auto e = readOurBmp(bmp, pixelSize, shape); e != ErrorNumber::None) return e;
    if (static_cast<std::int64_t>(shape.width) * shape.height > maxRescalePixels) return ErrorNumber::OutOfMemory;
    return ErrorNumber::None;
}

Bitmap LoadBitmapFromMemory(std::span<const std::uint8_t> bytes) {
    // FreeImage reads through a non-const pointer but never writes to a stream opened on a buffer.
    Memory stream{fi().OpenMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()))};
    if (!stream) return nullptr;
    const FREE_IMAGE_FORMAT format = fi().GetFileTypeFromMemory(stream.get(), 0);
    if (format != FIF_BMP) return nullptr;
    return Bitmap{fi().LoadFromMemory(format, stream.get(), 0)};
}

// Opens a memory BMP once it has passed the check; a failure after that can only be a lack of memory.
ErrorNumber load(std::span<const std::uint8_t> memoryBmp, std::int32_t pixelSize, Bitmap& out,
                 ExportStageTimes* times) {
    if (auto e = checkOurBmp(memoryBmp, pixelSize); e != ErrorNumber::None) return e;
    StageClock clock{stage(times, &ExportStageTimes::load)};
    out = LoadBitmapFromMemory(memoryBmp);
    return out ? ErrorNumber::None : ErrorNumber::OutOfMemory;
}

// Replaces the bitmap by its converted form; FreeImage returns nothing only when out of memory.
ErrorNumber replaceBy(Bitmap& bitmap, FIBITMAP* converted) {
    if (!converted) return ErrorNumber::OutOfMemory;
    bitmap.reset(converted);
    return ErrorNumber::None;
}

ErrorNumber rescaleStep(Bitmap& bitmap, const ResizeRequest& resize, ExportStageTimes* times) {
    if (!rescaleWanted(resize, fi().GetWidth(bitmap.get()), fi().GetHeight(bitmap.get()))) return ErrorNumber::None;
    if (resize.width < 1 || resize.height < 1) return ErrorNumber::IllegalFunctionCall;
    if (static_cast<std::int64_t>(resize.width) * resize.height > maxRescalePixels) return ErrorNumber::OutOfMemory;
    StageClock clock{stage(times, &ExportStageTimes::rescale)};
    return replaceBy(bitmap, fi().Rescale(bitmap.get(), resize.width, resize.height, FILTER_BILINEAR));
}

ErrorNumber saveToBytes(FREE_IMAGE_FORMAT format, FIBITMAP* bitmap, int flags, std::vector<std::uint8_t>& out,
                        ExportStageTimes* times) {
    StageClock clock{stage(times, &ExportStageTimes::compress)};
    // A depth the format cannot hold (16-bit for JPEG) is a request FreeImage refuses, not a lack of memory.
    if (!fi().FIFSupportsExportBPP(format, static_cast<int>(fi().GetBPP(bitmap))))
        return ErrorNumber::IllegalFunctionCall;
    Memory stream{fi().OpenMemory(nullptr, 0)};
    if (!stream) return ErrorNumber::OutOfMemory;
    if (!fi().SaveToMemory(format, bitmap, stream.get(), flags)) return ErrorNumber::IllegalFunctionCall;
    BYTE* data = nullptr;
    DWORD size = 0;
    if (!fi().AcquireMemory(stream.get(), &data, &size) || data == nullptr || size == 0)
        return ErrorNumber::IllegalFunctionCall;
    try {
        out.assign(data, data + size);
    } catch (const std::bad_alloc&) {
        return ErrorNumber::OutOfMemory;
    }
    return ErrorNumber::None;
}

}   // namespace

bool imageExportAvailable() { return freeImageLibrary() != nullptr; }

ErrorNumber encodeJpeg(std::int32_t pixelSize, std::span<const std::uint8_t> memoryBmp, const ResizeRequest& resize,
                       std::vector<std::uint8_t>& out, ExportStageTimes* times) {
    if (freeImageLibrary() == nullptr) return ErrorNumber::FileNotFound;
    Bitmap bitmap;
    if (auto e = load(memoryBmp, pixelSize, bitmap, times); e != ErrorNumber::None) return e;
    if (pixelSize < 8) {
        StageClock clock{stage(times, &ExportStageTimes::quantise)};
        if (auto e = replaceBy(bitmap, fi().ConvertTo24Bits(bitmap.get())); e != ErrorNumber::None) return e;
    }
    if (auto e = rescaleStep(bitmap, resize, times); e != ErrorNumber::None) return e;
    return saveToBytes(FIF_JPEG, bitmap.get(), jpegSaveFlags, out, times);
}

ErrorNumber rescaleRgba(std::uint32_t width, std::uint32_t height, std::span<const std::uint8_t> rgba,
                        std::int32_t targetWidth, std::int32_t targetHeight, std::vector<std::uint8_t>& out) {
    if (freeImageLibrary() == nullptr) return ErrorNumber::FileNotFound;
    const std::size_t pixels = std::size_t{width} * height;
    if (width < 1 || height < 1 || targetWidth < 1 || targetHeight < 1 || rgba.size() != 4 * pixels)
        return ErrorNumber::InternalError;
    // FreeImage keeps 32-bit pixels in its own channel order.
    std::vector<std::uint8_t> native(rgba.size());
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        native[i + FI_RGBA_RED] = rgba[i];
        native[i + FI_RGBA_GREEN] = rgba[i + 1];
        native[i + FI_RGBA_BLUE] = rgba[i + 2];
        native[i + FI_RGBA_ALPHA] = rgba[i + 3];
    }
    Bitmap source{fi().ConvertFromRawBits(native.data(), static_cast<int>(width), static_cast<int>(height),
                                          static_cast<int>(4 * width), 32, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK,
                                          FI_RGBA_BLUE_MASK, TRUE)};
    if (!source) return ErrorNumber::OutOfMemory;
    Bitmap scaled{fi().Rescale(source.get(), targetWidth, targetHeight, FILTER_BILINEAR)};
    if (!scaled) return ErrorNumber::OutOfMemory;
    if (fi().GetBPP(scaled.get()) != 32) return ErrorNumber::InternalError;
    const auto w = static_cast<std::size_t>(targetWidth), h = static_cast<std::size_t>(targetHeight);
    native.assign(4 * w * h, 0);
    fi().ConvertToRawBits(native.data(), scaled.get(), static_cast<int>(4 * w), 32, FI_RGBA_RED_MASK,
                          FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK, TRUE);
    out.resize(native.size());
    for (std::size_t i = 0; i < native.size(); i += 4) {
        out[i] = native[i + FI_RGBA_RED];
        out[i + 1] = native[i + FI_RGBA_GREEN];
        out[i + 2] = native[i + FI_RGBA_BLUE];
        out[i + 3] = native[i + FI_RGBA_ALPHA];
    }
    return ErrorNumber::None;
}

ErrorNumber encodePng(std::int32_t pixelSize, std::span<const std::uint8_t> memoryBmp,
                      const PngTransparency& transparency, const ResizeRequest& resize, std::vector<std::uint8_t>& out,
                      ExportStageTimes* times) {
    if (freeImageLibrary() == nullptr) return ErrorNumber::FileNotFound;
    // The transparent colour is settled first, so a bad index leaves everything untouched.
    bool transparent = false;
    std::int32_t red = 0, green = 0, blue = 0;
    if (transparency.kind != 0 && pixelSize == 16) {
        transparent = true;
        red = transparency.red;
        green = transparency.green;
        blue = transparency.blue;
    } else if (transparency.kind != 0 && pixelSize >= 1 && pixelSize <= 8) {
        auto system = loadpalettes().forDepth(pixelSize);
        if (system.empty()) return ErrorNumber::InternalError;
        if (transparency.index < 0 || static_cast<std::size_t>(transparency.index) >= system.size())
            return ErrorNumber::SubscriptOutOfRange;
        // The colour the index stands for is the one the image was written with: a bitmap may carry
        // its own colour table, which the BMP holds in place of the system palette.
        const Rgb& colour = system[static_cast<std::size_t>(transparency.index)];
        const std::size_t entry = 54 + 4 * static_cast<std::size_t>(transparency.index);
        transparent = true;
        if (memoryBmp.size() >= entry + 4) {
            blue = memoryBmp[entry];
            green = memoryBmp[entry + 1];
            red = memoryBmp[entry + 2];
        } else {
            red = colour.red;
            green = colour.green;
            blue = colour.blue;
        }
    }

    Bitmap bitmap;
    if (auto e = load(memoryBmp, pixelSize, bitmap, times); e != ErrorNumber::None) return e;
    {
        StageClock clock{stage(times, &ExportStageTimes::quantise)};
        if (auto e = replaceBy(bitmap, fi().ConvertTo24Bits(bitmap.get())); e != ErrorNumber::None) return e;
        if (auto e = replaceBy(bitmap, fi().ColorQuantize(bitmap.get(), FIQ_WUQUANT)); e != ErrorNumber::None) return e;
        const RGBQUAD* quantised = fi().GetPalette(bitmap.get());
        if (!quantised || fi().GetColorsUsed(bitmap.get()) != 256) return ErrorNumber::InternalError;
        if (transparent) {
            std::array<Rgb, 256> palette{};
            for (std::size_t i = 0; i < palette.size(); ++i)
                palette[i] = {quantised[i].rgbRed, quantised[i].rgbGreen, quantised[i].rgbBlue};
            fi().SetTransparentIndex(bitmap.get(), NearestPaletteIndex(red, green, blue, palette));
        }
    }
    if (auto e = rescaleStep(bitmap, resize, times); e != ErrorNumber::None) return e;
    return saveToBytes(FIF_PNG, bitmap.get(), pngSaveFlags, out, times);
}

}   // namespace tesk

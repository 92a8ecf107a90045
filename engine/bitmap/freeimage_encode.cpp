// In-memory BMP -> JPEG or PNG bytes through FreeImage. Every FreeImage call of the engine lives here.
// FreeImage only ever sees a BMP whose header this file has checked against the layout writebmp
// produces. Deliberate: a save FreeImage refuses is an error, never passed over as success.
#include <algorithm>
#include <limits>
#include <memory>
#include <new>

#include "bitmap/freeimage_library.hpp"
#include "bitmap/image_export.hpp"
#include "platform/byte_reader.hpp"

namespace tesk {
namespace {

constexpr int jpegSaveFlags = JPEG_QUALITYSUPERB;   // 0x80
constexpr int pngSaveFlags = PNG_DEFAULT;           // 0
constexpr std::size_t bmpHeaderBytes = 54;

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

// Adds the time from its construction to its end to one stage, when the caller keeps times.
class StageClock {
public:
    explicit StageClock(std::chrono::nanoseconds* stage)
        : stage_(stage), start_(stage ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point{}) {}
    ~StageClock() {
        if (stage_) *stage_ += std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start_);
    }
    StageClock(const StageClock&) = delete;
    StageClock& operator=(const StageClock&) = delete;

private:
    std::chrono::nanoseconds* stage_;
    std::chrono::steady_clock::time_point start_;
};

std::chrono::nanoseconds* stage(ExportStageTimes* times, std::chrono::nanoseconds ExportStageTimes::*member) {
    return times ? &(times->*member) : nullptr;
}

// The BMP layout writebmp produces for a Palm depth: bits per pixel, compression, colour entries.
struct BmpShape {
    std::uint16_t bitsPerPixel;
    std::uint32_t compression;
    std::uint32_t coloursUsed;
    std::size_t tableBytes;   // colour table or masks after the 54-byte header
};

bool shapeFor(std::int32_t pixelSize, std::uint16_t bitsPerPixel, BmpShape& out) {
    switch (pixelSize) {
        case 0:
        case 1: out = {1, 0, 2, 8}; return bitsPerPixel == 1;
        case 2:
        case 4: out = {4, 0, 16, 64}; return bitsPerPixel == 4;
        case 8: out = {8, 0, 256, 1024}; return bitsPerPixel == 8;
        case 16:
            if (bitsPerPixel == 24) { out = {24, 0, 0, 0}; return true; }
            out = {16, 3, 0, 12};
            return bitsPerPixel == 16;
        default: return false;
    }
}

// None when the bytes are exactly the kind of BMP file writebmp builds for this depth, with enough
// pixel data for every row; InternalError for anything else, since only our own writer builds them;
// OutOfMemory for an image too large to hand on.
ErrorNumber checkOurBmp(std::span<const std::uint8_t> bmp, std::int32_t pixelSize) {
    constexpr auto malformed = ErrorNumber::InternalError;
    if (bmp.size() < bmpHeaderBytes || bmp.size() > std::numeric_limits<std::uint32_t>::max()) return malformed;
    ByteReader in{bmp};
    if (in.u8() != 'B' || in.u8() != 'M') return malformed;       // +0 type
    const std::uint32_t fileSize = in.le32();                      // +2
    in.skip(4);                                                    // +6 reserved
    const std::uint32_t pixelOffset = in.le32();                   // +10
    const std::uint32_t infoSize = in.le32();                      // +14
    const auto width = static_cast<std::int32_t>(in.le32());       // +18
    const auto height = static_cast<std::int32_t>(in.le32());      // +22 positive: rows bottom-up
    const std::uint16_t planes = in.le16();                        // +26
    const std::uint16_t bitsPerPixel = in.le16();                  // +28
    const std::uint32_t compression = in.le32();                   // +30
    const std::uint32_t imageSize = in.le32();                     // +34
    in.skip(8);                                                    // +38 pixels per metre, both ways
    const std::uint32_t coloursUsed = in.le32();                   // +46
    const std::uint32_t important = in.le32();                     // +50
    BmpShape shape{};
    if (in.overran() || !shapeFor(pixelSize, bitsPerPixel, shape)) return malformed;
    if (fileSize != bmp.size() || infoSize != 40 || planes != 1 || compression != shape.compression ||
        coloursUsed != shape.coloursUsed || important != shape.coloursUsed ||
        pixelOffset != bmpHeaderBytes + shape.tableBytes || imageSize != bmp.size() - pixelOffset)
        return malformed;
    if (width < 1 || height < 1) return malformed;
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitsPerPixel + 31) / 32 * 4;
    if (stride * static_cast<std::uint64_t>(height) > imageSize) return malformed;
    if (shape.compression == 3) {
        // The 5-6-5 masks; any other split would make FreeImage read other colours than ours.
        ByteReader masks{bmp, bmpHeaderBytes};
        if (masks.le32() != 0xF800 || masks.le32() != 0x07E0 || masks.le32() != 0x001F) return malformed;
    }
    // The 24-bit and quantised copies FreeImage makes grow with the pixel count, not the file size.
    if (static_cast<std::int64_t>(width) * height > maxRescalePixels) return ErrorNumber::OutOfMemory;
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
    bool wanted = false;
    if (resize.mode == 1)
        wanted = static_cast<std::int64_t>(fi().GetWidth(bitmap.get())) > resize.width ||
                 static_cast<std::int64_t>(fi().GetHeight(bitmap.get())) > resize.height;
    else if (resize.mode == 2)
        wanted = true;
    if (!wanted) return ErrorNumber::None;
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

}  // namespace

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
        if (auto e = replaceBy(bitmap, fi().ColorQuantize(bitmap.get(), FIQ_WUQUANT)); e != ErrorNumber::None)
            return e;
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

}  // namespace tesk

// BMP files: a 54-byte header, the colour table (or the 16-bit masks), then the pixel buffer as
// the decoders left it. The file is assembled in one reused buffer and written with one call, so
// writing costs about what a plain write of the same bytes costs; JPEG and PNG get that buffer.
#include "bitmap/write_bmp.hpp"

#include <algorithm>
#include <cstring>
#include <new>

#include <fmt/format.h>

#include "bitmap/conversions.hpp"
#include "bitmap/decompress.hpp"
#include "bitmap/image_export.hpp"
#include "platform/paths.hpp"

namespace tesk {
namespace {

constexpr std::size_t kHeaderBytes = 54;

struct DepthRow {
    std::uint16_t bitsPerPixel;
    std::uint32_t compression;
    std::size_t tableBytes;   // colour table or masks after the header
    std::uint32_t coloursUsed;
};

// The depth table; bitsPerPixel 0 means no image for that pixel size.
DepthRow depthRow(std::uint8_t pixelSize, bool sixteenTo24) {
    switch (pixelSize) {
        case 16: return sixteenTo24 ? DepthRow{24, 0, 0, 0} : DepthRow{16, 3, 12, 0};
        case 8: return {8, 0, 1024, 256};
        case 4: return {4, 0, 64, 16};
        case 2: return {4, 0, 64, 16};   // widened to 4-bit; entries 4 to 15 are zero
        case 1:
        case 0: return {1, 0, 8, 2};
        default: return {0, 0, 0, 0};
    }
}

void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

// Header and table into `out` (sized by the caller to prefix + pixels).
void fillPrefix(std::uint8_t* out, std::int32_t width, std::int32_t height, std::uint8_t pixelSize, bool to24,
                std::size_t pixelBytes, OwnColours own) {
    const DepthRow row = depthRow(pixelSize, to24);
    const auto prefix = static_cast<std::uint32_t>(kHeaderBytes + row.tableBytes);
    std::memset(out, 0, prefix);
    out[0] = 'B';
    out[1] = 'M';
    put32(out + 2, prefix + static_cast<std::uint32_t>(pixelBytes));   // file size
    put32(out + 10, prefix);                                           // pixel data offset
    put32(out + 14, 40);                                               // info header size
    put32(out + 18, static_cast<std::uint32_t>(width));
    put32(out + 22, static_cast<std::uint32_t>(height));   // positive: rows bottom-up
    put16(out + 26, 1);                                    // planes
    put16(out + 28, row.bitsPerPixel);
    put32(out + 30, row.compression);
    put32(out + 34, static_cast<std::uint32_t>(pixelBytes));
    put32(out + 38, 2835);   // 72 dpi in pixels per metre
    put32(out + 42, 2835);
    put32(out + 46, row.coloursUsed);
    put32(out + 50, row.coloursUsed);

    std::uint8_t* table = out + kHeaderBytes;
    const auto& pal = loadpalettes();
    switch (pixelSize) {
        case 16:
            if (!to24) std::memcpy(table, pal.masks16.data(), pal.masks16.size());
            return;
        case 8: std::memcpy(table, pal.bmp8.data(), pal.bmp8.size()); break;
        case 4: std::memcpy(table, pal.bmp4.data(), pal.bmp4.size()); break;
        case 2: std::memcpy(table, pal.bmp2.data(), pal.bmp2.size()); break;
        default: std::memcpy(table, pal.bmp1.data(), pal.bmp1.size()); break;
    }
    // A bitmap's own colour table replaces the system colours it covers, by position.
    const std::size_t entries = pixelSize == 0 ? 2 : std::size_t{1} << pixelSize;
    for (std::size_t i = 0; i < std::min(entries, own.size()); ++i) {
        table[4 * i] = own[i].blue;
        table[4 * i + 1] = own[i].green;
        table[4 * i + 2] = own[i].red;
        table[4 * i + 3] = 0;
    }
}

// A name part that may become a folder or file name below the output folder: never ".", ".."
// or a hidden name.
bool safePart(std::string_view part) {
    if (part.empty() || part.front() == '.') return false;
    return std::none_of(part.begin(), part.end(), [](char ch) {
        auto c = static_cast<unsigned char>(ch);
        return c < 0x20 || c == 0x7F;
    });
}

// The folder parts of a relative path must be real folders: never follow a link out of the
// output folder, never write into something that only looks like a folder.
ErrorNumber checkFolders(const FileSystem& fs, std::string_view root, const std::string& relative) {
    for (auto slash = relative.find(kSeparator); slash != std::string::npos;
         slash = relative.find(kSeparator, slash + 1)) {
        auto a = fs.attributes(std::string(root).append(relative, 0, slash));
        if (!a) return ErrorNumber::PathNotFound;
        if (!(*a & attr::Directory) || (*a & attr::System)) return ErrorNumber::PathFileAccessError;
    }
    return ErrorNumber::None;
}

}   // namespace

std::string sortFolderName(std::uint8_t pixelSize, std::int16_t density) {
    // A version 0 bitmap is a 1-bit image; it sorts with the other 1-bit images.
    return fmt::format("{}-Bit D{}", pixelSize == 0 ? 1 : pixelSize, density);
}

std::string imageRelativePath(std::string name, std::int32_t sortIntoFolders, std::uint8_t pixelSize,
                              std::int16_t density) {
    // Either separator may stand between a name-table name's folders.
    const auto separates = [](char c) { return c == '\\' || c == '/'; };
    std::replace_if(name.begin(), name.end(), separates, kSeparator);
    // The folder form of a name-table value starts with "\": it means "below the output folder".
    if (!name.empty() && name.front() == kSeparator) name.erase(0, 1);
    for (std::size_t start = 0;;) {
        auto end = name.find(kSeparator, start);
        if (!safePart(std::string_view(name).substr(start, end == std::string::npos ? std::string::npos : end - start)))
            return {};
        if (end == std::string::npos) break;
        start = end + 1;
    }
    std::string path;
    if (sortIntoFolders != 0) path = sortFolderName(pixelSize, density) + kSeparator;
    if (pixelSize == 0) return path + name + "-1.bmp";
    if (density == 72) return path + fmt::format("{}-{}.bmp", name, pixelSize);
    return path + fmt::format("{}-{}-d{}.bmp", name, pixelSize, density);
}

std::size_t bmpPrefixLength(std::uint8_t pixelSize, bool sixteenTo24) {
    const DepthRow row = depthRow(pixelSize, sixteenTo24);
    return row.bitsPerPixel == 0 ? 0 : kHeaderBytes + row.tableBytes;
}

namespace {

std::string failed(BitmapHost& host, ErrorNumber number) {
    recordError(host, number, op::writebmp);
    return {};
}

}   // namespace

std::string writebmp(BitmapHost& host, std::int32_t& width, std::int32_t& height, std::uint8_t& pixelSize,
                     std::int16_t& density, std::int32_t& transparencyKind, std::int32_t& transparentIndex,
                     std::int32_t& transparentRed, std::int32_t& transparentGreen, std::int32_t& transparentBlue,
                     OwnColours ownColours) {
    host.workOnCurrentResource();
    const ImageSettings settings = host.imageSettings();
    const bool to24 = settings.sixteenTo24 && pixelSize == 16;
    const std::size_t prefix = bmpPrefixLength(pixelSize, to24);
    if (prefix == 0) return {};
    // A buffer shorter than its rows means the decoder refused the header and recorded why. A 2-bit
    // buffer from a decompressor is longer: its zero tail is written with the rows.
    auto& pixels = host.bitmapState().pixels;
    if (width < 0 || height < 0 || pixels.size() < pixelBufferLength(width, height, pixelSize, to24)) return {};
    if (pixels.size() > UINT32_MAX / 2 - prefix) return failed(host, ErrorNumber::Overflow);

    const std::string relative =
        imageRelativePath(host.currentResourceName(), settings.sortIntoFolders, pixelSize, density);
    if (relative.empty()) return failed(host, ErrorNumber::BadFileNameOrNumber);
    auto& fs = host.runServices().files;
    if (settings.sortIntoFolders != 0) {
        const std::string folder = std::string(settings.outputFolder) + sortFolderName(pixelSize, density);
        if (auto a = fs.attributes(folder); !a) {
            if (auto e = fs.createFolder(folder); e != ErrorNumber::None) return failed(host, e);
        } else if (!(*a & attr::Directory) || (*a & attr::System)) {
            // A link in its place would carry the named folders made below it out of the output folder.
            return failed(host, ErrorNumber::PathFileAccessError);
        }
        // Named folders belong below the sort folder too, or the named image could not be written.
        host.makeNameFolders(folder + kSeparator, host.currentResourceName());
    }
    if (auto e = checkFolders(fs, settings.outputFolder, relative); e != ErrorNumber::None) return failed(host, e);
    std::string path = std::string(settings.outputFolder).append(relative);
    const bool bmpFormat = settings.imageFormat < 1 || settings.imageFormat > 3;
    if (bmpFormat)
        if (auto e = replaceExistingOutput(fs, path); e != ErrorNumber::None) return failed(host, e);

    if (pixelSize == 2) {
        const std::size_t narrow = pixels.size();
        conv2to4bit(host);
        if (pixels.size() != 2 * narrow) return {};   // conv2to4bit recorded why
    }
    auto& file = host.bitmapState().memoryBmp;
    try {
        file.resize(prefix + pixels.size());   // capacity is kept from bitmap to bitmap
    } catch (const std::bad_alloc&) {
        file = {};
        return failed(host, ErrorNumber::OutOfMemory);
    }
    fillPrefix(file.data(), width, height, pixelSize, to24, pixels.size(), ownColours);
    if (!pixels.empty()) std::memcpy(file.data() + prefix, pixels.data(), pixels.size());

    switch (settings.imageFormat) {
        case 1: return writeJpeg(host, path, pixelSize, file);
        case 2:
            return writePng(host, path, pixelSize, file, transparencyKind, transparentIndex, transparentRed,
                            transparentGreen, transparentBlue);
        case 3:
            return writeExactPng(host, path, pixelSize, file, transparencyKind, transparentIndex, transparentRed,
                                 transparentGreen, transparentBlue);
        default:
            if (auto e = fs.writeFile(path, file); e != ErrorNumber::None) return failed(host, e);
            host.imageFileWritten();
            return path;
    }
}

}   // namespace tesk

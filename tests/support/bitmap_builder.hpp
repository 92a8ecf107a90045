// Encodes Palm bitmaps for tests: header versions 0-3, every compression, little-endian version 3
// headers, colour tables, direct-colour blocks, and families with dummy headers or looping chains.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "support/prc_builder.hpp"

namespace tesk::test {

enum class Compression { None, ScanLine, Rle, PackBits };

struct Colour {
    std::uint8_t red, green, blue;
};

class BitmapBuilder {
public:
    BitmapBuilder& size(int width, int height) {
        width_ = width;
        height_ = height;
        return *this;
    }
    BitmapBuilder& depth(int pixelSize) {
        depth_ = pixelSize;
        return *this;
    }   // 0: version 0 monochrome
    BitmapBuilder& version(int v) {
        version_ = v;
        return *this;
    }
    BitmapBuilder& density(int d) {
        density_ = d;
        return *this;
    }
    BitmapBuilder& rowBytes(int rb) {
        rowBytes_ = rb;
        return *this;
    }
    // Pixel values, top row first, width x height of them (16-bit: 565 values).
    BitmapBuilder& values(std::vector<std::uint16_t> v) {
        values_ = std::move(v);
        return *this;
    }
    // Palm rows exactly as stored (rowBytes each), instead of values.
    BitmapBuilder& rows(Bytes raw) {
        rows_ = std::move(raw);
        return *this;
    }
    // Encodes the rows with this compression (sets the flag and, for versions 2-3, the type).
    BitmapBuilder& compress(Compression c) {
        compression_ = c;
        return *this;
    }
    // A literal compressed stream (after the size field); sets the compressed flag.
    BitmapBuilder& compressedStream(Compression c, Bytes stream) {
        compression_ = c;
        stream_ = std::move(stream);
        return *this;
    }
    BitmapBuilder& compressionType(std::uint8_t t) {
        typeOverride_ = t;
        return *this;
    }
    BitmapBuilder& compressedFlag(bool on) {
        flagOverride_ = on;
        return *this;
    }
    BitmapBuilder& transparentIndex(std::uint32_t i) {
        transparent_ = true;
        transparentValue_ = i;
        return *this;
    }
    // Version 2 (16-bit): the colour bytes of the direct-colour block; version 3: a 565 value.
    BitmapBuilder& transparentColour(Colour c) {
        transparent_ = true;
        colour_ = c;
        return *this;
    }
    BitmapBuilder& transparent565(std::uint16_t v) {
        transparent_ = true;
        transparentValue_ = v;
        return *this;
    }
    BitmapBuilder& transparentFlagOnly() {
        transparent_ = true;
        return *this;
    }
    // Version 3 little-endian header; pixelFormat 2 stores 565 pixels low byte first, a non-zero
    // format on 1-bit data stores each byte's bits least significant first.
    BitmapBuilder& littleEndian(std::uint8_t pixelFormat) {
        littleEndian_ = true;
        pixelFormat_ = pixelFormat;
        return *this;
    }
    BitmapBuilder& colourTable(std::vector<Colour> entries) {
        table_ = std::move(entries);
        return *this;
    }
    // 16-bit versions 1-2: whether the 8-byte direct-colour block (and its flag) is present.
    BitmapBuilder& directColour(bool on) {
        direct_ = on;
        return *this;
    }
    // The raw next-offset field (4-byte units for versions 1-2, bytes for version 3).
    BitmapBuilder& nextField(std::uint32_t v) {
        next_ = v;
        return *this;
    }

    int width() const { return width_; }
    int height() const { return height_; }
    int version() const { return version_; }
    int minimumRowBytes() const;
    int effectiveRowBytes() const { return rowBytes_ ? *rowBytes_ : minimumRowBytes(); }
    // The Palm rows as stored (after the little-endian transformations).
    Bytes storedRows() const;
    // The bitmap, padded to a multiple of 4 bytes.
    Bytes build() const;

private:
    Bytes header(std::size_t compressedBytes) const;
    Bytes encoded() const;

    int width_ = 8, height_ = 1, depth_ = 1, version_ = 2, density_ = 72;
    std::optional<int> rowBytes_;
    std::vector<std::uint16_t> values_;
    std::optional<Bytes> rows_;
    Compression compression_ = Compression::None;
    std::optional<Bytes> stream_;
    std::optional<std::uint8_t> typeOverride_;
    std::optional<bool> flagOverride_;
    bool transparent_ = false;
    std::uint32_t transparentValue_ = 0;
    Colour colour_{0, 0, 0};
    bool littleEndian_ = false;
    std::uint8_t pixelFormat_ = 0;
    std::optional<std::vector<Colour>> table_;
    bool direct_ = true;
    std::uint32_t next_ = 0;
};

// A chain of bitmaps with computed next offsets.
class FamilyBuilder {
public:
    FamilyBuilder& add(BitmapBuilder b) {
        items_.push_back(std::move(b));
        return *this;
    }
    // A 16-byte placeholder header (pixel size 0xFF) before the next bitmap.
    FamilyBuilder& dummy() {
        items_.push_back(std::nullopt);
        return *this;
    }
    // The last bitmap (version 3) points back to the first, so the chain never ends.
    FamilyBuilder& loop() {
        loop_ = true;
        return *this;
    }
    Bytes build() const;

private:
    std::vector<std::optional<BitmapBuilder>> items_;
    bool loop_ = false;
};

Bytes dummyHeader();

// The BMP file expected for an indexed image (1, 4 or 8 bits per pixel): the 54-byte header, the
// colour table, then the pixel bytes as given (rows bottom-up, padded). For golden comparisons.
Bytes bmpFile(int width, int height, int bitsPerPixel, const Bytes& colourTable, const Bytes& pixels);

// The stream encoders, row by row (exposed for tests that check them against the decoders).
Bytes encodeScanLine(const Bytes& rows, std::size_t rowBytes);
Bytes encodeRle(const Bytes& rows, std::size_t rowBytes);
Bytes encodePackBits(const Bytes& rows, std::size_t rowBytes, std::size_t unit);

}   // namespace tesk::test

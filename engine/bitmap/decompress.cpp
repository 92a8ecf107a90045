// Palm pixel data -> PixelBuffer: rows bottom-up, each padded to the BMP row length that the
// bitmap's width and depth imply; 16-bit pixels swapped to little-endian or widened to 24-bit.
// Deliberate: 16-bit version 3 data in uncompsl and flipImg reads 0 past its end and records nothing;
// other uncompressed data that ends early is kept as far as it goes, with error 9.
// Sizes from the header are checked against what the data could produce before any allocation.
#include "bitmap/decompress.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>
#include <span>

#include "bitmap/conversions.hpp"
#include "platform/byte_reader.hpp"

namespace tesk {
namespace {

// The lenient path reads zeros past the end of its data, so its output is not bounded by the
// input; it may still ask for no more than this many buffer bytes per data byte, plus a little.
constexpr std::size_t kLenientRatio = 8;
constexpr std::size_t kLenientSlack = 64 * 1024;

enum class RowMode { Copy, Swap16, Expand24 };

struct RowLayout {
    RowMode mode = RowMode::Copy;
    std::size_t width = 0;
    std::size_t rows = 0;
    std::size_t sourceBytes = 0;   // rowBytes: one Palm row
    std::size_t outBytes = 0;      // one buffer row, padding included
    std::size_t copyBytes = 0;     // Palm bytes of a row that reach the buffer (Copy, Swap16)
    std::size_t bufferBytes = 0;   // the whole buffer: the rows, and for 2-bit decompressors a zero tail
};

constexpr std::size_t round4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

bool depthHasImage(std::uint8_t pixelSize) {
    switch (pixelSize) {
        case 0:
        case 1:
        case 2:
        case 4:
        case 8:
        case 16: return true;
        default: return false;
    }
}

// Negative sizes, or a row too short for the pixels its width needs, have no layout: error 9.
ErrorNumber makeLayout(BitmapHost& host, SixteenBitRows rows, std::int32_t height, std::int16_t rowBytes,
                       std::uint8_t pixelSize, RowLayout& l) {
    const std::int32_t width = host.bitmapState().bitmap.width;
    if (width < 0 || height < 0 || rowBytes < 0) return ErrorNumber::SubscriptOutOfRange;
    const bool to24 = rows == SixteenBitRows::Widened;
    l.width = static_cast<std::size_t>(width);
    l.rows = static_cast<std::size_t>(height);
    l.sourceBytes = static_cast<std::size_t>(rowBytes);
    l.outBytes = pixelRowLength(width, pixelSize, to24);
    const std::size_t depth = pixelSize == 0 ? 1 : pixelSize;
    const std::size_t needed = (l.width * depth + 7) / 8;
    if (l.sourceBytes < needed) return ErrorNumber::SubscriptOutOfRange;
    l.mode = pixelSize != 16 ? RowMode::Copy : to24 ? RowMode::Expand24 : RowMode::Swap16;
    l.copyBytes = std::min(l.sourceBytes, l.outBytes);
    l.bufferBytes = l.outBytes * l.rows;
    return ErrorNumber::None;
}

// The one routine that turns a Palm row into a buffer row (already zero). `src` may be shorter
// than the row when the lenient path has run past its data; the missing bytes read as 0.
void emitRow(std::span<const std::uint8_t> src, std::uint8_t* dst, const RowLayout& l) {
    ByteReader in{src};
    switch (l.mode) {
        case RowMode::Copy: {
            const auto bytes = in.takeUpTo(l.copyBytes);
            if (!bytes.empty()) std::memcpy(dst, bytes.data(), bytes.size());
            break;
        }
        case RowMode::Swap16: {
            const auto row = in.takeUpTo(l.copyBytes);
            const std::size_t n = row.size();
            std::size_t i = 0;
            for (; i + 1 < n; i += 2) {
                dst[i] = row[i + 1];
                dst[i + 1] = row[i];
            }
            if (i < n) dst[i + 1] = row[i];   // a lone high byte; its low byte reads as 0
            break;
        }
        case RowMode::Expand24: {
            const auto row = in.take(2 * l.width);
            if (!in.overran()) {
                for (std::size_t p = 0; p < l.width; ++p, dst += 3) {
                    const Rgb c = ExpandRgb565(row[2 * p], row[2 * p + 1]);
                    dst[0] = c.blue;
                    dst[1] = c.green;
                    dst[2] = c.red;
                }
                break;
            }
            ByteReader shortRow{src};   // past its end every byte reads as 0
            for (std::size_t p = 0; p < l.width; ++p, dst += 3) {
                const std::uint8_t high = shortRow.u8();
                const Rgb c = ExpandRgb565(high, shortRow.u8());
                dst[0] = c.blue;
                dst[1] = c.green;
                dst[2] = c.red;
            }
            break;
        }
    }
}

// Palm row r goes to buffer row rows - 1 - r: the first Palm row ends up last.
std::uint8_t* bufferRow(PixelBuffer& pixels, const RowLayout& l, std::size_t r) {
    return pixels.data() + (l.rows - 1 - r) * l.outBytes;
}

// How much data a buffer may ask for: Exact, the fewest data bytes that could produce the rows
// the header declares (minInput) must be there; ByRatio, for decoders that read zeros past the end
// of their data, the rows may need at most kLenientRatio bytes per data byte, plus a little.
enum class Bound { Exact, ByRatio };

// Refuses (error 9) a buffer the data cannot fill, then sizes it, all zero. In a split family's
// first pass the part that continues these bytes counts as data too.
ErrorNumber startBuffer(BitmapHost& host, const RowLayout& l, Bound bound, std::size_t minInput,
                        std::size_t available) {
    if (host.familyContinuesInPart()) available += host.splitPartBytes();
    if (bound == Bound::ByRatio) {
        if (l.sourceBytes * l.rows > kLenientRatio * available + kLenientSlack) return ErrorNumber::SubscriptOutOfRange;
    } else if (minInput > available) {
        return ErrorNumber::SubscriptOutOfRange;
    }
    host.bitmapState().pixels.assign(l.bufferBytes, 0);
    return ErrorNumber::None;
}

constexpr std::size_t ceilDiv(std::size_t a, std::size_t b) { return (a + b - 1) / b; }

ErrorNumber decodeScanLine(BitmapHost& host, ByteReader& in, const RowLayout& l, bool lenient) {
    // Every group of up to 8 bytes costs at least its flag byte.
    const std::size_t minInput = l.rows * ceilDiv(l.sourceBytes, 8);
    if (auto e = startBuffer(host, l, lenient ? Bound::ByRatio : Bound::Exact, minInput, in.remaining());
        e != ErrorNumber::None)
        return e;
    auto& pixels = host.bitmapState().pixels;
    // One row buffer: a byte whose flag bit is clear repeats the row above, which is what the
    // buffer still holds. Before the first row it holds zeros, what the lenient path reads there.
    std::vector<std::uint8_t> row(l.sourceBytes + 1);
    for (std::size_t r = 0; r < l.rows; ++r) {
        for (std::size_t c = 0; c < l.sourceBytes; c += 8) {   // a new row always starts a new flag byte
            const std::uint8_t flag = in.u8();
            const std::size_t n = std::min<std::size_t>(8, l.sourceBytes - c);
            const auto used = static_cast<std::uint8_t>(0xFF00u >> n);   // the flag bits of the n bytes
            if (r == 0 && !lenient && (flag & used) != used)
                return ErrorNumber::SubscriptOutOfRange;      // refers to a row that does not exist
            for (unsigned bits = flag & used; bits != 0;) {   // the set bits, highest (first byte) first
                const int k = std::countl_zero(static_cast<std::uint8_t>(bits));
                row[c + static_cast<std::size_t>(k)] = in.u8();
                bits &= ~(0x80u >> k);
            }
        }
        if (!lenient && in.overran()) return ErrorNumber::SubscriptOutOfRange;
        emitRow({row.data(), l.sourceBytes}, bufferRow(pixels, l, r), l);
    }
    return ErrorNumber::None;
}

ErrorNumber decodeRle(BitmapHost& host, ByteReader& in, const RowLayout& l) {
    const std::size_t minInput = l.rows * 2 * ceilDiv(l.sourceBytes, 255);
    if (auto e = startBuffer(host, l, Bound::Exact, minInput, in.remaining()); e != ErrorNumber::None) return e;
    auto& pixels = host.bitmapState().pixels;
    // One spare byte per row: a run may spill into it, and it is never emitted.
    std::vector<std::uint8_t> row(l.sourceBytes + 1);
    for (std::size_t r = 0; r < l.rows; ++r) {
        std::size_t c = 0;
        while (c < l.sourceBytes) {
            const std::size_t count = in.u8();
            const std::uint8_t value = in.u8();
            if (in.overran() || c + count > l.sourceBytes + 1) return ErrorNumber::SubscriptOutOfRange;
            std::memset(row.data() + c, value, count);
            c += count;
        }
        emitRow({row.data(), l.sourceBytes}, bufferRow(pixels, l, r), l);
    }
    return ErrorNumber::None;
}

ErrorNumber decodePackBits(BitmapHost& host, ByteReader& in, const RowLayout& l, std::size_t unit) {
    const std::size_t minInput = l.rows * (1 + unit) * ceilDiv(l.sourceBytes, 129 * unit);
    if (auto e = startBuffer(host, l, Bound::Exact, minInput, in.remaining()); e != ErrorNumber::None) return e;
    auto& pixels = host.bitmapState().pixels;
    std::vector<std::uint8_t> row(l.sourceBytes + 1);
    for (std::size_t r = 0; r < l.rows; ++r) {
        std::size_t c = 0;
        while (c < l.sourceBytes) {
            const std::uint8_t n = in.u8();
            if (n & 0x80) {
                const std::size_t bytes = (257 - std::size_t{n}) * unit;   // 0x80: 129 copies, 0xFF: 2
                const std::uint8_t hi = in.u8();
                const std::uint8_t lo = unit == 2 ? in.u8() : 0;
                if (in.overran() || c + bytes > l.sourceBytes + 1) return ErrorNumber::SubscriptOutOfRange;
                if (unit == 1) {
                    std::memset(row.data() + c, hi, bytes);
                } else {
                    for (std::size_t k = 0; k < bytes; k += 2) {
                        row[c + k] = hi;
                        row[c + k + 1] = lo;
                    }
                }
                c += bytes;
            } else {
                const std::size_t bytes = (std::size_t{n} + 1) * unit;
                if (in.overran() || c + bytes > l.sourceBytes + 1) return ErrorNumber::SubscriptOutOfRange;
                auto literal = in.take(bytes);
                if (literal.size() != bytes) return ErrorNumber::SubscriptOutOfRange;
                std::memcpy(row.data() + c, literal.data(), bytes);
                c += bytes;
            }
        }
        emitRow({row.data(), l.sourceBytes}, bufferRow(pixels, l, r), l);
    }
    return ErrorNumber::None;
}

// Rows that end early are written as far as they go, the rest zero, as a direct copy leaves
// them: the image is kept and, unless lenient, error 9 says it is incomplete.
ErrorNumber decodeUncompressed(BitmapHost& host, std::size_t offset, const RowLayout& l, bool lenient) {
    const auto bytes = host.resourceData();
    const std::size_t available = offset < bytes.size() ? bytes.size() - offset : 0;
    if (auto e = startBuffer(host, l, Bound::ByRatio, 0, available); e != ErrorNumber::None) return e;
    auto& pixels = host.bitmapState().pixels;
    ByteReader in{bytes, offset};
    for (std::size_t r = 0; r < l.rows; ++r) emitRow(in.takeUpTo(l.sourceBytes), bufferRow(pixels, l, r), l);
    if (!lenient && l.sourceBytes * l.rows > available) return ErrorNumber::SubscriptOutOfRange;
    return ErrorNumber::None;
}

// The shell shared by the three decompressors: layout, size field, decode, and on failure a
// buffer that is all zero (or empty when it was refused before allocation).
template <class Decode>
void runDecompressor(BitmapHost& host, SixteenBitRows rows, std::string_view name, std::uint32_t& offset,
                     std::int32_t height, std::int16_t rowBytes, std::uint8_t pixelSize, std::uint8_t version,
                     Decode decode) {
    host.workOnCurrentResource();
    host.bitmapState().pixels.clear();
    if (!depthHasImage(pixelSize)) return;
    RowLayout layout;
    ErrorNumber e = makeLayout(host, rows, height, rowBytes, pixelSize, layout);
    // The decompressors' 2-bit buffer is height x (rowBytes + pad), pad taken from rowBytes as for
    // any depth, while the rows (doubled later) need none: the tail after them stays zero and is
    // part of the image file. (rowBytes covers the width, so this is never less than the rows.)
    if (e == ErrorNumber::None && pixelSize == 2) layout.bufferBytes = layout.rows * round4(layout.sourceBytes);
    ByteReader in{host.resourceData(), offset};
    in.skip(version == 3 ? 4 : 2);   // compressed-size field: present, never trusted
    try {
        if (e == ErrorNumber::None) e = decode(in, layout);
    } catch (const std::bad_alloc&) {
        e = ErrorNumber::OutOfMemory;
        host.bitmapState().pixels = {};
    }
    offset = static_cast<std::uint32_t>(std::min<std::size_t>(in.pos(), UINT32_MAX));
    if (e == ErrorNumber::None) return;
    std::fill(host.bitmapState().pixels.begin(), host.bitmapState().pixels.end(), std::uint8_t{0});
    recordError(host, e, name);
}

constexpr std::array<std::uint8_t, 256> makeBitMirror() {
    std::array<std::uint8_t, 256> t{};
    for (unsigned v = 0; v < 256; ++v) {
        unsigned m = 0;
        for (unsigned b = 0; b < 8; ++b)
            if (v & (1u << b)) m |= 0x80u >> b;
        t[v] = static_cast<std::uint8_t>(m);
    }
    return t;
}
constexpr auto kBitMirror = makeBitMirror();

}   // namespace

std::size_t pixelRowLength(std::int32_t width, std::uint8_t pixelSize, bool sixteenTo24) {
    if (width < 0) return 0;
    const auto w = static_cast<std::size_t>(width);
    switch (pixelSize) {
        case 0:
        case 1: return round4((w + 7) / 8);
        case 2: return round4((w * 4 + 7) / 8) / 2;   // doubled later into a 4-bit row
        case 4: return round4((w * 4 + 7) / 8);
        case 8: return round4(w);
        case 16: return sixteenTo24 ? round4(3 * w) : round4(2 * w);
        default: return 0;
    }
}

std::size_t pixelBufferLength(std::int32_t width, std::int32_t height, std::uint8_t pixelSize, bool sixteenTo24) {
    if (height < 0) return 0;
    return pixelRowLength(width, pixelSize, sixteenTo24) * static_cast<std::size_t>(height);
}

void uncompsl(BitmapHost& host, SixteenBitRows rows, std::uint32_t& offset, std::int32_t& height,
              std::int16_t& rowBytes, std::uint8_t& pixelSize, std::uint8_t& version) {
    const bool lenient = version == 3 && pixelSize == 16;
    runDecompressor(host, rows, op::uncompsl, offset, height, rowBytes, pixelSize, version,
                    [&](ByteReader& in, const RowLayout& l) { return decodeScanLine(host, in, l, lenient); });
}

void uncomprle(BitmapHost& host, SixteenBitRows rows, std::uint32_t& offset, std::int32_t& height,
               std::int16_t& rowBytes, std::uint8_t& pixelSize, std::uint8_t& version) {
    runDecompressor(host, rows, op::uncomprle, offset, height, rowBytes, pixelSize, version,
                    [&](ByteReader& in, const RowLayout& l) { return decodeRle(host, in, l); });
}

void uncomppb(BitmapHost& host, SixteenBitRows rows, std::uint32_t& offset, std::int32_t& height,
              std::int16_t& rowBytes, std::uint8_t& pixelSize, std::uint8_t& version) {
    const std::size_t unit = pixelSize == 16 ? 2 : 1;
    runDecompressor(host, rows, op::uncomppb, offset, height, rowBytes, pixelSize, version,
                    [&](ByteReader& in, const RowLayout& l) { return decodePackBits(host, in, l, unit); });
}

void flipImg(BitmapHost& host, SixteenBitRows rows, std::uint32_t& offset, std::int16_t& rowBytes, std::int32_t& height,
             std::int32_t& pixelSize, std::uint8_t& version) {
    host.workOnCurrentResource();
    host.bitmapState().pixels.clear();
    if (pixelSize < 0 || pixelSize > 16) return;
    const auto depth = static_cast<std::uint8_t>(pixelSize);
    if (!depthHasImage(depth)) return;
    const bool lenient = version == 3 && depth == 16;
    RowLayout layout;
    ErrorNumber e = makeLayout(host, rows, height, rowBytes, depth, layout);
    try {
        if (e == ErrorNumber::None) e = decodeUncompressed(host, offset, layout, lenient);
    } catch (const std::bad_alloc&) {
        e = ErrorNumber::OutOfMemory;
        host.bitmapState().pixels = {};
    }
    if (e != ErrorNumber::None) return recordError(host, e, op::flipImg);   // a short image stays
    offset += static_cast<std::uint32_t>(layout.sourceBytes * layout.rows);
}

void widenSwapped565To24(BitmapHost& host, std::int32_t width, std::int32_t height) {
    auto& pixels = host.bitmapState().pixels;
    if (width < 0 || height < 0 || pixels.size() != pixelBufferLength(width, height, 16, false)) return;
    const std::size_t w = static_cast<std::size_t>(width), rows = static_cast<std::size_t>(height);
    const std::size_t from = pixelRowLength(width, 16, false), to = pixelRowLength(width, 16, true);
    PixelBuffer wide(to * rows);
    for (std::size_t r = 0; r < rows; ++r) {
        const std::uint8_t* s = pixels.data() + r * from;
        std::uint8_t* d = wide.data() + r * to;
        for (std::size_t p = 0; p < w; ++p, s += 2, d += 3) {
            const Rgb c = ExpandRgb565(s[0], s[1]);
            d[0] = c.blue;
            d[1] = c.green;
            d[2] = c.red;
        }
    }
    pixels.swap(wide);
}

void ReverseBitOrder(BitmapHost& host) {
    for (auto& b : host.bitmapState().pixels) b = kBitMirror[b];
}

void convertLE16(BitmapHost& host) {
    if (host.imageSettings().noLe16Swap) return;
    auto& p = host.bitmapState().pixels;
    for (std::size_t i = 0; i + 1 < p.size(); i += 2) std::swap(p[i], p[i + 1]);
}

}   // namespace tesk

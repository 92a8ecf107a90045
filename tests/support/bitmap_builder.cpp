#include "support/bitmap_builder.hpp"

#include <algorithm>

namespace tesk::test {
namespace {

std::uint8_t mirror(std::uint8_t v) {
    std::uint8_t m = 0;
    for (int b = 0; b < 8; ++b)
        if (v & (1 << b)) m = static_cast<std::uint8_t>(m | (0x80 >> b));
    return m;
}

void put16(Bytes& b, std::uint16_t v, bool le) {
    if (le) {
        b.push_back(static_cast<std::uint8_t>(v));
        b.push_back(static_cast<std::uint8_t>(v >> 8));
    } else {
        putBe16(b, v);
    }
}

void put32(Bytes& b, std::uint32_t v, bool le) {
    if (le) {
        put16(b, static_cast<std::uint16_t>(v), true);
        put16(b, static_cast<std::uint16_t>(v >> 16), true);
    } else {
        putBe32(b, v);
    }
}

}   // namespace

Bytes encodeScanLine(const Bytes& rows, std::size_t rowBytes) {
    Bytes out;
    if (rowBytes == 0) return out;
    for (std::size_t r = 0; r * rowBytes < rows.size(); ++r) {
        for (std::size_t c = 0; c < rowBytes; c += 8) {
            std::uint8_t flag = 0;
            Bytes literal;
            for (std::size_t k = c; k < std::min(c + 8, rowBytes); ++k) {
                const auto v = rows[r * rowBytes + k];
                if (r == 0 || v != rows[(r - 1) * rowBytes + k]) {
                    flag = static_cast<std::uint8_t>(flag | (0x80 >> (k - c)));
                    literal.push_back(v);
                }
            }
            out.push_back(flag);
            out.insert(out.end(), literal.begin(), literal.end());
        }
    }
    return out;
}

Bytes encodeRle(const Bytes& rows, std::size_t rowBytes) {
    Bytes out;
    for (std::size_t start = 0; start < rows.size(); start += rowBytes) {
        for (std::size_t c = 0; c < rowBytes;) {
            const auto v = rows[start + c];
            std::size_t n = 1;
            while (c + n < rowBytes && n < 255 && rows[start + c + n] == v) ++n;
            out.push_back(static_cast<std::uint8_t>(n));
            out.push_back(v);
            c += n;
        }
        if (rowBytes == 0) break;
    }
    return out;
}

Bytes encodePackBits(const Bytes& rows, std::size_t rowBytes, std::size_t unit) {
    Bytes out;
    const std::size_t units = rowBytes / unit;
    auto same = [&](std::size_t row, std::size_t a, std::size_t b) {
        return std::equal(rows.begin() + static_cast<std::ptrdiff_t>(row + a * unit),
                          rows.begin() + static_cast<std::ptrdiff_t>(row + a * unit + unit),
                          rows.begin() + static_cast<std::ptrdiff_t>(row + b * unit));
    };
    for (std::size_t row = 0; row < rows.size() && rowBytes != 0; row += rowBytes) {
        for (std::size_t u = 0; u < units;) {
            std::size_t run = 1;
            while (u + run < units && run < 129 && same(row, u, u + run)) ++run;
            if (run >= 2) {
                out.push_back(static_cast<std::uint8_t>(257 - run));
                out.insert(out.end(), rows.begin() + static_cast<std::ptrdiff_t>(row + u * unit),
                           rows.begin() + static_cast<std::ptrdiff_t>(row + u * unit + unit));
                u += run;
                continue;
            }
            std::size_t lit = 1;
            while (u + lit < units && lit < 128 && !(u + lit + 1 < units && same(row, u + lit, u + lit + 1))) ++lit;
            out.push_back(static_cast<std::uint8_t>(lit - 1));
            out.insert(out.end(), rows.begin() + static_cast<std::ptrdiff_t>(row + u * unit),
                       rows.begin() + static_cast<std::ptrdiff_t>(row + (u + lit) * unit));
            u += lit;
        }
    }
    return out;
}

int BitmapBuilder::minimumRowBytes() const {
    const int bits = width_ * (depth_ == 0 ? 1 : depth_);
    return (bits + 15) / 16 * 2;
}

Bytes BitmapBuilder::storedRows() const {
    const auto rb = static_cast<std::size_t>(effectiveRowBytes());
    const auto h = static_cast<std::size_t>(std::max(height_, 0));
    if (rows_) return *rows_;
    Bytes out(rb * h, 0);
    const int depth = depth_ == 0 ? 1 : depth_;
    for (std::size_t y = 0; y < h; ++y) {
        for (int x = 0; x < width_; ++x) {
            const std::size_t i = y * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
            const std::uint16_t v = i < values_.size() ? values_[i] : 0;
            std::uint8_t* row = out.data() + y * rb;
            if (depth == 16) {
                const bool le = littleEndian_ && pixelFormat_ == 2;
                row[2 * x] = static_cast<std::uint8_t>(le ? v : v >> 8);
                row[2 * x + 1] = static_cast<std::uint8_t>(le ? v >> 8 : v);
            } else if (depth == 1 || depth == 2 || depth == 4 || depth == 8) {   // other depths stay zero
                const int bit = x * depth;
                const int shift = 8 - depth - bit % 8;
                row[bit / 8] = static_cast<std::uint8_t>(row[bit / 8] | ((v & ((1 << depth) - 1)) << shift));
            }
        }
    }
    if (littleEndian_ && depth == 1 && pixelFormat_ != 0)
        for (auto& b : out) b = mirror(b);
    return out;
}

Bytes BitmapBuilder::encoded() const {
    if (stream_) return *stream_;
    auto rows = storedRows();
    const auto rb = static_cast<std::size_t>(effectiveRowBytes());
    switch (compression_) {
        case Compression::None: return rows;
        case Compression::ScanLine: return encodeScanLine(rows, rb);
        case Compression::Rle: return encodeRle(rows, rb);
        case Compression::PackBits: return encodePackBits(rows, rb, depth_ == 16 ? 2 : 1);
    }
    return rows;
}

Bytes BitmapBuilder::header(std::size_t) const {
    const bool le = littleEndian_ && version_ == 3;
    const bool compressed = flagOverride_ ? *flagOverride_ : compression_ != Compression::None;
    const bool direct = depth_ == 16 && version_ <= 2 && direct_;
    const bool hasTable = table_.has_value();
    std::uint8_t flags = 0;
    if (le) {
        flags = static_cast<std::uint8_t>((compressed ? 0x01 : 0) | (hasTable ? 0x02 : 0) | (transparent_ ? 0x04 : 0) |
                                          (direct ? 0x20 : 0));
    } else {
        flags = static_cast<std::uint8_t>((compressed ? 0x80 : 0) | (hasTable ? 0x40 : 0) | (transparent_ ? 0x20 : 0) |
                                          (direct ? 0x04 : 0));
    }
    std::uint8_t type = 0xFF;
    switch (compression_) {
        case Compression::None: type = 0xFF; break;
        case Compression::ScanLine: type = 0; break;
        case Compression::Rle: type = 1; break;
        case Compression::PackBits: type = 2; break;
    }
    if (typeOverride_) type = *typeOverride_;

    Bytes h;
    put16(h, static_cast<std::uint16_t>(width_), le);                     // +0
    put16(h, static_cast<std::uint16_t>(height_), le);                    // +2
    put16(h, static_cast<std::uint16_t>(effectiveRowBytes()), le);        // +4
    h.push_back(flags);                                                   // +6
    h.push_back(0);                                                       // +7
    h.push_back(static_cast<std::uint8_t>(depth_));                       // +8
    h.push_back(static_cast<std::uint8_t>(version_ | (le ? 0x80 : 0)));   // +9
    switch (version_) {
        case 0: h.resize(16, 0); break;
        case 1:
            put16(h, static_cast<std::uint16_t>(next_), false);
            h.resize(16, 0);
            break;
        case 2:
            put16(h, static_cast<std::uint16_t>(next_), false);          // +10
            h.push_back(static_cast<std::uint8_t>(transparentValue_));   // +12
            h.push_back(type);                                           // +13
            h.resize(16, 0);
            break;
        default:
            h.push_back(24);                                      // +10 header size
            h.push_back(pixelFormat_);                            // +11
            h.push_back(0);                                       // +12
            h.push_back(type);                                    // +13
            put16(h, static_cast<std::uint16_t>(density_), le);   // +14
            put32(h, transparentValue_, le);                      // +16
            put32(h, next_, le);                                  // +20
            break;
    }
    if (hasTable) {
        put16(h, static_cast<std::uint16_t>(table_->size()), le);
        for (std::size_t i = 0; i < table_->size(); ++i) {
            h.push_back(static_cast<std::uint8_t>(i));
            h.push_back((*table_)[i].red);
            h.push_back((*table_)[i].green);
            h.push_back((*table_)[i].blue);
        }
    }
    if (direct) {
        h.insert(h.end(), {5, 6, 5, 0, 0, colour_.red, colour_.green, colour_.blue});
    }
    return h;
}

Bytes BitmapBuilder::build() const {
    const bool le = littleEndian_ && version_ == 3;
    const auto data = encoded();
    const bool compressed = compression_ != Compression::None;
    Bytes out = header(data.size());
    if (compressed) {
        if (version_ == 3)
            put32(out, static_cast<std::uint32_t>(data.size() + 4), le);
        else
            put16(out, static_cast<std::uint16_t>(data.size() + 2), false);
    }
    out.insert(out.end(), data.begin(), data.end());
    out.resize((out.size() + 3) / 4 * 4, 0);
    return out;
}

Bytes dummyHeader() {
    Bytes d(16, 0);
    d[8] = 0xFF;
    d[9] = 1;
    return d;
}

Bytes bmpFile(int width, int height, int bitsPerPixel, const Bytes& colourTable, const Bytes& pixels) {
    const auto offset = static_cast<std::uint32_t>(54 + colourTable.size());
    const std::uint32_t colours = 1u << bitsPerPixel;
    Bytes f = {'B', 'M'};
    auto le32 = [&](std::uint32_t v) { put32(f, v, true); };
    le32(offset + static_cast<std::uint32_t>(pixels.size()));   // file size
    le32(0);                                                    // reserved
    le32(offset);                                               // pixel data offset
    le32(40);                                                   // info header size
    le32(static_cast<std::uint32_t>(width));
    le32(static_cast<std::uint32_t>(height));
    put16(f, 1, true);   // planes
    put16(f, static_cast<std::uint16_t>(bitsPerPixel), true);
    le32(0);                                           // no compression
    le32(static_cast<std::uint32_t>(pixels.size()));   // image size
    le32(2835);                                        // 72 dpi
    le32(2835);
    le32(colours);
    le32(colours);
    f.insert(f.end(), colourTable.begin(), colourTable.end());
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

Bytes FamilyBuilder::build() const {
    std::vector<std::size_t> sizes;
    for (const auto& item : items_) sizes.push_back(item ? item->build().size() : 16);
    Bytes out;
    std::size_t offset = 0;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (!items_[i]) {
            auto d = dummyHeader();
            out.insert(out.end(), d.begin(), d.end());
            offset += 16;
            continue;
        }
        BitmapBuilder b = *items_[i];
        std::uint32_t distance = 0;
        if (i + 1 < items_.size())
            distance = static_cast<std::uint32_t>(sizes[i]);
        else if (loop_)
            distance = static_cast<std::uint32_t>(0x100000000ULL - offset);
        if (distance != 0) b.nextField(b.version() == 3 ? distance : distance / 4);
        auto bytes = b.build();
        out.insert(out.end(), bytes.begin(), bytes.end());
        offset += bytes.size();
    }
    return out;
}

}   // namespace tesk::test

// The only code that indexes untrusted bytes: everything else reads them through a ByteReader or
// through a span it handed out, whose size it checked. A read past the end yields 0 and sets a
// sticky flag; strict callers turn that flag into error 9, the lenient paths ignore it on purpose.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tesk {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes, std::size_t pos = 0) : bytes_(bytes), pos_(pos) {}

    std::uint8_t u8() {
        if (pos_ < bytes_.size()) return bytes_[pos_++];
        overran_ = true;
        ++pos_;
        return 0;
    }
    std::uint16_t be16() {
        auto hi = u8();
        auto lo = u8();
        return static_cast<std::uint16_t>(hi << 8 | lo);
    }
    std::uint16_t le16() {
        auto lo = u8();
        auto hi = u8();
        return static_cast<std::uint16_t>(hi << 8 | lo);
    }
    std::uint32_t be32() {
        std::uint32_t hi = be16();
        return hi << 16 | be16();
    }
    std::uint32_t le32() {
        std::uint32_t lo = le16();
        return lo | std::uint32_t{le16()} << 16;
    }

    // Skipping past the end marks the reader as overrun only when something is read afterwards.
    void skip(std::size_t n) { pos_ = n > SIZE_MAX - pos_ ? SIZE_MAX : pos_ + n; }
    void seek(std::size_t pos) { pos_ = pos; }
    std::size_t pos() const { return pos_; }
    std::size_t size() const { return bytes_.size(); }
    std::size_t remaining() const { return pos_ < bytes_.size() ? bytes_.size() - pos_ : 0; }
    bool atEnd() const { return pos_ >= bytes_.size(); }
    bool overran() const { return overran_; }
    // The next n bytes when all of them are present; an empty span (and the flag) otherwise.
    std::span<const std::uint8_t> take(std::size_t n) {
        if (n > remaining()) {
            overran_ = true;
            pos_ = bytes_.size();
            return {};
        }
        auto s = bytes_.subspan(pos_, n);
        pos_ += n;
        return s;
    }

    // The next n bytes, or as many as there are (the lenient form of take: never sets the flag).
    std::span<const std::uint8_t> takeUpTo(std::size_t n) {
        const std::size_t k = n < remaining() ? n : remaining();
        auto s = k == 0 ? std::span<const std::uint8_t>{} : bytes_.subspan(pos_, k);
        skip(n);
        return s;
    }
    // Whether the next bytes are these (nothing is consumed).
    bool startsWith(std::span<const std::uint8_t> expected) const {
        if (expected.size() > remaining()) return false;
        for (std::size_t i = 0; i < expected.size(); ++i)
            if (bytes_[pos_ + i] != expected[i]) return false;
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    bool overran_ = false;
};

// Big-endian fields to host order. ReadBigEndian16 gives the signed value; callers that need the
// unsigned one widen without sign. Bytes past the end of the span read as 0.
inline std::int16_t ReadBigEndian16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    ByteReader r{bytes, offset};
    return static_cast<std::int16_t>(r.be16());
}
inline std::uint32_t ReadBigEndian32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    ByteReader r{bytes, offset};
    return r.be32();
}

}   // namespace tesk

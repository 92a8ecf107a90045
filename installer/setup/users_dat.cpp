// Users.dat reader. Only the name and folder of each user are kept; everything else is skipped by
// the layout's fixed sizes, and each record's variable trailer is scanned up to its end marker.
// Deliberate: a file that ends inside a record keeps the users read before it instead of inventing
// empty ones, so a damaged file never leads to a made-up folder.
#include "users_dat.hpp"

namespace varnel {
namespace {

using tesk::ByteReader;

bool skipBytes(ByteReader& in, std::size_t n) {
    if (n > in.remaining()) {
        in.skip(in.remaining());
        return false;
    }
    in.skip(n);
    return true;
}

// The byte scan after a class entry or class reference: 0x80 after 1 ends the record, 0x80 after
// 3 is an ordinary byte, 0x80 after anything else is noted and passed over.
void scanConduitArray(ByteReader& in, std::vector<std::string>& notes) {
    std::uint8_t previous = 1;
    while (!in.atEnd()) {
        auto b = in.u8();
        if (b == 0x80) {
            if (previous == 1) return;
            if (previous != 3) notes.emplace_back(usersdat::Expected1or3);
        }
        previous = b;
    }
}

// Reads words until the record's end; false when a class entry has a schema other than 1.
bool scanTrailer(ByteReader& in, std::vector<std::string>& notes) {
    while (in.remaining() >= 2) {
        auto word = ReadLittleEndian(in);
        if (word == 0xFFFF) {
            if (ReadLittleEndian(in) != 1) return false;
            auto nameLength = ReadLittleEndian(in);
            skipBytes(in, nameLength);
            skipBytes(in, 4);
            scanConduitArray(in, notes);
            return true;
        }
        if (word == 0x8003) {
            skipBytes(in, 4);
            scanConduitArray(in, notes);
            return true;
        }
        if (word == 0x8001) return true;
    }
    return true;
}

}   // namespace

std::uint16_t ReadLittleEndian(ByteReader& in) {
    if (in.remaining() < 2) {
        in.skip(in.remaining());
        in.u8();   // marks the reader as overrun
        return 0;
    }
    auto lo = in.u8();
    auto hi = in.u8();
    return static_cast<std::uint16_t>(lo + 256 * hi);
}

std::string ReadArchiveString(ByteReader& in, std::vector<std::string>& notes, bool& fatal) {
    while (true) {
        if (in.atEnd()) {
            in.u8();
            return {};
        }
        auto length = in.u8();
        if (length == 0) return std::string(NullMarker);
        std::size_t textLength = length;
        if (length == 255) {
            textLength = ReadLittleEndian(in);
            if (in.overran()) return {};
            if (textLength == 0) {
                auto check = ReadLittleEndian(in);
                if (in.overran()) return {};
                if (check != 0) {
                    fatal = true;
                    return {};
                }
                notes.emplace_back(usersdat::UnexpectedLong);
                continue;
            }
        }
        auto text = in.take(textLength);
        return std::string(text.begin(), text.end());
    }
}

UsersDat parseUsersDat(std::span<const std::uint8_t> bytes) {
    UsersDat out;
    ByteReader in{bytes};
    auto count = static_cast<std::int16_t>(ReadLittleEndian(in));   // the count is signed
    if (ReadLittleEndian(in) != 0xFFFF) {
        out.status = UsersDat::Status::NoClassEntry;
        return out;
    }
    if (ReadLittleEndian(in) != 1) {
        out.status = UsersDat::Status::NoConstant1;
        return out;
    }
    skipBytes(in, ReadLittleEndian(in));

    for (int i = 0; i < count; ++i) {
        if (in.atEnd()) {
            out.truncated = true;
            break;
        }
        skipBytes(in, 4);
        bool fatal = false;
        auto name = ReadArchiveString(in, out.notes, fatal);
        if (!fatal && !in.overran()) {
            auto folder = ReadArchiveString(in, out.notes, fatal);
            if (!fatal && !in.overran()) {
                out.names.push_back(std::move(name));
                out.folders.push_back(std::move(folder));
            }
        }
        if (fatal) {
            out.status = UsersDat::Status::SequencingError;
            return out;
        }
        if (in.overran()) {
            out.truncated = true;
            break;
        }
        skipBytes(in, 2);
        auto extra = ReadLittleEndian(in);
        skipBytes(in, 2);
        if (extra > 0) skipBytes(in, extra);
        skipBytes(in, 2);
        if (!scanTrailer(in, out.notes)) {
            out.status = UsersDat::Status::NoConstant1;
            return out;
        }
    }
    return out;
}

}   // namespace varnel

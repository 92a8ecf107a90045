// Reader of Palm Desktop's user list "Users.dat": the user count, a class header, then one record
// per user with the user's name and folder name and a trailer of class entries and conduit arrays
// whose end is found by scanning. Numbers are little-endian 16-bit values.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/byte_reader.hpp"

namespace varnel {

inline constexpr std::string_view NullMarker = "\xC2\xABNULL\xC2\xBB";   // the text of an absent string

namespace usersdat {
inline constexpr std::string_view NoClassEntry = "Users.dat - no class entry in bytes 3-4? - cannot parse this file";
inline constexpr std::string_view NoConstant1 = "Users.dat - constant 1 not found? - cannot parse this file";
inline constexpr std::string_view Expected1or3 = "Expected 1 or 3 before 0x80 byte in conduit array";
inline constexpr std::string_view SequencingError = "sequencing error";
inline constexpr std::string_view UnexpectedLong = "Unexpected Long before cString found";
}   // namespace usersdat

struct UsersDat {
    enum class Status {
        Ok,
        NoClassEntry,      // the run ends
        NoConstant1,       // the run ends
        SequencingError,   // the program ends
    };
    Status status = Status::Ok;
    std::vector<std::string> names;   // parallel lists in file order, as many as the file holds
    std::vector<std::string> folders;
    std::vector<std::string> notes;   // messages to show in order; reading went on after each
    bool truncated = false;           // the data ended inside a record; that record and later ones are left out
};

// Two bytes, low first; 0 when the data ends before both are read.
std::uint16_t ReadLittleEndian(tesk::ByteReader& in);

// A length-prefixed string (one byte, or 255 and a 16-bit length). Appends notes; sets `fatal` on
// the sequencing error. The data running out leaves in.overran() set.
std::string ReadArchiveString(tesk::ByteReader& in, std::vector<std::string>& notes, bool& fatal);

UsersDat parseUsersDat(std::span<const std::uint8_t> bytes);

}   // namespace varnel

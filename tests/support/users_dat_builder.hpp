// Builds Palm Desktop user lists ("Users.dat") for tests: a header with the user count and class
// name, then one record per user. Every field can be set on its own to make broken files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnel::test {

using Bytes = std::vector<std::uint8_t>;

// A user's string as the file stores it: one length byte, or 255 and a 16-bit length.
Bytes archiveString(std::string_view text);

// The default trailer: a class entry followed by a short conduit array that ends at 1, 0x80.
Bytes classEntryTrailer(std::string_view className = "CSyncUser", Bytes conduitArray = {0x02, 0x01, 0x80});
// A reference to a class already seen, followed by a conduit array.
Bytes classReferenceTrailer(Bytes conduitArray = {0x01, 0x80});

class UsersDatBuilder {
public:
    UsersDatBuilder& user(std::string_view name, std::string_view folder);
    // A record whose strings and trailer are given as raw bytes.
    UsersDatBuilder& rawUser(Bytes nameBytes, Bytes folderBytes, Bytes trailer, std::uint16_t extraLength = 0);
    UsersDatBuilder& count(std::int16_t c) {
        count_ = c;
        return *this;
    }
    UsersDatBuilder& classTag(std::uint16_t t) {
        classTag_ = t;
        return *this;
    }
    UsersDatBuilder& schema(std::uint16_t s) {
        schema_ = s;
        return *this;
    }
    // Bytes appended after the last record.
    UsersDatBuilder& tail(Bytes bytes) {
        tail_ = std::move(bytes);
        return *this;
    }

    Bytes build() const;

private:
    std::optional<std::int16_t> count_;
    std::uint16_t classTag_ = 0xFFFF;
    std::uint16_t schema_ = 1;
    std::vector<Bytes> records_;
    Bytes tail_;
};

}   // namespace varnel::test

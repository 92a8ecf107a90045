#include "support/users_dat_builder.hpp"

namespace varnel::test {
namespace {

void le16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

}   // namespace

Bytes archiveString(std::string_view text) {
    Bytes out;
    if (text.size() < 255) {
        out.push_back(static_cast<std::uint8_t>(text.size()));
    } else {
        out.push_back(255);
        le16(out, static_cast<std::uint16_t>(text.size()));
    }
    out.insert(out.end(), text.begin(), text.end());
    return out;
}

Bytes classEntryTrailer(std::string_view className, Bytes conduitArray) {
    Bytes out;
    le16(out, 0xFFFF);
    le16(out, 1);
    le16(out, static_cast<std::uint16_t>(className.size()));
    out.insert(out.end(), className.begin(), className.end());
    out.insert(out.end(), {0x00, 0x00, 0x00, 0x00});
    append(out, conduitArray);
    return out;
}

Bytes classReferenceTrailer(Bytes conduitArray) {
    Bytes out;
    le16(out, 0x8003);
    out.insert(out.end(), {0x01, 0x00, 0x00, 0x00});
    append(out, conduitArray);
    return out;
}

UsersDatBuilder& UsersDatBuilder::user(std::string_view name, std::string_view folder) {
    return rawUser(archiveString(name), archiveString(folder),
                   records_.empty() ? classEntryTrailer() : classReferenceTrailer());
}

UsersDatBuilder& UsersDatBuilder::rawUser(Bytes nameBytes, Bytes folderBytes, Bytes trailer,
                                          std::uint16_t extraLength) {
    Bytes r{0x10, 0x00, 0x00, 0x00};   // +0 skipped: a record id
    append(r, nameBytes);
    append(r, folderBytes);
    le16(r, 0x0001);                        // skipped
    le16(r, extraLength);                   // extra length m
    le16(r, 0x0000);                        // skipped
    r.insert(r.end(), extraLength, 0xEE);   // m skipped bytes
    le16(r, 0x0000);                        // skipped
    append(r, trailer);
    records_.push_back(std::move(r));
    return *this;
}

Bytes UsersDatBuilder::build() const {
    Bytes out;
    le16(out, static_cast<std::uint16_t>(count_.value_or(static_cast<std::int16_t>(records_.size()))));
    le16(out, classTag_);
    le16(out, schema_);
    const std::string_view className = "CUserList";
    le16(out, static_cast<std::uint16_t>(className.size()));
    out.insert(out.end(), className.begin(), className.end());
    for (const auto& r : records_) append(out, r);
    append(out, tail_);
    return out;
}

}   // namespace varnel::test

#include "support/prc_builder.hpp"

#include <algorithm>

namespace tesk::test {

void putBe16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
}

void putBe32(Bytes& b, std::uint32_t v) {
    putBe16(b, static_cast<std::uint16_t>(v >> 16));
    putBe16(b, static_cast<std::uint16_t>(v));
}

PrcBuilder& PrcBuilder::resource(std::string type, std::uint16_t id, Bytes data) {
    type.resize(4, ' ');
    resources_.push_back({std::move(type), id, std::move(data)});
    return *this;
}

PrcBuilder& PrcBuilder::entryOffset(std::size_t i, std::uint32_t offset) {
    offsetOverrides_.emplace_back(i, offset);
    return *this;
}

Bytes PrcBuilder::build() const {
    Bytes out;
    auto putChars = [&](const std::string& s, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) out.push_back(i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0);
    };
    putChars(name_, 32);
    putBe16(out, attributes_);
    putBe16(out, version_);
    for (int i = 0; i < 6; ++i) putBe32(out, 0);   // dates, modification number, info offsets
    putChars(type_, 4);
    putChars(creator_, 4);
    putBe32(out, 0);   // unique ID seed
    putBe32(out, 0);   // next record list
    putBe16(out, declaredCount_.value_or(static_cast<std::uint16_t>(resources_.size())));
    std::uint32_t offset = static_cast<std::uint32_t>(78 + 10 * resources_.size() + 2);
    std::vector<std::uint32_t> offsets;
    for (const auto& r : resources_) {
        offsets.push_back(offset);
        offset += static_cast<std::uint32_t>(r.data.size());
    }
    for (auto [i, off] : offsetOverrides_) offsets.at(i) = off;
    for (std::size_t i = 0; i < resources_.size(); ++i) {
        putChars(resources_[i].type, 4);
        putBe16(out, resources_[i].id);
        putBe32(out, offsets[i]);
    }
    putBe16(out, 0);   // the customary two bytes of padding after the table
    for (const auto& r : resources_) out.insert(out.end(), r.data.begin(), r.data.end());
    out.insert(out.end(), trailer_.begin(), trailer_.end());
    if (truncate_) out.resize(std::min(*truncate_, out.size()));
    return out;
}

}   // namespace tesk::test

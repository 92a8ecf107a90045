// Builds Palm resource databases in memory: header fields, resources in any table order, and
// deliberate breakage (offsets out of range or backwards, a cut-off file).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesk::test {

using Bytes = std::vector<std::uint8_t>;

class PrcBuilder {
public:
    PrcBuilder& name(std::string n) {
        name_ = std::move(n);
        return *this;
    }
    PrcBuilder& attributes(std::uint16_t a) {
        attributes_ = a;
        return *this;
    }
    PrcBuilder& version(std::uint16_t v) {
        version_ = v;
        return *this;
    }
    PrcBuilder& type(std::string t) {
        type_ = std::move(t);
        return *this;
    }
    PrcBuilder& creator(std::string c) {
        creator_ = std::move(c);
        return *this;
    }
    // Adds a resource; its data follows the table in the order added.
    PrcBuilder& resource(std::string type, std::uint16_t id, Bytes data);
    // Overrides the stored offset of entry i (0-based) after layout.
    PrcBuilder& entryOffset(std::size_t i, std::uint32_t offset);
    // Declares a different entry count than the number of resources.
    PrcBuilder& declaredCount(std::uint16_t n) {
        declaredCount_ = n;
        return *this;
    }
    // Cuts the finished file to n bytes.
    PrcBuilder& truncate(std::size_t n) {
        truncate_ = n;
        return *this;
    }
    // Bytes appended after the last resource.
    PrcBuilder& trailer(Bytes b) {
        trailer_ = std::move(b);
        return *this;
    }

    Bytes build() const;

private:
    struct Resource {
        std::string type;
        std::uint16_t id;
        Bytes data;
    };
    std::string name_ = "Test";
    std::uint16_t attributes_ = 0x0001;
    std::uint16_t version_ = 1;
    std::string type_ = "appl";
    std::string creator_ = "TEST";
    std::vector<Resource> resources_;
    std::vector<std::pair<std::size_t, std::uint32_t>> offsetOverrides_;
    std::optional<std::uint16_t> declaredCount_;
    std::optional<std::size_t> truncate_;
    Bytes trailer_;
};

// The bytes of a text, for resources written as literals.
inline Bytes text(std::string_view s) { return {s.begin(), s.end()}; }

void putBe16(Bytes& b, std::uint16_t v);
void putBe32(Bytes& b, std::uint32_t v);

}   // namespace tesk::test

// Split abmp bitmaps. The first pass extracts each abmp alone and parks each 2bmp in the data
// folder as "2bmp" + ID + ".bin"; after the text output, joinabmp appends each part to its abmp's
// bytes and extracts the whole family again under the abmp's name, then deletes the parts.
// Deliberate: an abmp and its part are paired by ID, not by name, so an abmp renamed by a name
// table is still completed (the first pass stops quietly at the end of every abmp with a part).
#include "driver/abmp_join.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <optional>

#include <fmt/format.h>

#include "bitmap/parse_resource.hpp"
#include "driver/error_report.hpp"
#include "platform/byte_reader.hpp"

namespace tesk {
namespace {

constexpr std::array<std::uint8_t, 4> kRefusedSignature = {0x63, 0x42, 0x4D, 0x50};   // "cBMP"
constexpr std::string_view kPartPrefix = "2bmp";
constexpr std::string_view kPartSuffix = ".bin";

std::string partName(std::uint16_t id) { return fmt::format("{}{:04d}{}", kPartPrefix, id, kPartSuffix); }

// "2bmp1000.bin" -> 1000; nothing for a name this file did not make.
std::optional<std::uint16_t> partId(std::string_view part) {
    if (part.size() <= kPartPrefix.size() + kPartSuffix.size()) return std::nullopt;
    auto digits = part.substr(kPartPrefix.size(), part.size() - kPartPrefix.size() - kPartSuffix.size());
    std::uint16_t id = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), id);
    if (ec != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
    return id;
}

const AbmpEntry* findPartner(const ExtractionContext& ctx, std::uint16_t id) {
    auto it = std::find_if(ctx.split.abmpTable.begin(), ctx.split.abmpTable.end(),
                           [&](const AbmpEntry& a) { return a.id == id; });
    return it == ctx.split.abmpTable.end() ? nullptr : &*it;
}

}   // namespace

bool registerAbmp(ExtractionContext& ctx, std::size_t entryIndex) {
    auto range = ctx.loaded.database.ResourceRange(entryIndex);
    AbmpEntry entry;
    entry.name = ctx.resource.name;
    entry.lastIndex = range.size == 0 ? 0 : range.size - 1;
    entry.size = range.size;
    entry.start = range.first;
    entry.id = ctx.loaded.database.entries()[entryIndex].id;
    ctx.split.abmpTable.push_back(std::move(entry));
    return !ByteReader{ctx.resource.bytes}.startsWith(kRefusedSignature);
}

std::optional<std::size_t> splitPartSize(const ExtractionContext& ctx, std::size_t entryIndex) {
    const auto& entries = ctx.loaded.database.entries();
    if (entryIndex >= entries.size()) return std::nullopt;
    const auto id = entries[entryIndex].id;
    std::optional<std::size_t> size;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (std::memcmp(entries[i].type.data(), kPartPrefix.data(), 4) == 0 && entries[i].id == id)
            size = ctx.loaded.database.ResourceRange(i).size;
    return size;
}

bool writeSplitPart(ExtractionContext& ctx, std::size_t entryIndex, std::int32_t& status) {
    const auto& entry = ctx.loaded.database.entries()[entryIndex];
    ctx.resource.kind = "bin";
    ctx.resource.idText = fmt::format("{:04d}", entry.id);
    const auto part = partName(entry.id);   // name tables do not apply to parts
    ctx.split.partFiles.push_back(part);
    ctx.errors.workingOn = part;
    const auto path = ctx.settings.dataFolder + part;
    if (auto e = replaceExistingOutput(ctx.services.files, path); e == ErrorNumber::PathFileAccessError) {
        status = mainLoopExit(ctx, e);
        return false;
    } else if (e != ErrorNumber::None) {
        recordIoError(ctx, e);
    }
    if (auto e = ctx.services.files.writeFile(path, ctx.loaded.database.ResourceView(entryIndex));
        e != ErrorNumber::None)
        recordDriverFailure(ctx, e);
    return true;
}

void joinabmp(ExtractionContext& ctx) {
    auto& fs = ctx.services.files;
    const auto file = ctx.loaded.database.fileBytes();
    std::vector<std::string_view> joined;
    for (const auto& part : ctx.split.partFiles) {
        // Two 2bmp of one ID share one part file, which holds the later one: join it once.
        if (std::find(joined.begin(), joined.end(), part) != joined.end()) continue;
        joined.push_back(part);
        auto id = partId(part);
        const AbmpEntry* partner = id ? findPartner(ctx, *id) : nullptr;
        if (partner == nullptr) continue;   // nothing to continue: the part is only deleted
        std::vector<std::uint8_t> tail;
        // The part was cut from this file, so it can be no larger.
        if (auto e = fs.readFile(ctx.settings.dataFolder + part, tail, file.size()); e != ErrorNumber::None) {
            ctx.errors.workingOn = part;
            recordError(ctx, e, op::joinabmp);
            return;   // remaining parts stay unjoined and no part file is deleted
        }
        // The abmp's bytes are taken from the loaded file and never read past its end.
        const auto abmp = ByteReader{file, partner->start}.takeUpTo(partner->size);
        ctx.resource.bytes = {};   // it may view the previous join's bytes, about to be replaced
        auto& joinedBytes = ctx.split.joinedBytes;
        joinedBytes.clear();
        joinedBytes.reserve(abmp.size() + tail.size());
        joinedBytes.insert(joinedBytes.end(), abmp.begin(), abmp.end());
        joinedBytes.insert(joinedBytes.end(), tail.begin(), tail.end());
        ctx.resource.name = partner->name;
        ctx.errors.workingOn = partner->name;
        ctx.resource.kind = "abmp";
        ctx.resource.idText = fmt::format("{:04d}", partner->id);
        ctx.resource.bytes = ctx.split.joinedBytes;
        ctx.split.continuesInPart = false;
        ctx.split.partBytes = 0;
        parsersrc(ctx);
    }
    for (const auto& part : ctx.split.partFiles) {
        if (auto e = fs.removeFile(ctx.settings.dataFolder + part);
            e != ErrorNumber::None && e != ErrorNumber::FileNotFound)
            recordIoError(ctx, e);
    }
    ctx.resource.bytes = {};
    ctx.split.joinedBytes.clear();
}

}   // namespace tesk

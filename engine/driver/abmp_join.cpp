// Split abmp bitmaps. The first pass extracts each abmp alone and parks each 2bmp in the data
// folder as "2bmp" + ID + ".bin"; after the text output, joinabmp appends each part to its abmp's
// bytes and extracts the whole family again under the abmp's name, then deletes the parts.
#include "driver/abmp_join.hpp"

#include <cstring>

#include "bitmap/parse_resource.hpp"
#include "driver/error_report.hpp"

#include <fmt/format.h>

namespace tesk {
namespace {

constexpr std::uint8_t kRefusedSignature[4] = {0x63, 0x42, 0x4D, 0x50};   // "cBMP"

}  // namespace

bool registerAbmp(ExtractionContext& ctx, std::size_t entryIndex) {
    auto range = ctx.database.ResourceRange(entryIndex);
    ctx.abmpTable.push_back({ctx.resourceName, range.size == 0 ? 0 : range.size - 1, range.size, range.first});
    auto bytes = ctx.resourceBytes;
    return !(bytes.size() >= 4 && std::memcmp(bytes.data(), kRefusedSignature, 4) == 0);
}

bool hasSplitPartner(const ExtractionContext& ctx, std::size_t entryIndex) {
    const auto& entries = ctx.database.entries();
    if (entryIndex >= entries.size()) return false;
    auto id = entries[entryIndex].id;
    for (const auto& e : entries)
        if (std::memcmp(e.type.data(), "2bmp", 4) == 0 && e.id == id) return true;
    return false;
}

bool writeSplitPart(ExtractionContext& ctx, std::size_t entryIndex, std::int32_t& status) {
    const auto& entry = ctx.database.entries()[entryIndex];
    ctx.resourceKind = "bin";
    ctx.resourceIdText = fmt::format("{:04d}", entry.id);
    const auto part = "2bmp" + ctx.resourceIdText + ".bin";
    ctx.splitPartFiles.push_back(part);
    ctx.errorResourceName = part;
    const auto path = ctx.dataFolder + part;
    if (auto e = replaceExistingOutput(ctx.services.files, path); e == ErrorNumber::PathFileAccessError) {
        status = mainLoopExit(ctx, e);
        return false;
    } else if (e != ErrorNumber::None) {
        recordIoError(ctx, e);
    }
    if (auto e = ctx.services.files.writeFile(path, ctx.database.ResourceView(entryIndex)); e != ErrorNumber::None)
        recordDriverFailure(ctx, e);
    return true;
}

void joinabmp(ExtractionContext& ctx) {
    auto& fs = ctx.services.files;
    const auto file = ctx.database.fileBytes();
    for (const auto& part : ctx.splitPartFiles) {
        // "2bmp1000.bin" -> "abmp1000"
        const auto key = "abmp" + part.substr(4, part.size() - 8);
        const AbmpEntry* partner = nullptr;
        for (const auto& a : ctx.abmpTable) {
            if (a.name == key) {
                partner = &a;
                break;
            }
        }
        if (partner == nullptr) continue;   // no abmp to continue: the part is only deleted
        std::vector<std::uint8_t> tail;
        if (auto e = fs.readFile(ctx.dataFolder + part, tail); e != ErrorNumber::None) {
            ctx.errorResourceName = part;
            recordError(ctx, e, op::joinabmp);
            return;   // remaining parts stay unjoined and no part file is deleted
        }
        const auto start = std::min(partner->start, file.size());
        const auto size = std::min(partner->size, file.size() - start);
        ctx.joinedBytes.assign(file.begin() + static_cast<std::ptrdiff_t>(start),
                               file.begin() + static_cast<std::ptrdiff_t>(start + size));
        ctx.joinedBytes.insert(ctx.joinedBytes.end(), tail.begin(), tail.end());
        ctx.resourceName = partner->name;
        ctx.errorResourceName = partner->name;
        ctx.resourceKind = "abmp";
        ctx.resourceIdText = part.substr(4, part.size() - 8);
        ctx.resourceBytes = ctx.joinedBytes;
        parsersrc(ctx);
    }
    for (const auto& part : ctx.splitPartFiles) {
        if (auto e = fs.removeFile(ctx.dataFolder + part); e != ErrorNumber::None && e != ErrorNumber::FileNotFound)
            recordIoError(ctx, e);
    }
    ctx.resourceBytes = {};
    ctx.joinedBytes.clear();
}

}  // namespace tesk

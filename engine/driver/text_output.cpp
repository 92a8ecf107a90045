// Script and index text. Blocks are collected per resource while the run walks the table and
// sorted by resource ID at the end; the file is written in one piece.
#include "driver/text_output.hpp"

#include <algorithm>
#include <numeric>

#include <fmt/format.h>

#include "platform/paths.hpp"

namespace tesk {
namespace {

constexpr char kQuote = '"';

// Signed 16-bit with a sign position: a space before non-negative values.
std::string signedField(std::int16_t v) { return v < 0 ? fmt::format("{}", v) : fmt::format(" {}", v); }

// Orders blocks from `first` on by key; equal keys keep their table order.
void sortSection(TypeSection& s, std::size_t first) {
    if (s.blocks.size() <= first + 1) return;
    std::vector<std::size_t> order(s.blocks.size() - first);
    std::iota(order.begin(), order.end(), first);
    std::stable_sort(order.begin(), order.end(), [&](auto a, auto b) { return s.keys[a] < s.keys[b]; });
    std::vector<std::string> blocks;
    std::vector<std::int32_t> keys;
    blocks.reserve(s.blocks.size());
    keys.reserve(s.keys.size());
    for (std::size_t i = 0; i < first; ++i) {
        blocks.push_back(std::move(s.blocks[i]));
        keys.push_back(s.keys[i]);
    }
    for (auto i : order) {
        blocks.push_back(std::move(s.blocks[i]));
        keys.push_back(s.keys[i]);
    }
    s.blocks = std::move(blocks);
    s.keys = std::move(keys);
}

std::string slashed(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

}   // namespace

std::string& TypeSection::current() {
    auto index = static_cast<std::size_t>(std::max(counter, 0));
    if (blocks.size() <= index) {
        blocks.resize(index + 1);
        keys.resize(index + 1, 0);
    }
    return blocks[index];
}

void TypeSection::setCurrentKey(std::int32_t key) {
    current();
    keys[static_cast<std::size_t>(std::max(counter, 0))] = key;
}

std::string bppText(std::uint8_t pixelSize) { return pixelSize == 0 ? "1" : fmt::format("{}", pixelSize); }

std::string densitySuffix(std::int16_t density) { return density == 72 ? std::string{} : fmt::format("-d{}", density); }

std::string densityKeyword(std::int16_t density) {
    switch (density) {
        case 108: return "DENSITY 1.5 ";
        case 144: return "DENSITY 2 ";
        case 216: return "DENSITY 3 ";
        case 288: return "DENSITY 4 ";
        default: return {};
    }
}

std::string transparencyKeyword(std::uint8_t pixelSize, const BitmapTextValues& v) {
    if (v.transparencyKind == 0) return {};
    if (pixelSize == 16)
        return fmt::format("TRANSPARENT {} {} {}", v.transparentRed, v.transparentGreen, v.transparentBlue);
    return fmt::format("TRANSPARENTINDEX {}", v.transparentIndex);
}

namespace {

void recordImage(ExtractionContext& ctx, const BitmapTextValues& v, std::string path) {
    if (path.empty() || !ctx.recordImages) return;
    if (path.starts_with(ctx.settings.outputFolder)) path.erase(0, ctx.settings.outputFolder.size());
    auto width = ctx.bitmap.bitmap.width, height = ctx.bitmap.bitmap.height;
    const bool rescaled =
        ctx.settings.imageFormat != 0 &&
        (ctx.settings.resizeMode == 2 ||
         (ctx.settings.resizeMode == 1 && (width > ctx.settings.resizeWidth || height > ctx.settings.resizeHeight)));
    if (rescaled) {
        width = ctx.settings.resizeWidth;
        height = ctx.settings.resizeHeight;
    }
    // Records name a name-table name's folders with "\", as the name table does.
    std::string name = ctx.resource.name;
    std::replace(name.begin(), name.end(), '/', '\\');
    ctx.tally.imageRecords.push_back({std::move(name), ctx.resource.idText, std::move(path), width, height, v.pixelSize,
                                      v.density, v.decompressed || ctx.settings.flags.forceCompress, v.transparencyKind,
                                      v.transparentIndex, v.transparentRed, v.transparentGreen, v.transparentBlue});
}

}   // namespace

void appendBitmapText(ExtractionContext& ctx, const BitmapTextValues& v, std::string writtenPath) {
    recordImage(ctx, v, std::move(writtenPath));
    auto mode = ctx.textMode();
    if (mode == TextMode::None) return;
    const auto bpp = bppText(v.pixelSize);
    const auto suffix = densitySuffix(v.density);
    const bool compress = v.decompressed || ctx.settings.flags.forceCompress;
    auto& block = ctx.currentSection().current();
    if (mode == TextMode::Script) {
        block += fmt::format("\tBITMAP \"{}-{}{}.bmp\" BPP {}", slashed(ctx.resource.name), bpp, suffix, bpp);
        auto keyword = densityKeyword(v.density);
        if (!keyword.empty() || compress) {
            block += "\t\r\n\t";
            block += keyword;
            if (compress) block += "COMPRESS";
        }
        if (v.transparencyKind != 0) {
            block += "\r\n\t";
            block += transparencyKeyword(v.pixelSize, v);
        }
        block += kCrLf;
        return;
    }
    const bool transparent = v.transparencyKind != 0;
    const bool colour = transparent && v.pixelSize == 16;
    std::int32_t blue = colour ? v.transparentBlue : transparent ? v.transparentIndex : 0;
    block += fmt::format("{}\t{}{}-{}{}.bmp\t{}\t{}\t{}\t{}\t{}\t{}\t{}\t{}\r\n", ctx.resource.idText,
                         ctx.settings.outputFolderSlashed, slashed(ctx.resource.name), bpp, suffix, bpp,
                         ctx.resource.name.substr(0, 4), transparent ? 1 : 0, colour ? v.transparentRed : 0,
                         colour ? v.transparentGreen : 0, blue, v.density, compress ? 1 : 0);
}

void startTextSections(ExtractionContext& ctx) {
    for (auto* s : {&ctx.text.tbmp, &ctx.text.taib, &ctx.text.abmp, &ctx.text.data}) s->clear();
    switch (ctx.textMode()) {
        case TextMode::Script: {
            const std::pair<TypeSection*, const char*> heads[] = {
                {&ctx.text.tbmp, "Tbmp"}, {&ctx.text.taib, "tAIB"}, {&ctx.text.abmp, "abmp"}, {&ctx.text.data, "DATA"}};
            for (auto& [section, type] : heads) {
                section->blocks.push_back(fmt::format("// Resource type {}\r\n\r\n", type));
                section->keys.push_back(0);
                section->counter = 1;
            }
            break;
        }
        case TextMode::Index:
        case TextMode::None: break;
    }
}

void beginFamilyStatement(ExtractionContext& ctx, std::string_view keyword, std::uint16_t id) {
    auto mode = ctx.textMode();
    if (mode == TextMode::None) return;
    auto& section = ctx.currentSection();
    section.setCurrentKey(id);   // index rows are sorted by the same key
    if (mode == TextMode::Script)
        section.current() += fmt::format("{} ID {}\r\nBEGIN\r\n", keyword, ctx.resource.idText);
}

void endFamilyStatement(ExtractionContext& ctx) {
    if (ctx.textMode() != TextMode::Script) return;
    ctx.currentSection().current() += "END\r\n\r\n";
}

void appendDataStatement(ExtractionContext& ctx, std::string_view escapedType, std::uint16_t id,
                         std::string_view fileName) {
    if (ctx.textMode() != TextMode::Script) return;
    ctx.text.data.current() += fmt::format("DATA {}{}{} ID {} {}{}{}\r\n\r\n", kQuote, escapedType, kQuote,
                                           ctx.resource.idText, kQuote, fileName, kQuote);
    ctx.text.data.setCurrentKey(id);
}

std::string buildScriptText(ExtractionContext& ctx) {
    const auto& h = ctx.loaded.database.header();
    std::string text;
    text += "// ==== This File Created by KRWT ====\r\n\r\n";
    text += fmt::format("//Database Name = {}\r\n", h.displayName());
    text += fmt::format("//Palm Type =  {}\r\n", h.typeText());
    text += fmt::format("//Palm Creator = {}\r\n", h.creatorText());
    text += fmt::format("//Version Num = {}\r\n", signedField(h.version));
    text += fmt::format("//Resource Type = {}\r\n", ctx.walk.abmpSeen ? "ARM" : "68K");
    text += fmt::format("//Attributes = {}\r\n", signedField(h.attributes));
    text += fmt::format("//Windows file name = {}\r\n\r\n\r\n", ctx.settings.inputPath);
    for (auto* s : {&ctx.text.tbmp, &ctx.text.taib, &ctx.text.abmp, &ctx.text.data}) {
        sortSection(*s, 1);
        if (s->counter <= 1) continue;
        auto count = std::min<std::size_t>(s->blocks.size(), static_cast<std::size_t>(s->counter));
        for (std::size_t i = 0; i < count; ++i) text += s->blocks[i];
    }
    return text;
}

std::string buildIndexText(ExtractionContext& ctx) {
    std::string text = "ID\tBitmap\tBPP\tType\tTransp\tRed\tGrn\tBlu\tDensity\tCompress\r\n";
    for (auto* s : {&ctx.text.tbmp, &ctx.text.taib, &ctx.text.abmp}) {
        sortSection(*s, 0);
        auto count = std::min<std::size_t>(s->blocks.size(), static_cast<std::size_t>(std::max(s->counter, 0)));
        for (std::size_t i = 0; i < count; ++i) text += s->blocks[i];
    }
    return text;
}

void writeTextOutput(ExtractionContext& ctx) {
    std::string text;
    switch (ctx.textMode()) {
        case TextMode::Script: text = buildScriptText(ctx); break;
        case TextMode::Index: text = buildIndexText(ctx); break;
        case TextMode::None: return;
    }
    // An empty path given by the caller means "no file": only lastIoError notes it.
    if (ctx.settings.textOutputPath.empty()) {
        ctx.errors.lastIoError = toInt(ErrorNumber::BadFileName);
        return;
    }
    auto bytes = std::span{reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
    if (auto e = ctx.services.files.writeFile(ctx.settings.textOutputPath, bytes); e != ErrorNumber::None) {
        ctx.errors.workingOn = ctx.settings.textOutputPath;
        recordDriverFailure(ctx, e);
    }
}

}   // namespace tesk

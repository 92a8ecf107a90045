// The run: start steps in their fixed order, the walk over the resource table with dispatch by
// the four type bytes, the end-of-run text, the join of split bitmaps and the status.
#include "driver/extraction_run.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <fmt/format.h>

#include "bitmap/palettes.hpp"
#include "bitmap/parse_resource.hpp"
#include "driver/abmp_join.hpp"
#include "driver/error_report.hpp"
#include "driver/name_table.hpp"
#include "driver/text_output.hpp"
#include "platform/paths.hpp"

namespace tesk {

OptionFlags OptionFlags::fromWord(std::uint32_t w) {
    OptionFlags f;
    f.skipTbmp = w & 0x0001;
    f.skipTaib = w & 0x0002;
    f.skipAbmp = w & 0x0004;
    f.skipData = w & 0x0008;
    f.noText = w & 0x0010;
    f.script = w & 0x0020;
    f.forceCompress = w & 0x0040;
    f.noProgress = w & 0x0080;
    f.showErrors = w & 0x0100;
    f.single = w & 0x0200;
    f.noLe16Swap = w & 0x0800;
    f.nameTable = w & 0x1000;
    f.nameFolders = w & 0x2000;
    f.sixteenTo24 = w & 0x4000;
    if (f.single) f.noProgress = true;
    return f;
}

TextMode ExtractionContext::textMode() const {
    if (flags.noText) return TextMode::None;
    return flags.script ? TextMode::Script : TextMode::Index;
}

void ExtractionContext::releaseDatabase() {
    resourceBytes = {};
    joinedBytes = {};
    database.clear();
}

TypeSection& ExtractionContext::currentSection() {
    if (resourceKind == "taib") return taibSection;
    if (resourceKind == "abmp") return abmpSection;
    if (resourceKind == "bin") return dataSection;
    return tbmpSection;
}

namespace {

constexpr std::uint32_t kHasAbmpBit = 0x0400;

enum class Step { Continue, Stop };   // Stop: the run ended early with `status`

std::int32_t readNumber(ExtractionContext& ctx, const std::optional<std::int32_t>& v) {
    if (!v) {
        ctx.lastIoError = toInt(ErrorNumber::SubscriptOutOfRange);
        return 0;
    }
    return *v;
}

std::string readText(ExtractionContext& ctx, const std::optional<std::string>& v) {
    if (!v) {
        ctx.lastIoError = toInt(ErrorNumber::SubscriptOutOfRange);
        return {};
    }
    return *v;
}

void resetRunState(ExtractionContext& ctx) {
    ctx.flags = {};
    ctx.abmpSeen = false;
    ctx.resourceName.clear();
    ctx.resourceKind.clear();
    ctx.resourceIdText.clear();
    ctx.errorResourceName.clear();
    ctx.resourceBytes = {};
    ctx.joinedBytes.clear();
    ctx.familyContinuesInPart = false;   // a run cut short by an exception may have left it set
    ctx.splitPartBytes = 0;
    ctx.errorCode = 0;
    ctx.errorProcedure.clear();
    ctx.errorRecordResource.clear();
    ctx.lastIoError = 0;
    ctx.mainLoopExitTaken = false;
    ctx.refused = false;
    ctx.refusalReason.clear();
    ctx.singleResourceFound = false;
    ctx.progressWindow = 0;
    ctx.progressStep = 0.0f;
    ctx.progressValue = 0.0f;
    ctx.progressPercent = 0;
    ctx.nameTablesOn = false;
    ctx.nameTable.clear();
    ctx.abmpTable.clear();
    ctx.splitPartFiles.clear();
    ctx.imagesWritten = 0;
    ctx.lastImageWritten.clear();
    ctx.imageRecords.clear();
    ctx.dataFilesWritten = 0;
    ctx.resourcesHandled = 0;
    ctx.bitmap = {};
}

std::string idText(std::uint16_t id) { return fmt::format("{:04d}", id); }

void progressTo(ExtractionContext& ctx, std::int32_t percent) {
    ctx.services.progress.set(ctx.progressWindow, percent, fmt::format(" {} %", percent));
    ctx.services.progress.pump();
}

// After each handled entry: the sum of single-precision steps, rounded half to even, capped at 100.
void advanceProgress(ExtractionContext& ctx) {
    if (ctx.progressWindow == 0) return;
    ctx.progressValue += ctx.progressStep;
    auto rounded = std::nearbyint(ctx.progressValue);   // default rounding mode: halves to even
    ctx.progressPercent = rounded >= 100.0f ? 100 : static_cast<std::int32_t>(rounded);
    progressTo(ctx, ctx.progressPercent);
}

// The loader keeps every entry in bounds by giving it less data or none; a caller that reports
// every failure hears which resources lost data that way. The error record is left alone.
void noteRangeFault(ExtractionContext& ctx, std::size_t i) {
    const auto fault = ctx.database.ResourceRange(i).fault;
    if (fault == PalmDatabase::Fault::None) return;
    noteFailure(ctx, ctx.errorResourceName, op::mainLoop, ErrorNumber::SubscriptOutOfRange,
                std::string(PalmDatabase::describe(fault)));
}

// Name-table lookup for the current resource; a non-empty value replaces its name (true then).
bool applyNameTable(ExtractionContext& ctx) {
    if (!ctx.nameTablesOn) return false;
    auto value = chknametable(ctx, ctx.resourceName);
    if (value.empty()) return false;
    ctx.resourceName = std::move(value);
    return true;
}

Step handleBitmapResource(ExtractionContext& ctx, std::size_t i, std::string_view kind, std::string_view keyword,
                          std::int32_t& status) {
    const auto& entry = ctx.database.entries()[i];
    ctx.resourceKind = kind;
    ctx.resourceIdText = idText(entry.id);
    ctx.resourceName = entry.typeText() + ctx.resourceIdText;
    ctx.errorResourceName = ctx.resourceName;
    applyNameTable(ctx);
    if (kind == "abmp") ctx.resourceName = trimSpaces(ctx.resourceName);
    if (ctx.resourceName.empty()) {
        showNonStandardFormat(ctx, "a resource without a name");
        status = 0;
        return Step::Stop;
    }
    // Single-resource mode looks at one resource only, so only its data faults matter.
    const bool wanted = !ctx.flags.single || ctx.resourceName == ctx.singleResourceName;
    if (ctx.flags.single && wanted) ctx.singleResourceFound = true;
    if (wanted) noteRangeFault(ctx, i);
    beginFamilyStatement(ctx, keyword, entry.id);
    ctx.resourceBytes = ctx.database.ResourceView(i);
    if (kind == "abmp" && !registerAbmp(ctx, i)) {
        showNonStandardFormat(ctx, "an abmp resource that holds a cBMP image");
        status = 0;
        return Step::Stop;
    }
    const auto part = kind == "abmp" ? splitPartSize(ctx, i) : std::nullopt;
    ctx.familyContinuesInPart = part.has_value();
    ctx.splitPartBytes = part.value_or(0);
    parsersrc(ctx);
    ctx.familyContinuesInPart = false;
    ctx.splitPartBytes = 0;
    endFamilyStatement(ctx);
    ++ctx.currentSection().counter;
    return Step::Continue;
}

Step handleDataResource(ExtractionContext& ctx, std::size_t i, std::int32_t& status) {
    const auto& entry = ctx.database.entries()[i];
    // Type bytes come from the file: escaped, they can neither leave the data folder nor hide.
    const auto type = escapeNameBytes(entry.typeText());
    ctx.resourceKind = "bin";
    ctx.resourceIdText = idText(entry.id);
    ctx.resourceName = type + ctx.resourceIdText;
    ctx.errorResourceName = ctx.resourceName;
    if (applyNameTable(ctx)) {
        // A value whose trim would hide the file was refused by the lookup.
        ctx.resourceName = trimSpaces(ctx.resourceName + ".bin");
    } else {
        // Escaped last, after the trim: the type " .ab" must not become the hidden ".ab0001.bin".
        ctx.resourceName = escapeNameBytes(trimSpaces(entry.typeText() + ctx.resourceIdText + ".bin"));
    }
    if (ctx.resourceName.empty()) {
        showNonStandardFormat(ctx, "a resource without a name");
        status = 0;
        return Step::Stop;
    }
    noteRangeFault(ctx, i);
    // A name-table name may use "\" for its folders; the path uses the native separator.
    const std::string name = nameValueToPath(ctx.resourceName);
    const auto path = ctx.dataFolder + name;
    if (auto e = replaceExistingOutput(ctx.services.files, path); e == ErrorNumber::PathFileAccessError) {
        status = mainLoopExit(ctx, e);
        return Step::Stop;
    } else if (e != ErrorNumber::None) {
        recordIoError(ctx, e);
    }
    ctx.resourceName = name;
    appendDataStatement(ctx, type, entry.id, name);
    auto bytes = ctx.database.ResourceView(i);
    if (auto e = ctx.services.files.writeFile(path, bytes); e != ErrorNumber::None)
        recordDriverFailure(ctx, e);
    else
        ++ctx.dataFilesWritten;
    ++ctx.dataSection.counter;
    return Step::Continue;
}

bool typeIs(const ResourceEntry& e, const char (&t)[5]) { return std::memcmp(e.type.data(), t, 4) == 0; }

Step handleEntry(ExtractionContext& ctx, std::size_t i, std::int32_t& status) {
    const auto& entry = ctx.database.entries()[i];
    if (typeIs(entry, "Tbmp")) {
        if (!ctx.flags.skipTbmp) return handleBitmapResource(ctx, i, "tbmp", "BITMAPFAMILYEX", status);
    } else if (typeIs(entry, "tAIB")) {
        if (!ctx.flags.skipTaib) return handleBitmapResource(ctx, i, "taib", "ICONFAMILYEX", status);
    } else if (typeIs(entry, "abmp")) {
        ctx.abmpSeen = true;
        ctx.optionsOut |= kHasAbmpBit;
        if (!ctx.flags.skipAbmp) return handleBitmapResource(ctx, i, "abmp", "BITMAPFAMILYEX", status);
    } else if (typeIs(entry, "2bmp")) {
        if (!writeSplitPart(ctx, i, status)) return Step::Stop;
        noteRangeFault(ctx, i);
        return Step::Continue;
    } else if (!ctx.flags.skipData) {
        return handleDataResource(ctx, i, status);
    }
    return Step::Continue;
}

// Start steps 6 to 10: the text file, the input, the folders. False after a MainLoop exit.
bool validatePaths(ExtractionContext& ctx, const std::string& dataArgument, std::int32_t& status) {
    auto& fs = ctx.services.files;
    if (!ctx.textOutputPath.empty() && PathExists(fs, ctx.textOutputPath)) {
        if (auto e = fs.removeFile(ctx.textOutputPath); e != ErrorNumber::None) recordIoError(ctx, e);
    }
    if (!PathExists(fs, ctx.inputPath)) {
        status = mainLoopExit(ctx, ErrorNumber::BadFileName);
        return false;
    }
    // An empty folder would become the root of the file system once the separator is added.
    auto isFolder = [&](const std::string& p) {
        auto a = fs.attributes(p);
        return a && (*a & attr::Directory);
    };
    ctx.outputFolder = withTrailingSeparator(ctx.outputFolder);
    if (ctx.outputFolder.empty() || !isFolder(ctx.outputFolder)) {
        status = mainLoopExit(ctx, ErrorNumber::PathNotFound);
        return false;
    }
    if (dataArgument.empty() || !PathExists(fs, dataArgument)) {
        ctx.dataFolder = ctx.outputFolder;
    } else {
        ctx.dataFolder = withTrailingSeparator(dataArgument);
        if (!isFolder(ctx.dataFolder)) ctx.dataFolder = ctx.outputFolder;
    }
    ctx.outputFolderSlashed = ctx.outputFolder;
    std::replace(ctx.outputFolderSlashed.begin(), ctx.outputFolderSlashed.end(), '\\', '/');
    return true;
}

std::int32_t run(ExtractionContext& ctx, const ExtractionRequest& req) {
    // 1. numbers
    ctx.sortIntoFolders = readNumber(ctx, req.sortIntoFolders);
    ctx.imageFormat = readNumber(ctx, req.imageFormat);
    ctx.resizeMode = readNumber(ctx, req.resizeMode);
    ctx.resizeWidth = readNumber(ctx, req.resizeWidth);
    ctx.resizeHeight = readNumber(ctx, req.resizeHeight);
    // 2. per-run state and option flags
    resetRunState(ctx);
    std::uint32_t word = 0;
    if (req.options) word = *req.options;
    else ctx.lastIoError = toInt(ErrorNumber::SubscriptOutOfRange);
    ctx.flags = OptionFlags::fromWord(word);
    ctx.optionsOut = word & ~kHasAbmpBit;
    // 3. palettes, once per process
    loadpalettes();
    // 4. texts
    ctx.outputFolder = trimSpaces(readText(ctx, req.outputFolder));
    ctx.inputPath = trimSpaces(readText(ctx, req.inputPath));
    const std::string dataArgument = readText(ctx, req.dataFolder);
    ctx.progressCaption = trimSpaces(readText(ctx, req.progressCaption));
    ctx.textOutputPath = trimSpaces(readText(ctx, req.textOutputPath));
    ctx.singleResourceName = trimSpaces(readText(ctx, req.singleResourceName));
    ctx.singleResourceType = ctx.singleResourceName.substr(0, 4);
    ctx.nameTableFolder = readText(ctx, req.nameTableFolder);
    // 5.
    ctx.stopRequested = false;
    // 6-10.
    std::int32_t status = 0;
    if (!validatePaths(ctx, dataArgument, status)) return status;
    // 11. the database
    // A file that was there a moment ago but cannot be read (gone, no permission, a device error)
    // is a failure in the system's words, not an unsupported file and not a quiet status 0.
    if (auto e = ctx.database.load(ctx.services.files, ctx.inputPath); e != ErrorNumber::None) {
        recordIoError(ctx, e);
        ctx.resourceName = ctx.errorResourceName = ctx.inputPath;
        return mainLoopExit(ctx, e);
    }
    if (!ctx.database.IsSupported()) {
        showUnsupportedFile(ctx);
        return 0;
    }
    if (auto fault = ctx.database.tableFault(); !fault.empty())
        noteFailure(ctx, {}, op::mainLoop, ErrorNumber::SubscriptOutOfRange, std::move(fault));
    // 12. name table
    if (ctx.flags.nameTable) {
        auto path = nameTablePath(ctx);
        if (PathExists(ctx.services.files, path)) {
            ctx.nameTablesOn = true;
            loadnametable(ctx, path);
        }
    }
    // 13. progress window
    const auto& entries = ctx.database.entries();
    if (!ctx.flags.noProgress) {
        ctx.progressStep = entries.empty() ? 0.0f : 100.0f / static_cast<float>(entries.size());
        ctx.progressWindow = ctx.services.progress.init(0, ctx.progressCaption);
        if (ctx.progressWindow == 0) return 0;
        progressTo(ctx, 0);
    }
    // 14, 15.
    ctx.abmpTable.clear();
    ctx.splitPartFiles.clear();
    startTextSections(ctx);

    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (ctx.stopRequested) continue;
        if (handleEntry(ctx, i, status) == Step::Stop) return status;
        ++ctx.resourcesHandled;
        advanceProgress(ctx);
    }

    writeTextOutput(ctx);
    if (!ctx.splitPartFiles.empty()) joinabmp(ctx);
    ctx.nameTable.clear();
    return finishWithStatus(ctx);
}

}  // namespace

std::int32_t runExtraction(ExtractionContext& ctx, const ExtractionRequest& request) {
    // No exception crosses a run: allocation failure is error 7 like any other recorded failure.
    try {
        auto status = run(ctx, request);
        ctx.releaseDatabase();
        return status;
    } catch (const std::bad_alloc&) {
        ctx.releaseDatabase();
        recordError(ctx, ErrorNumber::OutOfMemory, op::mainLoop);
        return finishWithStatus(ctx);
    } catch (...) {
        ctx.releaseDatabase();
        recordError(ctx, ErrorNumber::InternalError, op::mainLoop);
        return finishWithStatus(ctx);
    }
}

}  // namespace tesk

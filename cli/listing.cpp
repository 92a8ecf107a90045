#include "cli/listing.hpp"

#include <cstdio>
#include <optional>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "bitmap/bitmap_header.hpp"
#include "cli/archive_input.hpp"
#include "cli/batch.hpp"
#include "cli/report.hpp"
#include "cli/standalone_bitmap.hpp"
#include "driver/extraction_context.hpp"
#include "driver/palm_database.hpp"
#include "platform/paths.hpp"
#include "tesk/version.h"

namespace tesk::cli {
namespace {

using Json = nlohmann::ordered_json;

// One input as listed: a database, or a bitmap file read as resource Tbmp 0.
struct Listing {
    explicit Listing(Input in) : input(std::move(in)) {}

    Input input;
    bool bitmapFile = false;
    PalmDatabase database;              // a database's own bytes
    std::vector<std::uint8_t> family;   // a bitmap file's bytes
    std::vector<Failure> failures;      // in the words of extract
    std::string refusal;
    bool read = false;   // the header and table could be listed

    std::int32_t status() const { return failures.empty() ? 0 : failures.back().number; }
};

Failure tableFault(std::string resource, std::string_view detail) {
    return makeFailure(std::move(resource), std::string(op::mainLoop), toInt(ErrorNumber::SubscriptOutOfRange), detail);
}

std::string resourceName(const ResourceEntry& e) {
    return fmt::format("{}{:04d}", escapeNameBytes(e.typeText()), e.id);
}

Listing load(const Input& in, std::optional<std::vector<std::uint8_t>> bytes, std::optional<Failure> unread) {
    Listing l{in};
    if (unread) {
        l.failures.push_back(std::move(*unread));
        return l;
    }
    if (!bytes) {
        NativeFileSystem files;
        const auto path = in.path.string();
        if (!PathExists(files, path)) {
            l.failures.push_back(makeFailure({}, std::string(op::mainLoop), toInt(ErrorNumber::BadFileName)));
            return l;
        }
        std::vector<std::uint8_t> read;
        const auto limit = static_cast<std::size_t>(std::min<std::uint64_t>(kLargestDatabaseBytes, SIZE_MAX));
        if (auto e = files.readFile(path, read, limit); e != ErrorNumber::None) {
            l.failures.push_back(makeFailure({}, std::string(op::mainLoop), toInt(e)));
            return l;
        }
        bytes = std::move(read);
    }
    l.read = true;
    if (isStandaloneBitmap(*bytes)) {
        l.bitmapFile = true;
        l.family = std::move(*bytes);
        return l;
    }
    l.database.loadBytes(std::move(*bytes));
    if (!l.database.IsSupported()) {
        l.read = false;
        l.refusal = l.database.unsupportedReason();
        l.failures.push_back(makeFailure({}, {}, number::unsupportedFile, l.refusal));
        return l;
    }
    // The same faults an extraction reports, in the same words.
    if (auto fault = l.database.tableFault(); !fault.empty()) l.failures.push_back(tableFault({}, fault));
    for (std::size_t i = 0; i < l.database.entries().size(); ++i) {
        if (auto note = PalmDatabase::describe(l.database.ResourceRange(i).fault); !note.empty())
            l.failures.push_back(tableFault(resourceName(l.database.entries()[i]), note));
    }
    return l;
}

// Every input the arguments name: files as given, archives member by member.
template <class Visit>
bool forEachInput(const std::vector<std::string>& files, Visit&& visit) {
    bool several = files.size() > 1;
    for (const auto& file : files) {
        std::vector<Input> members;
        std::vector<Failure> problems;
        if (!listArchive(file, archiveStem(file), members, problems)) {
            visit(load(Input{file}, std::nullopt, std::nullopt));
            continue;
        }
        several = true;
        ArchiveMembers reader{members};
        for (const auto& m : members) {
            Failure f;
            auto bytes = m.unreadable ? std::nullopt : reader.take(m, f);
            auto unread = m.unreadable ? m.unreadable : bytes ? std::nullopt : std::optional<Failure>(f);
            visit(load(m, bytes ? std::optional(std::move(bytes->bytes)) : std::nullopt, std::move(unread)));
        }
        for (auto& p : problems) {
            Listing l{Input{file}};
            p.resource.clear();
            l.failures.push_back(std::move(p));
            visit(std::move(l));
        }
    }
    return several;
}

// --- text -----------------------------------------------------------------------------------

void printText(const Listing& l, bool heading) {
    if (heading) fmt::print("{}:\n", l.input.name());
    if (l.bitmapFile) {
        const auto family = readFamilyLayout(l.family);
        fmt::print("Bitmap file: {} bitmaps, read as resource Tbmp 0 named {}\n", family.bitmaps.size(),
                   standaloneName(l.input.fileName().stem().string()));
        fmt::print("\n{:<6} {:>5} {:>10} {:>10}\n", "Type", "ID", "Offset", "Size");
        fmt::print("{:<6} {:>5} {:>10} {:>10}\n", kStandaloneType, 0, 0, l.family.size());
    } else if (l.read) {
        const auto& db = l.database;
        const auto& h = db.header();
        fmt::print("Name:       {}\n", h.displayName());
        fmt::print("Type:       {}\nCreator:    {}\n", escapeNameBytes(h.typeText()), escapeNameBytes(h.creatorText()));
        fmt::print("Attributes: 0x{:04X} (resource database)\n", static_cast<std::uint16_t>(h.attributes));
        fmt::print("Version:    {}\n", h.version);
        fmt::print("Entries:    {} declared, {} in the file\n", h.entryCount, db.entries().size());
        fmt::print("\n{:<6} {:>5} {:>10} {:>10}\n", "Type", "ID", "Offset", "Size");
        for (std::size_t i = 0; i < db.entries().size(); ++i) {
            const auto& e = db.entries()[i];
            const auto range = db.ResourceRange(i);
            const auto note = PalmDatabase::describe(range.fault);
            fmt::print("{:<6} {:>5} {:>10} {:>10}{}{}\n", escapeNameBytes(e.typeText()), e.id, e.offset, range.size,
                       note.empty() ? "" : "  ", note);
        }
    }
    if (heading) fmt::print("\n");
}

// --- JSON -----------------------------------------------------------------------------------

Json orNull(const std::string& s) { return s.empty() ? Json(nullptr) : Json(s); }

std::string_view storageName(PixelStorage s) {
    switch (s) {
        case PixelStorage::Uncompressed: return "none";
        case PixelStorage::ScanLine: return "scanline";
        case PixelStorage::Rle: return "rle";
        case PixelStorage::PackBits: return "packbits";
        case PixelStorage::Unknown: break;
    }
    return "unknown";
}

std::string_view outcomeName(HeaderRead r) {
    switch (r) {
        case HeaderRead::Read: return "read";
        case HeaderRead::RanOut: return "runsPastEnd";
        case HeaderRead::TooDeep: return "tooDeep";
        case HeaderRead::UnknownVersion: break;
    }
    return "unknownVersion";
}

Json familyJson(std::span<const std::uint8_t> bytes) {
    const auto family = readFamilyLayout(bytes);
    auto members = Json::array();
    for (const auto& h : family.bitmaps) {
        const auto& b = h.fields;
        Json m;
        m["offset"] = h.start;
        m["outcome"] = outcomeName(h.outcome);
        if (h.outcome == HeaderRead::TooDeep) m["depth"] = b.pixelSize;
        if (h.outcome == HeaderRead::UnknownVersion) m["version"] = b.version;
        if (h.outcome == HeaderRead::Read) {
            m["version"] = b.version;
            m["width"] = b.width;
            m["height"] = b.height;
            m["rowBytes"] = b.rowBytes;
            m["depth"] = b.pixelSize == 0 ? 1 : b.pixelSize;
            m["density"] = b.density;
            m["compression"] = storageName(pixelStorage(b));
            m["littleEndian"] = h.littleEndian;
            m["colourTable"] = h.hasColourTable ? Json(h.colourTable.size()) : Json(nullptr);
            if (b.transparencyKind == 1)
                m["transparency"] = {{"index", b.transparentIndex}};
            else if (b.transparencyKind == 2)
                m["transparency"] = {
                    {"red", b.transparentRed}, {"green", b.transparentGreen}, {"blue", b.transparentBlue}};
            else
                m["transparency"] = nullptr;
        }
        members.push_back(std::move(m));
    }
    const auto end = family.endless             ? "endless"
                     : family.pointsBeforeStart ? "pointsBeforeStart"
                     : family.complete()        ? "last"
                                                : "broken";
    return {{"end", end}, {"bitmaps", std::move(members)}};
}

std::string_view kindOf(std::string_view type) {
    if (type == "Tbmp") return "tbmp";
    if (type == "tAIB") return "taib";
    if (type == "abmp") return "abmp";
    if (type == "2bmp") return "2bmp";
    return "bin";
}

Json resourceJson(const std::string& type, std::uint16_t id, std::size_t offset, std::span<const std::uint8_t> bytes,
                  std::string_view fault) {
    Json r;
    const auto kind = kindOf(type);
    r["type"] = escapeNameBytes(type);
    r["id"] = id;
    r["offset"] = offset;
    r["size"] = bytes.size();
    r["kind"] = kind;
    r["fault"] = fault.empty() ? Json(nullptr) : Json(fault);
    r["family"] = kind == "tbmp" || kind == "taib" || kind == "abmp" ? familyJson(bytes) : Json(nullptr);
    return r;
}

Json listingJson(const Listing& l) {
    Json j;
    j["path"] = l.input.name();
    j["kind"] = l.bitmapFile ? "bitmap" : "database";
    j["archive"] = l.input.inArchive() ? Json(l.input.path.string()) : Json(nullptr);
    j["member"] = orNull(l.input.member);
    j["status"] = l.status();
    j["error"] = l.status() == 0 ? std::string() : numberText(l.status());
    j["refused"] = l.refusal.empty() ? Json(nullptr) : Json{{"reason", l.refusal}};
    auto resources = Json::array();
    if (l.bitmapFile) {
        j["header"] = nullptr;
        resources.push_back(resourceJson(std::string(kStandaloneType), 0, 0, l.family, {}));
    } else if (l.read) {
        const auto& db = l.database;
        const auto& h = db.header();
        j["header"] = {{"name", h.displayName()},
                       {"type", escapeNameBytes(h.typeText())},
                       {"creator", escapeNameBytes(h.creatorText())},
                       {"attributes", static_cast<std::uint16_t>(h.attributes)},
                       {"version", h.version},
                       {"entriesDeclared", h.entryCount},
                       {"entries", db.entries().size()}};
        for (std::size_t i = 0; i < db.entries().size(); ++i) {
            const auto& e = db.entries()[i];
            resources.push_back(resourceJson(e.typeText(), e.id, e.offset, db.ResourceView(i),
                                             PalmDatabase::describe(db.ResourceRange(i).fault)));
        }
    } else {
        j["header"] = nullptr;
    }
    j["resources"] = std::move(resources);
    auto errors = Json::array();
    for (const auto& f : l.failures)
        errors.push_back(
            {{"resource", f.resource}, {"operation", f.operation}, {"number", f.number}, {"message", f.message}});
    j["errors"] = std::move(errors);
    return j;
}

}   // namespace

int runList(const ListOptions& o) {
    Json files = Json::array();
    std::vector<std::int32_t> statuses;
    const bool several = forEachInput(o.files, [&](const Listing& l) {
        if (o.json)
            files.push_back(listingJson(l));
        else
            printText(l, o.files.size() > 1 || l.input.inArchive());
        std::fflush(stdout);
        for (const auto& f : l.failures) std::fputs(failureLine(l.input.name(), f).c_str(), stderr);
        statuses.push_back(l.status());
    });
    if (o.json) {
        Json j;
        j["tool"] = "tesk";
        j["version"] = TESK_VERSION;
        j["files"] = std::move(files);
        // Names taken from files may hold any bytes: replace what is not UTF-8 instead of failing.
        std::fputs((j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n").c_str(), stdout);
    }
    const bool failed = std::any_of(statuses.begin(), statuses.end(), [](auto s) { return s != 0; });
    if (several) return failed ? 1 : 0;
    return statuses.empty() ? 0 : exitStatusOf(statuses.back());
}

}   // namespace tesk::cli

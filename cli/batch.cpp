#include "cli/batch.hpp"

#include <algorithm>
#include <set>

#include <fmt/chrono.h>
#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "cli/archive_input.hpp"
#include "cli/standalone_bitmap.hpp"
#include "driver/palm_database.hpp"
#include "platform/error_number.hpp"
#include "platform/file_system.hpp"
#include "tesk/version.h"

namespace tesk::cli {
namespace fs = std::filesystem;

namespace {

std::string lowerExtension(const fs::path& p) {
    auto ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

bool isPalmFile(const fs::path& p) {
    const auto ext = lowerExtension(p);
    return ext == ".prc" || ext == ".pdb";
}

// A .palm file is taken when it holds a bitmap family; the others of that name are not ours.
bool isBitmapFile(const fs::path& p) {
    if (lowerExtension(p) != ".palm") return false;
    NativeFileSystem files;
    std::vector<std::uint8_t> bytes;
    return files.readFile(p.string(), bytes,
                          static_cast<std::size_t>(std::min<std::uint64_t>(kLargestDatabaseBytes, SIZE_MAX))) ==
               ErrorNumber::None &&
           isStandaloneBitmap(bytes);
}

// What a walk collects, and the folders archives have taken: two archives of one name (c.zip and
// c.tar.gz, or two c.zip named on the command line) go to c/ and c-2/.
struct Found {
    std::vector<Input>& inputs;
    std::vector<Failure>& problems;
    std::set<std::string> archiveHomes;

    bool takeArchive(const fs::path& archive, const fs::path& place) {
        const auto stem = archiveStem(archive);
        auto home = place / stem;
        for (int n = 2; archiveHomes.contains(home.generic_string()); ++n) home = place / fmt::format("{}-{}", stem, n);
        if (!listArchive(archive, home, inputs, problems)) return false;
        archiveHomes.insert(home.generic_string());
        return true;
    }
};

Failure folderProblem(const fs::path& folder, const std::error_code& ec) {
    return makeFailure(folder.string(), {}, toInt(errorFromErrno(ec.default_error_condition().value())));
}

// Folders below `folder` are walked only when recursive; links to folders never (they could loop).
void walk(const fs::path& folder, const fs::path& place, bool recursive, Found& found) {
    std::error_code ec;
    std::vector<fs::path> subfolders;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e2;
        if (fs::is_directory(it->symlink_status(e2))) {
            if (recursive) subfolders.push_back(it->path());
        } else if (it->is_regular_file(e2)) {
            if (isPalmFile(it->path()) || isBitmapFile(it->path())) {
                found.inputs.push_back({it->path(), place});
            } else if (recursive && hasArchiveExtension(it->path())) {
                found.takeArchive(it->path(), place);   // one named so is never a database: taken or reported
            }
        }
    }
    if (ec) found.problems.push_back(folderProblem(folder, ec));
    for (const auto& sub : subfolders) walk(sub, place / sub.filename(), recursive, found);
}

// A name taken from the input becomes a folder name that is not hidden (a hidden output folder
// would also be refused by the replace rule of the next run).
std::string visibleName(std::string name) {
    if (name.empty() || name == "." || name == "..") return "database";
    if (name.front() == '.') name = "_" + name;
    return name;
}

std::string isoTime(std::chrono::system_clock::time_point t) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
    const auto seconds = static_cast<std::time_t>(ms / 1000);
    return fmt::format("{:%Y-%m-%dT%H:%M:%S}.{:03}Z", fmt::gmtime(seconds), ms % 1000);
}

nlohmann::ordered_json failuresJson(const std::vector<Failure>& failures) {
    auto list = nlohmann::ordered_json::array();
    for (const auto& f : failures)
        list.push_back(
            {{"resource", f.resource}, {"operation", f.operation}, {"number", f.number}, {"message", f.message}});
    return list;
}

}   // namespace

std::string Input::name() const { return member.empty() ? path.string() : path.string() + ":" + member; }

fs::path Input::fileName() const { return member.empty() ? path.filename() : fs::path(member).filename(); }

std::vector<Input> expandInputs(const std::vector<std::string>& arguments, bool recursive, bool& sawFolder,
                                std::vector<Failure>& problems) {
    std::vector<Input> out;
    std::vector<Input> found;
    Found walked{found, problems, {}};
    sawFolder = false;
    for (const auto& arg : arguments) {
        std::error_code ec;
        found.clear();
        if (fs::is_directory(arg, ec)) {
            walk(arg, {}, recursive, walked);
            // Stable: an archive's members keep the order the archive holds them in.
            std::stable_sort(found.begin(), found.end(),
                             [](const Input& a, const Input& b) { return a.path < b.path; });
        } else if (!walked.takeArchive(arg, {})) {
            out.push_back({arg});   // a missing file fails in its own run with its own message
            continue;
        }
        sawFolder = true;   // a folder or an archive: a batch
        out.insert(out.end(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
    }
    return out;
}

std::vector<fs::path> outputFolders(const std::vector<Input>& inputs) {
    std::vector<fs::path> places;
    std::set<std::string> onTheWay;   // every folder that leads to a database's folder
    for (const auto& in : inputs) {
        fs::path place;
        for (const auto& part : in.folder) {
            place /= visibleName(part.string());
            onTheWay.insert(place.generic_string());
        }
        places.push_back(place);
    }
    std::vector<fs::path> out;
    std::set<std::string> taken;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const auto base = visibleName(inputs[i].fileName().stem().string());
        auto folder = places[i] / base;
        for (int n = 2; taken.contains(folder.generic_string()) || onTheWay.contains(folder.generic_string()); ++n)
            folder = places[i] / fmt::format("{}-{}", base, n);
        taken.insert(folder.generic_string());
        out.push_back(folder);
    }
    return out;
}

std::size_t RunSummary::failed() const {
    return static_cast<std::size_t>(
        std::count_if(databases.begin(), databases.end(), [](auto& d) { return d.failed(); }));
}
std::size_t RunSummary::resources() const {
    std::size_t n = 0;
    for (const auto& d : databases) n += d.resources;
    return n;
}
std::size_t RunSummary::images() const {
    std::size_t n = 0;
    for (const auto& d : databases) n += d.imagesWritten;
    return n;
}
std::size_t RunSummary::rawFiles() const {
    std::size_t n = 0;
    for (const auto& d : databases) n += d.dataFilesWritten;
    return n;
}

std::string summaryText(const RunSummary& s) {
    std::string text = fmt::format("{} databases, {} resources, {} bitmaps written, {} failed", s.databases.size(),
                                   s.resources(), s.images(), s.failed());
    if (!s.notStarted.empty()) text += fmt::format(", {} not started", s.notStarted.size());
    return text + "\n";
}

std::string summaryJson(const RunSummary& s) {
    nlohmann::ordered_json j;
    j["tool"] = "tesk";
    j["version"] = TESK_VERSION;
    j["started"] = isoTime(s.started);
    j["finished"] = isoTime(s.finished);
    j["exitStatus"] = s.exitStatus;
    j["interrupted"] = s.interrupted;
    j["totals"] = {{"databases", s.databases.size()}, {"failed", s.failed()}, {"notStarted", s.notStarted.size()},
                   {"resources", s.resources()},      {"images", s.images()}, {"rawFiles", s.rawFiles()}};
    auto& list = j["databases"] = nlohmann::ordered_json::array();
    for (const auto& d : s.databases) {
        nlohmann::ordered_json r;
        r["path"] = d.input.string();
        r["kind"] = d.bitmapFile ? "bitmap" : "database";
        r["archive"] = d.archive.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(d.archive);
        r["member"] = d.member.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(d.member);
        r["outputFolder"] = d.outputFolder.string();
        r["status"] = d.status;
        r["error"] = d.status == 0 ? std::string() : numberText(d.status);
        r["refused"] =
            d.refusal.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json{{"reason", d.refusal}};
        r["resources"] = d.resources;
        r["images"] = d.imagesWritten;
        r["rawFiles"] = d.dataFilesWritten;
        r["errors"] = failuresJson(d.errors);
        r["messages"] = d.messages;
        r["seconds"] = d.seconds;
        list.push_back(std::move(r));
    }
    auto& left = j["notStarted"] = nlohmann::ordered_json::array();
    for (const auto& p : s.notStarted) left.push_back(p.string());
    j["errors"] = failuresJson(s.errors);
    // Names taken from files may hold any bytes: replace what is not UTF-8 instead of failing.
    return j.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}   // namespace tesk::cli

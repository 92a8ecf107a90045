#include "cli/batch.hpp"

#include <algorithm>
#include <map>
#include <set>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "platform/error_number.hpp"

namespace tesk::cli {
namespace fs = std::filesystem;

namespace {

bool isPalmFile(const fs::path& p) {
    auto ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".prc" || ext == ".pdb";
}

}  // namespace

std::vector<fs::path> expandInputs(const std::vector<std::string>& arguments, bool recursive, bool& sawFolder,
                                   std::vector<std::string>& problems) {
    std::vector<fs::path> out;
    sawFolder = false;
    for (const auto& arg : arguments) {
        std::error_code ec;
        if (!fs::is_directory(arg, ec)) {
            out.emplace_back(arg);   // a missing file fails in its own run with its own message
            continue;
        }
        sawFolder = true;
        std::vector<fs::path> found;
        auto collect = [&](auto it) {
            for (; !ec && it != decltype(it){}; it.increment(ec)) {
                std::error_code e2;
                if (it->is_regular_file(e2) && isPalmFile(it->path())) found.push_back(it->path());
            }
        };
        if (recursive)
            collect(fs::recursive_directory_iterator(arg, fs::directory_options::skip_permission_denied, ec));
        else
            collect(fs::directory_iterator(arg, ec));
        if (ec) problems.push_back(fmt::format("{}: {}", arg, ec.message()));
        std::sort(found.begin(), found.end());
        out.insert(out.end(), found.begin(), found.end());
    }
    return out;
}

std::vector<std::string> uniqueFolderNames(const std::vector<fs::path>& inputs) {
    std::vector<std::string> names;
    std::set<std::string> taken;
    for (const auto& in : inputs) {
        auto base = in.stem().string();
        if (base.empty() || base == "." || base == "..") base = "database";
        if (base.front() == '.') base.insert(0, "_");
        auto name = base;
        for (int n = 2; taken.contains(name); ++n) name = fmt::format("{}-{}", base, n);
        taken.insert(name);
        names.push_back(name);
    }
    return names;
}

std::size_t BatchSummary::failed() const {
    return static_cast<std::size_t>(std::count_if(databases.begin(), databases.end(), [](auto& d) { return d.failed(); }));
}
std::size_t BatchSummary::resources() const {
    std::size_t n = 0;
    for (const auto& d : databases) n += d.resources;
    return n;
}
std::size_t BatchSummary::images() const {
    std::size_t n = 0;
    for (const auto& d : databases) n += d.imagesWritten;
    return n;
}

std::string summaryText(const BatchSummary& s) {
    std::string text = fmt::format("{} databases, {} resources, {} bitmaps written, {} failed\n", s.databases.size(),
                                   s.resources(), s.images(), s.failed());
    for (const auto& d : s.databases) {
        if (!d.failed()) continue;
        text += d.refused ? fmt::format("  {}: refused", d.input.string()) : fmt::format("  {}: error {}", d.input.string(), d.status);
        if (d.status > 0 && d.status < 256) text += fmt::format(" ({})", errorText(d.status));
        text += "\n";
        for (const auto& m : d.messages) text += fmt::format("    {}\n", m);
    }
    return text;
}

std::string summaryJson(const BatchSummary& s) {
    nlohmann::json j;
    j["databases"] = s.databases.size();
    j["resources"] = s.resources();
    j["bitmapsWritten"] = s.images();
    j["failed"] = s.failed();
    auto& list = j["results"] = nlohmann::json::array();
    for (const auto& d : s.databases) {
        nlohmann::json r;
        r["input"] = d.input.string();
        r["output"] = d.outputFolder.string();
        r["status"] = d.status;
        r["refused"] = d.refused;
        r["error"] = d.status > 0 && d.status < 256 ? std::string(errorText(d.status)) : std::string();
        r["resources"] = d.resources;
        r["bitmapsWritten"] = d.imagesWritten;
        r["dataFilesWritten"] = d.dataFilesWritten;
        r["messages"] = d.messages;
        r["seconds"] = d.seconds;
        list.push_back(std::move(r));
    }
    // Names taken from files may hold any bytes: replace what is not UTF-8 instead of failing.
    return j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace tesk::cli

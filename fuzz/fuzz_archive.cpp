// Archives as inputs of the command: arbitrary bytes as a .zip, a tar (plain or compressed), a .7z
// or a file without an archive ending, extracted on the disk member by member, named on the
// command line or found by a recursive walk. Input: a choice byte (the name, the walk), an option
// byte (workers, format, sort, index), the archive. Nothing may appear outside the output folder
// and the summary, no link anywhere, and the summary must account for every database.
#include <nlohmann/json.hpp>

#include "cli/commands.hpp"
#include "fuzz_disk.hpp"

using namespace tesk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFolder scratch;
    fuzz::Input in(data, size);
    const std::uint8_t choice = in.byte();
    const std::uint8_t options = in.byte();
    const auto bytes = fuzz::toBytes(in.rest());

    static constexpr const char* names[] = {"c.zip",     "c.tar", "c.tar.gz", "c.tgz", "c.tar.bz2", "c.tar.xz",
                                            "c.tar.zst", "c.7z",  "c.ZIP",    "c.prc", "c"};
    const std::string name = names[(choice & 0x7F) % std::size(names)];
    const bool walk = choice & 0x80;
    scratch.reset({"in", "out"});
    const auto file = scratch.root() / "in" / name;
    fuzz::writeFile(file, bytes);
    const auto summary = scratch.root() / "summary.json";

    cli::ExtractOptions o;
    o.inputs = {walk ? (scratch.root() / "in").string() : file.string()};
    o.recursive = walk;
    o.outputFolder = (scratch.root() / "out").string();
    o.summaryFile = summary.string();
    o.jobs = 1 + (options & 1);
    static constexpr const char* formats[] = {"bmp", "bmp", "png", "png-palette"};
    o.format = formats[(options >> 1) & 3];
    o.sort = options & 0x08;
    if (options & 0x10) o.indexFile = (scratch.root() / "out" / "index.txt").string();
    o.gallery = options & 0x20;
    const int status = cli::runExtract(o);

    fuzz::require(scratch.onlyBelow({"in/" + name, "out", "summary.json"}),
                  "files only in the output folder and the summary");
    fuzz::require(fuzz::readFile(file) == bytes, "the archive is left as it was");

    const auto text = fuzz::readFile(summary);
    const auto json = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
    fuzz::require(!json.is_discarded(), "the summary is JSON");
    fuzz::require(json["exitStatus"] == status, "the summary gives the exit status");
    const auto& databases = json["databases"];
    fuzz::require(json["totals"]["databases"] == databases.size(), "the totals count the databases");
    bool anyFailed = !json["errors"].empty();
    const auto out = fuzz::fs::path(o.outputFolder);
    for (const auto& db : databases) {
        const auto folder = fuzz::fs::path(db["outputFolder"].get<std::string>()).lexically_normal();
        const auto relative = folder.lexically_relative(out);
        fuzz::require(!relative.empty() && *relative.begin() != "..",
                      "a database's folder lies below the output folder");
        const bool failed = db["status"] != 0;
        fuzz::require(failed != db["errors"].empty(), "a failure is explained, a success has no errors");
        anyFailed = anyFailed || failed;
    }
    // A file that is no archive is one database of its own, with its own number as the status.
    const bool batch = walk || databases.size() != 1 || !databases[0]["archive"].is_null();
    if (batch)
        fuzz::require(status == (anyFailed ? 1 : 0), "a batch fails exactly when something failed");
    else
        fuzz::require((status == 0) == (databases[0]["status"] == 0), "a single database's status is the run's");
    return 0;
}

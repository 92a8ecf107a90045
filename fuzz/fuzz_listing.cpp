// tesk list over arbitrary files: a database, a bitmap file or an archive, by the name it is
// given. Input: a choice byte (the name, a second copy under another name, text instead of JSON),
// the file. The JSON must parse, strictly, as one document of the documented shape, and its
// statuses must agree with its errors and with the exit status.
#include <nlohmann/json.hpp>

#include "cli/listing.hpp"
#include "cli/report.hpp"
#include "fuzz_disk.hpp"

using namespace tesk;
using Json = nlohmann::ordered_json;

namespace {

bool keysAre(const Json& j, std::initializer_list<const char*> keys) {
    if (!j.is_object() || j.size() != keys.size()) return false;
    auto it = j.begin();
    for (auto k : keys)
        if ((it++).key() != k) return false;
    return true;
}

// What docs/listing.schema.json requires of one file's entry, and what its numbers must agree on.
void checkFile(const Json& f) {
    fuzz::require(keysAre(f, {"path", "kind", "archive", "member", "status", "error", "refused", "header", "resources",
                              "errors"}),
                  "a file's keys, in order");
    fuzz::require(f["path"].is_string() && (f["kind"] == "database" || f["kind"] == "bitmap"), "path and kind");
    fuzz::require(f["archive"].is_null() == f["member"].is_null(), "an archive member names both");
    const auto& errors = f["errors"];
    fuzz::require(f["status"].is_number_integer() && errors.is_array(), "status and errors");
    fuzz::require(f["status"] == (errors.empty() ? Json(0) : errors.back()["number"]),
                  "the status is the last failure's number");
    fuzz::require((f["status"] == 0) == (f["error"] == ""), "an error text exactly for a failure");
    for (const auto& e : errors)
        fuzz::require(keysAre(e, {"resource", "operation", "number", "message"}) && e["message"].is_string(),
                      "an error's keys");
    fuzz::require(f["refused"].is_null() || (f["status"] == cli::number::unsupportedFile && f["header"].is_null()),
                  "a refused file has no header");
    const auto& resources = f["resources"];
    fuzz::require(resources.is_array(), "resources");
    if (f["kind"] == "bitmap") {
        fuzz::require(
            f["header"].is_null() && resources.size() == 1 && resources[0]["type"] == "Tbmp" && resources[0]["id"] == 0,
            "a bitmap file is the one resource Tbmp 0");
    } else if (!f["header"].is_null()) {
        fuzz::require(
            keysAre(f["header"], {"name", "type", "creator", "attributes", "version", "entriesDeclared", "entries"}),
            "the header's keys");
        fuzz::require(f["header"]["entries"] == resources.size(), "every entry listed");
    } else {
        fuzz::require(resources.empty(), "no resources without a header");
    }
    for (const auto& r : resources) {
        fuzz::require(keysAre(r, {"type", "id", "offset", "size", "kind", "fault", "family"}), "a resource's keys");
        const auto& family = r["family"];
        fuzz::require(family.is_null() == (r["kind"] == "bin" || r["kind"] == "2bmp"),
                      "a family exactly for bitmap kinds");
        if (!family.is_null())
            fuzz::require(
                keysAre(family, {"end", "bitmaps"}) && !family["bitmaps"].empty() && family["bitmaps"].size() <= 21,
                "a family's bitmaps");
    }
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFolder scratch;
    fuzz::Input in(data, size);
    const std::uint8_t choice = in.byte();
    const auto bytes = fuzz::toBytes(in.rest());

    static constexpr const char* names[] = {"db.prc", "image.palm", "plain", "c.zip", "c.tar.gz", "c.7z", "c.tar"};
    scratch.reset({"in"});
    cli::ListOptions o;
    o.json = !(choice & 0x80);
    o.files.push_back((scratch.root() / "in" / names[(choice & 0x0F) % std::size(names)]).string());
    if (choice & 0x40) o.files.push_back((scratch.root() / "in" / "second copy.pdb").string());
    for (const auto& f : o.files) fuzz::writeFile(f, bytes);

    fuzz::CapturedStdout captured;
    const int status = cli::runList(o);
    const auto text = captured.take();
    fuzz::require(scratch.entries().size() == o.files.size() + 1, "listing writes nothing");
    if (!o.json) return 0;

    const auto json = Json::parse(text, nullptr, false);
    fuzz::require(!json.is_discarded(), "the listing is one JSON document and nothing else");
    fuzz::require(keysAre(json, {"tool", "version", "files"}) && json["tool"] == "tesk" && json["files"].is_array(),
                  "the listing's keys");
    const auto& files = json["files"];
    bool failed = false;
    for (const auto& f : files) {
        checkFile(f);
        failed = failed || f["status"] != 0;
    }
    const bool single = o.files.size() == 1 && files.size() == 1 && files[0]["archive"].is_null();
    if (single)
        fuzz::require(status == cli::exitStatusOf(files[0]["status"].get<std::int32_t>()),
                      "the exit status is the file's");
    else
        fuzz::require(status == (failed ? 1 : 0), "several files fail exactly when one failed");
    return 0;
}

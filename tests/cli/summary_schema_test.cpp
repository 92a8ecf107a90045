// The JSON summary against its documented schema (docs/summary.schema.json), checked by a real
// JSON Schema validator, for every kind of outcome a database can have.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "cli/command.hpp"
#include "support/bitmap_builder.hpp"
#include "tesk/version.h"

namespace tesk {
namespace {

namespace fs = std::filesystem;

const fs::path kSchema = fs::path(TESK_SOURCE_DIR) / "docs" / "summary.schema.json";

test::Outcome validate(const fs::path& document) { return test::validateJson(kSchema, document); }

TEST(SummarySchema, EveryOutcomeMatchesTheSchema) {
    test::TempDir dir;
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "out" / "blocked");
    test::writeBytes(
        dir / "in" / "good.prc",
        test::PrcBuilder{}.resource("Tbmp", 1000, test::BitmapBuilder{}.build()).resource("tSTR", 1, {'x'}).build());
    test::writeBytes(dir / "in" / "broken.prc", test::databaseWithBrokenBitmaps());
    test::writeBytes(dir / "in" / "refused.prc", {'n', 'o'});
    test::writeBytes(dir / "in" / "blocked.prc", test::PrcBuilder{}.build());
    test::writeBytes(dir / "out" / "blocked" / "index.html", {});
    fs::permissions(dir / "out" / "blocked" / "index.html", fs::perms::owner_write, fs::perm_options::remove);
    const auto summary = dir / "summary.json";
    auto batch = test::runTesk(
        {"extract", (dir / "in").string(), "-o", (dir / "out").string(), "--gallery", "--summary", summary.string()});
    auto checked = validate(summary);
    EXPECT_EQ(checked.status, 0) << checked.out << checked.err;

    auto json = nlohmann::json::parse(test::readText(summary));
    EXPECT_EQ(json["version"], TESK_VERSION);
    EXPECT_EQ(json["exitStatus"], batch.status);
    EXPECT_EQ(json["totals"]["failed"], 3);
    std::map<std::string, nlohmann::json> byName;
    for (const auto& db : json["databases"]) byName[fs::path(db["path"].get<std::string>()).filename().string()] = db;
    EXPECT_EQ(byName["good.prc"]["status"], 0);
    EXPECT_EQ(byName["good.prc"]["images"], 1);
    EXPECT_EQ(byName["good.prc"]["rawFiles"], 1);
    EXPECT_EQ(byName["refused.prc"]["refused"]["reason"], "not a Palm resource database");
    EXPECT_EQ(byName["refused.prc"]["error"], "Not a supported type");
    EXPECT_EQ(byName["blocked.prc"]["status"], 75);   // its gallery page is read-only
    EXPECT_EQ(byName["blocked.prc"]["errors"][0]["operation"], "gallery");

    // One database alone, sent to standard output, is the same document.
    auto single =
        test::runTesk({"extract", (dir / "in" / "good.prc").string(), "-o", (dir / "out").string(), "--summary", "-"});
    test::writeBytes(dir / "single.json", test::Bytes(single.out.begin(), single.out.end()));
    checked = validate(dir / "single.json");
    EXPECT_EQ(checked.status, 0) << checked.out << checked.err;

    // The check itself can fail: a failed database that explains nothing is not a summary.
    json["databases"][0]["errors"] = nlohmann::json::array();
    json["databases"][0]["status"] = 9;
    test::writeBytes(dir / "bad.json", [&] {
        auto t = json.dump();
        return test::Bytes(t.begin(), t.end());
    }());
    EXPECT_EQ(validate(dir / "bad.json").status, 1);
}

}   // namespace
}   // namespace tesk

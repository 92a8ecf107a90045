// Every failure of a run reaches the user, one line each on stderr naming the file, the resource
// and the operation, and the same list in the JSON summary; the library's single error record and
// its messages stay as they were.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "cli/command.hpp"
#include "support/bitmap_builder.hpp"

namespace tesk {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::runTesk;

TEST(FailureReport, EveryBrokenBitmapIsNamedNotOnlyTheLast) {
    test::TempDir dir;
    const auto input = (dir / "app.prc").string();
    test::writeBytes(input, test::databaseWithBrokenBitmaps());
    fs::create_directory(dir / "out");
    auto r = runTesk({"extract", input, "-o", (dir / "out").string(), "--summary", (dir / "s.json").string()});
    EXPECT_EQ(r.err, "tesk: " + input + ": Tbmp1001: uncompsl: 9 Subscript/Pointer out of range\n" + "tesk: " + input +
                         ": Tbmp1002: parsersrc: 1000 Bitmap deeper than 16 bits per pixel\n");
    EXPECT_EQ(r.status, 1);   // the last one, 1000, is above 255
    EXPECT_TRUE(fs::exists(dir / "out" / "Tbmp1000-1.bmp"));
    EXPECT_TRUE(fs::exists(dir / "out" / "tSTR1000.bin"));

    const auto db = nlohmann::json::parse(test::readText(dir / "s.json"))["databases"][0];
    EXPECT_EQ(db["status"], 1000);
    EXPECT_EQ(db["error"], "Bitmap deeper than 16 bits per pixel");
    ASSERT_EQ(db["errors"].size(), 2u);
    EXPECT_EQ(db["errors"][0], (nlohmann::json{{"resource", "Tbmp1001"},
                                               {"operation", "uncompsl"},
                                               {"number", 9},
                                               {"message", "Subscript/Pointer out of range"}}));
    EXPECT_EQ(db["errors"][1]["number"], 1000);

    // The library's own message, asked for with its option word, is what it always was.
    auto raw = runTesk({"extract", input, "-o", (dir / "out").string(), "--raw-options", "0x0180"});
    EXPECT_NE(
        raw.err.find("tesk: " + input +
                     ": Error In Dll module --> uncompsl, While working On Tbmp1002 / Error was --> 1000 - No Error\n"),
        std::string::npos)
        << raw.err;
    EXPECT_EQ(raw.err.find("Varnel Icon Tool"), std::string::npos);
}

// A file cut short: the entries whose data it no longer holds are reported by extract and marked
// by list, in the same words and with the same status.
TEST(FailureReport, DataOutsideTheFileIsReportedAndListed) {
    auto three = [] {
        return test::PrcBuilder{}
            .resource("tSTR", 1, Bytes(40, 'a'))
            .resource("tSTR", 2, Bytes(40, 'b'))
            .resource("tSTR", 3, Bytes(40, 'c'));
    };
    struct Case {
        Bytes bytes;
        std::vector<std::string> lines;   // after "tesk: FILE: "
        std::string listed;               // a row of the table
    };
    auto inData = three().build();
    inData.resize(inData.size() - 60);   // tSTR 2 keeps half its data, tSTR 3 starts past the end
    const std::string range = "9 Subscript/Pointer out of range";
    const Case cases[] = {
        {inData,
         {"tSTR0002: MainLoop: " + range + " (its data runs past the end of the file)",
          "tSTR0003: MainLoop: " + range + " (its data lies outside the file)"},
         "tSTR       2        150         20  its data runs past the end of the file\n"},
        {three().truncate(78 + 15).build(),
         {"MainLoop: " + range + " (the resource table lists 3 entries, the file holds 1)",
          "tSTR0001: MainLoop: " + range + " (its data lies outside the file)"},
         "tSTR       1        110          0  its data lies outside the file\n"},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        const auto input = (dir / "cut.prc").string();
        test::writeBytes(input, c.bytes);
        std::string expected;
        for (const auto& line : c.lines) expected += "tesk: " + input + ": " + line + "\n";
        fs::create_directory(dir / "out");
        auto extract = runTesk({"extract", input, "-o", (dir / "out").string()});
        EXPECT_EQ(extract.status, 9);
        EXPECT_EQ(extract.err, expected);
        auto list = runTesk({"list", input});
        EXPECT_EQ(list.status, 9);
        EXPECT_EQ(list.err, expected);
        EXPECT_NE(list.out.find(c.listed), std::string::npos) << list.out;
    }
}

TEST(FailureReport, OnlyNamingNoResourceIsAnError) {
    test::TempDir dir;
    const auto input = (dir / "app.prc").string();
    test::writeBytes(input, test::databaseWithBrokenBitmaps());
    fs::create_directory(dir / "out");
    for (auto name : {"Zzzz9999", "tbmp1000", "tSTR1000"}) {   // absent; letter case; not a bitmap
        auto r = runTesk({"extract", input, "-o", (dir / "out").string(), "--only", name, "--skip", "data"});
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_EQ(r.err, "tesk: " + input + ": " + name + ": MainLoop: 1001 No bitmap resource of that name\n");
    }
    auto deep = runTesk({"extract", input, "-o", (dir / "out").string(), "--only", "Tbmp1002"});
    EXPECT_EQ(deep.err, "tesk: " + input + ": Tbmp1002: parsersrc: 1000 Bitmap deeper than 16 bits per pixel\n");
    auto good = runTesk({"extract", input, "-o", (dir / "out").string(), "--only", "Tbmp1000"});
    EXPECT_EQ(good.status, 0) << good.err;
}

// In a batch the failure lines go to stderr, each naming its file; stdout keeps the one summary line.
TEST(FailureReport, BatchFailuresGoToStderrWithTheirFiles) {
    test::TempDir dir;
    fs::create_directories(dir / "in");
    fs::create_directory(dir / "out");
    test::writeBytes(dir / "in" / "a.prc", test::PrcBuilder{}.resource("tSTR", 1, {'a'}).build());
    test::writeBytes(dir / "in" / "b.prc", test::databaseWithBrokenBitmaps());
    test::writeBytes(dir / "in" / "c.prc", {'n', 'o', 't', 'e', 's'});
    auto r = runTesk({"extract", (dir / "in").string(), "-o", (dir / "out").string(), "-j", "2"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "3 databases, 5 resources, 1 bitmaps written, 2 failed\n");
    const auto b = (dir / "in" / "b.prc").string(), c = (dir / "in" / "c.prc").string();
    EXPECT_NE(r.err.find("tesk: " + b + ": Tbmp1001: uncompsl: 9 "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("tesk: " + b + ": Tbmp1002: parsersrc: 1000 "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("tesk: " + c + ": 1002 Not a supported type (not a Palm resource database)\n"),
              std::string::npos);
    EXPECT_EQ(r.err.find("Varnel Icon Tool"), std::string::npos);
}

}   // namespace
}   // namespace tesk

// One table of exit statuses for list, extract and batches, and the line that explains each.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "cli/command.hpp"
#include "support/bitmap_builder.hpp"

namespace tesk {
namespace {

namespace fs = std::filesystem;

TEST(ExitStatus, OneTableForListExtractAndBatches) {
    test::TempDir dir;
    const auto d = [&](const char* name) { return (dir / name).string(); };
    test::writeBytes(dir / "good.prc",
                     test::PrcBuilder{}.resource("Tbmp", 1000, test::BitmapBuilder{}.build()).build());
    test::writeBytes(dir / "broken.prc", test::PrcBuilder{}.resource("Tbmp", 1000, test::Bytes(12, 0)).build());
    test::writeBytes(dir / "notes.txt", {'h', 'e', 'l', 'l', 'o', '\n'});
    test::writeBytes(dir / "short.prc", test::Bytes(50, 1));
    fs::create_directory(dir / "out");
    fs::create_directories(dir / "blocked");
    test::writeBytes(dir / "blocked" / "good", {'x'});   // a file where good.prc's folder would go

    struct Case {
        std::vector<std::string> words;
        int status;
        std::string line;   // a part of stderr
    };
    const Case cases[] = {
        {{"extract", d("good.prc"), "-o", d("out")}, 0, ""},
        {{"extract"}, 2, "FILES is required"},
        {{"extract", d("good.prc"), "-o", d("out"), "--bogus"}, 2, "--bogus"},
        {{"extract", d("good.prc"), "-o", d("out"), "--resize", "32x32"}, 2, "tesk: --resize: "},
        {{"extract", d("good.prc"), "-o", d("missing")}, 76, "tesk: " + d("missing") + ": 76 Path not found"},
        {{"extract", d("good.prc"), "-o", d("out"), "--data-dir", d("missing")}, 76, "tesk: " + d("missing") + ": 76 "},
        {{"extract", d("good.prc"), d("broken.prc"), "-o", d("missing")}, 76, ": 76 Path not found"},
        {{"extract", d("broken.prc"), "-o", d("out")}, 9, "tesk: " + d("broken.prc") + ": Tbmp1000: "},
        {{"extract", d("nothing.prc"), "-o", d("out")},
         64,
         "tesk: " + d("nothing.prc") + ": MainLoop: 64 Bad file name\n"},
        {{"list", d("nothing.prc")}, 64, "tesk: " + d("nothing.prc") + ": MainLoop: 64 Bad file name\n"},
        // Read whatever its extension; refused in the same words by both commands.
        {{"extract", d("notes.txt"), "-o", d("out")}, 1, "tesk: " + d("notes.txt") + ": 1002 Not a supported type"},
        {{"list", d("notes.txt")}, 1, "tesk: " + d("notes.txt") + ": 1002 Not a supported type"},
        {{"list", TESK_CLI_PATH}, 1, ": 1002 Not a supported type (not a Palm resource database)\n"},
        {{"extract", d("short.prc"), "-o", d("out")},
         9,
         ": MainLoop: 9 Subscript/Pointer out of range (the file ends inside its 78-byte header)\n"},
        {{"extract", d("good.prc"), d("broken.prc"), "-o", d("out")}, 1, ": Tbmp1000: "},
        // A database whose folder cannot be made fails with that reason, not as a missing folder.
        {{"extract", d("good.prc"), d("broken.prc"), "-o", d("blocked")},
         1,
         "tesk: " + d("good.prc") + ": " + d("blocked") + "/good: 75 Path/file access error (not a folder)\n"},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& w : c.words) shown += " " + w;
        auto r = test::runTesk(c.words);
        EXPECT_EQ(r.status, c.status) << shown << "\n" << r.err;
        EXPECT_NE(r.err.find(c.line), std::string::npos) << shown << "\n" << r.err;
        EXPECT_EQ(r.err.find("Varnel Icon Tool"), std::string::npos) << shown;
    }
    if (::geteuid() == 0) return;   // root writes into read-only folders
    fs::create_directory(dir / "read-only");
    fs::permissions(dir / "read-only", fs::perms::owner_write, fs::perm_options::remove);
    auto readOnly = test::runTesk({"extract", d("good.prc"), d("broken.prc"), "-o", d("read-only")});
    EXPECT_EQ(readOnly.status, 1);
    EXPECT_NE(readOnly.err.find(": 70 Permission denied\n"), std::string::npos) << readOnly.err;
}

}   // namespace
}   // namespace tesk

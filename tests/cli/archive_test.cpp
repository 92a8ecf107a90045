// Databases and bitmap files inside archives: read without unpacking, each into
// OUT/ARCHIVE-NAME/PATH-INSIDE/ as from the folder the archive holds, and archives that try to
// write elsewhere, lie about their sizes or end early.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "cli/archive_builder.hpp"
#include "cli/command.hpp"
#include "support/bitmap_builder.hpp"

namespace tesk {
namespace {

namespace fs = std::filesystem;
using test::ArchiveEntry;
using test::ArchiveKind;
using test::BitmapBuilder;
using test::Bytes;
using test::PrcBuilder;

Bytes database(std::uint8_t tag) {
    return PrcBuilder{}
        .resource("Tbmp", 1000,
                  BitmapBuilder{}.size(8, 1).depth(8).version(2).values({tag, 2, 3, 4, 5, 6, 7, 8}).build())
        .resource("tSTR", 1, Bytes{tag})
        .build();
}

// Nested folders, two databases of one name in different folders, a bitmap file, and what a
// collection also holds (a text, a .palm that is no bitmap).
std::vector<ArchiveEntry> collection() {
    std::vector<ArchiveEntry> entries{
        {"apps/games/chess.prc", database(1), {}},
        {"apps/x.prc", database(2), {}},
        {"tools/x.PRC", database(3), {}},
        {"icons/star.palm",
         BitmapBuilder{}.size(8, 1).depth(4).version(1).values({1, 2, 3, 4, 5, 6, 7, 8}).build(),
         {}},
        {"icons/notes.palm", test::text("a note, not a bitmap"), {}},
        {"README.txt", test::text("read me"), {}},
    };
    for (std::uint8_t i = 0; i < 24; ++i) entries.push_back({fmt::format("many/db{:02}.pdb", i), database(i), {}});
    return entries;
}

// The same tree as from the unpacked folder (tesk extract FOLDER -r), byte for byte, with every
// database's archive and member in the summary.
TEST(Archives, ExtractedAsTheFolderTheyHold) {
    test::TempDir dir;
    for (const auto& e : collection()) {
        fs::create_directories((dir / "unpacked" / e.name).parent_path());
        test::writeBytes(dir / "unpacked" / e.name, e.data);
    }
    fs::create_directory(dir / "reference");
    auto reference = test::runTesk({"extract", (dir / "unpacked").string(), "-r", "-o", (dir / "reference").string()});
    ASSERT_EQ(reference.status, 0) << reference.err;
    const auto expected = test::listFiles(dir / "reference");
    ASSERT_EQ(expected.size(), 2u * 27 + 1);

    for (auto [kind, name] : {std::pair{ArchiveKind::Zip, "set.zip"},
                              {ArchiveKind::TarGz, "set.tar.gz"},
                              {ArchiveKind::SevenZip, "set.7z"}}) {
        SCOPED_TRACE(name);
        test::writeArchive(dir / name, kind, collection());
        const auto out = dir / fmt::format("out-{}", name);
        fs::create_directory(out);
        auto r = test::runTesk(
            {"extract", (dir / name).string(), "-o", out.string(), "-j", "3", "--summary", (out / "s.json").string()});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(test::listFiles(out / "set"), expected);
        for (const auto& f : expected)
            EXPECT_EQ(test::readBytes(out / "set" / f), test::readBytes(dir / "reference" / f)) << f;

        auto checked = test::validateJson(fs::path(TESK_SOURCE_DIR) / "docs" / "summary.schema.json", out / "s.json");
        EXPECT_EQ(checked.status, 0) << checked.out << checked.err;
        const auto summary = nlohmann::json::parse(test::readText(out / "s.json"));
        ASSERT_EQ(summary["databases"].size(), 28u);
        const auto& chess = summary["databases"][0];
        EXPECT_EQ(chess["archive"], (dir / name).string());
        EXPECT_EQ(chess["member"], "apps/games/chess.prc");
        EXPECT_EQ(chess["path"], (dir / name).string() + ":apps/games/chess.prc");
        EXPECT_EQ(chess["outputFolder"], (out / "set" / "apps" / "games" / "chess").string());
        EXPECT_EQ(summary["databases"][3]["kind"], "bitmap");
    }
}

// Archives are opened by content when named, and reached in folders only with --recursive; two
// archives of one name do not share a folder.
TEST(Archives, FoundInFoldersWithRecursive) {
    test::TempDir dir;
    fs::create_directories(dir / "in" / "sub");
    test::writeBytes(dir / "in" / "top.prc", database(1));
    test::writeArchive(dir / "in" / "sub" / "pack.zip", ArchiveKind::Zip, {{"a.prc", database(2), {}}});
    test::writeArchive(dir / "in" / "sub" / "pack.tar", ArchiveKind::Tar, {{"a.prc", database(3), {}}});
    test::writeArchive(dir / "disguised.dat", ArchiveKind::Zip, {{"b.prc", database(4), {}}});
    for (const char* out : {"flat", "deep", "named"}) fs::create_directory(dir / out);
    EXPECT_EQ(test::runTesk({"extract", (dir / "in").string(), "-o", (dir / "flat").string()}).status, 0);
    EXPECT_EQ(test::listFiles(dir / "flat"), (std::vector<std::string>{"top/Tbmp1000-8.bmp", "top/tSTR0001.bin"}));
    EXPECT_EQ(test::runTesk({"extract", (dir / "in").string(), "-r", "-o", (dir / "deep").string()}).status, 0);
    EXPECT_EQ(test::readText(dir / "deep" / "sub" / "pack" / "a" / "tSTR0001.bin"), "\x03");   // pack.tar sorts first
    EXPECT_EQ(test::readText(dir / "deep" / "sub" / "pack-2" / "a" / "tSTR0001.bin"), "\x02");
    EXPECT_EQ(test::runTesk({"extract", (dir / "disguised.dat").string(), "-o", (dir / "named").string()}).status, 0);
    EXPECT_TRUE(fs::exists(dir / "named" / "disguised" / "b" / "tSTR0001.bin"));

    // libarchive is loaded only for an archive; without it an archive is a failure that says so,
    // and databases are read as ever.
    const test::Setting without{{"TESK_LIBARCHIVE=/nonexistent/libarchive.so"}, {}};
    auto r = test::runTesk({"extract", (dir / "in").string(), "-r", "-o", (dir / "named").string()}, without);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("tesk: " + (dir / "in" / "sub" / "pack.tar").string() +
                         ": 53 File not found (archives need /nonexistent/libarchive.so, which cannot be loaded)"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(fs::exists(dir / "named" / "top" / "tSTR0001.bin"));
}

// The field of a tar header that holds the size of its member, rewritten with its checksum.
void declareTarSize(Bytes& tar, std::uint64_t size) {
    const auto octal = fmt::format("{:011o}", size);
    std::copy(octal.begin(), octal.end(), tar.begin() + 124);
    std::fill(tar.begin() + 148, tar.begin() + 156, ' ');
    unsigned sum = 0;
    for (int i = 0; i < 512; ++i) sum += tar[i];
    const auto checksum = fmt::format("{:06o}", sum);
    std::copy(checksum.begin(), checksum.end(), tar.begin() + 148);
    tar[154] = 0;
}

// The uncompressed size a zip declares for its first member, in its local and central headers.
void declareZipSize(Bytes& zip, std::uint32_t size) {
    auto put = [&](std::size_t at) {
        for (int i = 0; i < 4; ++i) zip[at + i] = static_cast<std::uint8_t>(size >> (8 * i));
    };
    put(22);
    const Bytes central{'P', 'K', 1, 2};
    put(static_cast<std::size_t>(std::search(zip.begin(), zip.end(), central.begin(), central.end()) - zip.begin()) +
        24);
}

// Every hostile archive: nothing is written outside the output folder, what is refused says why,
// and the rest of the archive is still extracted.
TEST(Archives, HostileArchivesAreRefusedPieceByPiece) {
    struct Case {
        std::string name;
        std::function<void(const fs::path&)> write;
        std::vector<std::string> lines;   // expected on stderr, after "tesk: ARCHIVE"
        std::vector<std::string> extracted;
    };
    const auto good = database(7);
    std::vector<ArchiveEntry> links{{"climb.prc", {}, "../../../outside.prc"},
                                    {"dir/../../../x.prc", good, {}},
                                    {"/abs/y.prc", good, {}},
                                    {"../../x.prc", good, {}}};
    Bytes bomb = good;
    bomb.resize(50u << 20);   // 50 MB, almost all zeros, which deflate to a few dozen kilobytes
    const std::vector<Case> cases{
        {"links.tar",
         [&](auto& p) { test::writeArchive(p, ArchiveKind::Tar, links); },
         {":climb.prc: 1005 Archive member not read (a link in the archive, which is not followed)",
          ":dir/../../../x.prc: 1005 Archive member not read (its name climbs out of the archive (\"..\"))",
          ":../../x.prc: 1005 Archive member not read (its name climbs out of the archive (\"..\"))"},
         {"links/abs/y/Tbmp1000-8.bmp", "links/abs/y/tSTR0001.bin"}},
        {"huge.tar",
         [&](auto& p) {
             test::writeArchive(p, ArchiveKind::Tar, {{"huge.prc", {}, {}}, {"after.prc", good, {}}});
             auto tar = test::readBytes(p);
             declareTarSize(tar, 6ull << 30);
             test::writeBytes(p, tar);
         },
         {":huge.prc: 1005 Archive member not read (it declares 6442450944 bytes: larger than 4 GiB, the largest "
          "database "
          "the reader takes: a resource table's 32-bit offsets reach no further)",
          ": 1004 Damaged archive (Truncated input file (needed 6442450944 bytes, only"},
         {}},
        {"bomb.zip",
         [&](auto& p) {
             test::writeArchive(p, ArchiveKind::Zip, {{"bomb.prc", bomb, {}}, {"fine.prc", good, {}}});
             auto zip = test::readBytes(p);
             declareZipSize(zip, static_cast<std::uint32_t>(good.size()));
             test::writeBytes(p, zip);
         },
         {":bomb.prc: 1005 Archive member not read (it holds more than the " + std::to_string(good.size()) +
          " bytes it declares)"},
         {"bomb/fine/Tbmp1000-8.bmp", "bomb/fine/tSTR0001.bin"}},
        // Cut inside the second member: the first is extracted, the rest reported.
        {"cut.tar",
         [&](auto& p) {
             test::writeArchive(p, ArchiveKind::Tar, {{"first.prc", good, {}}, {"second.prc", database(8), {}}});
             auto tar = test::readBytes(p);
             tar.resize(3 * 512 + 50);
             test::writeBytes(p, tar);
         },
         {": 1004 Damaged archive ("},
         {"cut/first/Tbmp1000-8.bmp", "cut/first/tSTR0001.bin"}},
        {"cut.zip",
         [&](auto& p) {
             test::writeArchive(p, ArchiveKind::Zip, {{"first.prc", good, {}}, {"second.prc", database(8), {}}});
             auto zip = test::readBytes(p);
             const Bytes local{'P', 'K', 3, 4};
             zip.resize(static_cast<std::size_t>(std::search(zip.begin() + 4, zip.end(), local.begin(), local.end()) -
                                                 zip.begin()) +
                        60);
             test::writeBytes(p, zip);
         },
         {": 1004 Damaged archive ("},
         {"cut/first/Tbmp1000-8.bmp", "cut/first/tSTR0001.bin"}},
        {"empty.7z",
         [&](auto& p) { test::writeBytes(p, test::text("7z, but not really")); },
         {": 1004 Damaged archive ("},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        fs::create_directories(dir / "a" / "b" / "out");
        const auto archive = dir / "a" / "b" / c.name;
        c.write(archive);
        auto r = test::runTesk({"extract", archive.string(), "-o", (dir / "a" / "b" / "out").string()});
        EXPECT_EQ(r.status, 1);
        for (const auto& line : c.lines)
            EXPECT_NE(r.err.find("tesk: " + archive.string() + line), std::string::npos) << r.err;
        // Nothing beside the archive and the output folder, and in it only what was expected.
        auto files = test::listFiles(dir.path());
        EXPECT_EQ(files.size(), c.extracted.size() + 1) << testing::PrintToString(files);
        for (const auto& f : c.extracted) EXPECT_TRUE(fs::exists(dir / "a" / "b" / "out" / f)) << f;
    }
}

}   // namespace
}   // namespace tesk

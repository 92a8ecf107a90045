// Name tables: the line rules, the value forms, named folders, and values that must never become
// paths.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include "driver/name_table.hpp"
#include "platform/paths.hpp"
#include "support/bitmap_builder.hpp"
#include "support/test_run.hpp"
#include "tesk/tesk.h"

namespace tesk::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kTables = EXTR_NAME_TABLE | EXTR_NO_PROGRESS | EXTR_NO_TEXT;

// A context ready for loadnametable, as the run leaves it at that point.
struct TableFixture {
    explicit TableFixture(bool nameFolders, const std::string& table) : run{PrcBuilder{}.build()} {
        run.ctx.settings.outputFolder = withTrailingSeparator(run.out.string());
        run.ctx.settings.dataFolder = run.ctx.settings.outputFolder;
        run.ctx.settings.flags.nameFolders = nameFolders;
        writeBytes(tablePath(), Bytes(table.begin(), table.end()));
    }
    std::string tablePath() const { return (run.dir / "appl-TEST.dat").string(); }
    void load() { loadnametable(run.ctx, tablePath()); }
    std::string lookup(const std::string& name, const std::string& kind = "tbmp") {
        run.ctx.resource.kind = kind;
        return chknametable(run.ctx, name);
    }
    TestRun run;
};

// A run over raw resources tSTR 1..n with a table in <dir>/tables.
struct TableRun {
    TableRun(std::size_t resources, const std::string& table, std::uint32_t options = kTables)
        : run{build(resources), options} {
        fs::create_directory(run.dir / "tables");
        writeBytes(run.dir / "tables" / "appl-TEST.dat", Bytes(table.begin(), table.end()));
        run.request.nameTableFolder = (run.dir / "tables").string();
    }
    static Bytes build(std::size_t n) {
        PrcBuilder b;
        for (std::size_t i = 1; i <= n; ++i)
            b.resource("tSTR", static_cast<std::uint16_t>(i), {static_cast<std::uint8_t>(i)});
        return b.build();
    }
    TestRun run;
};

// Every file and folder below root, relative, sorted; folders end in "/".
std::vector<std::string> everything(const fs::path& root) {
    std::vector<std::string> names;
    for (auto& e : fs::recursive_directory_iterator(root)) {
        auto rel = fs::relative(e.path(), root).generic_string();
        names.push_back(e.is_directory() && !e.is_symlink() ? rel + "/" : rel);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(NameTableLines, KeysValuesCommentsAndMalformedLines) {
    TableFixture t{false,
                   "// Tbmp1001 = Commented\r\n"
                   "    // Tbmp1001 = Indented comment\r\n"
                   "no equals sign here\r\n"
                   "\r\n"
                   "   \r\n"
                   "tbmp1000 = Big Star\r\n"
                   "Tbmp1000 = Second line for the same key\r\n"
                   "Tbmp1002 = a=b\r\n"
                   "  Tbmp1003=   spaced   out   \n"
                   "\xE9str0001 = accented key\n"
                   "Tbmp1004 ="};
    t.load();
    EXPECT_EQ(t.lookup("Tbmp1000"), "Big Star");   // inner space kept, first of two wins
    EXPECT_EQ(t.lookup("TBMP1000"), "Big Star");
    EXPECT_EQ(t.lookup("Tbmp1001"), "");
    EXPECT_EQ(t.lookup("Tbmp1002"), "a");
    EXPECT_EQ(t.lookup("Tbmp1003"), "spaced   out");
    EXPECT_EQ(t.lookup("\xC9STR0001"), "accented key");   // upper-cased as the Western code page does
    EXPECT_EQ(t.lookup("Tbmp1004"), "");
    EXPECT_EQ(t.lookup("Tbmp9999"), "");
    EXPECT_EQ(t.run.ctx.errors.code, 0);
}

TEST(NameTableValues, FolderFormsWithoutNameFolders) {
    TableFixture t{false, "A = \\star\nB = \\icons\\star\nC = \\icons/big\\star\nD = plain\\kept\nE = /absolute\n"};
    t.load();
    EXPECT_EQ(t.lookup("A"), "star");
    EXPECT_EQ(t.lookup("B"), "star");
    EXPECT_EQ(t.lookup("C"), "star");
    EXPECT_EQ(t.lookup("D"), "plain\\kept");
    EXPECT_TRUE(everything(t.run.out).empty());
    EXPECT_EQ(t.run.ctx.errors.code, 0);
}

TEST(NameTableValues, FolderFormsWithNameFoldersAreKeptAndTheirFoldersMade) {
    TableFixture t{true, "A = \\star\nB = \\icons\\star\nC = \\icons/big\\star\nD = plain\\kept\n"};
    t.load();
    EXPECT_EQ(t.lookup("A"), "star");
    EXPECT_EQ(t.lookup("B"), "\\icons\\star");
    EXPECT_EQ(t.lookup("C"), "\\icons\\big\\star");   // "/" read as the folder separator
    EXPECT_EQ(t.lookup("D"), "plain\\kept");
    EXPECT_EQ(everything(t.run.out), (std::vector<std::string>{"icons/", "icons/big/", "plain/"}));
    EXPECT_EQ(t.run.ctx.errors.code, 0);
}

TEST(NameTableValues, FolderInTheWayIsReportedAndTheValueNotUsed) {
    TableFixture t{true, "tSTR0001 = \\icons\\star\n"};
    writeBytes(t.run.out / "icons", {1});
    t.load();
    EXPECT_EQ(t.run.ctx.errors.code, 75);
    EXPECT_EQ(t.run.ctx.errors.procedure, "loadnametable");
    EXPECT_EQ(t.lookup("tSTR0001", "bin"), "");
    EXPECT_EQ(t.run.ctx.errors.code, 52);
    EXPECT_EQ(t.run.ctx.errors.procedure, "chknametable");
}

TEST(NameTableValues, UnreadableTableIsReportedUnderLoad) {
    TableFixture t{false, ""};
    fs::remove(t.tablePath());
    fs::create_directory(t.tablePath());   // a folder where the file should be
    t.load();
    EXPECT_NE(t.run.ctx.errors.code, 0);
    EXPECT_EQ(t.run.ctx.errors.procedure, "loadnametable");
    EXPECT_EQ(t.lookup("Tbmp1000"), "");
}

TEST(NameTableRun, RawResourcesTakeTheirNamesAndNamedFolders) {
    TableRun t{3, "tSTR0001 = Big Star\ntSTR0002 = \\strings\\two\ntSTR0003 = \\strings\\deep\\three\n",
               kTables | EXTR_NAME_FOLDERS};
    EXPECT_EQ(t.run.extract(), 0);
    EXPECT_EQ(t.run.outputs(), (std::vector<std::string>{"Big Star.bin", "strings/deep/three.bin", "strings/two.bin"}));
    EXPECT_EQ(readBytes(t.run.out / "strings" / "two.bin"), Bytes{2});
}

TEST(NameTableRun, NamedImagesLandInTheirFoldersAlsoBelowTheSortFolders) {
    auto bitmap = BitmapBuilder{}.depth(8).size(4, 2).build();
    TestRun run{PrcBuilder{}.resource("Tbmp", 1000, bitmap).resource("Tbmp", 1001, bitmap).build(),
                kTables | EXTR_NAME_FOLDERS};
    fs::create_directory(run.dir / "tables");
    const std::string table = "Tbmp1000 = \\icons\\big\\star\nTbmp1001 = icons/small\n";
    writeBytes(run.dir / "tables" / "appl-TEST.dat", Bytes(table.begin(), table.end()));
    run.request.nameTableFolder = (run.dir / "tables").string();
    run.request.sortIntoFolders = 1;
    EXPECT_EQ(run.extract(), 0);
    EXPECT_EQ(run.outputs(),
              (std::vector<std::string>{"8-Bit D72/icons/big/star-8.bmp", "8-Bit D72/icons/small-8.bmp"}));
}

TEST(NameTableRun, NamedFoldersAreAlsoMadeInTheDataFolder) {
    TableRun t{1, "tSTR0001 = \\bins\\one\n", kTables | EXTR_NAME_FOLDERS};
    fs::create_directory(t.run.dir / "data");
    t.run.request.dataFolder = (t.run.dir / "data").string();
    EXPECT_EQ(t.run.extract(), 0);
    EXPECT_EQ(listFiles(t.run.dir / "data"), (std::vector<std::string>{"bins/one.bin"}));
    EXPECT_TRUE(fs::is_directory(t.run.out / "bins"));   // bitmaps of the same name would go here
}

TEST(NameTableRun, WithoutNameFoldersOnlyTheLastPartIsUsed) {
    TableRun t{1, "tSTR0001 = \\strings\\two\n"};
    EXPECT_EQ(t.run.extract(), 0);
    EXPECT_EQ(t.run.outputs(), (std::vector<std::string>{"two.bin"}));
}

TEST(NameTableRun, NoTableFileMeansTypeAndIdNames) {
    TableRun t{2, ""};
    fs::remove(t.run.dir / "tables" / "appl-TEST.dat");
    EXPECT_EQ(t.run.extract(), 0);
    EXPECT_EQ(t.run.outputs(), (std::vector<std::string>{"tSTR0001.bin", "tSTR0002.bin"}));
    EXPECT_TRUE(t.run.ui.boxes.empty());
}

TEST(NameTableRun, TableIsOnlyReadWithTheOption) {
    TableRun t{1, "tSTR0001 = renamed\n", EXTR_NO_PROGRESS | EXTR_NO_TEXT};
    EXPECT_EQ(t.run.extract(), 0);
    EXPECT_EQ(t.run.outputs(), (std::vector<std::string>{"tSTR0001.bin"}));
}

TEST(NameTableRun, EmptyValuesKeepTheTypeAndIdName) {
    TableRun t{2, "tSTR0001 =\ntSTR0002 =    \n"};
    EXPECT_EQ(t.run.extract(), 0);
    EXPECT_EQ(t.run.outputs(), (std::vector<std::string>{"tSTR0001.bin", "tSTR0002.bin"}));
    EXPECT_EQ(t.run.ctx.errors.code, 0);
}

// Values that would leave the output folder, hide a file or make a name no file system takes.
const std::vector<std::string> kHostile = {
    "..\\evil",
    "\\..\\evil",
    "\\icons\\..\\..\\evil",
    "../evil",
    "/tmp/evil",
    "C:\\evil",
    "C:evil",
    std::string("ev\0il", 5),
    "ev\x01il",
    "\\icons\\\x1b[2Jevil",
    "\\icons\\\\evil",
    "\\\\server\\share\\evil",
    ".hidden",
    "\\icons\\.",
    std::string(300, 'a'),
    "\\icons\\" + std::string(201, 'b'),
};

TEST(NameTableHostile, LookupRefusesWithError52) {
    for (const auto& value : kHostile) {
        TableFixture t{true, "Tbmp1000 = " + value + "\n"};
        t.load();
        EXPECT_EQ(t.lookup("Tbmp1000"), "") << value;
        EXPECT_EQ(t.run.ctx.errors.code, 52) << value;
        EXPECT_EQ(t.run.ctx.errors.procedure, "chknametable") << value;
    }
}

TEST(NameTableHostile, LongestUsableValueStillWorks) {
    TableFixture t{true, "Tbmp1000 = \\icons\\" + std::string(200, 'b') + "\n"};
    t.load();
    EXPECT_EQ(t.lookup("Tbmp1000"), "\\icons\\" + std::string(200, 'b'));
    EXPECT_EQ(t.run.ctx.errors.code, 0);
}

TEST(NameTableHostile, NothingIsWrittenOutsideTheOutputFolder) {
    for (auto options : {kTables, kTables | EXTR_NAME_FOLDERS}) {
        std::string table;
        for (std::size_t i = 0; i < kHostile.size(); ++i) table += fmt::format("tSTR{:04d} = {}\n", i + 1, kHostile[i]);
        TableRun t{kHostile.size(), table, options};
        t.run.extract();
        auto all = everything(t.run.dir.path());
        for (const auto& name : all) {
            bool inside = name == "input.prc" || name.starts_with("tables/") || name.starts_with("out/");
            EXPECT_TRUE(inside) << name;
        }
        for (const auto& name : t.run.outputs()) {
            EXPECT_NE(name.front(), '.') << name;
            // Without named folders "\..\evil" is the plain name "evil", which is harmless.
            bool expected = (name.starts_with("tSTR") && name.ends_with(".bin")) ||
                            (!(options & EXTR_NAME_FOLDERS) && name == "evil.bin");
            EXPECT_TRUE(expected) << name;
        }
    }
}

TEST(NameTableHostile, LinkedFolderInTheOutputIsNotFollowed) {
    TableRun t{1, "tSTR0001 = \\icons\\star\n", kTables | EXTR_NAME_FOLDERS};
    fs::create_directory(t.run.dir / "elsewhere");
    fs::create_directory_symlink(t.run.dir / "elsewhere", t.run.out / "icons");
    t.run.extract();
    EXPECT_TRUE(fs::is_empty(t.run.dir / "elsewhere"));
    EXPECT_TRUE(fs::exists(t.run.out / "tSTR0001.bin"));
    EXPECT_EQ(t.run.ctx.errors.code, 52);
}

}   // namespace
}   // namespace tesk::test

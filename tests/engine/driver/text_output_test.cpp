// Script and index text, byte for byte: header lines, sections, ordering by ID, DATA statements,
// BITMAP lines and index rows built from per-bitmap values, CR LF everywhere.
#include <gtest/gtest.h>

#include <filesystem>

#include <fmt/format.h>

#include "driver/text_output.hpp"
#include "support/bitmap_builder.hpp"
#include "support/test_run.hpp"
#include "tesk/tesk.h"

namespace tesk {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::PrcBuilder;
using test::TestRun;

using test::text;

// Tbmp 2000 (a dense, compressed, transparent family of two) is stored before Tbmp 1000.
Bytes smallDatabase() {
    using test::BitmapBuilder;
    auto dense = test::FamilyBuilder{}
                     .add(BitmapBuilder{}
                              .version(3)
                              .depth(8)
                              .size(4, 2)
                              .density(144)
                              .compress(test::Compression::ScanLine)
                              .transparentIndex(5))
                     .add(BitmapBuilder{}.version(3).depth(16).size(2, 2).transparent565(0xF81F))
                     .build();
    return PrcBuilder{}
        .name("Small")
        .version(1)
        .type("appl")
        .creator("SmAl")
        .resource("Tbmp", 2000, dense)
        .resource("tSTR", 5, text("s"))
        .resource("Tbmp", 1000, BitmapBuilder{}.version(2).depth(8).size(4, 2).build())
        .resource("code", 12345, text("c"))
        .build();
}

// The label is followed by one space, and non-negative numbers by one more for their sign.
std::string header(const std::string& input, std::string_view version, std::string_view type = "68K") {
    return "// ==== This File Created by KRWT ====\r\n\r\n"
           "//Database Name = Small\r\n"
           "//Palm Type =  appl\r\n"
           "//Palm Creator = SmAl\r\n"
           "//Version Num = " +
           std::string(version) +
           "\r\n"
           "//Resource Type = " +
           std::string(type) +
           "\r\n"
           "//Attributes =  1\r\n"
           "//Windows file name = " +
           input + "\r\n\r\n\r\n";
}

TEST(Script, GoldenTextForASmallDatabase) {
    TestRun run{smallDatabase(), EXTR_NO_PROGRESS | EXTR_SCRIPT};
    run.request.textOutputPath = (run.dir / "app.rcp").string();
    ASSERT_EQ(run.extract(), 0);
    const std::string expected =
        header(run.input.string(), " 1") +
        "// Resource type Tbmp\r\n\r\n"
        "BITMAPFAMILYEX ID 1000\r\nBEGIN\r\n"
        "\tBITMAP \"Tbmp1000-8.bmp\" BPP 8\r\n"
        "END\r\n\r\n"
        "BITMAPFAMILYEX ID 2000\r\nBEGIN\r\n"
        "\tBITMAP \"Tbmp2000-8-d144.bmp\" BPP 8\t\r\n\tDENSITY 2 COMPRESS\r\n\tTRANSPARENTINDEX 5\r\n"
        "\tBITMAP \"Tbmp2000-16.bmp\" BPP 16\r\n\tTRANSPARENT 255 0 255\r\n"
        "END\r\n\r\n"
        "// Resource type DATA\r\n\r\n"
        "DATA \"tSTR\" ID 0005 \"tSTR0005.bin\"\r\n\r\n"
        "DATA \"code\" ID 12345 \"code12345.bin\"\r\n\r\n";
    EXPECT_EQ(test::readText(run.dir / "app.rcp"), expected);
}

TEST(Script, SignPositionOfVersionAndAbmpMarksArm) {
    TestRun run{PrcBuilder{}
                    .name("Small")
                    .type("appl")
                    .creator("SmAl")
                    .version(0xFFFF)
                    .resource("abmp", 1, Bytes(16, 0))
                    .build(),
                EXTR_NO_PROGRESS | EXTR_SCRIPT};
    run.request.textOutputPath = (run.dir / "app.rcp").string();
    ASSERT_EQ(run.extract(), 0);
    auto script = test::readText(run.dir / "app.rcp");
    EXPECT_NE(script.find("//Version Num = -1\r\n"), std::string::npos);
    EXPECT_NE(script.find("//Resource Type = ARM\r\n"), std::string::npos);
    EXPECT_NE(script.find("// Resource type abmp\r\n\r\nBITMAPFAMILYEX ID 0001\r\n"), std::string::npos);
    EXPECT_EQ(script.find("// Resource type tAIB"), std::string::npos);
    EXPECT_EQ(script.find("// Resource type Tbmp"), std::string::npos);
}

TEST(Index, GoldenTextForASmallDatabase) {
    TestRun run{smallDatabase(), EXTR_NO_PROGRESS};
    run.request.textOutputPath = (run.dir / "index.txt").string();
    ASSERT_EQ(run.extract(), 0);
    const auto out = run.out.generic_string() + "/";
    EXPECT_EQ(test::readText(run.dir / "index.txt"),
              "ID\tBitmap\tBPP\tType\tTransp\tRed\tGrn\tBlu\tDensity\tCompress\r\n"
              "1000\t" +
                  out +
                  "Tbmp1000-8.bmp\t8\tTbmp\t0\t0\t0\t0\t72\t0\r\n"
                  "2000\t" +
                  out +
                  "Tbmp2000-8-d144.bmp\t8\tTbmp\t1\t0\t0\t5\t144\t1\r\n"
                  "2000\t" +
                  out + "Tbmp2000-16.bmp\t16\tTbmp\t1\t255\t0\t255\t72\t0\r\n");
    EXPECT_EQ(run.outputs(), (std::vector<std::string>{"Tbmp1000-8.bmp", "Tbmp2000-16.bmp", "Tbmp2000-8-d144.bmp",
                                                       "code12345.bin", "tSTR0005.bin"}));
}

TEST(Index, HeaderOnlyForADatabaseWithoutBitmaps) {
    TestRun run{PrcBuilder{}.resource("tSTR", 1, text("s")).build(), EXTR_NO_PROGRESS};
    run.request.textOutputPath = (run.dir / "index.txt").string();
    ASSERT_EQ(run.extract(), 0);
    EXPECT_EQ(test::readText(run.dir / "index.txt"),
              "ID\tBitmap\tBPP\tType\tTransp\tRed\tGrn\tBlu\tDensity\tCompress\r\n");
}

TEST(TextModes, EveryCombinationOfTheTwoBits) {
    struct Case {
        std::uint32_t bits;
        const char* starts;   // nullptr: no file
    } cases[] = {{0, "ID\tBitmap"},
                 {EXTR_SCRIPT, "// ==== This File"},
                 {EXTR_NO_TEXT, nullptr},
                 {EXTR_NO_TEXT | EXTR_SCRIPT, nullptr}};
    for (auto c : cases) {
        TestRun run{smallDatabase(), EXTR_NO_PROGRESS | c.bits};
        auto path = run.dir / "out.txt";
        test::writeBytes(path, Bytes(5000, 'x'));   // an older, longer file leaves no tail
        run.request.textOutputPath = path.string();
        ASSERT_EQ(run.extract(), 0);
        if (c.starts == nullptr) {
            EXPECT_FALSE(fs::exists(path)) << c.bits;   // deleted and not rewritten
        } else {
            auto t = test::readText(path);
            EXPECT_EQ(t.rfind(c.starts, 0), 0u) << c.bits;
            EXPECT_EQ(t.find('x'), std::string::npos) << c.bits;
        }
    }
}

// A context positioned on one bitmap resource, as parsersrc sees it.
struct LineFixture {
    LineFixture(std::uint32_t bits, std::string kind = "tbmp") {
        ctx.settings.flags = OptionFlags::fromWord(bits);
        ctx.settings.outputFolderSlashed = "/out/";
        ctx.resource.kind = std::move(kind);
        ctx.resource.idText = "1000";
        ctx.resource.name = "Tbmp1000";
        startTextSections(ctx);
        beginFamilyStatement(ctx, "BITMAPFAMILYEX", 1000);
    }
    std::string block() { return ctx.currentSection().current(); }
    NativeFileSystem files;
    RecordingUi ui;
    RecordingProgress progress;
    Services services{files, ui, progress};
    ExtractionContext ctx{services};
};

TEST(BitmapLine, PlainCompressedDenseAndTransparent) {
    struct Case {
        BitmapTextValues v;
        std::uint32_t bits;
        const char* line;
    } cases[] = {
        {{8, 72, false}, 0, "\tBITMAP \"Tbmp1000-8.bmp\" BPP 8\r\n"},
        {{8, 72, true}, 0, "\tBITMAP \"Tbmp1000-8.bmp\" BPP 8\t\r\n\tCOMPRESS\r\n"},
        {{8, 72, false}, EXTR_FORCE_COMPRESS, "\tBITMAP \"Tbmp1000-8.bmp\" BPP 8\t\r\n\tCOMPRESS\r\n"},
        {{8, 144, false}, 0, "\tBITMAP \"Tbmp1000-8-d144.bmp\" BPP 8\t\r\n\tDENSITY 2 \r\n"},
        {{8, 144, true}, 0, "\tBITMAP \"Tbmp1000-8-d144.bmp\" BPP 8\t\r\n\tDENSITY 2 COMPRESS\r\n"},
        {{0, 72, false}, 0, "\tBITMAP \"Tbmp1000-1.bmp\" BPP 1\r\n"},
        {{4, 72, false, 1, 3}, 0, "\tBITMAP \"Tbmp1000-4.bmp\" BPP 4\r\n\tTRANSPARENTINDEX 3\r\n"},
        {{16, 108, false, 2, 0, 255, 0, 255},
         0,
         "\tBITMAP \"Tbmp1000-16-d108.bmp\" BPP 16\t\r\n\tDENSITY 1.5 \r\n\tTRANSPARENT 255 0 255\r\n"},
        {{8, 100, false}, 0, "\tBITMAP \"Tbmp1000-8-d100.bmp\" BPP 8\r\n"},   // no keyword for 100
    };
    for (const auto& c : cases) {
        LineFixture f{EXTR_SCRIPT | c.bits};
        appendBitmapText(f.ctx, c.v);
        EXPECT_EQ(f.block(), std::string("BITMAPFAMILYEX ID 1000\r\nBEGIN\r\n") + c.line);
    }
}

TEST(BitmapLine, NameTableFoldersUseForwardSlashes) {
    LineFixture f{EXTR_SCRIPT};
    f.ctx.resource.name = "icons\\big\\star";
    appendBitmapText(f.ctx, {8, 72, false});
    EXPECT_NE(f.block().find("\"icons/big/star-8.bmp\""), std::string::npos);
}

TEST(IndexRow, ColumnsForEachKindOfBitmap) {
    struct Case {
        BitmapTextValues v;
        const char* row;
    } cases[] = {
        {{8, 72, false}, "1000\t/out/Tbmp1000-8.bmp\t8\tTbmp\t0\t0\t0\t0\t72\t0\r\n"},
        {{4, 72, false, 1, 3}, "1000\t/out/Tbmp1000-4.bmp\t4\tTbmp\t1\t0\t0\t3\t72\t0\r\n"},
        {{16, 144, true, 2, 0, 10, 20, 30}, "1000\t/out/Tbmp1000-16-d144.bmp\t16\tTbmp\t1\t10\t20\t30\t144\t1\r\n"},
        {{0, 72, false}, "1000\t/out/Tbmp1000-1.bmp\t1\tTbmp\t0\t0\t0\t0\t72\t0\r\n"},
    };
    for (const auto& c : cases) {
        LineFixture f{0};
        appendBitmapText(f.ctx, c.v);
        EXPECT_EQ(f.block(), c.row);
    }
    LineFixture none{EXTR_NO_TEXT};
    appendBitmapText(none.ctx, {8, 72, false});
    EXPECT_EQ(none.block(), "");
}

TEST(IndexRow, TypeColumnShowsTheNameTableName) {
    LineFixture f{0};
    f.ctx.resource.name = "Big Star";
    appendBitmapText(f.ctx, {8, 72, false});
    EXPECT_EQ(f.block(), "1000\t/out/Big Star-8.bmp\t8\tBig \t0\t0\t0\t0\t72\t0\r\n");
}

TEST(Index, RowsSortedByIdWithinTypesAndTypesInFixedOrder) {
    // Rows are appended by hand in table order: abmp 1, Tbmp 2000, tAIB 7, Tbmp 1000.
    NativeFileSystem files;
    RecordingUi ui;
    RecordingProgress progress;
    Services services{files, ui, progress};
    ExtractionContext ctx{services};
    ctx.settings.flags = OptionFlags::fromWord(0);
    startTextSections(ctx);
    auto add = [&](const char* kind, const char* type, std::uint16_t id) {
        ctx.resource.kind = kind;
        ctx.resource.idText = fmt::format("{:04d}", id);
        ctx.resource.name = std::string(type) + ctx.resource.idText;
        beginFamilyStatement(ctx, "BITMAPFAMILYEX", id);
        appendBitmapText(ctx, {1, 72, false});
        ++ctx.currentSection().counter;
    };
    add("abmp", "abmp", 1);
    add("tbmp", "Tbmp", 2000);
    add("taib", "tAIB", 7);
    add("tbmp", "Tbmp", 1000);
    auto t = buildIndexText(ctx);
    auto p1000 = t.find("Tbmp1000"), p2000 = t.find("Tbmp2000"), p7 = t.find("tAIB0007"), p1 = t.find("abmp0001");
    EXPECT_LT(p1000, p2000);
    EXPECT_LT(p2000, p7);
    EXPECT_LT(p7, p1);
}

}   // namespace
}   // namespace tesk

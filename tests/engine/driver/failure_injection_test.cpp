// Failures of the file layer during a run, on the in-memory file system: every single write that
// fails, a disk that fills up, a folder that refuses changes, an input or output folder that is
// gone by the time it is used. The run must name the failure in the system's words, must not
// report success, and must leave no half-written file and no damaged file of the user's.
#include <gtest/gtest.h>

#include <map>

#include "bitmap/exact_png.hpp"
#include "driver/extraction_run.hpp"
#include "platform/memory_file_system.hpp"
#include "support/bitmap_builder.hpp"
#include "support/prc_builder.hpp"
#include "tesk/tesk.h"

namespace tesk {
namespace {

using test::BitmapBuilder;
using test::Bytes;
using test::Compression;
using test::PrcBuilder;

using test::text;

Bytes database() {
    std::vector<std::uint16_t> v(64);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<std::uint16_t>(i * 5);
    return PrcBuilder{}
        .resource("Tbmp", 1000,
                  BitmapBuilder().version(2).depth(8).size(8, 8).values(v).compress(Compression::Rle).build())
        .resource("tAIB", 1000,
                  BitmapBuilder().version(1).depth(4).size(8, 8).values(std::vector<std::uint16_t>(64, 3)).build())
        .resource("tSTR", 1, text("hello"))
        .resource("code", 1, text("\x4e\x75"))
        .build();
}

struct MemoryRun {
    MemoryRun(std::uint32_t options, std::int32_t format) {
        fs.addFile("/in/app.prc", database());
        fs.addFile("/out/notes.txt", text("the user's own notes"));
        request = ExtractionRequest::given("/in/app.prc", "/out", options | EXTR_NO_PROGRESS);
        request.textOutputPath = "/out/index.txt";
        request.imageFormat = format;
        request.sortIntoFolders = 1;
    }
    std::int32_t extract() { return runExtraction(ctx, request); }
    std::map<std::string, Bytes> files() const {
        std::map<std::string, Bytes> out;
        for (const auto& p : fs.allPaths())
            if (auto c = fs.contents(p)) out[p] = *c;
        return out;
    }
    bool toldUser(std::string_view part) const {
        for (const auto& b : ui.boxes)
            if (b.text.find(part) != std::string::npos) return true;
        return false;
    }

    MemoryFileSystem fs;
    RecordingUi ui;
    RecordingProgress progress;
    Services services{fs, ui, progress};
    ExtractionContext ctx{services};
    ExtractionRequest request;
};

// Every file after a failed run is absent or exactly what a clean run writes; the user's own
// files are as they were.
void expectNoDamage(const MemoryRun& failed, const std::map<std::string, Bytes>& clean, const std::string& label) {
    for (const auto& [path, bytes] : failed.files()) {
        auto it = clean.find(path);
        ASSERT_NE(it, clean.end()) << label << ": unexpected " << path;
        EXPECT_EQ(bytes, it->second) << label << ": " << path << " differs";
    }
    auto all = failed.files();
    EXPECT_EQ(all["/in/app.prc"], database()) << label;
    EXPECT_EQ(all["/out/notes.txt"], text("the user's own notes")) << label;
}

// BMP, and the two PNG forms where the build has their libraries.
std::vector<std::int32_t> formats() {
    std::vector<std::int32_t> out{0};
    if (imageExportAvailable()) out.push_back(2);
    if (exactPngAvailable()) out.push_back(3);
    return out;
}

TEST(FailedWrites, EachOneIsReportedAndLeavesNoHalfFile) {
    for (std::int32_t format : formats()) {
        for (std::uint32_t mode : {0u, EXTR_SCRIPT}) {
            MemoryRun clean{mode, format};
            ASSERT_EQ(clean.extract(), 0);
            const auto cleanFiles = clean.files();
            const auto writes = clean.fs.writesAttempted();
            ASSERT_GE(writes, 5u);   // two images, two data files, the text file
            for (std::size_t k = 1; k <= writes; ++k) {
                const std::string label = "format " + std::to_string(format) + " mode " + std::to_string(mode) +
                                          " write " + std::to_string(k);
                MemoryRun shown{mode | EXTR_SHOW_ERRORS, format};
                shown.fs.failNthWrite(k, ErrorNumber::DiskFull);
                EXPECT_EQ(shown.extract(), 61) << label;
                EXPECT_TRUE(shown.toldUser("Error was --> 61 - Disk full")) << label;
                expectNoDamage(shown, cleanFiles, label);

                MemoryRun silent{mode, format};
                silent.fs.failNthWrite(k, ErrorNumber::DiskFull);
                EXPECT_EQ(silent.extract(), 61) << label;
                EXPECT_TRUE(silent.ui.boxes.empty()) << label;
            }
        }
    }
}

TEST(FailedWrites, AFillingDiskKeepsWhatFitAndReportsTheRest) {
    MemoryRun clean{0, 0};
    ASSERT_EQ(clean.extract(), 0);
    const auto cleanFiles = clean.files();
    for (std::size_t room = 0; room < clean.fs.bytesStored(); room += 97) {
        MemoryRun run{EXTR_SHOW_ERRORS, 0};
        run.fs.setCapacity(run.fs.bytesStored() + room);
        const auto status = run.extract();
        const bool allFit = run.files().size() == cleanFiles.size();
        EXPECT_EQ(status, allFit ? 0 : 61) << room;
        expectNoDamage(run, cleanFiles, "room " + std::to_string(room));
    }
}

TEST(FailedWrites, AFolderThatRefusesChangesIsNamed) {
    for (std::int32_t format : formats()) {
        MemoryRun run{EXTR_SHOW_ERRORS, format};
        run.fs.denyChanges("/out");
        EXPECT_EQ(run.extract(), 70) << format;
        EXPECT_TRUE(run.toldUser("Error was --> 70 - Permission denied")) << format;
        EXPECT_EQ(run.ctx.tally.imagesWritten, 0u);
        EXPECT_EQ(run.ctx.tally.dataFilesWritten, 0u);
        EXPECT_EQ(*run.fs.contents("/out/notes.txt"), text("the user's own notes"));
    }
}

TEST(VanishingFiles, AnInputGoneAfterTheCheckIsNotFoundNotUnsupported) {
    MemoryRun shown{EXTR_SHOW_ERRORS, 0};
    shown.fs.vanishAfterCheck("/in/app.prc");
    shown.extract();
    ASSERT_EQ(shown.ui.boxes.size(), 1u);
    EXPECT_EQ(shown.ui.boxes[0].text,
              "Error In Dll module --> MainLoop, While working On /in/app.prc\r\n"
              "Error was --> 53 - File not found");
    MemoryRun silent{0, 0};
    silent.fs.vanishAfterCheck("/in/app.prc");
    EXPECT_EQ(silent.extract(), 53);
    EXPECT_FALSE(silent.ctx.errors.refused);
}

TEST(VanishingFiles, AnOutputFolderGoneAfterTheCheckFailsEveryWrite) {
    MemoryRun run{0, 0};
    run.fs.vanishAfterCheck("/out");
    EXPECT_EQ(run.extract(), 76);
    EXPECT_EQ(run.ctx.tally.imagesWritten + run.ctx.tally.dataFilesWritten, 0u);
}

}   // namespace
}   // namespace tesk

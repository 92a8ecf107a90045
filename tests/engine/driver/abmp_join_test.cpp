// Split abmp bitmaps at file level: the part files, their removal, the cBMP refusal and the
// failure rules of the join. (The re-extracted images are checked where bitmaps are decoded.)
#include <gtest/gtest.h>

#include "driver/abmp_join.hpp"
#include "support/bitmap_builder.hpp"
#include "support/test_run.hpp"
#include "tesk/tesk.h"

namespace tesk::test {
namespace {

namespace fs = std::filesystem;

// The real disk, with a log of what was written and removed, and reads that fail on command.
class LoggingFiles final : public FileSystem {
public:
    std::optional<std::uint32_t> attributes(const std::string& p) const override { return disk.attributes(p); }
    ErrorNumber readFile(const std::string& p, std::vector<std::uint8_t>& out, std::size_t max) const override {
        if (!failReadsEndingIn.empty() && p.ends_with(failReadsEndingIn)) return ErrorNumber::DeviceIoError;
        return disk.readFile(p, out, max);
    }
    ErrorNumber writeFile(const std::string& p, std::span<const std::uint8_t> bytes) override {
        written.emplace_back(fs::path(p).filename().string(), Bytes(bytes.begin(), bytes.end()));
        return disk.writeFile(p, bytes);
    }
    ErrorNumber writeFileAtomic(const std::string& p, std::span<const std::uint8_t> bytes) override {
        return disk.writeFileAtomic(p, bytes);
    }
    ErrorNumber removeFile(const std::string& p) override {
        removed.push_back(fs::path(p).filename().string());
        return disk.removeFile(p);
    }
    ErrorNumber createFolder(const std::string& p) override { return disk.createFolder(p); }
    ErrorNumber renameFile(const std::string& f, const std::string& t) override { return disk.renameFile(f, t); }
    ErrorNumber listFolder(const std::string& p, std::vector<std::string>& n) const override {
        return disk.listFolder(p, n);
    }

    NativeFileSystem disk;
    std::string failReadsEndingIn;
    std::vector<std::pair<std::string, Bytes>> written;
    std::vector<std::string> removed;
};

// A TestRun's files and request with the logging file system underneath.
struct JoinRun {
    explicit JoinRun(const Bytes& database, std::uint32_t options = EXTR_NO_PROGRESS | EXTR_NO_TEXT)
        : base{database, options} {}
    std::int32_t extract() { return runExtraction(ctx, base.request); }
    Bytes writtenBytes(const std::string& name) const {
        for (const auto& [n, b] : files.written)
            if (n == name) return b;
        ADD_FAILURE() << name << " was not written";
        return {};
    }

    TestRun base;
    LoggingFiles files;
    RecordingUi ui;
    RecordingProgress progress;
    Services services{files, ui, progress};
    ExtractionContext ctx{services};
};

// A whole one-bitmap family: these tests are about the part files, not the joined images.
const Bytes kAbmp = BitmapBuilder{}.version(2).depth(4).size(4, 2).build();
const Bytes kPart = {0xAA, 0xBB, 0xCC};

TEST(SplitParts, PartIsWrittenEvenWhenRawDataIsSkippedAndRemovedAfterTheJoin) {
    JoinRun run{
        PrcBuilder{}.resource("abmp", 1000, kAbmp).resource("2bmp", 1000, kPart).resource("tSTR", 1, {7}).build(),
        EXTR_SKIP_DATA | EXTR_NO_PROGRESS | EXTR_NO_TEXT};
    EXPECT_EQ(run.extract(), 0);
    EXPECT_EQ(run.writtenBytes("2bmp1000.bin"), kPart);
    // The join replaces the first pass's image and then removes the part.
    EXPECT_EQ(run.files.removed, (std::vector<std::string>{"abmp1000-4.bmp", "2bmp1000.bin"}));
    EXPECT_EQ(run.base.outputs(), (std::vector<std::string>{"abmp1000-4.bmp"}));   // no part left, tSTR skipped
    EXPECT_EQ(run.ctx.errors.code, 0);
}

TEST(SplitParts, PartsGoToTheDataFolder) {
    JoinRun run{PrcBuilder{}.resource("abmp", 7, kAbmp).resource("2bmp", 7, kPart).build()};
    fs::create_directory(run.base.dir / "data");
    run.base.request.dataFolder = (run.base.dir / "data").string();
    EXPECT_EQ(run.extract(), 0);
    EXPECT_EQ(run.writtenBytes("2bmp0007.bin"), kPart);
    EXPECT_TRUE(listFiles(run.base.dir / "data").empty());
}

TEST(SplitParts, PartWithoutPartnerIsStillRemoved) {
    // No abmp of its ID, and an abmp that is skipped.
    for (auto options : {EXTR_NO_PROGRESS | EXTR_NO_TEXT, EXTR_SKIP_ABMP | EXTR_NO_PROGRESS | EXTR_NO_TEXT}) {
        JoinRun run{PrcBuilder{}
                        .resource("abmp", 1000, kAbmp)
                        .resource("2bmp", 2000, kPart)
                        .resource("2bmp", options & EXTR_SKIP_ABMP ? 1000 : 3000, kPart)
                        .build(),
                    options};
        EXPECT_EQ(run.extract(), 0);
        EXPECT_EQ(run.files.removed, (std::vector<std::string>{
                                         "2bmp2000.bin", options & EXTR_SKIP_ABMP ? "2bmp1000.bin" : "2bmp3000.bin"}));
        EXPECT_EQ(run.base.outputs(),
                  options & EXTR_SKIP_ABMP ? std::vector<std::string>{} : std::vector<std::string>{"abmp1000-4.bmp"});
        EXPECT_EQ(run.ctx.errors.code, 0);
    }
}

TEST(SplitParts, PartBeforeItsAbmpAndTwoPartsOfOneId) {
    JoinRun run{PrcBuilder{}.resource("2bmp", 5, kPart).resource("abmp", 5, kAbmp).resource("2bmp", 5, {1}).build()};
    EXPECT_EQ(run.extract(), 0);
    EXPECT_EQ(run.base.outputs(), (std::vector<std::string>{"abmp0005-4.bmp"}));
    EXPECT_EQ(run.ctx.errors.code, 0);
}

TEST(SplitParts, UnreplaceablePartFileEndsTheRun) {
    JoinRun run{
        PrcBuilder{}.resource("abmp", 1000, kAbmp).resource("2bmp", 1000, kPart).resource("tSTR", 1, {7}).build()};
    writeBytes(run.base.out / "2bmp1000.bin", {1, 2});
    fs::permissions(run.base.out / "2bmp1000.bin", fs::perms::owner_read);
    EXPECT_EQ(run.extract(), 75);
    EXPECT_EQ(run.ctx.errors.procedure, "MainLoop");
    EXPECT_EQ(readBytes(run.base.out / "2bmp1000.bin"), (Bytes{1, 2}));
    EXPECT_FALSE(fs::exists(run.base.out / "tSTR0001.bin"));
}

TEST(SplitParts, FailedJoinKeepsEveryPartAndNamesIt) {
    JoinRun run{PrcBuilder{}
                    .resource("abmp", 1, kAbmp)
                    .resource("2bmp", 1, kPart)
                    .resource("abmp", 2, kAbmp)
                    .resource("2bmp", 2, kPart)
                    .build(),
                EXTR_SHOW_ERRORS | EXTR_NO_PROGRESS | EXTR_NO_TEXT};
    run.files.failReadsEndingIn = "2bmp0001.bin";
    EXPECT_EQ(run.extract(), 57);
    EXPECT_EQ(run.ctx.errors.procedure, "joinabmp");
    EXPECT_EQ(run.ctx.errors.workingOn, "2bmp0001.bin");
    EXPECT_TRUE(run.files.removed.empty());
    EXPECT_EQ(run.base.outputs(),
              (std::vector<std::string>{"2bmp0001.bin", "2bmp0002.bin", "abmp0001-4.bmp", "abmp0002-4.bmp"}));
    ASSERT_EQ(run.ui.boxes.size(), 1u);
    EXPECT_NE(run.ui.boxes[0].text.find("joinabmp, While working On 2bmp0001.bin"), std::string::npos);
}

TEST(SplitParts, RefusedAbmpKeepsEarlierFilesAndWritesNoText) {
    Bytes refused = {'c', 'B', 'M', 'P', 0, 1, 0, 1};
    JoinRun run{PrcBuilder{}.resource("tSTR", 1, {7}).resource("abmp", 1000, refused).resource("tSTR", 2, {8}).build(),
                EXTR_SHOW_ERRORS};
    run.base.request.textOutputPath = (run.base.dir / "index.txt").string();
    EXPECT_EQ(run.extract(), 0);
    EXPECT_EQ(run.base.outputs(), (std::vector<std::string>{"tSTR0001.bin"}));
    EXPECT_FALSE(fs::exists(run.base.dir / "index.txt"));
    ASSERT_EQ(run.ui.boxes.size(), 1u);
    EXPECT_EQ(run.ui.boxes[0].text, "Non-standard format. Can't continue.");
    EXPECT_EQ(run.ui.boxes[0].style, MessageStyle::TaskModalForeground);
    EXPECT_EQ(run.progress.shutdowns, 1);
    EXPECT_TRUE(run.progress.markers.empty());
    EXPECT_EQ(run.ctx.walk.optionsOut, EXTR_SHOW_ERRORS | EXTR_HAS_ABMP);
}

TEST(SplitParts, OnlyAbmpStartingWithTheWholeSignatureIsRefused) {
    for (const Bytes& bytes : {Bytes{'c', 'B', 'M'}, Bytes{'C', 'B', 'M', 'P'}, Bytes{}}) {
        JoinRun run{PrcBuilder{}.resource("abmp", 1, bytes).resource("tSTR", 2, {8}).build()};
        run.extract();   // too short to be a bitmap, but not refused: the run goes on
        EXPECT_TRUE(run.ui.boxes.empty());
        EXPECT_EQ(run.base.outputs(), (std::vector<std::string>{"tSTR0002.bin"}));
    }
}

TEST(SplitParts, PartnerIsFoundByIdOnly) {
    JoinRun run{PrcBuilder{}
                    .resource("abmp", 1000, kAbmp)
                    .resource("abmp", 1001, kAbmp)
                    .resource("tSTR", 1001, kPart)
                    .resource("2bmp", 1000, kPart)
                    .build()};
    ASSERT_EQ(run.ctx.loaded.database.load(run.files, run.base.input.string()), ErrorNumber::None);
    EXPECT_EQ(splitPartSize(run.ctx, 0), kPart.size());
    EXPECT_FALSE(splitPartSize(run.ctx, 1));   // same ID in another type is no part
    EXPECT_FALSE(splitPartSize(run.ctx, 99));
}

}   // namespace
}   // namespace tesk::test

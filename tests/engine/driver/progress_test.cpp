// The position and text of the progress window after every table entry.
#include <gtest/gtest.h>

#include "support/test_run.hpp"
#include "tesk/tesk.h"

namespace tesk::test {
namespace {

Bytes databaseOf(std::size_t entries) {
    PrcBuilder b;
    for (std::size_t i = 0; i < entries; ++i) b.resource("tSTR", static_cast<std::uint16_t>(i), {1, 2, 3});
    return b.build();
}

// Runs a database of n raw resources (not written) with the window on.
std::vector<std::int32_t> positionsFor(std::size_t entries) {
    TestRun run{databaseOf(entries), EXTR_SKIP_DATA | EXTR_NO_TEXT};
    EXPECT_EQ(run.extract(), 0);
    std::vector<std::int32_t> positions;
    for (const auto& step : run.progress.steps) {
        EXPECT_EQ(step.text, " " + std::to_string(step.position) + " %");
        positions.push_back(step.position);
    }
    EXPECT_EQ(run.progress.pumps, static_cast<int>(run.progress.steps.size()));
    EXPECT_EQ(run.progress.shutdowns, 1);
    return positions;
}

TEST(ProgressPositions, FewEntriesRoundToNearest) {
    EXPECT_EQ(positionsFor(0), (std::vector<std::int32_t>{0}));
    EXPECT_EQ(positionsFor(1), (std::vector<std::int32_t>{0, 100}));
    EXPECT_EQ(positionsFor(3), (std::vector<std::int32_t>{0, 33, 67, 100}));
    EXPECT_EQ(positionsFor(7), (std::vector<std::int32_t>{0, 14, 29, 43, 57, 71, 86, 100}));
}

TEST(ProgressPositions, HalvesGoToTheEvenNeighbour) {
    // 100 / 8 = 12.5 exactly: 12.5 -> 12, 37.5 -> 38, 62.5 -> 62, 87.5 -> 88.
    EXPECT_EQ(positionsFor(8), (std::vector<std::int32_t>{0, 12, 25, 38, 50, 62, 75, 88, 100}));
}

TEST(ProgressPositions, ThousandEntriesClimbOnePercentPerTenAndEndAtHundred) {
    auto p = positionsFor(1000);
    ASSERT_EQ(p.size(), 1001u);
    EXPECT_EQ(p.front(), 0);
    EXPECT_EQ(p[10], 1);
    EXPECT_EQ(p[500], 50);
    EXPECT_EQ(p[990], 99);
    EXPECT_EQ(p.back(), 100);   // the single-precision sum falls just short of 100 and rounds up
    EXPECT_TRUE(std::is_sorted(p.begin(), p.end()));
}

TEST(ProgressWindow, NoWindowMeansNoResourceIsHandled) {
    TestRun run{databaseOf(2), EXTR_NO_TEXT};
    run.progress.failInit = true;
    run.request.textOutputPath = (run.dir / "index.txt").string();
    EXPECT_EQ(run.extract(), 0);
    EXPECT_TRUE(run.outputs().empty());
    EXPECT_TRUE(run.progress.steps.empty());
}

TEST(ProgressWindow, SingleResourceModeAndNoProgressOpenNone) {
    for (auto options : {EXTR_NO_PROGRESS, EXTR_SINGLE}) {
        TestRun run{databaseOf(3), options | EXTR_NO_TEXT};
        run.request.singleResourceName = "Tbmp1000";
        run.extract();
        EXPECT_TRUE(run.progress.captions.empty()) << options;
        EXPECT_EQ(run.outputs().size(), 3u) << options;
    }
}

TEST(ProgressWindow, EarlyEndClosesTheWindow) {
    // A read-only data file in the way: MainLoop exit after the window was opened.
    TestRun run{databaseOf(2), EXTR_NO_TEXT};
    writeBytes(run.out / "tSTR0001.bin", {9});
    std::filesystem::permissions(run.out / "tSTR0001.bin", std::filesystem::perms::owner_read);
    EXPECT_EQ(run.extract(), 75);
    EXPECT_EQ(run.progress.shutdowns, 1);
    EXPECT_TRUE(run.progress.markers.empty());
}

}   // namespace
}   // namespace tesk::test

// Requests through the real libtesk.so built beside the program.
#include <gtest/gtest.h>

#include "extractor.hpp"
#include "icon_tool_controller.hpp"
#include "support/prc_builder.hpp"
#include "support/test_run.hpp"

namespace tesk::icontool {
namespace {

using tesk::test::PrcBuilder;
using tesk::test::TempDir;

TEST(LibraryExtractor, ExtractsIntoATemporaryFolderThroughTheRealLibrary) {
    TempDir dir;
    std::filesystem::create_directory(dir / "out");
    std::filesystem::create_directory(dir / "data");
    tesk::test::writeBytes(dir / "app.prc", PrcBuilder{}
                                                .resource("Tbmp", 1000, {0, 0, 0, 0})
                                                .resource("tSTR", 2000, {'h', 'i', 0})
                                                .build());
    PosixFileSystem files;
    RecordingUi ui;
    IconToolSettings settings;
    LibraryExtractor library(TESK_BIN_DIR);
    IconToolController controller(settings, files, ui, library, TESK_BIN_DIR, (dir / "data").string());
    controller.startUp();
    ASSERT_TRUE(controller.libraryPresent());

    EXPECT_EQ(controller.extract((dir / "app.prc").string(), (dir / "out").string()), 0);
    EXPECT_TRUE(ui.boxes.empty());
    // The fixed options word asks for bitmaps only, so the string resource is not written out.
    for (const auto& f : tesk::test::listFiles(dir / "out")) EXPECT_EQ(f.find(".bin"), std::string::npos) << f;
    // The library is bound once and serves the next request as well.
    EXPECT_EQ(controller.extract((dir / "app.prc").string(), (dir / "out").string()), 0);
}

TEST(LibraryExtractor, ReportsAMissingOrForeignLibraryInsteadOfFailing) {
    TempDir dir;
    LibraryExtractor missing(dir.str());
    auto problem = missing.prepare();
    EXPECT_NE(problem.find("libtesk.so could not be loaded"), std::string::npos) << problem;

    // A loadable library without the entry.
    std::filesystem::copy_file(TESK_FOREIGN_LIBRARY, dir / "libtesk.so");
    LibraryExtractor foreign(dir.str());
    EXPECT_NE(foreign.prepare().find("does not offer the entry extrsrc"), std::string::npos);
}

}  // namespace
}  // namespace tesk::icontool

// Requests through the real libtesk.so built beside the program.
#include <gtest/gtest.h>

#include "support/bitmap_builder.hpp"

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
    tesk::test::writeBytes(dir / "app.prc",
                           PrcBuilder{}
                               .resource("Tbmp", 1000, tesk::test::BitmapBuilder{}.depth(8).size(4, 2).build())
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
    // PNG sorted into its depth folder by default; the fixed options word asks for bitmaps only,
    // so the string resource is not written out.
    EXPECT_EQ(tesk::test::listFiles(dir / "out"), std::vector<std::string>{"8-Bit D72/Tbmp1000-8.png"});
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

}   // namespace
}   // namespace tesk::icontool

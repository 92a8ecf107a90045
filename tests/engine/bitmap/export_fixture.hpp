// A context writing into a temporary folder, and a reader for what the export wrote.
#pragma once

#include <FreeImage.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bitmap/palettes.hpp"
#include "driver/extraction_context.hpp"
#include "engine/bitmap/bmp_builder.hpp"
#include "platform/file_system.hpp"
#include "platform/progress.hpp"
#include "platform/ui.hpp"
#include "support/test_run.hpp"

namespace tesk::test {

struct FiDeleter {
    void operator()(FIBITMAP* b) const { FreeImage_Unload(b); }
};
using FiBitmap = std::unique_ptr<FIBITMAP, FiDeleter>;

// Opens a written file with FreeImage, by its content (not its name).
FiBitmap openImage(const std::filesystem::path& path, FREE_IMAGE_FORMAT expected);
// The colour a viewer shows at (x, y), y counted from the top.
Rgb colourAt(FIBITMAP* bitmap, unsigned x, unsigned y);

// A context over the real disk with an output folder in a temporary directory.
struct ExportRun {
    ExportRun();
    TempDir dir;
    PosixFileSystem files;
    RecordingUi ui;
    RecordingProgress progress;
    Services services{files, ui, progress};
    ExtractionContext ctx{services};

    std::string bmpName(const std::string& stem) const { return (dir / (stem + ".bmp")).string(); }
};

}   // namespace tesk::test

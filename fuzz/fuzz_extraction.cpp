// A whole extraction run over an arbitrary database on the in-memory file system. The first bytes
// choose the run: image format, option word, sorting, resizing, text file and data folder, and an
// optional name table, and a failing write or a disk that fills up; the rest is the database.
// Nothing may appear outside the named folders, and a failed write is never a clean status.
#include "driver/extraction_run.hpp"
#include "driver/name_table.hpp"
#include "fuzz_support.hpp"

using namespace tesk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t format = in.byte();
    const std::uint16_t options = in.le16() & 0x7BFF;   // 0x0400 is an output bit only
    const std::uint8_t layout = in.byte();
    const std::uint8_t width = in.byte();
    const std::uint8_t height = in.byte();
    const std::uint16_t tableSize = in.le16();
    const auto table = in.take(tableSize);
    const auto database = fuzz::toBytes(in.rest());

    MemoryFileSystem fs;
    fs.addFolder("/out");
    fs.addFolder("/data");
    fs.addFile("/in/input.prc", database);
    RecordingUi ui;
    RecordingProgress progress;
    Services services{fs, ui, progress};

    if (options & 0x1000) {
        // The table's file name comes from the database's type and creator.
        ExtractionContext probe(services);
        probe.settings.nameTableFolder = "/tables";
        probe.loaded.database.loadBytes(database);
        fs.addFile(nameTablePath(probe), fuzz::toBytes(table));
    }

    // Failures are set up after the name table is in place, so they hit the run's own writes.
    const std::size_t failAt = 1 + width % 8;
    if (layout & 0x40) fs.failNthWrite(failAt);
    if (layout & 0x80) fs.setCapacity(fs.bytesStored() + std::size_t{height} * 64);

    ExtractionContext ctx(services);
    ExtractionRequest req;
    req.inputPath = "/in/input.prc";
    req.outputFolder = "/out";
    req.dataFolder = (layout & 0x20) ? "/data" : "";
    req.textOutputPath = (layout & 0x10) ? "/out/index.txt" : "";
    req.progressCaption = "Extracting Bitmaps ...";
    req.singleResourceName = (options & 0x0200) ? "Tbmp1000" : "";
    req.nameTableFolder = "/tables";
    req.imageFormat = format % 4;
    req.sortIntoFolders = layout & 1;
    req.options = options;
    req.resizeMode = (layout >> 1) % 3;
    req.resizeWidth = width;
    req.resizeHeight = height;
    runExtraction(ctx, req);

    fuzz::require(fuzz::onlyBelow(fs, {"/out", "/data", "/in", "/tables"}), "output stays in its folders");
    fuzz::require(fs.contents("/in/input.prc").has_value(), "the input is never removed");
    if (fs.writesRefused() > 0)
        fuzz::require(ctx.errors.code != 0 || ctx.errors.lastIoError != 0, "a failed write is never a clean run");
    return 0;
}

// Bitmap families in files of their own: the test by content, the name taken from the file, the
// wrapping as a one-resource database with the name table that names it, and the command's whole
// run over such a file on the disk. Input: a choice byte (format, sort, index, ending), the
// file's stem up to a NUL, the file.
#include <algorithm>

#include "bitmap/bitmap_header.hpp"
#include "cli/commands.hpp"
#include "cli/standalone_bitmap.hpp"
#include "driver/name_table.hpp"
#include "driver/palm_database.hpp"
#include "fuzz_disk.hpp"

using namespace tesk;

namespace {

// A file name the disk takes: no "/", not "." or "..", within 255 bytes with its ending.
std::string diskStem(std::string stem) {
    std::erase(stem, '/');
    if (stem.size() > 200) stem.resize(200);
    if (stem.empty() || stem == "." || stem == "..") stem += "x";
    return stem;
}

void checkName(const std::string& name) {
    fuzz::require(!name.empty() && name.size() <= 200, "the name is cut to 200 bytes");
    fuzz::require(name.find_first_of("/\\:=", 0) == std::string::npos,
                  "the name is a plain file name the table keeps whole");
    fuzz::require(std::none_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }),
                  "no control characters in the name");
    fuzz::require(name.front() != ' ' && name.back() != ' ' && name.front() != '.', "no edge spaces, never hidden");
}

void checkWrapping(const std::vector<std::uint8_t>& bytes, const std::string& name) {
    fuzz::require(readFamilyLayout(bytes).complete(), "a bitmap file is a complete family");
    const auto db = cli::wrapAsDatabase(bytes, name);
    fuzz::require(!cli::isStandaloneBitmap(db), "the wrapped file reads as a database");
    PalmDatabase wrapped;
    wrapped.loadBytes(db);
    fuzz::require(wrapped.IsSupported() && wrapped.tableFault().empty() && wrapped.entries().size() == 1,
                  "the wrapping is a well-formed database of one entry");
    const auto view = wrapped.ResourceView(0);
    fuzz::require(std::equal(view.begin(), view.end(), bytes.begin(), bytes.end()), "the resource is the file, whole");

    // The name table the run gets names the resource after the file.
    MemoryFileSystem fs;
    fs.addFolder("/out");
    fs.addFile(cli::nameTablePathIn("/tables"), cli::nameTableFor(name));
    RecordingUi ui;
    RecordingProgress progress;
    Services services{fs, ui, progress};
    ExtractionContext ctx(services);
    ctx.settings.flags = OptionFlags::fromWord(0x1000);
    ctx.settings.outputFolder = ctx.settings.outputFolderSlashed = ctx.settings.dataFolder = "/out/";
    ctx.resource.kind = "tbmp";
    ctx.settings.nameTableFolder = "/tables";
    ctx.loaded.database.loadBytes(db);
    fuzz::require(nameTablePath(ctx) == cli::nameTablePathIn("/tables"),
                  "the run looks the table up where it is handed over");
    loadnametable(ctx, cli::nameTablePathIn("/tables"));
    fuzz::require(chknametable(ctx, "Tbmp0000") == name, "the table names the resource after the file");
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFolder scratch;
    fuzz::Input in(data, size);
    const std::uint8_t choice = in.byte();
    const auto stem = diskStem(in.field());
    const auto bytes = fuzz::toBytes(in.rest());

    const bool bitmap = cli::isStandaloneBitmap(bytes);
    const auto name = cli::standaloneName(stem);
    checkName(name);
    if (bitmap) checkWrapping(bytes, name);

    scratch.reset({"in", "out"});
    const auto file = scratch.root() / "in" / (stem + ((choice & 0x20) ? ".palm" : ".bin"));
    fuzz::writeFile(file, bytes);
    cli::ExtractOptions o;
    o.inputs = {file.string()};
    o.outputFolder = (scratch.root() / "out").string();
    static constexpr const char* formats[] = {"bmp", "bmp", "png", "jpeg", "png-palette", "bmp", "png", "bmp"};
    o.format = formats[choice & 7];
    o.sort = choice & 0x08;
    if (choice & 0x10) o.indexFile = (scratch.root() / "out" / "index.txt").string();
    if (choice & 0x40) o.resize = "20x10,up";
    if (o.format == "bmp") o.resize.clear();
    o.jobs = 1;
    const int status = cli::runExtract(o);

    fuzz::require(scratch.onlyBelow({"in/" + file.filename().string(), "out"}), "files only in the output folder");
    fuzz::require(fuzz::readFile(file) == bytes, "the input is left as it was");
    if (bitmap && status == 0) {
        // Its images are named after the file, never after the resource it was wrapped as.
        for (const auto& e : scratch.entries()) {
            const auto leaf = fuzz::fs::path(e.path).filename().string();
            if (!e.path.starts_with("out/") || fuzz::fs::is_directory(scratch.root() / e.path) || leaf == "index.txt")
                continue;
            fuzz::require(leaf.starts_with(name), "images named after the file");
        }
    }
    return 0;
}

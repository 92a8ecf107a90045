// tesk: the extraction from a terminal and in scripts.
#include <cstdio>
// After a C library header, which defines __GLIBC__: the allocator tuning below is glibc's own.
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "bitmap/exact_png.hpp"
#include "bitmap/image_export.hpp"
#include "cli/commands.hpp"
#include "tesk/version.h"

namespace {

// Asked only when help is shown: finding out loads FreeImage, which an ordinary run avoids.
std::string imageLibraryNote() {
    std::string note;
    if (!tesk::exactPngAvailable())
        note += "The exact PNG needs a PNG library, which this build of tesk lacks (the Windows build has none):\n"
                "--format png writes no images and ends with error 53, recorded under \"Write PNG\".\n";
    if (!tesk::imageExportAvailable())
        note += "JPEG, the palette PNG and resizing need the FreeImage library, which this build of tesk lacks (the\n"
                "Windows build has none; elsewhere it was not found): --format jpeg or png-palette, and --resize,\n"
                "write no images and end with error 53, recorded under \"Write JPEG\" or \"Write PNG\".\n";
    if (!note.empty()) note += "BMP output is complete.";
    return note;
}

}  // namespace

int main(int argc, char** argv) {
    // FreeImage's quantiser takes and zeroes about 0.7 MB of tables for every image. With the
    // allocator's defaults those blocks go back to the system after each image and come back as
    // fresh pages to fault in, which cost several times the quantising itself on a skin of small
    // bitmaps. Kept in the heap instead, they are reused warm; the peak stays what one image needs.
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
#endif
    CLI::App app{"Extracts every bitmap of a Palm OS resource database (.prc) as BMP, JPEG or PNG files,\n"
                 "writes its other resources as raw .bin files, and describes what it wrote in a resource\n"
                 "script or an index table.",
                 "tesk"};
    app.set_version_flag("--version", std::string("tesk ") + TESK_VERSION);
    app.require_subcommand(1);
    app.footer(imageLibraryNote);

    tesk::cli::ExtractOptions extract;
    auto* ex = app.add_subcommand("extract", "Extract the resources of a database");
    tesk::cli::addExtractOptions(*ex, extract);
    ex->footer(imageLibraryNote);

    std::string listFile;
    auto* ls = app.add_subcommand("list", "Print the header and resource table of a database");
    ls->add_option("FILE", listFile, "Palm database (.prc/.pdb)")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        auto code = app.exit(e);
        return code == 0 ? 0 : 2;   // usage errors are 2, like other tools
    }
    if (ex->parsed()) return tesk::cli::runExtract(extract);
    if (ls->parsed()) return tesk::cli::runList(listFile);
    return 2;
}

// tesk: the extraction from a terminal and in scripts.
#include <cstdio>
// After a C library header, which defines __GLIBC__: the allocator tuning below is glibc's own.
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <string>
#include <vector>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "bitmap/exact_png.hpp"
#include "bitmap/image_export.hpp"
#include "cli/archive_input.hpp"
#include "cli/commands.hpp"
#include "cli/listing.hpp"
#include "tesk/version.h"

namespace {

// One table for every command; help2man makes it a section of the man page.
constexpr const char* kExitStatus =
    "Exit status:\n"
    "  0    every database was extracted completely\n"
    "  2    a mistake on the command line (an unknown option, a bad value, --resize with BMP)\n"
    "  N    one database: the number it failed with, 1 when that is 256 or more (errors.md lists\n"
    "       them: 64 no such file, 76 no such output folder, 9 data that ends early, ...)\n"
    "  1    a batch (several databases, a folder or an archive) in which any database failed\n"
    "  130  interrupted (Ctrl-C, SIGTERM): running databases finished, no new one started\n"
    "A missing output folder or --data-dir (76) and a --summary path that may not be replaced (75)\n"
    "are found before any database is read, and give their number in a batch too.\n";

constexpr const char* kExamples =
    "Examples:\n"
    "  $ tesk list app.prc\n"
    "  $ tesk extract app.prc -o out --format png --sort\n"
    "  $ tesk extract palm -o out --recursive --summary out/summary.json --gallery\n"
    "  $ tesk extract collection.zip star.palm -o out --format png\n"
    "  $ tesk list --json app.prc collection.zip\n";

// Asked only when help is shown: finding out loads FreeImage, which an ordinary run avoids.
std::string imageLibraryNote() {
    std::string note;
    if (!tesk::exactPngAvailable())
        note +=
            "The exact PNG needs the libspng library, which this build of tesk was made without:\n"
            "--format png writes no images and ends with error 53, recorded under \"Write PNG\".\n";
    if (!tesk::imageExportAvailable())
        note +=
            "JPEG, the palette PNG and resizing need the FreeImage library, which this build of tesk lacks (the\n"
            "Windows build has none; elsewhere it was not found): --format jpeg or png-palette, and --resize,\n"
            "write no images and end with error 53, recorded under \"Write JPEG\" or \"Write PNG\".\n";
    if (!note.empty())
        note = "\n" + note +
               (tesk::exactPngAvailable() ? "BMP and the exact PNG (--format png) are complete."
                                          : "BMP output is complete.");
    return note;
}

std::string archiveNote() {
    if (tesk::cli::archivesAvailable()) return {};
    return "\nThis build reads no archives (it was built without libarchive, as the Windows build is): an\n"
           "archive named is read as any other file and refused as not a Palm database.";
}

std::string footer() { return std::string(kExitStatus) + "\n" + kExamples + imageLibraryNote() + archiveNote(); }

}   // namespace

// An exception that gets this far is a fault of the program: it ends the run as C++ does.
// NOLINTNEXTLINE(bugprone-exception-escape)
int main(int argc, char** argv) {
    // FreeImage's quantiser takes and zeroes about 0.7 MB of tables for every image. With the
    // allocator's defaults those blocks go back to the system after each image and come back as
    // fresh pages to fault in, which cost several times the quantising itself on a skin of small
    // bitmaps. Kept in the heap instead, they are reused warm; the peak stays what one image needs.
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
#endif
    CLI::App app{
        "Extracts every bitmap of a Palm OS resource database (.prc) as BMP, JPEG or PNG files,\n"
        "writes its other resources as raw .bin files, and describes what it wrote in a resource\n"
        "script or an index table. Also reads Palm bitmap files and archives (.zip, .tar.gz, .7z)\n"
        "of databases without unpacking them.",
        "tesk"};
    app.set_version_flag("-V,--version", std::string("tesk ") + TESK_VERSION);
    app.require_subcommand(1);
    app.footer(footer);

    tesk::cli::ExtractOptions extract;
    auto* ex = app.add_subcommand("extract", "Extract the resources of databases");
    tesk::cli::addExtractOptions(*ex, extract);
    ex->footer(footer);

    tesk::cli::ListOptions list;
    auto* ls = app.add_subcommand("list", "Print the header and resource table of databases");
    ls->add_option("FILES", list.files,
                   "Palm resource databases, bitmap files or archives of them (each database inside is listed)")
        ->required();
    ls->add_flag("--json", list.json,
                 "Print JSON instead (docs/listing.schema.json): the header, every resource with its type, ID,\n"
                 "offset, size and kind, and every bitmap of a bitmap resource with its version, size, depth,\n"
                 "density, compression and transparency");
    ls->footer(
        "Entries whose data lies outside the file are marked and reported on stderr; the exit status\n"
        "is that of extract (tesk --help).");

    std::string topic;
    auto* help = app.add_subcommand("help", "Show this help, or that of a command: tesk help extract");
    help->add_option("COMMAND", topic, "extract or list")->check(CLI::IsMember({"extract", "list"}));

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        auto code = app.exit(e);
        return code == 0 ? 0 : 2;   // usage errors are 2, like other tools
    }
    if (ex->parsed()) return tesk::cli::runExtract(extract);
    if (ls->parsed()) return tesk::cli::runList(list);
    if (help->parsed()) {
        // App::help() would show the help of the subcommand just parsed, "help" itself.
        const CLI::App* subject = topic.empty() ? &app : app.get_subcommand(topic);
        const auto name = topic.empty() ? std::string("tesk") : "tesk " + topic;
        std::fputs(app.get_formatter()->make_help(subject, name, CLI::AppFormatMode::Normal).c_str(), stdout);
        return 0;
    }
    return 2;
}

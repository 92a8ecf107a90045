// Name-table loading and lookup: the first byte chooses the folder form and the kind of resource,
// the rest is the table. Every key of the table is then looked up (with a changed case too), and
// whatever value comes back must name a place below the output folder.
#include <cctype>

#include "driver/name_table.hpp"
#include "fuzz_support.hpp"

using namespace tesk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t choice = in.byte();
    MemoryFileSystem fs;
    fs.addFolder("/out");
    if (choice & 0x04) fs.addFolder("/data");
    if (choice & 0x08) fs.addLink("/out/link", "/elsewhere");   // a link a value might try to go through
    fs.addFile("/tables/appl-TEST.dat", fuzz::toBytes(in.rest()));
    RecordingUi ui;
    RecordingProgress progress;
    Services services{fs, ui, progress};
    ExtractionContext ctx(services);
    ctx.flags = OptionFlags::fromWord(0x1000 | ((choice & 0x01) ? 0x2000 : 0));
    ctx.outputFolder = ctx.outputFolderSlashed = "/out/";
    ctx.dataFolder = (choice & 0x04) ? "/data/" : "/out/";
    ctx.resourceKind = (choice & 0x02) ? "bin" : "tbmp";
    loadnametable(ctx, "/tables/appl-TEST.dat");
    fuzz::require(ctx.nameTable.keys.size() == ctx.nameTable.values.size(), "keys and values pair up");

    const std::size_t n = std::min<std::size_t>(ctx.nameTable.keys.size(), 64);
    for (std::size_t i = 0; i < n; ++i) {
        std::string key = ctx.nameTable.keys[i];
        if (i % 2) for (auto& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        auto value = chknametable(ctx, key);
        if (value.empty()) continue;
        const auto& base = ctx.resourceKind == "bin" ? ctx.dataFolder : ctx.outputFolder;
        auto target = MemoryFileSystem::normalise(base + nameValueToPath(value) + ".bin");
        fuzz::require(target.starts_with(MemoryFileSystem::normalise(base) + "/"), "a looked-up name stays below its folder");
        fuzz::require(!(choice & 0x08) || !target.starts_with("/out/link/"), "a looked-up name never goes through a link");
    }
    fuzz::require(fuzz::onlyBelow(fs, {"/out", "/data", "/tables"}), "folders made only below the output folders");
    return 0;
}

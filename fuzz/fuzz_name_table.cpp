// Name-table loading and lookup: the first byte chooses the folder form and the kind of resource,
// the rest is the table. Every key of the table is then looked up (with a changed case too), and
// whatever value comes back must name a place below the output folder.
#include <cctype>

#include "driver/name_table.hpp"
#include "fuzz_support.hpp"

using namespace tesk;

namespace {

// The engine's case rule (Western code page upper-casing), restated to check the lookup against
// a plain first-match scan.
char upperAnsi(char ch) {
    auto c = static_cast<unsigned char>(ch);
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char>(c - 0x20);
    switch (c) {
        case 0x9A: return static_cast<char>(0x8A);
        case 0x9C: return static_cast<char>(0x8C);
        case 0x9E: return static_cast<char>(0x8E);
        case 0xFF: return static_cast<char>(0x9F);
        default: return ch;
    }
}

bool sameKey(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upperAnsi(a[i]) != upperAnsi(b[i])) return false;
    return true;
}

}   // namespace

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
    ctx.settings.flags = OptionFlags::fromWord(0x1000 | ((choice & 0x01) ? 0x2000 : 0));
    ctx.settings.outputFolder = ctx.settings.outputFolderSlashed = "/out/";
    ctx.settings.dataFolder = (choice & 0x04) ? "/data/" : "/out/";
    ctx.resource.kind = (choice & 0x02) ? "bin" : "tbmp";
    loadnametable(ctx, "/tables/appl-TEST.dat");
    fuzz::require(ctx.loaded.nameTable.keys.size() == ctx.loaded.nameTable.values.size(), "keys and values pair up");

    const std::size_t n = std::min<std::size_t>(ctx.loaded.nameTable.keys.size(), 64);
    for (std::size_t i = 0; i < n; ++i) {
        std::string key = ctx.loaded.nameTable.keys[i];
        if (i % 2)
            for (auto& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        auto value = chknametable(ctx, key);
        if (value.empty()) continue;
        std::size_t first = 0;
        while (!sameKey(ctx.loaded.nameTable.keys[first], key)) ++first;   // key i itself matches at the latest
        fuzz::require(value == ctx.loaded.nameTable.values[first], "the first matching entry wins");
        const auto& base = ctx.resource.kind == "bin" ? ctx.settings.dataFolder : ctx.settings.outputFolder;
        auto target = MemoryFileSystem::normalise(base + nameValueToPath(value) + ".bin");
        fuzz::require(target.starts_with(MemoryFileSystem::normalise(base) + "/"),
                      "a looked-up name stays below its folder");
        fuzz::require(!(choice & 0x08) || !target.starts_with("/out/link/"),
                      "a looked-up name never goes through a link");
    }
    fuzz::require(fuzz::onlyBelow(fs, {"/out", "/data", "/tables"}), "folders made only below the output folders");
    return 0;
}

// One bitmap family through parsersrc and readFamilyLayout, as a Tbmp, tAIB or abmp resource in any image format and
// text mode. The first two bytes choose; the rest is the resource.
#include "bitmap/bitmap_header.hpp"
#include "bitmap/palettes.hpp"
#include "bitmap/parse_resource.hpp"
#include "driver/text_output.hpp"
#include "fuzz_support.hpp"

using namespace tesk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t choice = in.byte();
    const std::uint8_t more = in.byte();
    const auto resource = fuzz::toBytes(in.rest());   // its own allocation, so reads past it are caught

    static const bool palettesLoaded = (loadpalettes(), true);
    (void)palettesLoaded;

    MemoryFileSystem fs;
    fs.addFolder("/out");
    RecordingUi ui;
    RecordingProgress progress;
    Services services{fs, ui, progress};
    ExtractionContext ctx(services);
    std::uint32_t word = 0x0080;
    if (more & 0x01) word |= 0x0010;   // no text
    if (more & 0x02) word |= 0x0020;   // script
    if (more & 0x04) word |= 0x0040;   // force compress flag
    if (more & 0x08) word |= 0x0800;   // no little-endian swap
    if (more & 0x10) word |= 0x4000;   // 16 to 24 bit
    ctx.settings.flags = OptionFlags::fromWord(word);
    ctx.settings.imageFormat = choice % 4;
    ctx.settings.sortIntoFolders = (choice >> 2) & 1;
    ctx.settings.resizeMode = (more >> 5) % 3;
    ctx.settings.resizeWidth = 40;
    ctx.settings.resizeHeight = 30;
    ctx.settings.outputFolder = ctx.settings.outputFolderSlashed = ctx.settings.dataFolder = "/out/";
    static constexpr const char* kinds[] = {"tbmp", "taib", "abmp"};
    static constexpr const char* types[] = {"Tbmp", "tAIB", "abmp"};
    const int k = (choice >> 3) % 3;
    ctx.resource.kind = kinds[k];
    ctx.resource.idText = "1000";
    ctx.resource.name = std::string(types[k]) + "1000";
    ctx.errors.workingOn = ctx.resource.name;
    ctx.resource.bytes = resource;
    startTextSections(ctx);
    beginFamilyStatement(ctx, k == 1 ? "ICONFAMILYEX" : "BITMAPFAMILYEX", 1000);
    parsersrc(ctx);
    endFamilyStatement(ctx);
    (void)(ctx.settings.flags.script ? buildScriptText(ctx) : buildIndexText(ctx));
    // The header walk listings and the bitmap-file test use, without decoding: it sees what the
    // extraction saw, and never more than 21 bitmaps.
    const auto layout = readFamilyLayout(resource);
    fuzz::require(!layout.bitmaps.empty() && layout.bitmaps.size() <= static_cast<std::size_t>(kMaxFamilyLength),
                  "family length bounded");

    fuzz::require(fuzz::onlyBelow(fs, {"/out"}), "images stay in the output folder");
    // Every image file is bounded by what the resource can describe: its pixels come from at most
    // 8 bytes of file data each after decompression of at most 256:1 (a fixed multiple of the input).
    fuzz::require(fs.bytesStored() <= 4096 + resource.size() * 64 * 1024, "output bounded by input");
    return 0;
}

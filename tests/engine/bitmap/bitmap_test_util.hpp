// Shared by the bitmap tests: an in-memory file system that keeps every write in order, a way to
// run parsersrc on one resource, readers for BMP and PNM images, and the netpbm tools.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "driver/extraction_context.hpp"
#include "platform/progress.hpp"
#include "platform/ui.hpp"
#include "support/bitmap_builder.hpp"

namespace tesk::test {

class MemoryFiles final : public FileSystem {
public:
    MemoryFiles() { folders.insert("out"); }
    std::optional<std::uint32_t> attributes(const std::string& path) const override;
    ErrorNumber readFile(const std::string& path, std::vector<std::uint8_t>& out, std::size_t maxBytes) const override;
    ErrorNumber writeFile(const std::string& path, std::span<const std::uint8_t> bytes) override;
    ErrorNumber writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes) override {
        return writeFile(path, bytes);
    }
    ErrorNumber removeFile(const std::string& path) override;
    ErrorNumber createFolder(const std::string& path) override;
    ErrorNumber renameFile(const std::string& from, const std::string& to) override;
    ErrorNumber listFolder(const std::string&, std::vector<std::string>&) const override { return ErrorNumber::None; }

    std::set<std::string> folders;
    std::map<std::string, Bytes> files;
    std::map<std::string, std::uint32_t> extraAttributes;
    std::vector<std::string> writeOrder;   // every path written, in order
};

// A context over MemoryFiles with output folder "out/", ready for parsersrc.
struct ResourceRun {
    explicit ResourceRun(std::uint32_t options = 0x0090);
    MemoryFiles files;
    RecordingUi ui;
    RecordingProgress progress;
    Services services{files, ui, progress};
    ExtractionContext ctx{services};
    Bytes bytes;

    // Runs parsersrc on these bytes as resource `name` of kind `kind`.
    void parse(Bytes resource, std::string name = "Tbmp1000", std::string kind = "tbmp");
    // The bytes written under out/ + relative, or empty.
    const Bytes& file(const std::string& relative) const;
    // Text of the current block of the resource's section.
    std::string text();
};

struct Image {
    int width = 0, height = 0;
    std::vector<Colour> pixels;   // top row first
    bool operator==(const Image&) const = default;
    const Colour& at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};
bool operator==(const Colour& a, const Colour& b);

// Decodes the BMP files this system writes (1, 4, 8, 16 bit-field and 24-bit); nothing on error.
std::optional<Image> readBmp(const Bytes& file);
// P1 to P6.
std::optional<Image> readPnm(const Bytes& file);
Bytes writePpm(const Image& image);

// Runs a program with stdin from `input`, returning its stdout, or nothing when it fails.
std::optional<Bytes> runFilter(const std::string& command, const Bytes& input);
bool haveNetpbm();

// The system palette of a depth as colours.
std::vector<Colour> systemColours(int pixelSize);

}   // namespace tesk::test

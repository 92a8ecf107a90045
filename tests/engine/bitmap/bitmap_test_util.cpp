#include "engine/bitmap/bitmap_test_util.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "bitmap/conversions.hpp"
#include "bitmap/palettes.hpp"
#include "bitmap/parse_resource.hpp"
#include "driver/text_output.hpp"
#include "support/test_run.hpp"

namespace tesk::test {
namespace {

// The store keeps "/" between folders; on Windows the engine builds paths with "\".
std::string key(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

}   // namespace

bool operator==(const Colour& a, const Colour& b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

std::optional<std::uint32_t> MemoryFiles::attributes(const std::string& path) const {
    std::string p = key(path);
    if (p.size() > 1 && p.back() == '/') p.pop_back();
    if (folders.count(p)) return attr::Directory;
    if (auto it = files.find(p); it != files.end()) {
        auto extra = extraAttributes.find(p);
        return extra == extraAttributes.end() ? attr::Normal : extra->second;
    }
    return std::nullopt;
}

ErrorNumber MemoryFiles::readFile(const std::string& native, std::vector<std::uint8_t>& out, std::size_t) const {
    auto it = files.find(key(native));
    if (it == files.end()) return ErrorNumber::FileNotFound;
    out = it->second;
    return ErrorNumber::None;
}

ErrorNumber MemoryFiles::writeFile(const std::string& native, std::span<const std::uint8_t> bytes) {
    const auto path = key(native);
    auto slash = path.rfind('/');
    if (slash != std::string::npos && !folders.count(path.substr(0, slash))) return ErrorNumber::PathNotFound;
    files[path] = Bytes(bytes.begin(), bytes.end());
    writeOrder.push_back(path);
    return ErrorNumber::None;
}

ErrorNumber MemoryFiles::removeFile(const std::string& path) {
    return files.erase(key(path)) ? ErrorNumber::None : ErrorNumber::FileNotFound;
}

ErrorNumber MemoryFiles::createFolder(const std::string& path) {
    std::string p = key(path);
    if (p.size() > 1 && p.back() == '/') p.pop_back();
    folders.insert(p);
    return ErrorNumber::None;
}

ErrorNumber MemoryFiles::renameFile(const std::string& from, const std::string& to) {
    auto it = files.find(key(from));
    if (it == files.end()) return ErrorNumber::FileNotFound;
    files[key(to)] = it->second;
    files.erase(it);
    return ErrorNumber::None;
}

ResourceRun::ResourceRun(std::uint32_t options) {
    ctx.settings.flags = OptionFlags::fromWord(options);
    ctx.settings.outputFolder = "out/";
    ctx.settings.outputFolderSlashed = "out/";
    startTextSections(ctx);
}

void ResourceRun::parse(Bytes resource, std::string name, std::string kind) {
    bytes = std::move(resource);
    ctx.resource.bytes = bytes;
    ctx.resource.name = name;
    ctx.errors.workingOn = name;
    ctx.resource.kind = kind;
    ctx.resource.idText = name.size() > 4 ? name.substr(4) : "0000";
    parsersrc(ctx);
}

const Bytes& ResourceRun::file(const std::string& relative) const {
    static const Bytes none;
    auto it = files.files.find("out/" + relative);
    return it == files.files.end() ? none : it->second;
}

std::string ResourceRun::text() { return ctx.currentSection().current(); }

namespace {

std::uint32_t le32(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24);
}

}   // namespace

std::optional<Image> readBmp(const Bytes& f) {
    if (f.size() < 54 || f[0] != 'B' || f[1] != 'M') return std::nullopt;
    const auto offset = le32(f, 10);
    const auto width = static_cast<std::int32_t>(le32(f, 18));
    const auto height = static_cast<std::int32_t>(le32(f, 22));
    const int bpp = f[28] | f[29] << 8;
    if (width < 0 || height < 0) return std::nullopt;
    const std::size_t row = (static_cast<std::size_t>(width) * static_cast<std::size_t>(bpp) + 31) / 32 * 4;
    if (offset + row * static_cast<std::size_t>(height) > f.size()) return std::nullopt;
    Image img{width, height, {}};
    img.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    auto colour = [&](std::size_t index) -> Colour {
        const std::size_t at = 54 + 4 * index;
        return {f[at + 2], f[at + 1], f[at]};
    };
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* r = f.data() + offset + static_cast<std::size_t>(height - 1 - y) * row;
        for (int x = 0; x < width; ++x) {
            Colour c{};
            switch (bpp) {
                case 1: c = colour((r[x / 8] >> (7 - x % 8)) & 1); break;
                case 4: c = colour((r[x / 2] >> (x % 2 ? 0 : 4)) & 15); break;
                case 8: c = colour(r[x]); break;
                case 16: {
                    const Rgb e = ExpandRgb565(r[2 * x + 1], r[2 * x]);
                    c = {e.red, e.green, e.blue};
                    break;
                }
                case 24: c = {r[3 * x + 2], r[3 * x + 1], r[3 * x]}; break;
                default: return std::nullopt;
            }
            img.pixels[static_cast<std::size_t>(y * width + x)] = c;
        }
    }
    return img;
}

std::optional<Image> readPnm(const Bytes& f) {
    std::size_t pos = 0;
    auto skipSpace = [&] {
        for (;;) {
            while (pos < f.size() && std::isspace(f[pos])) ++pos;
            if (pos < f.size() && f[pos] == '#') {
                while (pos < f.size() && f[pos] != '\n') ++pos;
            } else {
                return;
            }
        }
    };
    auto number = [&]() -> long {
        skipSpace();
        long v = 0;
        bool any = false;
        while (pos < f.size() && std::isdigit(f[pos])) {
            v = v * 10 + (f[pos++] - '0');
            any = true;
        }
        return any ? v : -1;
    };
    if (f.size() < 3 || f[0] != 'P') return std::nullopt;
    const char kind = static_cast<char>(f[1]);
    pos = 2;
    Image img;
    img.width = static_cast<int>(number());
    img.height = static_cast<int>(number());
    const long maxval = (kind == '1' || kind == '4') ? 1 : number();
    if (img.width < 0 || img.height < 0 || maxval <= 0) return std::nullopt;
    const auto count = static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height);
    img.pixels.resize(count);
    auto scale = [&](long v) { return static_cast<std::uint8_t>(maxval == 255 ? v : (v * 255 + maxval / 2) / maxval); };
    if (kind == '4') {
        ++pos;
        const std::size_t row = (static_cast<std::size_t>(img.width) + 7) / 8;
        if (pos + row * static_cast<std::size_t>(img.height) > f.size()) return std::nullopt;
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) {
                const bool black =
                    (f[pos + static_cast<std::size_t>(y) * row + static_cast<std::size_t>(x / 8)] >> (7 - x % 8)) & 1;
                const std::uint8_t v = black ? 0 : 255;
                img.pixels[static_cast<std::size_t>(y * img.width + x)] = {v, v, v};
            }
        return img;
    }
    if (kind == '5' || kind == '6') {
        ++pos;
        const std::size_t channels = kind == '6' ? 3 : 1;
        const std::size_t sample = maxval > 255 ? 2 : 1;
        if (pos + count * channels * sample > f.size()) return std::nullopt;
        for (std::size_t i = 0; i < count; ++i) {
            long v[3];
            for (std::size_t c = 0; c < channels; ++c) {
                const std::size_t at = pos + (i * channels + c) * sample;
                v[c] = sample == 2 ? (f[at] << 8 | f[at + 1]) : f[at];
            }
            img.pixels[i] = channels == 3 ? Colour{scale(v[0]), scale(v[1]), scale(v[2])}
                                          : Colour{scale(v[0]), scale(v[0]), scale(v[0])};
        }
        return img;
    }
    const std::size_t channels = kind == '3' ? 3 : 1;
    for (std::size_t i = 0; i < count; ++i) {
        long v[3];
        for (std::size_t c = 0; c < channels; ++c) {
            if (kind == '1') {
                skipSpace();
                v[c] = pos < f.size() && f[pos++] == '1';
            } else
                v[c] = number();
        }
        if (kind == '1') {
            const std::uint8_t g = v[0] ? 0 : 255;
            img.pixels[i] = {g, g, g};
        } else if (channels == 3)
            img.pixels[i] = {scale(v[0]), scale(v[1]), scale(v[2])};
        else
            img.pixels[i] = {scale(v[0]), scale(v[0]), scale(v[0])};
    }
    return img;
}

Bytes writePpm(const Image& image) {
    std::string head = "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    Bytes out(head.begin(), head.end());
    for (const auto& c : image.pixels) out.insert(out.end(), {c.red, c.green, c.blue});
    return out;
}

std::optional<Bytes> runFilter(const std::string& command, const Bytes& input) {
    TempDir dir;
    const auto in = dir / "in";
    const auto out = dir / "out";
    writeBytes(in, input);
    const std::string line = command + " < '" + in.string() + "' > '" + out.string() + "' 2>/dev/null";
    if (std::system(line.c_str()) != 0) return std::nullopt;
    return readBytes(out);
}

bool haveNetpbm() {
    static const bool found =
        std::system("command -v palmtopnm >/dev/null 2>&1 && command -v pnmtopalm >/dev/null 2>&1") == 0;
    return found;
}

std::vector<Colour> systemColours(int pixelSize) {
    std::vector<Colour> out;
    for (const auto& c : loadpalettes().forDepth(pixelSize)) out.push_back({c.red, c.green, c.blue});
    return out;
}

}   // namespace tesk::test

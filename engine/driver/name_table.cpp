// Name tables. One entry per line: key = value, keys compared without regard to case, the first
// match wins; comment lines ("//"), empty lines and lines without "=" are skipped. Values are
// shared with other platforms, so "\" is their folder separator ("/" is read as "\" too).
// Values are data, not trusted paths: one that could leave its folder is never used.
#include "driver/name_table.hpp"

#include <algorithm>
#include <vector>

#include "platform/paths.hpp"

namespace tesk {
namespace {

// A table is a short text; anything far larger is not one.
constexpr std::size_t kMaxTableBytes = 16u * 1024u * 1024u;
// Room for the longest ending an image or data file adds ("-16-d144.jpg", ".bin") within the
// 255-byte file names of common file systems.
constexpr std::size_t kMaxPartBytes = 200;
constexpr std::size_t kMaxValueBytes = 1024;

// Upper-casing of the Windows Western code page, so keys with accented letters match as they
// did where the tables were written.
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

std::string upper(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), upperAnsi);
    return out;
}

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// The parts of a value between separators; the empty part before a leading "\" is left out.
std::vector<std::string_view> splitParts(std::string_view value) {
    std::vector<std::string_view> parts;
    std::size_t begin = !value.empty() && isSeparator(value.front()) ? 1 : 0;
    for (std::size_t i = begin; i <= value.size(); ++i) {
        if (i == value.size() || isSeparator(value[i])) {
            parts.push_back(value.substr(begin, i - begin));
            begin = i + 1;
        }
    }
    return parts;
}

bool isPlainFolder(std::uint32_t attributes) {
    return (attributes & attr::Directory) != 0 && (attributes & attr::System) == 0;
}

// Every folder part of the value that already exists below base must be a plain folder: a link
// there would carry the file somewhere else.
bool folderChainStaysInside(const FileSystem& fs, const std::string& base, std::string_view value) {
    auto parts = splitParts(value);
    std::string path = base;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        path.append(parts[i]);
        auto a = fs.attributes(path);
        if (!a) return true;   // nothing deeper can exist yet
        if (!isPlainFolder(*a)) return false;
        path.push_back(kSeparator);
    }
    return true;
}

// The stored form of a value, per its written form (see loadnametable).
std::string storedValue(const ExtractionContext& ctx, const std::string& written) {
    // A leading "/" is an absolute path, not the folder form: it stays as written and is refused
    // at lookup.
    if (written.empty() || written.front() == '/') return written;
    std::string v = written;
    std::replace(v.begin(), v.end(), '/', '\\');
    if (v.front() != '\\') return v;
    const auto last = v.find_last_of('\\');
    if (last == 0) return v.substr(1);              // \star -> star
    if (ctx.settings.flags.nameFolders) return v;   // \icons\star stays
    return v.substr(last + 1);                      // \icons\star -> star
}

}   // namespace

bool isUsableNameValue(std::string_view value) {
    if (value.size() > kMaxValueBytes) return false;
    for (char ch : value) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || c == ':') return false;
    }
    if (!value.empty() && value.front() == '/') return false;
    // Names are trimmed of spaces on their way to a file (abmp names, data files), so a part that
    // starts with "." after spaces would hide its file just the same.
    for (auto part : splitParts(value)) {
        const auto first = part.find_first_not_of(' ');
        if (part.empty() || (first != std::string_view::npos && part[first] == '.') || part.size() > kMaxPartBytes)
            return false;
    }
    return true;
}

std::string nameValueToPath(std::string_view value) {
    std::string path(value);
    std::replace(path.begin(), path.end(), '\\', kSeparator);
    if (!path.empty() && path.front() == kSeparator) path.erase(0, 1);
    return path;
}

std::string nameTablePath(const ExtractionContext& ctx) {
    const auto& h = ctx.loaded.database.header();
    return withTrailingSeparator(ctx.settings.nameTableFolder) + escapeNameBytes(h.typeText()) + "-" +
           escapeNameBytes(h.creatorText()) + ".dat";
}

void CreateNameFolders(ExtractionContext& ctx, const std::string& base, std::string_view value) {
    if (base.empty() || !isUsableNameValue(value)) return;   // refused again, with its error, at lookup
    auto& fs = ctx.services.files;
    auto parts = splitParts(value);
    std::string path = base;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        path.append(parts[i]);
        if (auto a = fs.attributes(path); !a) {
            if (auto e = fs.createFolder(path); e != ErrorNumber::None) return recordError(ctx, e, op::loadnametable);
        } else if (!isPlainFolder(*a)) {
            return recordError(ctx, ErrorNumber::PathFileAccessError, op::loadnametable);
        }
        path.push_back(kSeparator);
    }
}

void loadnametable(ExtractionContext& ctx, const std::string& path) {
    ctx.loaded.nameTable.clear();
    std::vector<std::uint8_t> bytes;
    if (auto e = ctx.services.files.readFile(path, bytes, kMaxTableBytes); e != ErrorNumber::None) {
        recordError(ctx, e, op::loadnametable);
        return;
    }
    std::string_view text{reinterpret_cast<const char*>(bytes.data()), bytes.size()};
    while (!text.empty()) {
        auto eol = text.find('\n');
        auto line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
        if (line.empty() || line.starts_with("//")) continue;
        auto eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        auto second = line.find('=', eq + 1);
        auto written = trimSpaces(
            line.substr(eq + 1, second == std::string_view::npos ? std::string_view::npos : second - eq - 1));
        auto value = storedValue(ctx, written);
        if (ctx.settings.flags.nameFolders && value.find('\\') != std::string::npos) {
            CreateNameFolders(ctx, ctx.settings.outputFolder, value);
            if (ctx.settings.dataFolder != ctx.settings.outputFolder)
                CreateNameFolders(ctx, ctx.settings.dataFolder, value);
        }
        ctx.loaded.nameTable.keys.push_back(trimSpaces(line.substr(0, eq)));
        ctx.loaded.nameTable.values.push_back(std::move(value));
        ctx.loaded.nameTable.firstIndex.emplace(upper(ctx.loaded.nameTable.keys.back()),
                                                ctx.loaded.nameTable.keys.size() - 1);
    }
}

std::string chknametable(ExtractionContext& ctx, const std::string& name) {
    if (auto it = ctx.loaded.nameTable.firstIndex.find(upper(name)); it != ctx.loaded.nameTable.firstIndex.end()) {
        const auto& value = ctx.loaded.nameTable.values[it->second];
        if (value.empty()) return {};
        const auto& base = ctx.resource.kind == "bin" ? ctx.settings.dataFolder : ctx.settings.outputFolder;
        if (!isUsableNameValue(value) || !folderChainStaysInside(ctx.services.files, base, value)) {
            recordError(ctx, ErrorNumber::BadFileNameOrNumber, op::chknametable);
            return {};
        }
        return value;
    }
    return {};
}

}   // namespace tesk

// REGEDIT4 text backend of the registry. The file is small and read whole; lines that are not
// string values of the key in question (other keys, dword and hex values, comments) are carried
// over untouched when a value is written.
#include "registry.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

namespace varnel {
namespace {

using tesk::ErrorNumber;

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool sameKey(std::string_view a, std::string_view b) { return lower(a) == lower(b); }

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        auto line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        start = end + 1;
    }
    return lines;
}

// Reads a quoted REGEDIT4 string starting at text[pos] == '"'; pos ends after the closing quote.
std::optional<std::string> readQuoted(std::string_view text, std::size_t& pos) {
    if (pos >= text.size() || text[pos] != '"') return std::nullopt;
    std::string raw;
    for (++pos; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '\\' && pos + 1 < text.size()) {
            raw += c;
            raw += text[++pos];
        } else if (c == '"') {
            ++pos;
            return unescapeRegString(raw);
        } else {
            raw += c;
        }
    }
    return std::nullopt;
}

struct ValueLine {
    std::string name;
    std::optional<std::string> text;   // set for string values only
};

std::optional<ValueLine> parseValueLine(std::string_view line) {
    std::size_t pos = 0;
    ValueLine v;
    if (line.starts_with("@=")) {
        pos = 1;
    } else {
        auto name = readQuoted(line, pos);
        if (!name) return std::nullopt;
        v.name = *name;
    }
    while (pos < line.size() && line[pos] == ' ') ++pos;
    if (pos >= line.size() || line[pos] != '=') return std::nullopt;
    ++pos;
    while (pos < line.size() && line[pos] == ' ') ++pos;
    if (pos < line.size() && line[pos] == '"') v.text = readQuoted(line, pos);
    return v;
}

std::optional<std::string> sectionName(std::string_view line) {
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
    return std::string(line.substr(1, line.size() - 2));
}

// Creates every missing folder on the way to (and including) the given folder.
ErrorNumber ensureFolders(tesk::FileSystem& fs, const std::string& folder) {
    if (folder.empty() || tesk::PathExists(fs, folder)) return ErrorNumber::None;
    auto cut = folder.find_last_of('/', folder.size() > 1 ? folder.size() - 2 : 0);
    if (cut != std::string::npos && cut > 0) {
        if (auto e = ensureFolders(fs, folder.substr(0, cut)); e != ErrorNumber::None) return e;
    }
    auto e = fs.createFolder(folder);
    return e == ErrorNumber::FileAlreadyExists ? ErrorNumber::None : e;
}

}  // namespace

std::string escapeRegString(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

std::string unescapeRegString(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

std::optional<RegistryPath> splitRegistryPath(std::string_view fullPath) {
    auto cut = fullPath.rfind('\\');
    if (cut == std::string_view::npos || cut == 0) return std::nullopt;
    RegistryPath p{std::string(fullPath.substr(0, cut)), std::string(fullPath.substr(cut + 1))};
    auto rootEnd = p.key.find('\\');
    auto root = lower(p.key.substr(0, rootEnd));
    std::string rest = rootEnd == std::string::npos ? std::string{} : p.key.substr(rootEnd);
    if (root == "hkcu") p.key = "HKEY_CURRENT_USER" + rest;
    else if (root == "hklm") p.key = "HKEY_LOCAL_MACHINE" + rest;
    else if (root == "hkcr") p.key = "HKEY_CLASSES_ROOT" + rest;
    else if (root == "hku") p.key = "HKEY_USERS" + rest;
    return p;
}

std::optional<std::string> RegFileRegistry::regread(std::string_view fullPath) {
    auto where = splitRegistryPath(fullPath);
    if (!where) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    if (fs_.readFile(path_, bytes, 16u << 20) != ErrorNumber::None) return std::nullopt;
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    bool inKey = false;
    for (const auto& line : splitLines(text)) {
        if (auto section = sectionName(line)) {
            inKey = sameKey(*section, where->key);
        } else if (inKey) {
            auto v = parseValueLine(line);
            if (v && sameKey(v->name, where->name)) return v->text;
        }
    }
    return std::nullopt;
}

ErrorNumber RegFileRegistry::regwrite(std::string_view fullPath, std::string_view value) {
    auto where = splitRegistryPath(fullPath);
    if (!where) return ErrorNumber::BadFileName;
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> lines;
    auto readResult = fs_.readFile(path_, bytes, 16u << 20);
    if (readResult == ErrorNumber::None) {
        lines = splitLines(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } else if (tesk::PathExists(fs_, path_)) {
        return readResult;   // an unreadable store is never overwritten blindly
    }
    if (lines.empty()) lines = {"REGEDIT4", ""};

    const std::string newLine = "\"" + escapeRegString(where->name) + "\"=\"" + escapeRegString(value) + "\"";
    std::optional<std::size_t> lastOfKey;
    bool inKey = false;
    bool done = false;
    for (std::size_t i = 0; i < lines.size() && !done; ++i) {
        if (auto section = sectionName(lines[i])) {
            inKey = sameKey(*section, where->key);
            if (inKey) lastOfKey = i;
        } else if (inKey) {
            if (auto v = parseValueLine(lines[i]); v && sameKey(v->name, where->name)) {
                lines[i] = newLine;
                done = true;
            } else if (!lines[i].empty()) {
                lastOfKey = i;
            }
        }
    }
    if (!done && lastOfKey) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*lastOfKey + 1), newLine);
    } else if (!done) {
        if (!lines.back().empty()) lines.emplace_back();
        lines.push_back("[" + where->key + "]");
        lines.push_back(newLine);
        lines.emplace_back();
    }

    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    auto slash = path_.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        if (auto e = ensureFolders(fs_, path_.substr(0, slash)); e != ErrorNumber::None) return e;
    }
    return fs_.writeFileAtomic(path_, std::span(reinterpret_cast<const std::uint8_t*>(out.data()), out.size()));
}

std::string defaultRegistryFile() {
    if (const char* own = std::getenv("VARNEL_REGISTRY"); own && *own) return own;
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) config = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home) config = std::string(home) + "/.config";
    else config = ".config";
    return config + "/varnel/registry.reg";
}

}  // namespace varnel

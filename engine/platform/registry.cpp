// REGEDIT4 text backend of the registry. The file is small and read whole; lines that are not
// string values of the key in question (other keys, dword and hex values, comments) are carried
// over untouched when a value is written.
#include "platform/registry.hpp"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/ascii.hpp"

namespace tesk {
namespace {

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

// Registry exports of newer systems are UTF-16LE with a byte-order mark; the rest of the installer
// works on 8-bit text, so such a file is read as UTF-8 and written back in its own encoding.
bool isUtf16(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string utf16ToUtf8(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        std::uint32_t unit = bytes[i] | static_cast<std::uint32_t>(bytes[i + 1]) << 8;
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            std::uint32_t low = bytes[i + 2] | static_cast<std::uint32_t>(bytes[i + 3]) << 8;
            if (low >= 0xDC00 && low < 0xE000) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        appendUtf8(out, unit);
    }
    return out;
}

std::vector<std::uint8_t> utf8ToUtf16(std::string_view text) {
    std::vector<std::uint8_t> out{0xFF, 0xFE};
    auto put = [&](std::uint32_t unit) {
        out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    };
    for (std::size_t i = 0; i < text.size();) {
        auto c = static_cast<unsigned char>(text[i]);
        std::uint32_t cp = c;
        std::size_t n = 1;
        if (c >= 0xF0 && i + 3 < text.size()) {
            cp = c & 0x07;
            n = 4;
        } else if (c >= 0xE0 && i + 2 < text.size()) {
            cp = c & 0x0F;
            n = 3;
        } else if (c >= 0xC0 && i + 1 < text.size()) {
            cp = c & 0x1F;
            n = 2;
        }
        for (std::size_t k = 1; k < n; ++k) cp = cp << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += n;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

// Text the UTF-16 form can carry and give back byte for byte: well-formed UTF-8, no surrogates,
// nothing above U+10FFFF, no overlong forms.
bool isWellFormedUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t n = 0;
        std::uint32_t cp = 0, min = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) {
            n = 1;
            cp = c & 0x1F;
            min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2;
            cp = c & 0x0F;
            min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3;
            cp = c & 0x07;
            min = 0x10000;
        } else
            return false;
        if (i + n >= text.size()) return false;
        for (std::size_t k = 1; k <= n; ++k) {
            const auto d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = cp << 6 | (d & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) return false;
        i += n + 1;
    }
    return true;
}

std::string decodeStore(const std::vector<std::uint8_t>& bytes) {
    if (isUtf16(bytes)) return utf16ToUtf8(bytes);
    return std::string(bytes.begin(), bytes.end());
}

// Creates every missing folder on the way to (and including) the given folder.
ErrorNumber ensureFolders(FileSystem& fs, const std::string& folder) {
    if (folder.empty() || PathExists(fs, folder)) return ErrorNumber::None;
    auto cut = folder.find_last_of('/', folder.size() > 1 ? folder.size() - 2 : 0);
    if (cut != std::string::npos && cut > 0) {
        if (auto e = ensureFolders(fs, folder.substr(0, cut)); e != ErrorNumber::None) return e;
    }
    auto e = fs.createFolder(folder);
    return e == ErrorNumber::FileAlreadyExists ? ErrorNumber::None : e;
}

}   // namespace

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
    if (root == "hkcu")
        p.key = "HKEY_CURRENT_USER" + rest;
    else if (root == "hklm")
        p.key = "HKEY_LOCAL_MACHINE" + rest;
    else if (root == "hkcr")
        p.key = "HKEY_CLASSES_ROOT" + rest;
    else if (root == "hku")
        p.key = "HKEY_USERS" + rest;
    return p;
}

namespace {

// A section's key with an abbreviated root ("HKLM\...") spelled out, as hand-written files have them.
std::string canonicalKey(const std::string& section) {
    auto p = splitRegistryPath(section + "\\x");
    return p ? p->key : section;
}

// The first line of the value at fullPath in the store, of whatever type.
std::optional<ValueLine> findValue(const FileSystem& fs, const std::string& store, std::string_view fullPath) {
    auto where = splitRegistryPath(fullPath);
    if (!where) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    if (fs.readFile(store, bytes, 16u << 20) != ErrorNumber::None) return std::nullopt;
    bool inKey = false;
    for (const auto& line : splitLines(decodeStore(bytes))) {
        if (auto section = sectionName(line)) {
            inKey = sameKey(canonicalKey(*section), where->key);
        } else if (inKey) {
            auto v = parseValueLine(line);
            if (v && sameKey(v->name, where->name)) return v;
        }
    }
    return std::nullopt;
}

}   // namespace

std::optional<std::string> RegFileRegistry::regread(std::string_view fullPath) {
    auto v = findValue(fs_, path_, fullPath);
    return v ? v->text : std::nullopt;
}

bool RegFileRegistry::valueExists(std::string_view fullPath) { return findValue(fs_, path_, fullPath).has_value(); }

ErrorNumber RegFileRegistry::regwrite(std::string_view fullPath, std::string_view value) {
    auto where = splitRegistryPath(fullPath);
    if (!where) return ErrorNumber::BadFileName;
    // A line break would end the value's line early and plant keys or values nobody wrote.
    auto breaksLine = [](std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; };
    if (breaksLine(fullPath) || breaksLine(value)) return ErrorNumber::BadFileName;
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> lines;
    auto readResult = fs_.readFile(path_, bytes, 16u << 20);
    if (readResult == ErrorNumber::None) {
        lines = splitLines(decodeStore(bytes));
    } else if (PathExists(fs_, path_)) {
        return readResult;   // an unreadable store is never overwritten blindly
    }
    if (lines.empty()) lines = {"REGEDIT4", ""};

    const std::string newLine = "\"" + escapeRegString(where->name) + "\"=\"" + escapeRegString(value) + "\"";
    std::optional<std::size_t> lastOfKey;
    bool inKey = false;
    bool done = false;
    for (std::size_t i = 0; i < lines.size() && !done; ++i) {
        if (auto section = sectionName(lines[i])) {
            inKey = sameKey(canonicalKey(*section), where->key);
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
    if (isUtf16(bytes)) {
        // Bytes that are not UTF-8 would come back changed from the UTF-16 file.
        if (!isWellFormedUtf8(fullPath) || !isWellFormedUtf8(value)) return ErrorNumber::BadFileName;
        return fs_.writeFileAtomic(path_, utf8ToUtf16(out));
    }
    return fs_.writeFileAtomic(path_, std::span(reinterpret_cast<const std::uint8_t*>(out.data()), out.size()));
}

std::string registryFilePath(const std::function<std::string(const char* name)>& env) {
    if (auto own = env("VARNEL_REGISTRY"); !own.empty()) return own;
    std::string base = env("XDG_CONFIG_HOME");
    if (base.empty() || base.front() != '/') {
        auto home = env("HOME");
        if (home.empty()) return {};
        base = home + "/.config";
    }
    if (base.back() != '/') base += '/';
    return base + "varnel/registry.reg";
}

std::string defaultRegistryFile() {
    return registryFilePath([](const char* name) {
        const char* v = std::getenv(name);
        return std::string(v ? v : "");
    });
}

}   // namespace tesk

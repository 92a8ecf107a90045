#include "registry_file.hpp"

#include <algorithm>
#include <cctype>
#include <vector>

#include "platform/paths.hpp"

namespace tesk::icontool {
namespace {

constexpr std::size_t kMaxRegistryBytes = 16u << 20;
constexpr std::size_t kValueChars = 1023;   // a 1024-character buffer less its NUL

std::string upper(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

std::string expandRoot(std::string_view root) {
    auto r = upper(root);
    if (r == "HKLM") return "HKEY_LOCAL_MACHINE";
    if (r == "HKCU") return "HKEY_CURRENT_USER";
    if (r == "HKCR") return "HKEY_CLASSES_ROOT";
    if (r == "HKU") return "HKEY_USERS";
    if (r == "HKCC") return "HKEY_CURRENT_CONFIG";
    return r;
}

// A full key path with its root spelled out, upper case, without surrounding separators.
std::string normalKey(std::string_view root, std::string_view name) {
    std::string key = upper(name);
    while (!key.empty() && key.front() == '\\') key.erase(key.begin());
    while (!key.empty() && key.back() == '\\') key.pop_back();
    return expandRoot(root) + (key.empty() ? "" : "\\" + key);
}

std::string normalKey(std::string_view fullPath) {
    auto cut = fullPath.find('\\');
    if (cut == std::string_view::npos) return normalKey(fullPath, "");
    return normalKey(fullPath.substr(0, cut), fullPath.substr(cut + 1));
}

// UTF-16 little-endian text with a byte-order mark becomes UTF-8; other bytes pass unchanged.
std::string decodeText(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE)
        return std::string(bytes.begin(), bytes.end());
    std::string out;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        std::uint32_t c = bytes[i] | (bytes[i + 1] << 8);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
            std::uint32_t lo = bytes[i + 2] | (bytes[i + 3] << 8);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
                i += 2;
            }
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// Reads a quoted text with \\ and \" escapes starting at s[pos] == '"'; pos ends after the quote.
std::optional<std::string> quoted(std::string_view s, std::size_t& pos) {
    if (pos >= s.size() || s[pos] != '"') return std::nullopt;
    std::string out;
    for (++pos; pos < s.size(); ++pos) {
        char c = s[pos];
        if (c == '\\' && pos + 1 < s.size()) {
            out.push_back(s[++pos]);
        } else if (c == '"') {
            ++pos;
            return out;
        } else {
            out.push_back(c);
        }
    }
    return std::nullopt;
}

}  // namespace

std::string registryFilePath(const EnvLookup& env) {
    if (auto p = env("VARNEL_REGISTRY"); !p.empty()) return p;
    std::string base = env("XDG_CONFIG_HOME");
    if (base.empty() || base.front() != '/') {
        auto home = env("HOME");
        if (home.empty()) return {};
        base = withTrailingSeparator(home) + ".config";
    }
    return withTrailingSeparator(base) + "varnel/registry.reg";
}

bool RegistryFile::GetKeyValue(const std::string& keyRoot, const std::string& keyName, const std::string& valueName,
                               std::string& keyVal) const {
    keyVal.clear();
    std::vector<std::uint8_t> bytes;
    if (path_.empty() || files_.readFile(path_, bytes, kMaxRegistryBytes) != ErrorNumber::None) return false;
    auto text = decodeText(bytes);
    const auto wantedKey = normalKey(keyRoot, keyName);
    const auto wantedValue = upper(valueName);

    bool inKey = false;
    std::string_view rest(text);
    while (!rest.empty()) {
        auto nl = rest.find('\n');
        auto line = rest.substr(0, nl);
        rest = nl == std::string_view::npos ? std::string_view{} : rest.substr(nl + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        auto first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos) continue;
        line.remove_prefix(first);

        if (line.front() == '[') {
            auto close = line.rfind(']');
            inKey = close != std::string_view::npos && normalKey(line.substr(1, close - 1)) == wantedKey;
            continue;
        }
        if (!inKey) continue;

        std::string name;
        std::size_t pos = 0;
        if (line.front() == '@') {
            pos = 1;
        } else if (auto n = quoted(line, pos)) {
            name = *n;
        } else {
            continue;
        }
        if (upper(name) != wantedValue) continue;
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size() || line[pos] != '=') continue;
        ++pos;
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        // Values of other types (dword:, hex:) are found but give no text.
        if (auto v = quoted(line, pos)) keyVal = v->substr(0, kValueChars);
        return true;
    }
    return false;
}

void StartSysInfo(const RegistryFile& registry, const FileSystem& files, const Launcher& launch, Ui& ui) {
    std::string program;
    std::string value;
    if (registry.GetKeyValue("HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", value)) {
        program = value;
    } else if (registry.GetKeyValue("HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO",
                                    value)) {
        auto candidate = withTrailingSeparator(value) + "MSINFO32.EXE";
        if (!value.empty() && FileExists(files, candidate)) program = candidate;
    }
    if (program.empty() || !launch(program))
        ui.message("System Information Is Unavailable At This Time", "", MessageStyle::Plain);
}

}  // namespace tesk::icontool

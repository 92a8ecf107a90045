#include "ini_file.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace tesk::icontool {
namespace {

constexpr std::size_t kValueChars = 254;   // a 255-character buffer less its NUL
constexpr std::size_t kListChars = 8190;   // an 8192-character buffer less the double NUL
constexpr std::size_t kMaxFileBytes = 4u << 20;

std::string_view trimBlanks(std::string_view s) {
    auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

bool sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The section name of a header line, or nothing when the line is not a header.
std::optional<std::string_view> headerName(std::string_view line) {
    auto t = trimBlanks(line);
    if (t.empty() || t.front() != '[') return std::nullopt;
    t.remove_prefix(1);
    auto close = t.find(']');
    return trimBlanks(close == std::string_view::npos ? t : t.substr(0, close));
}

// The key name of a "key=value" line, or nothing.
std::optional<std::string_view> keyName(std::string_view line) {
    if (headerName(line)) return std::nullopt;
    auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return trimBlanks(line.substr(0, eq));
}

std::string valueOf(std::string_view line) {
    auto v = trimBlanks(line.substr(line.find('=') + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

std::string cut(std::string s, std::size_t n) {
    if (s.size() > n) s.resize(n);
    return s;
}

// Line range [begin, end) of the first section with the given name: begin is its header.
struct SectionRange {
    std::size_t begin;
    std::size_t end;
};

std::optional<SectionRange> findSection(const std::vector<std::string>& lines, std::string_view name) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto h = headerName(lines[i]);
        if (!h || !sameText(*h, name)) continue;
        std::size_t j = i + 1;
        while (j < lines.size() && !headerName(lines[j])) ++j;
        return SectionRange{i, j};
    }
    return std::nullopt;
}

std::string withoutNulAndBreaks(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (c != '\0' && c != '\r' && c != '\n') out.push_back(c);
    return out;
}

}   // namespace

std::vector<std::string> cInifile::loadLines() const {
    std::vector<std::string> lines;
    std::vector<std::uint8_t> bytes;
    if (path.empty() || files_.readFile(path, bytes, kMaxFileBytes) != ErrorNumber::None) return lines;
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    while (!text.empty()) {
        auto nl = text.find('\n');
        auto line = text.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        if (nl == std::string_view::npos) break;
        text.remove_prefix(nl + 1);
    }
    return lines;
}

std::string cInifile::Value() const {
    auto lines = loadLines();
    if (auto range = findSection(lines, trimBlanks(Section))) {
        for (auto i = range->begin + 1; i < range->end; ++i) {
            auto k = keyName(lines[i]);
            if (k && sameText(*k, trimBlanks(key))) return cut(valueOf(lines[i]), kValueChars);
        }
    }
    return cut(std::string(trimBlanks(Default)), kValueChars);
}

void cInifile::setValue(std::string_view value) { write(key, withoutNulAndBreaks(value)); }

void cInifile::DeleteKey() { write(key, std::nullopt); }

void cInifile::DeleteSection() { write(std::nullopt, std::nullopt); }

void cInifile::setINISection(std::string_view) { write(std::nullopt, std::nullopt); }

std::string cInifile::INISection() const {
    auto lines = loadLines();
    std::string out;
    if (auto range = findSection(lines, trimBlanks(Section)))
        for (auto i = range->begin + 1; i < range->end; ++i)
            if (auto k = keyName(lines[i]); k && !k->empty()) out.append(*k).push_back('\0');
    return cut(out, kListChars);
}

std::string cInifile::Sections() const {
    std::string out;
    for (const auto& line : loadLines())
        if (auto h = headerName(line)) out.append(*h).push_back('\0');
    return cut(out, kListChars);
}

namespace {
void splitAtNul(const std::string& text, std::vector<std::string>& out, std::int32_t& count) {
    out.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\0', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    count = static_cast<std::int32_t>(out.size());
}
}   // namespace

void cInifile::EnumerateCurrentSection(std::vector<std::string>& sKey, std::int32_t& iCount) const {
    splitAtNul(INISection(), sKey, iCount);
}

void cInifile::EnumerateAllSections(std::vector<std::string>& sSections, std::int32_t& iCount) const {
    splitAtNul(Sections(), sSections, iCount);
}

std::int32_t cInifile::CLngDefault(std::string_view sString, std::int32_t lDefault) {
    auto t = trimBlanks(sString);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    std::int32_t v = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || ec != std::errc{} || end != t.data() + t.size()) return lDefault;
    return v;
}

void cInifile::write(const std::optional<std::string>& keyArg, const std::optional<std::string>& value) {
    lastReturnCode_ = 0;
    auto sectionName = std::string(trimBlanks(Section));
    if (path.empty() || sectionName.empty()) return;
    // An unreadable existing file must not be replaced by one holding only the new line.
    std::vector<std::uint8_t> probe;
    auto readResult = files_.readFile(path, probe, kMaxFileBytes);
    if (readResult != ErrorNumber::None && readResult != ErrorNumber::FileNotFound &&
        readResult != ErrorNumber::PathNotFound)
        return;
    auto lines = loadLines();

    auto range = findSection(lines, sectionName);
    if (!keyArg) {
        if (range)
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(range->begin),
                        lines.begin() + static_cast<std::ptrdiff_t>(range->end));
    } else {
        auto k = std::string(trimBlanks(*keyArg));
        if (k.empty()) return;
        std::optional<std::size_t> at;
        if (range)
            for (auto i = range->begin + 1; i < range->end && !at; ++i)
                if (auto name = keyName(lines[i]); name && sameText(*name, k)) at = i;
        if (at) {
            if (value)
                lines[*at] = k + "=" + *value;
            else
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*at));
        } else if (value) {
            if (range) {
                // After the section's last non-blank line, so blank separators stay between sections.
                auto pos = range->end;
                while (pos > range->begin + 1 && trimBlanks(lines[pos - 1]).empty()) --pos;
                lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(pos), k + "=" + *value);
            } else {
                lines.push_back("[" + sectionName + "]");
                lines.push_back(k + "=" + *value);
            }
        }
    }

    std::string text;
    for (const auto& line : lines) text.append(line).append("\r\n");
    auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    if (files_.writeFileAtomic(path, bytes) == ErrorNumber::None) lastReturnCode_ = 1;
}

}   // namespace tesk::icontool

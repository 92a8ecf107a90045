// Name tables. One entry per line: key = value, keys compared without regard to case, the first
// match wins; comment lines ("//"), empty lines and lines without "=" are skipped.
#include "driver/name_table.hpp"

#include <algorithm>
#include <cctype>

#include "platform/paths.hpp"

namespace tesk {
namespace {

std::string upper(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

std::string trimLeading(std::string_view s) {
    auto first = s.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string{} : std::string(s.substr(first));
}

}  // namespace

std::string nameTablePath(const ExtractionContext& ctx) {
    const auto& h = ctx.database.header();
    return withTrailingSeparator(ctx.nameTableFolder) + h.typeText() + "-" + h.creatorText() + ".dat";
}

void loadnametable(ExtractionContext& ctx, const std::string& path) {
    ctx.nameTable.clear();
    std::vector<std::uint8_t> bytes;
    if (auto e = ctx.services.files.readFile(path, bytes); e != ErrorNumber::None) {
        recordError(ctx, e, op::loadnametable);
        return;
    }
    std::string_view text{reinterpret_cast<const char*>(bytes.data()), bytes.size()};
    while (!text.empty()) {
        auto eol = text.find('\n');
        auto raw = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        auto line = trimLeading(raw);
        if (line.empty() || line.starts_with("//")) continue;
        auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        auto second = line.find('=', eq + 1);
        ctx.nameTable.keys.push_back(trimSpaces(std::string_view(line).substr(0, eq)));
        auto value = trimSpaces(std::string_view(line).substr(eq + 1, second == std::string::npos ? std::string::npos : second - eq - 1));
        ctx.nameTable.values.push_back(std::move(value));
    }
}

std::string chknametable(ExtractionContext& ctx, const std::string& name) {
    const auto wanted = upper(name);
    for (std::size_t i = 0; i < ctx.nameTable.keys.size(); ++i)
        if (upper(ctx.nameTable.keys[i]) == wanted) return ctx.nameTable.values[i];
    return {};
}

}  // namespace tesk

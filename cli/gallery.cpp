#include "cli/gallery.hpp"

#include <map>

#include <fmt/format.h>

namespace tesk::cli {
namespace {

constexpr std::string_view kStyle = R"(<style>
body{font-family:sans-serif;margin:1.5em;background:#fafafa;color:#222}
h1{font-size:1.4em} h2{font-size:1.1em;margin:1.2em 0 .4em;border-bottom:1px solid #ccc}
.family{display:flex;flex-wrap:wrap;gap:1em}
figure{margin:0;padding:.6em;background:#fff;border:1px solid #ddd;border-radius:4px}
figcaption{font-size:.8em;line-height:1.4;margin-top:.4em}
.pair{display:flex;gap:.8em;align-items:flex-end}
.check{background-color:#fff;background-image:linear-gradient(45deg,#ccc 25%,transparent 25%,transparent 75%,#ccc 75%),linear-gradient(45deg,#ccc 25%,transparent 25%,transparent 75%,#ccc 75%);background-size:8px 8px;background-position:0 0,4px 4px}
img{display:block}
img.zoom{image-rendering:pixelated;image-rendering:crisp-edges}
table{border-collapse:collapse} td,th{padding:.2em .8em;text-align:left;border-bottom:1px solid #ddd}
.bad{color:#a00}
</style>)";

std::string uriPath(const std::string& path) {
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::string_view("-_.~/").find(static_cast<char>(c)) != std::string_view::npos)
            out.push_back(static_cast<char>(c));
        else
            out += fmt::format("%{:02X}", c);
    }
    return out;
}

std::string figure(const ImageRecord& r) {
    const int zoom = r.width > 0 && r.width <= 64 ? 4 : r.width <= 160 ? 2 : 1;
    const bool transparent = r.transparencyKind != 0;
    std::string transparency = "none";
    if (r.transparencyKind == 1) transparency = fmt::format("index {}", r.transparentIndex);
    if (r.transparencyKind == 2)
        transparency = fmt::format("colour {} {} {}", r.transparentRed, r.transparentGreen, r.transparentBlue);
    const auto src = htmlEscape(uriPath(r.path));
    return fmt::format(
        "<figure><div class=\"pair\"><img class=\"{0}\" src=\"{1}\" width=\"{2}\" height=\"{3}\" alt=\"{4}\">"
        "<img class=\"zoom {0}\" src=\"{1}\" width=\"{5}\" height=\"{6}\" alt=\"{4} enlarged\"></div>"
        "<figcaption>{4}<br>ID {7} · {8} bpp · density {9}<br>transparency: {10} · {11}</figcaption></figure>\n",
        transparent ? "check" : "", src, r.width, r.height, htmlEscape(r.path), r.width * zoom, r.height * zoom,
        htmlEscape(r.resourceIdText), r.pixelSize == 0 ? 1 : r.pixelSize, r.density, htmlEscape(transparency),
        r.compressed ? "compressed" : "uncompressed");
}

}   // namespace

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out.push_back(c);
        }
    }
    return out;
}

std::string databaseGalleryHtml(const DatabaseResult& db, std::string_view topPage) {
    const auto title = htmlEscape(db.input.filename().string());
    std::string html = fmt::format(
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>{}</title>\n{}\n</head><body>\n",
        title, kStyle);
    if (!topPage.empty())
        html += fmt::format("<nav><a href=\"{}\">All databases</a></nav>\n", htmlEscape(uriPath(std::string(topPage))));
    html += fmt::format("<h1>{}</h1>\n<p>{} images from {} resources.</p>\n", title, db.images.size(), db.resources);
    // Group by resource in the order the run met them.
    std::vector<std::string> order;
    std::map<std::string, std::vector<const ImageRecord*>> groups;
    for (const auto& r : db.images) {
        if (!groups.contains(r.resourceName)) order.push_back(r.resourceName);
        groups[r.resourceName].push_back(&r);
    }
    for (const auto& name : order) {
        html += fmt::format("<section><h2>{}</h2><div class=\"family\">\n", htmlEscape(name));
        for (const auto* r : groups[name]) html += figure(*r);
        html += "</div></section>\n";
    }
    if (!db.errors.empty() || !db.messages.empty()) {
        html += "<h2>Errors</h2>\n<ul>\n";
        for (const auto& f : db.errors) {
            std::string where = f.resource.empty() ? "" : f.resource + ": ";
            if (!f.operation.empty()) where += f.operation + ": ";
            html += fmt::format("<li class=\"bad\">{}{} {}</li>\n", htmlEscape(where), f.number, htmlEscape(f.message));
        }
        for (const auto& m : db.messages) html += fmt::format("<li class=\"bad\">{}</li>\n", htmlEscape(m));
        html += "</ul>\n";
    }
    html += "</body></html>\n";
    return html;
}

std::string batchGalleryHtml(const RunSummary& summary, const std::filesystem::path& root) {
    std::string html = fmt::format(
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Extracted databases</title>\n{}\n"
        "</head><body>\n<h1>Extracted databases</h1>\n<p>{} databases, {} images, {} failed.</p>\n",
        kStyle, summary.databases.size(), summary.images(), summary.failed());
    if (summary.interrupted)
        html += fmt::format("<p class=\"bad\">Interrupted: {} databases were not started.</p>\n",
                            summary.notStarted.size());
    html += "<table><tr><th>Database</th><th>Images</th><th>Status</th></tr>\n";
    for (const auto& db : summary.databases) {
        auto rel = std::filesystem::relative(db.outputFolder / "index.html", root).generic_string();
        html +=
            fmt::format("<tr><td><a href=\"{}\">{}</a></td><td>{}</td><td{}>{}</td></tr>\n", htmlEscape(uriPath(rel)),
                        htmlEscape(db.input.filename().string()), db.imagesWritten, db.failed() ? " class=\"bad\"" : "",
                        !db.refusal.empty() ? "refused"
                        : db.status == 0    ? "ok"
                                            : fmt::format("error {}", db.status));
    }
    html += "</table>\n</body></html>\n";
    return html;
}

}   // namespace tesk::cli

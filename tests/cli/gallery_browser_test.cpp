// The gallery as a browser shows it: headless Chromium loads the page tesk wrote, every image
// element is in its document, and the screenshot shows the images' own colours. Skipped where
// Chromium (or ImageMagick, which reads the screenshot) is not installed.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>

#include "support/bitmap_builder.hpp"
#include "support/test_run.hpp"

namespace tesk {
namespace {

namespace fs = std::filesystem;
using test::BitmapBuilder;
using test::Bytes;
using test::PrcBuilder;

constexpr const char* kChromium = "/usr/bin/chromium";

struct Result {
    int status;
    std::string output;
};

Result run(const std::string& command) {
    Result r{-1, {}};
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) return r;
    std::array<char, 4096> buf;
    while (auto n = std::fread(buf.data(), 1, buf.size(), p)) r.output.append(buf.data(), n);
    const int raw = ::pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

std::string quoted(const fs::path& p) { return "'" + p.string() + "'"; }

// Chromium with nothing of its own on the network and a profile that dies with the test.
std::string chromium(const test::TempDir& dir, const std::string& action) {
    return std::string("timeout 120 ") + kChromium +
           " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking"
           " --disable-component-update --disable-sync --hide-scrollbars --window-size=900,1400 --user-data-dir=" +
           quoted(dir / "profile") + " " + action;
}

// The colours of an image file, as ImageMagick lists them ("#RRGGBB").
std::set<std::string> colours(const fs::path& image) {
    auto r = run("convert " + quoted(image) + " -alpha off -depth 8 -unique-colors txt:- 2>/dev/null");
    std::set<std::string> found;
    static const std::regex hex{R"(#[0-9A-F]{6}\b)"};
    for (std::sregex_iterator it(r.output.begin(), r.output.end(), hex), end; it != end; ++it) found.insert(it->str());
    return found;
}

// A flat square of one 16-bit colour: it keeps its colour through quantisation and the browser's
// enlargement, so the screenshot must hold it exactly.
Bytes square(std::uint16_t value) {
    return BitmapBuilder{}.size(24, 24).depth(16).values(std::vector<std::uint16_t>(24 * 24, value)).build();
}

TEST(GalleryInBrowser, EveryImageIsOnThePageAndDrawn) {
    if (!fs::exists(kChromium)) GTEST_SKIP() << "Chromium is not installed";
    if (run("command -v convert").status != 0) GTEST_SKIP() << "ImageMagick is not installed";
    test::TempDir dir;
    const auto icon =
        BitmapBuilder{}.size(16, 16).depth(4).values(std::vector<std::uint16_t>(256, 5)).transparentIndex(0).build();
    test::writeBytes(dir / "a.prc",
                     PrcBuilder{}.resource("Tbmp", 1000, square(0xF800)).resource("tAIB", 1000, icon).build());
    test::writeBytes(dir / "b.prc", PrcBuilder{}.resource("Tbmp", 2000, square(0x07E0)).build());
    fs::create_directory(dir / "out");
    auto extract = run(std::string(TESK_CLI_PATH) + " extract " + quoted(dir / "a.prc") + " " + quoted(dir / "b.prc") +
                       " -o " + quoted(dir / "out") + " --format png --gallery 2>&1");
    ASSERT_EQ(extract.status, 0) << extract.output;

    // The batch page links both database pages; each page has every image at its size and enlarged.
    auto batch = run(chromium(dir, "--dump-dom " + quoted(dir / "out" / "index.html")) + " 2>/dev/null");
    ASSERT_EQ(batch.status, 0);
    EXPECT_NE(batch.output.find("href=\"a/index.html\""), std::string::npos) << batch.output;
    EXPECT_NE(batch.output.find("href=\"b/index.html\""), std::string::npos);
    auto page = run(chromium(dir, "--dump-dom " + quoted(dir / "out" / "a" / "index.html")) + " 2>/dev/null");
    ASSERT_EQ(page.status, 0);
    std::multiset<std::string> sources;
    static const std::regex img{R"re(<img [^>]*src="([^"]+)")re"};
    for (std::sregex_iterator it(page.output.begin(), page.output.end(), img), end; it != end; ++it)
        sources.insert((*it)[1].str());
    const auto written = test::listFiles(dir / "out" / "a");
    std::size_t pngs = 0;
    for (const auto& f : written) {
        if (!f.ends_with(".png")) continue;
        ++pngs;
        EXPECT_EQ(sources.count(f), 2u) << f;
    }
    EXPECT_EQ(pngs, 2u);
    EXPECT_EQ(sources.size(), 2 * pngs);

    // What the browser drew holds the colour of the extracted image, so the image really loaded.
    const auto shot = dir / "shot.png";
    auto drawn =
        run(chromium(dir, "--screenshot=" + quoted(shot) + " " + quoted(dir / "out" / "a" / "index.html")) + " 2>&1");
    ASSERT_TRUE(fs::exists(shot)) << drawn.output;
    const auto image = colours(dir / "out" / "a" / "Tbmp1000-16.png");
    ASSERT_EQ(image.size(), 1u);
    const auto screen = colours(shot);
    EXPECT_GT(screen.size(), 8u);   // text, frames, checkerboard and images: not a blank page
    EXPECT_TRUE(screen.contains(*image.begin())) << *image.begin();
}

}   // namespace
}   // namespace tesk

#include <gtest/gtest.h>

#include <map>

#include "appearance.hpp"
#include "help_file.hpp"
#include "registry_file.hpp"
#include "resize_rules.hpp"
#include "support/test_run.hpp"

namespace tesk::icontool {
namespace {

using tesk::test::TempDir;

void writeText(const std::filesystem::path& p, const std::string& s) {
    tesk::test::writeBytes(p, tesk::test::Bytes(s.begin(), s.end()));
}

struct SysInfoFixture : ::testing::Test {
    TempDir dir;
    PosixFileSystem files;
    RecordingUi ui;
    std::vector<std::string> started;
    bool launchWorks = true;
    RegistryFile registry{files, (dir / "registry.reg").string()};
    Launcher launch = [this](const std::string& p) {
        started.push_back(p);
        return launchWorks;
    };
    void run() { StartSysInfo(registry, files, launch, ui); }
    bool unavailableShown() const {
        return ui.boxes.size() == 1 && ui.boxes[0].text == "System Information Is Unavailable At This Time";
    }
};

TEST_F(SysInfoFixture, FirstLocationWinsAndTheSecondIsNotConsulted) {
    writeText(dir / "registry.reg",
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\r\n"
              "\"Path\"=\"/opt/sys\\\\info \\\"x\\\"\"\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location]\r\n\"MSINFO\"=\"/elsewhere\"\r\n");
    run();
    EXPECT_EQ(started, (std::vector<std::string>{"/opt/sys\\info \"x\""}));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SysInfoFixture, SecondLocationNeedsTheProgramFileInItsFolder) {
    writeText(dir / "registry.reg",
              "REGEDIT4\r\n[hklm\\software\\microsoft\\shared tools location]\r\n\"MSINFO\"=\"" + dir.str() + "\"\r\n");
    run();
    EXPECT_TRUE(started.empty());
    EXPECT_TRUE(unavailableShown());
    ui.boxes.clear();
    tesk::test::writeBytes(dir / "MSINFO32.EXE", {0});
    run();
    EXPECT_EQ(started, (std::vector<std::string>{dir.str() + "/MSINFO32.EXE"}));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SysInfoFixture, MissingFileNonTextValueAndFailedStartAllGiveTheMessage) {
    const std::string key = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\r\n";
    // No file; a number where the path belongs (read as an empty text); a program that does not start.
    for (const auto& [file, launches] : std::initializer_list<std::pair<std::string, bool>>{
             {"", true}, {key + "\"PATH\"=dword:00000001\r\n", true}, {key + "\"PATH\"=\"/bin/x\"\r\n", false}}) {
        if (!file.empty()) writeText(dir / "registry.reg", file);
        launchWorks = launches;
        ui.boxes.clear();
        run();
        EXPECT_TRUE(unavailableShown()) << file;
    }
    std::string value = "stale";
    writeText(dir / "registry.reg", key + "\"PATH\"=dword:00000001\r\n");
    EXPECT_TRUE(registry.GetKeyValue("HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", value));
    EXPECT_EQ(value, "");
}

TEST_F(SysInfoFixture, ReadsUtf16ExportsAndTheConfiguredLocation) {
    std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\"
        "Shared Tools\\MSINFO]\r\n\"PATH\"=\"/usr/bin/sysinfo\"\r\n";
    tesk::test::Bytes utf16{0xFF, 0xFE};
    for (char c : text) {
        utf16.push_back(static_cast<std::uint8_t>(c));
        utf16.push_back(0);
    }
    tesk::test::writeBytes(dir / "registry.reg", utf16);
    run();
    EXPECT_EQ(started, (std::vector<std::string>{"/usr/bin/sysinfo"}));

    std::map<std::string, std::string> vars{{"HOME", "/home/u"}};
    auto env = [&vars](const char* n) { return vars.count(n) ? vars[n] : std::string(); };
    EXPECT_EQ(registryFilePath(env), "/home/u/.config/varnel/registry.reg");
    vars["XDG_CONFIG_HOME"] = "/cfg";
    EXPECT_EQ(registryFilePath(env), "/cfg/varnel/registry.reg");
    vars["VARNEL_REGISTRY"] = "/r.reg";
    EXPECT_EQ(registryFilePath(env), "/r.reg");
}

TEST(ResizeRules, KeyFilterLetsDigitsAndBackspaceThrough) {
    for (char32_t c = U'0'; c <= U'9'; ++c) EXPECT_EQ(sizeKeyAction(c), SizeKey::Accept);
    EXPECT_EQ(sizeKeyAction(8), SizeKey::Accept);
    EXPECT_EQ(sizeKeyAction(13), SizeKey::Validate);
    for (char32_t c : {U'a', U' ', U'-', U'.', U'+', U'\u0663', char32_t{22}})
        EXPECT_EQ(sizeKeyAction(c), SizeKey::Discard);
}

TEST(ResizeRules, ValidationKeepsFiveToFortyAndOtherwiseShowsTheDefault) {
    for (const auto& [text, fallback, value, shown] :
         std::initializer_list<std::tuple<std::string, int, int, bool>>{{"41", 16, 16, true},
                                                                        {"40", 16, 40, false},
                                                                        {"4", 14, 14, true},
                                                                        {"5", 14, 5, false},
                                                                        {"007", 16, 7, false},
                                                                        {"", 16, 16, true},
                                                                        {"99999999999", 14, 14, true}}) {
        EXPECT_EQ(validateSize(text, fallback).value, value) << text;
        EXPECT_EQ(validateSize(text, fallback).showValue, shown) << text;
    }
    IconToolSettings s;
    s.targetWidth = 30;
    s.targetHeight = 31;
    s.allowResizeUp = true;
    resetResizeDefaults(s);
    EXPECT_EQ(s.targetWidth, 16);
    EXPECT_EQ(s.targetHeight, 14);
    EXPECT_FALSE(s.allowResizeUp);
}

TEST(Appearance, GradientBandsTruncateTowardsZero) {
    auto bands = gradientBands(kGradientTop, kGradientBottom, kGradientSteps);
    ASSERT_EQ(bands.size(), 256u);
    EXPECT_EQ(bands.front(), (Rgb{255, 255, 255}));
    EXPECT_EQ(bands[1], (Rgb{255, 255, 255}));   // -223 / 256 truncates to 0
    EXPECT_EQ(bands[2], (Rgb{254, 254, 254}));
    EXPECT_EQ(bands.back(), (Rgb{33, 33, 33}));   // 255 + (-223 * 255) / 256
    auto rising = gradientBands({0, 10, 200}, {255, 10, 0}, 4);
    EXPECT_EQ(rising[3], (Rgb{191, 10, 50}));
}

TEST(Appearance, VersionLabel) {
    EXPECT_EQ(versionLabel(0, 2, 0), "Version 0.2.0");
    EXPECT_EQ(versionLabel(1, 10, 3), "Version 1.10.3");
}

TEST(HelpFile, InstalledWhenMissingOrDifferentAndTopicAnchors) {
    TempDir dir;
    PosixFileSystem files;
    EXPECT_TRUE(installHelpFile(files, dir.str(), "<html>one</html>"));
    EXPECT_EQ(tesk::test::readText(dir / "icontool.html"), "<html>one</html>");
    EXPECT_TRUE(installHelpFile(files, dir.str(), "<html>two, longer</html>"));
    EXPECT_EQ(tesk::test::readText(dir / "icontool.html"), "<html>two, longer</html>");
    EXPECT_FALSE(installHelpFile(files, "", "<html/>"));
    EXPECT_FALSE(installHelpFile(files, (dir / "none").string(), "<html/>"));
    EXPECT_EQ(helpAnchor(kResizeHelpTopic), "resize");
    EXPECT_EQ(helpAnchor(0), "");
}

}   // namespace
}   // namespace tesk::icontool

#include <gtest/gtest.h>

#include "installer_fixtures.hpp"
#include "platform/memory_file_system.hpp"
#include "platform/registry.hpp"

namespace varnel {
namespace {

using test::readFileText;
using test::TempTree;
using test::writeFileBytes;

constexpr std::string_view Core = "HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\Core\\Path";

TEST(RegistryPath, RootsAreSpelledOutAndTheLastPartIsTheName) {
    auto p = tesk::splitRegistryPath("HKCU\\Software\\X\\Name");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->key, "HKEY_CURRENT_USER\\Software\\X");
    EXPECT_EQ(p->name, "Name");
    EXPECT_EQ(tesk::splitRegistryPath("HKLM\\A\\B")->key, "HKEY_LOCAL_MACHINE\\A");
    EXPECT_FALSE(tesk::splitRegistryPath("NoKey"));
}

TEST(RegistryFile, ReadsStringValuesWithEscapesAndAnyCaseKeys) {
    TempTree t;
    writeFileBytes(t.path("r.reg"), test::crlfLines({
                                        "Windows Registry Editor Version 5.00",
                                        "",
                                        "[HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\Core]",
                                        "\"Count\"=dword:00000002",
                                        "\"PATH\"=\"C:\\\\Palm \\\"One\\\"\"",
                                        "",
                                        "[HKEY_CURRENT_USER\\Software\\Other]",
                                        "\"Path\"=\"elsewhere\"",
                                    }));
    tesk::PosixFileSystem disk;
    tesk::RegFileRegistry reg{disk, t.path("r.reg").string()};
    EXPECT_EQ(reg.regread(Core), "C:\\Palm \"One\"");
    EXPECT_EQ(reg.regread("hkcu\\software\\u.s. robotics\\pilot desktop\\core\\path"), "C:\\Palm \"One\"");
    EXPECT_FALSE(reg.regread("HKCU\\Software\\U.S. Robotics\\Pilot Desktop\\Core\\Count"));   // not a string
    EXPECT_FALSE(reg.regread("HKCU\\Software\\Missing\\Path"));
}

TEST(RegistryFile, WriteReplacesInPlaceAppendsAndKeepsOtherLines) {
    TempTree t;
    const auto file = t.path("r.reg");
    writeFileBytes(file,
                   test::crlfLines({"REGEDIT4", "", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]", "\"File0\"=\"old\"",
                                    "\"Bin\"=hex:01,02", "", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\B]", "\"X\"=\"y\""}));
    tesk::PosixFileSystem disk;
    tesk::RegFileRegistry reg{disk, file.string()};
    ASSERT_EQ(reg.regwrite("HKLM\\SOFTWARE\\A\\File0", "new \"q\" \\"), tesk::ErrorNumber::None);
    ASSERT_EQ(reg.regwrite("HKLM\\SOFTWARE\\A\\File1", "added"), tesk::ErrorNumber::None);
    ASSERT_EQ(reg.regwrite("HKLM\\SOFTWARE\\C\\Z", "fresh"), tesk::ErrorNumber::None);
    EXPECT_EQ(readFileText(file),
              test::crlfLines({"REGEDIT4", "", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]", "\"File0\"=\"new \\\"q\\\" \\\\\"",
                               "\"Bin\"=hex:01,02", "\"File1\"=\"added\"", "", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\B]",
                               "\"X\"=\"y\"", "", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\C]", "\"Z\"=\"fresh\"", ""}));
    EXPECT_EQ(reg.regread("HKLM\\SOFTWARE\\A\\File0"), "new \"q\" \\");
}

TEST(RegistryFile, Utf16ExportsAreReadAndWrittenBackInTheirEncoding) {
    auto utf16 = [](std::u16string_view text) {
        test::Bytes out{0xFF, 0xFE};
        for (char16_t c : text) {
            out.push_back(static_cast<std::uint8_t>(c & 0xFF));
            out.push_back(static_cast<std::uint8_t>(c >> 8));
        }
        return out;
    };
    TempTree t;
    const auto file = t.path("r.reg");
    writeFileBytes(file, utf16(u"Windows Registry Editor Version 5.00\r\n\r\n"
                               u"[HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\Core]\r\n"
                               u"\"Path\"=\"C:\\\\Palm D\u00e9sk\"\r\n"));
    tesk::PosixFileSystem disk;
    tesk::RegFileRegistry reg{disk, file.string()};
    EXPECT_EQ(reg.regread(Core), "C:\\Palm D\xC3\xA9sk");
    ASSERT_EQ(reg.regwrite(Core, "D:\\Palm \xE2\x82\xAC"), tesk::ErrorNumber::None);
    EXPECT_EQ(test::readFileBytes(file), utf16(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                               u"[HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\Core]\r\n"
                                               u"\"Path\"=\"D:\\\\Palm \u20ac\"\r\n"));
}

TEST(RegistryFile, MissingFileReadsNothingAndIsCreatedWithItsFolders) {
    TempTree t;
    tesk::PosixFileSystem disk;
    tesk::RegFileRegistry reg{disk, t.root() + "config/varnel/registry.reg"};
    EXPECT_FALSE(reg.regread(Core));
    ASSERT_EQ(reg.regwrite(Core, "/opt/palm"), tesk::ErrorNumber::None);
    EXPECT_EQ(reg.regread(Core), "/opt/palm");
    EXPECT_EQ(readFileText(t.path("config/varnel/registry.reg")).rfind("REGEDIT4\r\n", 0), 0u);
}

TEST(RegistryFile, AnUnreadableStoreIsNotOverwritten) {
    TempTree t;
    writeFileBytes(t.path("r.reg"), std::string_view("REGEDIT4\r\n"));
    test::FailingFileSystem disk;
    disk.failOn(test::FailingFileSystem::Op::Read, "r.reg", tesk::ErrorNumber::PermissionDenied);
    tesk::RegFileRegistry reg{disk, t.path("r.reg").string()};
    EXPECT_EQ(reg.regwrite(Core, "x"), tesk::ErrorNumber::PermissionDenied);
    EXPECT_EQ(readFileText(t.path("r.reg")), "REGEDIT4\r\n");
}

TEST(RegistryFile, LineBreaksCannotPlantValues) {
    tesk::MemoryFileSystem fs;
    const std::string before = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n\"Path\"=\"old\"\r\n";
    fs.addFile("/r.reg", std::vector<std::uint8_t>(before.begin(), before.end()));
    tesk::RegFileRegistry reg{fs, "/r.reg"};
    for (std::string_view path : {"HKCU\\Software\\A\\Path\"=\"x\"\r\n\"Evil", "HKCU\\Software\\A]\n[HKLM\\B\\N"})
        EXPECT_EQ(reg.regwrite(path, "v"), tesk::ErrorNumber::BadFileName) << path;
    EXPECT_EQ(reg.regwrite("HKCU\\Software\\A\\Path", "new\r\n\"Evil\"=\"planted"), tesk::ErrorNumber::BadFileName);
    auto after = fs.contents("/r.reg");
    ASSERT_TRUE(after);
    EXPECT_EQ(std::string(after->begin(), after->end()), before);
    EXPECT_EQ(reg.regread("HKCU\\Software\\A\\Path"), "old");
}

TEST(RegistryFile, TextThatUtf16CannotCarryIsRefusedForAUtf16Store) {
    tesk::MemoryFileSystem fs;
    std::vector<std::uint8_t> store{0xFF, 0xFE};
    for (char c : std::string_view("REGEDIT4\r\n")) {
        store.push_back(static_cast<std::uint8_t>(c));
        store.push_back(0);
    }
    fs.addFile("/r.reg", store);
    tesk::RegFileRegistry reg{fs, "/r.reg"};
    for (std::string_view bad : {"\xFF", "caf\xE9", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"}) {
        EXPECT_EQ(reg.regwrite("HKCU\\Software\\A\\Path", bad), tesk::ErrorNumber::BadFileName);
        EXPECT_EQ(reg.regwrite(std::string("HKCU\\Software\\") + std::string(bad) + "\\Path", "v"),
                  tesk::ErrorNumber::BadFileName);
    }
    EXPECT_EQ(fs.contents("/r.reg"), store);
    ASSERT_EQ(reg.regwrite("HKCU\\Software\\A\\Path", "caf\xC3\xA9 \xF0\x9F\x98\x80"), tesk::ErrorNumber::None);
    EXPECT_EQ(reg.regread("HKCU\\Software\\A\\Path"), "caf\xC3\xA9 \xF0\x9F\x98\x80");
}

}   // namespace
}   // namespace varnel

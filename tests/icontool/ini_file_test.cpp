#include <gtest/gtest.h>

#include "ini_file.hpp"
#include "support/test_run.hpp"

namespace tesk::icontool {
namespace {

using tesk::test::readText;
using tesk::test::TempDir;

void writeText(const std::filesystem::path& p, const std::string& s) {
    tesk::test::writeBytes(p, tesk::test::Bytes(s.begin(), s.end()));
}

struct IniFixture : ::testing::Test {
    TempDir dir;
    PosixFileSystem files;
    cInifile ini{files};
    void SetUp() override { ini.path = (dir / "TESK.ini").string(); }
    std::string read(const std::string& section, const std::string& key, const std::string& def = "") {
        ini.Section = section;
        ini.key = key;
        ini.Default = def;
        return ini.Value();
    }
    void write(const std::string& section, const std::string& key, const std::string& value) {
        ini.Section = section;
        ini.key = key;
        ini.setValue(value);
    }
};

TEST_F(IniFixture, ReadsWithoutRegardToCaseFirstMatchTrimmedAndUnquoted) {
    writeText(ini.path,
              "; kept\r\n[Program Options]\r\n  Target Width =  20  \r\nTARGET WIDTH=30\r\n"
              "Quoted=\"  a b  \"\r\nHalf=\"open\r\n[program options]\r\nLater=1\r\n");
    EXPECT_EQ(read("PROGRAM OPTIONS", "target width"), "20");
    EXPECT_EQ(read("Program Options", "Quoted"), "  a b  ");
    EXPECT_EQ(read("Program Options", "Half"), "\"open");
    // Only the first section of a name counts.
    EXPECT_EQ(read("Program Options", "Later", "none"), "none");
    EXPECT_EQ(read("Missing", "Key", " fallback "), "fallback");
}

TEST_F(IniFixture, MissingFileGivesDefaultsAndReadsLeaveTheReturnCode) {
    EXPECT_EQ(read("A", "B", "x"), "x");
    EXPECT_EQ(ini.LastReturnCode(), 0);
    write("A", "B", "1");
    EXPECT_TRUE(ini.Success());
    read("A", "C");
    EXPECT_TRUE(ini.Success());
}

TEST_F(IniFixture, LongValuesComeBackCutTo254) {
    write("S", "K", std::string(255, 'v'));
    EXPECT_EQ(read("S", "K"), std::string(254, 'v'));
    EXPECT_NE(readText(ini.path).find(std::string(255, 'v')), std::string::npos);
}

TEST_F(IniFixture, WritesDropNulAndLineBreaks) {
    write("S", "K", std::string("a\0b", 3) + "\r\n[Evil]\r\nX=1");
    EXPECT_EQ(read("S", "K"), "ab[Evil]X=1");
    ini.Section = "Evil";
    EXPECT_EQ(ini.INISection(), "");
}

TEST_F(IniFixture, WriteChangesOnlyItsLineAndKeepsEverythingElse) {
    writeText(ini.path, "; comment\r\n[One]\r\na=1\r\nnot a pair\r\n\r\n[Two]\r\nb=2\r\n");
    write("one", "A", "9");     // in place, first match, the key as written now
    write("One", "c", "3");     // appended after the section's last non-blank line
    write("Three", "d", "4");   // new section at the end
    EXPECT_EQ(readText(ini.path),
              "; comment\r\n[One]\r\nA=9\r\nnot a pair\r\nc=3\r\n\r\n[Two]\r\nb=2\r\n[Three]\r\nd=4\r\n");
}

TEST_F(IniFixture, DeletesKeysAndSectionsAndListsNames) {
    writeText(ini.path, "[One]\r\na=1\r\nb=2\r\n[Two]\r\nc=3\r\n");
    ini.Section = "One";
    ini.key = "a";
    ini.DeleteKey();
    std::vector<std::string> names;
    std::int32_t count = 0;
    ini.EnumerateCurrentSection(names, count);
    EXPECT_EQ(names, (std::vector<std::string>{"b"}));
    ini.DeleteSection();
    ini.EnumerateAllSections(names, count);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(names, (std::vector<std::string>{"Two"}));
    EXPECT_EQ(readText(ini.path), "[Two]\r\nc=3\r\n");
}

TEST_F(IniFixture, FailedWriteReportsZeroAndLeavesNoFile) {
    ini.path = (dir / "no such folder" / "TESK.ini").string();
    write("S", "K", "v");
    EXPECT_FALSE(ini.Success());
    EXPECT_FALSE(std::filesystem::exists(dir / "no such folder"));
    ini.path.clear();
    write("S", "K", "v");
    EXPECT_FALSE(ini.Success());
}

TEST(CLngDefault, TakesWholeNumbersOnly) {
    EXPECT_EQ(cInifile::CLngDefault(" 42 ", 7), 42);
    EXPECT_EQ(cInifile::CLngDefault("-5", 7), -5);
    EXPECT_EQ(cInifile::CLngDefault("+5", 7), 5);
    EXPECT_EQ(cInifile::CLngDefault("12px", 7), 7);
    EXPECT_EQ(cInifile::CLngDefault("", 7), 7);
    EXPECT_EQ(cInifile::CLngDefault("FAIL", 7), 7);
    EXPECT_EQ(cInifile::CLngDefault("2147483648", 7), 7);
}

}   // namespace
}   // namespace tesk::icontool

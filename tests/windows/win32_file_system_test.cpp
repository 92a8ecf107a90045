// The Win32 file system against the real (wine or Windows) disk: the attribute vocabulary and
// the replace rule on it, writes that never leave half a file, and the error numbers of common
// failures.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_system.hpp"
#include "platform/paths.hpp"
#include "support/test_run.hpp"

namespace tesk::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

class Win32Files : public ::testing::Test {
protected:
    // Test files get attributes that DeleteFile refuses; clear them before TempDir removes all.
    ~Win32Files() override {
        for (const auto& e : fs::recursive_directory_iterator(dir.path()))
            ::SetFileAttributesA(e.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    std::string path(const std::string& name) const { return withTrailingSeparator(dir.str()) + name; }
    std::string make(const std::string& name, DWORD attributes = 0) {
        auto p = path(name);
        writeBytes(p, bytesOf("old"));
        if (attributes != 0) ::SetFileAttributesA(p.c_str(), attributes);
        return p;
    }

    TempDir dir;
    Win32FileSystem files;
};

// The archive bit aside: wine sets it on every file, Windows when a file was written.
std::uint32_t withoutArchive(std::optional<std::uint32_t> a) { return a.value_or(0xFFFFFFFF) & ~attr::Archive; }

TEST_F(Win32Files, AttributesAreTheSystemBits) {
    auto plain = make("plain");
    ::SetFileAttributesA(plain.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(withoutArchive(files.attributes(plain)) == attr::Normal ||
                withoutArchive(files.attributes(plain)) == 0);
    EXPECT_TRUE(*files.attributes(make("archived", FILE_ATTRIBUTE_ARCHIVE)) & attr::Archive);
    EXPECT_EQ(withoutArchive(files.attributes(make("locked", FILE_ATTRIBUTE_READONLY))), attr::ReadOnly);
    EXPECT_EQ(withoutArchive(files.attributes(make("hidden", FILE_ATTRIBUTE_HIDDEN))), attr::Hidden);
    EXPECT_EQ(withoutArchive(files.attributes(make("system", FILE_ATTRIBUTE_SYSTEM))), attr::System);
    EXPECT_EQ(withoutArchive(files.attributes(make("both", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN))),
              attr::ReadOnly | attr::Hidden);
    // Normal is reported alone, never beside another bit.
    EXPECT_FALSE(*files.attributes(make("locked2", FILE_ATTRIBUTE_READONLY)) & attr::Normal);
    ASSERT_TRUE(::CreateDirectoryA(path("folder").c_str(), nullptr));
    EXPECT_TRUE(*files.attributes(path("folder")) & attr::Directory);
    EXPECT_EQ(files.attributes(path("missing")), std::nullopt);
    EXPECT_EQ(files.attributes(""), std::nullopt);
}

TEST_F(Win32Files, ReplaceRuleDeletesOnlyPlainFiles) {
    for (DWORD plain : {DWORD{FILE_ATTRIBUTE_NORMAL}, DWORD{FILE_ATTRIBUTE_ARCHIVE}}) {
        auto p = make("plain", plain);
        EXPECT_EQ(replaceExistingOutput(files, p), ErrorNumber::None) << plain;
        EXPECT_FALSE(fs::exists(p)) << plain;
    }
    for (DWORD kept : {DWORD{FILE_ATTRIBUTE_READONLY}, DWORD{FILE_ATTRIBUTE_HIDDEN}, DWORD{FILE_ATTRIBUTE_SYSTEM},
                       DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE}}) {
        auto p = make("kept" + std::to_string(kept), kept);
        EXPECT_EQ(replaceExistingOutput(files, p), ErrorNumber::PathFileAccessError) << kept;
        EXPECT_EQ(readText(p), "old") << kept;
    }
    ASSERT_TRUE(::CreateDirectoryA(path("folder").c_str(), nullptr));
    EXPECT_EQ(replaceExistingOutput(files, path("folder")), ErrorNumber::PathFileAccessError);
    EXPECT_EQ(replaceExistingOutput(files, path("nothing")), ErrorNumber::None);
}

TEST_F(Win32Files, WritesReplaceWholeFilesAndLeaveNoTemporaries) {
    auto p = make("out.bmp");
    EXPECT_EQ(files.writeFile(p, bytesOf("first")), ErrorNumber::None);
    EXPECT_EQ(readText(p), "first");
    EXPECT_EQ(files.writeFileAtomic(p, bytesOf("second, longer")), ErrorNumber::None);
    EXPECT_EQ(readText(p), "second, longer");
    EXPECT_EQ(files.writeFileAtomic(p, {}), ErrorNumber::None);
    EXPECT_EQ(readText(p), "");
    EXPECT_EQ(listFiles(dir.path()), std::vector<std::string>{"out.bmp"});
}

TEST_F(Win32Files, FailedWritesLeaveNothingBehind) {
    // Missing folder: nothing is created anywhere.
    EXPECT_EQ(files.writeFile(path("no\\such.bmp"), bytesOf("x")), ErrorNumber::FileNotFound);
    EXPECT_EQ(files.writeFileAtomic(path("no\\such.bmp"), bytesOf("x")), ErrorNumber::FileNotFound);
    // A folder in the way: the temporary is written, the move fails, and the temporary goes.
    ASSERT_TRUE(::CreateDirectoryA(path("taken").c_str(), nullptr));
    make("taken\\inside.txt");
    EXPECT_NE(files.writeFileAtomic(path("taken"), bytesOf("new")), ErrorNumber::None);
    EXPECT_NE(files.writeFile(path("taken"), bytesOf("new")), ErrorNumber::None);
    EXPECT_EQ(listFiles(dir.path()), std::vector<std::string>{"taken/inside.txt"});
    EXPECT_EQ(files.writeFile("", bytesOf("x")), ErrorNumber::BadFileName);
}

TEST_F(Win32Files, ReadsWithLimitsAndErrorNumbers) {
    auto p = path("data.bin");
    writeBytes(p, bytesOf("0123456789"));
    std::vector<std::uint8_t> out;
    EXPECT_EQ(files.readFile(p, out, SIZE_MAX), ErrorNumber::None);
    EXPECT_EQ(out, bytesOf("0123456789"));
    EXPECT_EQ(files.readFile(p, out, 9), ErrorNumber::OutOfMemory);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(files.readFile(path("missing"), out, SIZE_MAX), ErrorNumber::FileNotFound);
    EXPECT_EQ(files.readFile(path("no\\such\\file"), out, SIZE_MAX), ErrorNumber::FileNotFound);
    ASSERT_TRUE(::CreateDirectoryA(path("folder").c_str(), nullptr));
    EXPECT_EQ(files.readFile(path("folder"), out, SIZE_MAX), ErrorNumber::PathFileAccessError);
}

TEST_F(Win32Files, FoldersListingsAndRenames) {
    EXPECT_EQ(files.createFolder(path("sub")), ErrorNumber::None);
    EXPECT_EQ(files.createFolder(path("sub")), ErrorNumber::FileAlreadyExists);
    EXPECT_EQ(files.createFolder(path("no\\sub")), ErrorNumber::PathNotFound);
    make("a.txt");
    make("b.txt");
    EXPECT_EQ(files.renameFile(path("a.txt"), path("b.txt")), ErrorNumber::None);   // replaces
    std::vector<std::string> names;
    EXPECT_EQ(files.listFolder(dir.str(), names), ErrorNumber::None);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"b.txt", "sub"}));
    EXPECT_EQ(files.listFolder(path("sub"), names), ErrorNumber::None);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(files.removeFile(path("b.txt")), ErrorNumber::None);
    EXPECT_EQ(files.removeFile(path("b.txt")), ErrorNumber::FileNotFound);
}

TEST(Win32Errors, CommonCodesMapOntoTheTable) {
    EXPECT_EQ(errorFromWin32(ERROR_SUCCESS), ErrorNumber::None);
    EXPECT_EQ(errorFromWin32(ERROR_FILE_NOT_FOUND), ErrorNumber::FileNotFound);
    EXPECT_EQ(errorFromWin32(ERROR_PATH_NOT_FOUND), ErrorNumber::FileNotFound);   // as ENOENT
    EXPECT_EQ(errorFromWin32(ERROR_BAD_NETPATH), ErrorNumber::PathNotFound);
    EXPECT_EQ(errorFromWin32(ERROR_ACCESS_DENIED), ErrorNumber::PermissionDenied);
    EXPECT_EQ(errorFromWin32(ERROR_DISK_FULL), ErrorNumber::DiskFull);
    EXPECT_EQ(errorFromWin32(ERROR_ALREADY_EXISTS), ErrorNumber::FileAlreadyExists);
    EXPECT_EQ(errorFromWin32(ERROR_INVALID_NAME), ErrorNumber::BadFileName);
    EXPECT_EQ(errorFromWin32(ERROR_NOT_SAME_DEVICE), ErrorNumber::RenameAcrossDisks);
    EXPECT_EQ(errorFromWin32(ERROR_CRC), ErrorNumber::DeviceIoError);   // anything else
}

TEST(Win32Paths, BackslashFoldersAndWindowsOnlyNameBytes) {
    EXPECT_EQ(withTrailingSeparator("C:\\out"), "C:\\out\\");
    EXPECT_EQ(withTrailingSeparator("C:\\out\\"), "C:\\out\\");
    EXPECT_EQ(withTrailingSeparator("C:/out/"), "C:/out/");
    EXPECT_EQ(escapeNameBytes("a:b"), "a%3Ab");   // would name a stream of file "a"
    EXPECT_EQ(escapeNameBytes("<*?|>\""), "%3C%2A%3F%7C%3E%22");
    EXPECT_EQ(escapeNameBytes("Tbmp"), "Tbmp");
}

}   // namespace
}   // namespace tesk::test

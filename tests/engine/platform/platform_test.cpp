// The platform layer's attribute mapping and the replace rule, on the real disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>

#include "platform/error_number.hpp"
#include "platform/file_system.hpp"
#include "platform/paths.hpp"
#include "support/test_run.hpp"

namespace tesk {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(Attributes, MapModeBitsNamesAndKinds) {
    TempDir dir;
    PosixFileSystem files;
    test::writeBytes(dir / "plain", {1});
    test::writeBytes(dir / ".hidden", {1});
    test::writeBytes(dir / "locked", {1});
    ::chmod((dir / "locked").c_str(), 0444);
    fs::create_directory(dir / "folder");
    fs::create_symlink(dir / "plain", dir / "link");
    EXPECT_EQ(files.attributes((dir / "plain").string()), attr::Normal);
    EXPECT_EQ(files.attributes((dir / ".hidden").string()), attr::Hidden);
    EXPECT_EQ(files.attributes((dir / "locked").string()), attr::ReadOnly);   // also for root
    EXPECT_EQ(files.attributes((dir / "folder").string()), attr::Directory);
    EXPECT_EQ(files.attributes((dir / "link").string()), attr::System);
    EXPECT_FALSE(files.attributes((dir / "missing").string()).has_value());
    EXPECT_FALSE(files.attributes("").has_value());
    EXPECT_TRUE(PathExists(files, dir.str()));
}

TEST(ReplaceRule, DeletesPlainFilesAndRefusesEverythingElse) {
    TempDir dir;
    PosixFileSystem files;
    test::writeBytes(dir / "plain", {1});
    EXPECT_EQ(replaceExistingOutput(files, (dir / "plain").string()), ErrorNumber::None);
    EXPECT_FALSE(fs::exists(dir / "plain"));
    EXPECT_EQ(replaceExistingOutput(files, (dir / "absent").string()), ErrorNumber::None);

    test::writeBytes(dir / "locked", {7});
    ::chmod((dir / "locked").c_str(), 0444);
    fs::create_directory(dir / "folder");
    test::writeBytes(dir / "target", {9});
    fs::create_symlink(dir / "target", dir / "link");
    for (auto name : {"locked", "folder", "link"})
        EXPECT_EQ(replaceExistingOutput(files, (dir / name).string()), ErrorNumber::PathFileAccessError) << name;
    EXPECT_EQ(test::readBytes(dir / "locked"), test::Bytes{7});
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(test::readBytes(dir / "target"), test::Bytes{9});
}

TEST(WriteFile, NeverWritesThroughALink) {
    TempDir dir;
    PosixFileSystem files;
    test::writeBytes(dir / "target", {9});
    fs::create_symlink(dir / "target", dir / "link");
    const std::uint8_t data[] = {1, 2, 3};
    EXPECT_NE(files.writeFile((dir / "link").string(), data), ErrorNumber::None);
    EXPECT_EQ(test::readBytes(dir / "target"), test::Bytes{9});
}

// A FIFO put where a file is expected after the attribute check: neither a write nor a read may
// wait for the other end. Should the call hang anyway, the test opens the other end itself, so it
// fails instead of hanging.
TEST(WriteFile, FifoInPlaceOfTheFileIsRefusedWithoutWaiting) {
    TempDir dir;
    PosixFileSystem files;
    const auto fifo = dir / "Tbmp1000-8.bmp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    auto refusedAtOnce = [&](std::function<ErrorNumber()> call, int releaseFlags) {
        std::packaged_task<ErrorNumber()> task(std::move(call));
        auto result = task.get_future();
        std::thread worker(std::move(task));
        const bool waited = result.wait_for(std::chrono::seconds(10)) != std::future_status::ready;
        int release = -1;
        if (waited) release = ::open(fifo.c_str(), releaseFlags);
        worker.join();
        if (release >= 0) ::close(release);
        EXPECT_FALSE(waited) << "the call waited for the other end of the FIFO";
        return result.get();
    };
    const std::uint8_t data[] = {1, 2, 3};
    EXPECT_EQ(refusedAtOnce([&] { return files.writeFile(fifo.string(), data); }, O_RDONLY | O_NONBLOCK),
              ErrorNumber::PathFileAccessError);
    std::vector<std::uint8_t> read;
    EXPECT_EQ(refusedAtOnce([&] { return files.readFile(fifo.string(), read, SIZE_MAX); }, O_WRONLY | O_NONBLOCK),
              ErrorNumber::BadFileMode);
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST(WriteFile, AtomicWriteReplacesWholeAndLeavesNoTemporary) {
    TempDir dir;
    PosixFileSystem files;
    test::writeBytes(dir / "settings", test::Bytes(100, 'x'));
    const std::uint8_t data[] = {'n', 'e', 'w'};
    ASSERT_EQ(files.writeFileAtomic((dir / "settings").string(), data), ErrorNumber::None);
    EXPECT_EQ(test::readText(dir / "settings"), "new");
    EXPECT_EQ(test::listFiles(dir.path()), std::vector<std::string>{"settings"});
    EXPECT_EQ(files.writeFileAtomic((dir / "no/such/folder").string(), data), ErrorNumber::FileNotFound);
}

TEST(ErrorTable, TextsFollowTheirNumbers) {
    EXPECT_EQ(errorText(0), "No Error");
    EXPECT_EQ(errorText(9), "Subscript/Pointer out of range");
    EXPECT_EQ(errorText(75), "Path/file access error");
    EXPECT_EQ(errorText(76), "Path not found");
    EXPECT_EQ(errorText(242), "String space corrupt");
    EXPECT_EQ(errorText(1000), "No Error");   // above 255 counts as 0
    EXPECT_EQ(errorText(-5), "No Error");
    EXPECT_EQ(errorText(8), "");   // unlisted
    int listed = 0;
    for (int n = 0; n <= 255; ++n) listed += errorText(n).empty() ? 0 : 1;
    EXPECT_EQ(listed, 30);
}

TEST(Paths, EscapingKeepsNamesInsideTheirFolder) {
    EXPECT_EQ(escapeNameBytes("tSTR"), "tSTR");
    EXPECT_EQ(escapeNameBytes(std::string("a/b\\", 4)), "a%2Fb%5C");
    EXPECT_EQ(escapeNameBytes(std::string("\0\x01x%", 4)), "%00%01x%25");
    EXPECT_EQ(escapeNameBytes("..ab"), "%2E.ab");   // never hidden, never ".."
    EXPECT_EQ(withTrailingSeparator("out"), "out/");
    EXPECT_EQ(withTrailingSeparator("out/"), "out/");
    EXPECT_EQ(withTrailingSeparator(""), "");
    EXPECT_EQ(trimSpaces("  a b \t "), "a b \t");
}

}   // namespace
}   // namespace tesk

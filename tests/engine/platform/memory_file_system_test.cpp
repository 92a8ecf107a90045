// The in-memory file system: the same attribute vocabulary and replace rule as the disk, and the
// failures it produces on demand, since fuzzers and failure tests trust it to behave like a disk.
#include <gtest/gtest.h>

#include "platform/memory_file_system.hpp"

namespace tesk {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(MemoryFileSystem, AttributesMatchTheDiskVocabulary) {
    MemoryFileSystem fs;
    fs.addFile("/d/plain", {1});
    fs.addFile("/d/.hidden", {1});
    fs.addFile("/d/locked", {1}, attr::ReadOnly);
    fs.addLink("/d/link", "/d/plain");
    EXPECT_EQ(fs.attributes("/d/plain"), attr::Normal);
    EXPECT_EQ(fs.attributes("/d/.hidden"), attr::Hidden);
    EXPECT_EQ(fs.attributes("/d/locked"), attr::ReadOnly);
    EXPECT_EQ(fs.attributes("/d/"), attr::Directory);
    EXPECT_EQ(fs.attributes("/d/link"), attr::System);
    EXPECT_FALSE(fs.attributes("/d/missing").has_value());
    EXPECT_FALSE(fs.attributes("").has_value());
    for (auto name : {"/d/locked", "/d/link", "/d", "/d/.hidden"})
        EXPECT_EQ(replaceExistingOutput(fs, name), ErrorNumber::PathFileAccessError) << name;
    EXPECT_EQ(replaceExistingOutput(fs, "/d/plain"), ErrorNumber::None);
    EXPECT_FALSE(fs.attributes("/d/plain").has_value());
}

TEST(MemoryFileSystem, PathsResolveDotsByText) {
    EXPECT_EQ(MemoryFileSystem::normalise("a//b/./c/../d/"), "/a/b/d");
    EXPECT_EQ(MemoryFileSystem::normalise("/../../x"), "/x");
    EXPECT_EQ(MemoryFileSystem::normalise(""), "/");
    MemoryFileSystem fs;
    fs.addFolder("/out");
    EXPECT_EQ(fs.writeFile("/out/../escaped", Bytes{1}), ErrorNumber::None);
    EXPECT_EQ(fs.allPaths(), (std::vector<std::string>{"/", "/escaped", "/out"}));
}

TEST(MemoryFileSystem, WritesNeedAFolderAndNeverGoThroughLinks) {
    MemoryFileSystem fs;
    fs.addFile("/target", {9});
    fs.addLink("/out/link", "/target");
    EXPECT_EQ(fs.writeFile("/nowhere/x", Bytes{1}), ErrorNumber::PathNotFound);
    EXPECT_EQ(fs.writeFile("/out/link", Bytes{1}), ErrorNumber::PathFileAccessError);
    EXPECT_EQ(fs.contents("/target"), Bytes{9});
    Bytes read;
    EXPECT_EQ(fs.readFile("/out/link", read, SIZE_MAX), ErrorNumber::None);   // reads follow, as on disk
    EXPECT_EQ(read, Bytes{9});
    EXPECT_EQ(fs.readFile("/target", read, 0), ErrorNumber::OutOfMemory);
    EXPECT_EQ(fs.readFile("/out/missing", read, SIZE_MAX), ErrorNumber::FileNotFound);
    std::vector<std::string> names;
    EXPECT_EQ(fs.listFolder("/out", names), ErrorNumber::None);
    EXPECT_EQ(names, std::vector<std::string>{"link"});
}

TEST(MemoryFileSystem, FailsTheNthWriteAndLeavesNoHalfFile) {
    MemoryFileSystem fs;
    fs.addFolder("/out");
    fs.addFile("/out/kept", {5, 5});
    fs.failNthWrite(2);
    EXPECT_EQ(fs.writeFile("/out/a", Bytes{1}), ErrorNumber::None);
    EXPECT_EQ(fs.writeFile("/out/b", Bytes{1}), ErrorNumber::DiskFull);
    EXPECT_EQ(fs.writeFile("/out/c", Bytes{1}), ErrorNumber::None);
    EXPECT_FALSE(fs.contents("/out/b").has_value());
    // An atomic replacement that fails keeps the old content.
    fs.failNthWrite(1, ErrorNumber::DeviceIoError);
    EXPECT_EQ(fs.writeFileAtomic("/out/kept", Bytes{6}), ErrorNumber::DeviceIoError);
    EXPECT_EQ(fs.contents("/out/kept"), (Bytes{5, 5}));
    EXPECT_EQ(fs.writesAttempted(), 4u);
    EXPECT_EQ(fs.writesRefused(), 2u);
}

TEST(MemoryFileSystem, DiskFullCountsWhatIsStored) {
    MemoryFileSystem fs;
    fs.addFolder("/out");
    fs.setCapacity(10);
    EXPECT_EQ(fs.writeFile("/out/a", Bytes(6)), ErrorNumber::None);
    EXPECT_EQ(fs.writeFile("/out/b", Bytes(6)), ErrorNumber::DiskFull);
    EXPECT_EQ(fs.writeFileAtomic("/out/a", Bytes(10)), ErrorNumber::DiskFull);   // old and new side by side
    EXPECT_EQ(fs.writeFile("/out/a", Bytes(10)), ErrorNumber::None);             // truncation frees the old bytes
    EXPECT_EQ(fs.removeFile("/out/a"), ErrorNumber::None);
    EXPECT_EQ(fs.bytesStored(), 0u);
}

TEST(MemoryFileSystem, DeniedFoldersAndVanishingFiles) {
    MemoryFileSystem fs;
    fs.addFile("/locked/file", {1});
    fs.denyChanges("/locked");
    EXPECT_EQ(fs.writeFile("/locked/new", Bytes{1}), ErrorNumber::PermissionDenied);
    EXPECT_EQ(fs.writeFile("/locked/file", Bytes{2}), ErrorNumber::PermissionDenied);
    EXPECT_EQ(fs.removeFile("/locked/file"), ErrorNumber::PermissionDenied);
    EXPECT_EQ(fs.createFolder("/locked/sub"), ErrorNumber::PermissionDenied);
    EXPECT_EQ(fs.contents("/locked/file"), Bytes{1});

    fs.addFile("/v", {1});
    fs.vanishAfterCheck("/v");
    EXPECT_TRUE(PathExists(fs, "/v"));
    Bytes read;
    EXPECT_EQ(fs.readFile("/v", read, SIZE_MAX), ErrorNumber::FileNotFound);
    EXPECT_EQ(fs.renameFile("/v", "/w"), ErrorNumber::FileNotFound);
}

}   // namespace
}   // namespace tesk

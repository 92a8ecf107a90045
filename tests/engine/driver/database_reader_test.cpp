// The database reader: header fields, the resource table and the byte range of every entry,
// including tables that lie (out of order, past the end, cut off).
#include <gtest/gtest.h>

#include "driver/palm_database.hpp"
#include "platform/byte_reader.hpp"
#include "support/prc_builder.hpp"
#include "support/test_run.hpp"

namespace tesk {
namespace {

using test::Bytes;
using test::PrcBuilder;

PalmDatabase load(const Bytes& bytes) {
    PalmDatabase db;
    db.loadBytes(bytes);
    return db;
}

std::string viewText(const PalmDatabase& db, std::size_t i) {
    auto v = db.ResourceView(i);
    return {v.begin(), v.end()};
}

using test::text;

TEST(DatabaseReader, ReadsHeaderFieldsAndTable) {
    auto db = load(PrcBuilder{}
                       .name("My App")
                       .version(3)
                       .type("appl")
                       .creator("MyAp")
                       .resource("tSTR", 1000, text("hello"))
                       .resource("code", 1, text("xyz"))
                       .build());
    const auto& h = db.header();
    EXPECT_EQ(h.displayName(), "My App");
    EXPECT_EQ(h.version, 3);
    EXPECT_EQ(h.typeText(), "appl");
    EXPECT_EQ(h.creatorText(), "MyAp");
    ASSERT_EQ(db.entries().size(), 2u);
    EXPECT_EQ(db.entries()[0].typeText(), "tSTR");
    EXPECT_EQ(db.entries()[0].id, 1000);
    EXPECT_EQ(viewText(db, 0), "hello");
    EXPECT_EQ(viewText(db, 1), "xyz");
    EXPECT_TRUE(db.IsSupported());
}

TEST(DatabaseReader, NameOfThirtyTwoBytesShowsThirtyOne) {
    auto db = load(PrcBuilder{}.name(std::string(32, 'N')).build());
    EXPECT_EQ(db.header().displayName(), std::string(31, 'N'));
}

TEST(DatabaseReader, LastResourceRunsToTheEndOfTheFileIncludingPadding) {
    auto db = load(PrcBuilder{}.resource("tSTR", 1, text("ab")).trailer(text(std::string_view("\0\0pad", 5))).build());
    EXPECT_EQ(viewText(db, 0), std::string("ab\0\0pad", 7));
}

TEST(DatabaseReader, OutOfOrderResourcesTakeBytesUpToTheNextEntry) {
    // The table lists the later bytes first: entry 0's next offset is smaller than its own, so it
    // yields no data; entry 1, the last, runs from its offset to the end of the file.
    PrcBuilder b;
    b.resource("aaaa", 1, text("11")).resource("bbbb", 2, text("22"));
    const std::uint32_t first = 78 + 20 + 2;
    auto db = load(PrcBuilder{b}.entryOffset(0, first + 2).entryOffset(1, first).build());
    EXPECT_EQ(viewText(db, 0), "");
    EXPECT_EQ(viewText(db, 1), "1122");
}

TEST(DatabaseReader, OffsetsOutsideTheFileYieldNoBytes) {
    auto db = load(PrcBuilder{}
                       .resource("aaaa", 1, text("abc"))
                       .resource("bbbb", 2, text("de"))
                       .entryOffset(0, 0xFFFFFFF0u)
                       .build());
    EXPECT_TRUE(db.ResourceView(0).empty());
    EXPECT_EQ(viewText(db, 1), "de");
    auto past = load(PrcBuilder{}
                         .resource("aaaa", 1, text("abc"))
                         .resource("bbbb", 2, text("de"))
                         .entryOffset(1, 0x7FFFFFFF)
                         .build());
    EXPECT_EQ(viewText(past, 0), "abcde");   // cut at the end of the file
    EXPECT_TRUE(past.ResourceView(1).empty());
}

TEST(DatabaseReader, RefusesRecordDatabasesAndClipboardCreator) {
    EXPECT_FALSE(load(PrcBuilder{}.attributes(0).build()).IsSupported());
    EXPECT_FALSE(load(PrcBuilder{}.creator("clpr").resource("tSTR", 1, text("x")).build()).IsSupported());
    EXPECT_TRUE(load(PrcBuilder{}.creator("CLPR").build()).IsSupported());   // exact comparison
}

TEST(DatabaseReader, ShortAndEmptyFilesAreReadAsFarAsTheyGo) {
    EXPECT_FALSE(load({}).IsSupported());
    EXPECT_FALSE(load(PrcBuilder{}.truncate(33).build()).IsSupported());   // attributes cut in half: zero
    auto cut = load(PrcBuilder{}.resource("tSTR", 1, text("x")).truncate(40).build());
    EXPECT_TRUE(cut.IsSupported());   // creator and count lie beyond the cut and read as zero
    EXPECT_TRUE(cut.entries().empty());
}

TEST(DatabaseReader, TableCutOffKeepsOnlyWholeEntries) {
    auto bytes = PrcBuilder{}.resource("aaaa", 1, {}).resource("bbbb", 2, {}).resource("cccc", 3, {}).build();
    bytes.resize(78 + 25);   // two whole entries and half of the third
    auto db = load(bytes);
    EXPECT_EQ(db.header().entryCount, 3);
    ASSERT_EQ(db.entries().size(), 2u);
    for (std::size_t i = 0; i < db.entries().size(); ++i) EXPECT_TRUE(db.ResourceView(i).empty());
}

TEST(DatabaseReader, EntryCountIsUnsigned) {
    // 0x8000 declared entries: a signed count would be negative and read nothing.
    PrcBuilder b;
    for (int i = 0; i < 0x8000; ++i) b.resource("tSTR", static_cast<std::uint16_t>(i), {});
    auto db = load(b.build());
    EXPECT_EQ(db.header().entryCount, 0x8000);
    EXPECT_EQ(db.entries().size(), 0x8000u);
}

// A file larger than any table can address is refused before a byte of it is read (a sparse
// file: nothing is written to the disk for it).
TEST(DatabaseReader, FilesAboveFourGibibytesAreNotRead) {
    test::TempDir dir;
    const auto path = dir / "huge.prc";
    test::writeBytes(path, PrcBuilder{}.build());
    std::filesystem::resize_file(path, kLargestDatabaseBytes + 1);
    NativeFileSystem files;
    PalmDatabase db;
    EXPECT_EQ(db.load(files, path.string()), ErrorNumber::OutOfMemory);
    EXPECT_EQ(db.fileSize(), 0);
    std::filesystem::resize_file(path, 200);
    EXPECT_EQ(db.load(files, path.string()), ErrorNumber::None);
    EXPECT_EQ(db.fileSize(), 200);
}

TEST(ByteReader, ReadsPastTheEndAsZeroAndRemembersIt) {
    const std::uint8_t bytes[] = {0x12, 0x34, 0x56};
    ByteReader r{bytes};
    EXPECT_EQ(r.be16(), 0x1234);
    EXPECT_FALSE(r.overran());
    EXPECT_EQ(r.be16(), 0x5600);
    EXPECT_TRUE(r.overran());
    EXPECT_EQ(r.u8(), 0);
    EXPECT_TRUE(r.overran());
    EXPECT_EQ(ReadBigEndian16(bytes, 0), 0x1234);
    EXPECT_EQ(ReadBigEndian16(std::span<const std::uint8_t>{}, 0), 0);
    const std::uint8_t neg[] = {0xFF, 0xFE, 0x00, 0x01};
    EXPECT_EQ(ReadBigEndian16(neg, 0), -2);
    EXPECT_EQ(ReadBigEndian32(neg, 0), 0xFFFE0001u);
    ByteReader huge{bytes};
    huge.skip(SIZE_MAX);
    EXPECT_TRUE(huge.take(1).empty());
    EXPECT_TRUE(huge.overran());
}

}   // namespace
}   // namespace tesk

#include <gtest/gtest.h>

#include "support/users_dat_builder.hpp"
#include "users_dat.hpp"

namespace varnel {
namespace {

using test::Bytes;
using test::UsersDatBuilder;
using Status = UsersDat::Status;
using B = UsersDatBuilder;
using Strings = std::vector<std::string>;

Bytes str(const char* text) { return test::archiveString(text); }

TEST(UsersDatNumbers, ReadLittleEndianGivesZeroWhenTheDataEnds) {
    Bytes bytes{0x34, 0x12, 0x7F};
    tesk::ByteReader in{bytes};
    EXPECT_EQ(ReadLittleEndian(in), 0x1234);
    EXPECT_EQ(ReadLittleEndian(in), 0);   // one byte left is not a number
    EXPECT_TRUE(in.overran());
}

TEST(UsersDatStrings, LengthByteForms) {
    std::vector<std::string> notes;
    bool fatal = false;
    std::string longText(300, 'x');
    Bytes bytes{0x00, 0x03, 'A', 'n', 'n'};
    auto longForm = test::archiveString(longText);
    bytes.insert(bytes.end(), longForm.begin(), longForm.end());
    tesk::ByteReader in{bytes};
    EXPECT_EQ(ReadArchiveString(in, notes, fatal), NullMarker);
    EXPECT_EQ(ReadArchiveString(in, notes, fatal), "Ann");
    EXPECT_EQ(ReadArchiveString(in, notes, fatal), longText);
    EXPECT_FALSE(fatal);
    EXPECT_TRUE(notes.empty());
}

TEST(UsersDatStrings, LongZeroZeroIsNotedAndReadingStartsOver) {
    std::vector<std::string> notes;
    bool fatal = false;
    Bytes bytes{0xFF, 0x00, 0x00, 0x00, 0x00, 0x02, 'J', 'o'};
    tesk::ByteReader in{bytes};
    EXPECT_EQ(ReadArchiveString(in, notes, fatal), "Jo");
    EXPECT_FALSE(fatal);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], "Unexpected Long before cString found");
}

TEST(UsersDatStatus, HeaderTrailerAndSequencingFaults) {
    Bytes badSchema{0xFF, 0xFF, 0x02, 0x00};
    struct Case {
        const char* what;
        Bytes file;
        Status status;
    };
    for (const auto& c : std::vector<Case>{
             {"wrong class tag", B{}.user("Ann", "AnnF").classTag(0x1234).build(), Status::NoClassEntry},
             {"wrong schema", B{}.user("Ann", "AnnF").schema(2).build(), Status::NoConstant1},
             {"empty file", Bytes{}, Status::NoClassEntry},
             {"wrong schema in a trailer", B{}.rawUser(str("A"), str("AF"), badSchema).build(), Status::NoConstant1},
             {"long zero then non-zero", B{}.rawUser({0xFF, 0x00, 0x00, 0x05, 0x00}, str("f"), {}).build(),
              Status::SequencingError},
         }) {
        EXPECT_EQ(parseUsersDat(c.file).status, c.status) << c.what;
    }
}

// Each record's end is found by its trailer; a wrong end would shift the next user's fields.
TEST(UsersDatRecords, NamesFoldersAndNotesInFileOrder) {
    auto conduit = [](const Bytes& array) {
        return B{}
            .rawUser(str("Ann"), str("AnnF"), test::classEntryTrailer("CSyncUser", array))
            .user("Bo", "BoF")
            .build();
    };
    // 0x8001 ends the record without any conduit array; words before it are passed over.
    Bytes endWord{0x34, 0x12, 0x01, 0x80};
    struct Case {
        const char* what;
        Bytes file;
        Strings names;
        Strings folders;
        Strings notes = {};
    };
    for (const auto& c : std::vector<Case>{
             {"single user", B{}.user("Ann Lee", "LeeA").build(), {"Ann Lee"}, {"LeeA"}},
             {"same name twice", B{}.user("Sam", "Sam1").user("Sam", "Sam2").build(), {"Sam", "Sam"}, {"Sam1", "Sam2"}},
             {"count zero", B{}.user("Ann", "A").count(0).build(), {}, {}},
             {"negative count", B{}.user("Ann", "A").count(-3).build(), {}, {}},
             {"null marker name and extra bytes",
              B{}.rawUser({0x00}, str("Anon"), test::classEntryTrailer(), 6).user("Bo", "BoF").build(),
              {std::string(NullMarker), "Bo"},
              {"Anon", "BoF"}},
             {"conduit 0x80 first ends at once", conduit({0x80}), {"Ann", "Bo"}, {"AnnF", "BoF"}},
             {"conduit 3, 0x80 does not end it", conduit({0x03, 0x80, 0x01, 0x80}), {"Ann", "Bo"}, {"AnnF", "BoF"}},
             {"conduit 5, 0x80 is noted and the scan goes on",
              conduit({0x05, 0x80, 0x01, 0x80}),
              {"Ann", "Bo"},
              {"AnnF", "BoF"},
              {"Expected 1 or 3 before 0x80 byte in conduit array"}},
             {"end word, class reference",
              B{}.rawUser(str("A"), str("AF"), endWord)
                  .rawUser(str("B"), str("BF"), test::classReferenceTrailer({0x02, 0x01, 0x80}))
                  .user("C", "CF")
                  .build(),
              {"A", "B", "C"},
              {"AF", "BF", "CF"}},
         }) {
        auto users = parseUsersDat(c.file);
        EXPECT_EQ(users.status, Status::Ok) << c.what;
        EXPECT_EQ(users.names, c.names) << c.what;
        EXPECT_EQ(users.folders, c.folders) << c.what;
        EXPECT_EQ(users.notes, c.notes) << c.what;
        EXPECT_FALSE(users.truncated) << c.what;
    }
}

TEST(UsersDatRecords, MoreThanSeventeenUsersAreAllKept) {
    UsersDatBuilder b;
    for (int i = 0; i < 40; ++i) b.user("User" + std::to_string(i), "F" + std::to_string(i));
    auto users = parseUsersDat(b.build());
    ASSERT_EQ(users.names.size(), 40u);
    EXPECT_EQ(users.names[39], "User39");
    EXPECT_EQ(users.folders[17], "F17");
}

TEST(UsersDatTruncated, EveryCutKeepsOnlyWholeUsersAndNeverInventsOne) {
    auto full = B{}.user("Ann", "AnnF").user("Bob", "BobF").build();
    const auto whole = parseUsersDat(full);
    ASSERT_EQ(whole.names.size(), 2u);
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        Bytes part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
        auto users = parseUsersDat(part);
        ASSERT_EQ(users.names.size(), users.folders.size());
        ASSERT_LE(users.names.size(), 2u) << cut;
        for (std::size_t i = 0; i < users.names.size(); ++i) {
            EXPECT_EQ(users.names[i], whole.names[i]) << cut;
            EXPECT_EQ(users.folders[i], whole.folders[i]) << cut;
        }
        if (users.status == Status::Ok && users.names.size() < 2) {
            EXPECT_TRUE(users.truncated) << cut;
        }
    }
}

}   // namespace
}   // namespace varnel

#include <gtest/gtest.h>

#include "support/users_dat_builder.hpp"
#include "users_dat.hpp"

namespace varnel {
namespace {

using test::Bytes;
using test::UsersDatBuilder;
using Status = UsersDat::Status;

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

TEST(UsersDatStrings, LongZeroThenNonZeroIsTheSequencingError) {
    auto file = UsersDatBuilder{}.rawUser({0xFF, 0x00, 0x00, 0x05, 0x00}, test::archiveString("f"), {}).build();
    EXPECT_EQ(parseUsersDat(file).status, Status::SequencingError);
}

TEST(UsersDatHeader, ClassTagAndSchemaAreChecked) {
    EXPECT_EQ(parseUsersDat(UsersDatBuilder{}.user("Ann", "AnnF").classTag(0x1234).build()).status,
              Status::NoClassEntry);
    EXPECT_EQ(parseUsersDat(UsersDatBuilder{}.user("Ann", "AnnF").schema(2).build()).status, Status::NoConstant1);
    EXPECT_EQ(parseUsersDat(Bytes{}).status, Status::NoClassEntry);
}

TEST(UsersDatRecords, SingleUserAndDuplicateNamesInFileOrder) {
    auto one = parseUsersDat(UsersDatBuilder{}.user("Ann Lee", "LeeA").build());
    EXPECT_EQ(one.status, Status::Ok);
    EXPECT_EQ(one.names, std::vector<std::string>{"Ann Lee"});
    EXPECT_EQ(one.folders, std::vector<std::string>{"LeeA"});

    auto two = parseUsersDat(UsersDatBuilder{}.user("Sam", "Sam1").user("Sam", "Sam2").build());
    EXPECT_EQ(two.names, (std::vector<std::string>{"Sam", "Sam"}));
    EXPECT_EQ(two.folders, (std::vector<std::string>{"Sam1", "Sam2"}));
    EXPECT_FALSE(two.truncated);
}

TEST(UsersDatRecords, CountZeroOrNegativeGivesNoUsers) {
    auto zero = parseUsersDat(UsersDatBuilder{}.user("Ann", "A").count(0).build());
    EXPECT_EQ(zero.status, Status::Ok);
    EXPECT_TRUE(zero.names.empty());
    EXPECT_TRUE(parseUsersDat(UsersDatBuilder{}.user("Ann", "A").count(-3).build()).names.empty());
}

TEST(UsersDatRecords, NullMarkerNameAndExtraBytes) {
    auto file = UsersDatBuilder{}
                    .rawUser({0x00}, test::archiveString("Anon"), test::classEntryTrailer(), 6)
                    .user("Bo", "BoF")
                    .build();
    auto users = parseUsersDat(file);
    EXPECT_EQ(users.names, (std::vector<std::string>{std::string(NullMarker), "Bo"}));
    EXPECT_EQ(users.folders, (std::vector<std::string>{"Anon", "BoF"}));
}

TEST(UsersDatRecords, MoreThanSeventeenUsersAreAllKept) {
    UsersDatBuilder b;
    for (int i = 0; i < 40; ++i) b.user("User" + std::to_string(i), "F" + std::to_string(i));
    auto users = parseUsersDat(b.build());
    ASSERT_EQ(users.names.size(), 40u);
    EXPECT_EQ(users.names[39], "User39");
    EXPECT_EQ(users.folders[17], "F17");
}

// Each record's end is found by its trailer; a wrong end would shift the next user's fields.
TEST(UsersDatTrailer, ConduitArrayEnds) {
    struct Case {
        const char* what;
        Bytes conduit;
        std::size_t notes;
    };
    for (const auto& c : std::vector<Case>{
             {"0x80 first ends at once", {0x80}, 0},
             {"3, 0x80 does not end it", {0x03, 0x80, 0x01, 0x80}, 0},
             {"5, 0x80 is noted and the scan goes on", {0x05, 0x80, 0x01, 0x80}, 1},
         }) {
        auto file = UsersDatBuilder{}
                        .rawUser(test::archiveString("Ann"), test::archiveString("AnnF"),
                                 test::classEntryTrailer("CSyncUser", c.conduit))
                        .user("Bo", "BoF")
                        .build();
        auto users = parseUsersDat(file);
        EXPECT_EQ(users.folders, (std::vector<std::string>{"AnnF", "BoF"})) << c.what;
        EXPECT_EQ(users.notes.size(), c.notes) << c.what;
        if (c.notes) {
            EXPECT_EQ(users.notes[0], "Expected 1 or 3 before 0x80 byte in conduit array") << c.what;
        }
    }
}

TEST(UsersDatTrailer, EndWordAndIgnoredWordsAndClassReference) {
    // 0x8001 ends the record without any conduit array; words before it are passed over.
    Bytes endWord{0x34, 0x12, 0x01, 0x80};
    Bytes reference = test::classReferenceTrailer({0x02, 0x01, 0x80});
    auto users = parseUsersDat(UsersDatBuilder{}
                                   .rawUser(test::archiveString("A"), test::archiveString("AF"), endWord)
                                   .rawUser(test::archiveString("B"), test::archiveString("BF"), reference)
                                   .user("C", "CF")
                                   .build());
    EXPECT_EQ(users.folders, (std::vector<std::string>{"AF", "BF", "CF"}));

    Bytes badSchema{0xFF, 0xFF, 0x02, 0x00};
    EXPECT_EQ(
        parseUsersDat(UsersDatBuilder{}.rawUser(test::archiveString("A"), test::archiveString("AF"), badSchema).build())
            .status,
        Status::NoConstant1);
}

TEST(UsersDatTruncated, EveryCutKeepsOnlyWholeUsersAndNeverInventsOne) {
    auto full = UsersDatBuilder{}.user("Ann", "AnnF").user("Bob", "BobF").build();
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

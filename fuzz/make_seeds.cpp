// Writes the seed corpora of the fuzz targets, built with the test fixture builders, into
// <folder>/<target>/. Seeds are kept few and small; the fuzzers grow their own corpora.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include <archive.h>
#include <archive_entry.h>

#include "support/bitmap_builder.hpp"
#include "support/prc_builder.hpp"
#include "support/users_dat_builder.hpp"

using tesk::test::BitmapBuilder;
using tesk::test::Bytes;
using tesk::test::Compression;
using tesk::test::FamilyBuilder;
using tesk::test::PrcBuilder;

namespace {

std::filesystem::path root;

void seed(const std::string& target, const std::string& name, const Bytes& bytes) {
    auto dir = root / target;
    std::filesystem::create_directories(dir);
    std::ofstream f(dir / name, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

using tesk::test::text;
Bytes join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::uint16_t> ramp(int n, int mod) {
    std::vector<std::uint16_t> v;
    for (int i = 0; i < n; ++i) v.push_back(static_cast<std::uint16_t>(i % mod));
    return v;
}

std::vector<Bytes> families() {
    std::vector<Bytes> out;
    out.push_back(BitmapBuilder().version(0).depth(1).size(16, 4).values(ramp(64, 2)).build());
    out.push_back(
        BitmapBuilder().version(1).depth(2).size(8, 4).values(ramp(32, 4)).compress(Compression::ScanLine).build());
    out.push_back(FamilyBuilder()
                      .add(BitmapBuilder().version(1).depth(1).size(8, 8).values(ramp(64, 2)))
                      .add(BitmapBuilder()
                               .version(2)
                               .depth(8)
                               .size(8, 8)
                               .values(ramp(64, 256))
                               .compress(Compression::Rle)
                               .transparentIndex(3))
                      .add(BitmapBuilder()
                               .version(3)
                               .depth(16)
                               .density(144)
                               .size(16, 16)
                               .values(ramp(256, 65535))
                               .compress(Compression::PackBits))
                      .build());
    out.push_back(BitmapBuilder()
                      .version(2)
                      .depth(4)
                      .size(6, 3)
                      .values(ramp(18, 16))
                      .colourTable({{0, 0, 0}, {255, 0, 0}, {0, 255, 0}})
                      .build());
    out.push_back(BitmapBuilder()
                      .version(3)
                      .depth(16)
                      .size(4, 4)
                      .values(ramp(16, 65535))
                      .littleEndian(2)
                      .transparent565(0x1234)
                      .build());
    out.push_back(FamilyBuilder()
                      .add(BitmapBuilder().version(3).depth(8).size(4, 2).values(ramp(8, 256)))
                      .dummy()
                      .add(BitmapBuilder().version(3).depth(8).density(144).size(8, 4).values(ramp(32, 256)))
                      .build());
    out.push_back(FamilyBuilder().add(BitmapBuilder().version(3).depth(1).size(8, 1)).loop().build());
    return out;
}

// An archive in memory, written by libarchive: members with data, or links (a target, no data).
struct Member {
    std::string name;
    Bytes data;
    std::string link = {};
};
Bytes archiveOf(int format, int filter, const std::vector<Member>& members) {
    archive* a = archive_write_new();
    archive_write_set_format(a, format);
    if (filter != ARCHIVE_FILTER_NONE) archive_write_add_filter(a, filter);
    Bytes out(1 << 20);
    std::size_t used = 0;
    archive_write_open_memory(a, out.data(), out.size(), &used);
    for (const auto& m : members) {
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname(e, m.name.c_str());
        archive_entry_set_perm(e, 0644);
        archive_entry_set_filetype(e, m.link.empty() ? AE_IFREG : AE_IFLNK);
        if (!m.link.empty()) archive_entry_set_symlink(e, m.link.c_str());
        archive_entry_set_size(e, static_cast<la_int64_t>(m.data.size()));
        archive_write_header(a, e);
        if (!m.data.empty()) archive_write_data(a, m.data.data(), m.data.size());
        archive_entry_free(e);
    }
    archive_write_close(a);
    archive_write_free(a);
    out.resize(used);
    return out;
}

}   // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
    root = argv[1];
    const auto fams = families();

    // Bitmap families: choice byte, option byte, resource.
    for (std::size_t i = 0; i < fams.size(); ++i)
        seed("bitmap_family", "family-" + std::to_string(i),
             join({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 37)}, fams[i]));

    // Whole runs: format, options (2), layout, width, height, table size (2), table, database.
    // Layout bits: 1 sort, 6 resize, 0x10 text file, 0x20 data folder, 0x40 failing write, 0x80 full disk.
    auto db = [&](std::size_t from, std::size_t to) {
        PrcBuilder b;
        b.type("appl").creator("TEST");
        for (std::size_t i = from; i < to && i < fams.size(); ++i)
            b.resource(i % 3 == 2 ? "tAIB" : "Tbmp", static_cast<std::uint16_t>(1000 + i), fams[i]);
        b.resource("abmp", 2000, fams[2]);
        b.resource("code", 1, {0x4E, 0x75});
        b.resource("../", 7, {1, 2, 3});
        return b.build();
    };
    const std::string table =
        "Tbmp1000 = star\r\n//comment\nTbmp1001 = \\icons\\moon\ncode0001=..\\escape\nabmp2000 = anim\n";
    const struct {
        std::uint8_t format;
        std::uint16_t options;
        std::uint8_t layout;
        bool withTable;
    } runs[] = {
        {0, 0x0080, 0x00, false}, {1, 0x00A0, 0x11, false}, {2, 0x0090, 0x33, false},
        {2, 0x3080, 0x15, true},  {0, 0x5180, 0x24, true},  {1, 0x0A80, 0x10, false},
        {0, 0x0080, 0x50, false}, {2, 0x00A0, 0x91, false},   // a failing write, a disk that fills up
    };
    int n = 0;
    for (const auto& r : runs) {
        Bytes in{
            r.format, static_cast<std::uint8_t>(r.options), static_cast<std::uint8_t>(r.options >> 8), r.layout, 32,
            24};
        const auto t = r.withTable ? text(table) : Bytes{};
        in.push_back(static_cast<std::uint8_t>(t.size()));
        in.push_back(static_cast<std::uint8_t>(t.size() >> 8));
        in = join(join(in, t), db(static_cast<std::size_t>(n), static_cast<std::size_t>(n) + 3));
        seed("extraction", "run-" + std::to_string(n++), in);
    }

    // Name tables: choice byte, table.
    seed("name_table", "plain", join({0x00}, text(table)));
    seed("name_table", "folders",
         join({0x05}, text("Tbmp1000=\\a\\b\\c\nDATA0001 = \\x\\y\ntAIB1000=/abs\nk=C:\\x\n")));
    seed("name_table", "hostile", join({0x0B}, text("a=..\\..\\up\nb=link\\in\nc=\\.hidden\\x\nd=ok = more\n")));

    // User lists.
    using varnel::test::UsersDatBuilder;
    seed("users_dat", "two", UsersDatBuilder().user("Jo Smith", "SmithJ").user("Ann", "AnnB").build());
    seed("users_dat", "reference",
         UsersDatBuilder().user("A", "a").rawUser(text("B"), text("b"), varnel::test::classReferenceTrailer()).build());
    seed("users_dat", "long-name", UsersDatBuilder().user(std::string(300, 'x'), "f").build());

    // Default.txt: choice byte, file.
    const std::string prefs =
        "[Settings]\r\n;CalendarDatabasePath = (file) C:\\old\\commented.mdb\r\nWindowWidth = (integer) 800\r\n"
        "calendardatabasepath = (file) C:\\old\\datebook.mdb\r\nContactsDatabasePath = (file) C:\\old\\address.mdb\r\n"
        "TASKSDATABASEPATH = (file)\r\nMemoPadDatabasePath = (file) x\r\nSynchronizeWithPalmOS = (boolean) false\r\n";
    seed("default_txt", "newer", join({0x02}, text(prefs)));
    seed("default_txt", "install", join({0x04}, text(prefs)));
    seed("default_txt", "failing", join({0x18}, text(prefs)));
    seed("default_txt", "missing", join({0x00}, text("CalendarDatabasePath = (file) a\n")));

    // Settings files: file, section, key, value, operation.
    const std::string ini = "[Main]\r\nSkin = \"Blue\"\r\n; note\r\nScale=2\r\n\r\n[Recent]\nFile1=a.prc\nfile1=dup\n";
    auto iniSeed = [&](const std::string& name, std::string section, std::string key, std::string value,
                       std::uint8_t op) {
        Bytes b = text(ini);
        for (auto* part : {&section, &key, &value}) {
            b.push_back(0);
            b = join(b, text(*part));
        }
        b.push_back(0);
        b.push_back(op);
        seed("ini", name, b);
    };
    iniSeed("set", "Main", "Skin", "Green", 0);
    iniSeed("new-section", "New", "k", "v\r\nplanted=1", 0);
    iniSeed("delete-key", "recent", "FILE1", "", 1);
    iniSeed("delete-section", "Main", "", "", 2);

    // Registry files: file, key, value name, value.
    const std::string reg =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Palm]\r\n\"Path\"=\"C:\\\\Palm\\\\\"\r\n@=\"default\"\r\n"
        "\"Num\"=dword:00000010\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Shared "
        "Tools\\MSInfo]\r\n\"Path\"=\"msinfo\"\r\n";
    auto regSeed = [&](const std::string& name, const std::string& file, std::string key, std::string value,
                       std::string v) {
        Bytes b = text(file);
        for (auto* part : {&key, &value, &v}) {
            b.push_back(0);
            b = join(b, text(*part));
        }
        seed("registry", name, b);
    };
    regSeed("read", reg, "Software\\Palm", "Path", "C:\\new \"quoted\"");
    regSeed("machine", reg, "Software\\Microsoft\\Shared Tools\\MSInfo", "Path", "x");
    regSeed("empty", "", "Software\\New", "Name", "value");
    Bytes utf16{0xFF, 0xFE};
    for (char c :
         std::string("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"V\"=\"w\"\r\n")) {
        utf16.push_back(static_cast<std::uint8_t>(c));
        utf16.push_back(0);
    }
    seed("registry", "utf16", join({0x01}, utf16));

    // Bitmap files: choice byte (format, sort, index, ending), stem, NUL, file.
    const std::string stems[] = {"icon",
                                 " spaced name ",
                                 "a:b=c\\d%41",
                                 std::string(199, 'n') + " tail after the cut",
                                 "Gr\xC3\xB6\xC3\x9F"
                                 "e",
                                 ".hidden",
                                 "Tbmp0000"};
    for (std::size_t i = 0; i < fams.size(); ++i) {
        auto b = join({static_cast<std::uint8_t>(i * 9 + 0x20)}, text(stems[i % std::size(stems)]));
        b.push_back(0);
        seed("standalone_bitmap", "family-" + std::to_string(i), join(b, fams[i]));
    }
    seed("standalone_bitmap", "database", join(join({0x31}, text("db")), join({0}, db(0, 2))));

    // Archives: choice byte (the name: 0 zip, 1 tar, 2 tar.gz, 3 tgz, 4 tar.bz2, 5 tar.xz, 6 tar.zst,
    // 7 7z, 8 ZIP, 9 .prc, 10 no ending; 0x80 found by a walk), option byte, archive.
    const std::vector<Member> members = {
        {"apps/one.prc", db(0, 2)},        {"apps/two.PDB", db(2, 4)},
        {"pictures/star.palm", fams[2]},   {"pictures/not-a-bitmap.palm", text("plain text")},
        {"readme.txt", text("not read")},  {"../climbs.prc", db(4, 5)},
        {"/absolute/three.prc", db(5, 7)}, {"linked.prc", {}, "apps/one.prc"},
        {"apps/one.prc", db(1, 2)},   // the same name twice
    };
    const struct {
        int format, filter;
        std::uint8_t choice;
    } kinds[] = {
        {ARCHIVE_FORMAT_ZIP, ARCHIVE_FILTER_NONE, 0},
        {ARCHIVE_FORMAT_TAR_PAX_RESTRICTED, ARCHIVE_FILTER_NONE, 1},
        {ARCHIVE_FORMAT_TAR_USTAR, ARCHIVE_FILTER_GZIP, 2},
        {ARCHIVE_FORMAT_TAR_PAX_RESTRICTED, ARCHIVE_FILTER_BZIP2, 4},
        {ARCHIVE_FORMAT_TAR_USTAR, ARCHIVE_FILTER_XZ, 5},
        {ARCHIVE_FORMAT_TAR_PAX_RESTRICTED, ARCHIVE_FILTER_ZSTD, 6},
        {ARCHIVE_FORMAT_7ZIP, ARCHIVE_FILTER_NONE, 7},
        {ARCHIVE_FORMAT_ZIP, ARCHIVE_FILTER_NONE, 0x8A},
        {ARCHIVE_FORMAT_TAR_USTAR, ARCHIVE_FILTER_GZIP, 0x83},
    };
    n = 0;
    for (const auto& k : kinds) {
        const auto bytes = archiveOf(k.format, k.filter, members);
        seed("archive", "archive-" + std::to_string(n), join({k.choice, static_cast<std::uint8_t>(n * 11)}, bytes));
        const std::map<int, std::uint8_t> listed = {{0, 3}, {1, 6}, {2, 4}, {6, 5}};   // zip, tar, tar.gz, 7z
        if (listed.contains(n)) seed("listing", "archive-" + std::to_string(n), join({listed.at(n)}, bytes));
        ++n;
    }
    seed("archive", "empty-zip", join({0x00, 0x01}, archiveOf(ARCHIVE_FORMAT_ZIP, ARCHIVE_FILTER_NONE, {})));

    // Listings: choice byte (the name: 0 .prc, 1 .palm, 2 no ending, 3 zip, 4 tar.gz, 5 7z, 6 tar;
    // 0x40 a second copy, 0x80 text), file.
    seed("listing", "database", join({0x00}, db(0, 4)));
    seed("listing", "database-twice", join({0x42}, db(3, 7)));
    seed("listing", "database-text", join({0x80}, db(1, 3)));
    seed("listing", "bitmap", join({0x01}, fams[2]));
    seed("listing", "bitmap-without-ending", join({0x02}, fams[4]));
    PrcBuilder odd;
    odd.name("caf\xE9 \x01\"quoted\\").type(std::string("\xFF\0ab", 4)).creator("%/..");
    odd.resource("Tbmp", 1, fams[0]).resource("Tbmp", 1, fams[6]).resource("\x80\x81\x82\x83", 2, {1, 2});
    seed("listing", "odd-names", join({0x00}, odd.build()));
    seed("listing", "refused", join({0x00}, text("no database")));
    return 0;
}

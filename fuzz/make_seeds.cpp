// Writes the seed corpora of the fuzz targets, built with the test fixture builders, into
// <folder>/<target>/. Seeds are kept few and small; the fuzzers grow their own corpora.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

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
Bytes join(Bytes a, const Bytes& b) { a.insert(a.end(), b.begin(), b.end()); return a; }

std::vector<std::uint16_t> ramp(int n, int mod) {
    std::vector<std::uint16_t> v;
    for (int i = 0; i < n; ++i) v.push_back(static_cast<std::uint16_t>(i % mod));
    return v;
}

std::vector<Bytes> families() {
    std::vector<Bytes> out;
    out.push_back(BitmapBuilder().version(0).depth(1).size(16, 4).values(ramp(64, 2)).build());
    out.push_back(BitmapBuilder().version(1).depth(2).size(8, 4).values(ramp(32, 4)).compress(Compression::ScanLine).build());
    out.push_back(FamilyBuilder()
                      .add(BitmapBuilder().version(1).depth(1).size(8, 8).values(ramp(64, 2)))
                      .add(BitmapBuilder().version(2).depth(8).size(8, 8).values(ramp(64, 256)).compress(Compression::Rle).transparentIndex(3))
                      .add(BitmapBuilder().version(3).depth(16).density(144).size(16, 16).values(ramp(256, 65535)).compress(Compression::PackBits))
                      .build());
    out.push_back(BitmapBuilder().version(2).depth(4).size(6, 3).values(ramp(18, 16)).colourTable({{0, 0, 0}, {255, 0, 0}, {0, 255, 0}}).build());
    out.push_back(BitmapBuilder().version(3).depth(16).size(4, 4).values(ramp(16, 65535)).littleEndian(2).transparent565(0x1234).build());
    out.push_back(FamilyBuilder().add(BitmapBuilder().version(3).depth(8).size(4, 2).values(ramp(8, 256))).dummy()
                      .add(BitmapBuilder().version(3).depth(8).density(144).size(8, 4).values(ramp(32, 256))).build());
    out.push_back(FamilyBuilder().add(BitmapBuilder().version(3).depth(1).size(8, 1)).loop().build());
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
    root = argv[1];
    const auto fams = families();

    // Bitmap families: choice byte, option byte, resource.
    for (std::size_t i = 0; i < fams.size(); ++i)
        seed("bitmap_family", "family-" + std::to_string(i), join({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 37)}, fams[i]));

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
    const std::string table = "Tbmp1000 = star\r\n//comment\nTbmp1001 = \\icons\\moon\ncode0001=..\\escape\nabmp2000 = anim\n";
    const struct { std::uint8_t format; std::uint16_t options; std::uint8_t layout; bool withTable; } runs[] = {
        {0, 0x0080, 0x00, false}, {1, 0x00A0, 0x11, false}, {2, 0x0090, 0x33, false},
        {2, 0x3080, 0x15, true}, {0, 0x5180, 0x24, true}, {1, 0x0A80, 0x10, false},
        {0, 0x0080, 0x50, false}, {2, 0x00A0, 0x91, false},   // a failing write, a disk that fills up
    };
    int n = 0;
    for (const auto& r : runs) {
        Bytes in{r.format, static_cast<std::uint8_t>(r.options), static_cast<std::uint8_t>(r.options >> 8), r.layout, 32, 24};
        const auto t = r.withTable ? text(table) : Bytes{};
        in.push_back(static_cast<std::uint8_t>(t.size()));
        in.push_back(static_cast<std::uint8_t>(t.size() >> 8));
        in = join(join(in, t), db(static_cast<std::size_t>(n), static_cast<std::size_t>(n) + 3));
        seed("extraction", "run-" + std::to_string(n++), in);
    }

    // Name tables: choice byte, table.
    seed("name_table", "plain", join({0x00}, text(table)));
    seed("name_table", "folders", join({0x05}, text("Tbmp1000=\\a\\b\\c\nDATA0001 = \\x\\y\ntAIB1000=/abs\nk=C:\\x\n")));
    seed("name_table", "hostile", join({0x0B}, text("a=..\\..\\up\nb=link\\in\nc=\\.hidden\\x\nd=ok = more\n")));

    // User lists.
    using varnel::test::UsersDatBuilder;
    seed("users_dat", "two", UsersDatBuilder().user("Jo Smith", "SmithJ").user("Ann", "AnnB").build());
    seed("users_dat", "reference", UsersDatBuilder().user("A", "a")
                                       .rawUser(text("B"), text("b"), varnel::test::classReferenceTrailer()).build());
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
    auto iniSeed = [&](const std::string& name, std::string section, std::string key, std::string value, std::uint8_t op) {
        Bytes b = text(ini);
        for (auto* part : {&section, &key, &value}) { b.push_back(0); b = join(b, text(*part)); }
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
        "\"Num\"=dword:00000010\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Shared Tools\\MSInfo]\r\n\"Path\"=\"msinfo\"\r\n";
    auto regSeed = [&](const std::string& name, const std::string& file, std::string key, std::string value, std::string v) {
        Bytes b = text(file);
        for (auto* part : {&key, &value, &v}) { b.push_back(0); b = join(b, text(*part)); }
        seed("registry", name, b);
    };
    regSeed("read", reg, "Software\\Palm", "Path", "C:\\new \"quoted\"");
    regSeed("machine", reg, "Software\\Microsoft\\Shared Tools\\MSInfo", "Path", "x");
    regSeed("empty", "", "Software\\New", "Name", "value");
    Bytes utf16{0xFF, 0xFE};
    for (char c : std::string("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"V\"=\"w\"\r\n")) {
        utf16.push_back(static_cast<std::uint8_t>(c));
        utf16.push_back(0);
    }
    seed("registry", "utf16", join({0x01}, utf16));
    return 0;
}

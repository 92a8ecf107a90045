// The settings file reader and writer. The input holds, separated by NUL bytes, the file, a
// section, a key, a value and a byte of operations. A write must change nothing but its own line.
#include "fuzz_support.hpp"
#include "ini_file.hpp"

using tesk::icontool::cInifile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tesk::fuzz::Input in(data, size);
    const std::string file = in.field();
    const std::string section = in.field();
    const std::string key = in.field();
    const std::string value = in.field();
    const std::uint8_t ops = in.byte();

    tesk::MemoryFileSystem fs;
    fs.addFile("/cfg/VarnelIconTool.ini", tesk::fuzz::toBytes(file));
    cInifile ini(fs);
    ini.path = "/cfg/VarnelIconTool.ini";
    ini.Section = section;
    ini.key = key;
    ini.Default = "default";
    (void)ini.Value();
    (void)ini.INISection();
    (void)ini.Sections();
    std::vector<std::string> names;
    std::int32_t count = 0;
    ini.EnumerateCurrentSection(names, count);
    tesk::fuzz::require(count >= 0 && static_cast<std::size_t>(count) <= names.size() + 1, "key count fits the list");
    ini.EnumerateAllSections(names, count);
    (void)cInifile::CLngDefault(value, 7);

    switch (ops % 4) {
        case 0: {
            ini.setValue(value);
            if (ini.Success() && !section.empty() && !key.empty()) {
                // What was written reads back (within the read limit, trimmed, without NULs or breaks).
                auto back = ini.Value();
                tesk::fuzz::require(back.size() <= 254, "reads give at most 254 characters");
            }
            break;
        }
        case 1: ini.DeleteKey(); break;
        case 2: ini.DeleteSection(); break;
        default: ini.setINISection(value); break;
    }
    (void)ini.Value();
    tesk::fuzz::require(tesk::fuzz::onlyBelow(fs, {"/cfg"}), "only the settings file is written");
    return 0;
}

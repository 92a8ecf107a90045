// The registry export file store shared by the icon tool and the installer: reads and writes.
// The input holds, separated by NUL bytes, the file, a key, a value name and a value to write.
#include "fuzz_support.hpp"
#include "platform/registry.hpp"
#include "registry_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tesk::fuzz::Input in(data, size);
    const auto file = in.field();
    const auto key = in.field();
    const auto name = in.field();
    const auto value = in.field();
    // The file may hold NUL bytes (UTF-16): the whole input is tried as a file too.
    const bool wholeFile = !data || size == 0 ? false : (data[0] & 1);

    tesk::MemoryFileSystem fs;
    fs.addFile("/cfg/registry.reg",
               wholeFile ? std::vector<std::uint8_t>(data, data + size) : tesk::fuzz::toBytes(file));

    tesk::icontool::RegistryFile reader(fs, "/cfg/registry.reg");
    std::string out;
    (void)reader.GetKeyValue("HKEY_LOCAL_MACHINE", key, name, out);
    (void)reader.GetKeyValue("HKCU", key, name, out);

    tesk::RegFileRegistry reg(fs, "/cfg/registry.reg");
    const std::string full = "HKEY_CURRENT_USER\\" + key + "\\" + name;
    (void)reg.regread(full);
    const auto before = fs.contents("/cfg/registry.reg");
    if (reg.regwrite(full, value) == tesk::ErrorNumber::None) {
        auto back = reg.regread(full);
        tesk::fuzz::require(back.has_value(), "a written value reads back");
    } else {
        tesk::fuzz::require(fs.contents("/cfg/registry.reg") == before, "a refused write leaves the file alone");
    }
    (void)tesk::unescapeRegString(tesk::escapeRegString(value));
    tesk::fuzz::require(tesk::fuzz::onlyBelow(fs, {"/cfg"}), "only the registry file is written");
    return 0;
}

// The rewrite of the calendar's "Default.txt" (first pass) and of the template's copy (second
// pass), from an arbitrary file, on the in-memory file system. The first byte chooses the mode
// and whether the template is installed first; the rest is the file.
#include "fuzz_support.hpp"
#include "preferences.hpp"

namespace {

class SilentHost final : public varnel::SetupHost {
public:
    void message(std::string_view, std::string_view) override {}
    std::optional<std::string> inputBox(std::string_view, std::string_view, std::string_view) override {
        return std::nullopt;
    }
    varnel::PalmUserAnswer choosePalmUser(const std::vector<std::string>&, std::optional<std::size_t>) override {
        return {true, std::nullopt};
    }
};

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tesk::fuzz::Input in(data, size);
    const std::uint8_t choice = in.byte();
    const auto text = tesk::fuzz::toBytes(in.rest());

    tesk::MemoryFileSystem fs;
    varnel::RunPaths paths;
    paths.mode = static_cast<varnel::Mode>(choice % 3);
    paths.varnelMainPath = "/program/";
    paths.dataRoot = "/palm/";
    paths.userFolderName = "Jo";
    paths.calendarFolder = "/palm/Jo/Varnel/";
    fs.addFolder("/palm/Jo/Varnel");
    fs.addFile("/program/VarnelPreferences.def", text);
    for (const auto& row : varnel::DatabaseRows) fs.addFile("/program/" + std::string(row.emptyTemplate), {1, 2, 3});
    const bool install = choice & 0x04;
    if (!install) fs.addFile("/palm/Jo/Varnel/Default.txt", text);
    if (choice & 0x08) fs.failNthWrite(1 + ((choice >> 4) & 7));

    SilentHost host;
    varnel::FileSteps steps(fs, host);
    const bool first = varnel::updateDefaultPreferences(steps, paths, install);
    if (first) varnel::updateTemplatePreferences(steps, paths);

    tesk::fuzz::require(tesk::fuzz::onlyBelow(fs, {"/program", "/palm/Jo"}), "writes stay in the user's folder");
    // The user's file is there afterwards, whole: either as it was or as rewritten.
    auto after = fs.contents("/palm/Jo/Varnel/Default.txt");
    tesk::fuzz::require(after.has_value() || install, "Default.txt is never lost");
    tesk::fuzz::require(fs.contents("/program/VarnelPreferences.def") == text, "the template is never changed");
    return 0;
}

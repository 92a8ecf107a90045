// A run against a temporary folder on disk with recording message and progress services.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/extraction_run.hpp"
#include "platform/file_system.hpp"
#include "support/faulty_file_system.hpp"
#include "support/prc_builder.hpp"

namespace tesk::test {

// A fresh temporary folder, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

void writeBytes(const std::filesystem::path& p, const Bytes& bytes);
Bytes readBytes(const std::filesystem::path& p);
std::string readText(const std::filesystem::path& p);
// Relative paths of every regular file below a folder, sorted.
std::vector<std::string> listFiles(const std::filesystem::path& root);

struct TestRun {
    explicit TestRun(const Bytes& database, std::uint32_t options = 0x0080);

    TempDir dir;
    std::filesystem::path input;
    std::filesystem::path out;
    NativeFileSystem disk;
    FaultyFileSystem files{disk};   // passes everything through until a test sets a fault
    RecordingUi ui;
    RecordingProgress progress;
    Services services{files, ui, progress};
    ExtractionContext ctx{services};
    ExtractionRequest request;

    std::int32_t extract() { return runExtraction(ctx, request); }
    std::vector<std::string> outputs() const { return listFiles(out); }
};

// The shared corpus of real databases, or an empty path when it is not there.
std::filesystem::path corpusDir();

}   // namespace tesk::test

// The library entry as the front end sees it: one call per request, bound on first use.
#pragma once

#include <cstdint>
#include <string>

#include "tesk/tesk.h"

namespace tesk::icontool {

// The library file in the program folder, by platform.
#if defined(_WIN32)
inline constexpr const char* kLibraryFileName = "tesk.dll";
#else
inline constexpr const char* kLibraryFileName = "libtesk.so";
#endif

using ExtrsrcFunction = decltype(&::extrsrc);

class Extractor {
public:
    virtual ~Extractor() = default;
    // Makes the entry callable. Returns empty text when it is, else the message to show.
    virtual std::string prepare() = 0;
    virtual std::int32_t extrsrc(const char* inputPath, const char* outputFolder, const char* dataFolder,
                                 const char* textOutputPath, const char* progressCaption,
                                 const char* singleResourceName, const char* nameTableFolder,
                                 const std::int32_t* imageFormat, const std::int32_t* sortIntoFolders,
                                 std::uint32_t* options, const std::int32_t* resizeMode,
                                 const std::int32_t* resizeWidth, const std::int32_t* resizeHeight) = 0;
};

// Loads programFolder + "/libtesk.so" on the first prepare() and keeps it loaded for the life of
// the process. A failed load is tried again at the next request.
class LibraryExtractor final : public Extractor {
public:
    explicit LibraryExtractor(std::string programFolder) : programFolder_(std::move(programFolder)) {}
    std::string prepare() override;
    std::int32_t extrsrc(const char* inputPath, const char* outputFolder, const char* dataFolder,
                         const char* textOutputPath, const char* progressCaption, const char* singleResourceName,
                         const char* nameTableFolder, const std::int32_t* imageFormat,
                         const std::int32_t* sortIntoFolders, std::uint32_t* options, const std::int32_t* resizeMode,
                         const std::int32_t* resizeWidth, const std::int32_t* resizeHeight) override;

private:
    std::string programFolder_;
    ExtrsrcFunction entry_ = nullptr;
};

}   // namespace tesk::icontool

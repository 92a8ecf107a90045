#include "extractor.hpp"

#include <dlfcn.h>

namespace tesk::icontool {

std::string LibraryExtractor::prepare() {
    if (entry_ != nullptr) return {};
    auto file = programFolder_ + "/" + kLibraryFileName;
    // Local binding keeps the library's own symbols from mixing with the program's.
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        return std::string("The extraction library ") + kLibraryFileName + " could not be loaded." +
               (why ? std::string("\r\n") + why : std::string());
    }
    void* symbol = ::dlsym(handle, "extrsrc");
    if (symbol == nullptr) {
        ::dlclose(handle);
        return std::string("The extraction library ") + kLibraryFileName +
               " does not offer the entry extrsrc. It may belong to another program or version.";
    }
    entry_ = reinterpret_cast<ExtrsrcFunction>(symbol);
    return {};
}

std::int32_t LibraryExtractor::extrsrc(const char* inputPath, const char* outputFolder, const char* dataFolder,
                                       const char* textOutputPath, const char* progressCaption,
                                       const char* singleResourceName, const char* nameTableFolder,
                                       const std::int32_t* imageFormat, const std::int32_t* sortIntoFolders,
                                       std::uint32_t* options, const std::int32_t* resizeMode,
                                       const std::int32_t* resizeWidth, const std::int32_t* resizeHeight) {
    return entry_(inputPath, outputFolder, dataFolder, textOutputPath, progressCaption, singleResourceName,
                  nameTableFolder, imageFormat, sortIntoFolders, options, resizeMode, resizeWidth, resizeHeight);
}

}   // namespace tesk::icontool

// A host that uses the library the way the front end does: loads it by file name at run time,
// binds extrsrc by name and runs one extraction into a folder, writing the index table beside
// the images. The same source is built for Linux and Windows, so the two builds can be compared
// file for file.
//   load_library_host LIBRARY INPUT OUTPUT-FOLDER INDEX-FILE [IMAGE-FORMAT]    (0 BMP, the default)
// Prints the status extrsrc returned; exits 0 when the call was made, 2 when it could not be.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tesk/tesk.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

using Extrsrc = std::int32_t(TESK_CALL*)(const char*, const char*, const char*, const char*, const char*, const char*,
                                         const char*, const std::int32_t*, const std::int32_t*, std::uint32_t*,
                                         const std::int32_t*, const std::int32_t*, const std::int32_t*);

#if defined(_WIN32)
Extrsrc bindExtrsrc(const char* library) {
    HMODULE module = ::LoadLibraryA(library);
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Extrsrc>(reinterpret_cast<void*>(::GetProcAddress(module, "extrsrc")));
}
#else
Extrsrc bindExtrsrc(const char* library) {
    void* module = ::dlopen(library, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Extrsrc>(::dlsym(module, "extrsrc"));
}
#endif

}   // namespace

int main(int argc, char** argv) {
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: %s LIBRARY INPUT OUTPUT-FOLDER INDEX-FILE [IMAGE-FORMAT]\n", argv[0]);
        return 2;
    }
    Extrsrc extrsrc = bindExtrsrc(argv[1]);
    if (extrsrc == nullptr) {
        std::fprintf(stderr, "%s: cannot load %s or find extrsrc in it\n", argv[0], argv[1]);
        return 2;
    }
    // Sorted into depth folders, 16-bit images as 24-bit, every resource kind, the index table,
    // and no window: the run must not need a display.
    std::string input = argv[2], output = argv[3], index = argv[4];
    std::string empty, caption = "Extracting Bitmaps ...";
    const std::int32_t format = argc == 6 ? static_cast<std::int32_t>(std::atoi(argv[5])) : 0;
    const std::int32_t sort = 1, resizeMode = 0, width = 0, height = 0;
    std::uint32_t options = EXTR_NO_PROGRESS | EXTR_16_TO_24;
    const std::int32_t status =
        extrsrc(input.c_str(), output.c_str(), empty.c_str(), index.c_str(), caption.c_str(), empty.c_str(),
                empty.c_str(), &format, &sort, &options, &resizeMode, &width, &height);
    std::printf("%d\n", status);
    return 0;
}

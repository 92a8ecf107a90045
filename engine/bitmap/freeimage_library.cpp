#include "bitmap/freeimage_library.hpp"

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>

namespace tesk {
namespace {

template <typename Entry>
bool bind(void* handle, const char* name, Entry& entry) {
    entry = reinterpret_cast<Entry>(dlsym(handle, name));
    return entry != nullptr;
}

const FreeImageLibrary* load() {
    const char* chosen = std::getenv("TESK_FREEIMAGE");
    void* handle = dlopen(chosen != nullptr && *chosen != '\0' ? chosen : "libfreeimage.so.3", RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return nullptr;
    static FreeImageLibrary lib{};
    const bool complete =
        bind(handle, "FreeImage_Initialise", lib.Initialise) && bind(handle, "FreeImage_OpenMemory", lib.OpenMemory) &&
        bind(handle, "FreeImage_CloseMemory", lib.CloseMemory) &&
        bind(handle, "FreeImage_AcquireMemory", lib.AcquireMemory) &&
        bind(handle, "FreeImage_GetFileTypeFromMemory", lib.GetFileTypeFromMemory) &&
        bind(handle, "FreeImage_LoadFromMemory", lib.LoadFromMemory) &&
        bind(handle, "FreeImage_SaveToMemory", lib.SaveToMemory) &&
        bind(handle, "FreeImage_FIFSupportsExportBPP", lib.FIFSupportsExportBPP) &&
        bind(handle, "FreeImage_Unload", lib.Unload) && bind(handle, "FreeImage_GetWidth", lib.GetWidth) &&
        bind(handle, "FreeImage_GetHeight", lib.GetHeight) && bind(handle, "FreeImage_GetBPP", lib.GetBPP) &&
        bind(handle, "FreeImage_GetPalette", lib.GetPalette) &&
        bind(handle, "FreeImage_GetColorsUsed", lib.GetColorsUsed) &&
        bind(handle, "FreeImage_ConvertTo24Bits", lib.ConvertTo24Bits) &&
        bind(handle, "FreeImage_ColorQuantize", lib.ColorQuantize) &&
        bind(handle, "FreeImage_SetTransparentIndex", lib.SetTransparentIndex) &&
        bind(handle, "FreeImage_Rescale", lib.Rescale) &&
        bind(handle, "FreeImage_ConvertFromRawBits", lib.ConvertFromRawBits) &&
        bind(handle, "FreeImage_ConvertToRawBits", lib.ConvertToRawBits);
    if (!complete) {
        dlclose(handle);
        return nullptr;
    }
    lib.Initialise(FALSE);
    return &lib;   // never unloaded: images may be in use on other threads until the process ends
}

}  // namespace

const FreeImageLibrary* freeImageLibrary() {
    static std::once_flag once;
    static const FreeImageLibrary* loaded = nullptr;
    std::call_once(once, [] { loaded = load(); });
    return loaded;
}

}  // namespace tesk

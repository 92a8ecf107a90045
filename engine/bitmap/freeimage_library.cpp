#include "bitmap/freeimage_library.hpp"

#include "platform/optional_library.hpp"

namespace tesk {
namespace {

const FreeImageLibrary* load() {
    OptionalLibrary library{libraryFile("TESK_FREEIMAGE", "libfreeimage.so.3")};
    static FreeImageLibrary lib{};
    library.bind("FreeImage_Initialise", lib.Initialise)
        .bind("FreeImage_OpenMemory", lib.OpenMemory)
        .bind("FreeImage_CloseMemory", lib.CloseMemory)
        .bind("FreeImage_AcquireMemory", lib.AcquireMemory)
        .bind("FreeImage_GetFileTypeFromMemory", lib.GetFileTypeFromMemory)
        .bind("FreeImage_LoadFromMemory", lib.LoadFromMemory)
        .bind("FreeImage_SaveToMemory", lib.SaveToMemory)
        .bind("FreeImage_FIFSupportsExportBPP", lib.FIFSupportsExportBPP)
        .bind("FreeImage_Unload", lib.Unload)
        .bind("FreeImage_GetWidth", lib.GetWidth)
        .bind("FreeImage_GetHeight", lib.GetHeight)
        .bind("FreeImage_GetBPP", lib.GetBPP)
        .bind("FreeImage_GetPalette", lib.GetPalette)
        .bind("FreeImage_GetColorsUsed", lib.GetColorsUsed)
        .bind("FreeImage_ConvertTo24Bits", lib.ConvertTo24Bits)
        .bind("FreeImage_ColorQuantize", lib.ColorQuantize)
        .bind("FreeImage_SetTransparentIndex", lib.SetTransparentIndex)
        .bind("FreeImage_Rescale", lib.Rescale)
        .bind("FreeImage_ConvertFromRawBits", lib.ConvertFromRawBits)
        .bind("FreeImage_ConvertToRawBits", lib.ConvertToRawBits);
    if (!library.complete()) return nullptr;
    library.keep();   // images may be in use on other threads until the process ends
    lib.Initialise(FALSE);
    return &lib;
}

}   // namespace

const FreeImageLibrary* freeImageLibrary() { return loadOnce(load); }

}   // namespace tesk

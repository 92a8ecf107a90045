// FreeImage is loaded on first use rather than linked: a run that writes only BMP files never maps it
// and the twenty libraries it pulls in, which would otherwise cost every process start about 12 ms.
#pragma once

#include <FreeImage.h>

namespace tesk {

// The FreeImage entries the JPEG/PNG export calls.
struct FreeImageLibrary {
    decltype(&FreeImage_Initialise) Initialise;
    decltype(&FreeImage_OpenMemory) OpenMemory;
    decltype(&FreeImage_CloseMemory) CloseMemory;
    decltype(&FreeImage_AcquireMemory) AcquireMemory;
    decltype(&FreeImage_GetFileTypeFromMemory) GetFileTypeFromMemory;
    decltype(&FreeImage_LoadFromMemory) LoadFromMemory;
    decltype(&FreeImage_SaveToMemory) SaveToMemory;
    decltype(&FreeImage_FIFSupportsExportBPP) FIFSupportsExportBPP;
    decltype(&FreeImage_Unload) Unload;
    decltype(&FreeImage_GetWidth) GetWidth;
    decltype(&FreeImage_GetHeight) GetHeight;
    decltype(&FreeImage_GetBPP) GetBPP;
    decltype(&FreeImage_GetPalette) GetPalette;
    decltype(&FreeImage_GetColorsUsed) GetColorsUsed;
    decltype(&FreeImage_ConvertTo24Bits) ConvertTo24Bits;
    decltype(&FreeImage_ColorQuantize) ColorQuantize;
    decltype(&FreeImage_SetTransparentIndex) SetTransparentIndex;
    decltype(&FreeImage_Rescale) Rescale;
    decltype(&FreeImage_ConvertFromRawBits) ConvertFromRawBits;
    decltype(&FreeImage_ConvertToRawBits) ConvertToRawBits;
};

// The loaded and initialised library, or null when it cannot be loaded or lacks an entry. Loaded
// once per process, on the first call, from any thread. The environment variable TESK_FREEIMAGE
// names the file to load instead of the system's libfreeimage.so.3.
const FreeImageLibrary* freeImageLibrary();

}   // namespace tesk

#include "engine/bitmap/export_fixture.hpp"

namespace tesk::test {

FiBitmap openImage(const std::filesystem::path& path, FREE_IMAGE_FORMAT expected) {
    if (FreeImage_GetFileType(path.c_str(), 0) != expected) return nullptr;
    return FiBitmap{FreeImage_Load(expected, path.c_str(), 0)};
}

Rgb colourAt(FIBITMAP* bitmap, unsigned x, unsigned y) {
    const unsigned row = FreeImage_GetHeight(bitmap) - 1 - y;
    RGBQUAD q{};
    if (FreeImage_GetBPP(bitmap) <= 8) {
        BYTE index = 0;
        FreeImage_GetPixelIndex(bitmap, x, row, &index);
        q = FreeImage_GetPalette(bitmap)[index];
    } else {
        FreeImage_GetPixelColor(bitmap, x, row, &q);
    }
    return {q.rgbRed, q.rgbGreen, q.rgbBlue};
}

ExportRun::ExportRun() { ctx.settings.outputFolder = dir.str() + "/"; }

}   // namespace tesk::test

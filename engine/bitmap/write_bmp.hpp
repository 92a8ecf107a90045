// One decoded bitmap as a Windows BMP file, or the same file built in memory and handed to the
// JPEG/PNG export; and the names and sort sub-folders of image files.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "bitmap/bitmap_host.hpp"
#include "bitmap/palettes.hpp"

namespace tesk {

// A bitmap's own colours, by position; indexes past the end keep the system palette's colours.
using OwnColours = std::span<const Rgb>;

// "8-Bit D144" and its kin, without separator.
std::string sortFolderName(std::uint8_t pixelSize, std::int16_t density);

// The image's path relative to the output folder ("8-Bit D72/Tbmp1000-8.bmp"), or empty when the
// resource name cannot be a path below the output folder (empty parts, "." or "..", control
// bytes). Both "\" and "/" in the name separate folders.
std::string imageRelativePath(std::string name, std::int32_t sortIntoFolders, std::uint8_t pixelSize,
                              std::int16_t density);

// The 54-byte header plus colour table or masks that precede the pixels; empty for pixel sizes
// that give no image.
std::size_t bmpPrefixLength(std::uint8_t pixelSize, bool sixteenTo24);

// Writes host.bitmapState().pixels (as the decoders left them) as the bitmap's image file.
std::string writebmp(BitmapHost& host, std::int32_t& width, std::int32_t& height, std::uint8_t& pixelSize,
                     std::int16_t& density, std::int32_t& transparencyKind, std::int32_t& transparentIndex,
                     std::int32_t& transparentRed, std::int32_t& transparentGreen, std::int32_t& transparentBlue,
                     OwnColours ownColours = {});

}   // namespace tesk

// Bitmap families: walks every bitmap of the current resource, decodes and writes each one and
// hands its values to the script/index text.
#pragma once

#include "bitmap/bitmap_host.hpp"

namespace tesk {

void parsersrc(BitmapHost& host);

}   // namespace tesk

// A build without a PNG library (the Windows cross-build): the exact PNG is refused, so its export
// writes nothing and records FileNotFound (53) under "Write PNG", as a missing FreeImage is.
#include "bitmap/exact_png.hpp"

namespace tesk {

bool exactPngAvailable() { return false; }

ErrorNumber encodePngFile(const PngImage&, std::vector<std::uint8_t>&) { return ErrorNumber::FileNotFound; }

}   // namespace tesk

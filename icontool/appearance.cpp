#include "appearance.hpp"

namespace tesk::icontool {

std::vector<Rgb> gradientBands(Rgb start, Rgb end, std::uint16_t numSteps) {
    std::vector<Rgb> bands;
    bands.reserve(numSteps);
    for (int i = 0; i < numSteps; ++i) {
        bands.push_back({start.red + (end.red - start.red) * i / numSteps,
                         start.green + (end.green - start.green) * i / numSteps,
                         start.blue + (end.blue - start.blue) * i / numSteps});
    }
    return bands;
}

std::string versionLabel(int major, int minor, int patch) {
    return "Version " + std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

const char* const kNoticeText =
    "Varnel Icon Tool takes the pictures out of Palm OS application and skin files so that they can be used "
    "with the Varnel calendar.\r\n\r\n"
    "You may use this program free of charge, and you may pass it on to others unchanged and without charge, "
    "together with this notice.\r\n\r\n"
    "PNG and JPEG support is provided by the FreeImage library (freeimage.sourceforge.net), used under the "
    "FreeImage Public License.\r\n\r\n"
    "This program is provided as is, without warranty of any kind. The authors accept no liability for any "
    "damage or loss of data that may result from its use. Keep copies of your files.";

}   // namespace tesk::icontool

// Colours and texts the windows show, computed without a window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tesk::icontool {

struct Rgb {
    int red;
    int green;
    int blue;
    bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kGradientTop{255, 255, 255};
inline constexpr Rgb kGradientBottom{32, 32, 32};
inline constexpr std::uint16_t kGradientSteps = 256;

// The colour of each horizontal band, top to bottom: start + (end - start) * i / steps per
// channel, the division truncating towards zero.
std::vector<Rgb> gradientBands(Rgb start, Rgb end, std::uint16_t numSteps);

// "Version " + major.minor.patch in decimal.
std::string versionLabel(int major, int minor, int patch);

// The about box's notice: terms of use and passing on, the image library credit, no liability.
extern const char* const kNoticeText;

}   // namespace tesk::icontool

// The white-to-dark-grey band background shared by the main window and the resize dialog.
#pragma once

#include <cstdint>

#include "appearance.hpp"

class QPainter;
class QWidget;

namespace tesk::icontool {

void BackgroundVerticalGradient(QWidget& frm, QPainter& painter, Rgb startColor, Rgb endColor, std::uint16_t numSteps);

}   // namespace tesk::icontool

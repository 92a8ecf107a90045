#include "gradient_painter.hpp"

#include <QPainter>
#include <QWidget>

namespace tesk::icontool {

void BackgroundVerticalGradient(QWidget& frm, QPainter& painter, Rgb startColor, Rgb endColor, std::uint16_t numSteps) {
    if (numSteps == 0) return;
    const double bandHeight = static_cast<double>(frm.height()) / numSteps;
    double y = 0;
    for (const auto& c : gradientBands(startColor, endColor, numSteps)) {
        // Each band reaches a little into the next so no seam shows between fractional bands.
        painter.fillRect(QRectF(0, y, frm.width(), bandHeight + 1), QColor(c.red, c.green, c.blue));
        y += bandHeight;
    }
}

}   // namespace tesk::icontool

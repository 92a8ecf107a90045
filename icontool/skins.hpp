// The coloured push-button looks of the front end.
#pragma once

class QPushButton;

namespace tesk::icontool {

enum class Skin { Blue, Red, Dark };

void applySkin(QPushButton& button, Skin skin);

}   // namespace tesk::icontool

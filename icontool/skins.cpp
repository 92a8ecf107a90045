#include "skins.hpp"

#include <QPushButton>
#include <QString>

namespace tesk::icontool {

void applySkin(QPushButton& button, Skin skin) {
    // Pressed (checked) buttons turn darker and sunken, so the chosen format stays visible; the
    // focus frame stays for keyboard users; disabled buttons (while a request runs) turn grey.
    const char* base = skin == Skin::Blue ? "#2f6db5" : skin == Skin::Red ? "#b83232" : "#3a3a3a";
    const char* light = skin == Skin::Blue ? "#4b8ad6" : skin == Skin::Red ? "#d64b4b" : "#5a5a5a";
    const char* dark = skin == Skin::Blue ? "#163f70" : skin == Skin::Red ? "#6e1616" : "#1a1a1a";
    button.setStyleSheet(
        QString("QPushButton { color: white; background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                "stop:0 %2, stop:1 %1); border: 1px solid %3; border-radius: 4px; "
                "padding: 4px 12px; }"
                "QPushButton:hover { background: %2; }"
                "QPushButton:pressed, QPushButton:checked { background: %3; "
                "border: 2px inset #101010; }"
                "QPushButton:focus { outline: none; border: 2px solid #ffd23f; }"
                "QPushButton:disabled { color: #d0d0d0; background: #8a8a8a; border: 1px solid #6a6a6a; }"
                "QPushButton:checked:disabled { background: #5a5a5a; }")
            .arg(base, light, dark));
}

}   // namespace tesk::icontool

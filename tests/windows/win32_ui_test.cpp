// The Win32 message boxes, read as they open: a thread hook notes the box's caption, text,
// buttons and icon and presses OK, so no test waits for a person.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "display.hpp"
#include "platform/ui.hpp"

namespace tesk::test {
namespace {

constexpr int kMessageTextId = 0xFFFF;   // the static control holding a box's text

struct SeenBox {
    bool opened = false;
    std::string caption;
    std::string text;
    bool ok = false;
    bool cancel = false;
    bool icon = false;
};

SeenBox* seen = nullptr;

// A box's icon is a static control showing an icon; its identifier differs between systems.
BOOL CALLBACK findIcon(HWND child, LPARAM found) {
    std::array<char, 16> name{};
    ::GetClassNameA(child, name.data(), static_cast<int>(name.size()));
    const auto style = ::GetWindowLongA(child, GWL_STYLE);
    if (std::string(name.data()) == "Static" && (style & SS_TYPEMASK) == SS_ICON && (style & WS_VISIBLE) &&
        ::SendMessageA(child, STM_GETICON, 0, 0) != 0)
        *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

std::string windowText(HWND window) {
    std::array<char, 512> text{};
    if (window != nullptr) ::GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    return text.data();
}

LRESULT CALLBACK watchBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && seen != nullptr && !seen->opened) {
        HWND box = reinterpret_cast<HWND>(wParam);
        seen->opened = true;
        seen->caption = windowText(box);
        seen->text = windowText(::GetDlgItem(box, kMessageTextId));
        seen->ok = ::GetDlgItem(box, IDOK) != nullptr;
        seen->cancel = ::GetDlgItem(box, IDCANCEL) != nullptr;
        ::EnumChildWindows(box, findIcon, reinterpret_cast<LPARAM>(&seen->icon));
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// Shows one box through Win32Ui and returns what the hook saw.
SeenBox show(std::string_view text, std::string_view caption, MessageStyle style) {
    SeenBox box;
    seen = &box;
    HHOOK hook = ::SetWindowsHookExA(WH_CBT, watchBoxes, nullptr, ::GetCurrentThreadId());
    Win32Ui{}.message(text, caption, style);
    ::UnhookWindowsHookEx(hook);
    seen = nullptr;
    return box;
}

class Win32Boxes : public ::testing::Test {
protected:
    void SetUp() override {
        if (!canMakeWindows()) TESK_END_WITHOUT_DISPLAY();
    }
};

TEST_F(Win32Boxes, PlainBoxHasOkOnlyAndNoIcon) {
    auto box = show("Error. The selected file is not a supported type.", "Varnel Icon Tool", MessageStyle::Plain);
    ASSERT_TRUE(box.opened);
    EXPECT_EQ(box.caption, "Varnel Icon Tool");
    EXPECT_EQ(box.text, "Error. The selected file is not a supported type.");
    EXPECT_TRUE(box.ok);
    EXPECT_FALSE(box.cancel);
    EXPECT_FALSE(box.icon);
}

TEST_F(Win32Boxes, InformationBoxShowsTheIcon) {
    auto box = show("The folder does not exist", "Varnel Icon Tool", MessageStyle::Information);
    ASSERT_TRUE(box.opened);
    EXPECT_TRUE(box.icon);
    EXPECT_TRUE(box.ok);
    EXPECT_FALSE(box.cancel);
}

TEST_F(Win32Boxes, BoxWithoutCaptionTakesTheProgramTitleAndKeepsLineBreaks) {
    auto box = show("Non-standard format. Can't continue.", "", MessageStyle::TaskModalForeground);
    ASSERT_TRUE(box.opened);
    EXPECT_EQ(box.caption, "Varnel Icon Tool");
    EXPECT_FALSE(box.icon);

    auto twoLines =
        show("Error In Dll module --> writebmp, While working On Tbmp1000\r\nError was --> 75 - Path/file access error",
             "Varnel Icon Tool", MessageStyle::Plain);
    EXPECT_EQ(
        twoLines.text,
        "Error In Dll module --> writebmp, While working On Tbmp1000\r\nError was --> 75 - Path/file access error");
}

}   // namespace
}   // namespace tesk::test

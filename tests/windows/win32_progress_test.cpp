// The Win32 progress window: its template (controls, classes, order, styles), the clamped bar,
// the cancel marker, stale handles, and the one-message pump.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "display.hpp"
#include "platform/progress.hpp"

namespace tesk::test {
namespace {

HWND hwnd(WindowHandle h) { return reinterpret_cast<HWND>(h); }

std::string itemText(WindowHandle window, int id) {
    std::array<char, 256> text{};
    ::GetDlgItemTextA(hwnd(window), id, text.data(), static_cast<int>(text.size()));
    return text.data();
}

std::string className(HWND window) {
    std::array<char, 64> name{};
    ::GetClassNameA(window, name.data(), static_cast<int>(name.size()));
    return name.data();
}

int barPosition(WindowHandle window) {
    return static_cast<int>(::SendDlgItemMessageA(hwnd(window), 300, PBM_GETPOS, 0, 0));
}

class Win32Window : public ::testing::Test {
protected:
    void SetUp() override {
        window = progress.init(0, "Extracting Bitmaps ...");
        if (window == 0) TESK_END_WITHOUT_DISPLAY();
    }
    void TearDown() override { progress.shutdown(window); }

    Win32Progress progress;
    WindowHandle window = 0;
};

TEST_F(Win32Window, TemplateHasTheThreeControlsInOrder) {
    std::array<char, 64> caption{};
    ::GetWindowTextA(hwnd(window), caption.data(), static_cast<int>(caption.size()));
    EXPECT_STREQ(caption.data(), "Extracting Bitmaps ...");
    EXPECT_TRUE(::IsWindowVisible(hwnd(window)));
    EXPECT_TRUE(::GetWindowLongA(hwnd(window), GWL_EXSTYLE) & WS_EX_TOPMOST);

    std::vector<int> ids;
    for (HWND child = ::GetWindow(hwnd(window), GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
        ids.push_back(::GetDlgCtrlID(child));
    EXPECT_EQ(ids, (std::vector<int>{301, 302, 300}));

    HWND text = ::GetDlgItem(hwnd(window), 301);
    HWND marker = ::GetDlgItem(hwnd(window), 302);
    HWND bar = ::GetDlgItem(hwnd(window), 300);
    EXPECT_EQ(className(text), "Static");
    EXPECT_EQ(className(marker), "Static");
    EXPECT_EQ(className(bar), "msctls_progress32");
    EXPECT_TRUE(::IsWindowVisible(text));
    EXPECT_FALSE(::IsWindowVisible(marker));
    EXPECT_EQ(itemText(window, 301), "");

    // The bar's box, 25,20 and 150 x 15 dialog units. The dialog maps a control's position and its
    // size separately, so the mapped right edge minus the mapped left edge can be a pixel off the
    // width for some fonts: map the position and the size each as they are (MapDialogRect maps
    // every field by itself).
    RECT expected{25, 20, 150, 15};   // left, top: position; right, bottom: width, height
    ::MapDialogRect(hwnd(window), &expected);
    RECT actual{};
    ::GetWindowRect(bar, &actual);
    ::MapWindowPoints(nullptr, hwnd(window), reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right - actual.left, expected.right);
    EXPECT_EQ(actual.bottom - actual.top, expected.bottom);

    PBRANGE range{};
    ::SendMessageA(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 100);
    EXPECT_EQ(barPosition(window), 0);
}

TEST_F(Win32Window, SetClampsThePositionAndReplacesTheText) {
    progress.set(window, 42, " 42 %");
    EXPECT_EQ(barPosition(window), 42);
    EXPECT_EQ(itemText(window, 301), " 42 %");
    progress.set(window, -5, " 0 %");
    EXPECT_EQ(barPosition(window), 0);
    progress.set(window, 250, " 100 %");
    EXPECT_EQ(barPosition(window), 100);
    EXPECT_EQ(itemText(window, 301), " 100 %");
}

TEST_F(Win32Window, CancelledByMarkerHidingOrClosing) {
    EXPECT_FALSE(progress.isCancelled(window));
    ::SetDlgItemTextA(hwnd(window), 302, "Cancel");
    EXPECT_FALSE(progress.isCancelled(window));
    ::SetDlgItemTextA(hwnd(window), 302, "cancelled");
    EXPECT_FALSE(progress.isCancelled(window));
    ::SetDlgItemTextA(hwnd(window), 302, "cancel");
    EXPECT_TRUE(progress.isCancelled(window));
    ::SetDlgItemTextA(hwnd(window), 302, "");
    ::ShowWindow(hwnd(window), SW_HIDE);
    EXPECT_TRUE(progress.isCancelled(window));
    ::ShowWindow(hwnd(window), SW_SHOW);
    EXPECT_FALSE(progress.isCancelled(window));
}

TEST_F(Win32Window, StaleAndForeignHandlesAreHarmless) {
    const auto old = window;
    progress.shutdown(window);
    window = 0;
    EXPECT_FALSE(::IsWindow(hwnd(old)));
    EXPECT_TRUE(progress.isCancelled(old));
    progress.set(old, 50, "x");   // nothing to reach, nothing happens
    progress.shutdown(old);

    // A window this service did not make is not one of its windows.
    HWND other = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_TRUE(progress.isCancelled(reinterpret_cast<WindowHandle>(other)));
    progress.shutdown(reinterpret_cast<WindowHandle>(other));
    EXPECT_TRUE(::IsWindow(other));
    ::DestroyWindow(other);
    EXPECT_TRUE(progress.isCancelled(0));
}

TEST_F(Win32Window, EscapeThroughThePumpHidesTheWindow) {
    ::SetForegroundWindow(hwnd(window));
    // The dialog's own key handling turns Esc into IDCANCEL, which hides the window. Each pump
    // takes one message, and how many the display queued before ours (focus, activation) differs
    // between systems: the bound is on the count, generous, and a pass ends at the first hide.
    ::PostMessageA(hwnd(window), WM_KEYDOWN, VK_ESCAPE, 0);
    for (int i = 0; i < 1000 && !progress.isCancelled(window); ++i) progress.pump();
    EXPECT_TRUE(progress.isCancelled(window));
}

TEST(Win32Pump, TakesOneMessageAndKeepsAQuitRequest) {
    Win32Progress progress;
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {}
    ::PostThreadMessageA(::GetCurrentThreadId(), WM_USER + 1, 0, 0);
    ::PostThreadMessageA(::GetCurrentThreadId(), WM_USER + 2, 0, 0);
    progress.pump();
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));   // only the first was taken
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
    progress.pump();   // nothing waiting: a pause, no failure

    ::PostQuitMessage(3);
    progress.pump();
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
}

}   // namespace
}   // namespace tesk::test

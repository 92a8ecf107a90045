// Windows need a display: under wine without an X server none can be made, and the window tests
// skip. make check-windows gives them a virtual display and sets TESK_WINDOWS_REQUIRED, so there a
// window that cannot be made fails the test instead of hiding what it checks.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

namespace tesk::test {

inline bool canMakeWindows() {
    HWND probe = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (probe == nullptr) return false;
    ::DestroyWindow(probe);
    return true;
}

inline bool windowsRequired() {
    const char* value = std::getenv("TESK_WINDOWS_REQUIRED");
    return value != nullptr && *value != '\0' && std::string_view(value) != "0";
}

}   // namespace tesk::test

// Ends the test (or its SetUp) for want of a display: skipped, or failed where one is required.
#define TESK_END_WITHOUT_DISPLAY()                                                                                  \
    do {                                                                                                            \
        if (::tesk::test::windowsRequired()) FAIL() << "no window could be made, and TESK_WINDOWS_REQUIRED is set"; \
        GTEST_SKIP() << "no window could be made (no display)";                                                     \
    } while (0)

// tesk.dll as a host meets it: loaded by name, entries bound with GetProcAddress, texts handed
// over as BSTRs made by SysAllocStringByteLen.
#include <windows.h>
#include <commctrl.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "display.hpp"
#include "support/bitmap_builder.hpp"
#include "support/prc_builder.hpp"
#include "support/test_run.hpp"
#include "tesk/tesk.h"

namespace {

struct Entries {
    HMODULE module = ::LoadLibraryA("tesk.dll");
    template <typename F>
    F bind(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    }
    decltype(&extrsrc) run = bind<decltype(&extrsrc)>("extrsrc");
    decltype(&PROGRESS_INIT) init = bind<decltype(&PROGRESS_INIT)>("PROGRESS_INIT");
    decltype(&PROGRESS_SET) set = bind<decltype(&PROGRESS_SET)>("PROGRESS_SET");
    decltype(&PROGRESS_SHUTDOWN) shutdown = bind<decltype(&PROGRESS_SHUTDOWN)>("PROGRESS_SHUTDOWN");
    decltype(&PROGESS_IS_CANCELLED) cancelled = bind<decltype(&PROGESS_IS_CANCELLED)>("PROGESS_IS_CANCELLED");
    decltype(&tesk_alloc_lpstr) alloc = bind<decltype(&tesk_alloc_lpstr)>("tesk_alloc_lpstr");
    decltype(&tesk_free_lpstr) release = bind<decltype(&tesk_free_lpstr)>("tesk_free_lpstr");
};

const Entries& entries() {
    static const Entries e;
    return e;
}

TEST(Win32Exports, EveryEntryIsFoundByName) {
    const auto& e = entries();
    ASSERT_NE(e.module, nullptr);
    EXPECT_NE(::GetProcAddress(e.module, "extrsrc"), nullptr);
    EXPECT_NE(e.init, nullptr);
    EXPECT_NE(e.set, nullptr);
    EXPECT_NE(e.shutdown, nullptr);
    EXPECT_NE(e.cancelled, nullptr);
}

TEST(Win32Exports, HelperTextsAreRealBstrs) {
    const auto& e = entries();
    ASSERT_NE(e.alloc, nullptr);
    const char bytes[] = {'a', '\0', 'b'};   // byte strings may hold NULs; the length says where they end
    tesk_lpstr text = e.alloc(bytes, 3);
    ASSERT_NE(text, nullptr);
    BSTR asBstr = reinterpret_cast<BSTR>(const_cast<char*>(text));
    EXPECT_EQ(::SysStringByteLen(asBstr), 3u);
    EXPECT_EQ(std::string(text, 3), std::string(bytes, 3));
    ::SysFreeString(asBstr);   // a host may free ours with the system's own call
    e.release(nullptr);
}

TEST(Win32Exports, ProgressEntriesReadBstrCaptionsAndTexts) {
    const auto& e = entries();
    ASSERT_NE(e.init, nullptr);
    BSTR caption = ::SysAllocStringByteLen("Extracting Bitmaps ...", 22);
    const tesk_lpstr captionRef = reinterpret_cast<const char*>(caption);
    tesk_window window = e.init(0, &captionRef);
    ::SysFreeString(caption);
    if (window == 0) TESK_END_WITHOUT_DISPLAY();

    std::array<char, 64> title{};
    ::GetWindowTextA(reinterpret_cast<HWND>(window), title.data(), static_cast<int>(title.size()));
    EXPECT_STREQ(title.data(), "Extracting Bitmaps ...");

    BSTR text = ::SysAllocStringByteLen(" 7 %", 4);
    const tesk_lpstr textRef = reinterpret_cast<const char*>(text);
    e.set(window, 7, &textRef);
    e.set(window, 8, nullptr);   // no text: the line is emptied, nothing is read
    ::SysFreeString(text);
    EXPECT_EQ(::SendDlgItemMessageA(reinterpret_cast<HWND>(window), 300, PBM_GETPOS, 0, 0), 8);
    EXPECT_EQ(e.cancelled(window), 0);

    e.shutdown(window);
    EXPECT_EQ(e.cancelled(window), -1);
    e.set(window, 9, nullptr);   // stale handle: nothing happens
}

BOOL CALLBACK countWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int threadWindows() {
    int count = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), countWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

// A whole run with the progress window on: with a display the window comes and goes and the
// images are written; without one no window can be made, and the run ends at once with status 0
// and writes nothing, as a failed PROGRESS_INIT demands.
TEST(Win32Exports, RunWithItsProgressWindow) {
    const auto& e = entries();
    ASSERT_NE(e.run, nullptr);
    tesk::test::TempDir dir;
    const auto input = dir / "app.prc";
    tesk::test::writeBytes(input, tesk::test::PrcBuilder{}
                                      .resource("Tbmp", 1000, tesk::test::BitmapBuilder{}.size(8, 2).depth(8).build())
                                      .resource("tSTR", 1000, {'h', 'i', 0})
                                      .build());
    const auto out = dir.str() + "\\";
    const std::int32_t format = 0, sort = 0, zero = 0;
    std::uint32_t options = 0;   // progress window on, errors not shown
    const bool display = tesk::test::canMakeWindows();
    if (!display && tesk::test::windowsRequired()) TESK_END_WITHOUT_DISPLAY();   // fails there
    const int before = threadWindows();
    const auto status = e.run(input.string().c_str(), out.c_str(), "", nullptr, "Extracting Bitmaps ...", "", "",
                              &format, &sort, &options, &zero, &zero, &zero);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(threadWindows(), before);   // the window is gone again
    EXPECT_EQ(std::filesystem::exists(dir / "Tbmp1000-8.bmp"), display);
    EXPECT_EQ(std::filesystem::exists(dir / "tSTR1000.bin"), display);
}

}   // namespace

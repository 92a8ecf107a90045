// Win32 progress window: a modeless dialog made from a template built in memory, so the library
// needs no resource script. Layout in dialog units: 200 x 85, centred and top-most; text line 301
// at 25,7 (150 x 12); hidden cancel marker 302 at 0,0 (1 x 1); progress bar 300 at 25,20
// (150 x 15), range 0..100. The controls are created in the order 301, 302, 300.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/progress.hpp"

namespace tesk {
namespace {

constexpr int kTextId = 301;
constexpr int kMarkerId = 302;
constexpr int kBarId = 300;
constexpr WORD kStaticClass = 0x0082;
constexpr wchar_t kBarClass[] = L"msctls_progress32";
constexpr wchar_t kFont[] = L"MS Shell Dlg";

// The template is a sequence of WORDs: header, menu, class, title, font, then one DWORD-aligned
// item per control.
class Template {
public:
    void word(WORD w) { words_.push_back(w); }
    void dword(DWORD d) {
        word(LOWORD(d));
        word(HIWORD(d));
    }
    void text(const wchar_t* s) {
        for (; *s != 0; ++s) word(static_cast<WORD>(*s));
        word(0);
    }
    void alignDword() {
        if (words_.size() % 2 != 0) word(0);
    }
    void item(DWORD style, short x, short y, short cx, short cy, WORD id, const wchar_t* className, WORD atom) {
        alignDword();
        dword(style);
        dword(0);   // extended style
        for (short v : {x, y, cx, cy}) word(static_cast<WORD>(v));
        word(id);
        if (className != nullptr) {
            text(className);
        } else {
            word(0xFFFF);
            word(atom);
        }
        word(0);   // empty title
        word(0);   // no creation data
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    std::vector<WORD> words_;   // vector storage is aligned well beyond the DWORD the system needs
};

Template buildTemplate() {
    Template t;
    t.dword(DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION);
    t.dword(WS_EX_TOPMOST);
    t.word(3);                                                    // controls
    for (int v : {0, 0, 200, 85}) t.word(static_cast<WORD>(v));   // x, y (ignored: centred), width, height
    t.word(0);                                                    // no menu
    t.word(0);                                                    // the standard dialog class
    t.word(0);                                                    // title: set afterwards from the ANSI caption
    t.word(8);                                                    // font size in points
    t.text(kFont);
    t.item(WS_CHILD | WS_VISIBLE | SS_LEFT, 25, 7, 150, 12, kTextId, nullptr, kStaticClass);
    t.item(WS_CHILD, 0, 0, 1, 1, kMarkerId, nullptr, kStaticClass);
    t.item(WS_CHILD | WS_VISIBLE | WS_BORDER, 25, 20, 150, 15, kBarId, kBarClass, 0);
    return t;
}

// The window has no handler of its own beyond this: Esc and the close command hide it, which
// a run reads as a cancel, instead of leaving a window that ignores the user.
INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        ::ShowWindow(window, SW_HIDE);
        return TRUE;
    }
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

void initCommonControls() {
    static std::once_flag once;
    std::call_once(once, [] {
        INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&icc);
    });
}

HINSTANCE thisModule() {
    HMODULE module = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(&dialogProc), &module);
    return module;
}

HWND hwnd(WindowHandle h) { return reinterpret_cast<HWND>(h); }

}   // namespace

bool Win32Progress::live(WindowHandle window) const {
    return window != 0 && std::find(windows_.begin(), windows_.end(), window) != windows_.end() &&
           ::IsWindow(hwnd(window));
}

WindowHandle Win32Progress::init(WindowHandle parent, std::string_view caption) {
    initCommonControls();
    const Template t = buildTemplate();
    HWND owner = parent != 0 && ::IsWindow(hwnd(parent)) ? hwnd(parent) : nullptr;
    HWND window = ::CreateDialogIndirectParamA(thisModule(), t.get(), owner, dialogProc, 0);
    if (window == nullptr) return 0;
    ::SetWindowTextA(window, std::string(caption).c_str());
    ::SendDlgItemMessageA(window, kBarId, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    ::SendDlgItemMessageA(window, kBarId, PBM_SETPOS, 0, 0);
    ::ShowWindow(window, SW_SHOWNORMAL);
    auto handle = reinterpret_cast<WindowHandle>(window);
    windows_.push_back(handle);
    return handle;
}

void Win32Progress::set(WindowHandle window, std::int32_t position, std::string_view text) {
    if (!live(window)) return;
    ::SendDlgItemMessageA(hwnd(window), kBarId, PBM_SETPOS, static_cast<WPARAM>(std::clamp(position, 0, 100)), 0);
    ::SetDlgItemTextA(hwnd(window), kTextId, std::string(text).c_str());
}

void Win32Progress::shutdown(WindowHandle window) {
    auto it = std::find(windows_.begin(), windows_.end(), window);
    if (it == windows_.end()) return;
    windows_.erase(it);
    if (::IsWindow(hwnd(window))) ::DestroyWindow(hwnd(window));
}

bool Win32Progress::isCancelled(WindowHandle window) {
    if (!live(window) || !::IsWindowVisible(hwnd(window))) return true;
    std::array<char, 8> marker{};
    const int n = ::GetDlgItemTextA(hwnd(window), kMarkerId, marker.data(), static_cast<int>(marker.size()));
    return n == 6 && std::memcmp(marker.data(), "cancel", 6) == 0;
}

void Win32Progress::pump() {
    MSG msg;
    if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::Sleep(1);
        return;
    }
    // The host's message loop must still see a quit request taken here.
    if (msg.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        return;
    }
    for (auto window : windows_) {
        if (::IsWindow(hwnd(window)) && ::IsDialogMessageA(hwnd(window), &msg)) return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
}

}   // namespace tesk

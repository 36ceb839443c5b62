#include "platform/ui.h"

#include "platform/code_page.h"
#include "platform/detail/wide_or_ansi.h"
#include "platform/system_version.h"
#include "platform/win32_error.h"

#include <commctrl.h>

// Every call that carries text, and every call on the program's own windows,
// takes its W form on the NT family and its A form on 95, 98 and Me (see
// detail/wide_or_ansi.h). Text crosses in the ANSI code page there, which is
// all 9x has.

namespace platform::ui {

using detail::SendTo;
using detail::SetWindowValue;
using detail::ThisModule;

namespace {

// A string that may throw while being converted is converted before a
// noexcept function needs it.
std::string AnsiOrEmpty(const std::wstring& text) noexcept
{
    try {
        return ToAnsi(text);
    } catch (...) {
        return {};
    }
}

} // namespace

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT style) noexcept
{
    if (IsNtFamily()) return ::MessageBoxW(owner, text.c_str(), title.c_str(), style);
    return ::MessageBoxA(owner, AnsiOrEmpty(text).c_str(), AnsiOrEmpty(title).c_str(), style);
}


// --- measures -------------------------------------------------------------------

int ScreenDpi() noexcept
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int TwipsToPixels(int twips, int dpi) noexcept
{
    return ::MulDiv(twips, dpi, 1440);
}

// --- windows --------------------------------------------------------------------

namespace {

template <typename WindowClass>
void FillClass(WindowClass& wc, WNDPROC procedure, int iconId)
{
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = ThisModule();
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    // Shared icons (LR_SHARED) belong to the system; no one destroys them.
    wc.hIcon = static_cast<HICON>(::LoadImageA(ThisModule(), MAKEINTRESOURCEA(iconId), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), LR_SHARED));
    wc.hIconSm = static_cast<HICON>(::LoadImageA(ThisModule(), MAKEINTRESOURCEA(iconId), IMAGE_ICON,
                                                 ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                                 LR_SHARED));
}

HWND CreateAnyWindow(DWORD exStyle, const wchar_t* className, const std::wstring& text, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, void* param)
{
    HWND hwnd = nullptr;
    if (IsNtFamily()) {
        hwnd = ::CreateWindowExW(exStyle, className, text.c_str(), style, x, y, width, height, parent, menu,
                                 ThisModule(), param);
        if (!hwnd) ThrowLastError("CreateWindowExW");
    } else {
        hwnd = ::CreateWindowExA(exStyle, ToAnsi(className).c_str(), ToAnsi(text).c_str(), style, x, y, width, height,
                                 parent, menu, ThisModule(), param);
        if (!hwnd) ThrowLastError("CreateWindowExA");
    }
    return hwnd;
}

} // namespace

void RegisterWindowClass(const wchar_t* className, WNDPROC procedure, int iconId)
{
    // The common controls 6 of the manifest need the library's classes registered.
    const auto initCommonControls = [] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
    };
    if (IsNtFamily()) {
        WNDCLASSEXW existing{};
        existing.cbSize = sizeof existing;
        if (::GetClassInfoExW(ThisModule(), className, &existing)) return;
        initCommonControls();
        WNDCLASSEXW wc{};
        FillClass(wc, procedure, iconId);
        wc.lpszClassName = className;
        if (!::RegisterClassExW(&wc)) ThrowLastError("RegisterClassExW");
        return;
    }
    const std::string ansiName = ToAnsi(className);
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExA(ThisModule(), ansiName.c_str(), &existing)) return;
    initCommonControls();
    WNDCLASSEXA wc{};
    FillClass(wc, procedure, iconId);
    wc.lpszClassName = ansiName.c_str();
    if (!::RegisterClassExA(&wc)) ThrowLastError("RegisterClassExA");
}

UniqueWindow CreateTopLevel(const wchar_t* className, const std::wstring& caption, DWORD style, int clientWidth,
                            int clientHeight, void* param)
{
    RECT frame{0, 0, clientWidth, clientHeight};
    if (!::AdjustWindowRectEx(&frame, style, FALSE, 0)) ThrowLastError("AdjustWindowRectEx");
    return UniqueWindow(CreateAnyWindow(0, className, caption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, param));
}

HWND CreateControl(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style, DWORD exStyle,
                   const Rect& rect, int id, HFONT font)
{
    HWND control = CreateAnyWindow(exStyle, className, text, style | WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                                   rect.width, rect.height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr);
    if (font) SendTo(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void StoreCreateParam(HWND hwnd, LPARAM nccreateLParam) noexcept
{
    // lpCreateParams leads both forms of the record.
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(nccreateLParam);
    SetWindowValue(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
}

void* StoredParam(HWND hwnd) noexcept
{
    return reinterpret_cast<void*>(IsNtFamily() ? ::GetWindowLongPtrW(hwnd, GWLP_USERDATA)
                                                : ::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

void ForgetParam(HWND hwnd) noexcept
{
    SetWindowValue(hwnd, GWLP_USERDATA, 0);
}

LRESULT DefaultProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    return IsNtFamily() ? ::DefWindowProcW(hwnd, message, wParam, lParam)
                        : ::DefWindowProcA(hwnd, message, wParam, lParam);
}

std::wstring WindowText(HWND hwnd)
{
    if (IsNtFamily()) {
        const int length = ::GetWindowTextLengthW(hwnd);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        const int copied = ::GetWindowTextW(hwnd, text.data(), length + 1);
        text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
        return text;
    }
    const int length = ::GetWindowTextLengthA(hwnd);
    std::string ansi(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = ::GetWindowTextA(hwnd, ansi.data(), length + 1);
    ansi.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return FromAnsi(ansi);
}

void ShowNormal(HWND hwnd) noexcept
{
    ::ShowWindow(hwnd, SW_SHOWNORMAL);
    ::UpdateWindow(hwnd);
}

void SetRedraw(HWND hwnd, bool redraw) noexcept
{
    SendTo(hwnd, WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
    if (redraw) ::InvalidateRect(hwnd, nullptr, TRUE);
}

namespace {

void Dispatch(HWND dialogWindow, MSG& msg)
{
    const bool nt = IsNtFamily();
    // A window that is gone (the last one of the program) has no dialog keys.
    if (dialogWindow && ::IsWindow(dialogWindow) &&
        (nt ? ::IsDialogMessageW(dialogWindow, &msg) : ::IsDialogMessageA(dialogWindow, &msg)))
        return;
    ::TranslateMessage(&msg);
    if (nt) ::DispatchMessageW(&msg);
    else ::DispatchMessageA(&msg);
}

} // namespace

int RunMessageLoop(HWND dialogWindow)
{
    MSG msg{};
    for (;;) {
        const BOOL got = IsNtFamily() ? ::GetMessageW(&msg, nullptr, 0, 0) : ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got == -1) ThrowLastError("GetMessage");
        Dispatch(dialogWindow, msg);
    }
}

void PumpWaitingMessages(HWND dialogWindow)
{
    MSG msg{};
    while (IsNtFamily() ? ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) : ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Not ours to swallow: whoever runs the loop below us should see it.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        Dispatch(dialogWindow, msg);
    }
}

void PostQuit(int exitCode) noexcept
{
    ::PostQuitMessage(exitCode);
}

UniqueFont CreateUiFont(const wchar_t* face, int points, int dpi)
{
    const int height = -::MulDiv(points, dpi, 72);
    constexpr DWORD kPitch = DEFAULT_PITCH | FF_DONTCARE;
    UniqueFont font(IsNtFamily()
                        ? ::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, kPitch, face)
                        : ::CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, kPitch,
                                        ToAnsi(face).c_str()));
    if (!font) ThrowLastError("CreateFont");
    return font;
}

} // namespace platform::ui

#include "platform/ui.h"

#include "platform/win32_error.h"

#include <commctrl.h>

namespace platform {

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT style) noexcept
{
    return ::MessageBoxW(owner, text.c_str(), title.c_str(), style);
}

} // namespace platform

namespace platform::ui {

namespace {

HINSTANCE ThisModule() noexcept
{
    return ::GetModuleHandleW(nullptr);
}

} // namespace

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

void RegisterWindowClass(const wchar_t* className, WNDPROC procedure, int iconId)
{
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExW(ThisModule(), className, &existing)) return;

    // The common controls 6 of the manifest need the library's classes registered.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = ThisModule();
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className;
    // Shared icons (LR_SHARED) belong to the system; no one destroys them.
    wc.hIcon = static_cast<HICON>(::LoadImageW(ThisModule(), MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), LR_SHARED));
    wc.hIconSm = static_cast<HICON>(::LoadImageW(ThisModule(), MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                                 ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                                 LR_SHARED));
    if (!::RegisterClassExW(&wc)) ThrowLastError("RegisterClassExW");
}

UniqueWindow CreateTopLevel(const wchar_t* className, const std::wstring& caption, DWORD style, int clientWidth,
                            int clientHeight, void* param)
{
    RECT frame{0, 0, clientWidth, clientHeight};
    if (!::AdjustWindowRectEx(&frame, style, FALSE, 0)) ThrowLastError("AdjustWindowRectEx");
    UniqueWindow window(::CreateWindowExW(0, className, caption.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                                          frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                          ThisModule(), param));
    if (!window) ThrowLastError("CreateWindowExW");
    return window;
}

HWND CreateControl(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style, DWORD exStyle,
                   const Rect& rect, int id, HFONT font)
{
    HWND control = ::CreateWindowExW(exStyle, className, text.c_str(), style | WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                                     rect.width, rect.height, parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), nullptr);
    if (!control) ThrowLastError("CreateWindowExW");
    if (font) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void StoreCreateParam(HWND hwnd, LPARAM nccreateLParam) noexcept
{
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(nccreateLParam);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
}

void* StoredParam(HWND hwnd) noexcept
{
    return reinterpret_cast<void*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void ForgetParam(HWND hwnd) noexcept
{
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
}

LRESULT DefaultProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND Item(HWND parent, int id) noexcept
{
    return ::GetDlgItem(parent, id);
}

std::wstring WindowText(HWND hwnd)
{
    const int length = ::GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

void ShowNormal(HWND hwnd) noexcept
{
    ::ShowWindow(hwnd, SW_SHOWNORMAL);
    ::UpdateWindow(hwnd);
}

HWND FocusedWindow() noexcept
{
    return ::GetFocus();
}

void Focus(HWND hwnd) noexcept
{
    ::SetFocus(hwnd);
}

HWND NextTabItem(HWND parent, HWND from, bool previous) noexcept
{
    return ::GetNextDlgTabItem(parent, from, previous ? TRUE : FALSE);
}

bool IsChildOf(HWND parent, HWND hwnd) noexcept
{
    return hwnd && ::IsChild(parent, hwnd);
}

void SetRedraw(HWND hwnd, bool redraw) noexcept
{
    ::SendMessageW(hwnd, WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
    if (redraw) ::InvalidateRect(hwnd, nullptr, TRUE);
}

namespace {

void Dispatch(HWND dialogWindow, MSG& msg)
{
    // A window that is gone (the last one of the program) has no dialog keys.
    if (dialogWindow && ::IsWindow(dialogWindow) && ::IsDialogMessageW(dialogWindow, &msg)) return;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

} // namespace

int RunMessageLoop(HWND dialogWindow)
{
    MSG msg{};
    for (;;) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got == -1) ThrowLastError("GetMessageW");
        Dispatch(dialogWindow, msg);
    }
}

void PumpWaitingMessages(HWND dialogWindow)
{
    MSG msg{};
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
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
    UniqueFont font(::CreateFontW(-::MulDiv(points, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                  SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, face));
    if (!font) ThrowLastError("CreateFontW");
    return font;
}

// --- standard controls -----------------------------------------------------------

namespace list {

int Count(HWND list) noexcept
{
    const LRESULT count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : 0;
}

int Add(HWND list, const std::wstring& text)
{
    const LRESULT index = ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index < 0) ThrowError("LB_ADDSTRING", index == LB_ERRSPACE ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_DATA);
    return static_cast<int>(index);
}

void Insert(HWND list, int index, const std::wstring& text)
{
    const LRESULT at = ::SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(index),
                                      reinterpret_cast<LPARAM>(text.c_str()));
    if (at < 0) ThrowError("LB_INSERTSTRING", at == LB_ERRSPACE ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_DATA);
}

void Remove(HWND list, int index) noexcept
{
    ::SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

std::wstring Text(HWND list, int index)
{
    const LRESULT length = ::SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) ThrowError("LB_GETTEXTLEN", ERROR_INVALID_INDEX);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied =
        ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

bool Selected(HWND list, int index) noexcept
{
    return ::SendMessageW(list, LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

void Select(HWND list, int index, bool selected) noexcept
{
    ::SendMessageW(list, LB_SETSEL, selected ? TRUE : FALSE, static_cast<LPARAM>(index));
}

void SelectRange(HWND list, int first, int last) noexcept
{
    ::SendMessageW(list, LB_SELITEMRANGEEX, static_cast<WPARAM>(first), static_cast<LPARAM>(last));
}

std::optional<int> Caret(HWND list) noexcept
{
    const int count = Count(list);
    const LRESULT caret = ::SendMessageW(list, LB_GETCARETINDEX, 0, 0);
    if (count == 0 || caret < 0 || caret >= count) return std::nullopt;
    return static_cast<int>(caret);
}

void SetCaret(HWND list, int index) noexcept
{
    ::SendMessageW(list, LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
}

} // namespace list

namespace combo {

void Add(HWND combo, const std::wstring& text)
{
    const LRESULT index = ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index < 0) ThrowError("CB_ADDSTRING", ERROR_NOT_ENOUGH_MEMORY);
}

std::optional<int> Chosen(HWND combo) noexcept
{
    const LRESULT index = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (index < 0) return std::nullopt;
    return static_cast<int>(index);
}

void Choose(HWND combo, int index) noexcept
{
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void SetClosedHeight(HWND combo, int height) noexcept
{
    // Only the selection field's height can be set, and how the closed box
    // follows it differs between systems: set, measure, correct once. The
    // first guess takes off the frame around the field (2 px above and below,
    // 1 px padding each side); a guess from CB_GETITEMHEIGHT missed by 2 px
    // under Wine, and each setting moves the drop-down, a top-level window,
    // several times: some 40 wineserver round trips of start-up.
    constexpr int kFrame = 6;
    auto closedHeight = [combo] {
        RECT closed{};
        ::GetWindowRect(combo, &closed);
        return static_cast<int>(closed.bottom - closed.top);
    };
    if (closedHeight() == height) return;
    int wanted = height - kFrame;
    for (int attempt = 0; attempt < 2 && wanted > 0; ++attempt) {
        ::SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), static_cast<LPARAM>(wanted));
        const int off = height - closedHeight();
        if (off == 0) return;
        wanted += off;
    }
}

} // namespace combo

namespace check {

int Value(HWND box) noexcept
{
    return ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void SetValue(HWND box, int value) noexcept
{
    ::SendMessageW(box, BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

} // namespace check

namespace sysmenu {

void AddCheckItem(HWND window, UINT id, const std::wstring& text)
{
    HMENU menu = ::GetSystemMenu(window, FALSE);
    if (!menu) ThrowLastError("GetSystemMenu");
    if (!::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr)) ThrowLastError("AppendMenuW");
    if (!::AppendMenuW(menu, MF_STRING | MF_UNCHECKED, id, text.c_str())) ThrowLastError("AppendMenuW");
}

bool Checked(HWND window, UINT id) noexcept
{
    const UINT state = ::GetMenuState(::GetSystemMenu(window, FALSE), id, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
}

void SetChecked(HWND window, UINT id, bool checked) noexcept
{
    ::CheckMenuItem(::GetSystemMenu(window, FALSE), id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

} // namespace sysmenu

// --- keys of one control -----------------------------------------------------------

namespace {

constexpr wchar_t kControlKeysProperty[] = L"Quillbay.ControlKeys";

} // namespace

struct ControlKeys::State {
    HWND control = nullptr;
    WNDPROC original = nullptr;
    Handler handler;
    Failed failed;
};

ControlKeys::ControlKeys() noexcept = default;

ControlKeys::ControlKeys(HWND control, Handler handler, Failed failed)
    : m_state(std::make_unique<State>(State{control, nullptr, std::move(handler), std::move(failed)}))
{
    if (!::SetPropW(control, kControlKeysProperty, m_state.get())) ThrowLastError("SetPropW");
    ::SetLastError(0);
    const LONG_PTR original = ::SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure));
    if (!original && ::GetLastError()) {
        const DWORD code = ::GetLastError();
        ::RemovePropW(control, kControlKeysProperty);
        ThrowError("SetWindowLongPtrW", code);
    }
    m_state->original = reinterpret_cast<WNDPROC>(original);
}

ControlKeys::~ControlKeys()
{
    Reset();
}

ControlKeys::ControlKeys(ControlKeys&& other) noexcept : m_state(std::move(other.m_state)) {}

ControlKeys& ControlKeys::operator=(ControlKeys&& other) noexcept
{
    if (this != &other) {
        Reset();
        m_state = std::move(other.m_state);
    }
    return *this;
}

void ControlKeys::Reset() noexcept
{
    if (!m_state) return;
    HWND control = m_state->control;
    // Gone already when the control was destroyed first (WM_NCDESTROY).
    if (control && ::GetPropW(control, kControlKeysProperty) == m_state.get()) {
        ::SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_state->original));
        ::RemovePropW(control, kControlKeysProperty);
    }
    m_state.reset();
}

LRESULT CALLBACK ControlKeys::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* state = static_cast<State*>(::GetPropW(hwnd, kControlKeysProperty));
    if (!state) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    const WNDPROC original = state->original;
    if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && state->handler) {
        const auto tell = [state](const std::exception* error) noexcept {
            try {
                if (state->failed) state->failed(error);
            } catch (...) {
            }
        };
        const KeyPress press{static_cast<UINT>(wParam), (HIWORD(lParam) & KF_ALTDOWN) != 0,
                             ::GetKeyState(VK_CONTROL) < 0, ::GetKeyState(VK_SHIFT) < 0};
        bool taken = false;
        try {
            taken = state->handler(press);
        } catch (const std::exception& error) {
            taken = true;
            tell(&error);
        } catch (...) {
            taken = true;
            tell(nullptr);
        }
        // The handler may have destroyed the control: state is not read again.
        if (taken) {
            // The system's own Alt tracking must still see a key pressed with
            // Alt, or letting go of Alt afterwards opens the window menu. The
            // default procedure does only that with it; the control is skipped.
            if (message == WM_SYSKEYDOWN) return ::DefWindowProcW(hwnd, message, wParam, lParam);
            return 0;
        }
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        ::RemovePropW(hwnd, kControlKeysProperty);
        state->control = nullptr;
    }
    return ::CallWindowProcW(original, hwnd, message, wParam, lParam);
}

} // namespace platform::ui

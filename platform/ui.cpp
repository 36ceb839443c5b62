#include "platform/ui.h"

#include "platform/code_page.h"
#include "platform/system_version.h"
#include "platform/win32_error.h"

#include <commctrl.h>

// Every call that carries text, and every call on the program's own windows,
// takes its W form on the NT family and its A form on 95, 98 and Me, where
// the W forms are stubs that fail. A window made by the A functions is an
// ANSI window, so its messages, its procedure and its subclass go the A way
// too. Text crosses in the ANSI code page there, which is all 9x has.

namespace platform {

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

} // namespace platform

namespace platform::ui {

namespace {

HINSTANCE ThisModule() noexcept
{
    return ::GetModuleHandleA(nullptr);
}

// For messages to the program's own windows and controls.
LRESULT SendTo(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    return IsNtFamily() ? ::SendMessageW(hwnd, message, wParam, lParam) : ::SendMessageA(hwnd, message, wParam, lParam);
}

// A message whose lParam is a string for the control to copy.
LRESULT SendText(HWND hwnd, UINT message, WPARAM wParam, const std::wstring& text)
{
    if (IsNtFamily()) return ::SendMessageW(hwnd, message, wParam, reinterpret_cast<LPARAM>(text.c_str()));
    const std::string ansi = ToAnsi(text);
    return ::SendMessageA(hwnd, message, wParam, reinterpret_cast<LPARAM>(ansi.c_str()));
}

LONG_PTR SetWindowValue(HWND hwnd, int index, LONG_PTR value) noexcept
{
    return IsNtFamily() ? ::SetWindowLongPtrW(hwnd, index, value) : ::SetWindowLongPtrA(hwnd, index, value);
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

HWND Item(HWND parent, int id) noexcept
{
    return ::GetDlgItem(parent, id);
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

// --- standard controls -----------------------------------------------------------

namespace list {

int Count(HWND list) noexcept
{
    const LRESULT count = SendTo(list, LB_GETCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : 0;
}

int Add(HWND list, const std::wstring& text)
{
    const LRESULT index = SendText(list, LB_ADDSTRING, 0, text);
    if (index < 0) ThrowError("LB_ADDSTRING", index == LB_ERRSPACE ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_DATA);
    return static_cast<int>(index);
}

void Insert(HWND list, int index, const std::wstring& text)
{
    const LRESULT at = SendText(list, LB_INSERTSTRING, static_cast<WPARAM>(index), text);
    if (at < 0) ThrowError("LB_INSERTSTRING", at == LB_ERRSPACE ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_DATA);
}

void Remove(HWND list, int index) noexcept
{
    SendTo(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

namespace {

// LB_GETTEXTLEN and LB_GETTEXT count in the characters of the form asked.
template <typename Text>
Text EntryText(HWND list, int index)
{
    const LRESULT length = SendTo(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) ThrowError("LB_GETTEXTLEN", ERROR_INVALID_INDEX);
    Text text(static_cast<std::size_t>(length) + 1, typename Text::value_type{});
    const LRESULT copied = SendTo(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

} // namespace

std::wstring Text(HWND list, int index)
{
    if (IsNtFamily()) return EntryText<std::wstring>(list, index);
    return FromAnsi(EntryText<std::string>(list, index));
}

bool Selected(HWND list, int index) noexcept
{
    return SendTo(list, LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

void Select(HWND list, int index, bool selected) noexcept
{
    SendTo(list, LB_SETSEL, selected ? TRUE : FALSE, static_cast<LPARAM>(index));
}

void SelectRange(HWND list, int first, int last) noexcept
{
    SendTo(list, LB_SELITEMRANGEEX, static_cast<WPARAM>(first), static_cast<LPARAM>(last));
}

std::optional<int> Caret(HWND list) noexcept
{
    const int count = Count(list);
    const LRESULT caret = SendTo(list, LB_GETCARETINDEX, 0, 0);
    if (count == 0 || caret < 0 || caret >= count) return std::nullopt;
    return static_cast<int>(caret);
}

void SetCaret(HWND list, int index) noexcept
{
    SendTo(list, LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
}

} // namespace list

namespace combo {

void Add(HWND combo, const std::wstring& text)
{
    const LRESULT index = SendText(combo, CB_ADDSTRING, 0, text);
    if (index < 0) ThrowError("CB_ADDSTRING", ERROR_NOT_ENOUGH_MEMORY);
}

std::optional<int> Chosen(HWND combo) noexcept
{
    const LRESULT index = SendTo(combo, CB_GETCURSEL, 0, 0);
    if (index < 0) return std::nullopt;
    return static_cast<int>(index);
}

void Choose(HWND combo, int index) noexcept
{
    SendTo(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
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
        SendTo(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), static_cast<LPARAM>(wanted));
        const int off = height - closedHeight();
        if (off == 0) return;
        wanted += off;
    }
}

} // namespace combo

namespace check {

int Value(HWND box) noexcept
{
    return SendTo(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void SetValue(HWND box, int value) noexcept
{
    SendTo(box, BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

} // namespace check

namespace sysmenu {

void AddCheckItem(HWND window, UINT id, const std::wstring& text)
{
    HMENU menu = ::GetSystemMenu(window, FALSE);
    if (!menu) ThrowLastError("GetSystemMenu");
    if (!::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr)) ThrowLastError("AppendMenuA");
    const bool added = IsNtFamily() ? ::AppendMenuW(menu, MF_STRING | MF_UNCHECKED, id, text.c_str())
                                    : ::AppendMenuA(menu, MF_STRING | MF_UNCHECKED, id, ToAnsi(text).c_str());
    if (!added) ThrowLastError("AppendMenu");
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

// An atom's name: the A and W forms name the same property.
constexpr char kControlKeysProperty[] = "Quillbay.ControlKeys";

LRESULT CallProcedure(WNDPROC procedure, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return IsNtFamily() ? ::CallWindowProcW(procedure, hwnd, message, wParam, lParam)
                        : ::CallWindowProcA(procedure, hwnd, message, wParam, lParam);
}

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
    if (!::SetPropA(control, kControlKeysProperty, m_state.get())) ThrowLastError("SetPropA");
    ::SetLastError(0);
    const LONG_PTR original = SetWindowValue(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure));
    if (!original && ::GetLastError()) {
        const DWORD code = ::GetLastError();
        ::RemovePropA(control, kControlKeysProperty);
        ThrowError("SetWindowLongPtr", code);
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
    if (control && ::GetPropA(control, kControlKeysProperty) == m_state.get()) {
        SetWindowValue(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_state->original));
        ::RemovePropA(control, kControlKeysProperty);
    }
    m_state.reset();
}

LRESULT CALLBACK ControlKeys::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* state = static_cast<State*>(::GetPropA(hwnd, kControlKeysProperty));
    if (!state) return DefaultProcedure(hwnd, message, wParam, lParam);
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
            if (message == WM_SYSKEYDOWN) return DefaultProcedure(hwnd, message, wParam, lParam);
            return 0;
        }
    }
    if (message == WM_NCDESTROY) {
        SetWindowValue(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        ::RemovePropA(hwnd, kControlKeysProperty);
        state->control = nullptr;
    }
    return CallProcedure(original, hwnd, message, wParam, lParam);
}

} // namespace platform::ui

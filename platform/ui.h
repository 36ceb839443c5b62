// The window layer: a top-level window with child controls, the message loop,
// fonts, icons, the standard controls' messages and message boxes. Thin
// wrappers over Win32 in 16-bit text; app/ calls them instead of user32.
#pragma once

#include "platform/handles.h"

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT style) noexcept;

} // namespace platform

namespace platform::ui {

// ---------------------------------------------------------------------------
// Measures.

// Dots per inch of the screen, as GDI reports it for new windows.
int ScreenDpi() noexcept;
// Twips (1440 an inch) to pixels at dpi, rounded to the nearest pixel.
int TwipsToPixels(int twips, int dpi) noexcept;

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

// ---------------------------------------------------------------------------
// Windows.

// Registers a window class once per process; later calls with the same name
// are accepted. Icons are the executable's icon resource iconId, if any.
void RegisterWindowClass(const wchar_t* className, WNDPROC procedure, int iconId);

// A hidden top-level window whose client area has the given size, placed
// where the system puts new windows. param reaches WM_NCCREATE.
UniqueWindow CreateTopLevel(const wchar_t* className, const std::wstring& caption, DWORD style, int clientWidth,
                            int clientHeight, void* param);
// A child control with the given id, style (WS_CHILD | WS_VISIBLE added) and font.
HWND CreateControl(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style, DWORD exStyle,
                   const Rect& rect, int id, HFONT font);

// The pointer stored at WM_NCCREATE (from CREATESTRUCT) and read back by the thunk.
void StoreCreateParam(HWND hwnd, LPARAM nccreateLParam) noexcept;
void* StoredParam(HWND hwnd) noexcept;
void ForgetParam(HWND hwnd) noexcept;

LRESULT DefaultProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
HWND Item(HWND parent, int id) noexcept;
std::wstring WindowText(HWND hwnd);
void ShowNormal(HWND hwnd) noexcept;
HWND FocusedWindow() noexcept;
void Focus(HWND hwnd) noexcept;
// The next (or previous) control in tab order after from, as dialogs move.
HWND NextTabItem(HWND parent, HWND from, bool previous) noexcept;
bool IsChildOf(HWND parent, HWND hwnd) noexcept;
void SetRedraw(HWND hwnd, bool redraw) noexcept;

// Runs the thread's messages until WM_QUIT, giving dialogWindow's keys (Tab,
// access keys, Enter) to IsDialogMessage; returns WM_QUIT's code.
int RunMessageLoop(HWND dialogWindow);
// Handles the messages already waiting, the same way, and returns.
void PumpWaitingMessages(HWND dialogWindow);
void PostQuit(int exitCode) noexcept;

// The screen's UI font of the given face, in points at dpi.
UniqueFont CreateUiFont(const wchar_t* face, int points, int dpi);

// ---------------------------------------------------------------------------
// Standard controls.

namespace list {
int Count(HWND list) noexcept;
// Appends an entry; throws when the list box refuses it.
int Add(HWND list, const std::wstring& text);
void Insert(HWND list, int index, const std::wstring& text);
void Remove(HWND list, int index) noexcept;
std::wstring Text(HWND list, int index);
bool Selected(HWND list, int index) noexcept;
void Select(HWND list, int index, bool selected) noexcept;
// Selects entries first to last, both included, in one message.
void SelectRange(HWND list, int first, int last) noexcept;
// The caret (focus) entry; empty for an empty list.
std::optional<int> Caret(HWND list) noexcept;
void SetCaret(HWND list, int index) noexcept;
} // namespace list

namespace combo {
void Add(HWND combo, const std::wstring& text);
std::optional<int> Chosen(HWND combo) noexcept;
void Choose(HWND combo, int index) noexcept;
// The height of the closed box, item field and border together.
void SetClosedHeight(HWND combo, int height) noexcept;
} // namespace combo

namespace check {
int Value(HWND box) noexcept; // 0 off, 1 on
void SetValue(HWND box, int value) noexcept;
} // namespace check

namespace sysmenu {
// Appends a separator and an unchecked item to the window's system menu.
void AddCheckItem(HWND window, UINT id, const std::wstring& text);
bool Checked(HWND window, UINT id) noexcept;
void SetChecked(HWND window, UINT id, bool checked) noexcept;
// The item id a WM_SYSCOMMAND names: the system keeps the low four bits.
inline UINT CommandOf(WPARAM wParam) noexcept { return static_cast<UINT>(wParam & 0xFFF0); }
} // namespace sysmenu

// ---------------------------------------------------------------------------
// Keys of one control.

struct KeyPress {
    UINT key = 0; // virtual-key code
    bool alt = false, ctrl = false, shift = false;
};

// Gives a control's key presses (WM_KEYDOWN and WM_SYSKEYDOWN) to handler
// before the control sees them; handler returns true for a key it took.
// Installed by replacing the control's window procedure (the subclassing
// helpers of common controls 6 are not there on Windows 95), and undone
// when the object goes. An exception from handler goes to failed.
class ControlKeys {
public:
    using Handler = std::function<bool(const KeyPress&)>;
    using Failed = std::function<void(const std::exception*)>;

    ControlKeys() noexcept;
    ControlKeys(HWND control, Handler handler, Failed failed);
    ~ControlKeys();
    ControlKeys(ControlKeys&& other) noexcept;
    ControlKeys& operator=(ControlKeys&& other) noexcept;
    ControlKeys(const ControlKeys&) = delete;
    ControlKeys& operator=(const ControlKeys&) = delete;

private:
    struct State;
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Reset() noexcept;

    std::unique_ptr<State> m_state;
};

} // namespace platform::ui

// The window layer: a top-level window with child controls, the message
// loop, fonts and message boxes, in 16-bit text; app/ calls them instead of
// user32. The W calls on the NT family, the A calls on 95, 98 and Me.
#pragma once

#include "platform/handles.h"

#include <windows.h>

#include <string>

namespace platform::ui {

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT style) noexcept;

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

// DefWindowProc of the window's own kind, ANSI on 9x.
LRESULT DefaultProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
std::wstring WindowText(HWND hwnd);
void ShowNormal(HWND hwnd) noexcept;
void SetRedraw(HWND hwnd, bool redraw) noexcept;

// Runs the thread's messages until WM_QUIT, giving dialogWindow's keys (Tab,
// access keys, Enter) to IsDialogMessage; returns WM_QUIT's code.
int RunMessageLoop(HWND dialogWindow);
// Handles the messages already waiting, the same way, and returns.
void PumpWaitingMessages(HWND dialogWindow);
void PostQuit(int exitCode) noexcept;

// The screen's UI font of the given face, in points at dpi.
UniqueFont CreateUiFont(const wchar_t* face, int points, int dpi);

} // namespace platform::ui

// Windows of any program: finding them, whose process they belong to,
// sending them messages and bringing them forward.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace platform {

HWND ForegroundWindow() noexcept;
// GetClassNameA into a buffer of bufferChars bytes, all NUL beforehand; the
// whole buffer is returned, the caller cuts it.
std::string ClassNameBuffer(HWND hwnd, int bufferChars);
HWND FindChild(HWND parent, const char* className) noexcept;
LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
// Waits at most timeoutMs for the window's thread to answer a message from
// its message loop, which it does only once the work in hand, such as making
// the window's children, is done. False when it did not answer in time.
bool WaitUntilAnswering(HWND hwnd, DWORD timeoutMs) noexcept;
// The top-level windows in z-order, front first, as EnumWindows walks them:
// a walk by GetWindow can loop or miss windows that change meanwhile.
std::vector<HWND> TopLevelWindows();
DWORD WindowProcessId(HWND hwnd) noexcept;
HWND ParentWindow(HWND hwnd) noexcept;
bool IsMaximized(HWND hwnd) noexcept;
void Show(HWND hwnd, int showCommand) noexcept;
bool BringToForeground(HWND hwnd) noexcept;
void SetTopmost(HWND hwnd, bool topmost) noexcept;

} // namespace platform

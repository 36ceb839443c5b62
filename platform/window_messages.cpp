#include "platform/window_messages.h"

namespace platform {

HWND ForegroundWindow() noexcept { return ::GetForegroundWindow(); }

std::string ClassNameBuffer(HWND hwnd, int bufferChars)
{
    std::string buffer(static_cast<std::size_t>(bufferChars), '\0');
    ::GetClassNameA(hwnd, buffer.data(), bufferChars);
    return buffer;
}

HWND FindChild(HWND parent, const char* className) noexcept
{
    return ::FindWindowExA(parent, nullptr, className, nullptr);
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    return ::SendMessageA(hwnd, message, wParam, lParam);
}

bool WaitUntilAnswering(HWND hwnd, DWORD timeoutMs) noexcept
{
    DWORD_PTR answer = 0;
    return ::SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &answer) != 0;
}

std::vector<HWND> TopLevelWindows()
{
    std::vector<HWND> windows;
    // Room for the usual count first; should the callback still run out of
    // memory, it ends the walk (no exception may cross the system) and the
    // windows so far are the answer.
    windows.reserve(256);
    struct Walk {
        static BOOL CALLBACK Each(HWND hwnd, LPARAM list) noexcept
        {
            try {
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
                return TRUE;
            } catch (...) {
                return FALSE; // out of memory: the windows so far
            }
        }
    };
    ::EnumWindows(&Walk::Each, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

DWORD WindowProcessId(HWND hwnd) noexcept
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

HWND ParentWindow(HWND hwnd) noexcept { return ::GetParent(hwnd); }
bool IsMaximized(HWND hwnd) noexcept { return ::IsZoomed(hwnd) != FALSE; }
void Show(HWND hwnd, int showCommand) noexcept { ::ShowWindow(hwnd, showCommand); }
bool BringToForeground(HWND hwnd) noexcept { return ::SetForegroundWindow(hwnd) != FALSE; }

void SetTopmost(HWND hwnd, bool topmost) noexcept
{
    ::SetWindowPos(hwnd, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

} // namespace platform

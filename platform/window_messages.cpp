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

HWND TopWindow(HWND parent) noexcept { return ::GetTopWindow(parent); }
HWND NextWindow(HWND hwnd, UINT command) noexcept { return ::GetWindow(hwnd, command); }

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

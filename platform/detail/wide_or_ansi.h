// The calls on the program's own windows that every unit of the window layer
// makes: W forms on the NT family, A forms on 95, 98 and Me, where the W
// forms are stubs that fail. A window made by the A functions is an ANSI
// window, so its messages and procedure go the A way too.
#pragma once

#include "platform/code_page.h"
#include "platform/system_version.h"

#include <windows.h>

#include <string>

namespace platform::detail {

inline HINSTANCE ThisModule() noexcept
{
    return ::GetModuleHandleA(nullptr);
}

// For messages to the program's own windows and controls.
inline LRESULT SendTo(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    return IsNtFamily() ? ::SendMessageW(hwnd, message, wParam, lParam) : ::SendMessageA(hwnd, message, wParam, lParam);
}

// A message whose lParam is a string for the control to copy.
inline LRESULT SendText(HWND hwnd, UINT message, WPARAM wParam, const std::wstring& text)
{
    if (IsNtFamily()) return ::SendMessageW(hwnd, message, wParam, reinterpret_cast<LPARAM>(text.c_str()));
    const std::string ansi = ToAnsi(text);
    return ::SendMessageA(hwnd, message, wParam, reinterpret_cast<LPARAM>(ansi.c_str()));
}

inline LONG_PTR SetWindowValue(HWND hwnd, int index, LONG_PTR value) noexcept
{
    return IsNtFamily() ? ::SetWindowLongPtrW(hwnd, index, value) : ::SetWindowLongPtrA(hwnd, index, value);
}

} // namespace platform::detail

// A failed Win32 call becomes an exception with the call's name and
// GetLastError(), so the code above this layer reads straight.
#pragma once

#include <windows.h>

#include <stdexcept>

namespace platform {

class Win32Error : public std::runtime_error {
public:
    Win32Error(const char* call, DWORD code);
    const char* Call() const noexcept { return m_call; }
    DWORD Code() const noexcept { return m_code; }

private:
    const char* m_call;
    DWORD m_code;
};

[[noreturn]] void ThrowLastError(const char* call);
[[noreturn]] void ThrowError(const char* call, DWORD code);

} // namespace platform

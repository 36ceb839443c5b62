#include "platform/win32_error.h"

#include <string>

namespace platform {

namespace {

std::string DescribeError(const char* call, DWORD code)
{
    return std::string(call) + " failed with error " + std::to_string(code);
}

} // namespace

Win32Error::Win32Error(const char* call, DWORD code)
    : std::runtime_error(DescribeError(call, code)), m_call(call), m_code(code)
{
}

void ThrowLastError(const char* call)
{
    throw Win32Error(call, ::GetLastError());
}

void ThrowError(const char* call, DWORD code)
{
    throw Win32Error(call, code);
}

} // namespace platform

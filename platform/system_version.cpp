#include "platform/system_version.h"

namespace platform {

std::optional<OSVERSIONINFOA> OsVersion(DWORD recordSize)
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = recordSize;
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    if (!::GetVersionExA(&info)) return std::nullopt;
    return info;
}

bool RunsUnderWine() noexcept
{
    static const bool underWine = [] {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return underWine;
}

} // namespace platform

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
        const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
        return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return underWine;
}

bool IsNtFamily() noexcept
{
    // 148 bytes: the plain OSVERSIONINFOA record, which every family accepts.
    static const bool nt = [] {
        const std::optional<OSVERSIONINFOA> version = OsVersion(148);
        return version && version->dwPlatformId == VER_PLATFORM_WIN32_NT;
    }();
    return nt;
}

} // namespace platform

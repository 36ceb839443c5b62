// Which Windows this process runs on, as the system reports it.
#pragma once

#include <windows.h>

#include <optional>

namespace platform {

// GetVersionExA with the record size set as the caller asks; empty on failure.
std::optional<OSVERSIONINFOA> OsVersion(DWORD recordSize = sizeof(OSVERSIONINFOA));

// Whether this process runs under Wine, whose ntdll exports wine_get_version.
// Wine reports whatever Windows version it is told to, so the version record
// cannot say this.
bool RunsUnderWine() noexcept;

// Whether this is Windows of the NT family (NT, 2000, XP and later) rather
// than of 95, 98 and Me, whose W functions are mostly stubs that fail. Asked
// once; a version record that cannot be had counts as 9x, whose paths work
// on every Windows.
bool IsNtFamily() noexcept;

} // namespace platform

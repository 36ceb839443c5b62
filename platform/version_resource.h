// Version resources of executables.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace platform {

// The fixed file information of an executable, following the version
// library's calls; empty when there is none or a call fails.
std::optional<VS_FIXEDFILEINFO> FixedFileInfo(const std::string& ansiPath);

} // namespace platform

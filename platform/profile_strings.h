// Private profile (INI) files, read and written by the system's functions in
// ANSI bytes.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

// GetPrivateProfileStringA into a zero-filled buffer of bufferSize bytes;
// returns the buffer cut at the returned length.
std::string ReadProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, DWORD bufferSize,
                              const std::string& file);
bool WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& file) noexcept;

} // namespace platform

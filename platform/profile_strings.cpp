#include "platform/profile_strings.h"

namespace platform {

std::string ReadProfileString(const std::string& section, const std::string& key, const std::string& defaultValue,
                              DWORD bufferSize, const std::string& file)
{
    // Zero-filled, and cut at the returned length: a value cut inside a
    // double-byte character can leave stray bytes behind the terminator.
    std::string buffer(bufferSize, '\0');
    const DWORD copied = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                                                    bufferSize, file.c_str());
    buffer.resize(copied < bufferSize ? copied : 0);
    return buffer;
}

bool WriteProfileString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& file) noexcept
{
    return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

} // namespace platform

#include "settings/ini_access.h"

#include "platform/code_page.h"
#include "platform/file_access.h"
#include "platform/profile_strings.h"
#include "platform/programs.h"

namespace {

// One read of at most 255 bytes and a NUL; a longer value is cut, never read twice.
constexpr unsigned kReadBufferBytes = 256;

// A folder at a drive's root already ends in "\"; no doubled separator.
std::wstring JoinFolderAndName(const std::wstring& folder, const std::wstring& name)
{
    if (!folder.empty() && folder.back() == L'\\') return folder + name;
    return folder + L"\\" + name;
}

} // namespace

void INIAccess::SetAppPathFilename(const std::wstring& strFileName)
{
    FileName = JoinFolderAndName(platform::ExecutableFolder(), strFileName);
}

bool INIAccess::SetINIData(const std::wstring& strKey, const std::wstring& strData, const std::wstring& strSection)
{
    if (FileName.empty()) return false;
    if (strSection.empty() && Section.empty()) return false;
    // Taken over before the write, and kept even when the write fails.
    if (!strSection.empty()) Section = strSection;
    return platform::WriteProfileString(platform::ToAnsi(Section), platform::ToAnsi(strKey), platform::ToAnsi(strData),
                                        platform::ToAnsi(FileName));
}

std::wstring INIAccess::GetINIData(const std::wstring& strKey, const std::wstring& strSection)
{
    if (FileName.empty()) return {};
    if (strSection.empty() && Section.empty()) return {};
    // A missing file refuses before the section is taken over.
    if (!FileExists(FileName)) return {};
    if (!strSection.empty()) Section = strSection;
    const std::string value = platform::ReadProfileString(platform::ToAnsi(Section), platform::ToAnsi(strKey), "",
                                                          kReadBufferBytes, platform::ToAnsi(FileName));
    // The platform cuts at the returned length; the first NUL ends the value all the same.
    return platform::FromAnsi(value.substr(0, value.find('\0')));
}

bool INIAccess::FileExists(const std::wstring& path)
{
    return platform::PathExists(platform::ToAnsi(path));
}

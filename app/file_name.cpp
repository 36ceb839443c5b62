#include "app/file_name.h"

#include "platform/code_page.h"
#include "platform/file_access.h"
#include "platform/system_version.h"

#include <utility>

namespace mdlQuillbay {

namespace {

// PathStripPath moves the name to the front and leaves the rest behind its NUL.
std::wstring UpToNul(std::wstring name)
{
    const std::size_t nul = name.find(L'\0');
    if (nul != std::wstring::npos) name.resize(nul);
    return name;
}

} // namespace

std::wstring GetFileNameFromPath(const std::wstring& path)
{
    // Through the ANSI form, so that a "\" byte inside a double-byte character
    // is no separator; the bytes behind the moved name are converted too and
    // then cut at the NUL PathStripPathA left.
    std::string buffer = platform::ToAnsi(path);
    platform::StripPath(buffer);
    return UpToNul(platform::FromAnsi(buffer));
}

std::wstring ListedName(const std::wstring& path)
{
    if (!platform::IsNtFamily()) return GetFileNameFromPath(path);
    std::wstring name = path;
    platform::StripPath(name);
    return UpToNul(std::move(name));
}

} // namespace mdlQuillbay

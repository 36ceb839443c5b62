#include "app/file_name.h"

#include "platform/code_page.h"
#include "platform/file_access.h"

namespace mdlQuillbay {

std::wstring GetFileNameFromPath(const std::wstring& path)
{
    // Through the ANSI form, so that a "\" byte inside a double-byte character
    // is no separator; the bytes behind the moved name are converted too and
    // then cut at the NUL PathStripPathA left.
    std::string buffer = platform::ToAnsi(path);
    platform::StripPath(buffer);
    std::wstring name = platform::FromAnsi(buffer);
    const std::size_t nul = name.find(L'\0');
    if (nul != std::wstring::npos) name.resize(nul);
    return name;
}

} // namespace mdlQuillbay

// The name a dropped file is listed by. One of mdlQuillbay's functions, kept
// apart so that the window, which mdlQuillbay::Main runs, needs nothing else
// of that module.
#pragma once

#include <string>

namespace mdlQuillbay {

// The final component of path, as PathStripPathA finds it in the ANSI form.
std::wstring GetFileNameFromPath(const std::wstring& path);

} // namespace mdlQuillbay

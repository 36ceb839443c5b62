// The name of a file: mdlQuillbay's GetFileNameFromPath, kept apart so that
// the window, which mdlQuillbay::Main runs, needs nothing else of that
// module, and the name the window's list shows.
#pragma once

#include <string>

namespace mdlQuillbay {

// The final component of path, as PathStripPathA finds it in the ANSI form.
std::wstring GetFileNameFromPath(const std::wstring& path);

// The final component of path as the list shows it: on the NT family in
// 16-bit text, so that a name outside the code page (an emoji, Hangul) shows
// as it is and two such files can be told apart; on 95, 98 and Me, where the
// ANSI path is all a file has, GetFileNameFromPath.
std::wstring ListedName(const std::wstring& path);

} // namespace mdlQuillbay

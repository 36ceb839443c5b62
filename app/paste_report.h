// What the message boxes say: every box that names files is built here, from
// one rule for naming them, so that each box stays on the screen with its
// buttons whatever the list holds; and the words for what was not expected.
#pragma once

#include "app/file_encoding.h"
#include "app/paste.h"

#include <cstddef>
#include <exception>
#include <string>
#include <vector>

namespace pasteReport {

// A box names at most this many files, each path cut to this many
// characters: a box that grows with the list ends up taller than the screen,
// its buttons out of reach, and a path of millions of characters froze the
// window while the box was laid out.
inline constexpr std::size_t kNamedFiles = 5;
inline constexpr std::size_t kShownPathChars = 100;

// The path as a box shows it: whole when short, else its head and its end
// around an ellipsis, never splitting a surrogate pair.
std::wstring ShownPath(const std::wstring& path);

// Why the paste was stopped: the files that cannot be pasted, with the reason of each.
std::wstring UnpastableFilesMessage(const std::vector<paste::UnpastableFile>& files);

// The question before pasting files with characters the code page cannot hold.
std::wstring LossyFilesMessage(const std::vector<fileEncoding::LossyFile>& files);

// An error the program did not expect, in words a user can read: the failed
// call and its code for the platform's errors, never a C++ type's name.
// error may be null (something that is no std::exception).
std::wstring UnexpectedErrorMessage(const std::exception* error);

} // namespace pasteReport

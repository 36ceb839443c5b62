// Programs: starting one, waiting for it, the process that started this
// one, and where the running executable lives.
#pragma once

#include "platform/handles.h"

#include <windows.h>

#include <optional>
#include <string>

namespace platform {

struct StartedProcess {
    UniqueProcess process;
    DWORD id = 0;
};

// Starts an executable by its full path with no arguments and the given show
// command. The path is quoted, so blanks in it are safe. Throws Win32Error.
StartedProcess StartProgram(const std::wstring& path, int showCommand);
// WaitForInputIdle; INFINITE waits without limit.
DWORD WaitUntilIdle(HANDLE process, DWORD milliseconds) noexcept;
// Whether the process ended within the time given (0: has it ended now).
bool WaitForExit(HANDLE process, DWORD milliseconds) noexcept;

// The process that started this one, while it runs: empty when it has ended
// or cannot be told (a number handed on to a process started after this one
// is no parent).
std::optional<DWORD> ParentProcessId();

std::wstring ExecutablePath();
// Folder of the running executable: no trailing "\" except at a drive's root.
std::wstring ExecutableFolder();
// File name of the running executable without folder and extension.
std::wstring ExecutableBaseName();

} // namespace platform

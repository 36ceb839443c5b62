// ToolProbe: a program to start from the stand-in's Tools menu. It writes
// what a tool finds at its start (the foreground window, its own working
// folder) to the file that the environment variable QB_TOOLPROBE_OUT names,
// then ends. Without the variable it does nothing.
#include "platform/handles.h"

#include <windows.h>

#include <cstdint>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    wchar_t out[MAX_PATH * 2] = {};
    if (!::GetEnvironmentVariableW(L"QB_TOOLPROBE_OUT", out, MAX_PATH * 2)) return 1;

    const HWND foreground = ::GetForegroundWindow();
    char className[256] = {};
    if (foreground) ::GetClassNameA(foreground, className, sizeof className);
    DWORD processId = 0;
    if (foreground) ::GetWindowThreadProcessId(foreground, &processId);
    char folder[MAX_PATH * 2] = {};
    ::GetCurrentDirectoryA(sizeof folder, folder);

    // One line: the foreground window's handle, class and process, then the folder.
    const std::string line = std::to_string(reinterpret_cast<std::uintptr_t>(foreground)) + "\t" + className + "\t" +
                             std::to_string(processId) + "\t" + folder + "\r\n";
    platform::UniqueFile file(::CreateFileW(out, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 2;
    DWORD written = 0;
    ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return 0;
}

#include "platform/programs.h"

#include "platform/win32_error.h"

#include <tlhelp32.h>

namespace platform {

StartedProcess StartProgram(const std::wstring& path, int showCommand)
{
    if (path.empty()) ThrowError("CreateProcessW", ERROR_FILE_NOT_FOUND);
    // The module name goes in lpApplicationName as well, so a path with blanks
    // can never be split into a shorter program and arguments.
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info))
        ThrowLastError("CreateProcessW");
    UniqueThread thread(info.hThread);
    StartedProcess started;
    started.process.reset(info.hProcess);
    started.id = info.dwProcessId;
    return started;
}

DWORD WaitUntilIdle(HANDLE process, DWORD milliseconds) noexcept
{
    return ::WaitForInputIdle(process, milliseconds);
}

bool WaitForExit(HANDLE process, DWORD milliseconds) noexcept
{
    return ::WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0;
}

namespace {

std::optional<ULONGLONG> CreationTime(HANDLE process) noexcept
{
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return std::nullopt;
    return ULARGE_INTEGER{{created.dwLowDateTime, created.dwHighDateTime}}.QuadPart;
}

} // namespace

std::optional<DWORD> ParentProcessId()
{
    const DWORD self = ::GetCurrentProcessId();
    DWORD parent = 0;
    {
        const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot) return std::nullopt;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
            if (entry.th32ProcessID == self) {
                parent = entry.th32ParentProcessID;
                break;
            }
        }
    }
    if (parent == 0 || parent == self) return std::nullopt;
    // The snapshot keeps the number of a parent that has ended, and the
    // system may have given it to a newer process since.
    UniqueProcess process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parent));
    if (!process) process.reset(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, parent));
    if (!process) return std::nullopt;
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(process.get(), &exitCode) || exitCode != STILL_ACTIVE) return std::nullopt;
    const std::optional<ULONGLONG> parentCreated = CreationTime(process.get());
    const std::optional<ULONGLONG> selfCreated = CreationTime(::GetCurrentProcess());
    if (!parentCreated || !selfCreated || *parentCreated > *selfCreated) return std::nullopt;
    return parent;
}

std::wstring ExecutablePath()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) ThrowLastError("GetModuleFileNameW");
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring ExecutableFolder()
{
    std::wstring path = ExecutablePath();
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return path;
    // At a drive's root the folder keeps its "\" (C:\), as the shell reports it.
    if (slash == 2 && path[1] == L':') return path.substr(0, 3);
    return path.substr(0, slash);
}

std::wstring ExecutableBaseName()
{
    std::wstring path = ExecutablePath();
    const std::size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot != 0) name.resize(dot);
    return name;
}

} // namespace platform

#include "platform/programs.h"

#include "platform/code_page.h"
#include "platform/system_version.h"
#include "platform/win32_error.h"

#include <tlhelp32.h>

namespace platform {

StartedProcess StartProgram(const std::wstring& path, int showCommand)
{
    const bool wide = IsNtFamily();
    const char* const call = wide ? "CreateProcessW" : "CreateProcessA";
    if (path.empty()) ThrowError(call, ERROR_FILE_NOT_FOUND);
    // The module name goes in lpApplicationName as well, so a path with blanks
    // can never be split into a shorter program and arguments.
    PROCESS_INFORMATION info{};
    const auto start = [&](auto startup, const auto& module, auto commandLine, auto create) {
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showCommand);
        if (!create(module.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            ThrowLastError(call);
    };
    if (wide) {
        start(STARTUPINFOW{}, path, L"\"" + path + L"\"", ::CreateProcessW);
    } else {
        // A name the code page cannot write names no program on 9x.
        const std::optional<std::string> ansi = ExactAnsi(path);
        if (!ansi) ThrowError(call, ERROR_FILE_NOT_FOUND);
        start(STARTUPINFOA{}, *ansi, "\"" + *ansi + "\"", ::CreateProcessA);
    }
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

// The process snapshot functions, looked up rather than imported: NT 4.0
// has none of them, and a program that imported them would not start there.
struct ToolHelp {
    using Snapshot = HANDLE(WINAPI*)(DWORD, DWORD);
    using Walk = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);
    Snapshot snapshot = nullptr;
    Walk first = nullptr, next = nullptr;
};

std::optional<ToolHelp> FindToolHelp() noexcept
{
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (!kernel) return std::nullopt;
    ToolHelp found;
    found.snapshot = reinterpret_cast<ToolHelp::Snapshot>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "CreateToolhelp32Snapshot")));
    // The A forms: only process numbers are read, and 95 has no W forms.
    found.first = reinterpret_cast<ToolHelp::Walk>(reinterpret_cast<void*>(::GetProcAddress(kernel, "Process32First")));
    found.next = reinterpret_cast<ToolHelp::Walk>(reinterpret_cast<void*>(::GetProcAddress(kernel, "Process32Next")));
    if (!found.snapshot || !found.first || !found.next) return std::nullopt;
    return found;
}

} // namespace

std::optional<DWORD> ParentProcessId()
{
    // 95, 98 and Me cannot say when a process started (GetProcessTimes fails
    // there), so a parent's number that the system has since given to a
    // newer process cannot be told from the parent: no parent is named, and
    // the editor in front is taken, as when started any other way.
    if (!IsNtFamily()) return std::nullopt;
    const std::optional<ToolHelp> toolHelp = FindToolHelp();
    if (!toolHelp) return std::nullopt;
    const DWORD self = ::GetCurrentProcessId();
    DWORD parent = 0;
    {
        const UniqueFile snapshot(toolHelp->snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot) return std::nullopt;
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = toolHelp->first(snapshot.get(), &entry); more; more = toolHelp->next(snapshot.get(), &entry)) {
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

namespace {

// A buffer that the name filled to the last character may have been cut:
// try again with twice the room.
template <typename Text, typename Get>
Text ModulePath(Get get, const char* call)
{
    Text buffer(MAX_PATH, typename Text::value_type{});
    for (;;) {
        const DWORD length = get(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) ThrowLastError(call);
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

std::wstring ExecutablePath()
{
    if (IsNtFamily()) return ModulePath<std::wstring>(::GetModuleFileNameW, "GetModuleFileNameW");
    return FromAnsi(ModulePath<std::string>(::GetModuleFileNameA, "GetModuleFileNameA"));
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

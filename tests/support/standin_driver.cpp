#include "support/standin_driver.h"

#include "platform/code_page.h"
#include "platform/handles.h"
#include "platform/programs.h"
#include "platform/win32_error.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <sstream>
#include <stdexcept>

namespace testsupport {

namespace {

std::runtime_error Failure(const std::string& what)
{
    return std::runtime_error("StandIn: " + what);
}

std::wstring Quote(const std::wstring& argument)
{
    // CommandLineToArgvW rules: backslashes before a quote are doubled.
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

struct FindMainWindow {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindMainWindowOf(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<FindMainWindow*>(param);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hwnd, &processId);
    char className[64] = {};
    ::GetClassNameA(hwnd, className, sizeof className);
    if (processId == search->processId && std::string(className) == standin::kMainWindowClass) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

bool ForegroundIs(HWND hwnd, DWORD milliseconds)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (::GetForegroundWindow() == hwnd) return true;
        if (::GetTickCount() - start > milliseconds) return false;
        PumpMessages();
        ::Sleep(20);
    }
}

// Whole lines only: the stand-in may be writing the last one right now.
std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) break;
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

} // namespace

// --- StandIn -----------------------------------------------------------------

StandIn::StandIn(StandInOptions options) : m_folder(MakeTempDir())
{
    try {
        const std::wstring exe = options.exePath.empty() ? StandInExePath() : options.exePath;
        std::vector<std::wstring> args = {L"--log", LogPath(), L"--state", StatePath()};
        auto add = [&](const wchar_t* name, const std::wstring& value) {
            if (!value.empty()) {
                args.emplace_back(name);
                args.push_back(value);
            }
        };
        add(L"--file", options.file);
        add(L"--text-file", options.textFile);
        add(L"--ini", options.ini);
        add(L"--tool", options.tool);
        add(L"--tool-caption", options.toolCaption);
        if (options.noFileEdit) args.emplace_back(L"--no-fileedit");
        if (options.noExeName) args.emplace_back(L"--no-exename");
        if (options.noIniFile) args.emplace_back(L"--no-inifile");
        if (options.readOnly) args.emplace_back(L"--readonly");
        if (options.ownedPopup) args.emplace_back(L"--owned-popup");
        if (options.limit) add(L"--limit", std::to_wstring(*options.limit));
        if (options.exitAfter) add(L"--exit-after", std::to_wstring(*options.exitAfter));
        if (options.editMode != 0) add(L"--edit-mode", std::to_wstring(options.editMode));
        add(L"--pause-after-replace", options.pauseAfterReplace);
        args.insert(args.end(), options.extraArgs.begin(), options.extraArgs.end());

        std::wstring commandLine = Quote(exe);
        for (const std::wstring& arg : args) commandLine += L" " + Quote(arg);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &info))
            throw Failure("cannot start " + platform::ToAnsi(exe) + ": error " + std::to_string(::GetLastError()));
        m_process.reset(info.hProcess);
        platform::UniqueThread thread(info.hThread);
        m_processId = info.dwProcessId;
        ::WaitForInputIdle(m_process.get(), 10000);

        FindMainWindow search{m_processId, nullptr};
        const DWORD start = ::GetTickCount();
        while (!search.found) {
            ::EnumWindows(FindMainWindowOf, reinterpret_cast<LPARAM>(&search));
            if (search.found) break;
            if (WaitForExit(0)) throw Failure("the stand-in ended at its start (bad options?)");
            if (::GetTickCount() - start > 10000) throw Failure("no TTeraPadMainForm appeared");
            ::Sleep(20);
        }
        m_main = search.found;
        m_edit = ::FindWindowExA(m_main, nullptr, standin::kMemoClass, nullptr);
        if (!m_edit) throw Failure("the main window has no editing control");
        BringToFront();
        ClearLog();
    } catch (...) {
        if (m_process) ::TerminateProcess(m_process.get(), 1);
        if (m_process) ::WaitForSingleObject(m_process.get(), 5000);
        RemoveTree(m_folder);
        throw;
    }
}

StandIn::~StandIn()
{
    try {
        // A Wine GUI process takes two seconds to end after WM_CLOSE, which
        // adds up over hundreds of tests; nothing reads this one's goodbye.
        // Close() is there for the tests that need the editor to go away.
        if (m_process && !WaitForExit(0)) {
            ::TerminateProcess(m_process.get(), 1);
            WaitForExit(5000);
        }
    } catch (...) {
    }
    RemoveTree(m_folder);
}

void StandIn::BringToFront()
{
    // Wine grants the foreground to any process; a window manager may still
    // take a moment to report it.
    for (int attempt = 0; attempt < 5; ++attempt) {
        ::SetForegroundWindow(m_main);
        if (ForegroundIs(m_main, 400)) return;
    }
    throw Failure("cannot bring the stand-in to the foreground");
}

std::vector<std::string> StandIn::Log()
{
    return SplitLines(ReadFileBytes(LogPath()));
}

void StandIn::ClearLog()
{
    if (!::SendMessageA(m_main, kMsgTruncateLog, 0, 0)) throw Failure("the log was not emptied");
}

void StandIn::DumpState()
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(m_main, kMsgDumpState, 0, 0, SMTO_NORMAL, 30000, &result))
        throw Failure("no answer to the state request");
    if (static_cast<LONG_PTR>(result) < 0) throw Failure("the stand-in has no state file");
}

std::string StandIn::Document()
{
    DumpState();
    return ReadFileBytes(StatePath());
}

StandIn::Info StandIn::State()
{
    DumpState();
    std::istringstream line(ReadFileBytes(StatePath() + L".info"));
    Info info;
    int modified = 0;
    line >> info.selStart >> info.selEnd >> modified >> info.undoDepth >> info.reloadCount >> info.receivedBytes >>
        info.editCount;
    if (!line) throw Failure("unreadable state line");
    info.modified = modified != 0;
    return info;
}

void StandIn::SetDocument(const std::string& ansiBytes)
{
    // Through a file: the stand-in's stack has room for a path, not for a
    // document of megabytes (see its README).
    const std::wstring path = m_folder + L"\\document.bin";
    WriteFileBytes(path, ansiBytes);
    COPYDATASTRUCT data{kCopySetDocument, static_cast<DWORD>(path.size() * sizeof(wchar_t)),
                        const_cast<wchar_t*>(path.data())};
    if (!::SendMessageA(m_main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)))
        throw Failure("the document was not replaced");
}

void StandIn::SetSelection(int start, int end)
{
    std::int32_t range[2] = {start, end};
    COPYDATASTRUCT data{kCopySetSelection, sizeof range, range};
    if (!::SendMessageA(m_main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)))
        throw Failure("the selection was not set");
}

void StandIn::Close()
{
    ::PostMessageA(m_main, WM_CLOSE, 0, 0);
    if (!WaitForExit(10000)) throw Failure("the stand-in did not close");
}

bool StandIn::WaitForExit(DWORD milliseconds)
{
    return ::WaitForSingleObject(m_process.get(), milliseconds) == WAIT_OBJECT_0;
}

// --- files and folders ---------------------------------------------------------

std::wstring TestBinDir()
{
    return platform::ExecutableFolder();
}

std::wstring StandInExePath() { return TestBinDir() + L"\\StandInPad.exe"; }
std::wstring NoVersionExePath() { return TestBinDir() + L"\\NoVersion.exe"; }

std::wstring MakeTempDir()
{
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH + 1] = {};
    if (!::GetTempPathW(MAX_PATH + 1, temp)) platform::ThrowLastError("GetTempPathW");
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring path = std::wstring(temp) + L"qb-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(::GetTickCount()) + L"-" + std::to_wstring(counter++);
        if (::CreateDirectoryW(path.c_str(), nullptr)) return path;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) platform::ThrowLastError("CreateDirectoryW");
    }
    throw std::runtime_error("MakeTempDir: no free name");
}

void RemoveTree(const std::wstring& folder) noexcept
{
    if (folder.empty()) return;
    WIN32_FIND_DATAW entry{};
    const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
            else {
                ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(search, &entry));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(folder.c_str());
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    platform::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) platform::ThrowLastError("CreateFileW");
    DWORD written = 0;
    if (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        platform::ThrowLastError("WriteFile");
}

std::string ReadFileBytes(const std::wstring& path)
{
    // Shared for writing too: the stand-in keeps its log open.
    platform::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) platform::ThrowLastError("CreateFileW");
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) platform::ThrowLastError("GetFileSizeEx");
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr))
            platform::ThrowLastError("ReadFile");
        if (read == 0) break;
        done += read;
    }
    bytes.resize(done);
    return bytes;
}

// --- ForeignWindow --------------------------------------------------------------

ForeignWindow::ForeignWindow(const wchar_t* className)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = className;
    ::RegisterClassW(&wc); // registered once per process; a second time fails harmlessly
    m_window.reset(::CreateWindowExW(0, className, className, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 300, 160,
                                     nullptr, nullptr, wc.hInstance, nullptr));
    if (!m_window) platform::ThrowLastError("CreateWindowExW(foreign)");
    BringToFront();
}

ForeignWindow::~ForeignWindow() = default;

void ForeignWindow::BringToFront()
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        ::SetForegroundWindow(m_window.get());
        if (ForegroundIs(m_window.get(), 400)) return;
    }
    throw std::runtime_error("ForeignWindow: cannot bring it to the foreground");
}

void PumpMessages()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

// --- SameMessages ----------------------------------------------------------------

::testing::AssertionResult SameMessages(const std::vector<std::string>& expected, const std::vector<std::string>& actual)
{
    if (expected == actual) return ::testing::AssertionSuccess();
    std::size_t width = 8;
    for (const std::string& line : expected) width = std::max(width, line.size());
    std::ostringstream out;
    out << "the messages differ (" << expected.size() << " expected, " << actual.size() << " received)\n";
    out << "     " << std::string("expected").append(width - 8, ' ') << " | actual\n";
    bool marked = false;
    for (std::size_t i = 0; i < std::max(expected.size(), actual.size()); ++i) {
        const std::string e = i < expected.size() ? expected[i] : "-";
        const std::string a = i < actual.size() ? actual[i] : "-";
        const bool differs = i >= expected.size() || i >= actual.size() || expected[i] != actual[i];
        const char* mark = differs && !marked ? ">>" : (differs ? " *" : "  ");
        if (differs) marked = true;
        char number[8];
        std::snprintf(number, sizeof number, "%2zu", i + 1);
        out << mark << number << " " << e << std::string(width - std::min(width, e.size()), ' ') << " | " << a << "\n";
    }
    return ::testing::AssertionFailure() << out.str();
}

} // namespace testsupport

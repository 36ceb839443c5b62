#include "support/standin_driver.h"

#include "platform/code_page.h"
#include "platform/handles.h"
#include "platform/programs.h"
#include "platform/win32_error.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace testsupport {

namespace {

std::runtime_error Failure(const std::string& what) { return std::runtime_error("StandIn: " + what); }

// CommandLineToArgvW's rules: backslashes are doubled only before a quote, the closing one too.
std::wstring Quote(const std::wstring& argument)
{
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'"') quoted.append(backslashes + 1, L'\\');
        backslashes = c == L'\\' ? backslashes + 1 : 0;
        quoted += c;
    }
    return quoted.append(backslashes, L'\\') + L"\"";
}

HWND MainWindowOf(DWORD processId)
{
    for (HWND hwnd = nullptr; (hwnd = ::FindWindowExA(nullptr, hwnd, standin::kMainWindowClass, nullptr));) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        if (owner == processId) return hwnd;
    }
    return nullptr;
}

void MakeForeground(HWND hwnd, const std::string& who)
{
    // Wine grants the foreground to any process; a window manager may take a moment.
    for (int attempt = 0; attempt < 5; ++attempt) {
        ::SetForegroundWindow(hwnd);
        for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start <= 400; ::Sleep(20)) {
            if (::GetForegroundWindow() == hwnd) return;
            PumpMessages();
        }
    }
    throw std::runtime_error(who + ": cannot bring it to the foreground");
}

} // namespace

StandIn::StandIn(StandInOptions options) : m_folder(MakeTempDir())
{
    try {
        const std::wstring exe = options.exePath.empty() ? StandInExePath() : options.exePath;
        const std::pair<const wchar_t*, std::wstring> values[] = {
            {L"--log", m_folder + L"\\log.txt"}, {L"--state", m_folder + L"\\state.bin"}, {L"--file", options.file},
            {L"--ini", options.ini}, {L"--tool", options.tool}, {L"--pause-after-replace", options.pauseAfterReplace},
            {L"--limit", options.limit ? std::to_wstring(*options.limit) : L""},
            {L"--exit-after", options.exitAfter ? std::to_wstring(*options.exitAfter) : L""},
            {L"--edit-mode", options.editMode ? std::to_wstring(options.editMode) : L""}};
        const std::pair<const wchar_t*, bool> flags[] = {
            {L"--no-fileedit", options.noFileEdit}, {L"--no-exename", options.noExeName},
            {L"--no-inifile", options.noIniFile}, {L"--readonly", options.readOnly},
            {L"--owned-popup", options.ownedPopup}};
        std::wstring commandLine = Quote(exe);
        for (const auto& [name, value] : values)
            if (!value.empty()) commandLine += std::wstring(L" ") + name + L" " + Quote(value);
        for (const auto& [name, given] : flags)
            if (given) commandLine += std::wstring(L" ") + name;

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
        for (const DWORD start = ::GetTickCount(); !(m_main = MainWindowOf(m_processId)); ::Sleep(20)) {
            if (WaitForExit(0)) throw Failure("the stand-in ended at its start (bad options?)");
            if (::GetTickCount() - start > 10000) throw Failure("no TTeraPadMainForm appeared");
        }
        m_edit = ::FindWindowExA(m_main, nullptr, standin::kMemoClass, nullptr);
        if (!m_edit) throw Failure("the main window has no editing control");
        BringToFront();
        ClearLog();
    } catch (...) {
        if (m_process && ::TerminateProcess(m_process.get(), 1)) WaitForExit(5000);
        RemoveTree(m_folder);
        throw;
    }
}

StandIn::~StandIn()
{
    // WM_CLOSE costs a Wine GUI process two seconds, hundreds of times over.
    if (m_process && !WaitForExit(0) && ::TerminateProcess(m_process.get(), 1)) WaitForExit(5000);
    RemoveTree(m_folder);
}

void StandIn::BringToFront() { MakeForeground(m_main, "StandIn"); }

std::vector<std::string> StandIn::Log()
{
    std::istringstream text(ReadFileBytes(m_folder + L"\\log.txt"));
    std::vector<std::string> lines;
    // Whole lines only: the stand-in may be writing the last one right now.
    for (std::string line; std::getline(text, line) && !text.eof();) lines.push_back(line.substr(0, line.find('\r')));
    return lines;
}

void StandIn::ClearLog()
{
    if (!::SendMessageA(m_main, standin::kMsgTruncateLog, 0, 0)) throw Failure("the log was not emptied");
}

std::wstring StandIn::DumpState()
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(m_main, standin::kMsgDumpState, 0, 0, SMTO_NORMAL, 30000, &result))
        throw Failure("no answer to the state request");
    if (static_cast<LONG_PTR>(result) < 0) throw Failure("the stand-in has no state file");
    return m_folder + L"\\state.bin";
}

std::string StandIn::Document() { return ReadFileBytes(DumpState()); }

StandIn::Info StandIn::State()
{
    std::istringstream line(ReadFileBytes(DumpState() + L".info"));
    Info info;
    line >> info.selStart >> info.selEnd >> info.modified >> info.undoDepth >> info.reloadCount >> info.receivedBytes >>
        info.editCount;
    if (!line) throw Failure("unreadable state line");
    return info;
}

void StandIn::SetDocument(const std::string& ansiBytes)
{
    // A path, not the bytes: the stand-in's 1 MB stack has no room for megabytes.
    const std::wstring path = m_folder + L"\\document.bin";
    WriteFileBytes(path, ansiBytes);
    COPYDATASTRUCT data{standin::kCopySetDocument, static_cast<DWORD>(path.size() * sizeof(wchar_t)),
                        const_cast<wchar_t*>(path.data())};
    if (!::SendMessageA(m_main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)))
        throw Failure("the document was not replaced");
}

void StandIn::SetSelection(int start, int end)
{
    std::int32_t range[2] = {start, end};
    COPYDATASTRUCT data{standin::kCopySetSelection, sizeof range, range};
    if (!::SendMessageA(m_main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)))
        throw Failure("the selection was not set");
}

void StandIn::Close()
{
    ::PostMessageA(m_main, WM_CLOSE, 0, 0);
    if (!WaitForExit(10000)) throw Failure("the stand-in did not close");
}

bool StandIn::WaitForExit(DWORD ms) { return ::WaitForSingleObject(m_process.get(), ms) == WAIT_OBJECT_0; }

std::wstring TestBinDir() { return platform::ExecutableFolder(); }
std::wstring StandInExePath() { return TestBinDir() + L"\\StandInPad.exe"; }
std::wstring NoVersionExePath() { return TestBinDir() + L"\\NoVersion.exe"; }

std::wstring MakeTempDir()
{
    static std::atomic<unsigned> counter{0};
    const std::wstring base = (std::filesystem::temp_directory_path() / L"qb-").wstring() +
                              std::to_wstring(::GetCurrentProcessId()) + L"-";
    for (std::wstring path;;) // a name left behind by an earlier process of the same number is skipped
        if (std::filesystem::create_directory(path = base + std::to_wstring(counter++))) return path;
}

void RemoveTree(const std::wstring& folder) noexcept
{
    // Not std::filesystem::remove_all: it hangs under Wine on a FIFO that a test leaves in its folder.
    WIN32_FIND_DATAW entry{};
    const HANDLE search = folder.empty() ? INVALID_HANDLE_VALUE : ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(search, &entry)) {
        const std::wstring name = entry.cFileName, path = folder + L"\\" + name;
        if (name == L"." || name == L"..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL); // a folder is gone by now: both fail
        ::DeleteFileW(path.c_str());
    }
    if (search != INVALID_HANDLE_VALUE) ::FindClose(search);
    ::RemoveDirectoryW(folder.c_str());
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    if (!file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush())
        throw std::runtime_error("WriteFileBytes: cannot write " + platform::ToAnsi(path));
}

std::string ReadFileBytes(const std::wstring& path)
{
    // The C runtime opens a file shared for writing: the stand-in keeps its log open.
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    if (!file) throw std::runtime_error("ReadFileBytes: cannot open " + platform::ToAnsi(path));
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

ForeignWindow::ForeignWindow(const wchar_t* className)
{
    const WNDCLASSW wc{0, ::DefWindowProcW, 0, 0, ::GetModuleHandleW(nullptr), nullptr, nullptr,
                       reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), nullptr, className};
    ::RegisterClassW(&wc); // registered once per process; a second time fails harmlessly
    m_window.reset(::CreateWindowExW(0, className, className, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 300, 160,
                                     nullptr, nullptr, wc.hInstance, nullptr));
    if (!m_window) platform::ThrowLastError("CreateWindowExW(foreign)");
    BringToFront();
}

void ForeignWindow::BringToFront() { MakeForeground(m_window.get(), "ForeignWindow"); }

void PumpMessages()
{
    for (MSG message; ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

HWND WaitForWindow(const wchar_t* className, DWORD pid, DWORD milliseconds)
{
    for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < milliseconds; ::Sleep(50)) {
        for (HWND w = nullptr; (w = ::FindWindowExW(nullptr, w, className, nullptr));) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(w, &owner);
            if ((pid ? owner == pid : owner != ::GetCurrentProcessId()) && ::IsWindowVisible(w)) return w;
        }
        PumpMessages();
    }
    return nullptr;
}

std::wstring TextOf(HWND window)
{
    std::wstring text(static_cast<std::size_t>(::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

std::string AsciiText(std::size_t bytes, unsigned seed)
{
    std::string text(bytes, 'a');
    for (std::size_t i = 0; i < bytes; ++i) text[i] = static_cast<char>('a' + (i * 7 + i / 26 + seed) % 26);
    return text;
}

std::vector<long long> ReplacedBytes(const Messages& log)
{
    std::vector<long long> sizes;
    for (const std::string& line : log)
        if (const std::size_t at = line.find("EM_REPLACESEL 0 p bytes="); at != std::string::npos)
            sizes.push_back(std::stoll(line.substr(line.find('=', at) + 1)));
    return sizes;
}

::testing::AssertionResult SameMessages(const Messages& expected, const Messages& actual)
{
    if (expected == actual) return ::testing::AssertionSuccess();
    std::size_t width = 8, first = 0;
    for (const std::string& line : expected) width = std::max(width, line.size());
    while (first < expected.size() && first < actual.size() && expected[first] == actual[first]) ++first;
    auto failure = ::testing::AssertionFailure() << "the messages differ (" << expected.size() << " expected, "
                                                 << actual.size() << " received)\n     expected"
                                                 << std::string(width - 8, ' ') << " | actual\n";
    for (std::size_t i = 0; i < std::max(expected.size(), actual.size()); ++i) {
        const std::string e = i < expected.size() ? expected[i] : "-", a = i < actual.size() ? actual[i] : "-";
        failure << (i == first ? ">>" : e != a ? " *" : "  ") << (i < 9 ? " " : "") << i + 1 << " " << e
                << std::string(width - e.size(), ' ') << " | " << a << "\n";
    }
    return failure;
}

} // namespace testsupport

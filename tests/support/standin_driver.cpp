#include "support/standin_driver.h"

#include <algorithm>
#include <atomic>
#include <sstream>
#include <stdexcept>

namespace testsupport {

namespace {

std::string Narrow(const std::wstring& text)
{
    return platform::ToAnsi(text);
}

// Quoted so that CommandLineToArgvW gives the argument back unchanged:
// backslashes before a quote, and a trailing one, are doubled.
std::wstring Quote(const std::wstring& arg)
{
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

struct FindMain {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchMain(HWND hwnd, LPARAM param)
{
    auto* f = reinterpret_cast<FindMain*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    char cls[64] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    if (owner == f->pid && std::string(cls) == standin::kMainWindowClass) {
        f->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindMainWindowOf(DWORD pid)
{
    FindMain find{pid, nullptr};
    ::EnumWindows(MatchMain, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

bool MakeForeground(HWND hwnd)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (::GetForegroundWindow() == hwnd) return true;
        ::SetForegroundWindow(hwnd);
        PumpMessages();
        ::Sleep(20);
    }
    return ::GetForegroundWindow() == hwnd;
}

} // namespace

StandIn::StandIn(StandInOptions options) : m_folder(MakeTempDir())
{
    std::wstring exe = options.exePath.empty() ? StandInExePath() : options.exePath;
    std::wstring commandLine = Quote(exe) + L" --log " + Quote(LogPath()) + L" --state " + Quote(StatePath());
    const auto add = [&](const wchar_t* option, const std::wstring& value) {
        if (!value.empty()) commandLine += L" " + std::wstring(option) + L" " + Quote(value);
    };
    add(L"--file", options.file);
    add(L"--text-file", options.textFile);
    add(L"--ini", options.ini);
    add(L"--tool", options.tool);
    add(L"--tool-caption", options.toolCaption);
    if (options.noFileEdit) commandLine += L" --no-fileedit";
    if (options.noExeName) commandLine += L" --no-exename";
    if (options.noIniFile) commandLine += L" --no-inifile";
    if (options.readOnly) commandLine += L" --readonly";
    if (options.ownedPopup) commandLine += L" --owned-popup";
    if (options.limit) commandLine += L" --limit " + std::to_wstring(*options.limit);
    if (options.exitAfter) commandLine += L" --exit-after " + std::to_wstring(*options.exitAfter);
    if (options.editMode != 0) commandLine += L" --edit-mode " + std::to_wstring(options.editMode);
    for (const auto& arg : options.extraArgs) commandLine += L" " + Quote(arg);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info)) {
        RemoveTree(m_folder);
        throw std::runtime_error("cannot start " + Narrow(exe));
    }
    m_process.reset(info.hProcess);
    platform::UniqueThread thread(info.hThread);
    m_processId = info.dwProcessId;
    try {
        // Wine on a bare X server may take a few seconds for the first window.
        ::WaitForInputIdle(info.hProcess, 15000);
        for (int attempt = 0; attempt < 300 && !m_main; ++attempt) {
            m_main = FindMainWindowOf(m_processId);
            if (!m_main) {
                if (::WaitForSingleObject(m_process.get(), 20) == WAIT_OBJECT_0)
                    throw std::runtime_error("the stand-in ended at its start (bad options?)");
            }
        }
        if (!m_main) throw std::runtime_error("the stand-in showed no main window");
        m_edit = ::FindWindowExA(m_main, nullptr, standin::kMemoClass, nullptr);
        if (!m_edit) throw std::runtime_error("the stand-in has no editing control");
        BringToFront();
        ClearLog();
    } catch (...) {
        // No destructor runs for a half-made object: the process and the folder go here.
        ::TerminateProcess(m_process.get(), 1);
        ::WaitForSingleObject(m_process.get(), 5000);
        RemoveTree(m_folder);
        throw;
    }
}

StandIn::~StandIn()
{
    if (m_process && ::WaitForSingleObject(m_process.get(), 0) != WAIT_OBJECT_0) {
        ::PostMessageW(m_main, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(m_process.get(), 5000) != WAIT_OBJECT_0) ::TerminateProcess(m_process.get(), 1);
        ::WaitForSingleObject(m_process.get(), 5000);
    }
    RemoveTree(m_folder);
}

void StandIn::BringToFront()
{
    if (!MakeForeground(m_main)) throw std::runtime_error("the stand-in cannot be brought to the foreground");
}

std::vector<std::string> StandIn::Log()
{
    std::vector<std::string> lines;
    std::string bytes;
    try {
        bytes = ReadFileBytes(LogPath());
    } catch (...) {
        return lines;
    }
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) break; // a line still being written
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

void StandIn::ClearLog()
{
    ::SendMessageW(m_main, kMsgTruncateLog, 0, 0);
}

void StandIn::DumpState()
{
    ::SendMessageW(m_main, kMsgDumpState, 0, 0);
}

std::string StandIn::Document()
{
    DumpState();
    return ReadFileBytes(StatePath());
}

void StandIn::SetDocument(const std::string& ansiBytes)
{
    COPYDATASTRUCT data{};
    data.dwData = kCopySetDocument;
    data.cbData = static_cast<DWORD>(ansiBytes.size());
    data.lpData = const_cast<char*>(ansiBytes.data());
    if (!::SendMessageW(m_main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)))
        throw std::runtime_error("the stand-in did not take the document");
}

void StandIn::SetSelection(int start, int end)
{
    INT32 ends[2] = {start, end};
    COPYDATASTRUCT data{};
    data.dwData = kCopySetSelection;
    data.cbData = sizeof ends;
    data.lpData = ends;
    if (!::SendMessageW(m_main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)))
        throw std::runtime_error("the stand-in did not take the selection");
}

StandIn::Info StandIn::State()
{
    DumpState();
    std::istringstream line(ReadFileBytes(StatePath() + L".info"));
    Info info;
    int modified = 0;
    line >> info.selStart >> info.selEnd >> modified >> info.undoDepth >> info.reloadCount >> info.receivedBytes >>
        info.editCount;
    info.modified = modified != 0;
    return info;
}

void StandIn::Close()
{
    ::PostMessageW(m_main, WM_CLOSE, 0, 0);
    if (!WaitForExit(10000)) throw std::runtime_error("the stand-in did not end");
}

bool StandIn::WaitForExit(DWORD milliseconds)
{
    return ::WaitForSingleObject(m_process.get(), milliseconds) == WAIT_OBJECT_0;
}

// --- files and folders -------------------------------------------------------------

std::wstring TestBinDir()
{
    return platform::ExecutableFolder();
}

std::wstring StandInExePath()
{
    return TestBinDir() + L"\\StandInPad.exe";
}

std::wstring NoVersionExePath()
{
    return TestBinDir() + L"\\NoVersion.exe";
}

std::wstring MakeTempDir()
{
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring base(temp);
    if (!base.empty() && base.back() == L'\\') base.pop_back();
    for (;;) {
        const std::wstring folder = base + L"\\qb_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                                    std::to_wstring(::GetTickCount()) + L"_" + std::to_wstring(counter++);
        if (::CreateDirectoryW(folder.c_str(), nullptr)) return folder;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot make a temporary folder");
    }
}

void RemoveTree(const std::wstring& folder) noexcept
{
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryW(folder.c_str());
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    platform::UniqueFile file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("cannot write " + Narrow(path));
    DWORD written = 0;
    if (!bytes.empty() &&
        (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
         written != bytes.size()))
        throw std::runtime_error("cannot write " + Narrow(path));
}

std::string ReadFileBytes(const std::wstring& path)
{
    platform::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) throw std::runtime_error("cannot read " + Narrow(path));
    LARGE_INTEGER size{};
    ::GetFileSizeEx(file.get(), &size);
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (!::ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr) || !got)
            break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

// --- a foreign window --------------------------------------------------------------------

ForeignWindow::ForeignWindow(const wchar_t* className)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    ::RegisterClassW(&wc); // a second registration of the same class is fine
    m_window.reset(::CreateWindowExW(0, className, L"foreign", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 200, 120,
                                     nullptr, nullptr, wc.hInstance, nullptr));
    if (!m_window) throw std::runtime_error("cannot create a foreign window");
    BringToFront();
}

ForeignWindow::~ForeignWindow() = default;

void ForeignWindow::BringToFront()
{
    if (!MakeForeground(m_window.get())) throw std::runtime_error("the foreign window cannot be brought to the front");
}

void PumpMessages()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

::testing::AssertionResult SameMessages(const std::vector<std::string>& expected,
                                        const std::vector<std::string>& actual)
{
    if (expected == actual) return ::testing::AssertionSuccess();
    std::ostringstream out;
    out << "message sequences differ (expected | actual):\n";
    const std::size_t n = std::max(expected.size(), actual.size());
    bool marked = false;
    for (std::size_t i = 0; i < n; ++i) {
        const std::string e = i < expected.size() ? expected[i] : "<none>";
        const std::string a = i < actual.size() ? actual[i] : "<none>";
        const bool differs = e != a;
        out << (differs && !marked ? "=> " : "   ") << i << ": " << e;
        if (differs) out << "  |  " << a;
        out << "\n";
        if (differs) marked = true;
    }
    return ::testing::AssertionFailure() << out.str();
}

} // namespace testsupport

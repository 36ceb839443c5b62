#include "main_window.h"

#include "protocol.h"

#include "platform/code_page.h"
#include "platform/file_access.h"
#include "platform/handles.h"
#include "platform/programs.h"
#include "platform/win32_error.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <stdexcept>

namespace standin {

namespace {

constexpr DWORD kLateChildrenMs = 500;

std::wstring FolderOf(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring NameOf(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

void WriteWholeFile(const std::wstring& path, std::string_view bytes)
{
    platform::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) platform::ThrowLastError("CreateFileW");
    // WriteFile takes a 32-bit count; write in slices to stay well inside it.
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD slice = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        DWORD written = 0;
        if (!::WriteFile(file.get(), bytes.data() + done, slice, &written, nullptr) || written == 0)
            platform::ThrowLastError("WriteFile");
        done += written;
    }
}

std::string InitialDocument(const Options& options)
{
    const std::wstring& path = !options.file.empty() ? options.file : options.textFile;
    if (path.empty()) return {};
    try {
        return platform::ReadWholeFile(path);
    } catch (const platform::FileReadError& error) {
        // A file to be opened that does not exist yet is a new document that
        // the first save creates, as an editor does with a new name.
        if (error.Why() == platform::FileReadError::Reason::NotFound && !options.file.empty()) return {};
        throw;
    }
}

std::wstring DefaultIniPath()
{
    const std::wstring exe = platform::ExecutablePath();
    const std::size_t dot = exe.find_last_of(L'.');
    const std::size_t slash = exe.find_last_of(L"\\/");
    const std::wstring base = (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) ? exe.substr(0, dot) : exe;
    return base + L".ini";
}

std::string ExecutablePathAnsi()
{
    // TeraPad publishes what GetModuleFileNameA gives, so the stand-in does too.
    char buffer[MAX_PATH * 2] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    return std::string(buffer, length);
}

LRESULT CALLBACK PlainChildProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

void MainWindow::RegisterClasses(HINSTANCE instance)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = s_WndProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hIcon = ::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMainWindowClass;
    if (!::RegisterClassA(&wc)) platform::ThrowLastError("RegisterClassA(main)");

    // The three children only carry a window text.
    for (const char* name : {kFileNameClass, kExeNameClass, kIniFilePathClass, kPopupClass}) {
        WNDCLASSA child{};
        child.lpfnWndProc = PlainChildProc;
        child.hInstance = instance;
        child.hCursor = wc.hCursor;
        child.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        child.lpszClassName = name;
        if (!::RegisterClassA(&child)) platform::ThrowLastError("RegisterClassA(child)");
    }
    Memo::RegisterClass(instance);
}

MainWindow::MainWindow(Options options)
    : m_options(std::move(options)),
      m_iniPath(m_options.ini.empty() ? DefaultIniPath() : m_options.ini),
      m_log(m_options.log, m_options.exitAfter),
      m_editMode(m_options.editMode)
{
    m_state.document.Reset(InitialDocument(m_options));
    m_state.document.SetReadOnly(m_options.readOnly);
    m_state.limit = m_options.limit;
    m_state.pauseAfterReplace = m_options.pauseAfterReplace;

    if (!::CreateWindowExA(0, kMainWindowClass, "StandInPad", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                           CW_USEDEFAULT, 640, 480, nullptr, BuildMenu(), ::GetModuleHandleA(nullptr), this))
        platform::ThrowLastError("CreateWindowExA(main)");
    UpdateCaption();
    ::ShowWindow(Handle(), SW_SHOWNORMAL);
    ::UpdateWindow(Handle());

    if (m_options.ownedPopup) {
        // Owned by the main window, not a child: a top-level window whose
        // owner is the editor.
        m_popup.reset(::CreateWindowExA(WS_EX_TOOLWINDOW, kPopupClass, "StandInPad popup",
                                        WS_POPUP | WS_CAPTION | WS_BORDER, 80, 80, 200, 80, Handle(), nullptr,
                                        ::GetModuleHandleA(nullptr), nullptr));
        if (!m_popup) platform::ThrowLastError("CreateWindowExA(popup)");
        ::ShowWindow(m_popup.get(), SW_SHOWNOACTIVATE);
    }
    ::SetForegroundWindow(Handle());
}

LRESULT CALLBACK MainWindow::s_WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->m_window.reset(hwnd);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        self->m_window.release();
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
    std::optional<std::string> head;
    try {
        head = self->m_log.Observe("main", hwnd, message, wParam, lParam);
        const LRESULT result = self->WndProc(message, wParam, lParam);
        if (head) {
            std::string extra;
            if (message == WM_GETTEXT) extra = "ret=" + std::to_string(result);
            self->m_log.Write(*head, extra, message, hwnd, result);
        }
        return result;
    } catch (const std::exception& error) {
        ::OutputDebugStringA(error.what());
        if (head) self->m_log.Write(*head, "failed", message, hwnd, 0);
        return 0;
    } catch (...) {
        if (head) self->m_log.Write(*head, "failed", message, hwnd, 0);
        return 0;
    }
}

LRESULT MainWindow::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: return OnCreate();
    case WM_SIZE: return OnSize();
    case WM_SETFOCUS:
        if (m_memo) ::SetFocus(m_memo->Handle());
        return 0;
    case WM_COMMAND: return OnCommand(LOWORD(wParam));
    case kMsgSave: return OnSave();
    case kMsgGetEditHandle: return reinterpret_cast<LRESULT>(m_memo ? m_memo->Handle() : nullptr);
    case kMsgGetEditMode: return static_cast<LRESULT>(m_editMode);
    case kMsgReloadIni: return OnReloadIni();
    case kMsgDumpState: return OnDumpState();
    case kMsgTruncateLog: m_log.Truncate(); return TRUE;
    case WM_COPYDATA: return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_CLOSE: return OnClose();
    case WM_DESTROY: return OnDestroy();
    default: return ::DefWindowProcA(Handle(), message, wParam, lParam);
    }
}

LRESULT MainWindow::OnCreate()
{
    // An editor that starts slowly makes its children slowly too: another
    // process can find its main window before them, as a form that makes its
    // controls one by one allows.
    wchar_t late[16] = {};
    if (::GetEnvironmentVariableW(L"STANDINPAD_LATE_WINDOW_MS", late, 16)) ::Sleep(kLateChildrenMs);
    CreateChildren();
    m_memo = std::make_unique<Memo>(Handle(), m_state, m_log);
    return 0;
}

// TeraPad's three children, in its order, before the editing control.
void MainWindow::CreateChildren()
{
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    auto create = [&](const char* className, const std::string& text) {
        if (!::CreateWindowExA(0, className, text.c_str(), WS_CHILD, 0, 0, 0, 0, Handle(), nullptr, instance, nullptr))
            platform::ThrowLastError("CreateWindowExA(child)");
    };
    if (!m_options.noFileEdit) create(kFileNameClass, platform::ToAnsi(m_options.file));
    if (!m_options.noExeName) create(kExeNameClass, ExecutablePathAnsi());
    if (!m_options.noIniFile) create(kIniFilePathClass, platform::ToAnsi(m_iniPath));
}

HMENU MainWindow::BuildMenu() const
{
    const HMENU bar = ::CreateMenu();
    const HMENU file = ::CreatePopupMenu();
    const HMENU tools = ::CreatePopupMenu();
    ::AppendMenuW(file, MF_STRING, kSaveCommand, L"保存(&S)");
    ::AppendMenuW(tools, MF_STRING, kToolCommand, m_options.toolCaption.c_str());
    ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"ファイル(&F)");
    ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(tools), L"ツール(&T)");
    return bar; // the window owns it from here
}

void MainWindow::UpdateCaption()
{
    const std::wstring name = m_options.file.empty() ? std::wstring(L"無題") : NameOf(m_options.file);
    ::SetWindowTextW(Handle(), (name + L" - StandInPad").c_str());
}

LRESULT MainWindow::OnSize()
{
    if (!m_memo) return 0;
    RECT client{};
    ::GetClientRect(Handle(), &client);
    ::MoveWindow(m_memo->Handle(), 0, 0, client.right, client.bottom, TRUE);
    return 0;
}

LRESULT MainWindow::OnCommand(WORD command)
{
    if (command == kToolCommand) StartTool();
    else if (command == kSaveCommand) OnSave();
    return 0;
}

// TeraPad starts its tools so that they find it in the foreground: nothing
// here activates another window, and AllowSetForegroundWindow lets the tool
// take the foreground later for its own window.
void MainWindow::StartTool()
{
    if (m_options.tool.empty()) return;
    ::AllowSetForegroundWindow(ASFW_ANY);
    std::wstring commandLine = L"\"" + m_options.tool + L"\"";
    const std::wstring folder = FolderOf(m_options.tool);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(m_options.tool.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        ::MessageBeep(MB_ICONHAND);
        return;
    }
    platform::UniqueProcess process(info.hProcess);
    platform::UniqueThread thread(info.hThread);
}

LRESULT MainWindow::OnSave()
{
    if (m_options.file.empty()) return FALSE;
    WriteWholeFile(m_options.file, m_state.document.Text());
    m_state.document.SetModified(false);
    return TRUE;
}

LRESULT MainWindow::OnReloadIni()
{
    ++m_reloadCount;
    wchar_t buffer[64] = {};
    const DWORD length = ::GetPrivateProfileStringW(L"StandIn", L"EditMode", L"", buffer, 64, m_iniPath.c_str());
    if (length > 0) {
        wchar_t* end = nullptr;
        const long value = std::wcstol(buffer, &end, 10);
        if (end != buffer) m_editMode = value;
    }
    return 0;
}

// Side channel: the document bytes to the state file and one line of numbers
// beside it. Never logged and changes nothing.
LRESULT MainWindow::OnDumpState()
{
    if (m_options.state.empty()) return -1;
    const Document& doc = m_state.document;
    WriteWholeFile(m_options.state, doc.Text());
    const std::string info = std::to_string(doc.SelStart()) + " " + std::to_string(doc.SelEnd()) + " " +
                             (doc.Modified() ? "1" : "0") + " " + std::to_string(doc.UndoDepth()) + " " +
                             std::to_string(m_reloadCount) + " " + std::to_string(m_state.receivedBytes) + " " +
                             std::to_string(doc.EditCount()) + "\r\n";
    WriteWholeFile(m_options.state + L".info", info);
    return static_cast<LRESULT>(doc.Length());
}

LRESULT MainWindow::OnCopyData(const COPYDATASTRUCT* data)
{
    if (!data || !m_memo) return FALSE;
    const char* bytes = static_cast<const char*>(data->lpData);
    if (data->dwData == kCopySetDocument) {
        // A test's fixture, not an edit: ignores --limit and --readonly. The
        // bytes come through a file because Wine puts a message's data on
        // this thread's 1 MB stack: a document of a megabyte would end us.
        if (!bytes || data->cbData % sizeof(wchar_t) != 0) return FALSE;
        const std::wstring path(reinterpret_cast<const wchar_t*>(bytes), data->cbData / sizeof(wchar_t));
        m_state.document.Reset(platform::ReadWholeFile(path));
        m_memo->Refresh();
        return TRUE;
    }
    if (data->dwData == kCopySetSelection && data->cbData >= 2 * sizeof(std::int32_t)) {
        std::int32_t range[2] = {};
        std::memcpy(range, bytes, sizeof range);
        m_state.document.SetSelection(range[0], range[1]);
        m_memo->Refresh();
        return TRUE;
    }
    return FALSE;
}

// A development tool: it closes without asking about unsaved changes. It
// ends the process instead of destroying its windows: without a window
// manager (Xvfb) Wine waits 2 s for the manager to withdraw each visible
// top-level window it unmaps, and the tests close a stand-in in every case.
// Nothing is lost: the log has no buffer and the document is not saved anyway.
LRESULT MainWindow::OnClose()
{
    ::ExitProcess(0);
}

LRESULT MainWindow::OnDestroy()
{
    m_popup.reset();
    ::PostQuitMessage(0);
    return 0;
}

} // namespace standin

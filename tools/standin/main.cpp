// StandInPad.exe: a small editor with TeraPad's window interface, so that the
// tests and the demo can drive it as Quillbay drives TeraPad.
#include "memo.h"
#include "message_log.h"
#include "options.h"
#include "protocol.h"

#include "platform/platform.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

namespace standin {
namespace {

class MainWindow {
public:
    MainWindow(const Options& options, EditorState& state, MessageLog& log)
        : m_options(options), m_state(state), m_log(log)
    {
    }

    void Create(HINSTANCE instance)
    {
        const std::string title = "StandInPad - " + platform::ToAnsi(m_options.file.empty() ? L"(無題)" : m_options.file);
        if (!::CreateWindowExA(0, kMainWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, 40, 40, 560, 420, nullptr,
                               BuildMenu(), instance, this))
            platform::ThrowLastError("CreateWindowExA(main)");
    }
    HWND Handle() const noexcept { return m_hwnd; }

    static LRESULT CALLBACK s_WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
            self->m_hwnd = hwnd;
            ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (!self) return ::DefWindowProcA(hwnd, message, wParam, lParam);
        try {
            const std::optional<std::string> head = self->m_log.Observe("main", hwnd, message, wParam, lParam);
            const LRESULT result = self->WndProc(message, wParam, lParam);
            if (head) self->m_log.Write(*head, "", message, hwnd, result);
            return result;
        } catch (const std::exception& error) {
            std::fprintf(stderr, "StandInPad: %s\n", error.what());
            return 0;
        } catch (...) {
            return 0;
        }
    }

private:
    HMENU BuildMenu()
    {
        HMENU file = ::CreatePopupMenu();
        ::AppendMenuW(file, MF_STRING, kSaveCommand, L"保存(&S)");
        HMENU tools = ::CreatePopupMenu();
        ::AppendMenuW(tools, MF_STRING | (m_options.tool.empty() ? MF_GRAYED : 0), kToolCommand,
                      m_options.toolCaption.c_str());
        HMENU bar = ::CreateMenu();
        ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"ファイル(&F)");
        ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(tools), L"ツール(&T)");
        return bar;
    }

    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message) {
        case WM_CREATE: return OnCreate();
        case WM_SIZE: OnSize(); return 0;
        case WM_SETFOCUS: if (m_memo) ::SetFocus(m_memo->Handle()); return 0;
        case WM_COMMAND: OnCommand(LOWORD(wParam)); return 0;
        case WM_COPYDATA: return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        case WM_DESTROY: ::PostQuitMessage(0); return 0;
        case kMsgGetEditHandle: return reinterpret_cast<LRESULT>(m_memo ? m_memo->Handle() : nullptr);
        case kMsgGetEditMode: return static_cast<LRESULT>(m_editMode);
        case kMsgSave: Save(); return 0;
        case kMsgReloadIni: ReloadIni(); return 0;
        case kMsgDumpState: return DumpState();
        case kMsgTruncateLog: m_log.Truncate(); return 0;
        default: return ::DefWindowProcA(m_hwnd, message, wParam, lParam);
        }
    }

    LRESULT OnCreate()
    {
        const HINSTANCE instance = ::GetModuleHandleA(nullptr);
        const auto child = [&](const char* cls, const std::wstring& text) {
            ::CreateWindowExA(0, cls, platform::ToAnsi(text).c_str(), WS_CHILD, 0, 0, 0, 0, m_hwnd, nullptr, instance,
                              nullptr);
        };
        // TeraPad's children, in TeraPad's order; the editing control is none of them.
        if (!m_options.noFileEdit) child(kFileNameClass, m_options.file);
        if (!m_options.noExeName) child(kExeNameClass, platform::ExecutablePath());
        if (!m_options.noIniFile) child(kIniFilePathClass, IniPath());
        m_editMode = m_options.editMode;
        m_memo = std::make_unique<Memo>(m_hwnd, m_state, m_log);
        return 0;
    }

    void OnSize()
    {
        RECT rc{};
        ::GetClientRect(m_hwnd, &rc);
        if (m_memo) ::MoveWindow(m_memo->Handle(), 0, 0, rc.right, rc.bottom, TRUE);
    }

    void OnCommand(WORD id)
    {
        if (id == kSaveCommand) Save();
        if (id == kToolCommand) StartTool();
    }

    // TeraPad starts its tools and stays in front, so the tool finds it there.
    void StartTool()
    {
        if (m_options.tool.empty()) return;
        ::AllowSetForegroundWindow(ASFW_ANY);
        std::wstring folder = m_options.tool.substr(0, m_options.tool.find_last_of(L"\\/") + 1);
        std::wstring commandLine = L"\"" + m_options.tool + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (::CreateProcessW(m_options.tool.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
            ::CloseHandle(info.hThread);
            ::CloseHandle(info.hProcess);
        }
        ::SetForegroundWindow(m_hwnd);
    }

    std::wstring IniPath() const
    {
        if (!m_options.ini.empty()) return m_options.ini;
        return platform::ExecutableFolder() + L"\\StandInPad.ini";
    }

    void Save()
    {
        if (m_options.file.empty()) return;
        platform::UniqueFile file(::CreateFileW(m_options.file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return;
        const std::string& text = m_state.document.Text();
        DWORD written = 0;
        if (::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
            written == text.size())
            m_state.document.SetModified(false);
    }

    void ReloadIni()
    {
        ++m_reloadCount;
        const std::string ini = platform::ToAnsi(IniPath());
        m_editMode = static_cast<long>(::GetPrivateProfileIntA("StandIn", "EditMode", m_editMode, ini.c_str()));
    }

    LRESULT OnCopyData(const COPYDATASTRUCT* data)
    {
        if (!data) return FALSE;
        if (data->dwData == kCopySetDocument) {
            m_state.document.Reset(std::string(static_cast<const char*>(data->lpData), data->cbData));
        } else if (data->dwData == kCopySetSelection && data->cbData >= 2 * sizeof(INT32)) {
            const auto* ends = static_cast<const INT32*>(data->lpData);
            m_state.document.SetSelection(ends[0], ends[1]);
        } else {
            return FALSE;
        }
        if (m_memo) m_memo->Refresh();
        return TRUE;
    }

    LRESULT DumpState()
    {
        const Document& doc = m_state.document;
        if (!m_options.state.empty()) {
            WriteWhole(m_options.state, doc.Text());
            char line[256];
            std::snprintf(line, sizeof line, "%u %u %d %u %d %lld %lld\n", static_cast<unsigned>(doc.SelStart()),
                          static_cast<unsigned>(doc.SelEnd()), doc.Modified() ? 1 : 0,
                          static_cast<unsigned>(doc.UndoDepth()), m_reloadCount, m_state.receivedBytes,
                          doc.EditCount());
            WriteWhole(m_options.state + L".info", line);
        }
        return static_cast<LRESULT>(doc.Length());
    }

    static void WriteWhole(const std::wstring& path, const std::string& bytes)
    {
        platform::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (file) ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }

    const Options& m_options;
    EditorState& m_state;
    MessageLog& m_log;
    HWND m_hwnd = nullptr;
    std::unique_ptr<Memo> m_memo;
    long m_editMode = 0;
    int m_reloadCount = 0;
};

void RegisterPlainClass(HINSTANCE instance, const char* name, WNDPROC procedure)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    ::RegisterClassA(&wc);
}

std::string ReadWhole(const std::wstring& path)
{
    try {
        return platform::ReadWholeFile(path);
    } catch (const platform::FileReadError&) {
        return {};
    }
}

int Run(HINSTANCE instance, int show)
{
    const Options options = ParseOptions(CommandLineArguments());
    RegisterPlainClass(instance, kMainWindowClass, MainWindow::s_WndProc);
    for (const char* cls : {kFileNameClass, kExeNameClass, kIniFilePathClass, kPopupClass})
        RegisterPlainClass(instance, cls, ::DefWindowProcA);
    Memo::RegisterClass(instance);

    EditorState state;
    state.limit = options.limit;
    if (!options.file.empty()) state.document.Reset(ReadWhole(options.file));
    else if (!options.textFile.empty()) state.document.Reset(ReadWhole(options.textFile));
    state.document.SetReadOnly(options.readOnly);

    MessageLog log(options.log, options.exitAfter);
    MainWindow window(options, state, log);
    window.Create(instance);
    ::ShowWindow(window.Handle(), show == SW_HIDE ? SW_SHOWNORMAL : show);
    ::UpdateWindow(window.Handle());
    if (options.ownedPopup) {
        // Owned by the main window: a search from the popup climbs to its owner.
        ::CreateWindowExA(WS_EX_TOOLWINDOW, kPopupClass, "popup", WS_POPUP | WS_CAPTION | WS_VISIBLE, 620, 40, 160, 80,
                          window.Handle(), nullptr, instance, nullptr);
    }
    ::SetForegroundWindow(window.Handle());

    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

} // namespace
} // namespace standin

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    try {
        return standin::Run(instance, show);
    } catch (const std::exception& error) {
        ::MessageBoxA(nullptr, error.what(), "StandInPad", MB_ICONERROR | MB_OK);
        return 2;
    }
}

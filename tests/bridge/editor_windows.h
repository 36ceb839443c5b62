// Helpers of the bridge's capture, identity and command tests: the editor
// windows of other processes, windows of chosen classes in this process, and
// clean-up of editors the bridge started by itself.
#pragma once

#include "bridge/terapad_interface.h"
#include "platform/handles.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace bridgetest {

inline BOOL CALLBACK CollectForeignEditor(HWND hwnd, LPARAM param)
{
    char className[64] = {};
    ::GetClassNameA(hwnd, className, sizeof className);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (std::string(className) == terapad::kMainWindowClass && pid != ::GetCurrentProcessId())
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

// Every TeraPad main window of another process, in z-order.
inline std::vector<HWND> ForeignEditorWindows()
{
    std::vector<HWND> windows;
    ::EnumWindows(CollectForeignEditor, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

inline DWORD ProcessOf(HWND hwnd)
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

// Asks the editor to close and waits for its process to end, so that a later
// test does not find it in the z-order.
inline void CloseEditor(HWND hwnd)
{
    const DWORD pid = ProcessOf(hwnd);
    platform::UniqueProcess process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
    if (process) ::WaitForSingleObject(process.get(), 10000);
}

// Ends an editor at once: under Wine a GUI process takes two seconds to end
// after WM_CLOSE, and nothing needs this one's goodbye.
inline void TerminateEditor(HWND hwnd)
{
    platform::UniqueProcess process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, ProcessOf(hwnd)));
    if (!process) return;
    ::TerminateProcess(process.get(), 1);
    ::WaitForSingleObject(process.get(), 5000);
}

// Ends, at the end of a test, every editor that appeared during it: the ones
// FileNew and DebugPrint started by themselves.
class StartedEditorsReaper {
public:
    StartedEditorsReaper()
    {
        for (HWND hwnd : ForeignEditorWindows()) m_before.insert(hwnd);
    }
    StartedEditorsReaper(const StartedEditorsReaper&) = delete;
    StartedEditorsReaper& operator=(const StartedEditorsReaper&) = delete;
    ~StartedEditorsReaper()
    {
        for (HWND hwnd : Started()) TerminateEditor(hwnd);
    }

    // Editor windows that did not exist when the reaper was made.
    std::vector<HWND> Started() const
    {
        std::vector<HWND> started;
        for (HWND hwnd : ForeignEditorWindows())
            if (!m_before.count(hwnd)) started.push_back(hwnd);
        return started;
    }

private:
    std::set<HWND> m_before;
};

// An editor's current editing control, asked for the way the editor
// publishes it, bypassing the bridge.
inline HWND EditControlOf(HWND main)
{
    std::int32_t zero = 0;
    return reinterpret_cast<HWND>(
        ::SendMessageA(main, terapad::kMsgGetEditHandle, 0, reinterpret_cast<LPARAM>(&zero)));
}

// The text of an editor's current editing control.
inline std::string EditorDocument(HWND main)
{
    const HWND edit = EditControlOf(main);
    const int length = static_cast<int>(::SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0));
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    ::SendMessageA(edit, WM_GETTEXT, static_cast<WPARAM>(length + 1), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// A top-level window of this process with a window class of the test's
// choosing, shown and brought to the front.
class ClassWindow {
public:
    explicit ClassWindow(const std::string& className) : m_className(className)
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = m_className.c_str();
        ::RegisterClassA(&wc);
        m_window.reset(::CreateWindowExA(0, m_className.c_str(), m_className.c_str(),
                                         WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 240, 120, nullptr, nullptr,
                                         wc.hInstance, nullptr));
        ::SetForegroundWindow(m_window.get());
        Pump();
    }
    ClassWindow(const ClassWindow&) = delete;
    ClassWindow& operator=(const ClassWindow&) = delete;
    // Class names are matched without regard to case, so a class of the same
    // letters in another case can only be registered once this one is gone.
    ~ClassWindow()
    {
        m_window.reset();
        ::UnregisterClassA(m_className.c_str(), ::GetModuleHandleA(nullptr));
    }
    HWND get() const noexcept { return m_window.get(); }

    static void Pump()
    {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
    }

private:
    std::string m_className;
    platform::UniqueWindow m_window;
};

inline std::string ClassOf(HWND hwnd)
{
    char className[256] = {};
    ::GetClassNameA(hwnd, className, sizeof className);
    return className;
}

} // namespace bridgetest

// The editor windows of other processes, found beside the bridge, for the
// capture and command tests: the ones a test started, the ones the bridge
// started by itself, and what their editing controls hold.
#pragma once

#include "bridge/terapad_interface.h"
#include "platform/platform.h"

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace bridgetest {

inline DWORD ProcessOf(HWND hwnd)
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

inline BOOL CALLBACK CollectForeignEditor(HWND hwnd, LPARAM windows)
{
    char className[64] = {};
    ::GetClassNameA(hwnd, className, sizeof className);
    if (std::string(className) == terapad::kMainWindowClass && ProcessOf(hwnd) != ::GetCurrentProcessId())
        reinterpret_cast<std::vector<HWND>*>(windows)->push_back(hwnd);
    return TRUE;
}

// Every TeraPad main window of another process, in z-order.
inline std::vector<HWND> ForeignEditorWindows()
{
    std::vector<HWND> windows;
    ::EnumWindows(CollectForeignEditor, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// Ends an editor at once, as a user closing it would leave the bridge: under
// Wine a GUI process takes two seconds to end after WM_CLOSE.
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

// The text of an editor's current editing control, asked for the way the
// editor publishes it, bypassing the bridge.
inline std::string EditorDocument(HWND main)
{
    std::int32_t zero = 0;
    const auto edit = reinterpret_cast<HWND>(
        ::SendMessageA(main, terapad::kMsgGetEditHandle, 0, reinterpret_cast<LPARAM>(&zero)));
    const auto length = static_cast<std::size_t>(::SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0));
    std::string text(length + 1, '\0');
    ::SendMessageA(edit, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return text;
}

} // namespace bridgetest

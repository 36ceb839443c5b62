// The bridge tests' shared set-up: a stand-in editor with a captured bridge, the
// family this process runs as, the editors the bridge started.
#pragma once

#include "bridge/kest_terapad.h"
#include "bridge/terapad_interface.h"
#include "platform/programs.h"
#include "platform/system_version.h"
#include "tests/support/standin_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace bridgetext {

using namespace testsupport; // the stand-in, its log and the messages in it

// Wine decides the family by the executable's name; ask the system itself
// rather than trusting the name.
inline bool RunsAs9x()
{
    return !RunsOnNtFamily();
}

// A stand-in editor in front with a bridge that captured it.
struct Session {
    explicit Session(testsupport::StandInOptions options = {}, const std::string& document = {}, int selStart = 0,
                     int selEnd = 0)
        : editor(std::move(options))
    {
        bridge = std::make_unique<clsKestTeraPad>();
        if (bridge->hwnd() != editor.Main()) throw std::runtime_error("the bridge did not capture the stand-in");
        Reset(document, selStart, selEnd);
    }
    // A document that no edit made (nothing to undo, not modified), a selection in it, an empty log.
    void Reset(const std::string& document, int selStart = 0, int selEnd = 0)
    {
        editor.SetDocument(document);
        editor.SetSelection(selStart, selEnd);
        editor.ClearLog();
    }
    std::pair<int, int> Selection() { return {editor.State().selStart, editor.State().selEnd}; }
    testsupport::StandIn editor;
    std::unique_ptr<clsKestTeraPad> bridge;
};

// Katakana A in code page 932: lead byte 0x83, trail byte 0x41.
inline const std::string kKatakanaA = "\x83\x41";

inline std::vector<HWND> EditorWindows()
{
    std::vector<HWND> windows;
    for (HWND h = nullptr; (h = ::FindWindowExA(nullptr, h, terapad::kMainWindowClass, nullptr));) windows.push_back(h);
    return windows;
}

// Ends an editor as a user closing it would, at once: WM_CLOSE takes two seconds under Wine.
inline void TerminateEditor(HWND hwnd)
{
    DWORD id = 0;
    ::GetWindowThreadProcessId(hwnd, &id);
    const platform::UniqueProcess process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (process && ::TerminateProcess(process.get(), 1)) ::WaitForSingleObject(process.get(), 5000);
}

// The editors that appeared since it was made, ended with it.
struct StartedEditors {
    std::vector<HWND> before = EditorWindows();
    std::vector<HWND> Now() const
    {
        std::vector<HWND> started = EditorWindows();
        std::erase_if(started, [&](HWND h) { return std::ranges::find(before, h) != before.end(); });
        return started;
    }
    ~StartedEditors() { std::ranges::for_each(Now(), TerminateEditor); }
};

} // namespace bridgetext

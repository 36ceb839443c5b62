// The bridge tests' shared set-up: a stand-in editor with a captured bridge, the
// family this process runs as, each step's log lines, the editors the bridge started.
#pragma once

#include "bridge/kest_terapad.h"
#include "bridge/terapad_interface.h"
#include "platform/programs.h"
#include "platform/system_version.h"
#include "tests/support/standin_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace bridgetext {

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
        editor.BringToFront();
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

using Messages = std::vector<std::string>;

// Every bridge step first asks the main window for its editing control.
inline const std::string kHandle = "main MSG_8192 0 p";

inline Messages Step(const std::string& toEditControl) { return {kHandle, "edit " + toEditControl}; }
inline Messages SelSetStep(long long start, long long end)
{
    return Step("EM_SETSEL " + std::to_string(start) + " " + std::to_string(end));
}
inline Messages SelectAllStep() { return SelSetStep(0, -1); }
inline Messages LengthStep() { return Step("WM_GETTEXTLENGTH 0 0"); }
inline Messages SelStartStep() { return Step("EM_GETSEL p 0"); }
inline Messages SelLengthStep() { return Step("EM_GETSEL p p"); }
inline Messages ReplaceStep(long long bytes) { return Step("EM_REPLACESEL 0 p bytes=" + std::to_string(bytes)); }
inline Messages UndoStep() { return Step("EM_UNDO 0 0"); }
// The WM_GETTEXT itself goes to the handle asked for at the start of the read.
inline std::string GetTextLine(long long wParam, long long returned)
{
    return "edit WM_GETTEXT " + std::to_string(wParam) + " p ret=" + std::to_string(returned);
}

inline Messages Join(std::initializer_list<Messages> parts)
{
    Messages all;
    for (const Messages& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Single-byte characters in no repeating pattern: a piece sent twice or misplaced shows.
inline std::string AsciiText(std::size_t bytes, unsigned seed = 0)
{
    std::string text(bytes, 'a');
    for (std::size_t i = 0; i < bytes; ++i) text[i] = static_cast<char>('a' + (i * 7 + i / 26 + seed) % 26);
    return text;
}

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

// The bridge tests' shared set-up: a stand-in editor in front with a bridge
// that captured it, the Windows family this process really runs as, and the
// log lines each bridge step leaves in the stand-in's log.
#pragma once

#include "bridge/kest_terapad.h"
#include "platform/platform.h"
#include "tests/support/standin_driver.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace bridgetext {

// Wine decides the family by the executable's name; ask the system itself
// rather than trusting the name.
inline bool RunsAs9x()
{
    const auto version = platform::OsVersion();
    return version && version->dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

inline bool NamedAs9x()
{
    return platform::ExecutableBaseName().ends_with(L"_win98");
}

#define SKIP_UNLESS_9X()                                                              \
    do {                                                                              \
        if (!::bridgetext::RunsAs9x()) GTEST_SKIP() << "a Windows 95/98/Me path";     \
    } while (0)

// A stand-in editor in front with a bridge that captured it, the log empty.
struct Session {
    explicit Session(testsupport::StandInOptions options = {}, const std::string& document = {})
        : editor(std::move(options))
    {
        if (!document.empty()) editor.SetDocument(document);
        editor.BringToFront();
        bridge = std::make_unique<clsKestTeraPad>();
        if (bridge->hwnd() != editor.Main()) throw std::runtime_error("the bridge did not capture the stand-in");
        editor.ClearLog();
    }
    testsupport::StandIn editor;
    std::unique_ptr<clsKestTeraPad> bridge;
};

// --- the log lines of each step ------------------------------------------------

using Messages = std::vector<std::string>;

inline std::string Num(long long value) { return std::to_string(value); }

// Every bridge step first asks the main window for its editing control.
inline const std::string kHandle = "main MSG_8192 0 p";

inline Messages Step(const std::string& toEditControl) { return {kHandle, "edit " + toEditControl}; }
inline Messages SelSetStep(long long start, long long end) { return Step("EM_SETSEL " + Num(start) + " " + Num(end)); }
inline Messages SelectAllStep() { return SelSetStep(0, -1); }
inline Messages LengthStep() { return Step("WM_GETTEXTLENGTH 0 0"); }
inline Messages SelStartStep() { return Step("EM_GETSEL p 0"); }
inline Messages SelLengthStep() { return Step("EM_GETSEL p p"); }
inline Messages ReplaceStep(long long bytes) { return Step("EM_REPLACESEL 0 p bytes=" + Num(bytes)); }
inline Messages UndoStep() { return Step("EM_UNDO 0 0"); }
inline Messages ClearStep() { return Step("WM_CLEAR 0 0"); }
// The WM_GETTEXT itself goes to the handle asked for at the start of the read.
inline std::string GetTextLine(long long wParam, long long returned)
{
    return "edit WM_GETTEXT " + Num(wParam) + " p ret=" + Num(returned);
}

inline Messages Join(std::initializer_list<Messages> parts)
{
    Messages all;
    for (const Messages& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A text of single-byte characters with no pattern repeating at piece
// boundaries, so a piece read or written twice or at the wrong place shows.
inline std::string AsciiText(std::size_t bytes, unsigned seed = 0)
{
    std::string text(bytes, 'a');
    for (std::size_t i = 0; i < bytes; ++i) text[i] = static_cast<char>('a' + (i * 7 + i / 26 + seed) % 26);
    return text;
}

// Katakana A in code page 932: lead byte 0x83, trail byte 0x41.
inline const std::string kKatakanaA = "\x83\x41";

} // namespace bridgetext

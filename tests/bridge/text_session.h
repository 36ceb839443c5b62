// Helpers of the edit-command, position and text tests: a stand-in editor with
// a bridge captured on it, the Windows family this process really runs as, and
// the log lines each bridge step leaves in the stand-in's log.
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
    return !RunsOnNtFamily();
}

inline bool NamedAs9x()
{
    return platform::ExecutableBaseName().ends_with(L"_win98");
}

#define SKIP_UNLESS_9X()                                                              \
    do {                                                                              \
        if (!::bridgetext::RunsAs9x()) GTEST_SKIP() << "a Windows 95/98/Me path";     \
    } while (0)
#define SKIP_UNLESS_NT()                                                              \
    do {                                                                              \
        if (::bridgetext::RunsAs9x()) GTEST_SKIP() << "an NT-family path";            \
    } while (0)

// How a long SelText goes on this system, by the limits the bridge documents:
// whole up to wholeUpTo bytes, else in pieces of at most piece bytes (the 9x
// family's 32760/32759; under Wine 64 KB whatever version Wine reports, since
// Wine puts a message's text on the editor's stack). No value: one message.
struct SelTextPieces {
    std::size_t wholeUpTo, piece;
};
inline std::optional<SelTextPieces> SelTextPiecesHere()
{
    if (RunsAs9x()) return SelTextPieces{32760, 32759};
    if (platform::RunsUnderWine()) return SelTextPieces{65536, 65536};
    return std::nullopt;
}

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

inline std::string Num(long long value)
{
    return std::to_string(value);
}

// Every bridge step first asks the main window for its editing control.
inline const std::string kHandle = "main MSG_8192 0 p";

inline Messages Join(std::initializer_list<Messages> parts)
{
    Messages all;
    for (const Messages& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

inline Messages Repeat(const Messages& part, int times)
{
    Messages all;
    for (int i = 0; i < times; ++i) all.insert(all.end(), part.begin(), part.end());
    return all;
}

inline Messages SelSetStep(long long start, long long end)
{
    return {kHandle, "edit EM_SETSEL " + Num(start) + " " + Num(end)};
}
inline Messages SelectAllStep()
{
    return SelSetStep(0, -1);
}
inline Messages LengthStep()
{
    return {kHandle, "edit WM_GETTEXTLENGTH 0 0"};
}
inline Messages SelStartStep()
{
    return {kHandle, "edit EM_GETSEL p 0"};
}
inline Messages SelLengthStep()
{
    return {kHandle, "edit EM_GETSEL p p"};
}
inline Messages ReplaceStep(long long bytes)
{
    return {kHandle, "edit EM_REPLACESEL 0 p bytes=" + Num(bytes)};
}
inline Messages CommandStep(const char* name)
{
    return {kHandle, std::string("edit ") + name + " 0 0"};
}
inline Messages UndoStep()
{
    return CommandStep("EM_UNDO");
}
inline Messages ClearStep()
{
    return CommandStep("WM_CLEAR");
}
// The WM_GETTEXT itself goes to the handle asked for at the start of the read.
inline std::string GetTextLine(long long wParam, long long returned)
{
    return "edit WM_GETTEXT " + Num(wParam) + " p ret=" + Num(returned);
}

// Text get up to the point where it has decided how to read: the handle, then
// the length.
inline Messages ReadStart()
{
    return Join({{kHandle}, LengthStep()});
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
inline const std::wstring kKatakanaAText = L"\x30A2";

} // namespace bridgetext

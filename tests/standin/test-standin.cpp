// What makes StandInPad a faithful TeraPad for every other test, driven by
// real SendMessageA from this process as the bridge drives TeraPad.
#include "support/standin_driver.h"

#include "platform/code_page.h"
#include "platform/system_version.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using testsupport::SameMessages;
using testsupport::StandIn;

// アイxyz CR LF アb in code page 932: 12 bytes, line 1 at byte 9 (Wine's EDIT says 7).
const std::string kKana = "\x83\x41\x83\x43xyz\r\n\x83\x41" "b";
const std::string kA = "\x83\x41";  // ア
const std::string kEq = "\x81\x81"; // ＝, whose trail byte is a lead byte too

template <typename T> LPARAM Address(T* pointer) { return reinterpret_cast<LPARAM>(pointer); }

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return ::SendMessageA(hwnd, message, wParam, lParam);
}

std::pair<DWORD, DWORD> Selection(HWND edit)
{
    DWORD start = 0, end = 0;
    Send(edit, EM_GETSEL, static_cast<WPARAM>(Address(&start)), Address(&end));
    return {start, end};
}

TEST(StandInPositions, CountBytesAndSnapIntoWholeCharacters)
{
    // EM_SETSEL(4, 8) puts the caret at 8, EM_SETSEL(start, end), then message answers result.
    struct Row { const char* what; std::string document; long start, end; UINT message; WPARAM wParam;
                 LRESULT result; DWORD selStart, selEnd; };
    const auto packed = [](DWORD start, DWORD end) { return static_cast<LRESULT>(MAKELONG(start, end)); };
    const auto none = static_cast<WPARAM>(-1);
    const std::string eqs = "a" + kEq + kEq + "b";
    const Row rows[] = {
        {"length in bytes", kKana, 4, 12, WM_GETTEXTLENGTH, 0, 12, 4, 12},
        {"line 1 starts after CR LF", kKana, 4, 12, EM_LINEINDEX, 1, 9, 4, 12},
        {"no line 2", kKana, 4, 12, EM_LINEINDEX, 2, -1, 4, 12},
        {"-1: the caret's line", kKana, 4, 12, EM_LINEINDEX, none, 9, 4, 12},
        {"the LF is on line 0", kKana, 4, 12, EM_LINEFROMCHAR, 8, 0, 4, 12},
        {"byte 9 is on line 1", kKana, 4, 12, EM_LINEFROMCHAR, 9, 1, 4, 12},
        {"past the end: the last line", kKana, 4, 12, EM_LINEFROMCHAR, 99, 1, 4, 12},
        {"-1: the selection start's line", kKana, 4, 12, EM_LINEFROMCHAR, none, 0, 4, 12},
        {"start inside ア snaps back", kKana, 1, 4, EM_GETSEL, 0, packed(0, 4), 0, 4},
        {"end inside イ snaps back", kKana, 0, 3, EM_GETSEL, 0, packed(0, 2), 0, 2},
        {"start after end is swapped", kKana, 6, 2, EM_GETSEL, 0, packed(2, 6), 2, 6},
        {"end -1 is the end", kKana, 2, -1, EM_GETSEL, 0, packed(2, 12), 2, 12},
        {"start past the text", kKana, 40, 50, EM_GETSEL, 0, packed(12, 12), 12, 12},
        {"start -1 deselects and keeps the caret", kKana, -1, 3, EM_GETSEL, 0, packed(8, 8), 8, 8},
        // A run of ＝ pairs off from its start, never backwards from the position.
        {"between two ＝", eqs, 3, 3, EM_GETSEL, 0, packed(3, 3), 3, 3},
        {"inside the second ＝", eqs, 4, 4, EM_GETSEL, 0, packed(3, 3), 3, 3},
        {"after both ＝", eqs, 5, 5, EM_GETSEL, 0, packed(5, 5), 5, 5},
        {"EM_GETSEL's answer cannot hold 69000", std::string(70000, 'x'), 10, 69000, EM_GETSEL, 0, -1, 10, 69000},
    };
    StandIn editor;
    const HWND edit = editor.EditControl();
    for (const Row& row : rows) {
        if (&row == rows || row.document != (&row - 1)->document) editor.SetDocument(row.document);
        Send(edit, EM_SETSEL, 4, 8);
        Send(edit, EM_SETSEL, static_cast<WPARAM>(row.start), row.end);
        EXPECT_EQ(Send(edit, row.message, row.wParam), row.result) << row.what;
        EXPECT_EQ(Selection(edit), std::make_pair(row.selStart, row.selEnd)) << row.what;
    }
}

TEST(StandInUndo, EachUndoTakesBackOneEditOfAnyKindNewestFirst)
{
    // caretAfterUndo: an undo leaves the caret after the bytes it restores.
    struct Step { const char* what; void (*act)(HWND); std::string after; DWORD caret, caretAfterUndo; };
    const Step steps[] = {
        {"replace", [](HWND e) { Send(e, EM_SETSEL, 3, 3), Send(e, EM_REPLACESEL, 0, Address("def")); }, "abcdef",
         6, 3},
        {"clear", [](HWND e) { Send(e, EM_SETSEL, 0, 1), Send(e, WM_CLEAR); }, "bcdef", 0, 1},
        {"cut", [](HWND e) { Send(e, EM_SETSEL, 0, 2), Send(e, WM_CUT); }, "def", 0, 2},
        {"paste what was cut", [](HWND e) { Send(e, EM_SETSEL, 3, 3), Send(e, WM_PASTE); }, "defbc", 5, 3},
        {"type a letter", [](HWND e) { Send(e, WM_CHAR, 'X'); }, "defbcX", 6, 5},
        {"type ア", [](HWND e) { Send(e, WM_CHAR, 0x83), Send(e, WM_CHAR, 0x41); }, "defbcX" + kA, 8, 6},
        {"Backspace takes the whole ア", [](HWND e) { Send(e, WM_CHAR, '\b'); }, "defbcX", 6, 8},
        {"Enter types CR LF", [](HWND e) { Send(e, WM_CHAR, '\r'); }, "defbcX\r\n", 8, 6},
        {"replacing nothing by nothing",
         [](HWND e) { Send(e, EM_SETSEL, 0, 0), Send(e, EM_REPLACESEL, 0, Address("")); }, "defbcX\r\n", 0, 0},
    };
    StandIn editor;
    editor.SetDocument("abc");
    const HWND edit = editor.EditControl();
    for (const Step& step : steps) {
        step.act(edit);
        ASSERT_EQ(editor.Document(), step.after) << step.what;
        EXPECT_EQ(Selection(edit), std::make_pair(step.caret, step.caret)) << step.what;
    }
    Send(edit, WM_CLEAR); // deleting an empty selection is no edit
    Send(edit, WM_CUT);
    EXPECT_EQ(editor.State().undoDepth, 9);
    for (std::size_t k = std::size(steps); k-- > 0;) {
        EXPECT_EQ(Send(edit, EM_UNDO), TRUE) << steps[k].what;
        EXPECT_EQ(editor.Document(), k > 0 ? steps[k - 1].after : "abc") << "undoing " << steps[k].what;
        EXPECT_EQ(Selection(edit), std::make_pair(steps[k].caretAfterUndo, steps[k].caretAfterUndo)) << steps[k].what;
    }
    EXPECT_EQ(Send(edit, EM_UNDO), FALSE);
    EXPECT_EQ(editor.State().editCount, 9) << "undos are no edits";
}

TEST(StandInLimit, OneReplacementKeepsItsFirstBytesUpToACharacterBoundary)
{
    // The sent text replaces the document from byte 'from' on; at most 5 bytes of it are kept.
    struct Row { const char* what; std::string document; WPARAM from; std::string sent, kept; };
    const Row rows[] = {
        {"short text whole", "old", 0, "abc", "abc"},
        {"exactly the limit", "old", 0, "abcde", "abcde"},
        {"first five bytes", "old", 0, "abcdefgh", "abcde"},
        {"ア would straddle byte 5", "old", 0, "abcd" + kA + "x", "abcd"},
        {"three double-byte characters", "old", 0, kA + kA + kA, kA + kA},
        {"trail bytes that are lead bytes too", "old", 0, "a" + kEq + kEq + kEq, "a" + kEq + kEq},
        {"per message, not for the document", "abcde", 5, "fghij", "abcdefghij"},
    };
    StandIn editor({.limit = 5});
    long long sent = 0;
    for (const Row& row : rows) {
        editor.SetDocument(row.document);
        Send(editor.EditControl(), EM_SETSEL, row.from, -1);
        Send(editor.EditControl(), EM_REPLACESEL, 0, Address(row.sent.c_str()));
        sent += static_cast<long long>(row.sent.size());
        EXPECT_EQ(editor.Document(), row.kept) << row.what;
    }
    EXPECT_EQ(editor.State().receivedBytes, sent) << "counts what arrived, not what was kept";
}

// TeraPad's window interface: the three children with their texts, the edit
// messages and the private ones, each answered and logged as one exact line
// before its answer comes back (the bridge's tests read the log right after).
TEST(StandInLog, EachSentMessageIsAnsweredAndLoggedAsOneExactLine)
{
    testsupport::TempDir folder;
    // Double-byte names: the children's texts are ANSI bytes of code page 932.
    const std::wstring file = folder / L"テスト文書.txt", ini = folder / L"設定.ini";
    testsupport::WriteFileBytes(ini, "[StandIn]\r\nEditMode=-12\r\n");
    StandIn editor({.file = file, .ini = ini, .exitAfter = 18, .editMode = -7}); // found by its class, TTeraPadMainForm
    const HWND main = editor.Main(), edit = editor.EditControl();
    const std::pair<const char*, std::wstring> children[] = {
        {"TEdit", file}, {"TTeraPadExeName", testsupport::StandInExePath()}, {"TTeraPadIniFilePath", ini}};
    for (const auto& [childClass, path] : children) {
        char text[MAX_PATH * 2] = {};
        Send(::FindWindowExA(main, nullptr, childClass, nullptr), WM_GETTEXT, sizeof text, Address(text));
        EXPECT_EQ(text, platform::ToAnsi(path)) << childClass;
    }
    editor.SetDocument(kKana);
    std::int32_t scratch[16] = {}; // where pointers point; TeraPad's callers pass one with 0x8192 and 0x0465
    const auto scratchW = static_cast<WPARAM>(Address(scratch));
    struct Row { HWND target; UINT message; WPARAM wParam; LPARAM lParam; const char* line;
                 std::optional<LRESULT> answer; };
    const Row rows[] = {
        {main, 0x8192, 0, Address(scratch), "main MSG_8192 0 p", reinterpret_cast<LRESULT>(edit)},
        // Wine follows an ANSI sender's length query with a WM_GETTEXT of n + 1 of
        // its own: not logged, unlike the same read the caller makes next.
        {edit, WM_GETTEXTLENGTH, 0, 0, "edit WM_GETTEXTLENGTH 0 0", 12},
        {edit, WM_GETTEXT, 13, Address(scratch), "edit WM_GETTEXT 13 p ret=12", 12},
        {edit, EM_SETSEL, 2147483647, -2147483647 - 1, "edit EM_SETSEL 2147483647 -2147483648", {}},
        {edit, EM_GETSEL, scratchW, 0, "edit EM_GETSEL p 0", MAKELONG(12, 12)},
        {edit, EM_GETSEL, scratchW, Address(scratch + 1), "edit EM_GETSEL p p", MAKELONG(12, 12)},
        {edit, EM_REPLACESEL, 1, Address("\x83\x41q"), "edit EM_REPLACESEL 1 p bytes=3", {}},
        {edit, EM_LINEINDEX, static_cast<WPARAM>(-1), 0, "edit EM_LINEINDEX -1 0", 9},
        {edit, EM_GETMODIFY, 0, 0, "edit EM_GETMODIFY 0 0", TRUE},
        {edit, EM_UNDO, 0, 0, "edit EM_UNDO 0 0", TRUE},
        {main, 0x8194, 0, 0, "main MSG_8194 0 0", -7},
        {main, 0x0465, 0, Address(scratch), "main MSG_0465 0 p", {}},
        {main, 0x8194, 0, 0, "main MSG_8194 0 0", -12}, // the settings file was read again
        {main, 0x0465, 0, 0, "main MSG_0465 0 0", {}},
        {main, 0x8190, 0, 0, "main MSG_8190 0 0", {}},
        {edit, EM_GETMODIFY, 0, 0, "edit EM_GETMODIFY 0 0", FALSE}, // saved
        {edit, 0x8192, 5, 0, "edit MSG_8192 5 0", {}}, // a private message where it does not belong
        {edit, WM_GETDLGCODE, 0, 0, nullptr, {}},      // no message of the interface
    };
    std::vector<std::string> expected;
    for (const Row& row : rows) {
        const LRESULT answer = Send(row.target, row.message, row.wParam, row.lParam);
        if (row.answer) { EXPECT_EQ(answer, *row.answer) << row.line; }
        editor.State(); // the side channel never shows
        if (row.line) expected.push_back(row.line);
        ASSERT_TRUE(SameMessages(expected, editor.Log())) << "right after " << expected.back();
    }
    EXPECT_EQ(testsupport::ReadFileBytes(file), editor.Document()) << "0x8190 saves to the open file";
    EXPECT_EQ(editor.State().reloadCount, 2);
    // --exit-after 18: the 18th logged message ends it unanswered; nothing unlogged above counted.
    EXPECT_EQ(Send(main, 0x8194), 0);
    EXPECT_TRUE(editor.WaitForExit(5000));
    EXPECT_EQ(editor.Log().back(), "main MSG_8194 0 0");
}

// Wine puts a sent text on the receiving thread's stack as UTF-16: a program with
// the ordinary 1 MB reserve (TeraPad too) survives 256 KB of ASCII in one message
// and dies of 512 KB. With mingw's default 2 MB the stand-in would survive both.
TEST(WineCrossProcessText, HalfAMegabyteInOneReplacementEndsAnOrdinaryProgram)
{
    if (!platform::RunsUnderWine()) GTEST_SKIP() << "what Wine does";
    for (const std::size_t size : {std::size_t{256} << 10, std::size_t{512} << 10}) {
        StandIn editor;
        const std::string text(size, 'x');
        Send(editor.EditControl(), EM_REPLACESEL, 0, Address(text.c_str())); // 0 from a receiver that died
        const bool survived = !editor.WaitForExit(500);
        EXPECT_EQ(survived, size < (512u << 10)) << size;
        if (survived) { EXPECT_TRUE(editor.Document() == text) << size; }
    }
}

} // namespace

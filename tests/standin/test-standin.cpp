// The stand-in editor, driven from this process as the bridge drives TeraPad:
// real SendMessageA into a real StandInPad process under Wine.
#include "support/standin_driver.h"

#include "platform/code_page.h"
#include "platform/system_version.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using testsupport::SameMessages;
using testsupport::StandIn;
using testsupport::StandInOptions;

// アイxyz CR LF アb in code page 932: 12 bytes, line 1 at byte 9 (Wine's EDIT
// would say 7, counting characters).
const std::string kKana = "\x83\x41\x83\x43xyz\r\n\x83\x41" "b";
const std::string kA = "\x83\x41"; // ア

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return ::SendMessageA(hwnd, message, wParam, lParam);
}

LRESULT SendText(HWND hwnd, UINT message, const std::string& text)
{
    return ::SendMessageA(hwnd, message, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::pair<DWORD, DWORD> Selection(HWND edit)
{
    DWORD start = 0, end = 0;
    Send(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

std::string GetText(HWND hwnd, std::size_t bufferSize, LRESULT* returned = nullptr)
{
    std::string buffer(bufferSize + 8, '\xEE');
    const LRESULT result = ::SendMessageA(hwnd, WM_GETTEXT, bufferSize, reinterpret_cast<LPARAM>(buffer.data()));
    if (returned) *returned = result;
    return buffer.substr(0, static_cast<std::size_t>(result));
}

std::string WindowText(HWND hwnd)
{
    const auto length = static_cast<std::size_t>(Send(hwnd, WM_GETTEXTLENGTH));
    return GetText(hwnd, length + 1);
}

void PutOnClipboard(const std::string& ansi)
{
    for (int attempt = 0; attempt < 20 && !::OpenClipboard(nullptr); ++attempt) ::Sleep(20);
    ::EmptyClipboard();
    const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, ansi.size() + 1);
    std::memcpy(::GlobalLock(memory), ansi.c_str(), ansi.size() + 1);
    ::GlobalUnlock(memory);
    ::SetClipboardData(CF_TEXT, memory); // the clipboard owns it now
    ::CloseClipboard();
}

std::string ClipboardText()
{
    for (int attempt = 0; attempt < 20 && !::OpenClipboard(nullptr); ++attempt) ::Sleep(20);
    std::string text;
    if (const HANDLE data = ::GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(::GlobalLock(data));
        ::GlobalUnlock(data);
    }
    ::CloseClipboard();
    return text;
}

// --- byte positions ------------------------------------------------------------

TEST(StandInPositions, CountsBytesOfTheAnsiText)
{
    StandIn editor;
    editor.SetDocument(kKana);
    const HWND edit = editor.EditControl();
    struct Case {
        const char* what;
        UINT message;
        WPARAM wParam;
        LRESULT expected;
    };
    const Case cases[] = {
        {"length in bytes", WM_GETTEXTLENGTH, 0, 12},
        {"line 0 starts at 0", EM_LINEINDEX, 0, 0},
        {"line 1 starts after CR LF", EM_LINEINDEX, 1, 9},
        {"no line 2", EM_LINEINDEX, 2, -1},
        {"two lines", EM_GETLINECOUNT, 0, 2},
        {"the LF is on line 0", EM_LINEFROMCHAR, 8, 0},
        {"byte 9 is on line 1", EM_LINEFROMCHAR, 9, 1},
        {"past the end is the last line", EM_LINEFROMCHAR, 99, 1},
        {"line 0 without CR LF", EM_LINELENGTH, 0, 7},
        {"line 1", EM_LINELENGTH, 9, 3},
    };
    for (const Case& c : cases) EXPECT_EQ(Send(edit, c.message, c.wParam), c.expected) << c.what;

    Send(edit, EM_SETSEL, 0, -1);
    EXPECT_EQ(Selection(edit), std::make_pair(DWORD{0}, DWORD{12}));
    EXPECT_EQ(Send(edit, EM_GETSEL), MAKELONG(0, 12));
    Send(edit, EM_SETSEL, 12, 12);
    EXPECT_EQ(Send(edit, EM_LINEINDEX, static_cast<WPARAM>(-1)), 9) << "line of the caret";
    Send(edit, EM_SETSEL, 3, 9);
    EXPECT_EQ(Send(edit, EM_LINEFROMCHAR, static_cast<WPARAM>(-1)), 0) << "line of the selection start";
}

TEST(StandInPositions, SetSelFollowsTheStandardAndSnapsIntoWholeCharacters)
{
    StandIn editor;
    editor.SetDocument(kKana);
    const HWND edit = editor.EditControl();
    struct Case {
        const char* what;
        long start, end;
        DWORD expectedStart, expectedEnd;
    };
    const Case cases[] = {
        {"plain range", 4, 6, 4, 6},
        {"start inside ア snaps back", 1, 4, 0, 4},
        {"end inside イ snaps back", 0, 3, 0, 2},
        {"caret inside the last ア", 10, 10, 9, 9},
        {"start after end is swapped", 6, 2, 2, 6},
        {"end -1 is the end", 2, -1, 2, 12},
        {"end past the text is the end", 7, 500, 7, 12},
        {"start past the text", 40, 50, 12, 12},
        {"start -1 deselects and keeps the caret", -1, 3, 8, 8},
    };
    for (const Case& c : cases) {
        Send(edit, EM_SETSEL, 4, 8); // caret at 8
        Send(edit, EM_SETSEL, static_cast<WPARAM>(c.start), c.end);
        EXPECT_EQ(Selection(edit), std::make_pair(c.expectedStart, c.expectedEnd)) << c.what;
    }
    // EM_GETSEL's own result cannot hold positions past 0xFFFF.
    editor.SetDocument(std::string(70000, 'x'));
    Send(edit, EM_SETSEL, 10, 69000);
    EXPECT_EQ(Send(edit, EM_GETSEL), -1);
    EXPECT_EQ(Selection(edit), std::make_pair(DWORD{10}, DWORD{69000}));
}

TEST(StandInPositions, SnapCountsCharactersFromTheLastByteThatIsNoLeadByte)
{
    // ＝ is 81 81: its trail byte is a lead byte too, so a run of them cannot
    // be paired off from the position backwards, only from the run's start.
    const std::string eq = "\x81\x81";
    StandIn editor;
    const HWND edit = editor.EditControl();
    struct Case {
        const char* what;
        std::string document;
        long position;
        DWORD expected;
    };
    const Case cases[] = {
        {"between two ＝", "a" + eq + eq + "b", 3, 3},
        {"inside the second ＝", "a" + eq + eq + "b", 4, 3},
        {"inside the first ＝", "a" + eq + eq + "b", 2, 1},
        {"after both", "a" + eq + eq + "b", 5, 5},
        {"inside the third of a run at the start", eq + eq + eq, 5, 4},
        {"ア then ＝: inside ＝", kA + eq, 3, 2},
    };
    for (const Case& c : cases) {
        editor.SetDocument(c.document);
        Send(edit, EM_SETSEL, static_cast<WPARAM>(c.position), c.position);
        EXPECT_EQ(Selection(edit), std::make_pair(c.expected, c.expected)) << c.what;
    }
}

TEST(StandInText, GetTextCopiesAtMostOneByteLessThanTheBuffer)
{
    StandIn editor;
    editor.SetDocument("hello world");
    struct Case {
        std::size_t bufferSize;
        LRESULT expectedCount;
    };
    for (const Case c : {Case{0, 0}, Case{1, 0}, Case{6, 5}, Case{12, 11}, Case{100, 11}}) {
        std::string buffer(c.bufferSize + 4, '\xEE');
        const LRESULT count = ::SendMessageA(editor.EditControl(), WM_GETTEXT, c.bufferSize,
                                             reinterpret_cast<LPARAM>(buffer.data()));
        EXPECT_EQ(count, c.expectedCount) << "buffer " << c.bufferSize;
        if (c.bufferSize > 0) {
            EXPECT_EQ(buffer.substr(0, static_cast<std::size_t>(count)), std::string("hello world").substr(0, count));
            EXPECT_EQ(buffer[static_cast<std::size_t>(count)], '\0') << "buffer " << c.bufferSize;
        }
    }
}

// --- edits and undo --------------------------------------------------------------

TEST(StandInUndo, EachUndoTakesBackOneEditOfAnyKind)
{
    StandIn editor;
    editor.SetDocument("abc");
    const HWND edit = editor.EditControl();
    PutOnClipboard("PQ");
    struct Step {
        const char* what;
        void (*act)(HWND);
        std::string after;
    };
    const Step steps[] = {
        {"replace", [](HWND e) { Send(e, EM_SETSEL, 3, 3); SendText(e, EM_REPLACESEL, "def"); }, "abcdef"},
        {"clear", [](HWND e) { Send(e, EM_SETSEL, 0, 1); Send(e, WM_CLEAR); }, "bcdef"},
        {"cut", [](HWND e) { Send(e, EM_SETSEL, 0, 2); Send(e, WM_CUT); }, "def"},
        {"paste what was cut", [](HWND e) { Send(e, EM_SETSEL, 3, 3); Send(e, WM_PASTE); }, "defbc"},
        {"type a letter", [](HWND e) { Send(e, WM_CHAR, 'X'); }, "defbcX"},
        {"type ア as lead and trail byte", [](HWND e) { Send(e, WM_CHAR, 0x83); Send(e, WM_CHAR, 0x41); },
         "defbcX" + kA},
        {"Backspace takes the whole ア", [](HWND e) { Send(e, WM_CHAR, '\b'); }, "defbcX"},
        {"Enter types CR LF", [](HWND e) { Send(e, WM_CHAR, '\r'); }, "defbcX\r\n"},
        {"replace with nothing is an edit too", [](HWND e) { Send(e, EM_SETSEL, 0, 0); SendText(e, EM_REPLACESEL, ""); },
         "defbcX\r\n"},
    };
    std::vector<std::string> before = {"abc"};
    for (const Step& step : steps) {
        step.act(edit);
        ASSERT_EQ(editor.Document(), step.after) << step.what;
        before.push_back(step.after);
    }
    EXPECT_EQ(editor.State().undoDepth, 9);
    EXPECT_EQ(editor.State().editCount, 9);

    // k undos take back the last k edits, newest first.
    for (std::size_t k = 1; k <= std::size(steps); ++k) {
        EXPECT_EQ(Send(edit, EM_UNDO), TRUE) << "undo " << k;
        EXPECT_EQ(editor.Document(), before[before.size() - 1 - k]) << "after undoing " << steps[std::size(steps) - k].what;
    }
    EXPECT_EQ(Send(edit, EM_CANUNDO), FALSE);
    EXPECT_EQ(Send(edit, EM_UNDO), FALSE);
    EXPECT_EQ(editor.Document(), "abc");
    EXPECT_EQ(editor.State().editCount, 9) << "undos are not edits";
}

TEST(StandInUndo, ReplaceSelLeavesTheCaretAfterTheTextAndUndoAfterTheRestoredText)
{
    StandIn editor;
    editor.SetDocument("0123456789");
    const HWND edit = editor.EditControl();
    Send(edit, EM_SETSEL, 2, 5);
    SendText(edit, EM_REPLACESEL, kA + "z");
    EXPECT_EQ(editor.Document(), "01" + kA + "z56789");
    EXPECT_EQ(Selection(edit), std::make_pair(DWORD{5}, DWORD{5}));
    EXPECT_TRUE(Send(edit, EM_GETMODIFY));
    Send(edit, EM_UNDO);
    EXPECT_EQ(editor.Document(), "0123456789");
    EXPECT_EQ(Selection(edit), std::make_pair(DWORD{5}, DWORD{5}));
}

TEST(StandInUndo, SetTextStartsAFreshHistory)
{
    StandIn editor;
    const HWND edit = editor.EditControl();
    SendText(edit, EM_REPLACESEL, "one");
    SendText(edit, EM_REPLACESEL, "two");
    EXPECT_EQ(SendText(edit, WM_SETTEXT, "fresh"), TRUE);
    EXPECT_EQ(Send(edit, EM_UNDO), FALSE);
    EXPECT_EQ(editor.Document(), "fresh");
    EXPECT_EQ(Selection(edit), std::make_pair(DWORD{0}, DWORD{0}));
    EXPECT_FALSE(Send(edit, EM_GETMODIFY));
    SendText(edit, EM_REPLACESEL, "more ");
    EXPECT_EQ(Send(edit, EM_UNDO), TRUE);
    EXPECT_EQ(editor.Document(), "fresh") << "an undo goes back no further than the new text";
}

TEST(StandInUndo, DeletingNothingIsNoEdit)
{
    StandIn editor;
    editor.SetDocument("abc");
    const HWND edit = editor.EditControl();
    Send(edit, EM_SETSEL, 1, 1);
    Send(edit, WM_CLEAR);
    Send(edit, WM_CUT);
    EXPECT_EQ(editor.Document(), "abc");
    const StandIn::Info info = editor.State();
    EXPECT_EQ(info.undoDepth, 0);
    EXPECT_EQ(info.editCount, 0);
    EXPECT_FALSE(info.modified);
}

// --- the byte limit and read-only mode --------------------------------------------

TEST(StandInLimit, OneReplacementKeepsItsFirstBytesUpToACharacterBoundary)
{
    StandInOptions options;
    options.limit = 5;
    StandIn editor(options);
    const HWND edit = editor.EditControl();
    struct Case {
        const char* what;
        UINT message;
        std::string sent, kept;
    };
    const Case cases[] = {
        {"short text whole", EM_REPLACESEL, "abc", "abc"},
        {"exactly the limit", EM_REPLACESEL, "abcde", "abcde"},
        {"first five bytes", EM_REPLACESEL, "abcdefgh", "abcde"},
        {"ア would straddle byte 5", EM_REPLACESEL, "abcd" + kA + "x", "abcd"},
        {"three double-byte characters", EM_REPLACESEL, kA + kA + kA, kA + kA},
        {"trail bytes that are lead bytes too", EM_REPLACESEL, "a\x81\x81\x81\x81\x81\x81", "a\x81\x81\x81\x81"},
        {"WM_SETTEXT too", WM_SETTEXT, "0123456789", "01234"},
    };
    long long sent = 0;
    for (const Case& c : cases) {
        editor.SetDocument("old");
        Send(edit, EM_SETSEL, 0, -1);
        SendText(edit, c.message, c.sent);
        sent += static_cast<long long>(c.sent.size());
        EXPECT_EQ(editor.Document(), c.kept) << c.what;
    }
    EXPECT_EQ(editor.State().receivedBytes, sent) << "counts what arrived, not what was kept";

    // The limit is per message, not a limit of the document.
    editor.SetDocument("");
    SendText(edit, EM_REPLACESEL, "abcde");
    SendText(edit, EM_REPLACESEL, "fghij");
    EXPECT_EQ(editor.Document(), "abcdefghij");
}

TEST(StandInReadOnly, RefusesEveryChange)
{
    StandInOptions options;
    options.readOnly = true;
    StandIn editor(options);
    const HWND edit = editor.EditControl();
    editor.SetDocument("fixed text");
    PutOnClipboard("pasted");
    struct Case {
        const char* what;
        void (*act)(HWND);
    };
    const Case cases[] = {
        {"EM_REPLACESEL", [](HWND e) { SendText(e, EM_REPLACESEL, "new"); }},
        {"WM_SETTEXT", [](HWND e) { SendText(e, WM_SETTEXT, "new"); }},
        {"WM_CLEAR", [](HWND e) { Send(e, WM_CLEAR); }},
        {"WM_CUT", [](HWND e) { Send(e, WM_CUT); }},
        {"WM_PASTE", [](HWND e) { Send(e, WM_PASTE); }},
        {"EM_UNDO", [](HWND e) { Send(e, EM_UNDO); }},
        {"typing", [](HWND e) { Send(e, WM_CHAR, 'x'); Send(e, WM_CHAR, '\b'); }},
    };
    for (const Case& c : cases) {
        Send(edit, EM_SETSEL, 0, 5);
        c.act(edit);
        EXPECT_EQ(editor.Document(), "fixed text") << c.what;
    }
    EXPECT_EQ(editor.State().editCount, 0);
    EXPECT_FALSE(editor.State().modified);
    EXPECT_EQ(ClipboardText(), "fixed") << "WM_CUT still copies";
}

// --- private messages ---------------------------------------------------------------

TEST(StandInPrivateMessages, AnswerAsTeraPadDoes)
{
    testsupport::TempDir folder;
    const std::wstring file = folder / L"doc.txt";
    const std::wstring ini = folder / L"terapad.ini";
    testsupport::WriteFileBytes(file, "on disk");
    StandInOptions options;
    options.file = file;
    options.ini = ini;
    options.editMode = -7;
    StandIn editor(options);
    const HWND main = editor.Main();
    std::int32_t zero = 0;
    const auto address = reinterpret_cast<LPARAM>(&zero);

    EXPECT_EQ(reinterpret_cast<HWND>(Send(main, 0x8192, 0, address)), editor.EditControl());
    EXPECT_EQ(static_cast<std::int32_t>(Send(main, 0x8194)), -7);
    EXPECT_EQ(editor.Document(), "on disk");

    SendText(editor.EditControl(), EM_REPLACESEL, "edited, ");
    EXPECT_TRUE(editor.State().modified);
    Send(main, 0x8190);
    EXPECT_EQ(testsupport::ReadFileBytes(file), "edited, on disk");
    EXPECT_FALSE(editor.State().modified);
    EXPECT_FALSE(Send(editor.EditControl(), EM_GETMODIFY));

    // 0x0465 reloads the settings file: the count goes up, EditMode is read again.
    EXPECT_EQ(editor.State().reloadCount, 0);
    Send(main, 0x0465, 0, address);
    EXPECT_EQ(editor.State().reloadCount, 1);
    EXPECT_EQ(static_cast<std::int32_t>(Send(main, 0x8194)), -7) << "no EditMode in the file: unchanged";
    testsupport::WriteFileBytes(ini, "[StandIn]\r\nEditMode=-12\r\n");
    Send(main, 0x0465, 0, address);
    EXPECT_EQ(editor.State().reloadCount, 2);
    EXPECT_EQ(static_cast<std::int32_t>(Send(main, 0x8194)), -12);
}

TEST(StandInPrivateMessages, SaveWritesOnlyToTheOpenFile)
{
    testsupport::TempDir folder;
    const std::wstring textFile = folder / L"initial.txt";
    testsupport::WriteFileBytes(textFile, "initial");
    StandInOptions options;
    options.textFile = textFile;
    StandIn editor(options);
    EXPECT_EQ(editor.Document(), "initial");
    EXPECT_EQ(WindowText(::FindWindowExA(editor.Main(), nullptr, "TEdit", nullptr)), "") << "no open file";
    SendText(editor.EditControl(), EM_REPLACESEL, "more ");
    Send(editor.Main(), 0x8190);
    EXPECT_EQ(testsupport::ReadFileBytes(textFile), "initial");
    EXPECT_TRUE(editor.State().modified);
}

TEST(StandInPrivateMessages, SaveWithBothFilesWritesTheOpenOne)
{
    testsupport::TempDir folder;
    StandInOptions options;
    options.file = folder / L"open.txt";
    options.textFile = folder / L"initial.txt";
    testsupport::WriteFileBytes(options.file, "open");
    testsupport::WriteFileBytes(options.textFile, "initial");
    StandIn editor(options);
    EXPECT_EQ(editor.Document(), "open") << "--file wins over --text-file";
    SendText(editor.EditControl(), EM_REPLACESEL, "re");
    Send(editor.Main(), 0x8190);
    EXPECT_EQ(testsupport::ReadFileBytes(options.file), "reopen");
    EXPECT_EQ(testsupport::ReadFileBytes(options.textFile), "initial");
    EXPECT_FALSE(editor.State().modified);
}

// --- the windows ----------------------------------------------------------------------

TEST(StandInWindows, PublishesItsPathsInTheChildWindows)
{
    testsupport::TempDir folder;
    // A double-byte name: the window texts are ANSI bytes of code page 932.
    const std::wstring file = folder / L"テスト文書.txt";
    const std::wstring ini = folder / L"設定.ini";
    testsupport::WriteFileBytes(file, "x");
    StandInOptions options;
    options.file = file;
    options.ini = ini;
    StandIn editor(options);
    const HWND main = editor.Main();
    char className[64] = {};
    ::GetClassNameA(main, className, sizeof className);
    EXPECT_STREQ(className, "TTeraPadMainForm");

    const HWND fileName = ::FindWindowExA(main, nullptr, "TEdit", nullptr);
    const HWND exeName = ::FindWindowExA(main, nullptr, "TTeraPadExeName", nullptr);
    const HWND iniPath = ::FindWindowExA(main, nullptr, "TTeraPadIniFilePath", nullptr);
    ASSERT_TRUE(fileName && exeName && iniPath);
    EXPECT_EQ(WindowText(fileName), platform::ToAnsi(file));
    EXPECT_EQ(WindowText(exeName), platform::ToAnsi(testsupport::StandInExePath()));
    EXPECT_EQ(WindowText(iniPath), platform::ToAnsi(ini));
    EXPECT_NE(editor.EditControl(), fileName) << "the editing control is not the TEdit";
    EXPECT_EQ(::GetParent(editor.EditControl()), main);
}

TEST(StandInWindows, OptionsLeaveOutEachChild)
{
    struct Case {
        const char* what;
        bool StandInOptions::*flag;
        const char* missing;
    };
    const Case cases[] = {
        {"--no-fileedit", &StandInOptions::noFileEdit, "TEdit"},
        {"--no-exename", &StandInOptions::noExeName, "TTeraPadExeName"},
        {"--no-inifile", &StandInOptions::noIniFile, "TTeraPadIniFilePath"},
    };
    for (const Case& c : cases) {
        StandInOptions options;
        options.*c.flag = true;
        StandIn editor(options);
        for (const char* child : {"TEdit", "TTeraPadExeName", "TTeraPadIniFilePath"}) {
            const bool present = ::FindWindowExA(editor.Main(), nullptr, child, nullptr) != nullptr;
            EXPECT_EQ(present, std::string(child) != c.missing) << c.what << ": " << child;
        }
    }
}

TEST(StandInWindows, OwnedPopupBelongsToTheMainWindow)
{
    StandInOptions options;
    options.ownedPopup = true;
    StandIn editor(options);
    const HWND popup = ::FindWindowA("TStandInPopup", nullptr);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(::GetWindow(popup, GW_OWNER), editor.Main());
    EXPECT_EQ(::GetParent(popup), editor.Main()) << "GetParent of an owned popup is its owner";
    EXPECT_TRUE(::IsWindowVisible(popup));
    EXPECT_EQ(::GetForegroundWindow(), editor.Main());
}

TEST(StandInWindows, CarriesDifferentFileAndProductVersions)
{
    const std::wstring exe = testsupport::StandInExePath();
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(::GetFileVersionInfoW(exe.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length));
    EXPECT_EQ(info->dwProductVersionMS, MAKELONG(2, 1));
    EXPECT_EQ(info->dwProductVersionLS, 0u);
    EXPECT_EQ(info->dwFileVersionMS, MAKELONG(4, 3));
    EXPECT_EQ(info->dwFileVersionLS, MAKELONG(7, 5));
    EXPECT_EQ(::GetFileVersionInfoSizeW(testsupport::NoVersionExePath().c_str(), &ignored), 0u);
}

// --- the log ----------------------------------------------------------------------------

TEST(StandInLog, WritesOneExactLinePerSendMessage)
{
    StandIn editor;
    editor.SetDocument(kKana);
    const HWND main = editor.Main();
    const HWND edit = editor.EditControl();
    std::int32_t zero = 0;
    DWORD start = 0, end = 0;
    char buffer[64] = {};

    // One SendMessageA each; Wine's own WM_GETTEXT behind a WM_GETTEXTLENGTH
    // from an ANSI sender must not show.
    Send(main, 0x8192, 0, reinterpret_cast<LPARAM>(&zero));
    Send(edit, WM_GETTEXTLENGTH);
    ::SendMessageA(edit, WM_GETTEXT, 13, reinterpret_cast<LPARAM>(buffer));
    Send(edit, EM_SETSEL, 0, -1);
    Send(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    Send(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    editor.Document(); // the side channel is never logged
    Send(edit, EM_SETSEL, 7, 7);
    SendText(edit, EM_REPLACESEL, kA + "q");
    Send(edit, EM_LINEINDEX, static_cast<WPARAM>(-1));
    Send(edit, EM_LINEFROMCHAR, 3);
    Send(edit, EM_GETMODIFY);
    Send(edit, EM_UNDO);
    Send(edit, EM_SETSEL, 0, 2);
    Send(edit, WM_COPY);
    Send(edit, WM_CUT);
    Send(edit, WM_PASTE);
    Send(edit, WM_CLEAR);
    SendText(edit, WM_SETTEXT, "new");
    Send(main, 0x8194);
    Send(main, 0x0465, 0, reinterpret_cast<LPARAM>(&zero));
    Send(main, 0x0465, 0, 0);
    Send(main, 0x8190);
    Send(main, WM_GETTEXTLENGTH);
    Send(edit, 0x8192, 5, 0); // a private message where it does not belong
    Send(edit, EM_GETLINECOUNT);

    const std::vector<std::string> expected = {
        "main MSG_8192 0 p",
        "edit WM_GETTEXTLENGTH 0 0",
        "edit WM_GETTEXT 13 p ret=12",
        "edit EM_SETSEL 0 -1",
        "edit EM_GETSEL p 0",
        "edit EM_GETSEL p p",
        "edit EM_SETSEL 7 7",
        "edit EM_REPLACESEL 0 p bytes=3",
        "edit EM_LINEINDEX -1 0",
        "edit EM_LINEFROMCHAR 3 0",
        "edit EM_GETMODIFY 0 0",
        "edit EM_UNDO 0 0",
        "edit EM_SETSEL 0 2",
        "edit WM_COPY 0 0",
        "edit WM_CUT 0 0",
        "edit WM_PASTE 0 0",
        "edit WM_CLEAR 0 0",
        "edit WM_SETTEXT 0 p",
        "main MSG_8194 0 0",
        "main MSG_0465 0 p",
        "main MSG_0465 0 0",
        "main MSG_8190 0 0",
        "main WM_GETTEXTLENGTH 0 0",
        "edit MSG_8192 5 0",
        "edit EM_GETLINECOUNT 0 0",
    };
    EXPECT_TRUE(SameMessages(expected, editor.Log()));

    editor.ClearLog();
    EXPECT_TRUE(SameMessages({}, editor.Log()));
    Send(edit, WM_GETTEXTLENGTH);
    Send(edit, WM_GETTEXTLENGTH);
    EXPECT_TRUE(SameMessages({"edit WM_GETTEXTLENGTH 0 0", "edit WM_GETTEXTLENGTH 0 0"}, editor.Log()));
}

TEST(StandInLog, ReadAfterLengthShowsBothMessages)
{
    // The bridge's own read: the length, then WM_GETTEXT with length + 1 --
    // the same size Wine uses for its hidden call, which must not eat this one.
    StandIn editor;
    editor.SetDocument("abcdef");
    Send(editor.EditControl(), WM_GETTEXTLENGTH);
    EXPECT_EQ(GetText(editor.EditControl(), 7), "abcdef");
    EXPECT_TRUE(SameMessages({"edit WM_GETTEXTLENGTH 0 0", "edit WM_GETTEXT 7 p ret=6"}, editor.Log()));
}

TEST(StandInLog, ExitAfterEndsTheProcessAtTheNthLoggedMessage)
{
    StandInOptions options;
    options.exitAfter = 3;
    StandIn editor(options);
    editor.SetDocument("abc");
    const HWND edit = editor.EditControl();
    EXPECT_EQ(Send(edit, WM_GETTEXTLENGTH), 3);
    Send(edit, EM_SETSEL, 0, 1);
    EXPECT_EQ(SendText(edit, EM_REPLACESEL, "zz"), 0) << "no answer from an editor that went away";
    ASSERT_TRUE(editor.WaitForExit(5000));
    DWORD code = 0;
    ::GetExitCodeProcess(editor.Process(), &code);
    EXPECT_EQ(code, 3u);
    EXPECT_FALSE(::IsWindow(edit));
    EXPECT_TRUE(SameMessages({"edit WM_GETTEXTLENGTH 0 0", "edit EM_SETSEL 0 1", "edit EM_REPLACESEL 0 p"},
                             editor.Log()))
        << "the last message is logged but not handled";
}

TEST(StandInLog, EachLineIsWrittenBeforeTheAnswerComesBack)
{
    // The bridge's tests read the log right after a call returns.
    StandIn editor;
    editor.SetDocument("abc");
    const HWND edit = editor.EditControl();
    DWORD start = 0, end = 0;
    std::int32_t zero = 0;
    struct Case {
        HWND target;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        const char* line;
    };
    const Case cases[] = {
        {edit, WM_GETTEXTLENGTH, 0, 0, "edit WM_GETTEXTLENGTH 0 0"},
        {edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end), "edit EM_GETSEL p p"},
        {edit, EM_SETSEL, static_cast<WPARAM>(-1), 0, "edit EM_SETSEL -1 0"},
        {edit, EM_SETSEL, 2147483647, -2147483647 - 1, "edit EM_SETSEL 2147483647 -2147483648"},
        {edit, EM_REPLACESEL, 1, reinterpret_cast<LPARAM>("xyz"), "edit EM_REPLACESEL 1 p bytes=3"},
        {editor.Main(), 0x8192, 0, reinterpret_cast<LPARAM>(&zero), "main MSG_8192 0 p"},
        {edit, WM_GETTEXTLENGTH, 0, 0, "edit WM_GETTEXTLENGTH 0 0"},
    };
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        ::SendMessageA(c.target, c.message, c.wParam, c.lParam);
        expected.push_back(c.line);
        ASSERT_TRUE(SameMessages(expected, editor.Log())) << "right after " << c.line;
    }
}

TEST(StandInLog, ExitAfterCountsOnlyLoggedMessages)
{
    StandInOptions options;
    options.exitAfter = 2;
    options.editMode = 4;
    StandIn editor(options);
    const HWND edit = editor.EditControl();
    EXPECT_EQ(Send(edit, EM_GETMODIFY), FALSE);
    // Neither the side channel, nor a message outside the list, nor posted typing counts.
    editor.SetDocument("abc");
    editor.SetSelection(1, 1);
    editor.Document();
    editor.State();
    Send(edit, WM_GETDLGCODE);
    ::PostMessageA(edit, WM_CHAR, 'z', 0);
    // A posted message waits behind the sent ones: ask until it was typed.
    std::string typed;
    for (int attempt = 0; attempt < 100 && (typed = editor.Document()) != "azbc"; ++attempt) ::Sleep(20);
    EXPECT_EQ(typed, "azbc");
    ASSERT_FALSE(editor.WaitForExit(0));
    DWORD_PTR result = 12345;
    // The main window's private message is the second: the process ends unanswering.
    ::SendMessageTimeoutA(editor.Main(), 0x8194, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    ASSERT_TRUE(editor.WaitForExit(5000));
    DWORD code = 0;
    ::GetExitCodeProcess(editor.Process(), &code);
    EXPECT_EQ(code, 3u);
    EXPECT_NE(result, DWORD_PTR{4}) << "the edit mode was answered";
    EXPECT_TRUE(SameMessages({"edit EM_GETMODIFY 0 0", "main MSG_8194 0 0"}, editor.Log()));
}

// --- the Tools menu ----------------------------------------------------------------------

TEST(StandInTools, StartsTheToolAndStaysInTheForeground)
{
    testsupport::TempDir folder;
    const std::wstring out = folder / L"probe.txt";
    ::SetEnvironmentVariableW(L"QB_TOOLPROBE_OUT", out.c_str());
    StandInOptions options;
    options.tool = testsupport::TestBinDir() + L"\\ToolProbe.exe";
    StandIn editor(options);

    ::PostMessageA(editor.Main(), WM_COMMAND, testsupport::kToolCommand, 0);
    std::string record;
    for (int attempt = 0; attempt < 250 && record.empty(); ++attempt) {
        ::Sleep(20);
        if (::GetFileAttributesW(out.c_str()) != INVALID_FILE_ATTRIBUTES) record = testsupport::ReadFileBytes(out);
    }
    ::SetEnvironmentVariableW(L"QB_TOOLPROBE_OUT", nullptr);
    ASSERT_FALSE(record.empty()) << "the tool did not start";

    // handle TAB class TAB process TAB folder
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (std::size_t tab; (tab = record.find('\t', from)) != std::string::npos; from = tab + 1)
        fields.push_back(record.substr(from, tab - from));
    fields.push_back(record.substr(from, record.find('\r', from) - from));
    ASSERT_EQ(fields.size(), 4u) << record;
    EXPECT_EQ(fields[0], std::to_string(reinterpret_cast<std::uintptr_t>(editor.Main()))) << "foreground at the tool's start";
    EXPECT_EQ(fields[1], "TTeraPadMainForm");
    EXPECT_EQ(fields[2], std::to_string(editor.ProcessId()));
    EXPECT_EQ(fields[3], platform::ToAnsi(testsupport::TestBinDir())) << "working folder: the tool's";
    EXPECT_EQ(::GetForegroundWindow(), editor.Main());
}

TEST(StandInTools, WithoutAToolTheCommandStartsNothing)
{
    testsupport::TempDir folder;
    const std::wstring out = folder / L"probe.txt";
    ::SetEnvironmentVariableW(L"QB_TOOLPROBE_OUT", out.c_str());
    StandIn editor; // no --tool, though ToolProbe.exe lies beside it
    ::PostMessageA(editor.Main(), WM_COMMAND, testsupport::kToolCommand, 0);
    ::Sleep(1500);
    ::SetEnvironmentVariableW(L"QB_TOOLPROBE_OUT", nullptr);
    EXPECT_EQ(::GetFileAttributesW(out.c_str()), INVALID_FILE_ATTRIBUTES) << "something started";
    EXPECT_EQ(::GetForegroundWindow(), editor.Main());
    EXPECT_TRUE(SameMessages({}, editor.Log())) << "a posted command is no interface message";
}

// --- large documents ------------------------------------------------------------------------

std::string LargeText(std::size_t bytes)
{
    // Kana and ASCII mixed, with line breaks, so that positions and lines matter.
    std::string text;
    text.reserve(bytes);
    while (text.size() < bytes) text += "\x83\x41\x83\x43 line of text 0123456789\r\n";
    text.resize(bytes);
    return text;
}

double Milliseconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

TEST(StandInLarge, SixteenMegabytesGoInInPiecesAndComeBackInOneMessage)
{
    // In: EM_REPLACESEL of 64 KB each, what a 1 MB stack takes under Wine.
    // Out: one WM_GETTEXT, whose reply Wine does not put on the stack.
    const std::size_t size = 16u << 20;
    const std::size_t piece = 64u << 10;
    std::string text = LargeText(size);
    StandIn editor;
    const HWND edit = editor.EditControl();

    auto t0 = std::chrono::steady_clock::now();
    Send(edit, EM_SETSEL, 0, -1);
    for (std::size_t begin = 0; begin < size; begin += piece) {
        const std::size_t end = std::min(size, begin + piece);
        const char kept = text[end];
        text[end] = '\0';
        Send(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.data() + begin));
        text[end] = kept;
    }
    const double replaceMs = Milliseconds(t0);
    ASSERT_EQ(Send(edit, WM_GETTEXTLENGTH), static_cast<LRESULT>(size)) << "the 16 MB arrived whole";

    t0 = std::chrono::steady_clock::now();
    std::string buffer(size + 1, '\0');
    const LRESULT got = ::SendMessageA(edit, WM_GETTEXT, size + 1, reinterpret_cast<LPARAM>(buffer.data()));
    const double getMs = Milliseconds(t0);
    buffer.resize(static_cast<std::size_t>(got));
    EXPECT_EQ(got, static_cast<LRESULT>(size));
    EXPECT_TRUE(buffer == text) << "WM_GETTEXT gave other bytes back";

    t0 = std::chrono::steady_clock::now();
    Send(edit, WM_GETTEXTLENGTH);
    const double lengthMs = Milliseconds(t0);
    std::printf("[ measure  ] 16 MB cross-process: EM_REPLACESEL in 256 pieces %.0f ms, WM_GETTEXT %.0f ms, "
                "WM_GETTEXTLENGTH %.0f ms\n",
                replaceMs, getMs, lengthMs);
}

TEST(StandInLarge, FiveHundredDeletionsAndUndosOnSixteenMegabytes)
{
    // The bridge's Windows 9x read: select 32759 bytes at the front, read,
    // delete, as often as it takes; then undo every deletion.
    const std::size_t size = 16u << 20;
    const std::string text(size, 'x');
    StandIn editor;
    editor.SetDocument(text);
    const HWND edit = editor.EditControl();
    // One length query per pass, as the bridge makes it, would cost Wine a
    // full conversion of the remaining text each time (see the README); the
    // pass count is worked out once here instead.
    const int passes = static_cast<int>((size + 32758) / 32759);
    const auto t0 = std::chrono::steady_clock::now();
    std::vector<char> piece(32760);
    for (int pass = 0; pass < passes; ++pass) {
        Send(edit, EM_SETSEL, 0, 32759);
        ::SendMessageA(edit, WM_GETTEXT, 32760, reinterpret_cast<LPARAM>(piece.data()));
        Send(edit, WM_CLEAR);
    }
    EXPECT_EQ(Send(edit, WM_GETTEXTLENGTH), 0);
    for (int k = 0; k < passes; ++k) Send(edit, EM_UNDO);
    const double ms = Milliseconds(t0);
    EXPECT_TRUE(editor.Document() == text) << "the undos did not restore the document";
    EXPECT_EQ(editor.State().undoDepth, 0);
    std::printf("[ measure  ] 16 MB in %d pieces: read, delete and undo in %.0f ms\n", passes, ms);
}

// --- Wine's conversion across processes ---------------------------------------------------------

// The stand-in has the stack reserve of an ordinary program (1 MB), so it
// meets what Wine does to a real editor: a sent message's text is put on the
// receiving thread's stack as UTF-16, two bytes for each single-byte
// character. 256 KB of ASCII go; 512 KB end the process.
TEST(WineCrossProcessText, HalfAMegabyteInOneReplacementEndsAnOrdinaryProgram)
{
    if (!platform::RunsUnderWine()) GTEST_SKIP() << "what Wine does";
    for (const std::size_t size : {std::size_t{256} << 10, std::size_t{512} << 10}) {
        SCOPED_TRACE(size);
        StandIn editor;
        const std::string text(size, 'x');
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(editor.EditControl(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()),
                              SMTO_NORMAL, 30000, &result);
        const bool survived = !editor.WaitForExit(500);
        EXPECT_EQ(survived, size < (512u << 10));
        if (survived) EXPECT_TRUE(editor.Document() == text);
    }
}

// Wine carries an ANSI sender's text messages to another process as UTF-16.
// Valid code page 932 text arrives unchanged, embedded NULs included (the
// count travels with it); invalid double-byte pairs come back as ・ (81 45);
// a lead byte without its trail byte is lost. The bridge sees these bytes,
// not the stand-in's.
TEST(WineCrossProcessText, WmGetTextArrivesThroughUtf16)
{
    StandIn editor;
    struct Case {
        const char* what;
        std::string document, received;
    };
    const Case cases[] = {
        {"kana and CR LF", kKana, kKana},
        {"embedded NUL", std::string("ab\0cd", 5), std::string("ab\0cd", 5)},
        {"single bytes 80 A0 FD", "a\x80\xA0\xFD" "b", "a\x80\xA0\xFD" "b"},
        {"half-width katakana", "a\xB1\xB2" "b", "a\xB1\xB2" "b"},
        {"lead byte then blank", "a\x81\x20" "b", "a\x81\x45" "b"},
        {"unassigned pair 85 40", "a\x85\x40" "b", "a\x81\x45" "b"},
        {"lone lead byte at the end", "ab\x83", "ab"},
    };
    for (const Case& c : cases) {
        editor.SetDocument(c.document);
        LRESULT returned = 0;
        EXPECT_EQ(GetText(editor.EditControl(), c.document.size() + 1, &returned), c.received) << c.what;
        EXPECT_EQ(Send(editor.EditControl(), WM_GETTEXTLENGTH), static_cast<LRESULT>(c.received.size()))
            << c.what << ": the length is measured on the converted text";
    }
}

} // namespace

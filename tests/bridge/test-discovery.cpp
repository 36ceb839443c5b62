// Which editor a bridge is bound to, what every member gives without one, and
// the commands to it, against stand-in editors in their own processes.
#include "bridge/kest_terapad.h"
#include "tests/bridge/probe.h"
#include "tests/bridge/text_session.h"

#include "platform/code_page.h"
#include "platform/handles.h"
#include "platform/programs.h"
#include "platform/win32_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <functional>

namespace {

using namespace bridgetext;

TEST(Capture, TakesOnlyAnEditorWindowInFrontOrGivenAndToolKeepsItsFirstAnswer)
{
    // The settings path (through the children found) and the length tell the editors apart.
    StandIn first({.ini = L"C:\\first.ini"}), second({.ini = L"C:\\second.ini"});
    first.SetDocument("1st");
    second.SetDocument("second");
    ForeignWindow foreign;
    clsKestTeraPad uncaptured, given;
    given.hwnd(first.Main());
    first.BringToFront();
    clsKestTeraPad captured;
    for (clsKestTeraPad* bridge : {&given, &captured}) {
        EXPECT_EQ(bridge->hwnd(), first.Main());
        EXPECT_EQ(bridge->INIPath() + std::to_wstring(bridge->Length()), L"C:\\first.ini3");
    }
    // SearchTeraPad moves to an editor in front and stays when a foreign one is.
    for (const bool editorInFront : {true, false}) {
        editorInFront ? second.BringToFront() : foreign.BringToFront();
        for (clsKestTeraPad* bridge : {&uncaptured, &captured}) {
            bridge->SearchTeraPad();
            EXPECT_EQ(bridge->hwnd(), second.Main());
            EXPECT_EQ(bridge->INIPath() + std::to_wstring(bridge->Length()), L"C:\\second.ini6");
        }
        EXPECT_FALSE(uncaptured.Tool() || given.Tool());
        EXPECT_TRUE(captured.Tool());
    }
    first.ClearLog();
    for (HWND refused : {HWND{}, foreign.get(), ::FindWindowExA(second.Main(), nullptr, "TEdit", nullptr)}) {
        given.hwnd(refused);
        EXPECT_EQ(given.hwnd(), first.Main()) << refused;
    }
    EXPECT_TRUE(testsupport::SameMessages({}, first.Log()));
}

TEST(Capture, ComparesTheClassNameExactly)
{
    for (const wchar_t* className : {L"TTeraPadMainForm", L"TTerapadMainForm", L"ttErApAdmAinfOrm",
                                     L"TTeraPadMainFormX", L"TTeraPadMainFor", L"XTTeraPadMainForm"}) {
        {
            ForeignWindow window(className);
            const bool isEditor = std::wstring(className) == L"TTeraPadMainForm";
            EXPECT_EQ(clsKestTeraPad().hwnd(), isEditor ? window.get() : nullptr) << platform::ToAnsi(className);
        }
        // Class names are matched without regard to case: the next row needs this one gone.
        ::UnregisterClassW(className, ::GetModuleHandleW(nullptr));
    }
}

TEST(Paths, ComeBackAsTheCharactersOfDoubleByteNamesAndVersionsAsSignedNumbers)
{
    testsupport::TempDir dir;
    const std::wstring folder = dir / L"\x30A8\x30C7\x30A3\x30BF"; // エディタ
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const testsupport::StandInOptions options{.file = dir / L"\x30E1\x30E2\x5E33.txt", .ini = dir / L"\x8A2D\x5B9A.ini",
                                              .exePath = folder + L"\\StandInPad.exe"}; // メモ帳.txt, 設定.ini
    ASSERT_TRUE(::CopyFileW(StandInExePath().c_str(), options.exePath.c_str(), FALSE));
    testsupport::WriteFileBytes(options.file, "x");
    Session session(options);
    clsKestTeraPad& bridge = *session.bridge;
    bridge.INIPath(L"C:\\elsewhere.ini");
    EXPECT_EQ(bridge.TeraPadPath(), options.exePath);
    EXPECT_EQ(bridge.FileName(), options.file);
    EXPECT_EQ(bridge.INIPath(), options.ini);
    // The stand-in's product version is 1.2.0.0, its file version 3.4.5.7.
    EXPECT_EQ((std::array{bridge.VerMajor(), bridge.VerMinor(), bridge.VerBeta()}), (std::array{1, 2, 7}));
    // This executable's product 40000.7 and file x.x.40000.65534 are 2^31 or more: split as signed numbers.
    EXPECT_EQ(KestTeraPadProbe::GetFileVersion(platform::ExecutablePath()), (std::array{-25535, -65529, -25535, -2}));
    for (const std::wstring& none : {testsupport::NoVersionExePath(), std::wstring()})
        EXPECT_EQ(KestTeraPadProbe::GetFileVersion(none), (std::array{0, 0, 0, 0})) << platform::ToAnsi(none);
}

TEST(Paths, AMissingOrEmptyChildGivesTheEmptyPathForItselfOnlyAndFileNewTheReason)
{
    testsupport::TempDir dir;
    const std::wstring file = dir / L"doc.txt", ini = dir / L"pad.ini";
    testsupport::WriteFileBytes(file, "x");
    struct Row { const char* what; bool noFile, noFileEdit, noExeName, noIniFile; };
    for (const Row& row : {Row{"no file open: an empty TEdit", true}, Row{"no TEdit", false, true},
                           Row{"no TTeraPadExeName", false, false, true},
                           Row{"no TTeraPadIniFilePath", false, false, false, true}}) {
        Session session({.file = row.noFile ? L"" : file, .ini = ini, .noFileEdit = row.noFileEdit,
                         .noExeName = row.noExeName, .noIniFile = row.noIniFile});
        clsKestTeraPad& bridge = *session.bridge;
        EXPECT_EQ(bridge.FileName(), row.noFile || row.noFileEdit ? L"" : file) << row.what;
        EXPECT_EQ(bridge.TeraPadPath(), row.noExeName ? L"" : StandInExePath()) << row.what;
        EXPECT_EQ(bridge.INIPath(), row.noIniFile ? L"" : ini) << row.what;
        // Without the executable's path there is nothing to read a version from, nor to start.
        EXPECT_EQ(bridge.VerMajor(), row.noExeName ? 0 : 1) << row.what;
        if (!row.noExeName) continue;
        StartedEditors started;
        try {
            bridge.FileNew();
            ADD_FAILURE() << "FileNew started something from an empty path";
        } catch (const BridgeError& error) {
            // The message names the call and its error code, for a caller that only prints it.
            EXPECT_NE(std::strstr(error.what(), "CreateProcessW failed with error 2"), nullptr) << error.what();
            try {
                std::rethrow_if_nested(error);
                ADD_FAILURE() << "no reason nested in: " << error.what();
            } catch (const platform::Win32Error& reason) {
                EXPECT_EQ(reason.Code(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << reason.what();
            }
        }
        EXPECT_TRUE(started.Now().empty());
    }
}

// A version read refreshes the capture flag by itself.
std::int32_t Version(clsKestTeraPad& bridge, std::int32_t (clsKestTeraPad::*read)())
{
    KestTeraPadProbe::SetHadTeraPadFlag(bridge, true);
    const std::int32_t version = (bridge.*read)();
    EXPECT_FALSE(KestTeraPadProbe::HadTeraPadFlag(bridge));
    return version;
}

TEST(NoEditor, EveryMemberGivesItsNoEditorResultAndSendsNothing)
{
    using B = clsKestTeraPad;
    const std::wstring longText = platform::FromAnsi(AsciiText(70000));
    const std::pair<const char*, std::function<void(B&)>> members[] = {
        {"Edit", [](B& b) { for (int m : {EM_SETSEL, EM_REPLACESEL, EM_UNDO, WM_CUT, WM_PASTE, WM_CLEAR}) b.Edit(m); }},
        {"Edit with vAny", [](B& b) { b.Edit(EM_SETSEL, 1); b.Edit(EM_SETSEL, L"abc"); b.Edit(EM_REPLACESEL, L"x"); }},
        {"SelSet", [](B& b) { EXPECT_EQ(b.SelSet(1, 2), std::nullopt); }},
        {"EditMode, Length", [](B& b) { EXPECT_EQ(std::pair(b.EditMode(), b.Length()), std::pair(-1, -1)); }},
        {"Line", [](B& b) { EXPECT_EQ(b.Line(), 0); b.Line(1); }},
        {"SelStart, SelLength", [](B& b) { EXPECT_EQ(std::pair(b.SelStart(), b.SelLength()), std::pair(0, 0)); }},
        {"SelStart, SelLength let", [](B& b) { b.SelStart(3); b.SelLength(3); }},
        {"Selection", [](B& b) { EXPECT_EQ(b.Selection(), std::pair(0, 0)); }},
        {"Text", [&](B& b) { EXPECT_EQ(b.Text(), L""); b.Text(L"new"); b.Text(longText); }},
        {"SelText", [&](B& b) { EXPECT_EQ(b.SelText(), L""); b.SelText(L"new"); b.SelText(longText); }},
        {"SelTextAnsi", [](B& b) { EXPECT_EQ(b.SelTextAnsi(AsciiText(70000)), 0u); }},
        {"paths", [](B& b) { EXPECT_EQ(b.TeraPadPath() + b.FileName() + b.INIPath(), L""); }},
        {"Ver*", [](B& b) { for (auto v : {&B::VerMajor, &B::VerMinor, &B::VerBeta}) EXPECT_EQ(Version(b, v), 0); }},
        {"FileSave, ReloadINI, FileOpen", [](B& b) { b.FileSave(); b.ReloadINI(); b.FileOpen(L"x.txt"); }},
        {"FileNew", [](B& b) { EXPECT_EQ(b.FileNew(), nullptr); }},
        {"DebugPrint", [](B& b) { EXPECT_THROW(b.DebugPrint(L"abc"), BridgeError); }},
        // After a first failure, the way of a debug editor that went away.
        {"DebugClear", [](B& b) { EXPECT_THROW(b.DebugClear(), BridgeError); }},
    };
    StandIn editor;
    editor.SetDocument(AsciiText(40000));
    ForeignWindow foreign;
    clsKestTeraPad uncaptured;
    ASSERT_EQ(uncaptured.hwnd(), nullptr);
    EXPECT_FALSE(uncaptured.Tool());
    editor.BringToFront();
    clsKestTeraPad lost;
    ASSERT_EQ(lost.hwnd(), editor.Main());
    StartedEditors started;
    editor.ClearLog();
    for (clsKestTeraPad* bridge : {&uncaptured, &lost}) {
        // Nothing reached the editor; then it goes, and no HadTeraPad first: each member checks the window.
        if (bridge == &lost) {
            EXPECT_EQ(editor.Document(), AsciiText(40000));
            TerminateEditor(editor.Main());
        }
        for (const auto& [name, call] : members) {
            SCOPED_TRACE(std::string(bridge == &lost ? "lost: " : "never captured: ") + name);
            call(*bridge);
            EXPECT_TRUE(SameMessages({}, editor.Log()));
        }
    }
    EXPECT_FALSE(lost.HadTeraPad());
    EXPECT_EQ(lost.hwnd(), editor.Main());
    EXPECT_EQ(KestTeraPadProbe::GetEditHandle(lost), nullptr);
    EXPECT_TRUE(lost.Tool());
    EXPECT_TRUE(started.Now().empty());
}

TEST(WindowsName, NamesEachVersionRecordAndTheFamilyWineReportsToThisExecutable)
{
    struct Row { DWORD platformId, major, minor; std::wstring name; };
    const Row rows[] = {
        {1, 4, 0, L"Win95"},    {1, 4, 10, L"Win98"},   {1, 4, 1, L"Win98"},    {1, 4, 89, L"Win98"},
        {1, 4, 90, L"WinMe"},   {1, 3, 95, L"Win95"},   {1, 5, 0, L"Win95"},    {2, 5, 1, L"WinNT"},
        {0, 3, 10, L"Win3.1 "}, {3, 1, 0, L""},
        // Signed comparisons: a huge minor version is negative, so below 1.
        {1, 4, 0x80000000u, L"Win95"}, {1, 0xFFFFFFFFu, 10, L"Win95"},
    };
    for (const Row& row : rows) {
        const OSVERSIONINFOA record{sizeof record, row.major, row.minor, 0, row.platformId, {}};
        EXPECT_EQ(WindowsNameFor(record), row.name) << row.platformId << ", " << row.major << ", " << row.minor;
    }
    EXPECT_EQ(WindowsNameFor(std::nullopt), L"") << "failed query";
    // Wine gives each of this suite's alias executables its own version.
    const std::wstring exe = platform::ExecutableBaseName();
    const std::wstring expected = exe.ends_with(L"_win98") ? L"Win98" : exe.ends_with(L"_winme") ? L"WinMe" : L"WinNT";
    EXPECT_EQ(KestTeraPadProbe::GetWindowsName(), expected) << "running as " << platform::ToAnsi(exe);
}

TEST(ProcessTopWindow, IsTheTopOwnerOfTheProcesssFirstWindowInZOrder)
{
    // A freshly activated editor is exactly the first top-level window.
    StandIn plain;
    plain.BringToFront();
    ASSERT_EQ(::GetTopWindow(nullptr), plain.Main());
    EXPECT_EQ(KestTeraPadProbe::GetProcessTopWindow(plain.ProcessId()), plain.Main());
    // An owned popup above its owner: the owner chain has to be climbed.
    StandIn owning({.ownedPopup = true});
    HWND popup = ::GetTopWindow(nullptr);
    while (popup && ::GetWindow(popup, GW_OWNER) != owning.Main()) popup = ::GetWindow(popup, GW_HWNDNEXT);
    ASSERT_NE(popup, nullptr) << "the stand-in shows no owned popup";
    ::SetWindowPos(popup, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(::GetTopWindow(nullptr), popup);
    EXPECT_EQ(KestTeraPadProbe::GetProcessTopWindow(owning.ProcessId()), owning.Main());
}

TEST(Commands, SendTheirMessagesAndFileSaveSavesOnlyAModifiedDocument)
{
    using Call = void (*)(clsKestTeraPad&);
    struct Row { const char* what; bool modified; Call call; Messages sent; std::string fileAfter; int reloads = 0; };
    const Row rows[] = {
        {"FileSave, unmodified", false, [](clsKestTeraPad& b) { b.FileSave(); }, Step("EM_GETMODIFY 0 0"), "on disk"},
        {"FileSave, modified", true, [](clsKestTeraPad& b) { b.FileSave(); },
         Join({Step("EM_GETMODIFY 0 0"), {"main MSG_8190 0 0"}}), "edited"},
        {"ReloadINI", false, [](clsKestTeraPad& b) { b.ReloadINI(); }, {"main MSG_0465 0 p"}, "on disk", 1},
        // Without effect: TeraPad has no message that opens a file.
        {"FileOpen", true, [](clsKestTeraPad& b) { b.FileOpen(testsupport::StandInExePath()); },
         Step("EM_GETMODIFY 0 p"), "on disk"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testsupport::TempDir dir;
        testsupport::WriteFileBytes(dir / L"doc.txt", "on disk");
        // The document differs from the file in every row, so a save shows.
        Session session({.file = dir / L"doc.txt"}, "edited");
        if (row.modified) ::SendMessageA(session.editor.EditControl(), EM_SETMODIFY, TRUE, 0);
        session.editor.ClearLog();
        StartedEditors started;
        row.call(*session.bridge);
        Messages log = session.editor.Log();
        // The log prints EM_GETMODIFY's lParam as a number: here an address, different each run.
        for (std::string& line : log)
            if (line.starts_with("edit EM_GETMODIFY 0 ") && !line.ends_with(" 0")) line = "edit EM_GETMODIFY 0 p";
        EXPECT_TRUE(SameMessages(row.sent, log));
        EXPECT_EQ(testsupport::ReadFileBytes(dir / L"doc.txt"), row.fileAfter);
        EXPECT_EQ(session.editor.State().modified, row.modified && row.fileAfter == "on disk");
        EXPECT_EQ(session.editor.State().reloadCount, row.reloads);
        EXPECT_EQ(session.editor.Document(), "edited");
        EXPECT_TRUE(started.Now().empty());
    }
}

TEST(DebugWindow, PrintsIntoOneEditorThatFileNewStartsAndStartsAnotherOnceItIsClosed)
{
    testsupport::TempDir parent;
    const std::wstring folder = parent / L"Tera Pad copy", exePath = folder + L"\\StandInPad.exe";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    // An unquoted start would run this one with the rest of the path as arguments.
    ASSERT_TRUE(::CopyFileW(testsupport::NoVersionExePath().c_str(), (parent / L"Tera.exe").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW(StandInExePath().c_str(), exePath.c_str(), FALSE));
    Session session({.exePath = exePath}, "mine");
    clsKestTeraPad& bridge = *session.bridge;
    StartedEditors started;
    // Wine calls a process idle once it looks at its queue; this one makes its window 1.5 s later.
    ASSERT_TRUE(::SetEnvironmentVariableW(L"STANDINPAD_LATE_WINDOW_MS", L"1500"));
    bridge.DebugPrint(L"abc");
    ::SetEnvironmentVariableW(L"STANDINPAD_LATE_WINDOW_MS", nullptr);
    const std::vector<HWND> debug = started.Now();
    ASSERT_EQ(debug.size(), 1u);
    ASSERT_EQ(KestTeraPadProbe::DebugBridge(bridge)->hwnd(), debug[0]);
    EXPECT_EQ(KestTeraPadProbe::DebugBridge(bridge)->TeraPadPath(), exePath);
    // A caret left elsewhere must not decide where the next line goes.
    KestTeraPadProbe::DebugBridge(bridge)->SelSet(0, 1);
    bridge.DebugPrint(L"def");
    EXPECT_EQ(KestTeraPadProbe::DebugBridge(bridge)->Text(), L"abc\r\ndef\r\n");
    bridge.DebugClear();
    EXPECT_EQ(KestTeraPadProbe::DebugBridge(bridge)->Text(), L"");
    EXPECT_EQ(started.Now(), debug);
    EXPECT_EQ(session.editor.Document(), "mine");
    EXPECT_EQ(bridge.hwnd(), session.editor.Main());

    TerminateEditor(debug[0]);
    bridge.DebugPrint(L"ghi");
    const std::vector<HWND> now = started.Now();
    ASSERT_EQ(now.size(), 1u);
    EXPECT_NE(now[0], debug[0]);
    EXPECT_EQ(KestTeraPadProbe::DebugBridge(bridge)->hwnd(), now[0]);
    EXPECT_EQ(KestTeraPadProbe::DebugBridge(bridge)->Text(), L"ghi\r\n");
}

TEST(SetFocus, BringsTheEditorToTheFrontInItsOwnShape)
{
    // Maximized stays maximized, normal stays normal, minimized is restored.
    for (const auto& [shape, zoomed] : {std::pair{SW_MAXIMIZE, true}, {SW_SHOWNORMAL, false}, {SW_MINIMIZE, false}}) {
        SCOPED_TRACE(shape);
        Session session;
        const HWND main = session.editor.Main();
        ::ShowWindow(main, shape);
        testsupport::ForeignWindow foreign;
        session.bridge->SetFocus();
        // The foreground moves once the editor's thread has handled the activation.
        for (int i = 0; i < 100 && ::GetForegroundWindow() != main; ++i) {
            testsupport::PumpMessages();
            ::Sleep(20);
        }
        EXPECT_EQ(::GetForegroundWindow(), main);
        EXPECT_EQ(::IsZoomed(main) != FALSE, zoomed);
        EXPECT_TRUE(::IsWindowVisible(main) && !::IsIconic(main));
    }
}

} // namespace

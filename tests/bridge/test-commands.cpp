// Commands to the editor: save, reload, open, further editors, the debug
// window and bringing the editor to the front.
#include "bridge/kest_terapad.h"
#include "tests/bridge/probe.h"
#include "tests/bridge/text_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <exception>

namespace {

using namespace bridgetext;
using testsupport::SameMessages;

TEST(Commands, SendTheirMessagesAndFileSaveSavesOnlyAModifiedDocument)
{
    struct Row { const char* what; bool modified; void (*call)(clsKestTeraPad&); Messages sent; std::string fileAfter; int reloads = 0; };
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
        ASSERT_EQ(session.editor.State().modified, row.modified);
        session.editor.ClearLog();
        StartedEditors started;
        row.call(*session.bridge);
        Messages log = session.editor.Log();
        // EM_GETMODIFY has no lParam, so the log prints it as a number: an
        // address, which differs from run to run.
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

TEST(DebugWindow, PrintsIntoOneFurtherEditorAndStartsAnotherOnceItIsClosed)
{
    Session session({}, "mine");
    clsKestTeraPad& bridge = *session.bridge;
    StartedEditors started;
    bridge.DebugPrint(L"abc");
    const std::vector<HWND> debug = started.Now();
    ASSERT_EQ(debug.size(), 1u);
    ASSERT_EQ(KestTeraPadProbe::DebugBridge(bridge)->hwnd(), debug[0]);
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

TEST(FileNew, StartsTheEditorFromAPathWithBlanksAndBindsWhenItsWindowComesLate)
{
    testsupport::TempDir parent;
    const std::wstring folder = parent / L"Tera Pad copy", exePath = folder + L"\\StandInPad.exe";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    // An unquoted start would run this one with the rest of the path as arguments.
    ASSERT_TRUE(::CopyFileW(testsupport::NoVersionExePath().c_str(), (parent / L"Tera.exe").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW(testsupport::StandInExePath().c_str(), exePath.c_str(), FALSE));
    Session session({.exePath = exePath});
    StartedEditors started;
    // Wine calls a process idle once it looks at its queue; these editors
    // make their window 1.5 s after that.
    ASSERT_TRUE(::SetEnvironmentVariableW(L"STANDINPAD_LATE_WINDOW_MS", L"1500"));
    const std::unique_ptr<clsKestTeraPad> further = session.bridge->FileNew();
    session.bridge->DebugPrint(L"late");
    ::SetEnvironmentVariableW(L"STANDINPAD_LATE_WINDOW_MS", nullptr);

    const std::vector<HWND> now = started.Now();
    ASSERT_EQ(now.size(), 2u);
    ASSERT_NE(further, nullptr);
    const clsKestTeraPad* debug = KestTeraPadProbe::DebugBridge(*session.bridge);
    EXPECT_TRUE(std::ranges::is_permutation(now, std::vector{further->hwnd(), debug->hwnd()}));
    EXPECT_TRUE(further->HadTeraPad());
    EXPECT_EQ(further->TeraPadPath(), exePath);
    EXPECT_EQ(KestTeraPadProbe::DebugBridge(*session.bridge)->Text(), L"late\r\n");
    EXPECT_EQ(session.bridge->hwnd(), session.editor.Main());
}

TEST(FileNew, FailsWithTheReasonWhenTheExecutableCannotBeStarted)
{
    Session session({.noExeName = true});
    StartedEditors started;
    try {
        session.bridge->FileNew();
        ADD_FAILURE() << "FileNew started something from an empty path";
    } catch (const BridgeError& error) {
        // The message names the call and its error code, for a caller that only prints it.
        EXPECT_NE(std::string(error.what()).find("CreateProcessW failed with error 2"), std::string::npos) << error.what();
        try {
            std::rethrow_if_nested(error);
            ADD_FAILURE() << "no reason nested in: " << error.what();
        } catch (const platform::Win32Error& reason) {
            EXPECT_EQ(reason.Code(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << reason.what();
        }
    }
    EXPECT_TRUE(started.Now().empty());
}

TEST(SetFocus, BringsTheEditorToTheFrontInItsOwnShape)
{
    // Maximized stays maximized, normal stays normal, minimized is restored.
    for (const auto& [shape, zoomedAfter] : {std::pair{SW_MAXIMIZE, true}, {SW_SHOWNORMAL, false}, {SW_MINIMIZE, false}}) {
        SCOPED_TRACE(shape);
        Session session;
        const HWND main = session.editor.Main();
        ::ShowWindow(main, shape);
        testsupport::ForeignWindow foreign;
        ASSERT_EQ(::IsZoomed(main) != FALSE, shape == SW_MAXIMIZE);
        session.bridge->SetFocus();
        // The foreground moves only when the editor's thread has handled the
        // activation, a moment after SetForegroundWindow returns.
        for (int i = 0; i < 100 && ::GetForegroundWindow() != main; ++i) {
            testsupport::PumpMessages();
            ::Sleep(20);
        }
        EXPECT_EQ(::GetForegroundWindow(), main);
        EXPECT_EQ(::IsZoomed(main) != FALSE, zoomedAfter);
        EXPECT_FALSE(::IsIconic(main));
        EXPECT_TRUE(::IsWindowVisible(main));
    }
}

} // namespace

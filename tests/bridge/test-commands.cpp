// Commands to the editor: save, reload, open, further editors, the debug
// window and bringing the editor to the front.
#include "bridge/kest_terapad.h"
#include "tests/bridge/editor_windows.h"
#include "tests/bridge/probe.h"
#include "tests/bridge/text_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <exception>

namespace {

using bridgetest::EditorDocument;
using bridgetest::StartedEditorsReaper;
using bridgetext::kHandle;
using bridgetext::Messages;
using bridgetext::Session;
using testsupport::SameMessages;

// The stand-in prints EM_GETMODIFY's lParam as a number, since the message
// defines none: an address there, which differs from run to run, is "p".
Messages WithAddressAsPointer(Messages log)
{
    const std::string head = "edit EM_GETMODIFY 0 ";
    for (std::string& line : log)
        if (line.starts_with(head) && line != head + "0") line = head + "p";
    return log;
}

TEST(Commands, SendTheirMessagesAndFileSaveSavesOnlyAModifiedDocument)
{
    struct Row {
        const char* what;
        bool modified;
        void (*call)(clsKestTeraPad&);
        Messages sent;
        std::string fileAfter;
        int reloads;
    };
    const Row rows[] = {
        {"FileSave, unmodified", false, [](clsKestTeraPad& b) { b.FileSave(); }, {kHandle, "edit EM_GETMODIFY 0 0"}, "on disk", 0},
        {"FileSave, modified", true, [](clsKestTeraPad& b) { b.FileSave(); },
         {kHandle, "edit EM_GETMODIFY 0 0", "main MSG_8190 0 0"}, "edited", 0},
        {"ReloadINI", false, [](clsKestTeraPad& b) { b.ReloadINI(); }, {"main MSG_0465 0 p"}, "on disk", 1},
        // Without effect: TeraPad has no message that opens a file.
        {"FileOpen", true, [](clsKestTeraPad& b) { b.FileOpen(testsupport::StandInExePath()); },
         {kHandle, "edit EM_GETMODIFY 0 p"}, "on disk", 0},
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
        StartedEditorsReaper reaper;
        row.call(*session.bridge);
        EXPECT_TRUE(SameMessages(row.sent, WithAddressAsPointer(session.editor.Log())));
        EXPECT_EQ(testsupport::ReadFileBytes(dir / L"doc.txt"), row.fileAfter);
        const bool saved = row.fileAfter == "edited";
        EXPECT_EQ(session.editor.State().modified, row.modified && !saved);
        EXPECT_EQ(session.editor.State().reloadCount, row.reloads);
        EXPECT_EQ(session.editor.Document(), "edited");
        EXPECT_TRUE(reaper.Started().empty());
    }
}

TEST(DebugWindow, PrintsIntoOneFurtherEditorAndStartsAnotherOnceItIsClosed)
{
    Session session({}, "mine");
    clsKestTeraPad& bridge = *session.bridge;
    StartedEditorsReaper reaper;
    bridge.DebugPrint(L"abc");
    const std::vector<HWND> started = reaper.Started();
    ASSERT_EQ(started.size(), 1u);
    // A caret left elsewhere (here: "a" selected) must not decide where the
    // next line goes.
    KestTeraPadProbe::DebugBridge(bridge)->SelSet(0, 1);
    bridge.DebugPrint(L"def");
    EXPECT_EQ(reaper.Started(), started);
    EXPECT_EQ(EditorDocument(started[0]), "abc\r\ndef\r\n");
    EXPECT_EQ(KestTeraPadProbe::DebugBridge(bridge)->hwnd(), started[0]);
    EXPECT_EQ(session.editor.Document(), "mine");
    EXPECT_EQ(bridge.hwnd(), session.editor.Main());

    bridge.DebugClear();
    EXPECT_EQ(EditorDocument(started[0]), "");
    EXPECT_EQ(reaper.Started(), started);

    bridgetest::TerminateEditor(started[0]);
    bridge.DebugPrint(L"ghi");
    const std::vector<HWND> now = reaper.Started();
    ASSERT_EQ(now.size(), 1u);
    EXPECT_NE(now[0], started[0]);
    EXPECT_EQ(EditorDocument(now[0]), "ghi\r\n");
}

TEST(FileNew, StartsTheEditorFromAPathWithBlanksAndBindsANewBridge)
{
    testsupport::TempDir parent;
    const std::wstring folder = parent / L"Tera Pad copy";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    // An unquoted start would run this one with the rest of the path as arguments.
    ASSERT_TRUE(::CopyFileW(testsupport::NoVersionExePath().c_str(), (parent / L"Tera.exe").c_str(), FALSE));
    const std::wstring exePath = folder + L"\\StandInPad.exe";
    ASSERT_TRUE(::CopyFileW(testsupport::StandInExePath().c_str(), exePath.c_str(), FALSE));
    Session session({.exePath = exePath});
    StartedEditorsReaper reaper;
    const std::unique_ptr<clsKestTeraPad> further = session.bridge->FileNew();
    const std::vector<HWND> started = reaper.Started();
    ASSERT_EQ(started.size(), 1u);
    ASSERT_NE(further, nullptr);
    EXPECT_EQ(further->hwnd(), started[0]);
    EXPECT_TRUE(further->HadTeraPad());
    EXPECT_EQ(further->TeraPadPath(), exePath);
    EXPECT_EQ(session.bridge->hwnd(), session.editor.Main());
}

TEST(FileNew, BindsToTheWindowOfAnEditorThatIsIdleBeforeItHasOne)
{
    Session session;
    StartedEditorsReaper reaper;
    // The further editors look at their queue, then make their window 1.5 s later.
    ASSERT_TRUE(::SetEnvironmentVariableW(L"STANDINPAD_LATE_WINDOW_MS", L"1500"));
    const std::unique_ptr<clsKestTeraPad> further = session.bridge->FileNew();
    session.bridge->DebugPrint(L"late");
    ::SetEnvironmentVariableW(L"STANDINPAD_LATE_WINDOW_MS", nullptr);

    const std::vector<HWND> started = reaper.Started();
    ASSERT_EQ(started.size(), 2u);
    ASSERT_NE(further, nullptr);
    EXPECT_TRUE(further->HadTeraPad());
    const HWND debug = KestTeraPadProbe::DebugBridge(*session.bridge)->hwnd();
    EXPECT_NE(debug, further->hwnd());
    for (HWND hwnd : {further->hwnd(), debug}) EXPECT_NE(std::ranges::find(started, hwnd), started.end());
    EXPECT_EQ(EditorDocument(debug), "late\r\n");
}

TEST(FileNew, FailsWithTheReasonWhenTheExecutableCannotBeStarted)
{
    Session session({.noExeName = true});
    StartedEditorsReaper reaper;
    try {
        session.bridge->FileNew();
        ADD_FAILURE() << "FileNew started something from an empty path";
    } catch (const BridgeError& error) {
        // The message names the call and its error code, for a caller that only prints it.
        EXPECT_NE(std::string(error.what()).find("CreateProcessW failed with error 2"), std::string::npos)
            << error.what();
        try {
            std::rethrow_if_nested(error);
            ADD_FAILURE() << "no reason nested in: " << error.what();
        } catch (const platform::Win32Error& reason) {
            EXPECT_EQ(reason.Code(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << reason.what();
        }
    }
    EXPECT_TRUE(reaper.Started().empty());
}

TEST(SetFocus, BringsTheEditorToTheFrontInItsOwnShape)
{
    struct Row {
        const char* what;
        int shape;
        bool zoomedAfter;
    };
    for (const Row& row : {Row{"maximized stays maximized", SW_MAXIMIZE, true},
                           Row{"normal stays normal", SW_SHOWNORMAL, false},
                           Row{"minimized is restored", SW_MINIMIZE, false}}) {
        SCOPED_TRACE(row.what);
        Session session;
        ::ShowWindow(session.editor.Main(), row.shape);
        testsupport::ForeignWindow foreign;
        ASSERT_EQ(::IsZoomed(session.editor.Main()) != FALSE, row.shape == SW_MAXIMIZE);
        session.bridge->SetFocus();
        // The foreground moves only when the editor's thread has handled the
        // activation, a moment after SetForegroundWindow returns.
        for (int i = 0; i < 100 && ::GetForegroundWindow() != session.editor.Main(); ++i) {
            testsupport::PumpMessages();
            ::Sleep(20);
        }
        EXPECT_EQ(::GetForegroundWindow(), session.editor.Main());
        EXPECT_EQ(::IsZoomed(session.editor.Main()) != FALSE, row.zoomedAfter);
        EXPECT_FALSE(::IsIconic(session.editor.Main()));
        EXPECT_TRUE(::IsWindowVisible(session.editor.Main()));
    }
}

} // namespace

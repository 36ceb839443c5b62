// Commands to the editor: save, reload, further editors, the debug window and
// bringing the editor to the front.
#include "bridge/kest_terapad.h"
#include "tests/bridge/editor_windows.h"
#include "tests/bridge/probe.h"
#include "tests/support/standin_driver.h"

#include "platform/win32_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <exception>
#include <string>

namespace {

using bridgetest::CloseEditor;
using bridgetest::EditorDocument;
using bridgetest::StartedEditorsReaper;
using testsupport::ForeignWindow;
using testsupport::SameMessages;
using testsupport::StandIn;
using testsupport::StandInOptions;

TEST(FileSave, SavesOnlyAModifiedDocument)
{
    struct Row {
        const char* what;
        bool modified;
        std::vector<std::string> messages;
        std::string fileAfter;
    };
    const Row rows[] = {
        {"unmodified", false, {"main MSG_8192 0 p", "edit EM_GETMODIFY 0 0"}, "on disk"},
        {"modified", true, {"main MSG_8192 0 p", "edit EM_GETMODIFY 0 0", "main MSG_8190 0 0"}, "edited"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::wstring file = testsupport::MakeTempDir() + L"\\doc.txt";
        testsupport::WriteFileBytes(file, "on disk");
        StandInOptions options;
        options.file = file;
        StandIn editor(options);
        // The document differs from the file in both rows, so a save shows.
        editor.SetDocument("edited");
        if (row.modified) ::SendMessageA(editor.EditControl(), EM_SETMODIFY, TRUE, 0);
        ASSERT_EQ(editor.State().modified, row.modified);
        editor.BringToFront();
        clsKestTeraPad bridge;
        editor.ClearLog();

        bridge.FileSave();
        EXPECT_TRUE(SameMessages(row.messages, editor.Log()));
        EXPECT_EQ(testsupport::ReadFileBytes(file), row.fileAfter);
        EXPECT_FALSE(editor.State().modified);
    }
}

TEST(FileSave, SendsNothingOnceTheEditorIsGone)
{
    const std::wstring file = testsupport::MakeTempDir() + L"\\doc.txt";
    testsupport::WriteFileBytes(file, "on disk");
    StandInOptions options;
    options.file = file;
    StandIn editor(options);
    editor.BringToFront();
    clsKestTeraPad bridge;
    editor.ClearLog();
    editor.Close();
    bridge.FileSave();
    EXPECT_TRUE(SameMessages({}, editor.Log()));
    EXPECT_EQ(testsupport::ReadFileBytes(file), "on disk");
}

TEST(ReloadINI, AsksTheEditorToReloadItsSettings)
{
    StandIn editor;
    editor.BringToFront();
    clsKestTeraPad bridge;
    const auto before = editor.State().reloadCount;
    editor.ClearLog();
    bridge.ReloadINI();
    EXPECT_TRUE(SameMessages({"main MSG_0465 0 p"}, editor.Log()));
    EXPECT_EQ(editor.State().reloadCount, before + 1);
}

// The stand-in prints EM_GETMODIFY's lParam as a number, since the message
// defines none; an address there differs from run to run, so any nonzero
// value becomes "p" as the log writes pointers.
std::vector<std::string> WithAddressAsPointer(std::vector<std::string> log, const std::string& head)
{
    for (std::string& line : log) {
        if (line.rfind(head, 0) != 0) continue;
        const std::string value = line.substr(head.size());
        if (!value.empty() && value != "0" && value.find(' ') == std::string::npos) line = head + "p";
    }
    return log;
}

TEST(FileOpen, OnlyAsksWhetherTheDocumentIsModified)
{
    StandIn editor;
    editor.SetDocument("kept");
    editor.BringToFront();
    clsKestTeraPad bridge;
    editor.ClearLog();
    StartedEditorsReaper reaper;
    bridge.FileOpen(testsupport::StandInExePath());
    EXPECT_TRUE(SameMessages({"main MSG_8192 0 p", "edit EM_GETMODIFY 0 p"},
                             WithAddressAsPointer(editor.Log(), "edit EM_GETMODIFY 0 ")));
    EXPECT_EQ(editor.Document(), "kept");
    EXPECT_TRUE(reaper.Started().empty());
}

TEST(DebugWindow, PrintsIntoOneFurtherEditorAndStartsAnotherOnceItIsClosed)
{
    StandIn editor;
    editor.SetDocument("mine");
    editor.BringToFront();
    clsKestTeraPad bridge;
    StartedEditorsReaper reaper;

    bridge.DebugPrint(L"abc");
    const std::vector<HWND> started = reaper.Started();
    ASSERT_EQ(started.size(), 1u);
    // A caret left elsewhere (here: "a" selected) must not decide where the
    // next line goes.
    ::SendMessageA(bridgetest::EditControlOf(started[0]), EM_SETSEL, 0, 1);
    bridge.DebugPrint(L"def");
    EXPECT_EQ(reaper.Started(), started);
    EXPECT_EQ(EditorDocument(started[0]), "abc\r\ndef\r\n");
    ASSERT_NE(KestTeraPadProbe::DebugBridge(bridge), nullptr);
    EXPECT_EQ(KestTeraPadProbe::DebugBridge(bridge)->hwnd(), started[0]);
    EXPECT_EQ(editor.Document(), "mine");
    EXPECT_EQ(bridge.hwnd(), editor.Main());

    bridge.DebugClear();
    EXPECT_EQ(EditorDocument(started[0]), "");
    EXPECT_EQ(reaper.Started(), started);

    CloseEditor(started[0]);
    bridge.DebugPrint(L"ghi");
    const std::vector<HWND> now = reaper.Started();
    ASSERT_EQ(now.size(), 1u);
    EXPECT_NE(now[0], started[0]);
    EXPECT_EQ(EditorDocument(now[0]), "ghi\r\n");
}

TEST(DebugWindow, FailsWithoutALiveEditorAndTriesAgainNextTime)
{
    struct Row {
        const char* what;
        void (*call)(clsKestTeraPad&);
    };
    const Row rows[] = {
        {"DebugPrint", [](clsKestTeraPad& b) { b.DebugPrint(L"abc"); }},
        {"DebugClear", [](clsKestTeraPad& b) { b.DebugClear(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        StandIn editor;
        editor.BringToFront();
        clsKestTeraPad bridge;
        editor.Close();
        StartedEditorsReaper reaper;
        EXPECT_THROW(row.call(bridge), BridgeError);
        EXPECT_TRUE(KestTeraPadProbe::DebugCreated(bridge));
        EXPECT_THROW(row.call(bridge), BridgeError);
        EXPECT_TRUE(reaper.Started().empty());
    }
}

TEST(FileNew, YieldsNothingAndStartsNothingWithoutALiveEditor)
{
    StandIn editor;
    editor.BringToFront();
    clsKestTeraPad lost;
    editor.Close();
    ForeignWindow foreign;
    foreign.BringToFront();
    clsKestTeraPad uncaptured;

    StartedEditorsReaper reaper;
    EXPECT_EQ(lost.FileNew(), nullptr);
    EXPECT_EQ(uncaptured.FileNew(), nullptr);
    EXPECT_TRUE(reaper.Started().empty());
}

TEST(FileNew, StartsTheEditorFromAPathWithBlanksAndBindsANewBridge)
{
    const std::wstring parent = testsupport::MakeTempDir();
    const std::wstring folder = parent + L"\\Tera Pad copy";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    // An unquoted start would run this one with the rest of the path as arguments.
    ASSERT_TRUE(::CopyFileW(testsupport::NoVersionExePath().c_str(), (parent + L"\\Tera.exe").c_str(), FALSE));
    StandInOptions options;
    options.exePath = folder + L"\\StandInPad.exe";
    ASSERT_TRUE(::CopyFileW(testsupport::StandInExePath().c_str(), options.exePath.c_str(), FALSE));
    StandIn editor(options);
    editor.BringToFront();
    clsKestTeraPad bridge;
    ASSERT_EQ(bridge.TeraPadPath(), options.exePath);

    StartedEditorsReaper reaper;
    const std::unique_ptr<clsKestTeraPad> further = bridge.FileNew();
    const std::vector<HWND> started = reaper.Started();
    ASSERT_EQ(started.size(), 1u);
    ASSERT_NE(further, nullptr);
    EXPECT_EQ(further->hwnd(), started[0]);
    EXPECT_TRUE(further->HadTeraPad());
    EXPECT_EQ(further->TeraPadPath(), options.exePath);
    EXPECT_EQ(bridge.hwnd(), editor.Main());
}

TEST(FileNew, BindsToTheWindowOfAnEditorThatIsIdleBeforeItHasOne)
{
    StandIn editor;
    editor.BringToFront();
    clsKestTeraPad bridge;
    StartedEditorsReaper reaper;
    // The further editors look at their queue, then make their window 1.5 s later.
    ASSERT_TRUE(::SetEnvironmentVariableW(L"STANDINPAD_LATE_WINDOW_MS", L"1500"));
    const std::unique_ptr<clsKestTeraPad> further = bridge.FileNew();
    bridge.DebugPrint(L"late");
    ::SetEnvironmentVariableW(L"STANDINPAD_LATE_WINDOW_MS", nullptr);

    const std::vector<HWND> started = reaper.Started();
    ASSERT_EQ(started.size(), 2u);
    ASSERT_NE(further, nullptr);
    EXPECT_TRUE(further->HadTeraPad());
    const HWND debug = KestTeraPadProbe::DebugBridge(bridge)->hwnd();
    EXPECT_NE(debug, further->hwnd());
    for (HWND hwnd : {further->hwnd(), debug})
        EXPECT_NE(std::find(started.begin(), started.end(), hwnd), started.end());
    EXPECT_EQ(EditorDocument(debug), "late\r\n");
}

TEST(FileNew, FailsWithTheReasonWhenTheExecutableCannotBeStarted)
{
    StandInOptions options;
    options.noExeName = true;
    StandIn editor(options);
    editor.BringToFront();
    clsKestTeraPad bridge;
    ASSERT_TRUE(bridge.HadTeraPad());
    StartedEditorsReaper reaper;
    try {
        bridge.FileNew();
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

// The foreground moves only when the editor's thread has handled the
// activation, a moment after SetForegroundWindow returns.
bool BecomesForeground(HWND hwnd)
{
    for (int i = 0; i < 100 && ::GetForegroundWindow() != hwnd; ++i) {
        bridgetest::ClassWindow::Pump();
        ::Sleep(20);
    }
    return ::GetForegroundWindow() == hwnd;
}

TEST(SetFocus, BringsTheEditorToTheFrontInItsOwnShape)
{
    struct Row {
        const char* what;
        int shape;
        bool zoomedAfter;
    };
    const Row rows[] = {
        {"maximized stays maximized", SW_MAXIMIZE, true},
        {"normal stays normal", SW_SHOWNORMAL, false},
        {"minimized is restored", SW_MINIMIZE, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        StandIn editor;
        editor.BringToFront();
        clsKestTeraPad bridge;
        ::ShowWindow(editor.Main(), row.shape);
        ForeignWindow foreign;
        foreign.BringToFront();
        ASSERT_EQ(::IsZoomed(editor.Main()) != FALSE, row.shape == SW_MAXIMIZE);

        bridge.SetFocus();
        EXPECT_TRUE(BecomesForeground(editor.Main()));
        EXPECT_EQ(::IsZoomed(editor.Main()) != FALSE, row.zoomedAfter);
        EXPECT_FALSE(::IsIconic(editor.Main()));
        EXPECT_TRUE(::IsWindowVisible(editor.Main()));
    }
}

} // namespace

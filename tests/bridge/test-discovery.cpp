// Capture of a TeraPad main window, its child windows, re-targeting, the lost
// state, and the private helpers the other members share.
#include "bridge/kest_terapad.h"
#include "tests/bridge/editor_windows.h"
#include "tests/bridge/probe.h"
#include "tests/support/standin_driver.h"

#include "platform/code_page.h"
#include "platform/handles.h"
#include "platform/programs.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using testsupport::ForeignWindow;
using testsupport::StandIn;
using testsupport::StandInOptions;

struct ChildHandles {
    HWND fileName, exeName, iniFilePath;
    bool operator==(const ChildHandles&) const = default;
};

std::ostream& operator<<(std::ostream& os, const ChildHandles& c)
{
    return os << "{TEdit " << c.fileName << ", TTeraPadExeName " << c.exeName << ", TTeraPadIniFilePath "
              << c.iniFilePath << "}";
}

ChildHandles ChildrenOf(const clsKestTeraPad& bridge)
{
    return {KestTeraPadProbe::FileNameHandle(bridge), KestTeraPadProbe::ExeNameHandle(bridge),
            KestTeraPadProbe::IniFilePathHandle(bridge)};
}

// What the editor has, found independently of the bridge.
ChildHandles ChildrenOf(HWND main)
{
    return {::FindWindowExA(main, nullptr, "TEdit", nullptr), ::FindWindowExA(main, nullptr, "TTeraPadExeName", nullptr),
            ::FindWindowExA(main, nullptr, "TTeraPadIniFilePath", nullptr)};
}

TEST(Capture, TakesTheForegroundWindowOnlyWhenItIsTheEditor)
{
    StandIn editor;
    ForeignWindow foreign; // created, then the row decides who is in front
    struct Row {
        const char* front;
        bool captured;
    };
    for (const Row& row : {Row{"editor", true}, Row{"foreign window", false}}) {
        SCOPED_TRACE(row.front);
        if (row.captured)
            editor.BringToFront();
        else
            foreign.BringToFront();
        clsKestTeraPad bridge;
        EXPECT_EQ(bridge.hwnd(), row.captured ? editor.Main() : nullptr);
        EXPECT_EQ(bridge.HadTeraPad(), row.captured);
        EXPECT_EQ(bridge.Tool(), row.captured);
        EXPECT_EQ(ChildrenOf(bridge), row.captured ? ChildrenOf(editor.Main()) : ChildHandles{});
        EXPECT_EQ(bridge.Status(), L"");
    }
    // The editor really has all three children, so the row above compares something.
    const ChildHandles children = ChildrenOf(editor.Main());
    EXPECT_TRUE(children.fileName && children.exeName && children.iniFilePath) << children;
}

TEST(Capture, SearchTeraPadMovesToAnotherEditorAndKeepsItWhenAForeignWindowIsInFront)
{
    StandIn first;
    StandIn second;
    ForeignWindow foreign;
    first.BringToFront();
    clsKestTeraPad bridge;
    ASSERT_EQ(bridge.hwnd(), first.Main());

    second.BringToFront();
    bridge.SearchTeraPad();
    EXPECT_EQ(bridge.hwnd(), second.Main());
    EXPECT_EQ(ChildrenOf(bridge), ChildrenOf(second.Main()));
    EXPECT_NE(ChildrenOf(bridge), ChildrenOf(first.Main()));
    EXPECT_TRUE(bridge.Tool());

    foreign.BringToFront();
    bridge.SearchTeraPad();
    EXPECT_EQ(bridge.hwnd(), second.Main());
    EXPECT_EQ(ChildrenOf(bridge), ChildrenOf(second.Main()));
    EXPECT_TRUE(KestTeraPadProbe::HadTeraPadFlag(bridge));
}

TEST(Capture, ToolStaysAsItWasAtCreation)
{
    StandIn editor;
    ForeignWindow foreign;
    foreign.BringToFront();
    clsKestTeraPad bridge;
    editor.BringToFront();
    bridge.SearchTeraPad();
    EXPECT_EQ(bridge.hwnd(), editor.Main());
    EXPECT_TRUE(bridge.HadTeraPad());
    EXPECT_FALSE(bridge.Tool());
}

TEST(Capture, ComparesTheClassNameExactly)
{
    struct Row {
        const char* className;
        bool isEditor;
    };
    const Row rows[] = {
        {"TTeraPadMainForm", true},   {"TTerapadMainForm", false}, {"ttErApAdmAinfOrm", false},
        {"TTeraPadMainFormX", false}, {"TTeraPadMainFor", false},  {"XTTeraPadMainForm", false},
    };
    // One foreign window for all rows: under Wine every destroyed visible
    // window costs two seconds.
    ForeignWindow foreign;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.className);
        bridgetest::ClassWindow window(row.className);
        ASSERT_EQ(bridgetest::ClassOf(window.get()), row.className);
        ASSERT_EQ(::GetForegroundWindow(), window.get());

        clsKestTeraPad captured;
        EXPECT_EQ(captured.hwnd(), row.isEditor ? window.get() : nullptr);
        EXPECT_EQ(captured.HadTeraPad(), row.isEditor);

        foreign.BringToFront();
        clsKestTeraPad retargeted;
        retargeted.hwnd(window.get());
        EXPECT_EQ(retargeted.hwnd(), row.isEditor ? window.get() : nullptr);
        EXPECT_EQ(KestTeraPadProbe::HadTeraPadFlag(retargeted), row.isEditor);
    }
}

TEST(Capture, SucceedsWithoutTheSettingsChild)
{
    StandInOptions options;
    options.noIniFile = true;
    StandIn editor(options);
    editor.BringToFront();
    clsKestTeraPad bridge;
    EXPECT_EQ(bridge.hwnd(), editor.Main());
    EXPECT_TRUE(bridge.HadTeraPad());
    EXPECT_EQ(KestTeraPadProbe::IniFilePathHandle(bridge), nullptr);
    EXPECT_NE(KestTeraPadProbe::ExeNameHandle(bridge), nullptr);
    EXPECT_EQ(bridge.INIPath(), L"");
}

TEST(Capture, WritingHwndTakesOnlyAnEditorWindow)
{
    StandIn editor;
    StandIn other;
    ForeignWindow foreign;
    editor.BringToFront();
    clsKestTeraPad bridge;
    ASSERT_EQ(bridge.hwnd(), editor.Main());
    const ChildHandles children = ChildrenOf(bridge);

    struct Row {
        const char* what;
        HWND target;
    };
    const Row refused[] = {
        {"no window", nullptr},
        {"a foreign window", foreign.get()},
        {"the editor's own TEdit child", children.fileName},
    };
    editor.ClearLog();
    other.ClearLog();
    for (const Row& row : refused) {
        SCOPED_TRACE(row.what);
        bridge.hwnd(row.target);
        EXPECT_EQ(bridge.hwnd(), editor.Main());
        EXPECT_EQ(ChildrenOf(bridge), children);
        EXPECT_TRUE(KestTeraPadProbe::HadTeraPadFlag(bridge));
    }
    EXPECT_TRUE(testsupport::SameMessages({}, editor.Log()));

    bridge.hwnd(other.Main());
    EXPECT_EQ(bridge.hwnd(), other.Main());
    EXPECT_EQ(ChildrenOf(bridge), ChildrenOf(other.Main()));
    EXPECT_TRUE(bridge.Tool());
}

TEST(Capture, GoesLostWhenTheEditorExitsAndThenSendsNothing)
{
    StandIn editor;
    editor.BringToFront();
    clsKestTeraPad bridge;
    const HWND captured = editor.Main();
    ASSERT_EQ(bridge.hwnd(), captured);
    ASSERT_TRUE(KestTeraPadProbe::HadTeraPadFlag(bridge));
    // The log file outlives the process; closing is posted, so not logged.
    editor.ClearLog();
    editor.Close();

    EXPECT_FALSE(bridge.HadTeraPad());
    EXPECT_FALSE(KestTeraPadProbe::HadTeraPadFlag(bridge));
    EXPECT_EQ(bridge.hwnd(), captured);
    EXPECT_EQ(KestTeraPadProbe::GetEditHandle(bridge), nullptr);
    EXPECT_EQ(bridge.TeraPadPath(), L"");
    EXPECT_TRUE(bridge.Tool());
    EXPECT_TRUE(testsupport::SameMessages({}, editor.Log()));
}

TEST(Capture, AskingForTheEditingControlSendsOneMessage)
{
    StandIn editor;
    editor.BringToFront();
    clsKestTeraPad bridge;
    editor.ClearLog();
    EXPECT_EQ(KestTeraPadProbe::GetEditHandle(bridge), editor.EditControl());
    EXPECT_TRUE(testsupport::SameMessages({"main MSG_8192 0 p"}, editor.Log()));
}

TEST(Helpers, TrimNullCutsAtTheFirstNul)
{
    struct Row {
        std::wstring in, out;
    };
    const Row rows[] = {
        {std::wstring(L"abc\0def", 7), L"abc"},
        {L"abc", L"abc"},
        {std::wstring(L"\0", 1), L""},
        {L"", L""},
        {std::wstring(L"\0abc\0", 5), L""},
        {std::wstring(L"\x30E1\x30E2\0\x5E33", 4), L"\x30E1\x30E2"},
    };
    for (const Row& row : rows) EXPECT_EQ(KestTeraPadProbe::TrimNull(row.in), row.out) << "input length " << row.in.size();
}

std::optional<OSVERSIONINFOA> VersionRecord(DWORD platformId, DWORD major, DWORD minor)
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    info.dwPlatformId = platformId;
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    return info;
}

TEST(WindowsName, NamesEachVersionRecord)
{
    struct Row {
        std::optional<OSVERSIONINFOA> record;
        std::wstring name;
    };
    const Row rows[] = {
        {VersionRecord(1, 4, 0), L"Win95"},     {VersionRecord(1, 4, 10), L"Win98"},
        {VersionRecord(1, 4, 1), L"Win98"},     {VersionRecord(1, 4, 89), L"Win98"},
        {VersionRecord(1, 4, 90), L"WinMe"},    {VersionRecord(1, 3, 95), L"Win95"},
        {VersionRecord(1, 5, 0), L"Win95"},     {VersionRecord(2, 5, 1), L"WinNT"},
        {VersionRecord(0, 3, 10), L"Win3.1 "},  {VersionRecord(3, 1, 0), L""},
        {std::nullopt, L""},
        // Signed comparisons: a huge minor version is negative, so below 1.
        {VersionRecord(1, 4, 0x80000000u), L"Win95"},
        {VersionRecord(1, 0xFFFFFFFFu, 10), L"Win95"},
    };
    for (const Row& row : rows) {
        testing::Message record;
        if (row.record)
            record << "(" << row.record->dwPlatformId << ", " << row.record->dwMajorVersion << ", "
                   << row.record->dwMinorVersion << ")";
        else
            record << "failed query";
        SCOPED_TRACE(record);
        EXPECT_EQ(WindowsNameFor(row.record), row.name);
    }
}

TEST(WindowsName, NamesTheFamilyWineReportsToThisExecutable)
{
    // Wine gives each of this suite's alias executables its own version.
    const std::wstring exe = platform::ExecutableBaseName();
    std::wstring expected = L"WinNT";
    if (exe.ends_with(L"_win98")) expected = L"Win98";
    if (exe.ends_with(L"_winme")) expected = L"WinMe";
    EXPECT_EQ(KestTeraPadProbe::GetWindowsName(), expected) << "running as " << platform::ToAnsi(exe);
}

// A process whose first thread never ran has no window at all.
struct SuspendedProcess {
    platform::UniqueProcess process;
    platform::UniqueThread thread;
    DWORD id = 0;
    explicit SuspendedProcess(const std::wstring& exe)
    {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        std::wstring commandLine = L"\"" + exe + L"\"";
        if (::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                             nullptr, &startup, &info)) {
            process.reset(info.hProcess);
            thread.reset(info.hThread);
            id = info.dwProcessId;
        }
    }
    ~SuspendedProcess()
    {
        if (process) ::TerminateProcess(process.get(), 0);
    }
};

TEST(ProcessTopWindow, FindsTheMainWindowOfAnotherProcess)
{
    StandIn plain;
    StandInOptions withPopup;
    withPopup.ownedPopup = true;
    StandIn owning(withPopup);
    // The owned popup must be met first, so that the owner chain has to be
    // climbed; without a window manager Wine may leave the owner on top.
    const HWND popup = [&] {
        for (HWND h = ::GetTopWindow(nullptr); h; h = ::GetWindow(h, GW_HWNDNEXT))
            if (::GetWindow(h, GW_OWNER) == owning.Main()) return h;
        return HWND{};
    }();
    ASSERT_NE(popup, nullptr) << "the stand-in shows no owned popup";
    ::SetWindowPos(popup, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const HWND firstOfOwning = [&] {
        for (HWND h = ::GetTopWindow(nullptr); h; h = ::GetWindow(h, GW_HWNDNEXT))
            if (bridgetest::ProcessOf(h) == owning.ProcessId()) return h;
        return HWND{};
    }();
    ASSERT_EQ(firstOfOwning, popup) << "the owned popup is not above its owner";

    struct Row {
        const char* what;
        DWORD processId;
        HWND expected;
    };
    const Row rows[] = {
        {"plain editor", plain.ProcessId(), plain.Main()},
        {"editor with an owned popup in front", owning.ProcessId(), owning.Main()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(KestTeraPadProbe::GetProcessTopWindow(row.processId), row.expected);
    }
}

TEST(ProcessTopWindow, ComparesTheWindowAtTheTopOfTheZOrderToo)
{
    StandIn editor;
    editor.BringToFront();
    // A freshly activated editor is exactly the first top-level window.
    ASSERT_EQ(::GetTopWindow(nullptr), editor.Main());
    EXPECT_EQ(KestTeraPadProbe::GetProcessTopWindow(editor.ProcessId()), editor.Main());
}

TEST(ProcessTopWindow, YieldsNothingForAProcessWithoutWindows)
{
    SuspendedProcess idle(testsupport::StandInExePath());
    ASSERT_NE(idle.id, 0u);
    EXPECT_EQ(KestTeraPadProbe::GetProcessTopWindow(idle.id), nullptr);
}

} // namespace

// Capture of a TeraPad main window and its child windows, re-targeting, what
// every member gives without an editor, and the private helpers they share.
#include "bridge/kest_terapad.h"
#include "tests/bridge/editor_windows.h"
#include "tests/bridge/probe.h"
#include "tests/bridge/text_session.h"
#include "tests/support/standin_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>

namespace {

using bridgetext::AsciiText;
using bridgetext::Session;
using testsupport::ForeignWindow;
using testsupport::SameMessages;
using testsupport::StandIn;
using Children = std::array<HWND, 3>; // TEdit, TTeraPadExeName, TTeraPadIniFilePath

Children ChildrenOf(const clsKestTeraPad& bridge)
{
    return {KestTeraPadProbe::FileNameHandle(bridge), KestTeraPadProbe::ExeNameHandle(bridge),
            KestTeraPadProbe::IniFilePathHandle(bridge)};
}

// What the editor has, found independently of the bridge.
Children ChildrenOf(HWND main)
{
    return {::FindWindowExA(main, nullptr, "TEdit", nullptr), ::FindWindowExA(main, nullptr, "TTeraPadExeName", nullptr),
            ::FindWindowExA(main, nullptr, "TTeraPadIniFilePath", nullptr)};
}

TEST(Capture, TakesOnlyAnEditorWindowInFrontOrGivenAndToolKeepsItsFirstAnswer)
{
    StandIn first, second;
    ForeignWindow foreign;
    clsKestTeraPad uncaptured;
    first.BringToFront();
    clsKestTeraPad captured;
    EXPECT_EQ(captured.hwnd(), first.Main());
    EXPECT_TRUE(captured.HadTeraPad());
    EXPECT_EQ(ChildrenOf(captured), ChildrenOf(first.Main()));
    EXPECT_TRUE(std::ranges::none_of(ChildrenOf(first.Main()), [](HWND child) { return child == nullptr; }));

    // SearchTeraPad moves to an editor in front and stays when a foreign
    // window is; Tool keeps what the capture at creation found.
    for (HWND front : {second.Main(), foreign.get()}) {
        if (front == foreign.get()) foreign.BringToFront();
        else second.BringToFront();
        for (clsKestTeraPad* searching : {&uncaptured, &captured}) {
            searching->SearchTeraPad();
            EXPECT_EQ(searching->hwnd(), second.Main());
            EXPECT_EQ(ChildrenOf(*searching), ChildrenOf(second.Main()));
            EXPECT_TRUE(KestTeraPadProbe::HadTeraPadFlag(*searching));
        }
        EXPECT_FALSE(uncaptured.Tool());
        EXPECT_TRUE(captured.Tool());
    }

    // Writing hwnd takes an editor's main window and nothing else.
    second.ClearLog();
    for (HWND refused : {HWND{}, foreign.get(), ChildrenOf(second.Main())[0]}) {
        SCOPED_TRACE(refused);
        captured.hwnd(refused);
        EXPECT_EQ(captured.hwnd(), second.Main());
        EXPECT_EQ(ChildrenOf(captured), ChildrenOf(second.Main()));
    }
    EXPECT_TRUE(SameMessages({}, second.Log()));
    captured.hwnd(first.Main());
    EXPECT_EQ(captured.hwnd(), first.Main());
    EXPECT_EQ(ChildrenOf(captured), ChildrenOf(first.Main()));
}

TEST(Capture, ComparesTheClassNameExactly)
{
    for (const wchar_t* className : {L"TTeraPadMainForm", L"TTerapadMainForm", L"ttErApAdmAinfOrm",
                                     L"TTeraPadMainFormX", L"TTeraPadMainFor", L"XTTeraPadMainForm"}) {
        SCOPED_TRACE(platform::ToAnsi(className));
        const bool isEditor = std::wstring(className) == L"TTeraPadMainForm";
        {
            ForeignWindow window(className);
            clsKestTeraPad captured;
            EXPECT_EQ(captured.hwnd(), isEditor ? window.get() : nullptr);
            EXPECT_EQ(captured.HadTeraPad(), isEditor);
        }
        // Class names are matched without regard to case: the next row's
        // class can only be registered once this one is gone.
        ::UnregisterClassW(className, ::GetModuleHandleW(nullptr));
    }
}

// A version read refreshes the capture flag by itself.
std::int32_t VersionRead(clsKestTeraPad& bridge, std::int32_t (clsKestTeraPad::*read)())
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
        {"Edit select all", [](B& b) { b.Edit(EM_SETSEL); }},
        {"Edit select a line", [](B& b) { b.Edit(EM_SETSEL, 1); }},
        {"Edit with an unusable line", [](B& b) { b.Edit(EM_SETSEL, L"abc"); }},
        {"Edit replace", [](B& b) { b.Edit(EM_REPLACESEL, L"x"); }},
        {"Edit commands", [](B& b) { for (int mode : {EM_UNDO, WM_CUT, WM_COPY, WM_PASTE, WM_CLEAR, 0x304}) b.Edit(mode); }},
        {"SelSet", [](B& b) { EXPECT_EQ(b.SelSet(1, 2), std::nullopt); }},
        {"EditMode", [](B& b) { EXPECT_EQ(b.EditMode(), -1); }},
        {"Length", [](B& b) { EXPECT_EQ(b.Length(), -1); }},
        {"Line", [](B& b) { EXPECT_EQ(b.Line(), 0); b.Line(1); }},
        {"SelStart", [](B& b) { EXPECT_EQ(b.SelStart(), 0); b.SelStart(3); }},
        {"SelLength", [](B& b) { EXPECT_EQ(b.SelLength(), 0); b.SelLength(3); }},
        {"Selection", [](B& b) { EXPECT_EQ(b.Selection(), std::make_pair(0, 0)); }},
        {"Text", [&](B& b) { EXPECT_EQ(b.Text(), L""); b.Text(L"new"); b.Text(longText); }},
        {"SelText", [&](B& b) { EXPECT_EQ(b.SelText(), L""); b.SelText(L"new"); b.SelText(longText); }},
        {"SelTextAnsi", [](B& b) { EXPECT_EQ(b.SelTextAnsi(AsciiText(70000)), 0u); }},
        {"paths", [](B& b) { EXPECT_EQ(b.TeraPadPath() + b.FileName() + b.INIPath(), L""); }},
        {"VerMajor", [](B& b) { EXPECT_EQ(VersionRead(b, &B::VerMajor), 0); }},
        {"VerMinor", [](B& b) { EXPECT_EQ(VersionRead(b, &B::VerMinor), 0); }},
        {"VerBeta", [](B& b) { EXPECT_EQ(VersionRead(b, &B::VerBeta), 0); }},
        {"FileSave, ReloadINI, FileOpen", [](B& b) { b.FileSave(); b.ReloadINI(); b.FileOpen(L"x.txt"); }},
        {"FileNew", [](B& b) { EXPECT_EQ(b.FileNew(), nullptr); }},
        {"DebugPrint", [](B& b) { EXPECT_THROW(b.DebugPrint(L"abc"), BridgeError); }},
        {"DebugClear, which tries again", [](B& b) { EXPECT_THROW(b.DebugClear(), BridgeError); }},
    };
    StandIn editor;
    editor.SetDocument(AsciiText(40000));
    editor.SetSelection(2, 5);
    ForeignWindow foreign;
    foreign.BringToFront();
    clsKestTeraPad uncaptured;
    ASSERT_EQ(uncaptured.hwnd(), nullptr);
    EXPECT_FALSE(uncaptured.Tool());
    editor.BringToFront();
    clsKestTeraPad lost;
    ASSERT_EQ(lost.hwnd(), editor.Main());
    bridgetest::StartedEditorsReaper reaper;
    editor.ClearLog();
    for (const auto& [name, call] : members) {
        SCOPED_TRACE(std::string("never captured: ") + name);
        call(uncaptured);
        EXPECT_TRUE(SameMessages({}, editor.Log()));
    }
    EXPECT_EQ(editor.Document(), AsciiText(40000));

    bridgetest::TerminateEditor(editor.Main());
    // No HadTeraPad first: each member has to check the window itself.
    for (const auto& [name, call] : members) {
        SCOPED_TRACE(std::string("lost: ") + name);
        call(lost);
    }
    EXPECT_FALSE(lost.HadTeraPad());
    EXPECT_EQ(lost.hwnd(), editor.Main());
    EXPECT_EQ(KestTeraPadProbe::GetEditHandle(lost), nullptr);
    EXPECT_TRUE(lost.Tool());
    EXPECT_TRUE(reaper.Started().empty());
}

TEST(Helpers, TrimNullCutsAtTheFirstNul)
{
    using namespace std::string_literals;
    for (const auto& [in, out] : {std::pair{L"abc\0def"s, L"abc"s}, {L"abc"s, L"abc"s}, {L"\0"s, L""s}, {L""s, L""s},
                                  {L"\0abc\0"s, L""s}, {L"\x30E1\x30E2\0\x5E33"s, L"\x30E1\x30E2"s}})
        EXPECT_EQ(KestTeraPadProbe::TrimNull(in), out) << "input length " << in.size();
}

TEST(WindowsName, NamesEachVersionRecord)
{
    struct Row {
        DWORD platformId, major, minor;
        std::wstring name;
    };
    const Row rows[] = {
        {1, 4, 0, L"Win95"}, {1, 4, 10, L"Win98"}, {1, 4, 1, L"Win98"}, {1, 4, 89, L"Win98"},
        {1, 4, 90, L"WinMe"}, {1, 3, 95, L"Win95"}, {1, 5, 0, L"Win95"}, {2, 5, 1, L"WinNT"},
        {0, 3, 10, L"Win3.1 "}, {3, 1, 0, L""},
        // Signed comparisons: a huge minor version is negative, so below 1.
        {1, 4, 0x80000000u, L"Win95"}, {1, 0xFFFFFFFFu, 10, L"Win95"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "(" << row.platformId << ", " << row.major << ", " << row.minor << ")");
        OSVERSIONINFOA record{sizeof record, row.major, row.minor, 0, row.platformId, {}};
        EXPECT_EQ(WindowsNameFor(record), row.name);
    }
    EXPECT_EQ(WindowsNameFor(std::nullopt), L"") << "failed query";
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

TEST(ProcessTopWindow, IsTheTopOwnerOfTheProcesssFirstWindowInZOrder)
{
    // A freshly activated editor is exactly the first top-level window.
    StandIn plain;
    plain.BringToFront();
    ASSERT_EQ(::GetTopWindow(nullptr), plain.Main());
    EXPECT_EQ(KestTeraPadProbe::GetProcessTopWindow(plain.ProcessId()), plain.Main());

    // The owned popup must be met first, so that the owner chain has to be
    // climbed; without a window manager Wine may leave the owner on top.
    StandIn owning({.ownedPopup = true});
    HWND popup = ::GetTopWindow(nullptr);
    while (popup && ::GetWindow(popup, GW_OWNER) != owning.Main()) popup = ::GetWindow(popup, GW_HWNDNEXT);
    ASSERT_NE(popup, nullptr) << "the stand-in shows no owned popup";
    ::SetWindowPos(popup, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    HWND firstOfOwning = ::GetTopWindow(nullptr);
    while (firstOfOwning && bridgetest::ProcessOf(firstOfOwning) != owning.ProcessId())
        firstOfOwning = ::GetWindow(firstOfOwning, GW_HWNDNEXT);
    ASSERT_EQ(firstOfOwning, popup) << "the owned popup is not above its owner";
    EXPECT_EQ(KestTeraPadProbe::GetProcessTopWindow(owning.ProcessId()), owning.Main());
}

} // namespace

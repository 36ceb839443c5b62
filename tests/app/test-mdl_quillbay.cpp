// Start-up of the real Quillbay.exe, as a user meets it: from the editor's
// Tools menu, or by mistake from anywhere else; and the name shown for a file.
#include "app/frm_quillbay.h"
#include "app/mdl_quillbay.h"
#include "support/standin_driver.h"
#include "ole_environment.h"

#include "platform/handles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using testsupport::StandIn;
using testsupport::StandInOptions;
using testsupport::TempDir;

const auto* const kOle = ::testing::AddGlobalTestEnvironment(new apptest::OleEnvironment);

TEST(GetFileNameFromPath, GivesTheLastComponentWithDoubleByteNamesWhole)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* name;
    };
    const Case cases[] = {
        {L"C:\\Data\\sub\\report.txt", L"report.txt"},
        {L"C:\\Data\\memo.txt", L"memo.txt"},
        {L"memo.txt", L"memo.txt"},
        {L"", L""},
        // ソ is 0x83 0x5C in code page 932: its trail byte is no separator.
        {L"C:\\データ\\ソフト表.txt", L"ソフト表.txt"},
        {L"C:\\ソ\\予定.txt", L"予定.txt"},
        {L"Z:\\tmp\\a b\\c d.txt", L"c d.txt"},
    };
    for (const Case& c : cases) EXPECT_EQ(mdlQuillbay::GetFileNameFromPath(c.path), c.name) << c.path;
}

// --- the real executable ------------------------------------------------------------------

// A copy of Quillbay.exe under the given name in its own folder, so that each
// test has its own settings file beside it.
std::wstring CopyOfQuillbay(const TempDir& folder, const std::wstring& name = L"Quillbay.exe")
{
    const std::wstring copy = folder / name;
    EXPECT_TRUE(::CopyFileW((testsupport::TestBinDir() + L"\\Quillbay.exe").c_str(), copy.c_str(), FALSE));
    return copy;
}

struct FoundWindow {
    HWND hwnd = nullptr;
    DWORD pid = 0;
    const wchar_t* className = nullptr;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param)
{
    auto* f = reinterpret_cast<FoundWindow*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    if (owner == f->pid && std::wstring(cls) == f->className && ::IsWindowVisible(hwnd)) {
        f->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForWindowOf(DWORD pid, const wchar_t* className, DWORD ms = 15000)
{
    for (DWORD waited = 0; waited < ms; waited += 50) {
        FoundWindow found{nullptr, pid, className};
        ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&found));
        if (found.hwnd) return found.hwnd;
        testsupport::PumpMessages();
        ::Sleep(50);
    }
    return nullptr;
}

DWORD WaitForNewQuillbay(HWND& window, DWORD ms = 15000)
{
    for (DWORD waited = 0; waited < ms; waited += 50) {
        window = ::FindWindowW(L"Quillbay.frmQuillbay", nullptr);
        if (window && ::IsWindowVisible(window)) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(window, &pid);
            return pid;
        }
        ::Sleep(50);
    }
    return 0;
}

bool WaitForProcessExit(DWORD pid, DWORD ms)
{
    platform::UniqueProcess process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (!process) return true;
    return ::WaitForSingleObject(process.get(), ms) == WAIT_OBJECT_0;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(Startup, FromAForeignWindowSaysSoAndEndsWithoutWindowOrSettings)
{
    TempDir folder;
    const std::wstring exe = CopyOfQuillbay(folder);
    testsupport::ForeignWindow foreign;

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + exe + L"\"";
    ASSERT_TRUE(::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 folder.Path().c_str(), &startup, &info));
    platform::UniqueProcess process(info.hProcess);
    platform::UniqueThread thread(info.hThread);

    HWND box = WaitForWindowOf(info.dwProcessId, L"#32770");
    ASSERT_NE(box, nullptr) << "no message box";
    wchar_t text[256] = {}, title[64] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 256); // the message box's text control
    ::GetWindowTextW(box, title, 64);
    EXPECT_STREQ(text, L"TeraPad の補足に失敗しました。\r\n\r\nTeraPad のツールメニューから起動してください。");
    EXPECT_STREQ(title, L"Quillbay");
    // MB_ICONERROR | MB_OK: an icon and exactly one button, OK.
    HWND icon = ::GetDlgItem(box, 0x0440);
    EXPECT_NE(icon, nullptr);
    EXPECT_TRUE(icon && ::IsWindowVisible(icon));
    EXPECT_TRUE(::GetDlgItem(box, IDOK) && ::IsWindowVisible(::GetDlgItem(box, IDOK)));
    for (int id : {IDCANCEL, IDYES, IDNO, IDRETRY, IDABORT, IDIGNORE}) {
        HWND button = ::GetDlgItem(box, id);
        EXPECT_FALSE(button && ::IsWindowVisible(button)) << "button " << id;
    }
    EXPECT_EQ(::FindWindowW(L"Quillbay.frmQuillbay", nullptr), nullptr);

    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_EQ(::WaitForSingleObject(process.get(), 15000), WAIT_OBJECT_0);
    EXPECT_FALSE(Exists(folder / L"Quillbay.ini"));
}

TEST(Startup, FromTheToolsMenuShowsTheWindowAndKeepsItsOptions)
{
    TempDir folder;
    const std::wstring exe = CopyOfQuillbay(folder);
    StandInOptions options;
    options.tool = exe;
    StandIn editor(options);

    // First run: defaults, written back on close.
    ::PostMessageW(editor.Main(), WM_COMMAND, testsupport::kToolCommand, 0);
    HWND window = nullptr;
    DWORD pid = WaitForNewQuillbay(window);
    ASSERT_NE(pid, 0u) << "Quillbay did not start from the Tools menu";
    EXPECT_EQ(::GetForegroundWindow() == window || ::GetForegroundWindow() == editor.Main(), true);
    EXPECT_FALSE(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitForProcessExit(pid, 15000));
    EXPECT_EQ(testsupport::ReadFileBytes(folder / L"Quillbay.ini"),
              "[Quillbay]\r\nPasteAndEnd=0\r\nchkTopmost=0\r\nMode=0\r\n");

    // The options survive a restart.
    testsupport::WriteFileBytes(folder / L"Quillbay.ini", "[Quillbay]\r\nPasteAndEnd=1\r\nchkTopmost=1\r\nMode=1\r\n");
    editor.BringToFront();
    ::PostMessageW(editor.Main(), WM_COMMAND, testsupport::kToolCommand, 0);
    pid = WaitForNewQuillbay(window);
    ASSERT_NE(pid, 0u);
    EXPECT_TRUE(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(::SendMessageW(::GetDlgItem(window, frmQuillbay::kCboMode), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(::SendMessageW(::GetDlgItem(window, frmQuillbay::kChkPasteAndEnd), BM_GETCHECK, 0, 0), BST_CHECKED);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitForProcessExit(pid, 15000));
    EXPECT_EQ(testsupport::ReadFileBytes(folder / L"Quillbay.ini"),
              "[Quillbay]\r\nPasteAndEnd=1\r\nchkTopmost=1\r\nMode=1\r\n");
}

TEST(Startup, ARenamedExecutableUsesASettingsFileOfItsOwnName)
{
    TempDir folder;
    const std::wstring exe = CopyOfQuillbay(folder, L"貼付.exe");
    testsupport::WriteFileBytes(folder / L"Quillbay.ini", "[Quillbay]\r\nMode=1\r\n");
    StandInOptions options;
    options.tool = exe;
    StandIn editor(options);
    ::PostMessageW(editor.Main(), WM_COMMAND, testsupport::kToolCommand, 0);
    HWND window = nullptr;
    const DWORD pid = WaitForNewQuillbay(window);
    ASSERT_NE(pid, 0u);
    EXPECT_EQ(::SendMessageW(::GetDlgItem(window, frmQuillbay::kCboMode), CB_GETCURSEL, 0, 0), 0) << "read the other file";
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitForProcessExit(pid, 15000));
    EXPECT_EQ(testsupport::ReadFileBytes(folder / L"貼付.ini"), "[Quillbay]\r\nPasteAndEnd=0\r\nchkTopmost=0\r\nMode=0\r\n");
    EXPECT_EQ(testsupport::ReadFileBytes(folder / L"Quillbay.ini"), "[Quillbay]\r\nMode=1\r\n");
}

} // namespace

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

using testsupport::ReadFileBytes;
using testsupport::TempDir;

const auto* const kOle = ::testing::AddGlobalTestEnvironment(new apptest::OleEnvironment);

TEST(GetFileNameFromPath, GivesTheLastComponentWithDoubleByteNamesWhole)
{
    // ソ is 0x83 0x5C in code page 932: its trail byte is no separator.
    for (const auto& [path, name] : {std::pair{L"C:\\Data\\report.txt", L"report.txt"}, {L"memo.txt", L"memo.txt"},
                                     {L"", L""}, {L"C:\\データ\\ソフト表.txt", L"ソフト表.txt"},
                                     {L"C:\\ソ\\予定.txt", L"予定.txt"}, {L"Z:\\a b\\c d.txt", L"c d.txt"}})
        EXPECT_EQ(mdlQuillbay::GetFileNameFromPath(path), name) << path;
}

// A copy of Quillbay.exe under the given name, with its own settings file beside it.
std::wstring CopyOfQuillbay(const TempDir& folder, const std::wstring& name)
{
    EXPECT_TRUE(::CopyFileW((testsupport::TestBinDir() + L"\\Quillbay.exe").c_str(), (folder / name).c_str(), FALSE));
    return folder / name;
}

// A visible window of the class in another process (pid 0: any other).
HWND WaitForWindow(const wchar_t* className, DWORD pid = 0)
{
    for (int waited = 0; waited < 15000; waited += 50, ::Sleep(50)) {
        for (HWND w = ::FindWindowW(className, nullptr); w; w = ::FindWindowExW(nullptr, w, className, nullptr)) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(w, &owner);
            if ((pid ? owner == pid : owner != ::GetCurrentProcessId()) && ::IsWindowVisible(w)) return w;
        }
        testsupport::PumpMessages();
    }
    return nullptr;
}

TEST(Startup, FromAForeignWindowSaysSoAndEndsWithoutWindowOrSettings)
{
    TempDir folder;
    std::wstring exe = CopyOfQuillbay(folder, L"Quillbay.exe"), commandLine = L"\"" + exe + L"\"";
    testsupport::ForeignWindow foreign;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    platform::UniqueProcess process(info.hProcess);
    platform::UniqueThread thread(info.hThread);
    HWND box = WaitForWindow(L"#32770", info.dwProcessId);
    ASSERT_NE(box, nullptr) << "no message box";
    wchar_t text[256] = {}, title[64] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 256); // the message box's text control
    ::GetWindowTextW(box, title, 64);
    EXPECT_STREQ(text, L"TeraPad の補足に失敗しました。\r\n\r\nTeraPad のツールメニューから起動してください。");
    EXPECT_STREQ(title, L"Quillbay");
    // MB_ICONERROR | MB_OK: an icon and exactly one button, OK.
    for (int id : {0x0440, IDOK, IDCANCEL, IDYES, IDNO, IDRETRY, IDABORT, IDIGNORE}) {
        HWND item = ::GetDlgItem(box, id);
        EXPECT_EQ(item && ::IsWindowVisible(item), id == 0x0440 || id == IDOK) << "item " << id;
    }
    EXPECT_EQ(::FindWindowW(frmQuillbay::kWindowClass, nullptr), nullptr);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_EQ(::WaitForSingleObject(process.get(), 15000), WAIT_OBJECT_0);
    EXPECT_EQ(::GetFileAttributesW((folder / L"Quillbay.ini").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Startup, ARenamedCopyFromTheToolsMenuKeepsItsOptionsInASettingsFileOfItsOwnName)
{
    TempDir folder;
    const std::string allOn = "[Quillbay]\r\nPasteAndEnd=1\r\nchkTopmost=1\r\nMode=1\r\n", other = "[Quillbay]\r\nMode=0\r\n";
    testsupport::WriteFileBytes(folder / L"貼付.ini", allOn);
    testsupport::WriteFileBytes(folder / L"Quillbay.ini", other);
    testsupport::StandInOptions options;
    options.tool = CopyOfQuillbay(folder, L"貼付.exe");
    testsupport::StandIn editor(options);
    ::PostMessageW(editor.Main(), WM_COMMAND, testsupport::kToolCommand, 0);
    HWND window = WaitForWindow(frmQuillbay::kWindowClass);
    ASSERT_NE(window, nullptr) << "Quillbay did not start from the Tools menu";
    EXPECT_TRUE(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(::SendDlgItemMessageW(window, frmQuillbay::kCboMode, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(::SendDlgItemMessageW(window, frmQuillbay::kChkPasteAndEnd, BM_GETCHECK, 0, 0), BST_CHECKED);
    ::SendDlgItemMessageW(window, frmQuillbay::kChkTopmost, BM_CLICK, 0, 0);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    platform::UniqueProcess process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(::WaitForSingleObject(process.get(), 15000), WAIT_OBJECT_0);
    EXPECT_EQ(ReadFileBytes(folder / L"貼付.ini"), "[Quillbay]\r\nPasteAndEnd=1\r\nchkTopmost=0\r\nMode=1\r\n");
    EXPECT_EQ(ReadFileBytes(folder / L"Quillbay.ini"), other);
}

} // namespace

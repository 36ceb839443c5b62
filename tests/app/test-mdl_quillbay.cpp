// Start-up of the real Quillbay.exe by mistake from anywhere but the editor's
// Tools menu (test-e2e.cpp starts it from there); and the name shown for a file.
#include "app/mdl_quillbay.h"
#include "form_session.h"

#include <gtest/gtest.h>

#include <string>

namespace {

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

TEST(Startup, FromAForeignWindowSaysSoAndEndsWithoutWindowOrSettings)
{
    TempDir folder;
    std::wstring exe = apptest::CopyOfQuillbay(folder, L"Quillbay.exe"), commandLine = L"\"" + exe + L"\"";
    testsupport::ForeignWindow foreign;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    platform::UniqueProcess process(info.hProcess);
    platform::UniqueThread thread(info.hThread);
    HWND box = testsupport::WaitForWindow(L"#32770", info.dwProcessId);
    ASSERT_NE(box, nullptr) << "no message box";
    // 0xFFFF: the message box's text control.
    EXPECT_EQ(testsupport::TextOf(::GetDlgItem(box, 0xFFFF)),
              L"TeraPad の補足に失敗しました。\r\n\r\nTeraPad のツールメニューから起動してください。");
    EXPECT_EQ(testsupport::TextOf(box), L"Quillbay");
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

} // namespace

// Which editor a bridge is bound to: the three published paths, the version
// of its executable, and Tool.
#include "bridge/kest_terapad.h"
#include "tests/bridge/editor_windows.h"
#include "tests/bridge/probe.h"
#include "tests/support/standin_driver.h"

#include "platform/code_page.h"
#include "platform/programs.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using testsupport::StandIn;
using testsupport::StandInOptions;
using Version = std::array<std::int32_t, 4>;

std::wstring StandInExe()
{
    return testsupport::StandInExePath();
}

// A copy of the stand-in under another folder, for paths the build folder
// does not have.
std::wstring CopyStandIn(const std::wstring& folder)
{
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring copy = folder + L"\\StandInPad.exe";
    EXPECT_TRUE(::CopyFileW(StandInExe().c_str(), copy.c_str(), FALSE)) << "error " << ::GetLastError();
    return copy;
}

TEST(Paths, ComeBackAsTheCharactersOfDoubleByteNames)
{
    const std::wstring dir = testsupport::MakeTempDir();
    StandInOptions options;
    options.exePath = CopyStandIn(dir + L"\\\x30A8\x30C7\x30A3\x30BF");      // エディタ
    options.file = dir + L"\\\x30E1\x30E2\x5E33\x30C6\x30B9\x30C8.txt";      // メモ帳テスト.txt
    options.ini = dir + L"\\\x8A2D\x5B9A\x30D5\x30A1\x30A4\x30EB.ini";       // 設定ファイル.ini
    testsupport::WriteFileBytes(options.file, "x");
    StandIn editor(options);
    editor.BringToFront();
    clsKestTeraPad bridge;
    ASSERT_TRUE(bridge.HadTeraPad());

    EXPECT_EQ(bridge.TeraPadPath(), options.exePath);
    EXPECT_EQ(bridge.FileName(), options.file);
    EXPECT_EQ(bridge.INIPath(), options.ini);
    // The published texts are longer in bytes than in characters.
    EXPECT_GT(platform::ToAnsi(options.file).size(), options.file.size());

    bridge.INIPath(L"C:\\elsewhere.ini");
    EXPECT_EQ(bridge.INIPath(), options.ini);
}

TEST(Paths, AMissingChildEmptiesOnlyItsOwnPath)
{
    const std::wstring dir = testsupport::MakeTempDir();
    const std::wstring file = dir + L"\\doc.txt";
    const std::wstring ini = dir + L"\\pad.ini";
    testsupport::WriteFileBytes(file, "x");
    struct Row {
        const char* what;
        bool noFileEdit, noExeName, noIniFile;
    };
    const Row rows[] = {
        {"all three children", false, false, false},
        {"no TEdit", true, false, false},
        {"no TTeraPadExeName", false, true, false},
        {"no TTeraPadIniFilePath", false, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        StandInOptions options;
        options.file = file;
        options.ini = ini;
        options.noFileEdit = row.noFileEdit;
        options.noExeName = row.noExeName;
        options.noIniFile = row.noIniFile;
        StandIn editor(options);
        editor.BringToFront();
        clsKestTeraPad bridge;
        ASSERT_TRUE(bridge.HadTeraPad());
        EXPECT_EQ(bridge.FileName(), row.noFileEdit ? L"" : file);
        EXPECT_EQ(bridge.TeraPadPath(), row.noExeName ? L"" : StandInExe());
        EXPECT_EQ(bridge.INIPath(), row.noIniFile ? L"" : ini);
        // Without the executable's path there is nothing to read a version from.
        EXPECT_EQ(bridge.VerMajor(), row.noExeName ? 0 : 1);
    }
}

TEST(Paths, AChildWithoutTextGivesTheEmptyString)
{
    StandIn editor; // no file open: its TEdit is there but empty
    editor.BringToFront();
    clsKestTeraPad bridge;
    ASSERT_NE(KestTeraPadProbe::FileNameHandle(bridge), nullptr);
    EXPECT_EQ(bridge.FileName(), L"");
    EXPECT_EQ(bridge.TeraPadPath(), StandInExe());
}

TEST(Version, ComesFromTheProductAndTheFileVersion)
{
    StandIn editor;
    editor.BringToFront();
    clsKestTeraPad bridge;
    // Product version 1.2.0.0, file version 3.4.5.7.
    EXPECT_EQ(bridge.VerMajor(), 1);
    EXPECT_EQ(bridge.VerMinor(), 2);
    EXPECT_EQ(bridge.VerBeta(), 7);
}

TEST(Version, GetFileVersionSplitsTheFieldsAsSigned32BitNumbers)
{
    const std::wstring dir = testsupport::MakeTempDir();
    struct Row {
        const char* what;
        std::wstring path;
        Version expected;
    };
    const Row rows[] = {
        {"stand-in", StandInExe(), {1, 2, 5, 7}},
        {"stand-in under a double-byte folder", CopyStandIn(dir + L"\\\x7DE8\x96C6"), {1, 2, 5, 7}}, // 編集
        // Product 40000.7, file x.x.40000.65534: both fields are 2^31 or more.
        {"fields of 2^31 and more", platform::ExecutablePath(), {-25535, -65529, -25535, -2}},
        {"no version resource", testsupport::NoVersionExePath(), {0, 0, 0, 0}},
        {"missing file", dir + L"\\missing.exe", {0, 0, 0, 0}},
        {"empty path", L"", {0, 0, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(KestTeraPadProbe::GetFileVersion(row.path), row.expected);
    }
}

TEST(Identity, AfterTheEditorClosedIsEmptyAndZeroButToolStays)
{
    StandIn editor;
    editor.BringToFront();
    clsKestTeraPad bridge;
    ASSERT_EQ(bridge.VerMajor(), 1);
    editor.Close();

    EXPECT_EQ(bridge.TeraPadPath(), L"");
    EXPECT_EQ(bridge.FileName(), L"");
    EXPECT_EQ(bridge.INIPath(), L"");
    EXPECT_TRUE(bridge.Tool());

    struct Row {
        const char* member;
        std::int32_t (clsKestTeraPad::*read)();
    };
    const Row rows[] = {
        {"VerMajor", &clsKestTeraPad::VerMajor},
        {"VerMinor", &clsKestTeraPad::VerMinor},
        {"VerBeta", &clsKestTeraPad::VerBeta},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.member);
        // Each version read refreshes the capture flag by itself.
        KestTeraPadProbe::SetHadTeraPadFlag(bridge, true);
        EXPECT_EQ((bridge.*row.read)(), 0);
        EXPECT_FALSE(KestTeraPadProbe::HadTeraPadFlag(bridge));
    }
    EXPECT_TRUE(bridge.Tool());
}

TEST(Identity, WithoutACaptureIsEmptyAndZero)
{
    testsupport::ForeignWindow foreign;
    clsKestTeraPad bridge;
    ASSERT_EQ(bridge.hwnd(), nullptr);
    EXPECT_EQ(bridge.TeraPadPath(), L"");
    EXPECT_EQ(bridge.FileName(), L"");
    EXPECT_EQ(bridge.INIPath(), L"");
    EXPECT_EQ(bridge.VerMajor(), 0);
    EXPECT_EQ(bridge.VerMinor(), 0);
    EXPECT_EQ(bridge.VerBeta(), 0);
    EXPECT_FALSE(bridge.Tool());
}

} // namespace

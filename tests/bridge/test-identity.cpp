// Which editor a bridge is bound to: the three published paths and the
// version of its executable.
#include "bridge/kest_terapad.h"
#include "tests/bridge/probe.h"
#include "tests/bridge/text_session.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using bridgetext::Session;
using testsupport::StandInExePath;

TEST(Paths, ComeBackAsTheCharactersOfDoubleByteNamesAndGiveTheExecutablesVersion)
{
    testsupport::TempDir dir;
    const std::wstring folder = dir / L"\x30A8\x30C7\x30A3\x30BF"; // エディタ
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    testsupport::StandInOptions options{.file = dir / L"\x30E1\x30E2\x5E33\x30C6\x30B9\x30C8.txt", // メモ帳テスト.txt
                                        .ini = dir / L"\x8A2D\x5B9A\x30D5\x30A1\x30A4\x30EB.ini", // 設定ファイル.ini
                                        .exePath = folder + L"\\StandInPad.exe"};
    ASSERT_TRUE(::CopyFileW(StandInExePath().c_str(), options.exePath.c_str(), FALSE));
    testsupport::WriteFileBytes(options.file, "x");
    Session session(options);
    clsKestTeraPad& bridge = *session.bridge;
    EXPECT_EQ(bridge.TeraPadPath(), options.exePath);
    EXPECT_EQ(bridge.FileName(), options.file);
    EXPECT_EQ(bridge.INIPath(), options.ini);
    // The published texts are longer in bytes than in characters.
    EXPECT_GT(platform::ToAnsi(options.file).size(), options.file.size());
    bridge.INIPath(L"C:\\elsewhere.ini");
    EXPECT_EQ(bridge.INIPath(), options.ini);
    // The stand-in's product version is 1.2.0.0, its file version 3.4.5.7.
    EXPECT_EQ(bridge.VerMajor(), 1);
    EXPECT_EQ(bridge.VerMinor(), 2);
    EXPECT_EQ(bridge.VerBeta(), 7);
}

TEST(Paths, AMissingChildOrAnEmptyOneGivesTheEmptyPathAndOnlyForItself)
{
    testsupport::TempDir dir;
    const std::wstring file = dir / L"doc.txt", ini = dir / L"pad.ini";
    testsupport::WriteFileBytes(file, "x");
    struct Row {
        const char* what;
        bool noFile, noFileEdit, noExeName, noIniFile;
    };
    for (const Row& row : {Row{"no file open: an empty TEdit", true, false, false, false},
                           Row{"no TEdit", false, true, false, false}, Row{"no TTeraPadExeName", false, false, true, false},
                           Row{"no TTeraPadIniFilePath", false, false, false, true}}) {
        SCOPED_TRACE(row.what);
        Session session({.file = row.noFile ? L"" : file, .ini = ini, .noFileEdit = row.noFileEdit,
                         .noExeName = row.noExeName, .noIniFile = row.noIniFile});
        clsKestTeraPad& bridge = *session.bridge;
        EXPECT_EQ(bridge.FileName(), row.noFile || row.noFileEdit ? L"" : file);
        EXPECT_EQ(bridge.TeraPadPath(), row.noExeName ? L"" : StandInExePath());
        EXPECT_EQ(bridge.INIPath(), row.noIniFile ? L"" : ini);
        // Without the executable's path there is nothing to read a version from.
        EXPECT_EQ(bridge.VerMajor(), row.noExeName ? 0 : 1);
    }
}

TEST(Version, GetFileVersionSplitsTheFieldsAsSigned32BitNumbers)
{
    struct Row {
        const char* what;
        std::wstring path;
        std::array<std::int32_t, 4> expected;
    };
    const Row rows[] = {
        {"stand-in", StandInExePath(), {1, 2, 5, 7}},
        // Product 40000.7, file x.x.40000.65534: both fields are 2^31 or more.
        {"fields of 2^31 and more", platform::ExecutablePath(), {-25535, -65529, -25535, -2}},
        {"no version resource", testsupport::NoVersionExePath(), {0, 0, 0, 0}},
        {"missing file", testsupport::TestBinDir() + L"\\missing.exe", {0, 0, 0, 0}},
        {"empty path", L"", {0, 0, 0, 0}},
    };
    for (const Row& row : rows) EXPECT_EQ(KestTeraPadProbe::GetFileVersion(row.path), row.expected) << row.what;
}

} // namespace

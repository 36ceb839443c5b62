#include "settings/ini_access.h"

#include "platform/code_page.h"
#include "platform/file_access.h"
#include "platform/handles.h"
#include "platform/programs.h"

#include <gtest/gtest.h>

#include "support/standin_driver.h"

#include <string>

namespace {

using testsupport::TempDir;

// Runs only in the copy of this executable that ReportedFileName starts.
TEST(IniChild, DISABLED_ReportFileName)
{
    wchar_t name[512] = {};
    ::GetEnvironmentVariableW(L"QB_INI_NAME", name, 512);
    INIAccess ini;
    ini.SetAppPathFilename(name);
    testsupport::WriteFileBytes(platform::ExecutablePath() + L".txt", platform::ToAnsi(ini.FileName));
}

// What SetAppPathFilename makes of the name in a copy of this executable run from the folder.
std::wstring ReportedFileName(const std::wstring& folder, const std::wstring& iniName)
{
    const std::wstring copy = folder + (folder.back() == L'\\' ? L"" : L"\\") + L"qb_ini_probe.exe";
    std::wstring command = L"\"" + copy + L"\" --gtest_also_run_disabled_tests --gtest_filter=IniChild.*";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES; // the child's own test report stays out of ours
    PROCESS_INFORMATION info{};
    ::SetEnvironmentVariableW(L"QB_INI_NAME", iniName.c_str());
    if (!::CopyFileW(platform::ExecutablePath().c_str(), copy.c_str(), FALSE) ||
        !::CreateProcessW(copy.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return L"<did not start>";
    platform::UniqueProcess process(info.hProcess);
    platform::UniqueThread thread(info.hThread);
    ::WaitForSingleObject(process.get(), 60000);
    ::DeleteFileW(copy.c_str());
    const std::wstring reported = platform::FromAnsi(testsupport::ReadFileBytes(copy + L".txt")); // throws if none
    ::DeleteFileW((copy + L".txt").c_str());
    return reported;
}

TEST(IniAccessFileName, JoinsTheRunningExecutablesFolderWithTheNameWithoutDoublingTheSeparator)
{
    // C:\ is the prefix's drive_c, where the folder ends in "\".
    const std::wstring nested = L"C:\\qb_ini_" + std::to_wstring(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryW(nested.c_str(), nullptr));
    const struct {
        std::wstring folder, name, expected;
    } rows[] = {
        {L"C:\\", L"Quillbay.ini", L"C:\\Quillbay.ini"},
        {L"C:\\", L"", L"C:\\"},
        {nested, L"Quillbay.ini", nested + L"\\Quillbay.ini"},
        {nested, L"", nested + L"\\"},
    };
    for (const auto& row : rows) EXPECT_EQ(ReportedFileName(row.folder, row.name), row.expected);
    testsupport::RemoveTree(nested);
}

TEST(IniAccess, RefusedCallsKeepTheRememberedSectionAndEveryWriteSaysWhetherItHappened)
{
    TempDir folder, readOnly;
    const std::wstring existing = folder / L"existing.ini", missing = folder / L"missing.ini";
    testsupport::WriteFileBytes(existing, "[Other]\r\nMode=1\r\n");
    // Wine lets root write a file marked read-only, not one held by a handle that shares reading only.
    platform::UniqueFile hold(
        ::CreateFileW(existing.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    // Windows lets new files into a folder marked read-only.
    ASSERT_TRUE(hold && ::SetFileAttributesW(readOnly.Path().c_str(), FILE_ATTRIBUTE_READONLY));
    const struct {
        std::string name; // says whether the row reads or writes
        std::wstring fileName, sectionBefore, sectionArgument, result, sectionAfter; // result "1": a write done
    } rows[] = {
        {"read, no file name", L"", L"Quillbay", L"Other", L"", L"Quillbay"},
        {"read, missing file", missing, L"Quillbay", L"Other", L"", L"Quillbay"},
        {"read, key missing", existing, L"Quillbay", L"Fresh", L"", L"Fresh"},
        {"read, key present", existing, L"Quillbay", L"Other", L"1", L"Other"},
        {"read, no section at all", existing, L"", L"", L"", L""},
        {"write, no file name", L"", L"Quillbay", L"Other", L"", L"Quillbay"},
        {"write, no section at all", missing, L"", L"", L"", L""},
        {"write, a file held by another", existing, L"Other", L"Quillbay", L"", L"Quillbay"},
        {"write, a new file", missing, L"Quillbay", L"Other", L"1", L"Other"},
        {"write, in a read-only folder", readOnly / L"x.ini", L"Quillbay", L"", L"1", L"Quillbay"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ::DeleteFileW(missing.c_str());
        INIAccess ini;
        ini.FileName = row.fileName;
        ini.Section = row.sectionBefore;
        const bool write = row.name.starts_with("write");
        EXPECT_EQ(write ? std::wstring(ini.SetINIData(L"Mode", L"1", row.sectionArgument) ? L"1" : L"")
                        : ini.GetINIData(L"Mode", row.sectionArgument), row.result);
        EXPECT_EQ(ini.Section, row.sectionAfter);
        // A write said to be done reads back; a refused one changed nothing.
        if (write) { EXPECT_EQ(ini.GetINIData(L"Mode") == L"1", row.result == L"1"); }
        EXPECT_EQ(::GetFileAttributesW(missing.c_str()) != INVALID_FILE_ATTRIBUTES,
                  row.fileName == missing && row.result == L"1");
        EXPECT_EQ(testsupport::ReadFileBytes(existing), "[Other]\r\nMode=1\r\n");
    }
    ::SetFileAttributesW(readOnly.Path().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(IniAccess, ReadsAtMost255BytesFromTheRememberedSectionAndAnEmptyValueAsEmpty)
{
    TempDir folder;
    INIAccess ini;
    ini.FileName = folder / L"Quillbay.ini";
    testsupport::WriteFileBytes(ini.FileName, "[Quillbay]\r\nEmpty=\r\nLong=" + std::string(300, 'x') + "\r\n");
    ini.Section = L"Elsewhere";
    EXPECT_EQ(ini.Setting(L"Long"), L"");
    EXPECT_EQ(ini.GetINIData(L"Long", L"Quillbay"), std::wstring(255, L'x'));
    EXPECT_EQ(ini.Setting(L"Empty") + ini.Setting(L"Missing"), L"");
}

} // namespace

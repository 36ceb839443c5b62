#include "settings/ini_access.h"

#include "platform/code_page.h"
#include "platform/file_access.h"
#include "platform/handles.h"
#include "platform/programs.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::wstring TempFolder()
{
    wchar_t base[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, base);
    static int counter = 0;
    std::wstring folder = std::wstring(base) + L"qb_ini_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                          std::to_wstring(++counter);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string FileBytes(const std::wstring& path)
{
    return platform::ReadWholeFile(path);
}

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    platform::UniqueFile file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

// A folder of its own per test; the INI files inside go with it.
class IniFolder : public ::testing::Test {
protected:
    void SetUp() override { m_folder = TempFolder(); }
    void TearDown() override
    {
        WIN32_FIND_DATAW found;
        HANDLE search = ::FindFirstFileW((m_folder + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do ::DeleteFileW((m_folder + L"\\" + found.cFileName).c_str());
            while (::FindNextFileW(search, &found));
            ::FindClose(search);
        }
        ::RemoveDirectoryW(m_folder.c_str());
    }
    std::wstring Path(const std::wstring& name) const { return m_folder + L"\\" + name; }

    std::wstring m_folder;
};

// --- FileName from the executable's folder ----------------------------------------

std::wstring SelfPath()
{
    return platform::ExecutablePath();
}

std::wstring ReportedFileName(const std::wstring& exeFolder, const std::wstring& iniName)
{
    // A copy of this test executable runs from the folder and reports what
    // SetAppPathFilename made of the name there.
    const std::wstring copy = exeFolder + (exeFolder.back() == L'\\' ? L"" : L"\\") + L"qb_ini_probe_" +
                              std::to_wstring(::GetCurrentProcessId()) + L".exe";
    const std::wstring report = TempFolder() + L"\\report.txt";
    if (!::CopyFileW(SelfPath().c_str(), copy.c_str(), FALSE)) return L"<copy failed>";
    ::SetEnvironmentVariableW(L"QB_INI_NAME", iniName.c_str());
    ::SetEnvironmentVariableW(L"QB_INI_REPORT", report.c_str());
    std::wstring commandLine = L"\"" + copy +
                               L"\" --gtest_also_run_disabled_tests --gtest_filter=IniChild.DISABLED_ReportFileName";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES; // the child's own test report stays out of ours
    PROCESS_INFORMATION info{};
    std::wstring result = L"<did not start>";
    if (::CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &info)) {
        platform::UniqueProcess process(info.hProcess);
        platform::UniqueThread thread(info.hThread);
        ::WaitForSingleObject(process.get(), 60000);
        try {
            const std::string bytes = platform::ReadWholeFile(report);
            result = std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
        } catch (const platform::FileReadError&) {
            result = L"<no report>";
        }
    }
    ::SetEnvironmentVariableW(L"QB_INI_NAME", nullptr);
    ::SetEnvironmentVariableW(L"QB_INI_REPORT", nullptr);
    ::DeleteFileW(copy.c_str());
    ::DeleteFileW(report.c_str());
    ::RemoveDirectoryW(report.substr(0, report.rfind(L'\\')).c_str());
    return result;
}

// Runs only inside the copy that ReportedFileName starts.
TEST(IniChild, DISABLED_ReportFileName)
{
    wchar_t name[512] = {}, report[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"QB_INI_NAME", name, 512);
    ASSERT_NE(::GetEnvironmentVariableW(L"QB_INI_REPORT", report, MAX_PATH), 0u);
    INIAccess ini;
    ini.SetAppPathFilename(name);
    platform::UniqueFile file(
        ::CreateFileW(report, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    ::WriteFile(file.get(), ini.FileName.data(), static_cast<DWORD>(ini.FileName.size() * sizeof(wchar_t)), &written,
                nullptr);
}

TEST(IniAccessFileName, JoinsTheExecutablesFolderWithTheNameWithoutDoublingTheSeparator)
{
    // C:\ is the prefix's drive_c: a copy of this executable really runs from
    // a drive's root there, where the folder ends in "\".
    const std::wstring nested = L"C:\\qb_ini_tools_" + std::to_wstring(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryW(nested.c_str(), nullptr));
    struct Case {
        std::wstring folder, name, expected;
    } cases[] = {
        {L"C:\\", L"Quillbay.ini", L"C:\\Quillbay.ini"},
        {L"C:\\", L"", L"C:\\"},
        {nested, L"Quillbay.ini", nested + L"\\Quillbay.ini"},
        {nested, L"", nested + L"\\"},
        {nested, L"設定.ini", nested + L"\\設定.ini"},
    };
    for (const Case& c : cases) EXPECT_EQ(ReportedFileName(c.folder, c.name), c.expected) << "folder " << c.folder;
    ::RemoveDirectoryW(nested.c_str());
}

TEST(IniAccessFileName, StartsEmptyAndFollowsTheRunningExecutable)
{
    INIAccess ini;
    EXPECT_EQ(ini.FileName, L"");
    EXPECT_EQ(ini.Section, L"");
    ini.SetAppPathFilename(L"settings_tests.ini");
    EXPECT_EQ(ini.FileName, platform::ExecutableFolder() + L"\\settings_tests.ini");
}

// --- refusals and the remembered section ----------------------------------------

TEST_F(IniFolder, RefusedCallsLeaveTheRememberedSectionAndTheFileAlone)
{
    const std::wstring existing = Path(L"existing.ini");
    const std::wstring missing = Path(L"missing.ini");
    WriteBytes(existing, "[Other]\r\nMode=1\r\n");
    const std::wstring unwritable = Path(L"no such folder\\x.ini");

    enum class Op { Read, Write };
    struct Case {
        const char* name;
        std::wstring fileName, sectionBefore;
        Op op;
        std::wstring sectionArgument;
        std::wstring expectedValue; // reads
        bool expectedResult;        // writes
        std::wstring sectionAfter;
    } cases[] = {
        {"read, no file name", L"", L"Quillbay", Op::Read, L"Other", L"", false, L"Quillbay"},
        {"read, missing file", missing, L"Quillbay", Op::Read, L"Other", L"", false, L"Quillbay"},
        {"read, existing file, key missing", existing, L"Quillbay", Op::Read, L"Fresh", L"", false, L"Fresh"},
        {"read, existing file, key present", existing, L"Quillbay", Op::Read, L"Other", L"1", false, L"Other"},
        {"read, no section at all", existing, L"", Op::Read, L"", L"", false, L""},
        {"write, no file name", L"", L"Quillbay", Op::Write, L"Other", L"", false, L"Quillbay"},
        {"write, no section at all", missing, L"", Op::Write, L"", L"", false, L""},
        {"write, failing write", unwritable, L"Quillbay", Op::Write, L"Other", L"", false, L"Other"},
        {"write, succeeding", missing, L"Quillbay", Op::Write, L"Other", L"", true, L"Other"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::DeleteFileW(missing.c_str());
        const std::string existingBefore = FileBytes(existing);
        INIAccess ini;
        ini.FileName = c.fileName;
        ini.Section = c.sectionBefore;
        if (c.op == Op::Read) {
            EXPECT_EQ(ini.GetINIData(L"Mode", c.sectionArgument), c.expectedValue);
            EXPECT_FALSE(Exists(missing)) << "a read created the file";
        } else {
            EXPECT_EQ(ini.SetINIData(L"Mode", L"1", c.sectionArgument), c.expectedResult);
            EXPECT_EQ(Exists(missing), c.expectedResult && c.fileName == missing);
        }
        EXPECT_EQ(ini.Section, c.sectionAfter);
        EXPECT_EQ(ini.FileName, c.fileName);
        EXPECT_EQ(FileBytes(existing), existingBefore);
    }
}

TEST_F(IniFolder, SettingUsesTheRememberedSection)
{
    INIAccess ini;
    ini.FileName = Path(L"Quillbay.ini");
    ini.Section = L"Quillbay";
    ini.Setting(L"Mode", L"1");
    EXPECT_EQ(ini.Setting(L"Mode"), L"1");
    ini.Section = L"Elsewhere";
    EXPECT_EQ(ini.Setting(L"Mode"), L"");
    EXPECT_EQ(ini.GetINIData(L"Mode", L"Quillbay"), L"1");
    EXPECT_EQ(ini.Section, L"Quillbay");
}

TEST_F(IniFolder, ReadingCreatesNoFileAndTheFirstWriteCreatesSectionAndKey)
{
    INIAccess ini;
    ini.FileName = Path(L"Quillbay.ini");
    ini.Section = L"Quillbay";
    EXPECT_EQ(ini.Setting(L"PasteAndEnd"), L"");
    EXPECT_FALSE(Exists(ini.FileName));
    ini.Setting(L"PasteAndEnd", L"1");
    ini.Setting(L"chkTopmost", L"0");
    ini.Setting(L"Mode", L"1");
    EXPECT_EQ(FileBytes(ini.FileName), "[Quillbay]\r\nPasteAndEnd=1\r\nchkTopmost=0\r\nMode=1\r\n");
    ini.Setting(L"PasteAndEnd", L"0");
    EXPECT_EQ(FileBytes(ini.FileName), "[Quillbay]\r\nPasteAndEnd=0\r\nchkTopmost=0\r\nMode=1\r\n");
}

TEST_F(IniFolder, StoredValuesReadBackAsTheProfileFunctionsKeepThem)
{
    const std::string longValue(300, 'x');
    const std::wstring japanese = L"末尾に挿入";
    WriteBytes(Path(L"values.ini"), "[Quillbay]\r\nEmpty=\r\nLong=" + longValue + "\r\nJapanese=" +
                                        platform::ToAnsi(japanese) + "\r\n");
    struct Case {
        const wchar_t* key;
        std::wstring expected;
    } cases[] = {
        {L"Empty", L""},
        {L"Missing", L""},
        {L"Long", std::wstring(255, L'x')},
        {L"Japanese", japanese},
    };
    INIAccess ini;
    ini.FileName = Path(L"values.ini");
    ini.Section = L"Quillbay";
    for (const Case& c : cases) EXPECT_EQ(ini.Setting(c.key), c.expected) << "key " << platform::ToAnsi(c.key);
}

TEST_F(IniFolder, AFolderAsFileNameReadsEmptyAndRefusesWrites)
{
    // What SetAppPathFilename makes of an empty name: the folder and a "\".
    INIAccess ini;
    ini.FileName = m_folder + L"\\";
    ini.Section = L"Quillbay";
    EXPECT_EQ(ini.Setting(L"Mode"), L"");
    EXPECT_FALSE(ini.SetINIData(L"Mode", L"1"));
}

} // namespace

// Code page conversions against the system's, whole-file reading, this program's path, telling Wine.
#include "platform/code_page.h"
#include "platform/file_access.h"
#include "platform/handles.h"
#include "platform/programs.h"
#include "platform/system_version.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

TEST(CodePage, ConvertsBothWaysCutsBetweenCharactersAndFindsANulAnywhere)
{
    ASSERT_EQ(::GetACP(), 932u);
    const std::string ansi = "a\x83\x41" "b"; // a, katakana A, b
    EXPECT_EQ(platform::ToAnsi(L"a\x30A2" L"b"), ansi);
    EXPECT_EQ(platform::FromAnsi(ansi), L"a\x30A2" L"b");
    EXPECT_EQ(platform::FromAnsi(std::string("x\0y", 3)), std::wstring(L"x\0y", 3));
    const std::size_t prefixes[][2] = {{0, 0}, {1, 1}, {2, 1}, {3, 3}, {99, 4}};
    for (const auto& [most, length] : prefixes) EXPECT_EQ(platform::CompleteCharsPrefix(ansi, most), length) << most;
    // 0x80 and 0x01 bytes around: the word test must not take them for zeros.
    const std::string filler = "\x80\x01\xff\x81\x7f\x01\x80\x02\x01\x80\xfe\x01\x81\x80\x7f\x01\x80";
    EXPECT_FALSE(platform::ContainsNul(filler) || platform::ContainsNul(""));
    for (std::size_t at = 0; at < filler.size(); ++at)
        EXPECT_TRUE(platform::ContainsNul(filler.substr(0, at) + '\0' + filler.substr(at + 1))) << at;
}

// The shortcut must give exactly what the two conversions give, byte for
// byte: every byte alone at the end, and every pair inside a word of eight.
TEST(CodePage, RoundTripAnsiGivesWhatBothConversionsGiveForEveryCharacter)
{
    const auto check = [](const std::string& text) {
        const std::string result = platform::RoundTripAnsi(text);
        EXPECT_EQ(result, platform::ToAnsi(platform::FromAnsi(text))) << ::testing::PrintToString(text);
        return result != text;
    };
    int changed = 0;
    for (unsigned first = 0; first < 256; ++first) {
        check("a" + std::string(1, static_cast<char>(first)));
        for (unsigned second = 0; second < 256; ++second)
            changed += check("a" + std::string{static_cast<char>(first), static_cast<char>(second)} + "bcdefg\x82\xa0");
    }
    EXPECT_GT(changed, 0); // undefined pairs and duplicate codes change
    EXPECT_FALSE(check(""));
}

TEST(ReadWholeFile, ReadsEveryByteInPartsAndStopsWhereTheInspectorThrows)
{
    const std::wstring path = L"qb-read-" + std::to_wstring(::GetCurrentProcessId()) + L".bin";
    const std::size_t part = platform::kReadPart;
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, part - 1, part, part + 1, 3 * part + 5}) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7919 >> 3);
        DWORD written = 0;
        const platform::UniqueFile file(
            ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
        ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(size), &written, nullptr);
        std::string seen;
        std::size_t parts = 0; // none longer than kReadPart
        const auto collect = [&](std::string_view p) { seen += p, parts += p.size() <= part; };
        EXPECT_TRUE(platform::ReadWholeFile(path, collect) == bytes && seen == bytes) << size;
        EXPECT_EQ(parts, (size + part - 1) / part) << size;
        if (size > part) {
            parts = 0;
            const auto stopAtTwo = [&](std::string_view) { if (++parts == 2) throw std::runtime_error("enough"); };
            EXPECT_THROW(platform::ReadWholeFile(path, stopAtTwo), std::runtime_error);
            EXPECT_EQ(parts, 2u) << "read on after a stop: " << size;
        }
    }
    ::DeleteFileW(path.c_str());
}

// Run once more by the build from a folder whose path passes MAX_PATH, told how long at least
// (under Wine the system starts no program from there, its loader does).
TEST(ExecutablePath, NamesThisProgramsOwnFileWhole)
{
    const std::wstring path = platform::ExecutablePath();
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) << path.size();
    EXPECT_EQ(platform::ExecutableFolder() + L"\\" + platform::ExecutableBaseName() + L".exe", path);
    const char* atLeast = std::getenv("QB_PROGRAM_PATH_AT_LEAST");
    EXPECT_GE(path.size(), atLeast ? std::strtoul(atLeast, nullptr, 10) : 0u);
}

TEST(System, TellsWineByItsNtdllNotByTheVersionItReports)
{
    // Wine's own registry branch is an independent sign, the reported version none.
    HKEY key = nullptr;
    EXPECT_EQ(platform::RunsUnderWine(), ::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Wine", 0, KEY_READ, &key) == 0);
    if (key) ::RegCloseKey(key);
}

} // namespace

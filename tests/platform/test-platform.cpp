#include "platform/code_page.h"
#include "platform/file_access.h"
#include "platform/handles.h"
#include "platform/system_version.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

TEST(CodePage, RunsUnderCodePage932)
{
    EXPECT_EQ(::GetACP(), 932u);
}

TEST(CodePage, RoundTripsJapaneseText)
{
    const std::wstring text = L"a\x30A2" L"b"; // a, katakana A, b
    const std::string ansi = platform::ToAnsi(text);
    EXPECT_EQ(ansi, std::string("a\x83\x41" "b"));
    EXPECT_EQ(platform::FromAnsi(ansi), text);
    EXPECT_EQ(platform::FromAnsi(std::string("x\0y", 3)), std::wstring(L"x\0y", 3));
}

TEST(CodePage, CompleteCharsPrefixNeverSplitsADoubleByteCharacter)
{
    const std::string ansi = "a\x83\x41" "b";
    EXPECT_EQ(platform::CompleteCharsPrefix(ansi, 0), 0u);
    EXPECT_EQ(platform::CompleteCharsPrefix(ansi, 1), 1u);
    EXPECT_EQ(platform::CompleteCharsPrefix(ansi, 2), 1u);
    EXPECT_EQ(platform::CompleteCharsPrefix(ansi, 3), 3u);
    EXPECT_EQ(platform::CompleteCharsPrefix(ansi, 99), 4u);
}

// The shortcut must give exactly what the two conversions give, byte for
// byte, whatever the bytes: the system's conversion is the reference.
std::string ThroughWideText(const std::string& ansi)
{
    return platform::ToAnsi(platform::FromAnsi(ansi));
}

TEST(CodePage, RoundTripAnsiGivesWhatBothConversionsGiveForEveryCharacter)
{
    int changed = 0;
    for (unsigned first = 0; first < 256; ++first) {
        // Alone, at the end (a lone lead byte), and before every possible byte.
        const std::string lone = "a" + std::string(1, static_cast<char>(first));
        ASSERT_EQ(platform::RoundTripAnsi(lone), ThroughWideText(lone)) << first;
        for (unsigned second = 0; second < 256; ++second) {
            const std::string text =
                "a" + std::string{static_cast<char>(first), static_cast<char>(second)} + "b\x82\xa0";
            const std::string result = platform::RoundTripAnsi(text);
            ASSERT_EQ(result, ThroughWideText(text)) << first << " " << second;
            changed += result != text;
        }
    }
    // Code page 932 has undefined pairs and duplicate codes: some texts change.
    EXPECT_GT(changed, 0);
}

TEST(CodePage, RoundTripAnsiKeepsTextAndMendsBytesTheCodePageCannotHold)
{
    const std::string japanese = platform::ToAnsi(L"あいう、ｱｲｳ。abc\\~\r\n");
    EXPECT_EQ(platform::RoundTripAnsi(japanese), japanese);
    EXPECT_EQ(platform::RoundTripAnsi(""), "");
    // Row 0x85 is undefined, and a lead byte at the end has no trail: both
    // become what the system writes for what it read.
    for (const std::string& bad : {std::string("x\x85\x40y"), std::string("x\x82")}) {
        const std::string result = platform::RoundTripAnsi(bad);
        EXPECT_NE(result, bad);
        EXPECT_EQ(result, ThroughWideText(bad));
    }
}

TEST(CodePage, RoundTripAnsiAgreesWithBothConversionsOnRandomBytes)
{
    // Leads, trails, undefined and single bytes mixed, so that pairs form
    // and break at random.
    const unsigned char pool[] = {0x00, 0x20, 0x41, 0x5c, 0x7f, 0x80, 0x81, 0x82, 0x85, 0x87, 0x9f, 0xa0,
                                  0xa1, 0xdf, 0xe0, 0xea, 0xed, 0xee, 0xef, 0xf0, 0xfa, 0xfc, 0xfd, 0xff};
    std::mt19937 random(932);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof pool - 1), length(1, 12);
    for (int i = 0; i < 20000; ++i) {
        std::string text(length(random), '\0');
        for (char& c : text) c = static_cast<char>(pool[pick(random)]);
        ASSERT_EQ(platform::RoundTripAnsi(text), ThroughWideText(text)) << ::testing::PrintToString(text);
    }
}

TEST(CodePage, ContainsNulFindsANulAtEveryPositionOfAWord)
{
    // 0x80 and 0x01 bytes around: the word test must not take them for zeros.
    const std::string filler = "\x80\x01\xff\x81\x7f\x01\x80\x02\x01\x80\xfe\x01\x81\x80\x7f\x01\x80";
    EXPECT_FALSE(platform::ContainsNul(filler));
    EXPECT_FALSE(platform::ContainsNul(""));
    for (std::size_t at = 0; at < filler.size(); ++at) {
        std::string text = filler;
        text[at] = '\0';
        EXPECT_TRUE(platform::ContainsNul(text)) << at;
    }
}

} // namespace

namespace {

TEST(System, TellsWineByItsNtdllNotByTheVersionItReports)
{
    // Wine's own registry branch is an independent sign; the reported version
    // (any, through the prefix's AppDefaults) is none.
    HKEY key = nullptr;
    const bool wineKey = ::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Wine", 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (key) ::RegCloseKey(key);
    EXPECT_EQ(platform::RunsUnderWine(), wineKey);
}

} // namespace

namespace {

// A file of its own in the temporary folder, removed at the end.
struct ScratchFile {
    explicit ScratchFile(const std::string& bytes)
    {
        wchar_t folder[MAX_PATH + 1] = {};
        ::GetTempPathW(MAX_PATH + 1, folder);
        path = std::wstring(folder) + L"qb-read-" + std::to_wstring(::GetCurrentProcessId()) + L".bin";
        platform::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    ~ScratchFile() { ::DeleteFileW(path.c_str()); }
    std::wstring path;
};

TEST(ReadWholeFile, ReadsEveryByteInPartsAndStopsWhereTheInspectorThrows)
{
    const std::size_t part = platform::kReadPart;
    std::mt19937 random(15);
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, part - 1, part, part + 1, 3 * part + 5}) {
        SCOPED_TRACE(size);
        std::string bytes(size, '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        const ScratchFile file(bytes);
        std::vector<std::size_t> parts;
        std::string seen;
        const std::string read = platform::ReadWholeFile(file.path, [&](std::string_view p) {
            parts.push_back(p.size());
            seen += p;
        });
        EXPECT_TRUE(read == bytes);
        EXPECT_TRUE(seen == bytes);
        for (std::size_t p : parts) EXPECT_LE(p, part);

        if (size <= part) continue;
        int calls = 0;
        EXPECT_THROW(platform::ReadWholeFile(file.path, [&](std::string_view) {
                         if (++calls == 2) throw std::runtime_error("enough");
                     }),
                     std::runtime_error);
        EXPECT_EQ(calls, 2) << "the read went on after the inspector stopped it";
    }
}

} // namespace

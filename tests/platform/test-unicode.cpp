// UTF-8 and UTF-16 to the ANSI code page, against the system's own
// conversions as the reference: every 16-bit character, the characters
// beyond, and the ill-formed bytes that must never vanish unseen.
#include "platform/code_page.h"

#include <windows.h>
#include "platform/unicode.h"


#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using platform::UnicodeForm;

// The system's answer for 16-bit text: its bytes, and whether it had to use
// its default character.
struct SystemAnswer {
    std::string ansi;
    bool usedDefault = false;
};

SystemAnswer SystemAnsi(const std::wstring& text)
{
    SystemAnswer answer;
    if (text.empty()) return answer;
    answer.ansi.resize(text.size() * 4 + 4);
    BOOL used = FALSE;
    const int length = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), answer.ansi.data(),
                                             static_cast<int>(answer.ansi.size()), nullptr, &used);
    answer.ansi.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    answer.usedDefault = used != FALSE;
    return answer;
}

std::string Utf8Of(const std::wstring& text)
{
    if (text.empty()) return {};
    std::string utf8(text.size() * 4, '\0');
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(),
                                             static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(length));
    return utf8;
}

std::string Utf16Of(const std::wstring& text, bool bigEndian)
{
    std::string bytes;
    for (wchar_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

bool IsSurrogate(unsigned unit)
{
    return unit >= 0xD800 && unit <= 0xDFFF;
}

TEST(UnicodeToAnsi, EveryCharacterIsWrittenAsTheSystemWritesItInEachForm)
{
    // Each character between two plain letters, so that its bytes, its
    // count and its offset all show.
    int unrepresentable = 0;
    for (unsigned unit = 0; unit < 0x10000; ++unit) {
        if (IsSurrogate(unit)) continue;
        const std::wstring text = std::wstring(L"a") + static_cast<wchar_t>(unit) + L"b";
        const SystemAnswer expected = SystemAnsi(text);
        for (const auto& [form, bytes] : {std::pair{UnicodeForm::Utf8, Utf8Of(text)},
                                          std::pair{UnicodeForm::Utf16LittleEndian, Utf16Of(text, false)},
                                          std::pair{UnicodeForm::Utf16BigEndian, Utf16Of(text, true)}}) {
            const platform::AnsiConversion got = platform::UnicodeToAnsi(bytes, form);
            ASSERT_EQ(got.ansi, expected.ansi) << std::hex << unit << " form " << static_cast<int>(form);
            ASSERT_EQ(got.unrepresentable, expected.usedDefault ? 1u : 0u) << std::hex << unit;
            ASSERT_EQ(got.firstUnrepresentable, expected.usedDefault ? 1u : 0u) << std::hex << unit;
        }
        unrepresentable += expected.usedDefault;
    }
    // Code page 932 holds some 7000 characters of the 63488 tried.
    EXPECT_GT(unrepresentable, 50000);
}

TEST(UnicodeToAnsi, ANearEquivalentCountsAsRepresentedAndTheWaveDashAsTheSystemSays)
{
    struct Row {
        const wchar_t* text;
        const char* ansi;
        std::size_t unrepresentable;
    };
    // Measured under Wine 8 with code page 932: the cent and not signs and
    // an accented e have near equivalents (best fit); the wave dash U+301C
    // has none there (Windows writes 0x8160 for it), the full-width tilde
    // U+FF5E is 0x8160 itself; Hangul, an emoji and U+FFFD have none.
    const Row rows[] = {
        {L"\x00A2\x00AC\x00E9", "\x81\x91\x81\xCA" "e", 0},
        {L"\xFF5E", "\x81\x60", 0},
        {L"\x301C", nullptr, 0},
        {L"\xD55C\xAE00", "??", 2},
        {L"\xD83D\xDE00", nullptr, 1},
        {L"\xFFFD", "?", 1},
    };
    for (const Row& row : rows) {
        const SystemAnswer system = SystemAnsi(row.text);
        for (UnicodeForm form : {UnicodeForm::Utf8, UnicodeForm::Utf16LittleEndian}) {
            const std::string bytes = form == UnicodeForm::Utf8 ? Utf8Of(row.text) : Utf16Of(row.text, false);
            const platform::AnsiConversion got = platform::UnicodeToAnsi(bytes, form);
            EXPECT_EQ(got.ansi, row.ansi ? std::string(row.ansi) : system.ansi) << platform::ToAnsi(row.text);
            if (row.ansi) {
                EXPECT_EQ(got.unrepresentable, row.unrepresentable);
            } else {
                // Whatever this system does, it is counted as it reports it.
                EXPECT_EQ(got.unrepresentable, system.usedDefault ? 1u : 0u);
            }
        }
    }
    // What this system does with the wave dash, for the record.
    const SystemAnswer waveDash = SystemAnsi(L"\x301C");
    std::printf("wave dash U+301C:");
    for (char byte : waveDash.ansi) std::printf(" %02X", static_cast<unsigned char>(byte));
    std::printf(", default character %s\n", waveDash.usedDefault ? "used" : "not used");
}

TEST(UnicodeToAnsi, IllFormedBytesBecomeOneDefaultCharacterEachAndAreCounted)
{
    struct Row {
        const char* what;
        std::string bytes;
        UnicodeForm form;
        std::string ansi;
        std::size_t unrepresentable;
        std::size_t first;
    };
    const UnicodeForm u8 = UnicodeForm::Utf8, le = UnicodeForm::Utf16LittleEndian, be = UnicodeForm::Utf16BigEndian;
    const Row rows[] = {
        {"a continuation byte alone", "a\x80z", u8, "a?z", 1, 1},
        {"a lead no text has, and its continuation", "\xC0\xAF", u8, "??", 2, 0},
        {"an encoded surrogate: three maximal subparts", "\xED\xA0\x80" "x", u8, "???x", 3, 0},
        {"an overlong three-byte form", "\xE0\x80\xAF", u8, "???", 3, 0},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", u8, "????", 4, 0},
        {"a cut sequence before a letter", "\xE3\x81" "a", u8, "?a", 1, 0},
        {"a cut sequence at the end", "\xE3\x81\x82\xE3\x81", u8, "\x82\xA0?", 1, 2},
        {"a cut four-byte sequence", "ok\xF0\x9F\x98", u8, "ok?", 1, 2},
        {"FF and FE", "\xFF\xFE", u8, "??", 2, 0},
        {"after eight ASCII bytes", "12345678\x80", u8, "12345678?", 1, 8},
        {"UTF-16 with an odd last byte", std::string("a\0\x42\x30" "z", 5), le, "a\x82\xA0?", 1, 3},
        {"UTF-16BE with an odd last byte", std::string("\0a\x30\x42" "z", 5), be, "a\x82\xA0?", 1, 3},
        {"one byte of UTF-16", "z", le, "?", 1, 0},
        {"a lone low surrogate", std::string("\x00\xDC" "b\0", 4), le, "?b", 1, 0},
        {"a high surrogate before a letter", std::string("\x3D\xD8" "b\0", 4), le, "?b", 1, 0},
        {"a high surrogate at the end", std::string("b\0\x3D\xD8", 4), le, "b?", 1, 1},
        {"a high surrogate, then half a character", "\xD8\x3D\xDC", be, "??", 2, 0},
        {"a high surrogate before a Korean letter", "\x3D\xD8\x5C\xD5", le, "??", 2, 0},
        {"empty", "", u8, "", 0, 0},
        {"empty UTF-16", "", be, "", 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const platform::AnsiConversion got = platform::UnicodeToAnsi(row.bytes, row.form);
        EXPECT_EQ(got.ansi, row.ansi);
        EXPECT_EQ(got.unrepresentable, row.unrepresentable);
        EXPECT_EQ(got.firstUnrepresentable, row.first);
    }
}

TEST(UnicodeToAnsi, RandomTextAgreesWithTheSystemAndCountsEachCharacterOnce)
{
    // Japanese, ASCII runs long enough for the eight-byte steps, Hangul and
    // characters beyond 16 bits, mixed; the first unrepresentable offset is
    // where the system's conversion of the text before it ends.
    const std::vector<std::wstring> pool = {L"abcdefghij", L"x",     L"\r\n",        L"\x3042\x3044", L"\xFF5E",
                                            L"\xD55C",     L"\x00A2", L"\xD83D\xDE00", L"\xD840\xDC0B", L"\x4E9C"};
    std::mt19937 random(65001);
    std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1), length(0, 40);
    for (int i = 0; i < 3000; ++i) {
        std::wstring text;
        std::size_t unrepresentable = 0;
        std::size_t first = 0;
        const std::size_t pieces = length(random);
        for (std::size_t p = 0; p < pieces; ++p) {
            const std::wstring& piece = pool[pick(random)];
            if (SystemAnsi(piece).usedDefault) {
                if (unrepresentable++ == 0) first = SystemAnsi(text).ansi.size();
            }
            text += piece;
        }
        const SystemAnswer expected = SystemAnsi(text);
        for (const auto& [form, bytes] : {std::pair{UnicodeForm::Utf8, Utf8Of(text)},
                                          std::pair{UnicodeForm::Utf16BigEndian, Utf16Of(text, true)}}) {
            const platform::AnsiConversion got = platform::UnicodeToAnsi(bytes, form);
            ASSERT_EQ(got.ansi, expected.ansi) << i;
            ASSERT_EQ(got.unrepresentable, unrepresentable) << i;
            ASSERT_EQ(got.firstUnrepresentable, first) << i;
        }
    }
}

TEST(ScanUtf8, TellsWellFormedTextAndWhetherItGoesBeyondAscii)
{
    struct Row {
        const char* what;
        std::string bytes;
        bool wellFormed, multiByte;
    };
    const Row rows[] = {
        {"empty", "", true, false},
        {"ASCII", "plain text\r\n", true, false},
        {"ASCII past eight bytes", "0123456789abcdefg", true, false},
        {"Japanese", "\xE3\x81\x82\xE3\x81\x84", true, true},
        {"after eight ASCII bytes", "12345678\xC3\xA9", true, true},
        {"four bytes", "\xF0\x9F\x98\x80", true, true},
        {"U+10FFFF", "\xF4\x8F\xBF\xBF", true, true},
        {"Shift-JIS", "\x82\xA0\x82\xA2", false, false},
        {"Shift-JIS after UTF-8", "\xC3\xA9\x82\xA0", false, true},
        {"a cut sequence at the end", "abc\xE3\x81", false, false},
        {"overlong slash", "\xC0\xAF", false, false},
        {"overlong three bytes", "\xE0\x9F\xBF", false, false},
        {"an encoded surrogate", "\xED\xA0\x80", false, false},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", false, false},
        {"F5", "\xF5\x80\x80\x80", false, false},
        {"a NUL is a character", std::string("a\0\xC3\xA9", 4), true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const platform::Utf8Shape shape = platform::ScanUtf8(row.bytes);
        EXPECT_EQ(shape.wellFormed, row.wellFormed);
        if (row.wellFormed) {
            EXPECT_EQ(shape.multiByte, row.multiByte);
        }
    }
}

} // namespace

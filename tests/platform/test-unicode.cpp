// UTF-8 and UTF-16 to the ANSI code page against the system: ill-formed bytes never vanish unseen.
#include "platform/unicode.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <tuple>
#include <utility>

namespace {

using Form = platform::UnicodeForm;
constexpr Form u8 = Form::Utf8, le = Form::Utf16LittleEndian, be = Form::Utf16BigEndian;

// The system's bytes for text in a code page, and whether it used its default character.
std::string SystemBytes(UINT codePage, const std::wstring& text, bool* usedDefault = nullptr)
{
    std::string bytes(text.size() * 4, '\0');
    BOOL used = FALSE;
    const int length = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                                             static_cast<int>(bytes.size()), nullptr, usedDefault ? &used : nullptr);
    if (usedDefault) *usedDefault = used != FALSE;
    bytes.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return bytes;
}

std::string Encoded(const std::wstring& text, Form form)
{
    if (form == u8) return SystemBytes(CP_UTF8, text);
    std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    for (std::size_t i = 0; form == be && i < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
    return bytes;
}

TEST(UnicodeToAnsi, EveryCharacterIsWrittenAsTheSystemWritesItInEachForm)
{
    // Between two plain letters, so that its bytes, its count and its offset all show.
    for (unsigned unit = 0; unit < 0x10000; ++unit) {
        if (unit >= 0xD800 && unit <= 0xDFFF) continue;
        const std::wstring text = std::wstring(L"a") + static_cast<wchar_t>(unit) + L"b";
        bool usedDefault = false;
        const std::string expected = SystemBytes(CP_ACP, text, &usedDefault);
        for (Form form : {u8, le, be}) {
            const platform::AnsiConversion got = platform::UnicodeToAnsi(Encoded(text, form), form);
            ASSERT_EQ(std::tie(got.ansi, got.unrepresentable, got.firstUnrepresentable),
                      std::make_tuple(expected, std::size_t{usedDefault}, std::size_t{usedDefault}))
                << std::hex << unit << " form " << static_cast<int>(form);
        }
    }
}

// shape: of UTF-8 as ScanUtf8 tells it: 0 ill-formed, 1 ASCII only, 2 beyond; -1 not asked.
TEST(UnicodeToAnsi, TablesOfWellAndIllFormedBytesAsConvertedAndScanned)
{
    struct Row {
        const char* what; std::string bytes; Form form;
        std::string ansi; std::size_t unrepresentable, first; int shape;
    };
    const Row rows[] = {
        {"empty", "", u8, "", 0, 0, 1},
        {"ASCII past eight bytes", "0123456789abcdefg\r\n", u8, "0123456789abcdefg\r\n", 0, 0, 1},
        {"a near equivalent after eight ASCII bytes", "12345678\xC3\xA9", u8, "12345678e", 0, 0, 2},
        {"four bytes: two characters to the system", "x\xF0\x9F\x98\x80", u8, "x??", 1, 1, 2},
        {"U+10FFFF", "\xF4\x8F\xBF\xBF", u8, "??", 1, 0, 2},
        {"a NUL is a character", std::string("a\0\xC3\xA9", 4), u8, std::string("a\0e", 3), 0, 0, 2},
        {"Shift-JIS after UTF-8", "\xC3\xA9\x82\xA0", u8, "e??", 2, 1, 0},
        {"a continuation byte alone", "a\x80z", u8, "a?z", 1, 1, 0},
        {"a lead no text has, and its continuation", "\xC0\xAF", u8, "??", 2, 0, 0},
        {"an encoded surrogate: three maximal subparts", "\xED\xA0\x80" "x", u8, "???x", 3, 0, 0},
        {"an overlong three-byte form", "\xE0\x9F\xBF", u8, "???", 3, 0, 0},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", u8, "????", 4, 0, 0},
        {"F5", "\xF5\x80\x80\x80", u8, "????", 4, 0, 0},
        {"a cut sequence before a letter", "\xE3\x81" "a", u8, "?a", 1, 0, 0},
        {"a cut sequence at the end", "\xE3\x81\x82\xE3\x81", u8, "\x82\xA0?", 1, 2, 0},
        {"a cut four-byte sequence", "ok\xF0\x9F\x98", u8, "ok?", 1, 2, 0},
        {"FF and FE", "\xFF\xFE", u8, "??", 2, 0, 0},
        {"after eight ASCII bytes", "12345678\x80", u8, "12345678?", 1, 8, 0},
        {"UTF-16 beyond 16 bits", std::string("\x3D\xD8\x00\xDE" "b\0", 6), le, "??b", 1, 0, -1},
        {"UTF-16BE beyond 16 bits", std::string("\0a\xD8\x40\xDC\x0B", 6), be, "a??", 1, 1, -1},
        {"UTF-16 with an odd last byte", std::string("a\0\x42\x30" "z", 5), le, "a\x82\xA0?", 1, 3, -1},
        {"UTF-16BE with an odd last byte", std::string("\0a\x30\x42" "z", 5), be, "a\x82\xA0?", 1, 3, -1},
        {"one byte of UTF-16", "z", le, "?", 1, 0, -1},
        {"a lone low surrogate", std::string("\x00\xDC" "b\0", 4), le, "?b", 1, 0, -1},
        {"a high surrogate before a letter", std::string("\x3D\xD8" "b\0", 4), le, "?b", 1, 0, -1},
        {"a high surrogate at the end", std::string("b\0\x3D\xD8", 4), le, "b?", 1, 1, -1},
        {"a high surrogate, then half a character", "\xD8\x3D\xDC", be, "??", 2, 0, -1},
        {"a high surrogate before a Korean letter", "\x3D\xD8\x5C\xD5", le, "??", 2, 0, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const platform::AnsiConversion got = platform::UnicodeToAnsi(row.bytes, row.form);
        EXPECT_EQ(std::tie(got.ansi, got.unrepresentable, got.firstUnrepresentable),
                  std::tie(row.ansi, row.unrepresentable, row.first));
        const platform::Utf8Shape shape = platform::ScanUtf8(row.bytes);
        if (row.shape >= 0) { EXPECT_EQ(shape.wellFormed ? 1 + shape.multiByte : 0, row.shape); }
    }
}

} // namespace

#include "platform/platform.h"

#include <gtest/gtest.h>

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

} // namespace

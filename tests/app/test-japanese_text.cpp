// ISO-2022-JP and EUC-JP: which files are taken for them, what their text
// becomes in Shift-JIS, and the project's own Japanese texts written in all
// four encodings by Python's codecs (japanese_corpus beside this executable).
// The JIS and EUC-JP bytes come from those codecs, the Shift-JIS ones from
// the system's conversion: neither from the product.
#include "app/file_encoding.h"
#include "app/japanese_text.h"
#include "platform/code_page.h"
#include "support/standin_driver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using fileEncoding::Encoding;

std::string Ansi(const std::wstring& text) { return platform::ToAnsi(text); }

const std::wstring kJapanese = L"日本語のテキスト、ＡＢＣ。\r\n二行目 abc ｶﾅ\r\n";
const std::string kEuc = "\xC6\xFC\xCB\xDC\xB8\xEC\xA4\xCE\xA5\xC6\xA5\xAD\xA5\xB9\xA5\xC8\xA1\xA2\xA3\xC1\xA3\xC2\xA3"
                         "\xC3\xA1\xA3\r\n\xC6\xF3\xB9\xD4\xCC\xDC abc \x8E\xB6\x8E\xC5\r\n";
const std::string kJis = "\x1B$BF|K\\8l$N%F%-%9%H!\"#A#B#C!#\x1B(B\r\n\x1B$BFs9TL\\\x1B(B abc \x1B(I6E\x1B(B\r\n";

TEST(JapaneseText, DecidesIso2022JpThenEucJpOnAShiftJisSystemAndLeavesShiftJisAlone)
{
    using E = Encoding;
    // What: bytes, decision where the code page is 932.
    for (const auto& [what, bytes, encoding] : {
             std::tuple{"ISO-2022-JP", kJis, E::Iso2022Jp},
             {"ISO-2022-JP, half-width katakana only", std::string("\x1B(I6E\x1B(B"), E::Iso2022Jp},
             {"ISO-2022-JP, JIS X 0212 only", std::string("\x1B$(D0!\x1B(B"), E::Iso2022Jp},
             {"ESC ( B and ESC ( J alone, as terminal output has them", std::string("a\x1B(Bb\x1B(Jc\x1B[0m"), E::Ansi},
             {"an escape to JIS X 0208 among 8-bit bytes", "\x1B$B$\"\x1B(B" + Ansi(L"あ"), E::Ansi},
             {"EUC-JP", kEuc, E::EucJp},
             {"EUC-JP kanji, a byte E0-FE where Shift-JIS starts a character", std::string("\xB4\xC1\xBB\xFA"), E::EucJp}, // 漢字
             {"EUC-JP hiragana both readings accept", std::string("\xA4\xA4\xA4\xA4\xA4\xA8"), E::EucJp}, // いいえ
             {"EUC-JP with JIS X 0212", std::string("\xC6\xFC\xCB\xDC\x8F\xB0\xA1"), E::EucJp},
             // Of bytes A1-DF alone: more than half kana and signs, or not.
             {"EUC-JP 消いい, two kana in three", std::string("\xBE\xC3\xA4\xA4\xA4\xA4"), E::EucJp},
             {"EUC-JP 消い, one kana in two", std::string("\xBE\xC3\xA4\xA4"), E::Ansi},
             // Both readings accept these, and Shift-JIS is what they stay.
             {"EUC-JP kanji of bytes A1-DF alone (消, or ｾﾃ)", std::string("\xBE\xC3"), E::Ansi},
             {"EUC-JP half-width katakana (ｱｲｳ, or three kanji)", std::string("\x8E\xB1\x8E\xB2\x8E\xB3"), E::Ansi},
             {"broken EUC-JP", std::string("\xA4\xA4\xA4"), E::Ansi},
             {"Shift-JIS", Ansi(kJapanese), E::Ansi},
             {"Shift-JIS half-width katakana, well-formed EUC-JP", Ansi(L"ｱｲｳｴ"), E::Ansi},
             {"Shift-JIS kanji of first byte 8E, well-formed EUC-JP", Ansi(L"自社"), E::Ansi},
             // What the rule gets wrong, by construction: half-width punctuation
             // in every second byte, and kanji of first bytes E0-FC among
             // half-width katakana, each aligned as EUC-JP pairs.
             {"Shift-JIS ･ｱ･ｲ read as EUC-JP アイ", Ansi(L"･ｱ･ｲ"), E::EucJp},
             {"Shift-JIS 髙ﾀｶﾊｼ read as EUC-JP", Ansi(L"髙ﾀｶﾊｼ"), E::EucJp},
             {"ASCII", std::string("plain\r\n"), E::Ansi},
             {"nothing", std::string(), E::Ansi}}) {
        SCOPED_TRACE(what);
        EXPECT_EQ(fileEncoding::DecideEncoding(bytes, true).encoding, encoding);
        // Elsewhere the Shift-JIS they would become is no text of the system's.
        EXPECT_EQ(fileEncoding::DecideEncoding(bytes, false).encoding, Encoding::Ansi);
        EXPECT_EQ(fileEncoding::DecideEncoding(bytes, false).markBytes, 0u);
    }
}

enum class From { Jis, Euc };

TEST(JapaneseText, WritesJisX0208InShiftJisAndCountsEachCharacterShiftJisCannotHoldAndEachBrokenSequence)
{
    // What: decoder, bytes, the Shift-JIS text, characters counted, offset of the first in the text.
    for (const auto& [what, from, bytes, text, counted, first] : {
             std::tuple{"EUC-JP", From::Euc, kEuc, Ansi(kJapanese), 0, 0},
             {"ISO-2022-JP", From::Jis, kJis, Ansi(kJapanese), 0, 0},
             // The arithmetic's corners: odd rows split their cells at 63/64
             // (× ÷), the first bytes jump after row 62 (滌 漾).
             {"row 1 cells 1, 63 and 64", From::Euc, std::string("\xA1\xA1\xA1\xDF\xA1\xE0"), Ansi(L"　×÷"), 0, 0},
             {"rows 62 and 63", From::Jis, std::string("\x1B$B^~_!\x1B(B"), Ansi(L"滌漾"), 0, 0},
             {"row 84 cell 6, the last kanji", From::Euc, std::string("\xF4\xA6"), Ansi(L"熙"), 0, 0},
             // Code page 932 has NEC's signs in row 13, which JIS X 0208 leaves empty.
             {"a sign of row 13", From::Euc, std::string("\xAD\xA1"), Ansi(L"①"), 0, 0},
             {"an empty cell of row 2", From::Euc, std::string("a\xA4\xA2\xA2\xAF"), std::string("a").append(Ansi(L"あ")) + "?", 1, 3},
             {"row 94, empty in code page 932", From::Jis, std::string("\x1B$B~~\x1B(B"), std::string("?"), 1, 0},
             {"row 84 cell 7, empty", From::Euc, std::string("\xF4\xA7"), std::string("?"), 1, 0},
             {"JIS X 0212 in EUC-JP", From::Euc, std::string("\xA4\xA2\x8F\xB0\xA1\xA4\xA2"), Ansi(L"あ?あ"), 1, 2},
             {"JIS X 0212 in ISO-2022-JP", From::Jis, std::string("\x1B$(D0!0!\x1B(Ba"), std::string("??a"), 2, 0},
             {"another double-byte set", From::Jis, std::string("\x1B$A0!\x1B(B"), std::string("?"), 1, 0},
             {"another double-byte set, its first character of first byte B", From::Jis, std::string("\x1B$AB!$\""),
              std::string("??"), 2, 0},
             {"another single-byte set", From::Jis, std::string("\x1B(I89\x1B(0ab\x1B(Bc"), Ansi(L"ｸｹ") + "??c", 2, 2},
             {"EUC-JP half-width katakana", From::Euc, std::string("\x8E\xB6\x8E\xC5"), Ansi(L"ｶﾅ"), 0, 0},
             {"half-width katakana beyond 5F", From::Jis, std::string("\x1B(I6`E"), Ansi(L"ｶ") + "?" + Ansi(L"ﾅ"), 1, 1},
             {"JIS X 0201 Roman", From::Jis, std::string("\x1B(J\\~\x1B(B\\"), std::string("\\~\\"), 0, 0},
             {"a line end does not switch back", From::Jis, std::string("\x1B$B$\"\r\n$\"\x1B(B"), Ansi(L"あ\r\nあ"), 0, 0},
             {"half a character before the line end", From::Jis, std::string("\x1B$B$\r\n"), std::string("?\r\n"), 1, 0},
             {"half a character at the end", From::Jis, std::string("\x1B$B$\"$"), Ansi(L"あ") + "?", 1, 2},
             {"an escape that switches nothing", From::Jis, std::string("a\x1BNb\x1B$B$\"\x1B""B"), "a?b" + Ansi(L"あ") + "?", 2, 1},
             {"an escape at the end", From::Jis, std::string("a\x1B"), std::string("a?"), 1, 1},
             {"an 8-bit byte in ISO-2022-JP", From::Jis, std::string("a\xA4"), std::string("a?"), 1, 1},
             {"half an EUC-JP character at the end", From::Euc, std::string("abcdefghij\xA4"), std::string("abcdefghij?"), 1, 10},
             {"EUC-JP bytes no sequence has", From::Euc, std::string("\x8E\xE0\x80"), std::string("???"), 3, 0},
             {"ASCII runs and controls as they are", From::Euc, std::string("0123456789abcdef\t\x01\x7F"),
              std::string("0123456789abcdef\t\x01\x7F"), 0, 0}}) {
        SCOPED_TRACE(what);
        const auto convert = from == From::Euc ? japaneseText::EucJpToShiftJis : japaneseText::Iso2022JpToShiftJis;
        const japaneseText::ShiftJisText got = convert(bytes, platform::IsDoubleByteCharacter, "?");
        EXPECT_EQ(got.bytes, text);
        EXPECT_EQ(got.unrepresentable, static_cast<std::size_t>(counted));
        EXPECT_EQ(got.firstUnrepresentable, static_cast<std::size_t>(first));
    }
}

TEST(JapaneseText, ReadsNoByteBeyondTheBytesItIsGiven)
{
    // The byte after each view would complete its last character.
    const std::string euc = "\xA4\xA2\xA4\xA2", jis = "\x1B$B$\"$\"";
    EXPECT_EQ(fileEncoding::DecideEncoding(std::string_view(euc).substr(0, 3), true).encoding, Encoding::Ansi);
    const auto eucText = japaneseText::EucJpToShiftJis(std::string_view(euc).substr(0, 3), platform::IsDoubleByteCharacter, "?");
    EXPECT_EQ(eucText.bytes, Ansi(L"あ") + "?");
    const auto jisText = japaneseText::Iso2022JpToShiftJis(std::string_view(jis).substr(0, 6), platform::IsDoubleByteCharacter, "?");
    EXPECT_EQ(jisText.bytes, Ansi(L"あ") + "?");
}

// The corpus: group, file, encoding, the Shift-JIS file of the same text
// and whether Shift-JIS reads the text's EUC-JP bytes too, a line each.
struct CorpusFile {
    std::string group, name, encoding, reference, readings;
};

std::vector<CorpusFile> Corpus(const std::wstring& folder)
{
    std::ifstream manifest(platform::ToAnsi(folder + L"\\manifest.tsv"));
    std::vector<CorpusFile> files;
    std::string line;
    while (std::getline(manifest, line)) {
        std::istringstream fields(line);
        CorpusFile file;
        std::getline(fields, file.group, '\t');
        std::getline(fields, file.name, '\t');
        std::getline(fields, file.encoding, '\t');
        std::getline(fields, file.reference, '\t');
        std::getline(fields, file.readings, '\t');
        files.push_back(file);
    }
    return files;
}

TEST(JapaneseCorpus, TheProjectsTextsInEachEncodingAreDecidedAsWrittenAndPasteAsTheirShiftJis)
{
    const std::wstring folder = testsupport::TestBinDir() + L"\\japanese_corpus";
    const std::vector<CorpusFile> files = Corpus(folder);
    if (files.empty()) GTEST_SKIP() << "no japanese_corpus beside the test: the build found no Python";
    const std::map<std::string, Encoding> written = {
        {"sjis", Encoding::Ansi}, {"euc", Encoding::EucJp}, {"jis", Encoding::Iso2022Jp}, {"utf8", Encoding::Utf8}};
    std::map<std::pair<std::string, std::string>, int> tried, misdecided, alike;
    for (const CorpusFile& file : files) {
        SCOPED_TRACE(file.name);
        if (file.readings == "both") ++alike[std::pair{file.group, file.encoding}];
        const std::string bytes = testsupport::ReadFileBytes(folder + L"\\" + platform::FromAnsi(file.name));
        const Encoding decided = fileEncoding::DecideEncoding(bytes).encoding;
        const auto key = std::pair{file.group, file.encoding};
        ++tried[key];
        if (decided != written.at(file.encoding)) {
            ++misdecided[key];
            std::printf("[ missed   ] %s %s\n", file.group.c_str(), file.name.c_str());
            if (file.encoding == "sjis") {
                // Never JIS or EUC-JP; UTF-8 is that rule's known limit (ﾃｽ is C3 BD).
                EXPECT_EQ(decided, Encoding::Utf8);
            } else {
                // JIS and UTF-8 always; EUC-JP but for what Shift-JIS reads as well.
                EXPECT_EQ(file.encoding, "euc");
                EXPECT_EQ(file.readings, "both");
                EXPECT_EQ(decided, Encoding::Ansi);
            }
            continue;
        }
        if (file.encoding != "euc" && file.encoding != "jis") continue;
        // Taken for what it is, it pastes as the Shift-JIS file does.
        std::vector<fileEncoding::LossyFile> lossy;
        const std::string reference = testsupport::ReadFileBytes(folder + L"\\" + platform::FromAnsi(file.reference));
        EXPECT_EQ(fileEncoding::TextForPaste(L"f.txt", bytes, lossy), reference);
        EXPECT_TRUE(lossy.empty());
    }
    for (const auto& [key, count] : tried)
        std::printf("[ corpus   ] %s %-4s: %3d files (%3d of texts whose EUC-JP reads as Shift-JIS too), %d misdecided\n",
                    key.first.c_str(), key.second.c_str(), count, alike[key], misdecided[key]);
    EXPECT_GT((tried[std::pair<std::string, std::string>("real", "sjis")]), 100);
    EXPECT_GT((tried[std::pair<std::string, std::string>("hard", "sjis")]), 100);
}

} // namespace

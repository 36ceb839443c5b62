// Random mixed single- and double-byte texts through the 9x writers and back
// through the 9x reader: whatever the cut points, the text arrives whole, the
// document equals it byte for byte, and no message carries more than its
// limit. On the NT family the same round trip is one message each way.
#include "tests/bridge/text_session.h"

#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace {

using bridgetext::Session;

// Japanese and ASCII in random runs, so that a piece boundary falls on every
// kind of byte in one run or another.
std::wstring RandomText(std::mt19937& random, std::size_t minBytes)
{
    static const std::wstring kDouble = L"あいうえおアイウエオ漢字表ソ能―＼";
    static const std::wstring kSingle = L"abcXYZ012 \r\nｱｲｳ";
    std::wstring text;
    std::size_t bytes = 0;
    while (bytes < minBytes) {
        const bool dbcs = random() % 2 == 0;
        const std::size_t run = 1 + random() % 40;
        for (std::size_t i = 0; i < run; ++i) {
            const std::wstring& pool = dbcs ? kDouble : kSingle;
            text += pool[random() % pool.size()];
            bytes += dbcs ? 2 : 1;
        }
    }
    return text;
}

long long BytesOf(const std::string& line)
{
    const std::size_t at = line.find("bytes=");
    return at == std::string::npos ? -1 : std::stoll(line.substr(at + 6));
}

TEST(TextProperty, RandomDoubleByteTextsSurviveThePiecesOfEitherFamily)
{
    std::mt19937 random(20261207);
    const std::optional<bridgetext::SelTextPieces> pieces = bridgetext::SelTextPiecesHere();
    Session session;
    for (int round = 0; round < 6; ++round) {
        // Across both limits: 32760 bytes (9x) and 64 KB (Wine).
        const std::wstring text = RandomText(random, 32700 + random() % 70000);
        const std::string ansi = platform::ToAnsi(text);
        SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(ansi.size()) + " bytes");

        session.editor.SetDocument("");
        session.editor.ClearLog();
        session.bridge->SelText(text);
        ASSERT_EQ(session.editor.Document(), ansi);
        long long sent = 0;
        int replacements = 0;
        for (const std::string& line : session.editor.Log()) {
            const long long bytes = BytesOf(line);
            if (bytes < 0) continue;
            ++replacements;
            sent += bytes;
            if (pieces && ansi.size() > pieces->wholeUpTo) EXPECT_LE(bytes, static_cast<long long>(pieces->piece)) << line;
        }
        EXPECT_EQ(sent, static_cast<long long>(ansi.size()));
        if (!pieces || ansi.size() <= pieces->wholeUpTo) EXPECT_EQ(replacements, 1);
        else EXPECT_GE(replacements, 2);

        // The editor snaps ends inside a character; the read must give back
        // whatever selection the editor held.
        session.editor.SetSelection(3, 9);
        const auto before = session.editor.State();
        EXPECT_EQ(session.bridge->Text(), text);
        EXPECT_EQ(session.editor.Document(), ansi) << "the read changed the document";
        const auto after = session.editor.State();
        EXPECT_EQ(after.selStart, before.selStart);
        EXPECT_EQ(after.selEnd, before.selEnd);
    }
}

TEST(TextProperty, ARebuildIntoAnEditorThatKeepsLessIsExactWithSmallPieces)
{
    std::mt19937 random(7);
    testsupport::StandInOptions options;
    options.limit = 997; // odd, so pieces end on both halves of characters
    Session session(options);
    for (int round = 0; round < 4; ++round) {
        const std::wstring text = RandomText(random, 3000 + random() % 3000);
        const std::string ansi = platform::ToAnsi(text);
        SCOPED_TRACE("round " + std::to_string(round));
        session.editor.SetDocument("old text");
        session.editor.ClearLog();
        session.bridge->Text(text);
        EXPECT_EQ(session.editor.Document(), ansi);
        for (const std::string& line : session.editor.Log()) {
            const long long bytes = BytesOf(line);
            // The first attempt sends everything; every piece after the undo fits.
            if (bytes >= 0 && bytes != static_cast<long long>(ansi.size())) EXPECT_LE(bytes, 997) << line;
        }
    }
}

} // namespace

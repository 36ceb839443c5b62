// The editor's positions, lengths, line and edit mode against the stand-in,
// and the byte-counted string functions, with code page 932 text.
#include "bridge/kest_terapad.h"
#include "tests/bridge/probe.h"
#include "tests/bridge/text_session.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace {

using namespace bridgetext;
using testsupport::SameMessages;
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(Positions, AreBytesOfTheAnsiText)
{
    // アイxyz CR LF アb: 12 bytes, the second line from byte 9.
    Session session({}, "\x83\x41\x83\x43xyz\r\n\x83\x41" "b");
    const Messages queries = Join({SelStartStep(), SelLengthStep(), Step("EM_LINEFROMCHAR -1 0"), LengthStep(),
                                   SelLengthStep()});
    for (const auto [start, end, line] : {std::array{0, 0, 0}, {2, 7, 0}, {0, 12, 0}, {9, 12, 1}, {12, 12, 1}, {4, 11, 0}}) {
        SCOPED_TRACE(testing::Message() << "selection " << start << ".." << end);
        session.editor.SetSelection(start, end);
        session.editor.ClearLog();
        EXPECT_EQ(session.bridge->SelStart(), start);
        EXPECT_EQ(session.bridge->SelLength(), end - start);
        EXPECT_EQ(session.bridge->Line(), line);
        EXPECT_EQ(session.bridge->Length(), 12);
        EXPECT_EQ(session.bridge->Selection(), std::make_pair(start, end));
        EXPECT_TRUE(SameMessages(queries, session.editor.Log()));
    }
}

TEST(Positions, SettersMoveTheCaretAndSelectionByBytes)
{
    // Three lines, from bytes 0, 29 and 36; double-byte characters at bytes
    // 10 and 25, so a count in characters would miss every position.
    using B = clsKestTeraPad;
    struct Row {
        const char* what;
        int selStart, selEnd;
        std::function<void(B&)> set;
        Messages sent;
        int newStart, newEnd; // -1: not checked
    };
    const Row rows[] = {
        {"SelStart 7", 2, 5, [](B& b) { b.SelStart(7); }, SelSetStep(7, 7), 7, 7},
        {"SelLength 5 keeps the start", 10, 25, [](B& b) { b.SelLength(5); }, Join({SelStartStep(), SelSetStep(10, 15)}), 10, 15},
        {"SelLength 0 collapses", 10, 25, [](B& b) { b.SelLength(0); }, Join({SelStartStep(), SelSetStep(10, 10)}), 10, 10},
        {"SelLength past 32 bits fails after reading the start", 10, 10,
         [](B& b) { EXPECT_THROW(b.SelLength(kMax), std::overflow_error); }, SelStartStep(), 10, 10},
        {"Line 1", 0, 0, [](B& b) { b.Line(1); }, Join({Step("EM_LINEINDEX 1 0"), SelSetStep(29, 29)}), 29, 29},
        {"Line 0", 20, 22, [](B& b) { b.Line(0); }, Join({Step("EM_LINEINDEX 0 0"), SelSetStep(0, 0)}), 0, 0},
        {"Line 2", 3, 3, [](B& b) { b.Line(2); }, Join({Step("EM_LINEINDEX 2 0"), SelSetStep(36, 36)}), 36, 36},
        // A line that does not exist gives -1, which goes on as it is.
        {"Line 9", 3, 3, [](B& b) { b.Line(9); }, Join({Step("EM_LINEINDEX 9 0"), SelSetStep(-1, -1)}), -1, -1},
        // SelSet sends the range as given and answers true.
        {"SelSet 2, 5", 0, 0, [](B& b) { EXPECT_EQ(b.SelSet(2, 5), true); }, SelSetStep(2, 5), 2, 5},
        {"SelSet 0, -1", 0, 0, [](B& b) { EXPECT_EQ(b.SelSet(0, -1), true); }, SelSetStep(0, -1), -1, -1},
        {"SelSet -1, -1", 0, 0, [](B& b) { EXPECT_EQ(b.SelSet(-1, -1), true); }, SelSetStep(-1, -1), -1, -1},
        {"SelSet 7, 3", 0, 0, [](B& b) { EXPECT_EQ(b.SelSet(7, 3), true); }, SelSetStep(7, 3), -1, -1},
    };
    Session session({}, "abcdefghij" + kKatakanaA + "klmnopqrstuvw" + kKatakanaA + "\r\nline1\r\nline2");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        session.editor.SetSelection(row.selStart, row.selEnd);
        session.editor.ClearLog();
        row.set(*session.bridge);
        EXPECT_TRUE(SameMessages(row.sent, session.editor.Log()));
        if (row.newStart < 0) continue;
        EXPECT_EQ(session.editor.State().selStart, row.newStart);
        EXPECT_EQ(session.editor.State().selEnd, row.newEnd);
    }
}

TEST(EditMode, PassesTheEditorsAnswerOnUnchanged)
{
    for (const int mode : {3, -5, std::numeric_limits<std::int32_t>::min(), kMax}) {
        SCOPED_TRACE(mode);
        Session session({.editMode = mode});
        EXPECT_EQ(session.bridge->EditMode(), mode);
        // To the main window, and no question for the editing control.
        EXPECT_TRUE(SameMessages({"main MSG_8194 0 0"}, session.editor.Log()));
    }
}

TEST(MbcsFunctions, CountAndCutTheAnsiBytesFromA1BasedStart)
{
    const std::string s = "a\x83\x41" "b"; // a, katakana A, b
    struct Row {
        std::int32_t start, length;
        std::string mid;
    };
    const Row rows[] = {
        {2, 2, "\x83\x41"}, {2, -1, "\x83\x41" "b"}, {1, -1, s}, {1, -100, s}, {5, 1, ""}, {5, -1, ""},
        {1, 0, ""}, {1, 100, s}, {4, 1, "b"}, {kMax, kMax, ""}, {1, kMax, s}, {3, 2, "\x41" "b"}, {1, 2, "a\x83"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(KestTeraPadProbe::MidBytes(s, row.start, row.length), row.mid) << row.start << ", " << row.length;
    for (const std::int32_t start : {0, -1, std::numeric_limits<std::int32_t>::min()}) {
        EXPECT_THROW(KestTeraPadProbe::MidBytes(s, start, 1), std::invalid_argument) << start;
        EXPECT_THROW(clsKestTeraPad::MidMbcs(L"", start), std::invalid_argument) << start;
    }
    // Through the conversions: the stray trail byte is the letter A.
    EXPECT_EQ(clsKestTeraPad::MidMbcs(L"a\x30A2" L"b", 3, 2), L"Ab");
    EXPECT_EQ(clsKestTeraPad::MidMbcs(L"a\x30A2" L"b", 2), L"\x30A2" L"b");
    for (const auto& [text, bytes] : {std::pair<std::wstring, int>{L"", 0}, {L"abc", 3}, {L"a\x30A2" L"b", 4},
                                      {L"\xFF71", 1} /* half-width katakana */, {std::wstring(L"a\0b", 3), 3}})
        EXPECT_EQ(clsKestTeraPad::LenMbcs(text), bytes) << platform::ToAnsi(text);
}

} // namespace

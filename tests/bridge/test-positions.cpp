// The editor's positions, lengths, line and edit mode against the stand-in,
// and the byte-counted string functions, with code page 932 text.
#include "bridge/kest_terapad.h"
#include "tests/bridge/text_session.h"
#include "tests/support/standin_driver.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <stdexcept>

namespace {

using bridgetext::Join;
using bridgetext::kHandle;
using bridgetext::kKatakanaA;
using bridgetext::Messages;
using bridgetext::Session;
using testsupport::SameMessages;

// アイxyz CR LF アb: 12 bytes, the second line from byte 9.
const std::string kJapanese = "\x83\x41\x83\x43xyz\r\n\x83\x41" "b";

TEST(Positions, AreBytesOfTheAnsiText)
{
    struct Row {
        int selStart, selEnd;
        std::int32_t start, length, line;
    };
    const Row rows[] = {
        {0, 0, 0, 0, 0},  {2, 7, 2, 5, 0},    {0, 12, 0, 12, 0},
        {9, 12, 9, 3, 1}, {12, 12, 12, 0, 1}, {4, 11, 4, 7, 0},
    };
    Session session({}, kJapanese);
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "selection " << row.selStart << ".." << row.selEnd);
        session.editor.SetSelection(row.selStart, row.selEnd);
        session.editor.ClearLog();
        EXPECT_EQ(session.bridge->SelStart(), row.start);
        EXPECT_EQ(session.bridge->SelLength(), row.length);
        EXPECT_EQ(session.bridge->Line(), row.line);
        EXPECT_EQ(session.bridge->Length(), 12);
        EXPECT_TRUE(SameMessages(Join({bridgetext::SelStartStep(), bridgetext::SelLengthStep(),
                                       {kHandle, "edit EM_LINEFROMCHAR -1 0"}, bridgetext::LengthStep()}),
                                 session.editor.Log()));
    }
}

TEST(Positions, SettersMoveTheCaretAndSelectionByBytes)
{
    // Three lines, from bytes 0, 29 and 36; double-byte characters at bytes
    // 10 and 25, so a count in characters would miss every position.
    const std::string document = "abcdefghij" + kKatakanaA + "klmnopqrstuvw" + kKatakanaA + "\r\nline1\r\nline2";
    struct Row {
        const char* what;
        int selStart, selEnd;
        std::function<void(clsKestTeraPad&)> set;
        Messages sent;
        int newStart, newEnd;
    };
    const Row rows[] = {
        {"SelStart 7", 2, 5, [](clsKestTeraPad& b) { b.SelStart(7); }, bridgetext::SelSetStep(7, 7), 7, 7},
        {"SelLength 5 keeps the start", 10, 25, [](clsKestTeraPad& b) { b.SelLength(5); },
         Join({bridgetext::SelStartStep(), bridgetext::SelSetStep(10, 15)}), 10, 15},
        {"SelLength 0 collapses", 10, 25, [](clsKestTeraPad& b) { b.SelLength(0); },
         Join({bridgetext::SelStartStep(), bridgetext::SelSetStep(10, 10)}), 10, 10},
        {"Line 1", 0, 0, [](clsKestTeraPad& b) { b.Line(1); },
         Join({{kHandle, "edit EM_LINEINDEX 1 0"}, bridgetext::SelSetStep(29, 29)}), 29, 29},
        {"Line 0", 20, 22, [](clsKestTeraPad& b) { b.Line(0); },
         Join({{kHandle, "edit EM_LINEINDEX 0 0"}, bridgetext::SelSetStep(0, 0)}), 0, 0},
        {"Line 2", 3, 3, [](clsKestTeraPad& b) { b.Line(2); },
         Join({{kHandle, "edit EM_LINEINDEX 2 0"}, bridgetext::SelSetStep(36, 36)}), 36, 36},
        // A line that does not exist gives -1, which goes on as it is.
        {"Line 9", 3, 3, [](clsKestTeraPad& b) { b.Line(9); },
         Join({{kHandle, "edit EM_LINEINDEX 9 0"}, bridgetext::SelSetStep(-1, -1)}), -1, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Session session({}, document);
        session.editor.SetSelection(row.selStart, row.selEnd);
        session.editor.ClearLog();
        row.set(*session.bridge);
        EXPECT_TRUE(SameMessages(row.sent, session.editor.Log()));
        if (row.newStart >= 0) {
            const auto state = session.editor.State();
            EXPECT_EQ(state.selStart, row.newStart);
            EXPECT_EQ(state.selEnd, row.newEnd);
        }
    }
}

TEST(Positions, LineReadsTheLineOfTheCaret)
{
    const std::string document = "one\r\ntwo\r\nthree";
    struct Row {
        int caret;
        std::int32_t line;
    };
    const Row rows[] = {{0, 0}, {4, 0}, {5, 1}, {10, 2}, {15, 2}};
    Session session({}, document);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.caret);
        session.editor.SetSelection(row.caret, row.caret);
        EXPECT_EQ(session.bridge->Line(), row.line);
    }
}

TEST(Positions, SelLengthBeyond32BitsFailsAfterReadingTheStart)
{
    Session session({}, "0123456789");
    session.editor.SetSelection(10, 10);
    session.editor.ClearLog();
    EXPECT_THROW(session.bridge->SelLength(std::numeric_limits<std::int32_t>::max()), std::overflow_error);
    EXPECT_TRUE(SameMessages(bridgetext::SelStartStep(), session.editor.Log()));
    EXPECT_EQ(session.editor.State().selEnd, 10);
}

TEST(EditMode, PassesTheEditorsAnswerOnUnchanged)
{
    for (const int mode : {0, 3, -1, -5, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()}) {
        SCOPED_TRACE(mode);
        testsupport::StandInOptions options;
        options.editMode = mode;
        Session session(options);
        EXPECT_EQ(session.bridge->EditMode(), mode);
        // To the main window, and no question for the editing control.
        EXPECT_TRUE(SameMessages({"main MSG_8194 0 0"}, session.editor.Log()));
    }
}

TEST(MbcsFunctions, CountAndCutTheAnsiBytes)
{
    // a, katakana A (0x83 0x41), b
    const std::wstring s = L"a\x30A2" L"b";
    struct Row {
        std::int32_t start, length;
        std::wstring mid;
    };
    const Row rows[] = {
        {2, 2, L"\x30A2"},
        {2, -1, L"\x30A2" L"b"},
        {1, -1, s},
        {1, -100, s},
        {5, 1, L""},
        {5, -1, L""},
        {1, 0, L""},
        {1, 100, s},
        {4, 1, L"b"},
        {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max(), L""},
        {1, std::numeric_limits<std::int32_t>::max(), s},
        // Starting on the trail byte: the stray 0x41 converts to the letter A.
        {3, 2, L"Ab"},
        // Ending on the lead byte: the stray half converts as the system's
        // conversion sees fit; only its start is certain.
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "MidMbcs(s, " << row.start << ", " << row.length << ")");
        EXPECT_EQ(clsKestTeraPad::MidMbcs(s, row.start, row.length), row.mid);
    }
    EXPECT_EQ(clsKestTeraPad::MidMbcs(s, 2), L"\x30A2" L"b");
    EXPECT_EQ(clsKestTeraPad::MidMbcs(s, 1, 2).substr(0, 1), L"a");

    EXPECT_EQ(clsKestTeraPad::LenMbcs(L""), 0);
    EXPECT_EQ(clsKestTeraPad::LenMbcs(L"abc"), 3);
    EXPECT_EQ(clsKestTeraPad::LenMbcs(s), 4);
    EXPECT_EQ(clsKestTeraPad::LenMbcs(L"\xFF71"), 1); // half-width katakana: one byte
    EXPECT_EQ(clsKestTeraPad::LenMbcs(std::wstring(L"a\0b", 3)), 3);
    // The repair of the text transfer rests on this: the stray trail byte is
    // one character of one byte, so the byte lengths differ.
    EXPECT_EQ(clsKestTeraPad::LenMbcs(clsKestTeraPad::MidMbcs(s, 3, 2)), 2);
    EXPECT_EQ(clsKestTeraPad::LenMbcs(s.substr(s.size() - 2)), 3);
}

TEST(MbcsFunctions, RefuseAStartBeforeTheFirstByte)
{
    for (const std::int32_t start : {0, -1, std::numeric_limits<std::int32_t>::min()}) {
        SCOPED_TRACE(start);
        EXPECT_THROW(clsKestTeraPad::MidMbcs(L"abc", start), std::invalid_argument);
        EXPECT_THROW(clsKestTeraPad::MidMbcs(L"", start, 1), std::invalid_argument);
    }
}

} // namespace

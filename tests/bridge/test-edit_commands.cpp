// Edit, SelSet and the editor's positions, lengths, line and edit mode against
// the stand-in, in bytes of code page 932 text, and the byte-counted string
// functions.
#include "bridge/kest_terapad.h"
#include "tests/bridge/probe.h"
#include "tests/bridge/text_session.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace {

using namespace bridgetext;
using testsupport::SameMessages;
using Arg = clsKestTeraPad::EditArg;
using Call = std::function<void(clsKestTeraPad&)>;
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

// Lines start at bytes 0, 4 and 9; the middle one holds a double-byte
// character, so positions are visibly bytes.
const std::string kDocument = "ab\r\nc" + kKatakanaA + "\r\nf";

TEST(Family, TheAliasRunsAsTheFamilyItsNameSays)
{
    // The 9x rows skip themselves on NT; without this they would all pass
    // unseen if the prefix lost its AppDefaults entry.
    const std::wstring exe = platform::ExecutableBaseName();
    EXPECT_EQ(RunsAs9x(), exe.ends_with(L"_win98")) << "running as " << platform::ToAnsi(exe);
}

Call EditWith(std::int32_t mode, std::optional<Arg> arg = {})
{
    return [=](clsKestTeraPad& b) { arg ? b.Edit(mode, *arg) : b.Edit(mode); };
}

TEST(EditAndSetters, SendExactlyTheirMessagesAndMoveByBytes)
{
    const std::string rest = "\r\nc" + kKatakanaA + "\r\nf"; // after "ab"
    const Messages selectAll = Step("EM_SETSEL 0 -1");
    const Messages line0 = {kHandle, "edit EM_LINEINDEX 0 0", "edit EM_LINEINDEX 1 0", "edit EM_SETSEL 0 3"};
    const Messages line1 = {kHandle, "edit EM_LINEINDEX 1 0", "edit EM_LINEINDEX 2 0", "edit EM_SETSEL 4 8"};
    using B = clsKestTeraPad;
    // Each call with "b" selected; a selection of -1: not checked.
    struct Row { const char* what; Call call; Messages sent; std::string documentAfter; int selStart, selEnd; };
    const Row rows[] = {
        {"Edit select all", EditWith(EM_SETSEL), selectAll, kDocument, 0, 10},
        {"Edit a negative line", EditWith(EM_SETSEL, -7), selectAll, kDocument, 0, 10},
        {"Edit the smallest line as text", EditWith(EM_SETSEL, L"-2147483648"), selectAll, kDocument, 0, 10},
        {"Edit the first line", EditWith(EM_SETSEL, 0), line0, kDocument, 0, 3},
        {"Edit the first line as text with a sign", EditWith(EM_SETSEL, L"+0"), line0, kDocument, 0, 3},
        {"Edit the middle line", EditWith(EM_SETSEL, 1), line1, kDocument, 4, 8},
        {"Edit the middle line as text with blanks", EditWith(EM_SETSEL, L" 1 "), line1, kDocument, 4, 8},
        // Past the last line the editor answers -1, and -2 goes on unchecked.
        {"Edit the last line", EditWith(EM_SETSEL, 2),
         {kHandle, "edit EM_LINEINDEX 2 0", "edit EM_LINEINDEX 3 0", "edit EM_SETSEL 9 -2"}, kDocument, -1, -1},
        {"Edit replace with -1", EditWith(EM_REPLACESEL), Step("EM_REPLACESEL 0 p bytes=2"), "a-1" + rest, 3, 3},
        {"Edit replace with a number", EditWith(EM_REPLACESEL, 4096), Step("EM_REPLACESEL 0 p bytes=4"), "a4096" + rest, 5, 5},
        {"Edit replace with double-byte text", EditWith(EM_REPLACESEL, L"x\x30A2"), Step("EM_REPLACESEL 0 p bytes=3"),
         "ax" + kKatakanaA + rest, 4, 4},
        {"Edit replace with nothing", EditWith(EM_REPLACESEL, L""), Step("EM_REPLACESEL 0 p bytes=0"), "a" + rest, 1, 1},
        {"Edit undo", EditWith(EM_UNDO), Step("EM_UNDO 0 0"), kDocument, 1, 2},
        {"Edit cut", EditWith(WM_CUT), Step("WM_CUT 0 0"), "a" + rest, 1, 1},
        {"Edit copy", EditWith(WM_COPY, L"ignored"), Step("WM_COPY 0 0"), kDocument, 1, 2},
        // What the cut put on the clipboard, if the clipboard works here.
        {"Edit paste", EditWith(WM_PASTE), Step("WM_PASTE 0 0"), kDocument, -1, -1},
        {"Edit clear", EditWith(WM_CLEAR), Step("WM_CLEAR 0 0"), "a" + rest, 1, 1},
        {"Edit 0, outside its table", EditWith(0), {kHandle}, kDocument, 1, 2},
        {"Edit -1 with text, outside its table", EditWith(-1, L"text"), {kHandle}, kDocument, 1, 2},
        {"SelStart 7", [](B& b) { b.SelStart(7); }, SelSetStep(7, 7), kDocument, 7, 7},
        {"SelLength 4 keeps the start", [](B& b) { b.SelLength(4); }, Join({SelStartStep(), SelSetStep(1, 5)}), kDocument, 1, 5},
        {"SelLength 0", [](B& b) { b.SelLength(0); }, Join({SelStartStep(), SelSetStep(1, 1)}), kDocument, 1, 1},
        {"SelLength past 32 bits", [](B& b) { EXPECT_THROW(b.SelLength(kMax), std::overflow_error); }, SelStartStep(),
         kDocument, 1, 2},
        {"Line 0", [](B& b) { b.Line(0); }, Join({Step("EM_LINEINDEX 0 0"), SelSetStep(0, 0)}), kDocument, 0, 0},
        {"Line 2", [](B& b) { b.Line(2); }, Join({Step("EM_LINEINDEX 2 0"), SelSetStep(9, 9)}), kDocument, 9, 9},
        // A line that does not exist gives -1, which goes on as it is.
        {"Line 9", [](B& b) { b.Line(9); }, Join({Step("EM_LINEINDEX 9 0"), SelSetStep(-1, -1)}), kDocument, -1, -1},
        {"SelSet", [](B& b) { EXPECT_EQ(b.SelSet(2, 5), true); }, SelSetStep(2, 5), kDocument, 2, 5},
        {"SelSet, any range as given", [](B& b) { for (int end : {-1, 3, 2000}) EXPECT_EQ(b.SelSet(end + 1, end), true); },
         Join({SelSetStep(0, -1), SelSetStep(4, 3), SelSetStep(2001, 2000)}), kDocument, -1, -1},
    };
    Session session;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        session.Reset(kDocument, 1, 2);
        row.call(*session.bridge);
        EXPECT_TRUE(SameMessages(row.sent, session.editor.Log()));
        EXPECT_EQ(session.editor.Document(), row.documentAfter);
        if (row.selStart >= 0) { EXPECT_EQ(session.Selection(), std::pair(row.selStart, row.selEnd)); }
    }
}

TEST(Edit, RefusesAnUnusableLineBeforeSendingAnything)
{
    const std::pair<Arg, bool> rows[] = { // the line, and whether it is a number that does not fit
        {L"abc", false}, {L"", false}, {L"  ", false}, {L"-", false}, {L"12a", false}, {L"\xFF11", false},
        {L"1.5", false}, {L"2147483648", true}, {L"-2147483649", true}, {L"99999999999999999999", true},
        // Lines whose next line has no number.
        {kMax, true}, {L"2147483647", true},
    };
    Session session({}, kDocument);
    for (const auto& [line, overflow] : rows) {
        SCOPED_TRACE(testing::PrintToString(line));
        if (overflow) EXPECT_THROW(session.bridge->Edit(EM_SETSEL, line), std::overflow_error);
        else EXPECT_THROW(session.bridge->Edit(EM_SETSEL, line), std::invalid_argument);
        EXPECT_TRUE(SameMessages({}, session.editor.Log()));
    }
}

TEST(Positions, GettersAnswerInBytesAndEditModeAsTheEditorSaysIt)
{
    Session session({.editMode = -5}, kDocument);
    EXPECT_EQ(session.bridge->EditMode(), -5);
    // To the main window, and no question for the editing control.
    EXPECT_TRUE(SameMessages({"main MSG_8194 0 0"}, session.editor.Log()));
    const Messages queries =
        Join({SelStartStep(), SelLengthStep(), Step("EM_LINEFROMCHAR -1 0"), LengthStep(), SelLengthStep()});
    for (const auto& [start, end, line] : {std::array{0, 0, 0}, {1, 2, 0}, {4, 7, 1}, {0, 10, 0}, {7, 10, 1}, {10, 10, 2}}) {
        SCOPED_TRACE(testing::Message() << "selection " << start << ".." << end);
        session.Reset(kDocument, start, end);
        EXPECT_EQ(session.bridge->SelStart(), start);
        EXPECT_EQ(session.bridge->SelLength(), end - start);
        EXPECT_EQ(session.bridge->Line(), line);
        EXPECT_EQ(session.bridge->Length(), 10);
        EXPECT_EQ(session.bridge->Selection(), std::pair(start, end));
        EXPECT_TRUE(SameMessages(queries, session.editor.Log()));
    }
}

TEST(MbcsFunctions, CountAndCutTheAnsiBytesFromA1BasedStart)
{
    const std::string s = "a" + kKatakanaA + "b";
    struct Row { std::int32_t start, length; std::string mid; };
    const Row rows[] = {
        {2, 2, kKatakanaA}, {2, -1, kKatakanaA + "b"}, {1, -1, s}, {1, -100, s}, {5, 1, ""}, {5, -1, ""}, {1, 0, ""},
        {1, 100, s}, {4, 1, "b"}, {kMax, kMax, ""}, {1, kMax, s}, {3, 2, "\x41" "b"}, {1, 2, "a\x83"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(KestTeraPadProbe::MidBytes(s, row.start, row.length), row.mid) << row.start << ", " << row.length;
    for (const std::int32_t start : {0, -1, kMin}) {
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

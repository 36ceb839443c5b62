// Edit and SelSet against the stand-in editor: what each command sends, the
// line selection, and the conversions of vAny.
#include "bridge/kest_terapad.h"
#include "tests/bridge/text_session.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using namespace bridgetext;
using testsupport::SameMessages;
using Arg = clsKestTeraPad::EditArg;

TEST(Family, TheAliasRunsAsTheFamilyItsNameSays)
{
    // The 9x rows skip themselves on NT; without this they would all pass
    // unseen if the prefix lost its AppDefaults entry.
    EXPECT_EQ(RunsAs9x(), NamedAs9x()) << "running as " << platform::ToAnsi(platform::ExecutableBaseName());
}

TEST(Edit, SendsEachCommandOfItsTableAndOnlyTheHandleQueryForOthers)
{
    // Lines start at bytes 0, 4 and 9; the middle one holds a double-byte
    // character, so positions are visibly bytes. "b" is selected.
    const std::string doc = "ab\r\nc" + kKatakanaA + "\r\nf";
    const std::string line1 = "\r\nc" + kKatakanaA + "\r\nf";
    struct Row {
        const char* what;
        std::int32_t mode;
        std::optional<Arg> arg;
        Messages sent; // after the handle query
        std::optional<std::string> documentAfter; // none: not checked
        int selStart = 1, selEnd = 2;
    };
    const Messages selectAll = {"edit EM_SETSEL 0 -1"};
    const Messages line0 = {"edit EM_LINEINDEX 0 0", "edit EM_LINEINDEX 1 0", "edit EM_SETSEL 0 3"};
    const Messages middle = {"edit EM_LINEINDEX 1 0", "edit EM_LINEINDEX 2 0", "edit EM_SETSEL 4 8"};
    const Row rows[] = {
        {"select all", EM_SETSEL, {}, selectAll, doc, 0, 10},
        {"select all for any negative line", EM_SETSEL, Arg{-7}, selectAll, doc, 0, 10},
        {"negative text selects all", EM_SETSEL, Arg{L"-1"}, selectAll, doc, 0, 10},
        {"smallest number selects all", EM_SETSEL, Arg{L"-2147483648"}, selectAll, doc, 0, 10},
        {"first line", EM_SETSEL, Arg{0}, line0, doc, 0, 3},
        {"explicit plus sign", EM_SETSEL, Arg{L"+0"}, line0, doc, 0, 3},
        {"middle line", EM_SETSEL, Arg{1}, middle, doc, 4, 8},
        {"middle line as text", EM_SETSEL, Arg{L" 1 "}, middle, doc, 4, 8},
        // Past the last line the editor answers -1, and -2 goes on unchecked.
        {"last line", EM_SETSEL, Arg{2}, {"edit EM_LINEINDEX 2 0", "edit EM_LINEINDEX 3 0", "edit EM_SETSEL 9 -2"}, doc, -1},
        {"replace with -1 by default", EM_REPLACESEL, {}, {"edit EM_REPLACESEL 0 p bytes=2"}, "a-1" + line1, 3, 3},
        {"replace with a number's text", EM_REPLACESEL, Arg{4096}, {"edit EM_REPLACESEL 0 p bytes=4"}, "a4096" + line1, 5, 5},
        {"replace with double-byte text", EM_REPLACESEL, Arg{L"x\x30A2"}, {"edit EM_REPLACESEL 0 p bytes=3"},
         "ax" + kKatakanaA + line1, 4, 4},
        {"replace with nothing", EM_REPLACESEL, Arg{L""}, {"edit EM_REPLACESEL 0 p bytes=0"}, "a" + line1, 1, 1},
        {"undo", EM_UNDO, {}, {"edit EM_UNDO 0 0"}, doc},
        {"cut", WM_CUT, {}, {"edit WM_CUT 0 0"}, "a" + line1, 1, 1},
        {"copy", WM_COPY, Arg{L"ignored"}, {"edit WM_COPY 0 0"}, doc},
        // Paste depends on the clipboard, which the cut has filled.
        {"paste", WM_PASTE, {}, {"edit WM_PASTE 0 0"}, {}, -1},
        {"clear", WM_CLEAR, {}, {"edit WM_CLEAR 0 0"}, "a" + line1, 1, 1},
        {"no command 0", 0, {}, {}, doc},
        {"no command 0x304", 0x304, {}, {}, doc},
        {"no command EM_GETSEL", EM_GETSEL, {}, {}, doc},
        {"no command -1", -1, Arg{L"text"}, {}, doc},
    };
    Session session;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        session.editor.SetDocument(doc);
        session.editor.SetSelection(1, 2);
        session.editor.ClearLog();
        if (row.arg) session.bridge->Edit(row.mode, *row.arg);
        else session.bridge->Edit(row.mode);
        EXPECT_TRUE(SameMessages(Join({{kHandle}, row.sent}), session.editor.Log()));
        if (row.documentAfter) {
            EXPECT_EQ(session.editor.Document(), *row.documentAfter);
        }
        if (row.selStart < 0) continue;
        EXPECT_EQ(session.editor.State().selStart, row.selStart);
        EXPECT_EQ(session.editor.State().selEnd, row.selEnd);
    }
}

TEST(Edit, RefusesAnUnusableArgumentBeforeSendingAnything)
{
    const std::pair<Arg, bool> rows[] = { // the line, and whether it is a number too large
        {L"abc", false}, {L"", false}, {L"  ", false}, {L"-", false}, {L"12a", false}, {L"\xFF11", false},
        {L"1.5", false}, {L"2147483648", true}, {L"-2147483649", true}, {L"99999999999999999999", true},
        // A line whose next line has no number.
        {std::numeric_limits<std::int32_t>::max(), true}, {L"2147483647", true},
    };
    Session session({}, "abc");
    session.editor.SetSelection(1, 2);
    for (const auto& [line, overflow] : rows) {
        SCOPED_TRACE(testing::PrintToString(line));
        if (overflow) EXPECT_THROW(session.bridge->Edit(EM_SETSEL, line), std::overflow_error);
        else EXPECT_THROW(session.bridge->Edit(EM_SETSEL, line), std::invalid_argument);
        EXPECT_TRUE(SameMessages({}, session.editor.Log()));
    }
    EXPECT_EQ(session.editor.State().selStart, 1);
    EXPECT_EQ(session.editor.State().selEnd, 2);
}

} // namespace

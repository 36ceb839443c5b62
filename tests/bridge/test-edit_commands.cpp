// Edit and SelSet against the stand-in editor: what each command sends, the
// line selection, the conversions of vAny, and the gate with no editor.
#include "bridge/kest_terapad.h"
#include "tests/bridge/text_session.h"
#include "tests/support/standin_driver.h"

#include "platform/code_page.h"
#include "platform/programs.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

namespace {

using bridgetext::Join;
using bridgetext::kHandle;
using bridgetext::Messages;
using bridgetext::Session;
using testsupport::SameMessages;
using Arg = clsKestTeraPad::EditArg;

TEST(Family, TheAliasRunsAsTheFamilyItsNameSays)
{
    // The 9x tests skip themselves on NT; without this they would all pass
    // unseen if the prefix lost its AppDefaults entry.
    EXPECT_EQ(bridgetext::RunsAs9x(), bridgetext::NamedAs9x())
        << "running as " << platform::ToAnsi(platform::ExecutableBaseName());
}

TEST(Edit, SendsEachCommandOfItsTableAndOnlyTheHandleQueryForOthers)
{
    struct Row {
        const char* what;
        std::int32_t mode;
        std::optional<Arg> arg;
        Messages sent; // after the handle query
        std::string documentAfter;
    };
    // Document "abc\r\ndef" with "bc" selected.
    const Row rows[] = {
        {"select all", EM_SETSEL, std::nullopt, {"edit EM_SETSEL 0 -1"}, "abc\r\ndef"},
        {"select all for any negative line", EM_SETSEL, Arg{-7}, {"edit EM_SETSEL 0 -1"}, "abc\r\ndef"},
        {"replace with -1 by default", EM_REPLACESEL, std::nullopt, {"edit EM_REPLACESEL 0 p bytes=2"}, "a-1\r\ndef"},
        {"replace with a number's text", EM_REPLACESEL, Arg{4096}, {"edit EM_REPLACESEL 0 p bytes=4"}, "a4096\r\ndef"},
        {"replace with double-byte text", EM_REPLACESEL, Arg{L"x\x30A2"},
         {"edit EM_REPLACESEL 0 p bytes=3"}, "ax\x83\x41\r\ndef"},
        {"replace with nothing", EM_REPLACESEL, Arg{L""}, {"edit EM_REPLACESEL 0 p bytes=0"}, "a\r\ndef"},
        {"undo", EM_UNDO, std::nullopt, {"edit EM_UNDO 0 0"}, "abc\r\ndef"},
        {"cut", WM_CUT, std::nullopt, {"edit WM_CUT 0 0"}, "a\r\ndef"},
        {"copy", WM_COPY, Arg{L"ignored"}, {"edit WM_COPY 0 0"}, "abc\r\ndef"},
        {"paste", WM_PASTE, std::nullopt, {"edit WM_PASTE 0 0"}, "abc\r\ndef"},
        {"clear", WM_CLEAR, std::nullopt, {"edit WM_CLEAR 0 0"}, "a\r\ndef"},
        {"no command 0", 0, std::nullopt, {}, "abc\r\ndef"},
        {"no command 0x304", 0x304, std::nullopt, {}, "abc\r\ndef"},
        {"no command EM_GETSEL", EM_GETSEL, std::nullopt, {}, "abc\r\ndef"},
        {"no command -1", -1, Arg{L"text"}, {}, "abc\r\ndef"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Session session({}, "abc\r\ndef");
        session.editor.SetSelection(1, 3);
        if (row.arg) session.bridge->Edit(row.mode, *row.arg);
        else session.bridge->Edit(row.mode);
        EXPECT_TRUE(SameMessages(Join({{kHandle}, row.sent}), session.editor.Log()));
        // Paste depends on the clipboard, which the cut of another row may
        // have filled; only the message matters there.
        if (row.mode != WM_PASTE) {
            EXPECT_EQ(session.editor.Document(), row.documentAfter);
        }
    }
}

TEST(Edit, SelectsALineFromItsStartToJustBeforeTheNextOne)
{
    // Lines start at bytes 0, 4 and 9; the middle one holds a double-byte
    // character, so positions are visibly bytes.
    const std::string document = "ab\r\nc" + bridgetext::kKatakanaA + "\r\nf";
    struct Row {
        const char* what;
        Arg line;
        Messages sent;
        int selStart, selEnd;
    };
    const Row rows[] = {
        {"first line", Arg{0}, {"edit EM_LINEINDEX 0 0", "edit EM_LINEINDEX 1 0", "edit EM_SETSEL 0 3"}, 0, 3},
        {"middle line", Arg{1}, {"edit EM_LINEINDEX 1 0", "edit EM_LINEINDEX 2 0", "edit EM_SETSEL 4 8"}, 4, 8},
        // Past the last line the editor answers -1, and -2 goes on unchecked.
        {"last line", Arg{2}, {"edit EM_LINEINDEX 2 0", "edit EM_LINEINDEX 3 0", "edit EM_SETSEL 9 -2"}, -1, -1},
        {"middle line as text", Arg{L" 1 "}, {"edit EM_LINEINDEX 1 0", "edit EM_LINEINDEX 2 0", "edit EM_SETSEL 4 8"}, 4, 8},
        {"explicit plus sign", Arg{L"+0"}, {"edit EM_LINEINDEX 0 0", "edit EM_LINEINDEX 1 0", "edit EM_SETSEL 0 3"}, 0, 3},
        {"negative text selects all", Arg{L"-1"}, {"edit EM_SETSEL 0 -1"}, 0, 10},
        {"smallest number selects all", Arg{L"-2147483648"}, {"edit EM_SETSEL 0 -1"}, 0, 10},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Session session({}, document);
        session.bridge->Edit(EM_SETSEL, row.line);
        EXPECT_TRUE(SameMessages(Join({{kHandle}, row.sent}), session.editor.Log()));
        if (row.selStart >= 0) {
            const auto state = session.editor.State();
            EXPECT_EQ(state.selStart, row.selStart);
            EXPECT_EQ(state.selEnd, row.selEnd);
        }
    }
}

TEST(Edit, RefusesAnUnusableArgumentBeforeSendingAnything)
{
    struct Row {
        const char* what;
        std::int32_t mode;
        Arg arg;
        bool overflow; // else not a number
    };
    const Row rows[] = {
        {"letters", EM_SETSEL, Arg{L"abc"}, false},
        {"empty text", EM_SETSEL, Arg{L""}, false},
        {"blanks only", EM_SETSEL, Arg{L"  "}, false},
        {"a sign alone", EM_SETSEL, Arg{L"-"}, false},
        {"digits then letters", EM_SETSEL, Arg{L"12a"}, false},
        {"full-width digits", EM_SETSEL, Arg{L"\xFF11"}, false},
        {"a fraction", EM_SETSEL, Arg{L"1.5"}, false},
        {"past 32 bits", EM_SETSEL, Arg{L"2147483648"}, true},
        {"below 32 bits", EM_SETSEL, Arg{L"-2147483649"}, true},
        {"far past 32 bits", EM_SETSEL, Arg{L"99999999999999999999"}, true},
        {"a line whose next line has no number", EM_SETSEL, Arg{std::numeric_limits<std::int32_t>::max()}, true},
        {"the same as text", EM_SETSEL, Arg{L"2147483647"}, true},
    };
    Session session({}, "abc");
    session.editor.SetSelection(1, 2);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.overflow) {
            EXPECT_THROW(session.bridge->Edit(row.mode, row.arg), std::overflow_error);
        } else {
            EXPECT_THROW(session.bridge->Edit(row.mode, row.arg), std::invalid_argument);
        }
        EXPECT_TRUE(SameMessages({}, session.editor.Log()));
        session.editor.ClearLog();
    }
    EXPECT_EQ(session.editor.State().selStart, 1);
    EXPECT_EQ(session.editor.State().selEnd, 2);
}

TEST(SelSet, SendsTheRangeAsGivenAndAnswersTrue)
{
    struct Row {
        std::int32_t start, end;
    };
    const Row rows[] = {{2, 5}, {0, 0}, {0, -1}, {-1, -1}, {7, 3}, {1000, 2000}};
    Session session({}, "0123456789");
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.start << ", " << row.end);
        EXPECT_EQ(session.bridge->SelSet(row.start, row.end), std::optional<bool>(true));
        EXPECT_TRUE(SameMessages(bridgetext::SelSetStep(row.start, row.end), session.editor.Log()));
        session.editor.ClearLog();
    }
    session.bridge->SelSet(2, 5);
    EXPECT_EQ(session.editor.State().selStart, 2);
    EXPECT_EQ(session.editor.State().selEnd, 5);
}

} // namespace

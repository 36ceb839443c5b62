// Text and SelText against the stand-in editor: one message on the NT family,
// the piecewise paths on the 9x family, the rebuild for an editor that keeps
// less than it was sent, and the guards for editors that refuse changes.
#include "bridge/kest_terapad.h"
#include "tests/bridge/text_session.h"
#include "tests/support/standin_driver.h"

#include "platform/code_page.h"
#include "platform/system_version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <limits>
#include <stdexcept>

namespace {

using bridgetext::AsciiText;
using bridgetext::ClearStep;
using bridgetext::GetTextLine;
using bridgetext::Join;
using bridgetext::kHandle;
using bridgetext::kKatakanaA;
using bridgetext::LengthStep;
using bridgetext::Messages;
using bridgetext::ReadStart;
using bridgetext::Repeat;
using bridgetext::ReplaceStep;
using bridgetext::SelectAllStep;
using bridgetext::SelLengthStep;
using bridgetext::SelSetStep;
using bridgetext::SelStartStep;
using bridgetext::Session;
using bridgetext::UndoStep;
using testsupport::SameMessages;
using testsupport::StandIn;
using testsupport::StandInOptions;

constexpr int kPiece = 32759;

// Exactly `bytes` bytes of Japanese and ASCII, ending on a character boundary.
std::string MixedText(std::size_t bytes)
{
    const std::string unit = "x" + kKatakanaA + "yz\r\n" + "\x93\xfa\x96\x7b"; // 日本
    std::string text;
    text.reserve(bytes);
    while (text.size() + unit.size() <= bytes) text += unit;
    text += AsciiText(bytes - text.size());
    return text;
}

// One pass of the 9x read: length, select the first piece, read, delete.
Messages ReadPass(long long received)
{
    return Join({LengthStep(), SelSetStep(0, kPiece), {GetTextLine(kPiece + 1, received)}, ClearStep()});
}

// --- no editor ------------------------------------------------------------------

struct Member {
    const char* name;
    std::function<void(clsKestTeraPad&)> callAndCheck;
};

const std::vector<Member>& EveryMember()
{
    static const std::string longText = AsciiText(40000);
    static const std::vector<Member> members = {
        {"Edit select all", [](clsKestTeraPad& b) { b.Edit(EM_SETSEL); }},
        {"Edit select a line", [](clsKestTeraPad& b) { b.Edit(EM_SETSEL, 1); }},
        {"Edit with an unusable line", [](clsKestTeraPad& b) { b.Edit(EM_SETSEL, L"abc"); }},
        {"Edit replace", [](clsKestTeraPad& b) { b.Edit(EM_REPLACESEL, L"x"); }},
        {"Edit undo", [](clsKestTeraPad& b) { b.Edit(EM_UNDO); }},
        {"Edit cut", [](clsKestTeraPad& b) { b.Edit(WM_CUT); }},
        {"Edit copy", [](clsKestTeraPad& b) { b.Edit(WM_COPY); }},
        {"Edit paste", [](clsKestTeraPad& b) { b.Edit(WM_PASTE); }},
        {"Edit clear", [](clsKestTeraPad& b) { b.Edit(WM_CLEAR); }},
        {"Edit outside the table", [](clsKestTeraPad& b) { b.Edit(0x304); }},
        {"SelSet", [](clsKestTeraPad& b) { EXPECT_EQ(b.SelSet(1, 2), std::nullopt); }},
        {"EditMode", [](clsKestTeraPad& b) { EXPECT_EQ(b.EditMode(), -1); }},
        {"Length", [](clsKestTeraPad& b) { EXPECT_EQ(b.Length(), -1); }},
        {"Line get", [](clsKestTeraPad& b) { EXPECT_EQ(b.Line(), 0); }},
        {"Line let", [](clsKestTeraPad& b) { b.Line(1); }},
        {"SelStart get", [](clsKestTeraPad& b) { EXPECT_EQ(b.SelStart(), 0); }},
        {"SelStart let", [](clsKestTeraPad& b) { b.SelStart(3); }},
        {"SelLength get", [](clsKestTeraPad& b) { EXPECT_EQ(b.SelLength(), 0); }},
        {"SelLength let", [](clsKestTeraPad& b) { b.SelLength(3); }},
        {"Text get", [](clsKestTeraPad& b) { EXPECT_EQ(b.Text(), L""); }},
        {"Text let", [](clsKestTeraPad& b) { b.Text(L"new"); }},
        {"Text let, long", [](clsKestTeraPad& b) { b.Text(platform::FromAnsi(longText)); }},
        {"SelText get", [](clsKestTeraPad& b) { EXPECT_EQ(b.SelText(), L""); }},
        {"SelText let", [](clsKestTeraPad& b) { b.SelText(L"new"); }},
        {"SelText let, long", [](clsKestTeraPad& b) { b.SelText(platform::FromAnsi(longText)); }},
    };
    return members;
}

TEST(NoEditor, EveryMemberSendsNothingWhenNothingWasCaptured)
{
    StandIn editor;
    editor.SetDocument(AsciiText(40000));
    editor.SetSelection(2, 5);
    testsupport::ForeignWindow foreign;
    foreign.BringToFront();
    clsKestTeraPad bridge;
    ASSERT_EQ(bridge.hwnd(), nullptr);
    editor.ClearLog();
    for (const Member& member : EveryMember()) {
        SCOPED_TRACE(member.name);
        member.callAndCheck(bridge);
        EXPECT_TRUE(SameMessages({}, editor.Log()));
    }
    EXPECT_EQ(editor.Document(), AsciiText(40000));
}

TEST(NoEditor, EveryMemberYieldsItsNoEditorResultOnceTheEditorIsGone)
{
    Session session({}, AsciiText(40000));
    session.editor.Close();
    // No HadTeraPad first: each member has to check the window itself.
    for (const Member& member : EveryMember()) {
        SCOPED_TRACE(member.name);
        member.callAndCheck(*session.bridge);
    }
}

// --- reading --------------------------------------------------------------------

TEST(TextGet, ReadsUpTo32759BytesInOneMessageOnEitherFamily)
{
    struct Row {
        const char* what;
        std::string document;
    };
    const Row rows[] = {
        {"empty", ""},
        {"one byte", "x"},
        {"Japanese", MixedText(1000)},
        {"32759 bytes", AsciiText(kPiece)},
        {"32759 bytes ending in a double-byte character", AsciiText(kPiece - 2) + kKatakanaA},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Session session({}, row.document);
        EXPECT_EQ(session.bridge->Text(), platform::FromAnsi(row.document));
        const auto n = static_cast<long long>(row.document.size());
        EXPECT_TRUE(SameMessages(Join({ReadStart(), {GetTextLine(n + 1, n)}}), session.editor.Log()));
    }
}

TEST(TextGet, ReadsAnyLengthInOneMessageOnNt)
{
    SKIP_UNLESS_NT();
    for (const std::size_t bytes : {32760u, 32761u, 2u * kPiece + 10u, 1000003u, 5u * 1024 * 1024}) {
        SCOPED_TRACE(bytes);
        const std::string document = MixedText(bytes);
        Session session({}, document);
        session.editor.SetSelection(5, 9);
        session.editor.ClearLog();
        EXPECT_EQ(session.bridge->Text(), platform::FromAnsi(document));
        const auto n = static_cast<long long>(bytes);
        EXPECT_TRUE(SameMessages(Join({ReadStart(), {GetTextLine(n + 1, n)}}), session.editor.Log()));
        EXPECT_EQ(session.editor.State().selStart, 5);
        EXPECT_EQ(session.editor.State().selEnd, 9);
    }
}

TEST(TextGet, ReadsFrom32760BytesOn9xInPassesAndUndoesThem)
{
    SKIP_UNLESS_9X();
    struct Row {
        const char* what;
        std::string document;
        std::vector<long long> passes; // bytes received per pass
        std::vector<long long> reselect; // per pass: the end selected again, or -1
    };
    const std::string straddling = AsciiText(kPiece - 1) + kKatakanaA + AsciiText(20000, 3);
    std::string allDouble;
    for (int i = 0; i < 20000; ++i) allDouble += kKatakanaA;
    const Row rows[] = {
        {"32760 bytes", AsciiText(kPiece + 1), {kPiece, 1}, {-1, -1}},
        {"two pieces and ten bytes", AsciiText(2 * kPiece + 10), {kPiece, kPiece, 10}, {-1, -1, -1}},
        // Byte 32759 is the second half of a character: the first pass takes
        // only the bytes before it, and the character starts the second pass.
        {"a character across byte 32759", straddling, {kPiece, 20002}, {kPiece - 1, -1}},
        {"double-byte characters only", allDouble, {kPiece, 40000 - (kPiece - 1)}, {kPiece - 1, -1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Session session({}, row.document);
        // Even positions: character boundaries in every row, so the editor
        // keeps the selection as given.
        session.editor.SetSelection(4, 8);
        const int undoDepth = session.editor.State().undoDepth;
        session.editor.ClearLog();

        EXPECT_EQ(session.bridge->Text(), platform::FromAnsi(row.document));

        Messages expected = Join({ReadStart(), SelStartStep(), SelLengthStep()});
        for (std::size_t i = 0; i < row.passes.size(); ++i) {
            expected = Join({expected, LengthStep(), SelSetStep(0, kPiece), {GetTextLine(kPiece + 1, row.passes[i])}});
            if (row.reselect[i] >= 0) expected = Join({expected, SelSetStep(0, row.reselect[i])});
            expected = Join({expected, ClearStep()});
        }
        expected = Join({expected, LengthStep(), Repeat(UndoStep(), static_cast<int>(row.passes.size())), SelSetStep(4, 8)});
        EXPECT_TRUE(SameMessages(expected, session.editor.Log()));

        const auto state = session.editor.State();
        EXPECT_EQ(session.editor.Document(), row.document);
        EXPECT_EQ(state.selStart, 4);
        EXPECT_EQ(state.selEnd, 8);
        EXPECT_EQ(state.undoDepth, undoDepth);
    }
}

TEST(TextGet, StopsOn9xWhenTheEditorDeletesNothingAndLeavesTheDocumentAsItWas)
{
    SKIP_UNLESS_9X();
    StandInOptions options;
    options.readOnly = true;
    const std::string document = AsciiText(40000);
    Session session(options, document);
    session.editor.SetSelection(3, 4);
    const int undoDepth = session.editor.State().undoDepth;
    session.editor.ClearLog();

    EXPECT_THROW(session.bridge->Text(), BridgeError);
    // One pass shows the editor deleted nothing; there is nothing to undo,
    // and an undo here would take back an edit of the user's.
    EXPECT_TRUE(SameMessages(Join({ReadStart(), SelStartStep(), SelLengthStep(), ReadPass(kPiece), LengthStep(),
                                   SelSetStep(3, 4)}),
                             session.editor.Log()));
    EXPECT_EQ(session.editor.Document(), document);
    EXPECT_EQ(session.editor.State().selStart, 3);
    EXPECT_EQ(session.editor.State().selEnd, 4);
    EXPECT_EQ(session.editor.State().undoDepth, undoDepth);

    EXPECT_THROW(session.bridge->SelText(), BridgeError);
    EXPECT_EQ(session.editor.Document(), document);
}

TEST(TextGet, EndsTheTextAtANulAndStillRestoresTheDocument)
{
    struct Row {
        const char* what;
        std::string document;
        std::size_t before; // bytes before the NUL
    };
    const std::string nul(1, '\0');
    const Row rows[] = {
        {"in a short document", "abc" + nul + "def", 3},
        {"in the first piece of a long one", AsciiText(100) + nul + AsciiText(40000), 100},
        {"in the second piece", AsciiText(40000) + nul + AsciiText(40000, 1), 40000},
        {"right at byte 32758", AsciiText(kPiece - 1) + nul + AsciiText(20000, 2), kPiece - 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Session session({}, row.document);
        session.editor.SetSelection(2, 6);
        EXPECT_EQ(session.bridge->Text(), platform::FromAnsi(row.document.substr(0, row.before)));
        EXPECT_EQ(session.editor.Document(), row.document);
        EXPECT_EQ(session.editor.State().selStart, 2);
        EXPECT_EQ(session.editor.State().selEnd, 6);
    }
}

TEST(TextTransfer, AnEditorThatGoesAwayHalfWayIsNoEditorAndNoError)
{
    struct Row {
        const char* what;
        long exitAfterNt, exitAfter9x; // the logged message the editor does not answer; 0: no such row
        std::function<void(clsKestTeraPad&)> callAndCheck;
    };
    const Row rows[] = {
        // NT: the one WM_GETTEXT; 9x: the WM_GETTEXT of the first pass.
        {"Text get", 4, 12, [](clsKestTeraPad& b) { EXPECT_EQ(b.Text(), L""); }},
        {"Text get at the second pass", 0, 20, [](clsKestTeraPad& b) { EXPECT_EQ(b.Text(), L""); }},
        {"Text let", 4, 4, [](clsKestTeraPad& b) { b.Text(L"new text"); }},
        {"SelText let", 2, 2, [](clsKestTeraPad& b) { b.SelText(platform::FromAnsi(AsciiText(70000))); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const long exitAfter = bridgetext::RunsAs9x() ? row.exitAfter9x : row.exitAfterNt;
        if (exitAfter == 0) continue;
        StandInOptions options;
        options.exitAfter = exitAfter;
        Session session(options, AsciiText(40000));
        EXPECT_NO_THROW(row.callAndCheck(*session.bridge));
        EXPECT_TRUE(session.editor.WaitForExit(5000));
    }
}

TEST(SelTextGet, IsTheSelectedBytesOfTheText)
{
    struct Row {
        const char* what;
        std::string document;
        int selStart, selEnd;
        bool only9x;
    };
    const std::string japanese = "ab" + kKatakanaA + "cd" + kKatakanaA + "ef"; // 10 bytes
    const Row rows[] = {
        {"nothing selected", japanese, 4, 4, false},
        {"bytes 3 to 7", "0123456789", 3, 7, false},
        {"double-byte characters", japanese, 2, 8, false},
        {"everything", japanese, 0, 10, false},
        {"across the first piece of a piecewise read", MixedText(70000), 32703, 32800, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.only9x && !bridgetext::RunsAs9x()) continue;
        Session session({}, row.document);
        session.editor.SetSelection(row.selStart, row.selEnd);
        // The editor moves an end inside a character; the rows avoid that.
        ASSERT_EQ(session.editor.State().selStart, row.selStart);
        ASSERT_EQ(session.editor.State().selEnd, row.selEnd);
        session.editor.ClearLog();
        const std::wstring selected = session.bridge->SelText();
        EXPECT_EQ(selected, platform::FromAnsi(row.document.substr(row.selStart, row.selEnd - row.selStart)));
        const Messages log = session.editor.Log();
        ASSERT_GE(log.size(), 4u);
        // Start and length are asked after the text, which the read put back.
        EXPECT_TRUE(SameMessages(Join({SelStartStep(), SelLengthStep()}), Messages(log.end() - 4, log.end())));
        EXPECT_EQ(session.editor.Document(), row.document);
    }
}

// --- writing --------------------------------------------------------------------

TEST(ReplacementRule, DecidesOneMessageOrPiecesByFamilyWineAndPurpose)
{
    // Every system the rule knows, also those this suite does not run on
    // (Windows itself): the NT family outside Wine sends any length at once.
    struct Row {
        const char* windowsName;
        bool underWine;
        Replacement what;
        std::size_t bytes;
        std::optional<std::size_t> piece;
    };
    const std::size_t huge = 16u << 20;
    const Row rows[] = {
        {"WinNT", false, Replacement::Selection, huge, std::nullopt},
        {"WinNT", false, Replacement::WholeText, huge, std::nullopt},
        {"WinNT", true, Replacement::Selection, 65536, std::nullopt},
        {"WinNT", true, Replacement::Selection, 65537, 65536},
        {"WinNT", true, Replacement::WholeText, 65537, 65536},
        {"WinNT", true, Replacement::WholeText, huge, 65536},
        {"Win98", false, Replacement::Selection, 32760, std::nullopt},
        {"Win98", false, Replacement::Selection, 32761, 32759},
        {"Win98", false, Replacement::WholeText, huge, std::nullopt},
        {"WinMe", true, Replacement::Selection, 40000, 32759},
        {"Win98", true, Replacement::Selection, 70000, 32759},
        {"Win98", true, Replacement::WholeText, 40000, std::nullopt},
        {"Win98", true, Replacement::WholeText, 70000, 65536},
        {"", false, Replacement::Selection, 40000, 32759}, // a failed version query counts as 9x
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.windowsName) + (row.underWine ? " under Wine, " : ", ") +
                     (row.what == Replacement::Selection ? "SelText, " : "Text, ") + std::to_string(row.bytes));
        EXPECT_EQ(ReplacementPiece(row.bytes, row.what, platform::FromAnsi(row.windowsName), row.underWine), row.piece);
    }
}

TEST(SelTextLet, SendsOneReplacementOnNtOrUnderWinePiecesOfAtMost64Kb)
{
    SKIP_UNLESS_NT();
    struct Row {
        const char* what;
        std::string text;
        std::vector<long long> pieces; // under Wine; empty: only bounded by 64 KB
    };
    const Row rows[] = {
        {"empty", "", {0}},
        {"5 bytes", MixedText(5), {5}},
        {"32761 bytes", MixedText(32761), {32761}},
        {"64 KB", AsciiText(65536), {65536}},
        {"64 KB and one byte", AsciiText(65537), {65536, 1}},
        // Byte 65535 is a lead byte: the first piece stops before it.
        {"a character from byte 65535", AsciiText(65535) + kKatakanaA + AsciiText(10), {65535, 12}},
        {"6 MB of Japanese", MixedText(6u * 1024 * 1024), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Session session({}, "<<>>");
        session.editor.SetSelection(2, 2);
        session.editor.ClearLog();
        session.bridge->SelText(platform::FromAnsi(row.text));
        const long long bytes = static_cast<long long>(row.text.size());
        if (!platform::RunsUnderWine()) {
            EXPECT_TRUE(SameMessages(ReplaceStep(bytes), session.editor.Log()));
        } else if (!row.pieces.empty()) {
            Messages expected;
            for (long long piece : row.pieces) expected = Join({expected, ReplaceStep(piece)});
            EXPECT_TRUE(SameMessages(expected, session.editor.Log()));
        } else {
            std::vector<long long> pieces;
            for (const std::string& line : session.editor.Log())
                if (const auto at = line.find("EM_REPLACESEL 0 p bytes="); at != std::string::npos)
                    pieces.push_back(std::stoll(line.substr(line.find('=', at) + 1)));
            ASSERT_FALSE(pieces.empty());
            long long sent = 0;
            for (std::size_t i = 0; i < pieces.size(); ++i) {
                EXPECT_LE(pieces[i], 65536) << "piece " << i;
                // Only a piece that ends before a character, or the last, is short.
                if (i + 1 < pieces.size()) EXPECT_GE(pieces[i], 65535) << "piece " << i;
                sent += pieces[i];
            }
            EXPECT_EQ(sent, bytes);
        }
        EXPECT_EQ(session.editor.Document(), "<<" + row.text + ">>");
        EXPECT_EQ(session.editor.State().selStart, 2 + static_cast<int>(row.text.size()));
    }
}

TEST(SelTextLet, SendsPiecesOn9xThatNeverSplitACharacter)
{
    SKIP_UNLESS_9X();
    struct Row {
        const char* what;
        std::string text;
        std::vector<long long> pieces;
    };
    const Row rows[] = {
        {"32760 bytes", AsciiText(32760), {32760}},
        {"32761 bytes", AsciiText(32761), {kPiece, 2}},
        // Byte 32759 is a lead byte: the first piece stops before it.
        {"a character from byte 32759", AsciiText(kPiece - 1) + kKatakanaA + AsciiText(10), {kPiece - 1, 12}},
        {"a rest of exactly 32760 bytes", AsciiText(kPiece + 32760), {kPiece, kPiece, 1}},
        {"two pieces and five bytes", MixedText(2 * kPiece + 5), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Session session({}, "<<>>");
        session.editor.SetSelection(2, 2);
        session.editor.ClearLog();
        session.bridge->SelText(platform::FromAnsi(row.text));
        if (!row.pieces.empty()) {
            Messages expected;
            for (long long piece : row.pieces) expected = Join({expected, ReplaceStep(piece)});
            EXPECT_TRUE(SameMessages(expected, session.editor.Log()));
        }
        EXPECT_EQ(session.editor.Document(), "<<" + row.text + ">>");
        EXPECT_EQ(session.editor.State().selStart, 2 + static_cast<int>(row.text.size()));
    }
}

TEST(TextLet, ReplacesEverythingAndLeavesTheCaretAtByteOne)
{
    struct Row {
        const char* what;
        std::string text;
        int caret; // where the editor puts EM_SETSEL(1, 1)
    };
    const Row rows[] = {
        {"empty", "", 0},
        {"Japanese", "b" + kKatakanaA + "c", 1},
        // Byte 1 is inside the first character: the editor snaps back to 0.
        {"Japanese first", kKatakanaA + "bc", 0},
        {"longer than a 9x message", MixedText(60000), 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Session session({}, "old text");
        session.bridge->Text(platform::FromAnsi(row.text));
        EXPECT_TRUE(SameMessages(
            Join({SelectAllStep(), ReplaceStep(static_cast<long long>(row.text.size())), LengthStep(), SelSetStep(1, 1)}),
            session.editor.Log()));
        EXPECT_EQ(session.editor.Document(), row.text);
        EXPECT_EQ(session.editor.State().selStart, row.caret);
        EXPECT_EQ(session.editor.State().selEnd, row.caret);
    }
}

TEST(TextLet, RebuildsFromTheEndWhenTheEditorKeepsLess)
{
    struct Row {
        const char* what;
        int limit;
        std::string text;
        std::vector<long long> pieces;
    };
    const Row rows[] = {
        {"2f + r single bytes", 100, AsciiText(250), {100, 100, 50}},
        // Byte 151 is the second half of a character: that piece is one byte
        // shorter and the character goes into the next one.
        {"a character across a piece start", 100, AsciiText(150) + kKatakanaA + AsciiText(99, 5), {99, 100, 52}},
        // The editor itself stops before a character: f is 99.
        {"the editor cutting before a character", 100, AsciiText(99) + kKatakanaA + AsciiText(150, 9), {99, 99, 53}},
        {"exactly 2f", 100, AsciiText(200), {100, 100}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        StandInOptions options;
        options.limit = row.limit;
        Session session(options, "old text");
        session.bridge->Text(platform::FromAnsi(row.text));

        Messages expected = Join({SelectAllStep(), ReplaceStep(static_cast<long long>(row.text.size())), LengthStep(),
                                  UndoStep(), SelectAllStep()});
        for (long long piece : row.pieces) expected = Join({expected, ReplaceStep(piece), SelSetStep(0, 0)});
        expected = Join({expected, SelSetStep(1, 1)});
        EXPECT_TRUE(SameMessages(expected, session.editor.Log()));
        EXPECT_EQ(session.editor.Document(), row.text);
        EXPECT_EQ(session.editor.State().selStart, 1);
        EXPECT_EQ(session.editor.State().selEnd, 1);
    }
}

TEST(TextLet, GoesInPiecesUnderWineAndRebuildsFromTheFirstWhenTheEditorKeepsLess)
{
    if (!platform::RunsUnderWine()) GTEST_SKIP() << "the Wine path";
    struct Row {
        const char* what;
        std::optional<int> limit;
        std::string text;
        Messages afterFirst; // after select all, the first piece and the length
    };
    const std::string straddling = AsciiText(65535) + kKatakanaA + AsciiText(70000, 4);
    const Row rows[] = {
        // The editor kept the first piece whole: the rest follows at the caret.
        {"150000 bytes", std::nullopt, AsciiText(150000), Join({ReplaceStep(65536), ReplaceStep(18928)})},
        // Byte 65535 is a lead byte: the first piece is 65535 bytes, and so
        // is every later one, which the editor is then known to keep.
        {"a character across 64 KB", std::nullopt, straddling,
         Join({ReplaceStep(65535), ReplaceStep(4467)})},
        // The editor kept 40000 bytes of the first piece: that one edit is
        // undone and the text is rebuilt from its end in 40000-byte pieces.
        {"an editor that keeps 40000 bytes", 40000, AsciiText(150000),
         Join({UndoStep(), SelectAllStep(), ReplaceStep(40000), SelSetStep(0, 0), ReplaceStep(40000), SelSetStep(0, 0),
               ReplaceStep(40000), SelSetStep(0, 0), ReplaceStep(30000), SelSetStep(0, 0)})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        StandInOptions options;
        options.limit = row.limit;
        Session session(options, "old text");
        session.bridge->Text(platform::FromAnsi(row.text));
        const long long first = row.text == straddling ? 65535 : 65536;
        EXPECT_TRUE(SameMessages(
            Join({SelectAllStep(), ReplaceStep(first), LengthStep(), row.afterFirst, SelSetStep(1, 1)}),
            session.editor.Log()));
        EXPECT_EQ(session.editor.Document(), row.text);
    }
}

TEST(TextLet, RefusesARebuildThatCannotFinishAndLeavesTheDocumentAsItWas)
{
    struct Row {
        const char* what;
        int limit;
        std::string text;
    };
    const Row rows[] = {
        {"the editor keeps nothing", 0, "abc"},
        // f is 1 and the last character has two bytes: its piece would be empty.
        {"a piece the repair empties", 1, "a" + kKatakanaA},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        StandInOptions options;
        options.limit = row.limit;
        Session session(options, "old text");
        EXPECT_THROW(session.bridge->Text(platform::FromAnsi(row.text)), BridgeError);
        EXPECT_TRUE(SameMessages(
            Join({SelectAllStep(), ReplaceStep(static_cast<long long>(row.text.size())), LengthStep(), UndoStep()}),
            session.editor.Log()));
        EXPECT_EQ(session.editor.Document(), "old text");
    }
}

TEST(TextWrite, EndsOnAReadOnlyEditorWithItsTextUnchanged)
{
    // The editor keeps none of it, so Length shows the old 8 bytes: a longer
    // text looks cut short and is rebuilt in pieces the editor also refuses;
    // the pieces are planned ahead, so the rebuild still ends.
    struct Row {
        const char* what;
        std::string text;
        Messages afterLength;
    };
    const Row rows[] = {
        {"shorter than the old text", "abc", SelSetStep(1, 1)},
        {"longer than the old text", AsciiText(15),
         Join({UndoStep(), SelectAllStep(), ReplaceStep(8), SelSetStep(0, 0), ReplaceStep(7), SelSetStep(0, 0),
               SelSetStep(1, 1)})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        StandInOptions options;
        options.readOnly = true;
        Session session(options, "old text");
        session.bridge->Text(platform::FromAnsi(row.text));
        EXPECT_TRUE(SameMessages(
            Join({SelectAllStep(), ReplaceStep(static_cast<long long>(row.text.size())), LengthStep(), row.afterLength}),
            session.editor.Log()));
        EXPECT_EQ(session.editor.Document(), "old text");
    }

    StandInOptions options;
    options.readOnly = true;
    Session session(options, "old text");
    session.bridge->SelText(platform::FromAnsi(AsciiText(70000)));
    // Nothing measures what the editor kept here: every piece goes once.
    const Messages expected = bridgetext::RunsAs9x()     ? Join({ReplaceStep(kPiece), ReplaceStep(kPiece), ReplaceStep(70000 - 2 * kPiece)})
                              : platform::RunsUnderWine() ? Join({ReplaceStep(65536), ReplaceStep(70000 - 65536)})
                                                          : ReplaceStep(70000);
    EXPECT_TRUE(SameMessages(expected, session.editor.Log()));
    EXPECT_EQ(session.editor.Document(), "old text");
}

// --- cost -----------------------------------------------------------------------

// Run by hand: --gtest_also_run_disabled_tests --gtest_filter=*Cost*
TEST(TextTransferCost, DISABLED_PrintsTimeAndMessagesForLargeTexts)
{
    using Clock = std::chrono::steady_clock;
    const auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    std::printf("family: %s\n", bridgetext::RunsAs9x() ? "9x" : "NT");
    for (const std::size_t bytes : {std::size_t{1} << 20, std::size_t{16} << 20}) {
        const std::string text = MixedText(bytes);
        const std::wstring wide = platform::FromAnsi(text);
        Session session({}, text);

        auto t0 = Clock::now();
        const std::wstring read = session.bridge->Text();
        const double readMs = ms(Clock::now() - t0);
        const Messages readLog = session.editor.Log();
        EXPECT_EQ(read, wide);
        EXPECT_EQ(session.editor.Document(), text);

        session.editor.SetDocument("");
        session.editor.ClearLog();
        t0 = Clock::now();
        session.bridge->SelText(wide);
        const double writeMs = ms(Clock::now() - t0);
        const Messages writeLog = session.editor.Log();
        EXPECT_EQ(session.editor.Document(), text);

        // The floor: the same bytes in raw messages, no bridge; one message
        // where the editor's stack allows it, 64 KB ones under Wine.
        session.editor.SetDocument("");
        std::string raw = text;
        const std::size_t rawPiece = platform::RunsUnderWine() ? kWineReplacementPiece : raw.size();
        t0 = Clock::now();
        for (std::size_t begin = 0; begin < raw.size(); begin += rawPiece) {
            const std::size_t end = std::min(raw.size(), begin + rawPiece);
            const char kept = raw[end];
            raw[end] = '\0';
            ::SendMessageA(session.editor.EditControl(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(raw.data() + begin));
            raw[end] = kept;
        }
        const double rawWriteMs = ms(Clock::now() - t0);
        std::string buffer(bytes, '\0');
        t0 = Clock::now();
        ::SendMessageA(session.editor.EditControl(), WM_GETTEXT, bytes + 1, reinterpret_cast<LPARAM>(buffer.data()));
        const double rawReadMs = ms(Clock::now() - t0);

        // Messages to the editing control, and all of them with the handle
        // queries to the main window.
        const auto toEdit = [](const Messages& log) {
            return std::count_if(log.begin(), log.end(), [](const std::string& line) { return line.starts_with("edit "); });
        };
        std::printf("%5zu KB  Text get    %9.1f ms %6zu messages, %6td to the editing control (raw WM_GETTEXT %8.1f ms)\n",
                    bytes / 1024, readMs, readLog.size(), toEdit(readLog), rawReadMs);
        std::printf("%5zu KB  SelText let %9.1f ms %6zu messages, %6td to the editing control (raw EM_REPLACESEL %8.1f ms)\n",
                    bytes / 1024, writeMs, writeLog.size(), toEdit(writeLog), rawWriteMs);
    }
}

} // namespace

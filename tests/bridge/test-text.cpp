// Edit commands, positions and the text transfer against the stand-in editor, in
// bytes of code page 932 text, on the NT family, on 9x and under Wine's pieces.
#include "bridge/kest_terapad.h"
#include "tests/bridge/probe.h"
#include "tests/bridge/text_session.h"

#include "platform/code_page.h"
#include "platform/system_version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <random>

namespace {

using namespace bridgetext;
using Arg = clsKestTeraPad::EditArg;
using Call = std::function<void(clsKestTeraPad&)>;
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

// Lines start at bytes 0, 4 and 9; a double-byte character makes positions visibly bytes.
const std::string kDocument = "ab\r\nc" + kKatakanaA + "\r\nf";

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
        {"Edit the smallest line as text", EditWith(EM_SETSEL, L"-2147483648"), selectAll, kDocument, 0, 10},
        {"Edit the first line", EditWith(EM_SETSEL, 0), line0, kDocument, 0, 3},
        {"Edit the first line as text with a sign", EditWith(EM_SETSEL, L"+0"), line0, kDocument, 0, 3},
        {"Edit the middle line", EditWith(EM_SETSEL, 1), line1, kDocument, 4, 8},
        {"Edit the middle line as text with blanks", EditWith(EM_SETSEL, L" 1 "), line1, kDocument, 4, 8},
        // Past the last line the editor answers -1, and -2 goes on unchecked.
        {"Edit the last line", EditWith(EM_SETSEL, 2),
         {kHandle, "edit EM_LINEINDEX 2 0", "edit EM_LINEINDEX 3 0", "edit EM_SETSEL 9 -2"}, kDocument, -1, -1},
        {"Edit replace with -1", EditWith(EM_REPLACESEL), Step("EM_REPLACESEL 0 p bytes=2"), "a-1" + rest, 3, 3},
        {"Edit replace with a number", EditWith(EM_REPLACESEL, 4096), Step("EM_REPLACESEL 0 p bytes=4"), "a4096" + rest,
         5, 5},
        {"Edit replace with double-byte text", EditWith(EM_REPLACESEL, L"x\x30A2"), Step("EM_REPLACESEL 0 p bytes=3"),
         "ax" + kKatakanaA + rest, 4, 4},
        {"Edit undo", EditWith(EM_UNDO), Step("EM_UNDO 0 0"), kDocument, 1, 2},
        {"Edit cut", EditWith(WM_CUT), Step("WM_CUT 0 0"), "a" + rest, 1, 1},
        {"Edit copy", EditWith(WM_COPY, L"ignored"), Step("WM_COPY 0 0"), kDocument, 1, 2},
        // What the cut put on the clipboard, if the clipboard works here.
        {"Edit paste", EditWith(WM_PASTE), Step("WM_PASTE 0 0"), kDocument, -1, -1},
        {"Edit clear", EditWith(WM_CLEAR), Step("WM_CLEAR 0 0"), "a" + rest, 1, 1},
        {"Edit 0, outside its table", EditWith(0), {kHandle}, kDocument, 1, 2},
        {"Edit -1 with text, outside its table", EditWith(-1, L"text"), {kHandle}, kDocument, 1, 2},
        // An unusable line is refused before anything is sent.
        {"Edit a line that is no number", [](B& b) {
             for (const wchar_t* line : {L"abc", L"", L"  ", L"-", L"12a", L"\xFF11", L"1.5"})
                 EXPECT_THROW(b.Edit(EM_SETSEL, line), std::invalid_argument) << platform::ToAnsi(line);
         }, {}, kDocument, 1, 2},
        // The last two are lines whose next line has no number.
        {"Edit a line that does not fit", [](B& b) {
             for (const Arg& line : {Arg{L"2147483648"}, Arg{L"-2147483649"}, Arg{L"99999999999999999999"}, Arg{kMax},
                                     Arg{L"2147483647"}})
                 EXPECT_THROW(b.Edit(EM_SETSEL, line), std::overflow_error) << testing::PrintToString(line);
         }, {}, kDocument, 1, 2},
        // To the main window, and no question for the editing control.
        {"EditMode", [](B& b) { EXPECT_EQ(b.EditMode(), -5); }, {"main MSG_8194 0 0"}, kDocument, 1, 2},
        {"SelStart 7", [](B& b) { b.SelStart(7); }, SelSetStep(7, 7), kDocument, 7, 7},
        {"SelLength 4", [](B& b) { b.SelLength(4); }, Join({SelStartStep(), SelSetStep(1, 5)}), kDocument, 1, 5},
        {"SelLength past 32 bits", [](B& b) { EXPECT_THROW(b.SelLength(kMax), std::overflow_error); }, SelStartStep(),
         kDocument, 1, 2},
        {"Line 2", [](B& b) { b.Line(2); }, Join({Step("EM_LINEINDEX 2 0"), SelSetStep(9, 9)}), kDocument, 9, 9},
        // A line that does not exist gives -1, which goes on as it is.
        {"Line 9", [](B& b) { b.Line(9); }, Join({Step("EM_LINEINDEX 9 0"), SelSetStep(-1, -1)}), kDocument, -1, -1},
        {"SelSet", [](B& b) { EXPECT_EQ(b.SelSet(2, 5), true); }, SelSetStep(2, 5), kDocument, 2, 5},
        {"SelSet, any range as given", [](B& b) { for (int end : {-1, 3, 2000}) EXPECT_TRUE(b.SelSet(end + 1, end)); },
         Join({SelSetStep(0, -1), SelSetStep(4, 3), SelSetStep(2001, 2000)}), kDocument, -1, -1},
    };
    Session session({.editMode = -5});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        session.Reset(kDocument, 1, 2);
        row.call(*session.bridge);
        EXPECT_TRUE(SameMessages(row.sent, session.editor.Log()));
        EXPECT_EQ(session.editor.Document(), row.documentAfter);
        if (row.selStart >= 0) { EXPECT_EQ(session.Selection(), std::pair(row.selStart, row.selEnd)); }
    }
}

TEST(Positions, GettersAnswerInBytes)
{
    Session session;
    const Messages queries =
        Join({SelStartStep(), SelLengthStep(), Step("EM_LINEFROMCHAR -1 0"), LengthStep(), SelLengthStep()});
    const std::array<int, 3> rows[] = {{0, 0, 0}, {1, 2, 0}, {4, 7, 1}, {0, 10, 0}, {7, 10, 1}, {10, 10, 2}};
    for (const auto& [start, end, line] : rows) { // the selection and the line of its start
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

constexpr int kPiece = 32759;
const std::string kNul(1, '\0');

// Exactly `bytes` bytes of Japanese and ASCII, ending on a character boundary.
std::string MixedText(std::size_t bytes)
{
    const std::string unit = "x" + kKatakanaA + "yz\r\n" + "\x93\xfa\x96\x7b"; // 日本
    std::string text;
    while (text.size() + unit.size() <= bytes) text += unit;
    return text + AsciiText(bytes - text.size());
}

// A document's text ends at its first NUL, on both families.
std::string UpToNul(const std::string& bytes)
{
    return bytes.substr(0, bytes.find('\0'));
}

TEST(TextGet, ReadsInOneMessageOnNtAndFrom32760BytesOn9xInPassesItUndoes)
{
    // The 9x rows would pass unseen with NT expectations if this alias lost its AppDefaults entry.
    ASSERT_EQ(RunsAs9x(), platform::ExecutableBaseName().ends_with(L"_win98"));
    // A 9x pass selects 32759 bytes, reads them, selects again only the
    // complete characters received when those are fewer, and deletes.
    struct Pass { long long received, reselect = -1; bool deleted = true; };
    // Selections on character boundaries, so the editor keeps them as given; no passes: one message.
    struct Row { const char* what; std::string doc; int selStart, selEnd; std::vector<Pass> on9x; bool readOnly{}; };
    const std::string allDouble = [] { std::string s; for (int i = 0; i < 20000; ++i) s += kKatakanaA; return s; }();
    std::vector<Row> rows = {
        {"empty", "", 0, 0, {}},
        {"Japanese", MixedText(1000), 3, 9, {}},
        {"32759 bytes ending in a double-byte character", AsciiText(kPiece - 2) + kKatakanaA, 4, 8, {}},
        {"32760 bytes", AsciiText(kPiece + 1), 4, 8, {{kPiece}, {1}}},
        {"two pieces and ten bytes", AsciiText(2 * kPiece + 10), 32700, 32800, {{kPiece}, {kPiece}, {10}}},
        // Byte 32759 is a trail byte: the character goes whole into the second pass.
        {"a character across byte 32759", AsciiText(kPiece - 1) + kKatakanaA + AsciiText(20000, 3), 4, 8,
         {{kPiece, kPiece - 1}, {20002}}},
        {"double-byte characters only", allDouble, 4, 8, {{kPiece, kPiece - 1}, {40000 - (kPiece - 1)}}},
        {"a NUL in a short text", "abc" + kNul + "def", 0, 2, {}},
        {"a NUL in the second piece", AsciiText(40000) + kNul + AsciiText(40000, 1), 4, 8,
         {{kPiece}, {kPiece}, {14483}}},
        // As a character across byte 32759: the NUL looks like its held-back half.
        {"a NUL at byte 32759", AsciiText(kPiece - 1) + kNul + AsciiText(20000, 2), 4, 8,
         {{kPiece, kPiece - 1}, {20001}}},
        // On 9x one pass shows the editor deleted nothing: the read fails and undoes nothing of the user's.
        {"a read-only editor", AsciiText(40000), 3, 4, {{kPiece, -1, false}}, true},
    };
    if (!RunsAs9x()) rows.push_back({"5 MB", MixedText(5u << 20), 5, 9, {}});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Session session({.readOnly = row.readOnly}, row.doc, row.selStart, row.selEnd);
        const bool refused = row.readOnly && RunsAs9x();
        if (refused) EXPECT_THROW(session.bridge->Text(), BridgeError);
        else EXPECT_EQ(session.bridge->Text(), platform::FromAnsi(UpToNul(row.doc)));

        const auto n = static_cast<long long>(row.doc.size());
        Messages expected = Join({{kHandle}, LengthStep()});
        if (!RunsAs9x() || row.on9x.empty()) {
            expected.push_back(GetTextLine(n + 1, n));
        } else {
            expected = Join({expected, SelStartStep(), SelLengthStep()});
            Messages undos;
            for (const Pass& pass : row.on9x) {
                expected = Join({expected, LengthStep(), SelSetStep(0, kPiece)});
                expected.push_back(GetTextLine(kPiece + 1, pass.received));
                if (pass.reselect >= 0) expected = Join({expected, SelSetStep(0, pass.reselect)});
                expected = Join({expected, Step("WM_CLEAR 0 0")});
                if (pass.deleted) undos = Join({undos, UndoStep()});
            }
            expected = Join({expected, LengthStep(), undos, SelSetStep(row.selStart, row.selEnd)});
        }
        EXPECT_TRUE(SameMessages(expected, session.editor.Log()));
        EXPECT_EQ(session.editor.Document(), row.doc);
        EXPECT_EQ(session.Selection(), std::pair(row.selStart, row.selEnd));

        // SelText reads the same way, then asks for the selection the read put back.
        session.editor.ClearLog();
        if (refused) {
            EXPECT_THROW(session.bridge->SelText(), BridgeError);
            continue;
        }
        const std::string selected = row.doc.substr(row.selStart, row.selEnd - row.selStart);
        EXPECT_EQ(session.bridge->SelText(), platform::FromAnsi(selected));
        const Messages log = session.editor.Log();
        EXPECT_TRUE(SameMessages(Join({SelStartStep(), SelLengthStep()}), Messages(log.end() - 4, log.end())));
    }
}

TEST(TextTransfer, AnEditorThatGoesAwayHalfWayIsNoEditorAndNoError)
{
    // The logged message the editor does not answer on NT and on 9x (0: none): for a read, a WM_GETTEXT.
    struct Row { const char* what; int exitAfterNt, exitAfter9x; std::function<void(clsKestTeraPad&)> call; };
    const Row rows[] = {
        {"Text get", 4, 12, [](clsKestTeraPad& b) { EXPECT_EQ(b.Text(), L""); }},
        {"Text get at the second pass", 0, 20, [](clsKestTeraPad& b) { EXPECT_EQ(b.Text(), L""); }},
        {"Text let", 4, 4, [](clsKestTeraPad& b) { b.Text(L"new text"); }},
        {"SelText let", 2, 2, [](clsKestTeraPad& b) { b.SelText(platform::FromAnsi(AsciiText(70000))); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const int exitAfter = RunsAs9x() ? row.exitAfter9x : row.exitAfterNt;
        if (exitAfter == 0) continue;
        Session session({.exitAfter = exitAfter}, AsciiText(40000));
        EXPECT_NO_THROW(row.call(*session.bridge));
        EXPECT_TRUE(session.editor.WaitForExit(5000));
    }
}

TEST(ReplacementRule, DecidesOneMessageOrPiecesByFamilyWineAndPurpose)
{
    // Also systems this suite does not run on: outside Wine the NT family sends any length at once.
    struct Row { const char* name; bool wine; Replacement what; std::size_t bytes; std::optional<std::size_t> piece; };
    constexpr auto kSel = Replacement::Selection;
    constexpr auto kWhole = Replacement::WholeText;
    const std::size_t huge = 16u << 20;
    const Row rows[] = {
        {"WinNT", false, kSel, huge, {}},      {"WinNT", false, kWhole, huge, {}},
        {"WinNT", true, kSel, 65536, {}},      {"WinNT", true, kSel, 65537, 65536},
        {"WinNT", true, kWhole, 65537, 65536}, {"WinNT", true, kWhole, huge, 65536},
        {"Win98", false, kSel, 32760, {}},     {"Win98", false, kSel, 32761, 32759},
        {"Win98", false, kWhole, huge, {}},    {"WinMe", true, kSel, 40000, 32759},
        {"Win98", true, kSel, 70000, 32759},   {"Win98", true, kWhole, 40000, {}},
        {"Win98", true, kWhole, 70000, 65536}, {"", false, kSel, 40000, 32759}, // a failed version query counts as 9x
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + (row.wine ? " under Wine, " : ", ") +
                     (row.what == kSel ? "SelText, " : "Text, ") + std::to_string(row.bytes));
        EXPECT_EQ(ReplacementPiece(row.bytes, row.what, platform::FromAnsi(row.name), row.wine), row.piece);
    }
}

TEST(SelTextLet, GoesInOneMessageOrInPiecesThatNeverSplitACharacter)
{
    // The sizes of the EM_REPLACESEL sent under Wine as NT and on 9x; none: not checked.
    struct Row { const char* what; std::string text; std::vector<long long> underWine, on9x; bool readOnly = false; };
    const Row rows[] = {
        {"empty", "", {0}, {0}},
        {"32760 bytes", AsciiText(32760), {32760}, {32760}},
        {"32761 bytes", AsciiText(32761), {32761}, {kPiece, 2}},
        // Byte 32759 is a lead byte: the first 9x piece stops before it.
        {"a character from byte 32759", AsciiText(kPiece - 1) + kKatakanaA + "x", {32761}, {kPiece - 1, 3}},
        {"a rest of exactly 32760 bytes", AsciiText(kPiece + 32760), {65519}, {kPiece, kPiece, 1}},
        {"64 KB", AsciiText(65536), {65536}, {kPiece, kPiece, 18}},
        {"64 KB and one byte", AsciiText(65537), {65536, 1}, {kPiece, kPiece, 19}},
        {"a character from byte 65535", AsciiText(65535) + kKatakanaA + "x", {65535, 3}, {kPiece, kPiece, 20}},
        // One message stops at a NUL; so do the pieces.
        {"a NUL in a long text", AsciiText(100) + kNul + AsciiText(70000), {100}, {100}},
        {"6 MB of Japanese", MixedText(6u << 20), {}, {}},
        // Nothing measures what the editor kept here: every piece goes once.
        {"a read-only editor", AsciiText(70000), {65536, 4464}, {kPiece, kPiece, 4482}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Session session({.readOnly = row.readOnly}, "<<>>", 2, 2);
        const std::string kept = row.readOnly ? "" : UpToNul(row.text);
        const std::vector<long long> whole{static_cast<long long>(kept.size())};
        const auto& pieces = RunsAs9x() ? row.on9x : platform::RunsUnderWine() ? row.underWine : whole;
        const std::size_t messages = session.bridge->SelTextAnsi(row.text);
        if (!pieces.empty()) {
            Messages expected;
            for (long long piece : pieces) expected = Join({expected, ReplaceStep(piece)});
            EXPECT_TRUE(SameMessages(expected, session.editor.Log()));
            EXPECT_EQ(messages, pieces.size());
        }
        EXPECT_EQ(session.editor.Document(), "<<" + kept + ">>");
        EXPECT_EQ(session.Selection().first, 2 + static_cast<int>(kept.size()));
    }
}

TEST(TextLet, ReplacesAllRebuildsWhatTheEditorCutShortAndLeavesTheCaretAtByteOne)
{
    // After select all, the first replacement and the length query: the rest
    // of the text, or the rebuild from its end in pieces of what was kept.
    const auto rebuild = [](std::vector<long long> pieces) {
        Messages all = Join({UndoStep(), SelectAllStep()});
        for (long long piece : pieces) all = Join({all, ReplaceStep(piece), SelSetStep(0, 0)});
        return Join({all, SelSetStep(1, 1)});
    };
    const Messages done = SelSetStep(1, 1);
    constexpr int kRefused = -1, kUnchanged = -2; // instead of the caret: the document stays as it was
    // The caret is where the editor puts EM_SETSEL(1, 1); wine: 64 KB pieces.
    struct Row { const char* what; StandInOptions options; std::string text; long long first; Messages after; int caret;
                 bool wine = false; };
    const Row rows[] = {
        {"empty", {}, "", 0, done, 0},
        {"Japanese", {}, "b" + kKatakanaA + "c", 4, done, 1},
        {"longer than a 9x message", {}, MixedText(60000), 60000, done, 1},
        {"2f + r bytes", {.limit = 100}, AsciiText(250), 250, rebuild({100, 100, 50}), 1},
        // Byte 151 is a trail byte: that piece is a byte shorter, the character goes into the next.
        {"a character across a piece start", {.limit = 100}, AsciiText(150) + kKatakanaA + AsciiText(99, 5), 251,
         rebuild({99, 100, 52}), 1},
        // The editor itself stops before a character: f is 99.
        {"the editor cutting before a character", {.limit = 100}, AsciiText(99) + kKatakanaA + AsciiText(150, 9), 251,
         rebuild({99, 99, 53}), 1},
        {"exactly 2f", {.limit = 100}, AsciiText(200), 200, rebuild({100, 100}), 1},
        // Under Wine the rest follows a whole first piece at the caret, in pieces no longer.
        {"150000 bytes", {}, AsciiText(150000), 65536, Join({ReplaceStep(65536), ReplaceStep(18928), done}), 1, true},
        {"a character across 64 KB", {}, AsciiText(65535) + kKatakanaA + AsciiText(70000, 4), 65535,
         Join({ReplaceStep(65535), ReplaceStep(4467), done}), 1, true},
        {"an editor keeping 40000 bytes of the first piece", {.limit = 40000}, AsciiText(150000), 65536,
         rebuild({40000, 40000, 40000, 30000}), 1, true},
        {"a NUL in a long text", {}, AsciiText(100) + kNul + AsciiText(70000), 100, done, 1, true},
        // A rebuild that cannot finish is not begun: the attempt is taken back.
        {"an editor keeping nothing", {.limit = 0}, "abc", 3, UndoStep(), kRefused},
        // f is 1 and the last character has two bytes: its piece would be empty.
        {"a piece the repair empties", {.limit = 1}, "a" + kKatakanaA, 3, UndoStep(), kRefused},
        // A read-only editor keeps the old 8 bytes: a longer text looks cut short; the planned pieces end.
        {"read-only, a shorter text", {.readOnly = true}, "abc", 3, done, kUnchanged},
        {"read-only, a longer text", {.readOnly = true}, AsciiText(15), 15, rebuild({8, 7}), kUnchanged},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.wine && !platform::RunsUnderWine()) continue;
        Session session(row.options, "old text");
        if (row.caret == kRefused) EXPECT_THROW(session.bridge->Text(platform::FromAnsi(row.text)), BridgeError);
        else session.bridge->Text(platform::FromAnsi(row.text));
        EXPECT_TRUE(SameMessages(Join({SelectAllStep(), ReplaceStep(row.first), LengthStep(), row.after}),
                                 session.editor.Log()));
        EXPECT_EQ(session.editor.Document(), row.caret < 0 ? "old text" : UpToNul(row.text));
        if (row.caret >= 0) { EXPECT_EQ(session.Selection(), std::pair(row.caret, row.caret)); }
    }
}

// Japanese and ASCII in random runs, so that piece boundaries fall on every kind of byte.
std::wstring RandomText(std::mt19937& random, std::size_t minBytes)
{
    static const std::wstring kDouble = L"あいうえおアイウエオ漢字表ソ能―＼", kSingle = L"abcXYZ012 \r\nｱｲｳ";
    std::wstring text;
    for (std::size_t bytes = 0; bytes < minBytes;) {
        const std::wstring& pool = random() % 2 == 0 ? kDouble : kSingle;
        for (std::size_t i = 0, run = 1 + random() % 40; i < run; ++i, bytes += &pool == &kDouble ? 2 : 1)
            text += pool[random() % pool.size()];
    }
    return text;
}

TEST(TextProperty, RandomDoubleByteTextsSurviveThePiecesOfEitherFamilyAndARebuild)
{
    // Whole up to this many bytes, else in pieces of at most `piece`.
    const std::size_t wholeUpTo = RunsAs9x() ? 32760 : 65536, piece = RunsAs9x() ? kPiece : 65536;
    std::mt19937 random(20261207);
    Session session;
    Session keeping997({.limit = 997}); // odd, so pieces end on both halves of characters
    for (int round = 0; round < 6; ++round) {
        // Across both limits: 32760 bytes (9x) and 64 KB (Wine).
        const std::wstring text = RandomText(random, 32700 + random() % 70000);
        const std::string ansi = platform::ToAnsi(text);
        SCOPED_TRACE("round " + std::to_string(round) + ", " + std::to_string(ansi.size()) + " bytes");
        session.Reset("");
        session.bridge->SelText(text);
        ASSERT_EQ(session.editor.Document(), ansi);
        const std::vector<long long> sizes = ReplacedBytes(session.editor.Log());
        EXPECT_EQ(sizes.size() == 1, ansi.size() <= wholeUpTo);
        EXPECT_LE(std::ranges::max(sizes), static_cast<long long>(ansi.size() <= wholeUpTo ? ansi.size() : piece));

        // The editor snaps ends inside a character; the read gives back whatever selection it held.
        session.editor.SetSelection(3, 9);
        const std::pair<int, int> before = session.Selection();
        EXPECT_EQ(session.bridge->Text(), text);
        EXPECT_EQ(session.editor.Document(), ansi) << "the read changed the document";
        EXPECT_EQ(session.Selection(), before);

        // The first attempt sends everything; every piece after the undo fits.
        const std::wstring shorter = text.substr(0, 1500 + random() % 1500);
        keeping997.Reset("old text");
        keeping997.bridge->Text(shorter);
        EXPECT_EQ(keeping997.editor.Document(), platform::ToAnsi(shorter));
        const std::vector<long long> rebuilt = ReplacedBytes(keeping997.editor.Log());
        EXPECT_LE(*std::max_element(rebuilt.begin() + 1, rebuilt.end()), 997);
    }
}

} // namespace

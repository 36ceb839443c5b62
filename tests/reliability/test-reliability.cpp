// Nothing lost: the real window pastes into a real stand-in editor that goes away, refuses or keeps
// fewer bytes, from the awkward files and settings files users have. Run as reliability_tests (NT
// family) and reliability_tests_win98 (9x family, long texts in pieces).
#include "app/texts.h"
#include "tests/app/form_session.h"

#include "platform/code_page.h"
#include "platform/handles.h"
#include "platform/system_version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using apptest::ShownBox;

// The pieces a paste of n single-byte characters goes in: 64 KB under Wine whatever the version (Wine
// puts the text on the editor's stack), 32759 bytes on 9x beyond 32760, one message on Windows NT.
std::vector<long long> PiecesOf(long long n)
{
    const long long piece = !RunsOnNtFamily() ? 32759 : platform::RunsUnderWine() ? 65536 : n;
    if (n == 0) return {}; // nothing to paste: nothing is sent
    if (n <= (!RunsOnNtFamily() ? 32760 : piece)) return {n};
    std::vector<long long> pieces;
    for (long long begin = 0; begin < n; begin += piece) pieces.push_back(std::min(piece, n - begin));
    return pieces;
}

// Every paste goes between the document's two lines.
const std::string kHead = "head\r\n", kTail = "tail", kDocument = kHead + kTail;

std::vector<ShownBox> Told(const std::wstring& text, UINT style = MB_OK | MB_ICONEXCLAMATION)
{
    return {{text, L"Quillbay", style}};
}

// One stand-in serves many pastes: pastes only these files, each from the same document and caret, over
// `selected` bytes after the caret; returns how long it took.
std::chrono::steady_clock::duration PasteOnly(apptest::EditorSession& p, const std::vector<std::wstring>& paths,
                                              int selected = 0, bool closeEditorFirst = false)
{
    p.editor.SetDocument(kDocument);
    p.editor.SetSelection(static_cast<int>(kHead.size()), static_cast<int>(kHead.size()) + selected);
    p.session.boxes.clear();
    p.session.SelectOnly({}); // the drop selects what it adds
    p.session.Drop(paths);
    if (closeEditorFirst) p.editor.Close();
    const auto start = std::chrono::steady_clock::now();
    p.Paste();
    return std::chrono::steady_clock::now() - start;
}

TEST(ReliabilityEditor, APasteEndsAsAskedOrAsItWasIsToldWhenNotWholeAndOnlyThenKeepsTheWindow)
{
    struct Row {
        const char* what;
        bool readOnly = false;
        std::optional<int> limit = {};
        std::size_t size = 3000;
        int selected = 0;          // bytes selected at the caret
        bool closedBefore = false; // between the capture and the paste
        int endsAtPiece = 0;       // the editor exits at this replacement; 0: never
        std::vector<std::pair<UINT, WPARAM>> keys = {}; // the user's, right after the paste
        std::string typed = {};                          // what they add
    };
    const Row rows[] = {
        // Under Wine one EM_REPLACESEL of 512 KB or more ends an editor with
        // the 1 MB stack reserve of an ordinary program, as the stand-in has.
        {.what = "a large paste", .size = 1 << 20},
        // The selection stays: nothing is sent at all.
        {.what = "nothing to paste", .size = 0, .selected = 4},
        {.what = "within the limit", .limit = 1000, .size = 1000},
        {.what = "a short paste refused", .readOnly = true, .size = 100},
        {.what = "a long paste refused", .readOnly = true, .size = 70000},
        {.what = "one message cut short", .limit = 1000, .size = 5000},
        {.what = "many bytes cut short", .limit = 1000, .size = 70000},
        // Within the limit on the 9x family; a 64 KB piece under Wine is not.
        {.what = "pieces of a long paste", .limit = 40000, .size = 70000},
        // The selection deleted and nothing put in its place: cut short to 0 bytes.
        {.what = "a selection deleted, nothing kept", .limit = 0, .size = 100, .selected = 4},
        {.what = "the editor closed before", .closedBefore = true},
        {.what = "the editor ending at the one replacement", .endsAtPiece = 1},
        {.what = "the editor ending at the second piece", .size = 70000, .endsAtPiece = 2},
        // The document grew by one byte more than the paste: an edit came in
        // between, which an undo would take back instead of the paste.
        {.what = "a character typed", .size = 300, .keys = {{WM_CHAR, 'x'}}, .typed = "x"},
        // The document grew by exactly the paste, only the caret is elsewhere.
        {.what = "the caret moved", .size = 300, .keys = {{WM_KEYDOWN, VK_LEFT}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::vector<long long> pieces = PiecesOf(static_cast<long long>(row.size));
        const int endsAt = std::min(row.endsAtPiece, static_cast<int>(pieces.size()));
        const std::wstring pause = L"qb-typist-" + std::to_wstring(::GetCurrentProcessId());
        // Four queries come first, then a handle query and a replacement per piece.
        apptest::EditorSession p(false, {.readOnly = row.readOnly, .limit = row.limit,
                                         .exitAfter = endsAt ? std::optional(4 + 2 * endsAt) : std::nullopt,
                                         .pauseAfterReplace = row.keys.empty() ? L"" : pause});
        // The stand-in waits after the replacement and handles the keys before the window looks again.
        platform::UniqueEvent replaced(::CreateEventW(nullptr, FALSE, FALSE, (pause + L".replaced").c_str()));
        platform::UniqueEvent go(::CreateEventW(nullptr, FALSE, FALSE, (pause + L".go").c_str()));
        std::atomic<bool> typed = false;
        std::jthread typist([&] {
            if (row.keys.empty() || ::WaitForSingleObject(replaced.get(), 15000) != WAIT_OBJECT_0) return;
            for (const auto& [message, code] : row.keys) ::PostMessageW(p.editor.EditControl(), message, code, 0);
            typed = true;
            ::SetEvent(go.get());
        });
        ::SendMessageW(p.session.Control(frmQuillbay::kChkPasteAndEnd), BM_SETCHECK, BST_CHECKED, 0);
        const std::string text = testsupport::AsciiText(row.size);
        EXPECT_LT(PasteOnly(p, {p.File(L"t.txt", text)}, row.selected, row.closedBefore), std::chrono::seconds(10));
        typist.join();
        EXPECT_EQ(typed, !row.keys.empty());

        std::string kept; // what the editor keeps of each piece
        const long long keeps = row.limit.value_or(static_cast<int>(text.size()));
        for (std::size_t begin = 0, i = 0; i < pieces.size(); begin += static_cast<std::size_t>(pieces[i++]))
            kept += text.substr(begin, std::min(pieces[i], keeps));
        std::vector<ShownBox> told;
        std::string document = kDocument;
        if (endsAt || row.closedBefore) told = Told(texts::kEditorMissing, MB_OK);
        else if (row.readOnly) told = Told(texts::kPasteRefused);
        else if (kept == text && row.typed.empty()) document = kHead + text + kTail;
        else if (kept == text) document = kHead + text + row.typed + kTail, told = Told(texts::kPasteUnconfirmed);
        // Which pieces changed the document cannot be told apart from the
        // user's own edits: nothing is undone, the user is told.
        else if (pieces.size() > 1) document = kHead + kept + kTail, told = Told(texts::kPastePartial);
        else told = Told(texts::kPasteTakenBack); // one message, one edit: taken back
        EXPECT_EQ(p.session.boxes, told);
        // Quit after pasting quits only after a paste that went in whole.
        EXPECT_EQ(p.session.Form().Loaded(), !told.empty());
        EXPECT_TRUE(told.empty() || p.session.Form().PathCount() == 1) << p.session.Form().PathCount();
        const bool gone = endsAt || row.closedBefore;
        ASSERT_EQ(p.editor.WaitForExit(gone ? 5000 : 0), gone) << (gone ? "the editor stayed" : "the editor died");
        // The stand-in logs the message it did not answer: the replacement named.
        const std::vector<std::string> log = p.editor.Log();
        const std::string last = log.empty() ? "" : log.back() + " after " + std::to_string(testsupport::ReplacedBytes(log).size());
        EXPECT_TRUE(!endsAt || last == "edit EM_REPLACESEL 0 p after " + std::to_string(endsAt - 1)) << last;
        if (gone) continue;
        EXPECT_TRUE(row.size > 0 || p.editor.Log().empty()) << "nothing to paste, yet the editor was asked";
        EXPECT_EQ(p.editor.Document(), document);
        // Every piece goes once: the delivery ends however the editor answers.
        EXPECT_EQ(testsupport::ReplacedBytes(p.editor.Log()), pieces);
    }
}

// A Unix FIFO made by Linux's own mkfifo, which Wine starts like any program
// but does not wait for.
std::wstring MakeFifo()
{
    const std::string name = "/tmp/qb-fifo-" + std::to_string(::GetCurrentProcessId());
    const std::wstring fifo = L"Z:" + platform::FromAnsi(name);
    if (::WinExec(("Z:\\usr\\bin\\mkfifo " + name).c_str(), SW_HIDE) < 32) return {};
    for (int i = 0; i < 250; ++i, ::Sleep(20)) // Wine finds no attributes of a FIFO; opening works
        if (platform::UniqueFile(::CreateFileW(fifo.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, 0, nullptr)))
            return fifo;
    return {};
}

TEST(ReliabilityFiles, EachFileArrivesAsTheSystemReadsItOrStopsThePasteSoonNamingItsReason)
{
    apptest::EditorSession p;
    const std::wstring good = p.File(L"good.txt", "good"), locked = p.File(L"locked.txt", "locked");
    platform::UniqueFile lock(::CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    // 2 GiB - 1 bytes of zeros, the largest readable size, made sparse by setting its end.
    const std::wstring zeros = p.files / L"zeros.bin";
    platform::UniqueFile sparse(::CreateFileW(zeros.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const LARGE_INTEGER end{.QuadPart = 0x7FFFFFFF};
    ASSERT_TRUE(::SetFilePointerEx(sparse.get(), end, nullptr, FILE_BEGIN) && ::SetEndOfFile(sparse.get()));
    sparse.reset();
    const std::wstring pipeName = L"\\\\.\\pipe\\qb-" + std::to_wstring(::GetCurrentProcessId());
    platform::UniqueFile pipe(
        ::CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr));
    ASSERT_TRUE(pipe);
    // Row 0x85 is undefined in code page 932; a file ending on a lone lead
    // byte must not pair it with the next file's first byte.
    const std::string first = "ok\x85\x40" "x\x82", second = "\xa0" "end";
    const std::string asRead = platform::RoundTripAnsi(first) + platform::RoundTripAnsi(second);
    ASSERT_NE(asRead, first + second);
    struct Row {
        std::vector<std::wstring> paths;
        std::vector<ShownBox> told;
        std::string document;
    };
    const auto unreadable = [&](const std::wstring& path, const wchar_t* reason) {
        return Row{{good, path}, Told(std::wstring(texts::kUnreadableHeader) + L"\r\n\r\n" + path + L"\r\n" +
                                      texts::kUnreadableReasonPrefix + reason), kDocument};
    };
    // A name outside the code page: the NT family opens it by its 16-bit
    // name; on 9x, where only the ANSI name exists, no such file can be opened.
    const std::wstring emoji = p.File(L"\U0001F600.txt", "smile");
    std::vector<Row> rows = {
        {{p.File(L"a.txt", first), p.File(L"b.txt", second)}, {}, kHead + asRead + kTail},
        platform::IsNtFamily() ? Row{{good, emoji}, {}, kHead + "goodsmile" + kTail}
                               : unreadable(emoji, texts::kReasonNotFound),
        unreadable(locked, texts::kReasonLocked),
        unreadable(p.files.Path(), texts::kReasonIsFolder),
        unreadable(zeros, texts::kReasonContainsNul), // told at its first NUL, not after reading it all
        unreadable(pipeName, texts::kReasonNotRegular),
    };
    std::wstring fifo;
    if (platform::RunsUnderWine()) { // the Unix files Wine shows under Z:
        rows.push_back(unreadable(L"Z:\\dev\\zero", texts::kReasonNotRegular));
        rows.push_back(unreadable(L"Z:\\dev\\urandom", texts::kReasonNotRegular));
        rows.push_back(unreadable(L"Z:\\proc\\cpuinfo", texts::kReasonSizeChanged)); // a size of 0, yet text
        rows.push_back(unreadable(fifo = MakeFifo(), texts::kReasonNotRegular));
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(platform::ToAnsi(row.paths.back()));
        const int before = p.session.Form().PathCount();
        EXPECT_LT(PasteOnly(p, row.paths), std::chrono::seconds(5));
        EXPECT_EQ(p.editor.Log().empty(), row.document == kDocument);
        EXPECT_EQ(p.editor.Document(), row.document);
        EXPECT_EQ(p.session.boxes, row.told);
        EXPECT_EQ(p.session.Form().PathCount(), before + static_cast<int>(row.paths.size()));
    }
    // DeleteFileW leaves a FIFO in place under Wine.
    if (!fifo.empty()) ::WinExec(("Z:\\usr\\bin\\rm " + platform::ToAnsi(fifo.substr(2))).c_str(), SW_HIDE);
}

// 文字コードを自動判別 with both options of line ends: a long EUC-JP file with
// LF line ends, an ISO-2022-JP one without a final line break and a
// Shift-JIS one go in as one Shift-JIS text in CR LF, in pieces where the
// family needs them; the conversions call no code page 95, 98 or Me lacks.
TEST(ReliabilityFiles, JapaneseEncodingsAndLineEndOptionsPasteAlikeOnEitherFamily)
{
    apptest::EditorSession p;
    for (UINT id : {frmQuillbay::kMnuAutoEncoding, frmQuillbay::kMnuCrLfLineEnds, frmQuillbay::kMnuBreakBetweenFiles})
        ::SendMessageW(p.session.Window(), WM_SYSCOMMAND, id, 0);
    std::string euc, text;
    // 日本語のテキスト、ＡＢＣ。 in EUC-JP, from Python's codec, and a line number.
    for (int line = 0; text.size() < 70000; ++line) {
        euc += "\xC6\xFC\xCB\xDC\xB8\xEC\xA4\xCE\xA5\xC6\xA5\xAD\xA5\xB9\xA5\xC8\xA1\xA2\xA3\xC1\xA3\xC2\xA3\xC3\xA1\xA3 " +
               std::to_string(line) + "\n";
        text += platform::ToAnsi(L"日本語のテキスト、ＡＢＣ。 ") + std::to_string(line) + "\r\n";
    }
    const std::string jis = "\x1B$B$\"$$\x1B(B", sjis = platform::ToAnsi(L"ｶﾅ");
    text += platform::ToAnsi(L"あい") + "\r\n" + sjis;
    PasteOnly(p, {p.File(L"euc.txt", euc), p.File(L"jis.txt", jis), p.File(L"sjis.txt", sjis)});
    EXPECT_TRUE(p.session.boxes.empty());
    EXPECT_EQ(p.editor.Document(), kHead + text + kTail);
    // As many pieces as of single-byte text, each cut before a character that would not fit whole.
    const std::vector<long long> pieces = testsupport::ReplacedBytes(p.editor.Log()),
                                 asSingleBytes = PiecesOf(static_cast<long long>(text.size()));
    ASSERT_EQ(pieces.size(), asSingleBytes.size());
    for (std::size_t i = 0, begin = 0; i < pieces.size(); begin += static_cast<std::size_t>(pieces[i++])) {
        const auto piece = static_cast<std::size_t>(pieces[i]);
        EXPECT_EQ(piece, platform::CompleteCharsPrefix(std::string_view(text).substr(begin), static_cast<std::size_t>(asSingleBytes[0])))
            << "piece " << i;
    }
}

// The list's names: whole on the NT family, where a file name is 16-bit text;
// on 9x a name is ANSI bytes, and one outside the code page cannot exist there.
TEST(ReliabilityFiles, AListedNameIsWholeOnTheNtFamilyAndAsTheCodePageSpellsItOn9x)
{
    apptest::FormSession s;
    s.Drop({L"C:\\d\\\xD83D\xDE00.txt", L"C:\\d\\한글.txt", L"C:\\データ\\ソフト表.txt"});
    const std::vector<std::wstring> names = RunsOnNtFamily()
                                                ? std::vector<std::wstring>{L"\xD83D\xDE00.txt", L"한글.txt", L"ソフト表.txt"}
                                                : std::vector<std::wstring>{L"??.txt", L"??.txt", L"ソフト表.txt"};
    EXPECT_EQ(s.Entries(), names);
}

TEST(ReliabilitySettings, AnySettingsFileIsReadSafelyOnlyAnExactOneCountsAndClosingNeverFails)
{
    std::mt19937 random(7);
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>(1 + random() % 255);
    const std::string huge(1 << 20, 'x');
    const std::string other = "[Other]\r\nkeep=" + huge + "\r\n";
    const std::string section = "[Quillbay]\r\nchkTopmost=1\r\n" + huge + "\r\nMode=1\r\nPasteAndEnd=";
    const std::string offs = "[Quillbay]\r\nPasteAndEnd=0\r\nchkTopmost=0\r\nMode=0\r\n";
    // The save would write PasteAndEnd=0 over the 01 if it could.
    const std::string unwritable = "[Quillbay]\r\nPasteAndEnd=01\r\nchkTopmost=1\r\nMode=1\r\n";
    struct Row {
        const char* what;
        std::string file; // empty: none
        std::vector<LRESULT> shown; // PasteAndEnd, chkTopmost, Mode
        std::string after; // how the file ends after the window closed
    };
    // The profile reader drops blanks and quotes around a value; anything
    // else that is not exactly 1 is off. "\x82\x50" is a full-width 1.
    const Row rows[] = {
        {"missing", "", {0, 0, 0}, offs},
        {"ones", "[Quillbay]\r\nPasteAndEnd=1\r\nchkTopmost= 1 \r\nMode=\"1\"\r\n", {1, 1, 1},
         "[Quillbay]\r\nPasteAndEnd=1\r\nchkTopmost=1\r\nMode=1\r\n"},
        {"near ones", "[Quillbay]\r\nPasteAndEnd=01\r\nchkTopmost=1.0\r\nMode=+1\r\n", {0, 0, 0}, offs},
        {"minus ones", "[Quillbay]\r\nPasteAndEnd=-1\r\nchkTopmost=-1\r\nMode=-1\r\n", {0, 0, 0}, offs},
        {"another section's", "[Other]\r\nPasteAndEnd=1\r\nchkTopmost=1\r\nMode=1\r\n", {0, 0, 0}, offs},
        {"words", "[Quillbay]\r\nPasteAndEnd=true\r\nchkTopmost=\x82\x50\r\nMode=\r\n", {0, 0, 0}, offs},
        {"more", "[Quillbay]\r\nPasteAndEnd=1;\r\nchkTopmost=11\r\nMode=2\r\n", {0, 0, 0}, offs},
        // A value is read up to 255 bytes: a cut run of ones is not a one.
        {"garbage and huge lines", garbage + "\r\n" + section + std::string(300000, '1') + "\r\n" + other, {0, 1, 1},
         section + "0\r\n" + other},
        // Wine lets root write a file marked read-only: the file is held by
        // a handle that shares reading only, which Wine enforces.
        {"unwritable", unwritable, {0, 1, 1}, unwritable},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        apptest::FormSession s(row.file);
        platform::UniqueFile hold;
        if (row.file == unwritable)
            hold.reset(::CreateFileW(apptest::OwnSettingsFile().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
        const auto state = [&](int id, UINT query) { return ::SendMessageW(s.Control(id), query, 0, 0); };
        EXPECT_EQ((std::vector<LRESULT>{state(frmQuillbay::kChkPasteAndEnd, BM_GETCHECK),
                                        state(frmQuillbay::kChkTopmost, BM_GETCHECK),
                                        state(frmQuillbay::kCboMode, CB_GETCURSEL)}),
                  row.shown);
        EXPECT_EQ((::GetWindowLongW(s.Window(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, row.shown[1] == 1);
        s.Form().Unload();
        EXPECT_FALSE(s.Form().Loaded());
        EXPECT_TRUE(s.boxes.empty());
        hold.reset();
        const std::string bytes = testsupport::ReadFileBytes(apptest::OwnSettingsFile());
        EXPECT_TRUE(bytes.ends_with(row.after)) << bytes.substr(0, 300);
    }
}

} // namespace

// The drop window's keyboard, look and list edge cases, and the paste's
// harder files, driven in this process; the stand-in editor runs in its own.
#include "form_session.h"

#include "app/texts.h"
#include "support/standin_driver.h"

#include "platform/handles.h"
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using apptest::DataRef;
using apptest::FormSession;
using apptest::ShownBox;
using apptest::DataObject;
using testsupport::SameMessages;
using testsupport::StandIn;
using testsupport::TempDir;

namespace {

int Px(int twips)
{
    return ::MulDiv(twips, platform::ui::ScreenDpi(), 1440);
}

LONG StyleOf(HWND hwnd)
{
    return ::GetWindowLongW(hwnd, GWL_STYLE);
}

// --- keyboard --------------------------------------------------------------------------

// A key as the message loop gets it: posted to the focus, then handled with
// the window's dialog keys.
void Press(FormSession& session, UINT message, WPARAM key)
{
    ::PostMessageW(::GetFocus(), message, key, message == WM_SYSCHAR ? (1 << 29) : 0);
    apptest::HandleWaitingMessages(session.Window());
}

TEST(DropWindowKeys, TabStartsBehindTheLabelAndWalksTheDesignedOrder)
{
    FormSession session({}, true);
    // The label comes first among the children: its access key moves to the list.
    EXPECT_EQ(::GetDlgCtrlID(::GetWindow(session.Window(), GW_CHILD)), frmQuillbay::kLblText);
    EXPECT_EQ(::GetDlgCtrlID(::GetWindow(session.Control(frmQuillbay::kLblText), GW_HWNDNEXT)),
              frmQuillbay::kLstFiles);

    ::SetForegroundWindow(session.Window());
    ::SetFocus(session.List());
    std::vector<int> visited;
    for (int i = 0; i < 8; ++i) {
        Press(session, WM_KEYDOWN, VK_TAB);
        visited.push_back(::GetDlgCtrlID(::GetFocus()));
    }
    const std::vector<int> expected = {frmQuillbay::kCmdUp,          frmQuillbay::kCmdDown, frmQuillbay::kChkTopmost,
                                       frmQuillbay::kChkPasteAndEnd, frmQuillbay::kCboMode, frmQuillbay::kCmdExec,
                                       frmQuillbay::kCmdRemove,      frmQuillbay::kLstFiles};
    EXPECT_EQ(visited, expected);
}

TEST(DropWindowKeys, AccessKeysReachTheirControlsAndEnterPastes)
{
    testsupport::ForeignWindow foreign; // nothing to capture: the paste says the editor is missing
    FormSession session({}, true);
    ::SetForegroundWindow(session.Window());

    ::SetFocus(session.Control(frmQuillbay::kCmdExec));
    Press(session, WM_SYSCHAR, L't');
    EXPECT_EQ(::GetFocus(), session.List()) << "the label's T moves to the list";

    Press(session, WM_SYSCHAR, L'e');
    EXPECT_EQ(::SendMessageW(session.Control(frmQuillbay::kChkPasteAndEnd), BM_GETCHECK, 0, 0), BST_CHECKED);
    ::SendMessageW(session.Control(frmQuillbay::kChkPasteAndEnd), BM_SETCHECK, BST_UNCHECKED, 0);

    ::SetFocus(session.List());
    Press(session, WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(session.boxes, (std::vector<ShownBox>{{L"対象の TeraPad が見つかりません。", L"Quillbay", MB_OK}}));
}

// The list's own keys. A key as the message loop gets it, posted to the
// focus: Alt in the key's message itself (its context bit), Ctrl in the
// thread's key state, where the window reads it.
void PressWith(FormSession& session, UINT message, WPARAM key, bool ctrl)
{
    BYTE state[256] = {};
    ::GetKeyboardState(state);
    const BYTE before = state[VK_CONTROL];
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    ::SetKeyboardState(state);
    ::PostMessageW(::GetFocus(), message, key, 1 | (message == WM_SYSKEYDOWN ? KF_ALTDOWN << 16 : 0));
    apptest::HandleWaitingMessages(session.Window());
    state[VK_CONTROL] = before;
    ::SetKeyboardState(state);
}

TEST(DropWindowKeys, TheListAnswersDeleteCtrlAAndAltArrowsAsItsButtonsDo)
{
    const std::vector<std::wstring> abc = {L"C:\\d\\A.txt", L"C:\\d\\B.txt", L"C:\\d\\C.txt"};
    const std::wstring &a = abc[0], &b = abc[1], &c = abc[2];
    // No name starts with A: the list's own type-ahead finds nothing.
    const std::vector<std::wstring> xyz = {L"C:\\d\\X.txt", L"C:\\d\\Y.txt", L"C:\\d\\Z.txt"};
    const int list = frmQuillbay::kLstFiles;
    struct Row {
        const char* what;
        std::vector<std::wstring> dropped;
        int focus; // control id
        UINT message;
        WPARAM key;
        bool ctrl;
        int caret;
        std::vector<int> selected;
        std::vector<std::wstring> pathsAfter;
        std::vector<int> selectedAfter;
        int caretAfter; // -1: not looked at
    };
    const Row rows[] = {
        {"Delete removes the current entry", abc, list, WM_KEYDOWN, VK_DELETE, false, 1, {0, 1}, {a, c}, {0}, -1},
        {"Delete on the last entry", abc, list, WM_KEYDOWN, VK_DELETE, false, 2, {}, {a, b}, {}, -1},
        {"Ctrl+Delete is not Delete", abc, list, WM_KEYDOWN, VK_DELETE, true, 1, {}, abc, {}, 1},
        {"Delete with the focus on a button", abc, frmQuillbay::kCmdRemove, WM_KEYDOWN, VK_DELETE, false, 1, {}, abc, {}, 1},
        {"Ctrl+A selects every entry", abc, list, WM_KEYDOWN, 'A', true, 1, {2}, abc, {0, 1, 2}, 1},
        {"A alone selects nothing", xyz, list, WM_KEYDOWN, 'A', false, 1, {2}, xyz, {2}, 1},
        {"Alt+Up moves the current entry up", abc, list, WM_SYSKEYDOWN, VK_UP, false, 2, {2}, {a, c, b}, {2}, 1},
        {"Alt+Down moves it down", abc, list, WM_SYSKEYDOWN, VK_DOWN, false, 0, {1}, {b, a, c}, {1}, 1},
        {"Alt+Up on the first entry", abc, list, WM_SYSKEYDOWN, VK_UP, false, 0, {}, abc, {}, 0},
        {"Alt+Down on the last entry", abc, list, WM_SYSKEYDOWN, VK_DOWN, false, 2, {}, abc, {}, 2},
        {"Up alone moves the caret and the selection", abc, list, WM_KEYDOWN, VK_UP, false, 2, {0}, abc, {1}, 1},
    };
    // One shown window for every row: each shown window costs seconds to go.
    FormSession session({}, true);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        while (session.Form().PathCount() > 0) {
            session.SetCaret(0);
            session.Click(frmQuillbay::kCmdRemove);
        }
        session.Drop(row.dropped);
        session.SelectOnly(row.selected);
        session.SetCaret(row.caret);
        ::SetForegroundWindow(session.Window());
        ::SetFocus(session.Control(row.focus));
        PressWith(session, row.message, row.key, row.ctrl);
        std::vector<std::wstring> names;
        for (const auto& path : row.pathsAfter) names.push_back(path.substr(path.rfind(L'\\') + 1));
        EXPECT_EQ(session.Entries(), names);
        EXPECT_EQ(session.Form().Paths(), row.pathsAfter);
        EXPECT_EQ(session.Form().PathCount(), static_cast<int>(row.pathsAfter.size()));
        EXPECT_EQ(session.SelectedEntries(), row.selectedAfter);
        if (row.caretAfter >= 0) {
            EXPECT_EQ(session.Caret(), row.caretAfter);
        }
    }
    // An empty list: Delete, Ctrl+A and the Alt arrows change nothing.
    while (session.Form().PathCount() > 0) {
        session.SetCaret(0);
        session.Click(frmQuillbay::kCmdRemove);
    }
    ::SetFocus(session.List());
    PressWith(session, WM_KEYDOWN, VK_DELETE, false);
    PressWith(session, WM_KEYDOWN, 'A', true);
    PressWith(session, WM_SYSKEYDOWN, VK_UP, false);
    PressWith(session, WM_SYSKEYDOWN, VK_DOWN, false);
    EXPECT_TRUE(session.Entries().empty());
    EXPECT_EQ(session.Form().PathCount(), 0);
}

// --- look --------------------------------------------------------------------------------

TEST(DropWindowLook, ModeListClosedBoxAndTheJapaneseFontFollowTheScreen)
{
    FormSession session;
    HWND mode = session.Control(frmQuillbay::kCboMode);
    RECT r{};
    ::GetWindowRect(mode, &r);
    ::MapWindowPoints(nullptr, session.Window(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, Px(120));
    EXPECT_EQ(r.top, Px(2760));
    EXPECT_EQ(r.right - r.left, Px(2175));
    EXPECT_EQ(r.bottom - r.top, Px(300)) << "the closed box";
    EXPECT_EQ(platform::ui::WindowText(mode), L"カーソル位置に挿入");

    EXPECT_TRUE(StyleOf(session.List()) & LBS_EXTENDEDSEL);
    EXPECT_FALSE(StyleOf(session.List()) & LBS_SORT);
    EXPECT_EQ(StyleOf(session.Control(frmQuillbay::kCmdExec)) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    for (int id = frmQuillbay::kLblText; id <= frmQuillbay::kCmdRemove; ++id) {
        HFONT font = reinterpret_cast<HFONT>(::SendMessageW(session.Control(id), WM_GETFONT, 0, 0));
        LOGFONTW face{};
        ASSERT_TRUE(font && ::GetObjectW(font, sizeof face, &face)) << "control " << id;
        EXPECT_STREQ(face.lfFaceName, L"MS UI Gothic") << "control " << id;
        EXPECT_EQ(face.lfHeight, -::MulDiv(9, platform::ui::ScreenDpi(), 72)) << "control " << id;
    }
}

bool IsAbove(HWND upper, HWND lower)
{
    for (HWND w = ::GetWindow(upper, GW_HWNDNEXT); w; w = ::GetWindow(w, GW_HWNDNEXT))
        if (w == lower) return true;
    return false;
}

TEST(DropWindowLook, AlwaysOnTopStaysAboveTheEditorBroughtToFront)
{
    StandIn editor;
    FormSession session({}, true);
    session.Click(frmQuillbay::kChkTopmost);
    editor.BringToFront();
    apptest::HandleWaitingMessages(session.Window());
    EXPECT_TRUE(IsAbove(session.Window(), editor.Main())) << "kept above the editor in front";

    session.Click(frmQuillbay::kChkTopmost);
    editor.BringToFront();
    ::SetWindowPos(editor.Main(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_TRUE(IsAbove(editor.Main(), session.Window())) << "released";
}

// --- the drop target --------------------------------------------------------------------

TEST(DropWindowDrag, TheDropTargetAnswersCopyForFilesOnlyAndDropsOnlyWhatItAccepted)
{
    DataRef files(DataObject::Files({L"C:\\d\\A.txt"}));
    DataRef text(DataObject::Text("plain text"));
    struct Case {
        const char* name;
        IDataObject* data;
        DWORD allowed;
        DWORD effect;
        std::vector<std::wstring> entriesAfterDrop;
    } cases[] = {
        {"files, every effect allowed", files.get(), DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK,
         DROPEFFECT_COPY, {L"A.txt"}},
        {"files, copy allowed", files.get(), DROPEFFECT_COPY, DROPEFFECT_COPY, {L"A.txt"}},
        {"files, only move allowed", files.get(), DROPEFFECT_MOVE, DROPEFFECT_NONE, {}},
        {"text", text.get(), DROPEFFECT_COPY | DROPEFFECT_MOVE, DROPEFFECT_NONE, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FormSession session;
        IDropTarget* target = session.Form().DropTarget();
        ASSERT_TRUE(target);
        const POINTL at{10, 10};
        DWORD enter = c.allowed, over = c.allowed, drop = c.allowed;
        EXPECT_EQ(target->DragEnter(c.data, MK_LBUTTON, at, &enter), S_OK);
        // Keys and position make no difference.
        EXPECT_EQ(target->DragOver(MK_LBUTTON | MK_SHIFT | MK_CONTROL, POINTL{500, 500}, &over), S_OK);
        EXPECT_EQ(target->Drop(c.data, 0, at, &drop), S_OK);
        EXPECT_EQ((std::vector<DWORD>{enter, over, drop}), (std::vector<DWORD>{c.effect, c.effect, c.effect}));
        EXPECT_EQ(session.Entries(), c.entriesAfterDrop);
    }
}

// --- list operations ------------------------------------------------------------------------

const std::vector<std::wstring> kABC = {L"C:\\d\\A.txt", L"C:\\d\\B.txt", L"C:\\d\\C.txt"};

TEST(DropWindowList, ButtonsActOnTheCurrentEntryAndNothingElse)
{
    const int up = frmQuillbay::kCmdUp, down = frmQuillbay::kCmdDown, remove = frmQuillbay::kCmdRemove;
    struct Case {
        const char* name;
        std::vector<std::wstring> dropped;
        int caret; // -1: none set (the list may be empty)
        int button;
        std::vector<std::wstring> paths;
        int caretAfter; // -1: not looked at
    } cases[] = {
        {"up on entry 2", kABC, 2, up, {kABC[0], kABC[2], kABC[1]}, 1},
        {"up on entry 1", kABC, 1, up, {kABC[1], kABC[0], kABC[2]}, 0},
        {"up on the first entry", kABC, 0, up, kABC, 0},
        {"down on entry 0", kABC, 0, down, {kABC[1], kABC[0], kABC[2]}, 1},
        {"down on entry 1", kABC, 1, down, {kABC[0], kABC[2], kABC[1]}, 2},
        {"down on the last entry", kABC, 2, down, kABC, 2},
        {"up, empty list", {}, -1, up, {}, -1},
        {"down, empty list", {}, -1, down, {}, -1},
        {"remove, empty list", {}, -1, remove, {}, -1},
        {"remove the first", kABC, 0, remove, {kABC[1], kABC[2]}, -1},
        {"remove the middle", kABC, 1, remove, {kABC[0], kABC[2]}, -1},
        {"remove the last", kABC, 2, remove, {kABC[0], kABC[1]}, -1},
        {"remove the only", {kABC[0]}, 0, remove, {}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FormSession session;
        if (!c.dropped.empty()) session.Drop(c.dropped);
        if (c.caret >= 0) session.SetCaret(c.caret);
        session.Click(c.button);
        std::vector<std::wstring> names;
        for (const auto& path : c.paths) names.push_back(path.substr(path.rfind(L'\\') + 1));
        EXPECT_EQ(session.Entries(), names);
        EXPECT_EQ(session.Form().Paths(), c.paths);
        EXPECT_EQ(session.Form().PathCount(), static_cast<int>(c.paths.size()));
        if (c.caretAfter >= 0) {
            EXPECT_EQ(session.Caret(), c.caretAfter);
        }
    }
}

TEST(DropWindowList, MovingLeavesTheSelectedFlagsWithTheirPositions)
{
    FormSession session;
    session.Drop(kABC);
    session.SelectOnly({2});
    session.SetCaret(2);
    session.Click(frmQuillbay::kCmdUp);
    EXPECT_EQ(session.Entries(), (std::vector<std::wstring>{L"A.txt", L"C.txt", L"B.txt"}));
    EXPECT_EQ(session.SelectedEntries(), (std::vector<int>{2}));
}

TEST(DropWindowList, ADropLeavesEarlierSelectionsAndTheCurrentEntryAlone)
{
    FormSession session;
    session.Drop(kABC);
    session.SelectOnly({1});
    session.SetCaret(2);
    session.Drop({L"C:\\文書\\予定表.txt", L"C:\\文書"}); // a folder is listed like a file
    EXPECT_EQ(session.Entries(), (std::vector<std::wstring>{L"A.txt", L"B.txt", L"C.txt", L"予定表.txt", L"文書"}));
    EXPECT_EQ(session.SelectedEntries(), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(session.Caret(), 2);
}

// --- the paste's files -----------------------------------------------------------------------

// The stand-in in front when the session starts, so the window's bridge captures it.
struct PasteSession {
    StandIn editor;
    FormSession session;
    TempDir files;

    std::wstring File(const std::wstring& name, const std::string& bytes)
    {
        testsupport::WriteFileBytes(files / name, bytes);
        return files / name;
    }
    void Paste()
    {
        editor.ClearLog();
        session.Click(frmQuillbay::kCmdExec);
    }
};

TEST(DropWindowPaste, FileBytesGoThroughTheAnsiCodePageWhateverTheirEncoding)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::string document; // what the editor holds afterwards
    } cases[] = {
        {"Shift-JIS", "\x82\xa0\x82\xa2\r\n", "\x82\xa0\x82\xa2\r\n"},
        // UTF-8 ああ is E3 81 82 E3 81 82: in code page 932 three other characters.
        {"UTF-8", "\xe3\x81\x82\xe3\x81\x82", "\xe3\x81\x82\xe3\x81\x82"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PasteSession s;
        s.session.Drop({s.File(L"f.txt", c.bytes)});
        s.Paste();
        EXPECT_EQ(s.editor.Document(), c.document);
    }
}

TEST(DropWindowPaste, ANameOutsideTheAnsiCodePageStillOpens)
{
    PasteSession s;
    // Hangul has no place in code page 932: only the 16-bit path opens it.
    const std::wstring path = s.File(L"한글.txt", "hangul");
    s.session.Drop({path});
    s.Paste();
    EXPECT_EQ(s.editor.Document(), "hangul");
    EXPECT_TRUE(s.session.boxes.empty());
}

TEST(DropWindowPaste, AFileOverTwoGigabytesIsRefusedAndNothingIsSent)
{
    PasteSession s;
    const std::wstring big = s.files / L"big.bin";
    {
        // Sparse: 2 GiB on the file system costs nothing.
        platform::UniqueFile file(
            ::CreateFileW(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER size{};
        size.QuadPart = 0x80000000LL;
        ASSERT_TRUE(::SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(::SetEndOfFile(file.get()));
    }
    s.session.Drop({s.File(L"small.txt", "small"), big});
    s.Paste();
    EXPECT_TRUE(SameMessages({}, s.editor.Log()));
    ASSERT_EQ(s.session.boxes.size(), 1u);
    EXPECT_EQ(s.session.boxes[0].text, std::wstring(texts::kUnreadableHeader) + L"\r\n\r\n" + big + L"\r\n" +
                                           texts::kUnreadableReasonPrefix + texts::kReasonTooLarge);
    EXPECT_EQ(s.session.boxes[0].style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    ::DeleteFileW(big.c_str());
}

TEST(DropWindowPaste, AFileListedTwiceIsNamedOnceWhenItCannotBeRead)
{
    PasteSession s;
    const std::wstring gone = s.files / L"gone.txt";
    s.session.Drop({gone, gone});
    s.Paste();
    ASSERT_EQ(s.session.boxes.size(), 1u);
    EXPECT_EQ(s.session.boxes[0].text, std::wstring(texts::kUnreadableHeader) + L"\r\n\r\n" + gone + L"\r\n" +
                                           texts::kUnreadableReasonPrefix + texts::kReasonNotFound);
    EXPECT_EQ(s.session.Form().PathCount(), 2);
    EXPECT_EQ(s.session.SelectedEntries(), (std::vector<int>{0, 1}));
}

TEST(DropWindowPaste, TheBoxNamesFiveUnreadableFilesCutsLongPathsAndCountsTheRest)
{
    TempDir files; // never written: every path names a file that is not there
    const auto entry = [](const std::wstring& shown) {
        return L"\r\n" + shown + L"\r\n" + texts::kUnreadableReasonPrefix + texts::kReasonNotFound;
    };
    const auto rest = [](int n) {
        return L"\r\n\r\n" + std::wstring(texts::kUnreadableRestBefore) + std::to_wstring(n) + texts::kUnreadableRestAfter;
    };
    const std::wstring header = std::wstring(texts::kUnreadableHeader) + L"\r\n";
    std::vector<std::wstring> gone;
    for (int i = 0; i < 32767; ++i) gone.push_back(files / (L"gone" + std::to_wstring(i) + L".txt"));
    // 100 characters are shown whole; a longer path keeps its first 40 and
    // last 59 around an ellipsis, and a surrogate pair at either cut stays
    // whole (U+20B9F, 𠮟, is D842 DF9F).
    const std::wstring folder = files.Path() + L"\\";
    const std::wstring hundred = folder + std::wstring(100 - folder.size(), L'a');
    const std::wstring longer = folder + std::wstring(200, L'b') + L"\\end.txt";
    std::wstring pairs = L"C:\\" + std::wstring(36, L'c');
    for (int i = 0; i < 60; ++i) pairs += L"\xD842\xDF9F";
    struct Row {
        const char* what;
        std::vector<std::wstring> dropped;
        std::wstring text;
    };
    const Row rows[] = {
        {"five, one listed twice", {gone[0], gone[1], gone[0], gone[2], gone[3], gone[4]},
         header + entry(gone[0]) + entry(gone[1]) + entry(gone[2]) + entry(gone[3]) + entry(gone[4])},
        {"six", {gone.begin(), gone.begin() + 6},
         header + entry(gone[0]) + entry(gone[1]) + entry(gone[2]) + entry(gone[3]) + entry(gone[4]) + rest(1)},
        {"a full list", gone,
         header + entry(gone[0]) + entry(gone[1]) + entry(gone[2]) + entry(gone[3]) + entry(gone[4]) + rest(32762)},
        {"long paths", {hundred, longer, pairs},
         header + entry(hundred) + entry(longer.substr(0, 40) + L"\x2026" + longer.substr(longer.size() - 59)) +
             entry(pairs.substr(0, 39) + L"\x2026" + pairs.substr(pairs.size() - 58))},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        PasteSession s;
        s.session.Drop(row.dropped);
        s.Paste();
        ASSERT_EQ(s.session.boxes.size(), 1u);
        EXPECT_EQ(s.session.boxes[0].text, row.text);
    }
}

TEST(DropWindowPaste, AMissingEditorIsToldAndQuitAfterPastingKeepsTheWindowAndItsList)
{
    // Nothing was delivered: the user needs the list for the next try.
    PasteSession s;
    s.session.Drop({s.File(L"a.txt", "abc")});
    ::SendMessageW(s.session.Control(frmQuillbay::kChkPasteAndEnd), BM_SETCHECK, BST_CHECKED, 0);
    s.editor.Close();
    s.session.Click(frmQuillbay::kCmdExec);
    EXPECT_EQ(s.session.boxes, (std::vector<ShownBox>{{L"対象の TeraPad が見つかりません。", L"Quillbay", MB_OK}}));
    EXPECT_TRUE(s.session.Form().Loaded());
    EXPECT_EQ(s.session.Entries(), (std::vector<std::wstring>{L"a.txt"}));
}

TEST(DropWindowPaste, TheListStaysAsItWasAfterAPaste)
{
    PasteSession s;
    s.session.Drop(std::vector<std::wstring>{s.File(L"a.txt", "a"), s.File(L"b.txt", "b"), s.File(L"c.txt", "c")});
    s.session.SelectOnly({0, 2});
    s.session.SetCaret(1);
    s.Paste();
    EXPECT_EQ(s.editor.Document(), "ac");
    EXPECT_EQ(s.session.Entries(), (std::vector<std::wstring>{L"a.txt", L"b.txt", L"c.txt"}));
    EXPECT_EQ(s.session.SelectedEntries(), (std::vector<int>{0, 2}));
    EXPECT_EQ(s.session.Caret(), 1);
    EXPECT_TRUE(s.session.Form().Loaded());
}

} // namespace

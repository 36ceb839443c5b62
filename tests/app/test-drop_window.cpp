// The drop window's keys, look, list and drop target, and the box that names
// unreadable files, driven in this process; the stand-in runs in its own.
#include "form_session.h"

#include "app/file_name.h"
#include "app/texts.h"

#include "platform/handles.h"
#include "platform/system_version.h"
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

using apptest::FormSession;
using F = frmQuillbay;

const std::wstring kA = L"C:\\d\\A.txt", kB = L"C:\\d\\B.txt", kC = L"C:\\d\\C.txt";
const std::vector<std::wstring> kABC = {kA, kB, kC};

// The list shows each path's name and keeps the path itself.
void ExpectList(FormSession& s, const std::vector<std::wstring>& paths)
{
    std::vector<std::wstring> names;
    for (const auto& path : paths) names.push_back(path.substr(path.rfind(L'\\') + 1));
    EXPECT_EQ(s.Entries(), names);
    EXPECT_EQ(s.Form().Paths(), paths);
    EXPECT_EQ(s.Form().PathCount(), static_cast<int>(paths.size()));
}

// A key as the message loop gets it, posted to the focus: Alt in the message
// itself, Ctrl in the thread's key state, where the window reads it.
void Press(FormSession& s, UINT message, WPARAM key, bool ctrl = false)
{
    BYTE state[256] = {};
    ::GetKeyboardState(state);
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    ::SetKeyboardState(state);
    ::PostMessageW(::GetFocus(), message, key, message == WM_SYSKEYDOWN || message == WM_SYSCHAR ? 1 | KF_ALTDOWN << 16 : 1);
    s.Pump();
    state[VK_CONTROL] = 0;
    ::SetKeyboardState(state);
}

// One shown window and its editor for the suite: a shown window takes seconds to go.
class ShownWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { shown = new apptest::EditorSession(true); }
    static void TearDownTestSuite() { delete shown; }
    void SetUp() override { Restart(); }
    // An empty list in the window in front, as after a start.
    void Restart()
    {
        // One click per entry: a 消 that removes nothing fails here instead of looping.
        for (int left = s.Count(); left > 0; --left) s.SetCaret(0), s.Click(F::kCmdRemove);
        ASSERT_EQ(s.Count(), 0);
        ::SetForegroundWindow(s.Window());
    }
    static inline apptest::EditorSession* shown = nullptr;
    FormSession& s = shown->session;
};

TEST_F(ShownWindow, TabWalksTheDesignedOrderAccessKeysReachTheirControlsAndEnterPastesLeavingTheList)
{
    // The label comes first among the children: its access key moves to the list.
    EXPECT_EQ(::GetDlgCtrlID(::GetWindow(s.Window(), GW_CHILD)), F::kLblText);
    EXPECT_EQ(::GetDlgCtrlID(::GetWindow(s.Control(F::kLblText), GW_HWNDNEXT)), F::kLstFiles);
    ::SetFocus(s.List());
    std::vector<int> visited;
    for (int i = 0; i < 8; ++i) Press(s, WM_KEYDOWN, VK_TAB), visited.push_back(::GetDlgCtrlID(::GetFocus()));
    EXPECT_EQ(visited, (std::vector<int>{F::kCmdUp, F::kCmdDown, F::kChkTopmost, F::kChkPasteAndEnd, F::kCboMode,
                                         F::kCmdExec, F::kCmdRemove, F::kLstFiles}));
    ::SetFocus(s.Control(F::kCmdExec));
    Press(s, WM_SYSCHAR, L't');
    EXPECT_EQ(::GetFocus(), s.List()) << "the label's T moves to the list";
    Press(s, WM_SYSCHAR, L'e');
    EXPECT_EQ(::SendMessageW(s.Control(F::kChkPasteAndEnd), BM_GETCHECK, 0, 0), BST_CHECKED);
    s.Check(F::kChkPasteAndEnd, false);
    // Away and back, as the system says it: the focus returns to the control
    // that had it, not to the window or the list.
    ::SetFocus(s.Control(F::kCboMode));
    ::SendMessageW(s.Window(), WM_ACTIVATE, WA_INACTIVE, 0);
    ::SetFocus(s.Window());
    ::SendMessageW(s.Window(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(::GetFocus(), s.Control(F::kCboMode));

    shown->editor.SetDocument("");
    s.Drop({shown->File(L"a.txt", "a"), shown->File(L"b.txt", "b"), shown->File(L"c.txt", "c")});
    s.SelectOnly({0, 2});
    s.SetCaret(1);
    Press(s, WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(shown->editor.Document(), "ac");
    EXPECT_EQ(s.Entries(), (std::vector<std::wstring>{L"a.txt", L"b.txt", L"c.txt"}));
    EXPECT_EQ(s.SelectedEntries(), (std::vector<int>{0, 2}));
    EXPECT_EQ(s.Caret(), 1);
}

TEST_F(ShownWindow, TheListsButtonsKeysAndDropsActOnTheCurrentEntryAndSelectJustTheNew)
{
    struct Act {
        int control;      // a drag of `more` onto the list when 0, with `key` the effects the source allows
        UINT message = 0; // 0: a click on the control
        WPARAM key = 0;
        bool ctrl = false;
    };
    const int list = F::kLstFiles;
    const Act up{F::kCmdUp}, down{F::kCmdDown}, remove{F::kCmdRemove}, del{list, WM_KEYDOWN, VK_DELETE},
        ctrlA{list, WM_KEYDOWN, 'A', true}, altUp{list, WM_SYSKEYDOWN, VK_UP}, altDown{list, WM_SYSKEYDOWN, VK_DOWN};
    const std::vector<std::wstring> more = {kA, L"C:\\文書\\予定表.txt", L"C:\\文書"}; // a folder is listed like a file
    const std::vector<std::wstring> abcMore = {kA, kB, kC, more[0], more[1], more[2]};
    // No name starts with A: the list's own type-ahead finds nothing.
    const std::vector<std::wstring> xyz = {L"C:\\d\\X.txt", L"C:\\d\\Y.txt", L"C:\\d\\Z.txt"};
    // What: dropped first, selected, current (-1: none set), act; then paths, selected, current (-1: not looked at).
    for (const auto& [what, dropped, selected, caret, act, paths, selectedAfter, caretAfter] : {
             std::tuple{"↑ on entry 2", kABC, std::vector<int>{}, 2, up, std::vector{kA, kC, kB}, std::vector<int>{}, 1},
             {"↑ on entry 1", kABC, {}, 1, up, {kB, kA, kC}, {}, 0},
             {"↑ on the first entry", kABC, {}, 0, up, kABC, {}, 0},
             {"↓ on entry 0", kABC, {}, 0, down, {kB, kA, kC}, {}, 1},
             {"↓ on entry 1", kABC, {}, 1, down, {kA, kC, kB}, {}, 2},
             {"↓ on the last entry", kABC, {}, 2, down, kABC, {}, 2},
             {"moving leaves the selected flags with their positions", kABC, {2}, 2, up, {kA, kC, kB}, {2}, 1},
             {"消 on the first", kABC, {1}, 0, remove, {kB, kC}, {0}, -1},
             {"消 on the middle", kABC, {0, 2}, 1, remove, {kA, kC}, {0, 1}, -1},
             {"消 on the last", kABC, {}, 2, remove, {kA, kB}, {}, -1},
             {"消 on the only", {kA}, {0}, 0, remove, {}, {}, -1},
             {"Delete removes the current entry", kABC, {0, 1}, 1, del, {kA, kC}, {0}, -1},
             {"Delete on the last entry", kABC, {}, 2, del, {kA, kB}, {}, -1},
             {"Ctrl+Delete is not Delete", kABC, {}, 1, {list, WM_KEYDOWN, VK_DELETE, true}, kABC, {}, 1},
             {"Delete with the focus on a button", kABC, {}, 1, {F::kCmdRemove, WM_KEYDOWN, VK_DELETE}, kABC, {}, 1},
             {"Ctrl+A selects every entry", kABC, {2}, 1, ctrlA, kABC, {0, 1, 2}, 1},
             {"A alone selects nothing", xyz, {2}, 1, {list, WM_KEYDOWN, 'A'}, xyz, {2}, 1},
             {"Alt+↑ moves the current entry up", kABC, {2}, 2, altUp, {kA, kC, kB}, {2}, 1},
             {"Alt+↓ moves it down", kABC, {1}, 0, altDown, {kB, kA, kC}, {1}, 1},
             {"Alt+↑ on the first entry", kABC, {}, 0, altUp, kABC, {}, 0},
             {"Alt+↓ on the last entry", kABC, {}, 2, altDown, kABC, {}, 2},
             {"↑ alone moves the caret and the selection", kABC, {0}, 2, {list, WM_KEYDOWN, VK_UP}, kABC, {1}, 1},
             {"a drop adds its files, again too, selected", kABC, {1}, 2, {0, 0, DROPEFFECT_COPY | DROPEFFECT_MOVE}, abcMore,
              {1, 3, 4, 5}, 2},
             {"a drop from a source that only moves adds nothing", kABC, {1}, 2, {0, 0, DROPEFFECT_MOVE}, kABC, {1}, 2},
             {"↑ on an empty list", {}, {}, -1, up, {}, {}, -1},
             {"↓ on an empty list", {}, {}, -1, down, {}, {}, -1},
             {"消 on an empty list", {}, {}, -1, remove, {}, {}, -1},
             {"Delete on an empty list", {}, {}, -1, del, {}, {}, -1},
             {"Ctrl+A on an empty list", {}, {}, -1, ctrlA, {}, {}, -1},
             {"Alt+↑ on an empty list", {}, {}, -1, altUp, {}, {}, -1},
             {"Alt+↓ on an empty list", {}, {}, -1, altDown, {}, {}, -1}}) {
        SCOPED_TRACE(what);
        Restart();
        s.Drop(dropped);
        s.SelectOnly(selected);
        if (caret >= 0) s.SetCaret(caret);
        if (act.message) ::SetFocus(s.Control(act.control)), Press(s, act.message, act.key, act.ctrl);
        else if (act.control) s.Click(act.control);
        else {
            IDataObject* data = apptest::DataObject::Files(more);
            DWORD effect = static_cast<DWORD>(act.key);
            // Keys and position make no difference.
            s.Form().DropTarget()->DragEnter(data, MK_LBUTTON | MK_SHIFT | MK_CONTROL, POINTL{500, 500}, &effect);
            EXPECT_EQ(effect, act.key & DROPEFFECT_COPY);
            effect = static_cast<DWORD>(act.key);
            EXPECT_EQ(s.Form().DropTarget()->Drop(data, 0, POINTL{}, &effect), S_OK);
            EXPECT_EQ(effect, act.key & DROPEFFECT_COPY);
            data->Release();
        }
        ExpectList(s, paths);
        EXPECT_EQ(s.SelectedEntries(), selectedAfter);
        EXPECT_EQ(caretAfter >= 0 ? s.Caret() : -1, caretAfter);
    }
}

TEST(DropWindowList, AFullListIgnoresTheRestOfADrop)
{
    FormSession s;
    s.Drop(std::vector<std::wstring>(32766, L"C:\\f.txt"));
    s.Drop({L"C:\\last.txt", L"C:\\beyond.txt"});
    EXPECT_EQ(s.Form().PathCount(), 32767);
    EXPECT_EQ(s.Count(), 32767);
    EXPECT_EQ(s.Form().Paths().back(), L"C:\\last.txt");
}

TEST(DropWindowList, OnTheNtFamilyANameShowsWholeEvenOutsideTheCodePage)
{
    ASSERT_TRUE(platform::IsNtFamily());
    FormSession s;
    // Two emoji and Hangul, which the code page spells all alike as ?; then
    // names it holds, shown as the bridge's ANSI GetFileNameFromPath gives them.
    const std::vector<std::pair<std::wstring, std::wstring>> rows = {
        {L"C:\\d\\\xD83D\xDE00.txt", L"\xD83D\xDE00.txt"},
        {L"C:\\d\\\xD83D\xDE01.txt", L"\xD83D\xDE01.txt"},
        {L"C:\\한글\\보고서.txt", L"보고서.txt"},
        {L"C:\\データ\\ソフト表.txt", mdlQuillbay::GetFileNameFromPath(L"C:\\データ\\ソフト表.txt")},
        {L"C:\\d\\folder\\", mdlQuillbay::GetFileNameFromPath(L"C:\\d\\folder\\")},
        {L"memo.txt", L"memo.txt"},
    };
    std::vector<std::wstring> paths, names;
    for (const auto& [path, name] : rows) paths.push_back(path), names.push_back(name);
    ASSERT_EQ(names[3], L"ソフト表.txt");
    s.Drop(paths);
    EXPECT_EQ(s.Entries(), names);
    EXPECT_EQ(s.Form().Paths(), paths);
}

// A list box short of memory answers LB_ERRSPACE: what went in stays,
// selected, the list paints again, and one box says what failed.
struct ListOutOfRoom {
    static inline WNDPROC original = nullptr;
    static inline LRESULT room = 0;
    static inline std::vector<WPARAM> redraws;
    static LRESULT CALLBACK Procedure(HWND list, UINT message, WPARAM w, LPARAM l)
    {
        if (message == WM_SETREDRAW) redraws.push_back(w);
        if (message == LB_ADDSTRING && ::CallWindowProcW(original, list, LB_GETCOUNT, 0, 0) >= room) return LB_ERRSPACE;
        return ::CallWindowProcW(original, list, message, w, l);
    }
};

TEST(DropWindowList, AListOutOfRoomKeepsWhatWentInSelectedAndRepaintedAndSaysSo)
{
    FormSession s;
    s.Drop({kA});
    s.SelectOnly({});
    s.SetCaret(0);
    ListOutOfRoom::room = 3;
    ListOutOfRoom::original = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(s.List(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListOutOfRoom::Procedure)));
    IDataObject* data = apptest::DataObject::Files({kB, kC, L"C:\\d\\D.txt"});
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(s.Form().DropTarget()->Drop(data, 0, POINTL{}, &effect), E_UNEXPECTED);
    data->Release();
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    ExpectList(s, kABC);
    EXPECT_EQ(s.SelectedEntries(), (std::vector<int>{1, 2}));
    EXPECT_EQ(s.Caret(), 0);
    EXPECT_EQ(ListOutOfRoom::redraws, (std::vector<WPARAM>{FALSE, TRUE}));
    const std::wstring expected = std::wstring(texts::kUnexpectedError) + L"LB_ADDSTRING failed with error 8";
    EXPECT_EQ(s.boxes, (std::vector<apptest::ShownBox>{{expected, texts::kTitle, MB_OK | MB_ICONERROR}}));
}

TEST(DropWindowLook, CaptionsStylesTheModeListsTwoItemsTheJapaneseFontAndTopmostInPlace)
{
    FormSession s;
    for (const auto& [id, caption] : {std::pair{0, L"Quillbay"}, {F::kLblText, texts::kLblText}, {F::kCmdUp, L"↑"},
                                      {F::kCmdDown, L"↓"}, {F::kChkTopmost, L"常に手前(&T)"}, {F::kCmdRemove, L"消"},
                                      {F::kChkPasteAndEnd, L"貼り付け後終了(&E)"}, {F::kCmdExec, L"貼り付け"}})
        EXPECT_EQ(platform::ui::WindowText(id ? s.Control(id) : s.Window()), caption);
    // A fixed single border: the user can neither resize nor maximize it.
    EXPECT_EQ(::GetWindowLongW(s.Window(), GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
    EXPECT_EQ(::GetWindowLongW(s.List(), GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_SORT), LBS_EXTENDEDSEL);
    EXPECT_EQ(::SendMessageW(s.Window(), DM_GETDEFID, 0, 0), MAKELONG(F::kCmdExec, DC_HASDEFID));
    HWND mode = s.Control(F::kCboMode);
    EXPECT_EQ(::GetWindowLongW(mode, GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    std::vector<std::wstring> items(::SendMessageW(mode, CB_GETCOUNT, 0, 0), std::wstring(32, L'\0'));
    for (int i = 0; i < static_cast<int>(items.size()); ++i)
        items[i].resize(::SendMessageW(mode, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(items[i].data())));
    EXPECT_EQ(items, (std::vector<std::wstring>{L"カーソル位置に挿入", L"末尾に挿入"}));
    for (int id = F::kLblText; id <= F::kCmdRemove; ++id) {
        LOGFONTW face{};
        ASSERT_TRUE(::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(s.Control(id), WM_GETFONT, 0, 0)), sizeof face, &face));
        EXPECT_STREQ(face.lfFaceName, L"MS UI Gothic") << "control " << id;
        EXPECT_EQ(face.lfHeight, -::MulDiv(9, platform::ui::ScreenDpi(), 72)) << "control " << id;
    }
    RECT before{}, after{};
    ::SetWindowPos(s.Window(), nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::GetWindowRect(s.Window(), &before);
    for (bool on : {true, false}) {
        s.Click(F::kChkTopmost);
        EXPECT_EQ((::GetWindowLongW(s.Window(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, on);
    }
    ::GetWindowRect(s.Window(), &after);
    EXPECT_TRUE(::EqualRect(&before, &after)) << "the window stays where it was";
}

TEST(DropWindowPaste, OneBoxNamesFiveUnreadableFilesOnceEachCutsLongPathsAndCountsTheRest)
{
    apptest::EditorSession p;
    const std::wstring big = p.files / L"big.bin", folder = p.files.Path() + L"\\";
    {
        // Sparse: 2 GiB on the file system costs nothing.
        platform::UniqueFile file(::CreateFileW(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        LARGE_INTEGER size{};
        size.QuadPart = 0x80000000LL;
        ASSERT_TRUE(file && ::SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN) && ::SetEndOfFile(file.get()));
    }
    // 100 characters are shown whole; a longer path keeps its first 40 and last
    // 59 around an ellipsis, and a surrogate pair (𠮟) at either cut stays whole.
    const std::wstring gone = folder + L"gone.txt", hundred = folder + std::wstring(100 - folder.size(), L'a');
    const std::wstring longer = folder + std::wstring(200, L'b') + L"\\end.txt";
    std::wstring pairs = L"C:\\" + std::wstring(36, L'c');
    for (int i = 0; i < 60; ++i) pairs += L"\xD842\xDF9F";
    p.session.Drop({p.File(L"small.txt", "small"), big, gone, gone, hundred, longer, pairs, folder + L"6", folder + L"7"});
    p.session.Check(F::kChkPasteAndEnd, true);
    p.Paste();
    std::wstring text = texts::kUnreadableHeader + std::wstring(L"\r\n");
    for (const auto& [shown, reason] : {std::pair{big, texts::kReasonTooLarge}, {gone, texts::kReasonNotFound},
                                        {hundred, texts::kReasonNotFound},
                                        {longer.substr(0, 40) + L"\x2026" + longer.substr(longer.size() - 59), texts::kReasonNotFound},
                                        {pairs.substr(0, 39) + L"\x2026" + pairs.substr(pairs.size() - 58), texts::kReasonNotFound}})
        text += L"\r\n" + shown + L"\r\n" + texts::kUnreadableReasonPrefix + reason;
    text += L"\r\n\r\n" + std::wstring(texts::kUnreadableRestBefore) + L"2" + texts::kUnreadableRestAfter;
    EXPECT_TRUE(testsupport::SameMessages({}, p.editor.Log()));
    EXPECT_EQ(p.session.boxes, (std::vector<apptest::ShownBox>{{text, L"Quillbay", MB_OK | MB_ICONEXCLAMATION}}));
    // Nothing went in: the window stays with its list, 貼り付け後終了 or not.
    ASSERT_TRUE(p.session.Form().Loaded());
    EXPECT_EQ(p.session.SelectedEntries().size(), 9u);
}

} // namespace

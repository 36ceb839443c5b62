// The drop window driven in this process against a stand-in editor in its
// own: real controls, real drops through the registered IDropTarget, and the
// editor's log for what the paste sent.
#include "app/frm_quillbay.h"
#include "app/texts.h"
#include "support/standin_driver.h"
#include "tests/app/data_object.h"
#include "paste_messages.h"

#include "platform/handles.h"
#include "platform/programs.h"
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using testsupport::SameMessages;
using testsupport::StandIn;
using testsupport::TempDir;

struct ShownMessage {
    std::wstring text;
    std::wstring title;
    UINT style;
};

std::wstring SettingsPath()
{
    return platform::ExecutableFolder() + L"\\" + platform::ExecutableBaseName() + L".ini";
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::DeleteFileW(SettingsPath().c_str());
        editor = std::make_unique<StandIn>();
        bridge = std::make_unique<clsKestTeraPad>();
        ASSERT_TRUE(bridge->HadTeraPad());
        LoadWindow();
        editor->ClearLog();
    }
    void TearDown() override
    {
        window.reset();
        bridge.reset();
        editor.reset();
        ::DeleteFileW(SettingsPath().c_str());
    }

    void LoadWindow()
    {
        frmQuillbay::Options options;
        options.showMessage = [this](HWND, const std::wstring& text, const std::wstring& title, UINT style) {
            shown.push_back({text, title, style});
            return IDOK;
        };
        options.endsProgram = false;
        window = std::make_unique<frmQuillbay>(*bridge, std::move(options));
        window->Load();
        // Left hidden: without a window manager Wine waits two seconds when a
        // shown window goes, and nothing here needs to see it.
    }

    HWND Control(int id) const { return ::GetDlgItem(window->hwnd(), id); }
    HWND List() const { return Control(frmQuillbay::kLstFiles); }

    std::wstring File(const std::wstring& name, const std::string& bytes)
    {
        const std::wstring path = files / name;
        testsupport::WriteFileBytes(path, bytes);
        return path;
    }

    DWORD DragOver(IDataObject* data)
    {
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
        POINTL at{0, 0};
        window->DropTarget()->DragEnter(data, MK_LBUTTON, at, &effect);
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
        window->DropTarget()->DragOver(MK_LBUTTON, at, &effect);
        return effect;
    }
    // A whole drag: enter, over, drop, as OLE runs it.
    void Drop(IDataObject* data)
    {
        DragOver(data);
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
        window->DropTarget()->Drop(data, 0, POINTL{0, 0}, &effect);
        data->Release();
    }
    void DropFiles(const std::vector<std::wstring>& paths) { Drop(apptest::DataObject::Files(paths)); }

    std::vector<std::wstring> Entries() const
    {
        std::vector<std::wstring> entries;
        const int n = static_cast<int>(::SendMessageW(List(), LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            std::wstring text(static_cast<std::size_t>(::SendMessageW(List(), LB_GETTEXTLEN, i, 0)), L'\0');
            ::SendMessageW(List(), LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
            entries.push_back(text);
        }
        return entries;
    }
    std::vector<bool> SelectedFlags() const
    {
        std::vector<bool> flags;
        const int n = static_cast<int>(::SendMessageW(List(), LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) flags.push_back(::SendMessageW(List(), LB_GETSEL, i, 0) > 0);
        return flags;
    }
    void Select(int index, bool on) { ::SendMessageW(List(), LB_SETSEL, on, index); }
    void SetCurrent(int index) { ::SendMessageW(List(), LB_SETCARETINDEX, index, FALSE); }
    int Current() const { return static_cast<int>(::SendMessageW(List(), LB_GETCARETINDEX, 0, 0)); }
    void Click(int id) { ::SendMessageW(Control(id), BM_CLICK, 0, 0); }
    void ChooseMode(int index) { ::SendMessageW(Control(frmQuillbay::kCboMode), CB_SETCURSEL, index, 0); }

    TempDir files;
    std::unique_ptr<StandIn> editor;
    std::unique_ptr<clsKestTeraPad> bridge;
    std::unique_ptr<frmQuillbay> window;
    std::vector<ShownMessage> shown;
};

// --- layout ----------------------------------------------------------------------

TEST_F(WindowTest, LaysOutEveryControlFromTwipsAtTheScreensDpi)
{
    ASSERT_EQ(platform::ui::ScreenDpi(), 96) << "the table below is in pixels at 96 dpi";
    RECT client{};
    ::GetClientRect(window->hwnd(), &client);
    EXPECT_EQ(client.right, 319); // 4785 twips
    EXPECT_EQ(client.bottom, 210); // 3150 twips

    struct Expected {
        int id;
        const wchar_t* caption;
        RECT rect; // left, top, right, bottom in client pixels
    };
    const Expected table[] = {
        {frmQuillbay::kLblText, texts::kLblText, {8, 8, 8 + 273, 8 + 17}},
        {frmQuillbay::kLstFiles, L"", {8, 24, 8 + 273, 24 + 113}},
        {frmQuillbay::kCmdUp, L"↑", {288, 24, 288 + 25, 24 + 25}},
        {frmQuillbay::kCmdDown, L"↓", {288, 112, 288 + 25, 112 + 25}},
        {frmQuillbay::kChkTopmost, L"常に手前(&T)", {8, 144, 8 + 97, 144 + 17}},
        {frmQuillbay::kChkPasteAndEnd, L"貼り付け後終了(&E)", {8, 160, 8 + 121, 160 + 17}},
        {frmQuillbay::kCmdExec, L"貼り付け", {160, 144, 160 + 153, 144 + 57}},
        {frmQuillbay::kCmdRemove, L"消", {288, 68, 288 + 25, 68 + 25}},
    };
    for (const Expected& e : table) {
        HWND control = Control(e.id);
        ASSERT_NE(control, nullptr) << e.id;
        RECT rc{};
        ::GetWindowRect(control, &rc);
        ::MapWindowPoints(nullptr, window->hwnd(), reinterpret_cast<POINT*>(&rc), 2);
        EXPECT_EQ(rc.left, e.rect.left) << e.id;
        EXPECT_EQ(rc.top, e.rect.top) << e.id;
        EXPECT_EQ(rc.right, e.rect.right) << e.id;
        EXPECT_EQ(rc.bottom, e.rect.bottom) << e.id;
        if (e.id != frmQuillbay::kLstFiles) {
            EXPECT_EQ(platform::ui::WindowText(control), e.caption) << e.id;
        }
    }
    EXPECT_EQ(platform::ui::WindowText(window->hwnd()), L"Quillbay");
    // A fixed single border: the user cannot resize or maximize it.
    const LONG style = ::GetWindowLongW(window->hwnd(), GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
}

TEST_F(WindowTest, TabWalksTheControlsInTheirOrderAndTheModeListOffersTwoItems)
{
    const int order[] = {frmQuillbay::kLstFiles, frmQuillbay::kCmdUp, frmQuillbay::kCmdDown,
                         frmQuillbay::kChkTopmost, frmQuillbay::kChkPasteAndEnd, frmQuillbay::kCboMode,
                         frmQuillbay::kCmdExec, frmQuillbay::kCmdRemove};
    HWND at = Control(order[0]);
    for (std::size_t i = 1; i < std::size(order); ++i) {
        at = ::GetNextDlgTabItem(window->hwnd(), at, FALSE);
        EXPECT_EQ(::GetDlgCtrlID(at), order[i]) << "after tab stop " << i - 1;
    }
    HWND mode = Control(frmQuillbay::kCboMode);
    ASSERT_EQ(::SendMessageW(mode, CB_GETCOUNT, 0, 0), 2);
    wchar_t item[64] = {};
    ::SendMessageW(mode, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ(item, L"カーソル位置に挿入");
    ::SendMessageW(mode, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ(item, L"末尾に挿入");
    EXPECT_EQ(::GetWindowLongW(mode, GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    EXPECT_EQ(::SendMessageW(window->hwnd(), DM_GETDEFID, 0, 0), MAKELONG(frmQuillbay::kCmdExec, DC_HASDEFID));
}

// --- drops ----------------------------------------------------------------------------

TEST_F(WindowTest, DroppedFilesAppendNamesKeepPathsAndAreSelected)
{
    const std::wstring a = File(L"a.txt", "A"), b = File(L"メモ帳.txt", "B"), c = File(L"c.txt", "C");
    DropFiles({a, b, c});
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"a.txt", L"メモ帳.txt", L"c.txt"}));
    EXPECT_EQ(window->Paths(), (std::vector<std::wstring>{a, b, c}));
    EXPECT_EQ(SelectedFlags(), (std::vector<bool>{true, true, true}));

    // The same file again is a second entry; earlier flags stay as they were.
    Select(0, false);
    DropFiles({a});
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"a.txt", L"メモ帳.txt", L"c.txt", L"a.txt"}));
    EXPECT_EQ(window->Paths().back(), a);
    EXPECT_EQ(SelectedFlags(), (std::vector<bool>{false, true, true, true}));
    EXPECT_EQ(window->PathCount(), 4);
}

TEST_F(WindowTest, DragOverOffersCopyForFilesAndNothingForText)
{
    IDataObject* files = apptest::DataObject::Files({L"C:\\x.txt"});
    EXPECT_EQ(DragOver(files), static_cast<DWORD>(DROPEFFECT_COPY));
    window->DropTarget()->DragLeave();
    files->Release();

    IDataObject* text = apptest::DataObject::Text("just text");
    EXPECT_EQ(DragOver(text), static_cast<DWORD>(DROPEFFECT_NONE));
    DWORD effect = DROPEFFECT_COPY;
    window->DropTarget()->Drop(text, 0, POINTL{0, 0}, &effect);
    text->Release();
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(window->PathCount(), 0);
}

TEST_F(WindowTest, AFullListIgnoresTheRestOfADrop)
{
    std::vector<std::wstring> many(32766, L"C:\\f.txt");
    DropFiles(many);
    DropFiles({L"C:\\last.txt", L"C:\\beyond.txt"});
    EXPECT_EQ(window->PathCount(), 32767);
    EXPECT_EQ(::SendMessageW(List(), LB_GETCOUNT, 0, 0), 32767);
    EXPECT_EQ(window->Paths().back(), L"C:\\last.txt");
}

// --- list buttons ----------------------------------------------------------------------

TEST_F(WindowTest, ListButtonsMoveAndRemoveTheCurrentEntryOnly)
{
    const std::wstring a = File(L"A", "a"), b = File(L"B", "b"), c = File(L"C", "c");
    DropFiles({a, b, c});

    SetCurrent(0);
    Click(frmQuillbay::kCmdUp); // first entry: nothing
    SetCurrent(2);
    Click(frmQuillbay::kCmdDown); // last entry: nothing
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"A", L"B", L"C"}));

    Click(frmQuillbay::kCmdUp); // C up past B
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"A", L"C", L"B"}));
    EXPECT_EQ(window->Paths(), (std::vector<std::wstring>{a, c, b}));
    EXPECT_EQ(Current(), 1);

    Click(frmQuillbay::kCmdDown); // and back down
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"A", L"B", L"C"}));
    EXPECT_EQ(window->Paths(), (std::vector<std::wstring>{a, b, c}));
    EXPECT_EQ(Current(), 2);

    // Removing the last entry, then dropping: the new entry has the new path.
    Click(frmQuillbay::kCmdRemove);
    EXPECT_EQ(Entries(), (std::vector<std::wstring>{L"A", L"B"}));
    const std::wstring d = File(L"D", "d");
    Select(0, false);
    Select(1, false);
    DropFiles({d});
    EXPECT_EQ(window->Paths(), (std::vector<std::wstring>{a, b, d}));
    EXPECT_EQ(SelectedFlags(), (std::vector<bool>{false, false, true}));

    // Removing everything, one by one from the front, leaves no paths.
    for (int i = 0; i < 3; ++i) {
        SetCurrent(0);
        Click(frmQuillbay::kCmdRemove);
    }
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(window->PathCount(), 0);
    Click(frmQuillbay::kCmdRemove); // an empty list: nothing happens
    DropFiles({c});
    EXPECT_EQ(window->Paths(), (std::vector<std::wstring>{c}));
}

// --- always on top ----------------------------------------------------------------------

TEST_F(WindowTest, AlwaysOnTopFollowsTheCheckBoxWithoutMovingTheWindow)
{
    RECT before{};
    ::GetWindowRect(window->hwnd(), &before);
    Click(frmQuillbay::kChkTopmost);
    EXPECT_TRUE(::GetWindowLongW(window->hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    Click(frmQuillbay::kChkTopmost);
    EXPECT_FALSE(::GetWindowLongW(window->hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT after{};
    ::GetWindowRect(window->hwnd(), &after);
    EXPECT_TRUE(::EqualRect(&before, &after));
}

// --- the paste ---------------------------------------------------------------------------

TEST_F(WindowTest, PasteJoinsSelectedFilesInListOrderAtTheCursor)
{
    editor->SetDocument("[]");
    editor->SetSelection(1, 1);
    const std::wstring a = File(L"a.txt", "abc"), b = File(L"b.txt", "XXX"), c = File(L"c.txt", "def\r\n");
    DropFiles({a, b, c, a});
    Select(1, false); // B not selected: not read
    Click(frmQuillbay::kCmdExec);
    EXPECT_EQ(editor->Document(), "[abcdef\r\nabc]");
    EXPECT_TRUE(SameMessages(apptest::PasteAtCursorMessages(11), editor->Log()));
    EXPECT_TRUE(shown.empty());

    // Moving an entry changes the order of the pasted texts.
    editor->SetDocument("");
    SetCurrent(2);
    Click(frmQuillbay::kCmdUp); // C before B: a, c, b, a
    Select(2, false);           // b is now at 2
    Select(1, true);
    Click(frmQuillbay::kCmdExec);
    EXPECT_EQ(editor->Document(), "abcdef\r\nabc");
}

TEST_F(WindowTest, AppendModeMovesTheCaretToTheEndThenInserts)
{
    editor->SetDocument("xyz");
    editor->SetSelection(0, 1);
    DropFiles({File(L"t.txt", "\x83\x41" "bc")}); // katakana A, b, c
    ChooseMode(1);
    editor->ClearLog();
    Click(frmQuillbay::kCmdExec);
    EXPECT_EQ(editor->Document(), "xyz\x83\x41" "bc");
    EXPECT_TRUE(SameMessages(apptest::PasteAtEndMessages(3, 4), editor->Log()));
}

TEST_F(WindowTest, NothingToPasteLeavesTheEditorsSelectionAlone)
{
    editor->SetDocument("keep this");
    editor->SetSelection(0, 4);
    DropFiles({File(L"empty.txt", ""), File(L"other.txt", "x")});
    Select(1, false); // only the empty file is selected
    for (int mode : {0, 1}) {
        ChooseMode(mode);
        editor->ClearLog();
        Click(frmQuillbay::kCmdExec);
        EXPECT_TRUE(editor->Log().empty()) << "mode " << mode;
        EXPECT_EQ(editor->Document(), "keep this");
        EXPECT_EQ(editor->State().selEnd, 4);
    }
    Select(0, false); // nothing selected at all
    Click(frmQuillbay::kCmdExec);
    EXPECT_TRUE(editor->Log().empty());
    EXPECT_TRUE(shown.empty());
}

TEST_F(WindowTest, AnUnreadableFileStopsThePasteAndNamesEveryOneWithItsReason)
{
    editor->SetDocument("doc");
    const std::wstring good = File(L"good.txt", "good");
    const std::wstring gone = File(L"gone.txt", "gone");
    const std::wstring locked = File(L"locked.txt", "locked");
    DropFiles({good, gone, files.Path(), locked});
    ::DeleteFileW(gone.c_str());
    platform::UniqueFile lock(::CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    ::SendMessageW(Control(frmQuillbay::kChkPasteAndEnd), BM_SETCHECK, BST_CHECKED, 0);

    Click(frmQuillbay::kCmdExec);
    EXPECT_TRUE(editor->Log().empty());
    EXPECT_EQ(editor->Document(), "doc");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, L"Quillbay");
    const std::wstring expected = std::wstring(texts::kUnreadableHeader) + L"\r\n" +
                                  L"\r\n" + gone + L"\r\n" + texts::kUnreadableReasonPrefix + texts::kReasonNotFound +
                                  L"\r\n" + files.Path() + L"\r\n" + texts::kUnreadableReasonPrefix + texts::kReasonIsFolder +
                                  L"\r\n" + locked + L"\r\n" + texts::kUnreadableReasonPrefix + texts::kReasonLocked;
    EXPECT_EQ(shown[0].text, expected);
    // The program goes on, with its list as it was.
    EXPECT_TRUE(window->Loaded());
    EXPECT_EQ(window->PathCount(), 4);
}

TEST_F(WindowTest, AMissingEditorIsToldAndNothingIsSent)
{
    DropFiles({File(L"a.txt", "abc")});
    editor->Close();
    Click(frmQuillbay::kCmdExec);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, L"対象の TeraPad が見つかりません。");
    EXPECT_EQ(shown[0].title, L"Quillbay");
    EXPECT_EQ(shown[0].style, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(window->Loaded());
}

// --- settings ---------------------------------------------------------------------------

std::string SettingsFile()
{
    try {
        return testsupport::ReadFileBytes(SettingsPath());
    } catch (...) {
        return "<none>";
    }
}

TEST_F(WindowTest, UnloadWritesAllThreeOptionsAndLoadReadsOnlyAnExactOne)
{
    window->Unload();
    EXPECT_EQ(SettingsFile(), "[Quillbay]\r\nPasteAndEnd=0\r\nchkTopmost=0\r\nMode=0\r\n");

    struct Case {
        const char* file;
        int pasteAndEnd, topmost, mode;
    };
    const Case cases[] = {
        {"[Quillbay]\r\nPasteAndEnd=1\r\nchkTopmost=1\r\nMode=1\r\n", 1, 1, 1},
        {"[Quillbay]\r\nPasteAndEnd=01\r\nchkTopmost=true\r\nMode=2\r\n", 0, 0, 0},
        {"[Quillbay]\r\nPasteAndEnd=-1\r\nchkTopmost= \r\nMode=-1\r\n", 0, 0, 0},
        {"[Other]\r\nPasteAndEnd=1\r\n", 0, 0, 0},
    };
    for (const Case& c : cases) {
        testsupport::WriteFileBytes(SettingsPath(), c.file);
        LoadWindow();
        EXPECT_EQ(::SendMessageW(Control(frmQuillbay::kChkPasteAndEnd), BM_GETCHECK, 0, 0), c.pasteAndEnd) << c.file;
        EXPECT_EQ(::SendMessageW(Control(frmQuillbay::kChkTopmost), BM_GETCHECK, 0, 0), c.topmost) << c.file;
        EXPECT_EQ(::SendMessageW(Control(frmQuillbay::kCboMode), CB_GETCURSEL, 0, 0), c.mode) << c.file;
        EXPECT_EQ((::GetWindowLongW(window->hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, c.topmost == 1) << c.file;
        window->Unload();
    }
    // The last file had Mode=-1: the save writes what the window showed.
    EXPECT_NE(SettingsFile().find("Mode=0"), std::string::npos);
}

TEST_F(WindowTest, PasteAndEndUnloadsTheWindowAfterThePaste)
{
    DropFiles({File(L"a.txt", "abc")});
    ::SendMessageW(Control(frmQuillbay::kChkPasteAndEnd), BM_SETCHECK, BST_CHECKED, 0);
    Click(frmQuillbay::kCmdExec);
    EXPECT_EQ(editor->Document(), "abc");
    EXPECT_FALSE(window->Loaded());
    EXPECT_EQ(SettingsFile(), "[Quillbay]\r\nPasteAndEnd=1\r\nchkTopmost=0\r\nMode=0\r\n");
}

} // namespace

// Quillbay.exe as a user meets it, across processes: the stand-in editor's
// Tools menu starts a renamed copy of it (each test in its own folder, so each
// has its own settings file, named after the copy), files arrive by a real OLE
// drag from this process, and the paste reaches the editor as the editor's log
// shows it.
//
// Why a drag from this process: Wine marshals a registered drop target to a
// DoDragDrop in another process and the data object back, exactly as Windows
// does, so the product's IDropTarget, the CF_HDROP transfer and its thunks
// all run for real. (The demo drops through X's XDND instead, as a file
// manager would; that path needs an X client outside Wine.)
#include "app/texts.h"
#include "form_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

using apptest::RunningQuillbay;
using testsupport::SameMessages;
using testsupport::StandIn;
using testsupport::StandInOptions;
using testsupport::TempDir;
using testsupport::TextOf;

const auto* const kOle = ::testing::AddGlobalTestEnvironment(new apptest::OleEnvironment);

// A drag that lets go after the target has seen it enter and move.
class DropSource final : public IDropSource {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = iid == IID_IUnknown || iid == IID_IDropSource ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; } // on the stack: counts nothing
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override { return ++m_asked < 4 ? S_OK : DRAGDROP_S_DROP; }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    int m_asked = 0;
};

// A real drag and drop from this process onto the list; the effect the target answered.
DWORD Drag(const RunningQuillbay& run, IDataObject* data)
{
    ::SetForegroundWindow(run.window);
    ::SetWindowPos(run.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    RECT r{};
    ::GetWindowRect(run.Control(frmQuillbay::kLstFiles), &r);
    ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    DropSource source;
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result = ::DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    data->Release();
    return result == DRAGDROP_S_DROP ? effect : 0xFFFFFFFF;
}
DWORD Drag(const RunningQuillbay& run, const std::vector<std::wstring>& paths) { return Drag(run, apptest::DataObject::Files(paths)); }

// Presses the paste button without waiting on it (a message box would hold
// a sent message), then waits until the editor's log has come to rest.
std::vector<std::string> PasteAndCollectLog(StandIn& editor, const RunningQuillbay& run, std::size_t lines)
{
    editor.ClearLog();
    run.Post(frmQuillbay::kCmdExec);
    for (int waited = 0; waited < 10000 && editor.Log().size() < lines; waited += 50) ::Sleep(50);
    ::Sleep(200); // anything beyond the expected lines shows up too
    return editor.Log();
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::WriteFileBytes(first, "\x82\xa0\x82\xa2\x82\xa4"); // あいう
        testsupport::WriteFileBytes(second, "xyz\r\n");
        testsupport::WriteFileBytes(folder / L"Quillbay.ini", kOtherSettings);
    }
    // The settings file of the original name is another copy's.
    void TearDown() override { EXPECT_EQ(testsupport::ReadFileBytes(folder / L"Quillbay.ini"), kOtherSettings); }
    // Throws, failing the test, when there is none.
    std::string Settings() const { return testsupport::ReadFileBytes(folder / L"貼付.ini"); }

    const std::string kOtherSettings = "[Quillbay]\r\nPasteAndEnd=1\r\nchkTopmost=1\r\nMode=0\r\n";
    TempDir folder, files;
    const StandInOptions options{.tool = apptest::CopyOfQuillbay(folder, L"貼付.exe")};
    const std::wstring first = files / L"一つ目.txt";
    const std::wstring second = files / L"second.txt";
};

TEST_F(EndToEnd, TheSelectedFilesArePastedInListOrderAtTheCursorAndAtTheEndAndDraggedTextIsRefused)
{
    StandIn editor(options);
    editor.SetDocument("head\r\ntail");
    editor.SetSelection(6, 6);
    RunningQuillbay run(editor);
    ASSERT_TRUE(run.window) << "Quillbay did not start from the Tools menu";
    EXPECT_EQ(Drag(run, apptest::DataObject::Text("not a file")), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(Drag(run, {first, second, first}), static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(run.Entries(), 3u);
    HWND list = run.Control(frmQuillbay::kLstFiles);
    ::SendMessageW(list, LB_SETSEL, FALSE, 1);

    // At the cursor: one replacement of the selected files, 6 + 6 bytes.
    const std::string aiu = "\x82\xa0\x82\xa2\x82\xa4";
    EXPECT_TRUE(SameMessages(apptest::PasteAtCursorMessages(12), PasteAndCollectLog(editor, run, 8)));
    EXPECT_EQ(editor.Document(), "head\r\n" + aiu + aiu + "tail");
    // The second file moved up; the selected flags stay with the positions.
    // At the end the caret goes after the last byte; nothing is rewritten.
    ::SendMessageW(list, LB_SETCARETINDEX, 1, FALSE);
    run.Post(frmQuillbay::kCmdUp);
    ::SendMessageW(run.Control(frmQuillbay::kCboMode), CB_SETCURSEL, 1, 0);
    EXPECT_TRUE(SameMessages(apptest::PasteAtEndMessages(22, 11), PasteAndCollectLog(editor, run, 8)));
    EXPECT_EQ(editor.Document(), "head\r\n" + aiu + aiu + "tailxyz\r\n" + aiu);
    EXPECT_EQ(run.Entries(), 3u); // the window stays, with its list
    run.Post(frmQuillbay::kChkTopmost);
    run.Close();
    EXPECT_EQ(Settings(), "[Quillbay]\r\nPasteAndEnd=0\r\nchkTopmost=1\r\nMode=1\r\n");
}

TEST_F(EndToEnd, TheEditorWhoseToolsMenuStartedQuillbayGetsThePasteWhicheverEditorIsInFront)
{
    StandIn starter(options);
    StandIn front;
    front.BringToFront(); // as if it came to the front while Quillbay started
    RunningQuillbay run(starter);
    ASSERT_TRUE(run.window);
    ASSERT_EQ(Drag(run, {second}), static_cast<DWORD>(DROPEFFECT_COPY));
    front.ClearLog();
    EXPECT_TRUE(SameMessages(apptest::PasteAtCursorMessages(5), PasteAndCollectLog(starter, run, 8)));
    EXPECT_EQ(starter.Document(), "xyz\r\n");
    EXPECT_TRUE(SameMessages({}, front.Log()));
    EXPECT_EQ(front.Document(), "");
    run.Close();
}

TEST_F(EndToEnd, QuitAfterPastingEndsTheProgramAndItsOptionsComeBackOnTheNextStart)
{
    StandIn editor(options);
    const std::wstring utf8 = files / L"utf8.txt";
    testsupport::WriteFileBytes(utf8, "\xEF\xBB\xBF\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86"); // あいう, with a mark
    for (const bool firstRun : {true, false}) {
        SCOPED_TRACE(firstRun ? "options set by the user" : "options from the settings file");
        editor.SetDocument("");
        editor.BringToFront();
        RunningQuillbay run(editor);
        ASSERT_TRUE(run.window);
        if (firstRun) {
            // As the user sets them: the check box toggles itself, the system menu reports the item.
            run.Post(frmQuillbay::kChkPasteAndEnd);
            ::PostMessageW(run.window, WM_SYSCOMMAND, frmQuillbay::kMnuAutoEncoding, 0);
        }
        ASSERT_EQ(Drag(run, {utf8}), static_cast<DWORD>(DROPEFFECT_COPY));
        editor.ClearLog();
        run.Post(frmQuillbay::kCmdExec);
        ASSERT_TRUE(run.WaitForExit(15000)) << "the program did not end after the paste";
        EXPECT_TRUE(SameMessages(apptest::PasteAtCursorMessages(6), editor.Log()));
        EXPECT_EQ(editor.Document(), "\x82\xa0\x82\xa2\x82\xa4");
        EXPECT_EQ(Settings(), "[Quillbay]\r\nPasteAndEnd=1\r\nchkTopmost=0\r\nMode=0\r\nAutoEncoding=1\r\n");
    }
}

bool OnScreen(HWND window)
{
    RECT r{};
    ::GetWindowRect(window, &r);
    return window && r.left >= 0 && r.top >= 0 && r.right <= ::GetSystemMetrics(SM_CXSCREEN) &&
           r.bottom <= ::GetSystemMetrics(SM_CYSCREEN);
}

TEST_F(EndToEnd, UnreadableFilesShowOneRealBoxOnTheScreenAndTheProgramGoesOnWithItsList)
{
    StandIn editor(options);
    editor.SetDocument("doc");
    std::vector<std::wstring> forty{first};
    for (int i = 0; i < 40; ++i) forty.push_back(files / (L"gone" + std::to_wstring(i) + L".txt"));
    // A path of 5.2 million characters, as raw drop data can carry.
    const std::wstring huge = files.Path() + L"\\" + std::wstring(5200000, L'\x3042') + L".txt";
    const struct {
        std::vector<std::wstring> paths; // a readable file, then files that are not there
        std::size_t named;
    } rows[] = {{{first, second}, 1}, {forty, 5}, {{first, huge, forty[1]}, 2}};
    ::DeleteFileW(second.c_str());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.paths.size());
        RunningQuillbay run(editor);
        ASSERT_TRUE(run.window);
        run.Post(frmQuillbay::kChkPasteAndEnd);
        ASSERT_EQ(Drag(run, row.paths), static_cast<DWORD>(DROPEFFECT_COPY));
        editor.ClearLog();
        const auto start = std::chrono::steady_clock::now();
        run.Post(frmQuillbay::kCmdExec);
        HWND box = testsupport::WaitForWindow(L"#32770", run.pid, 30000);
        ASSERT_TRUE(box) << "no message box";
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(TextOf(box), L"Quillbay");
        EXPECT_TRUE(OnScreen(box) && OnScreen(::GetDlgItem(box, IDOK)) && ::IsWindowVisible(::GetDlgItem(box, IDOK)));
        const std::wstring text = TextOf(::GetDlgItem(box, 0xFFFF));
        std::size_t named = 0;
        for (std::size_t at = text.find(texts::kReasonNotFound); at != std::wstring::npos; at = text.find(texts::kReasonNotFound, at + 1))
            ++named;
        EXPECT_EQ(named, row.named);
        EXPECT_NE(text.find(row.paths[1].size() < 1000 ? row.paths[1] : L"\x2026"), std::wstring::npos);
        EXPECT_EQ(text.find(first), std::wstring::npos) << "a readable file is not named";
        EXPECT_LT(text.size(), 2000u);
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_FALSE(run.WaitForExit(500)) << "the program ended";
        EXPECT_TRUE(SameMessages({}, editor.Log()));
        EXPECT_EQ(editor.Document(), "doc");
        EXPECT_EQ(run.Entries(), row.paths.size());
        run.Close();
    }
}

TEST_F(EndToEnd, TheRunningWindowKeepsItsDesignWithTheManifestsControls)
{
    // The program's manifest gives it common controls 6, which size some
    // controls (the closed mode list) differently from the test's own.
    StandIn editor(options);
    RunningQuillbay run(editor);
    ASSERT_TRUE(run.window);
    const int dpi = platform::ui::ScreenDpi();
    auto px = [dpi](int twips) { return ::MulDiv(twips, dpi, 1440); };
    RECT client{};
    ::GetClientRect(run.window, &client);
    EXPECT_EQ((std::vector<long>{client.right, client.bottom}), (std::vector<long>{px(4785), px(3150)}));
    // The captions, styles and fonts, the same in the test's window, are checked there.
    const struct {
        int id, left, top, width, height; // twips
    } rows[] = {
        {frmQuillbay::kLblText, 120, 120, 4095, 255},   {frmQuillbay::kLstFiles, 120, 360, 4095, 1695},
        {frmQuillbay::kCmdUp, 4320, 360, 375, 375},     {frmQuillbay::kCmdDown, 4320, 1680, 375, 375},
        {frmQuillbay::kChkTopmost, 120, 2160, 1455, 255}, {frmQuillbay::kChkPasteAndEnd, 120, 2400, 1815, 255},
        {frmQuillbay::kCboMode, 120, 2760, 2175, 300},  {frmQuillbay::kCmdExec, 2400, 2160, 2295, 855},
        {frmQuillbay::kCmdRemove, 4320, 1020, 375, 375},
    };
    for (const auto& row : rows) {
        RECT r{};
        ::GetWindowRect(run.Control(row.id), &r);
        ::MapWindowPoints(nullptr, run.window, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ((std::vector<long>{r.left, r.top, r.right - r.left, r.bottom - r.top}),
                  (std::vector<long>{px(row.left), px(row.top), px(row.width), px(row.height)}))
            << "control " << row.id;
    }
    run.Close();
}

// --- one whole use on each family ----------------------------------------------------------

// The copy's name gives it its Windows version (the prefix's AppDefaults), so
// the one executable runs its A path as Windows 98 and its W path as XP. The
// relay test runs this use again with Wine's relay trace on and reads which
// functions the executable called.
class WholeUse : public ::testing::TestWithParam<const wchar_t*> {};

std::wstring ListText(HWND list, int index)
{
    // A length asked across processes of an ANSI list may count bytes: the copy's count decides.
    std::wstring text(static_cast<std::size_t>(::SendMessageW(list, LB_GETTEXTLEN, index, 0)) + 1, L'\0');
    const LRESULT copied = ::SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

// The message box of the process once it is up, its text, and the answer given.
std::wstring Answer(const RunningQuillbay& run, WPARAM answer)
{
    HWND box = testsupport::WaitForWindow(L"#32770", run.pid, 30000);
    if (!box) return L"(no box)";
    EXPECT_EQ(TextOf(box), L"Quillbay");
    const std::wstring text = TextOf(::GetDlgItem(box, 0xFFFF));
    ::PostMessageW(box, WM_COMMAND, answer, 0);
    for (int waited = 0; waited < 10000 && ::IsWindow(box); waited += 50) ::Sleep(50);
    return text;
}

bool WaitForDocument(StandIn& editor, const std::string& document)
{
    for (int waited = 0; waited < 10000; waited += 50, ::Sleep(50))
        if (editor.Document() == document) return true;
    return false;
}

TEST_P(WholeUse, FromTheToolsMenuThroughDropsBoxesAndBothPastesToTheSavedSettings)
{
    TempDir folder, files;
    const std::wstring name = GetParam();
    StandIn editor(StandInOptions{.tool = apptest::CopyOfQuillbay(folder, name + L".exe")});
    const std::wstring ansi = files / L"一つ目.txt", utf8 = files / L"utf8.txt", gone = files / L"gone.txt";
    testsupport::WriteFileBytes(ansi, "\x82\xa0\r\n"); // あ
    testsupport::WriteFileBytes(utf8, "\xEF\xBB\xBF" "a\xF0\x9F\x98\x80" "b"); // a, an emoji, b
    editor.SetDocument("head\r\n");
    editor.SetSelection(0, 0);
    RunningQuillbay run(editor);
    ASSERT_TRUE(run.window) << "Quillbay did not start from the Tools menu";
    // The relay test finds the program's calls in the trace by this number.
    std::printf("Quillbay process: %04lx\n", static_cast<unsigned long>(run.pid));
    std::fflush(stdout);
    HWND list = run.Control(frmQuillbay::kLstFiles);

    ASSERT_EQ(Drag(run, {ansi, gone}), static_cast<DWORD>(DROPEFFECT_COPY));
    std::vector<std::wstring> listed;
    for (std::size_t i = 0; i < run.Entries(); ++i) listed.push_back(ListText(list, static_cast<int>(i)));
    EXPECT_EQ(listed, (std::vector<std::wstring>{L"一つ目.txt", L"gone.txt"}));
    run.Post(frmQuillbay::kCmdExec);
    const std::wstring unreadable = Answer(run, IDOK);
    EXPECT_NE(unreadable.find(gone + L"\r\n" + texts::kUnreadableReasonPrefix + texts::kReasonNotFound), std::wstring::npos)
        << platform::ToAnsi(unreadable);
    EXPECT_EQ(editor.Document(), "head\r\n");

    ::SendMessageW(list, LB_SETCARETINDEX, 1, FALSE);
    run.Post(frmQuillbay::kCmdRemove);
    ::PostMessageW(run.window, WM_SYSCOMMAND, frmQuillbay::kMnuAutoEncoding, 0);
    ASSERT_EQ(Drag(run, {utf8}), static_cast<DWORD>(DROPEFFECT_COPY));
    ASSERT_EQ(run.Entries(), 2u);
    // At the cursor, once the user lets the emoji become the default characters.
    run.Post(frmQuillbay::kCmdExec);
    const std::wstring lossy = Answer(run, IDYES);
    EXPECT_NE(lossy.find(texts::kLossyQuestion), std::wstring::npos) << platform::ToAnsi(lossy);
    EXPECT_TRUE(WaitForDocument(editor, "\x82\xa0\r\na??bhead\r\n")) << editor.Document();

    // At the end, the first file alone.
    ::SendMessageW(list, LB_SETSEL, FALSE, 1);
    ::SendMessageW(run.Control(frmQuillbay::kCboMode), CB_SETCURSEL, 1, 0);
    run.Post(frmQuillbay::kCmdExec);
    EXPECT_TRUE(WaitForDocument(editor, "\x82\xa0\r\na??bhead\r\n\x82\xa0\r\n")) << editor.Document();
    run.Close();
    EXPECT_EQ(testsupport::ReadFileBytes(folder / (name + L".ini")),
              "[Quillbay]\r\nPasteAndEnd=0\r\nchkTopmost=0\r\nMode=1\r\nAutoEncoding=1\r\n");
}

INSTANTIATE_TEST_SUITE_P(Families, WholeUse, ::testing::Values(L"Quillbay_win98", L"Quillbay_winxp"),
                         [](const auto& info) { return platform::ToAnsi(info.param).substr(9); });

// --- the executable's resources ------------------------------------------------------------

TEST(Executable, CarriesItsIconInTwoSizesAndTwoDepthsAndItsManifest)
{
    const std::wstring exe = testsupport::TestBinDir() + L"\\Quillbay.exe";
    HMODULE module = ::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
    HRSRC group = ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));
    ASSERT_TRUE(group) << "no icon 1";
    const auto* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(module, group)));
    const WORD count = *reinterpret_cast<const WORD*>(bytes + 4);
    std::set<std::pair<int, int>> images;
    // After a 6-byte header, 14-byte entries: width first, bit count at 6.
    for (const BYTE* entry = bytes + 6; entry < bytes + 6 + count * 14; entry += 14)
        images.insert({entry[0], *reinterpret_cast<const WORD*>(entry + 6)});
    EXPECT_EQ(images, (std::set<std::pair<int, int>>{{16, 4}, {16, 8}, {32, 4}, {32, 8}}));

    HRSRC manifest = ::FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_TRUE(manifest);
    const std::string text(static_cast<const char*>(::LockResource(::LoadResource(module, manifest))),
                           ::SizeofResource(module, manifest));
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(text.find("<dpiAware"), std::string::npos);
    // Windows refuses to start a program whose manifest asks for the common
    // controls of another architecture: both names must match this build.
    const std::string arch = sizeof(void*) == 8 ? "processorArchitecture=\"amd64\"" : "processorArchitecture=\"x86\"";
    std::size_t named = 0;
    for (std::size_t at = text.find("processorArchitecture="); at != std::string::npos;
         at = text.find("processorArchitecture=", at + 1)) {
        EXPECT_EQ(text.compare(at, arch.size(), arch), 0) << text.substr(at, 40);
        ++named;
    }
    EXPECT_EQ(named, 2u);
    ::FreeLibrary(module);
}

} // namespace

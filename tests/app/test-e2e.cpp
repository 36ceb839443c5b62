// Quillbay.exe as a user meets it, across processes: the stand-in editor's
// Tools menu starts a copy of it (each test in its own folder, so each has
// its own settings file), files arrive by a real OLE drag from this process,
// and the paste reaches the editor as the editor's log shows it.
//
// Why a drag from this process: Wine marshals a registered drop target to a
// DoDragDrop in another process and the data object back, exactly as Windows
// does, so the product's IDropTarget, the CF_HDROP transfer and its thunks
// all run for real. (The demo drops through X's XDND instead, as a file
// manager would; that path needs an X client outside Wine.)
#include "app/frm_quillbay.h"
#include "app/texts.h"
#include "data_object.h"
#include "platform/handles.h"
#include "platform/ui.h"
#include "support/standin_driver.h"
#include "paste_messages.h"
#include "ole_environment.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using testsupport::SameMessages;
using testsupport::StandIn;
using testsupport::StandInOptions;
using testsupport::TempDir;

const auto* const kOle = ::testing::AddGlobalTestEnvironment(new apptest::OleEnvironment);

// A drag that lets go after the target has seen it enter and move.
class DropSource final : public IDropSource {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_IDropSource) {
            *out = static_cast<IDropSource*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override
    {
        return ++m_asked < 4 ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    int m_asked = 0;
};

struct RunningQuillbay {
    HWND window = nullptr;
    platform::UniqueProcess process;

    HWND Control(int id) const { return ::GetDlgItem(window, id); }
    bool WaitForExit(DWORD ms) const { return ::WaitForSingleObject(process.get(), ms) == WAIT_OBJECT_0; }
};

BOOL CALLBACK CollectQuillbay(HWND hwnd, LPARAM param)
{
    wchar_t name[64] = {};
    ::GetClassNameW(hwnd, name, 64);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (std::wstring(name) == frmQuillbay::kWindowClass && pid != ::GetCurrentProcessId() && ::IsWindowVisible(hwnd))
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

// Chooses the editor's Tools menu item and waits for the window it starts.
RunningQuillbay StartFromToolsMenu(StandIn& editor)
{
    RunningQuillbay run;
    ::PostMessageW(editor.Main(), WM_COMMAND, testsupport::kToolCommand, 0);
    for (int waited = 0; waited < 15000 && !run.window; waited += 50) {
        std::vector<HWND> found;
        ::EnumWindows(CollectQuillbay, reinterpret_cast<LPARAM>(&found));
        if (!found.empty()) run.window = found.front();
        else ::Sleep(50);
    }
    if (run.window) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(run.window, &pid);
        run.process.reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid));
    }
    return run;
}

// Starts Quillbay from this test process, which has no editor window, and
// waits for its window.
RunningQuillbay StartDirectly(const std::wstring& exe)
{
    RunningQuillbay run;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info))
        return run;
    platform::UniqueThread thread(info.hThread);
    run.process.reset(info.hProcess);
    for (int waited = 0; waited < 15000 && !run.window; waited += 50) {
        std::vector<HWND> found;
        ::EnumWindows(CollectQuillbay, reinterpret_cast<LPARAM>(&found));
        for (HWND hwnd : found) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(hwnd, &pid);
            if (pid == info.dwProcessId) run.window = hwnd;
        }
        if (!run.window) ::Sleep(50);
    }
    return run;
}

// A real drag and drop of files from this process onto the window's list.
DWORD DragFilesOnto(HWND list, const std::vector<std::wstring>& paths)
{
    ::SetForegroundWindow(::GetAncestor(list, GA_ROOT));
    ::SetWindowPos(::GetAncestor(list, GA_ROOT), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    RECT r{};
    ::GetWindowRect(list, &r);
    ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    IDataObject* data = apptest::DataObject::Files(paths);
    DropSource source;
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result = ::DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    data->Release();
    return result == DRAGDROP_S_DROP ? effect : 0xFFFFFFFF;
}

std::vector<std::wstring> EntriesOf(HWND list)
{
    std::vector<std::wstring> entries;
    const int count = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

// Presses the paste button without waiting on it (a message box would hold
// a sent message), then waits until the editor's log has come to rest.
std::vector<std::string> PasteAndCollectLog(StandIn& editor, const RunningQuillbay& run, std::size_t lines)
{
    editor.ClearLog();
    ::PostMessageW(run.Control(frmQuillbay::kCmdExec), BM_CLICK, 0, 0);
    std::vector<std::string> log;
    for (int waited = 0; waited < 10000; waited += 50) {
        log = editor.Log();
        if (log.size() >= lines) break;
        ::Sleep(50);
    }
    ::Sleep(200); // anything beyond the expected lines shows up too
    return editor.Log();
}

std::string SettingsOf(const std::wstring& path)
{
    try {
        return testsupport::ReadFileBytes(path);
    } catch (...) {
        return "<no file>";
    }
}

class EndToEnd : public ::testing::Test {
protected:
    std::wstring Exe() const { return folder / L"Quillbay.exe"; }
    void SetUp() override
    {
        ASSERT_TRUE(::CopyFileW((testsupport::TestBinDir() + L"\\Quillbay.exe").c_str(), Exe().c_str(), FALSE));
        testsupport::WriteFileBytes(first, "\x82\xa0\x82\xa2\x82\xa4"); // あいう
        testsupport::WriteFileBytes(second, "xyz\r\n");
    }

    TempDir folder, files;
    const std::wstring first = files / L"一つ目.txt";
    const std::wstring second = files / L"second.txt";
};

TEST_F(EndToEnd, DroppedFilesArePastedAtTheCursorAndAtTheEnd)
{
    StandInOptions options;
    options.tool = Exe();
    StandIn editor(options);
    editor.SetDocument("head\r\ntail");
    editor.SetSelection(6, 6);
    RunningQuillbay run = StartFromToolsMenu(editor);
    ASSERT_TRUE(run.window) << "Quillbay did not start from the Tools menu";

    EXPECT_EQ(DragFilesOnto(run.Control(frmQuillbay::kLstFiles), {first, second}), static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(EntriesOf(run.Control(frmQuillbay::kLstFiles)), (std::vector<std::wstring>{L"一つ目.txt", L"second.txt"}));

    // Insert at the cursor: one replacement of 6 + 5 bytes.
    EXPECT_TRUE(SameMessages(apptest::PasteAtCursorMessages(11), PasteAndCollectLog(editor, run, 8)));
    EXPECT_EQ(editor.Document(), "head\r\n\x82\xa0\x82\xa2\x82\xa4xyz\r\ntail");

    // Append: the caret goes after the last byte; the document is not rewritten.
    ::SendMessageW(run.Control(frmQuillbay::kCboMode), CB_SETCURSEL, 1, 0);
    EXPECT_TRUE(SameMessages(apptest::PasteAtEndMessages(21, 11), PasteAndCollectLog(editor, run, 8)));
    EXPECT_EQ(editor.Document(),
              "head\r\n\x82\xa0\x82\xa2\x82\xa4xyz\r\ntail\x82\xa0\x82\xa2\x82\xa4xyz\r\n");

    // The window stays, with its list as it was.
    EXPECT_TRUE(::IsWindow(run.window));
    EXPECT_EQ(EntriesOf(run.Control(frmQuillbay::kLstFiles)).size(), 2u);
    ::PostMessageW(run.window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(run.WaitForExit(15000));
    EXPECT_EQ(SettingsOf(folder / L"Quillbay.ini"), "[Quillbay]\r\nPasteAndEnd=0\r\nchkTopmost=0\r\nMode=1\r\n");
}

TEST_F(EndToEnd, TheEditorWhoseToolsMenuStartedQuillbayGetsThePasteWhicheverEditorIsInFront)
{
    StandInOptions options;
    options.tool = Exe();
    StandIn starter(options);
    StandIn front;
    struct Row {
        const char* what;
        std::function<RunningQuillbay()> start;
        StandIn& receiver;
        StandIn& other;
    };
    const Row rows[] = {
        // Another editor came to the front while Quillbay started.
        {"from the Tools menu of the editor behind", [&] { return StartFromToolsMenu(starter); }, starter, front},
        // Started by a program with no editor window: the one in front.
        {"by a program that is no editor", [&] { return StartDirectly(Exe()); }, front, starter},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        starter.SetDocument("");
        front.SetDocument("");
        front.BringToFront();
        RunningQuillbay run = row.start();
        ASSERT_TRUE(run.window) << "Quillbay did not start";
        ASSERT_EQ(DragFilesOnto(run.Control(frmQuillbay::kLstFiles), {second}), static_cast<DWORD>(DROPEFFECT_COPY));
        row.other.ClearLog();
        EXPECT_TRUE(SameMessages(apptest::PasteAtCursorMessages(5), PasteAndCollectLog(row.receiver, run, 8)));
        EXPECT_EQ(row.receiver.Document(), "xyz\r\n");
        EXPECT_TRUE(SameMessages({}, row.other.Log()));
        EXPECT_EQ(row.other.Document(), "");
        ::PostMessageW(run.window, WM_CLOSE, 0, 0);
        ASSERT_TRUE(run.WaitForExit(15000));
    }
}

TEST_F(EndToEnd, AutoEncodingTurnedOnSurvivesARestartAndConvertsAUtf8File)
{
    StandInOptions options;
    options.tool = Exe();
    StandIn editor(options);
    {
        RunningQuillbay run = StartFromToolsMenu(editor);
        ASSERT_TRUE(run.window);
        // As the system menu reports the item chosen.
        ::PostMessageW(run.window, WM_SYSCOMMAND, frmQuillbay::kMnuAutoEncoding, 0);
        ::PostMessageW(run.window, WM_CLOSE, 0, 0);
        ASSERT_TRUE(run.WaitForExit(15000));
    }
    EXPECT_EQ(SettingsOf(folder / L"Quillbay.ini"),
              "[Quillbay]\r\nPasteAndEnd=0\r\nchkTopmost=0\r\nMode=0\r\nAutoEncoding=1\r\n");

    const std::wstring utf8 = files / L"utf8.txt";
    testsupport::WriteFileBytes(utf8, "\xEF\xBB\xBF\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86"); // あいう, with a mark
    editor.BringToFront();
    RunningQuillbay run = StartFromToolsMenu(editor);
    ASSERT_TRUE(run.window) << "Quillbay did not start again";
    ASSERT_EQ(DragFilesOnto(run.Control(frmQuillbay::kLstFiles), {utf8}), static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_TRUE(SameMessages(apptest::PasteAtCursorMessages(6), PasteAndCollectLog(editor, run, 6)));
    EXPECT_EQ(editor.Document(), "\x82\xa0\x82\xa2\x82\xa4");
    ::PostMessageW(run.window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(run.WaitForExit(15000));
    EXPECT_EQ(SettingsOf(folder / L"Quillbay.ini"),
              "[Quillbay]\r\nPasteAndEnd=0\r\nchkTopmost=0\r\nMode=0\r\nAutoEncoding=1\r\n");
}

TEST_F(EndToEnd, TextDraggedOverTheListIsRefusedAndAddsNothing)
{
    StandInOptions options;
    options.tool = Exe();
    StandIn editor(options);
    RunningQuillbay run = StartFromToolsMenu(editor);
    ASSERT_TRUE(run.window);
    HWND list = run.Control(frmQuillbay::kLstFiles);
    ::SetForegroundWindow(run.window);
    RECT r{};
    ::GetWindowRect(list, &r);
    ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    IDataObject* text = apptest::DataObject::Text("not a file");
    DropSource source;
    DWORD effect = DROPEFFECT_COPY;
    const HRESULT result = ::DoDragDrop(text, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    text->Release();
    EXPECT_EQ(result, DRAGDROP_S_DROP);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_TRUE(EntriesOf(list).empty());
    ::PostMessageW(run.window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(run.WaitForExit(15000));
}

TEST_F(EndToEnd, QuitAfterPastingEndsTheProgramAndWritesTheSettings)
{
    StandInOptions options;
    options.tool = Exe();
    StandIn editor(options);
    RunningQuillbay run = StartFromToolsMenu(editor);
    ASSERT_TRUE(run.window);
    // A click as the user makes it: the check box toggles itself.
    ::SendMessageW(run.Control(frmQuillbay::kChkPasteAndEnd), BM_CLICK, 0, 0);
    ASSERT_EQ(DragFilesOnto(run.Control(frmQuillbay::kLstFiles), {second}), static_cast<DWORD>(DROPEFFECT_COPY));
    editor.ClearLog();
    ::PostMessageW(run.Control(frmQuillbay::kCmdExec), BM_CLICK, 0, 0);
    ASSERT_TRUE(run.WaitForExit(15000)) << "the program did not end after the paste";
    EXPECT_EQ(editor.Document(), "xyz\r\n");
    EXPECT_TRUE(SameMessages(apptest::PasteAtCursorMessages(5), editor.Log()));
    EXPECT_EQ(SettingsOf(folder / L"Quillbay.ini"), "[Quillbay]\r\nPasteAndEnd=1\r\nchkTopmost=0\r\nMode=0\r\n");
}

TEST_F(EndToEnd, AnUnreadableFileShowsOneRealMessageBoxAndTheProgramGoesOn)
{
    StandInOptions options;
    options.tool = Exe();
    StandIn editor(options);
    editor.SetDocument("doc");
    RunningQuillbay run = StartFromToolsMenu(editor);
    ASSERT_TRUE(run.window);
    ::SendMessageW(run.Control(frmQuillbay::kChkPasteAndEnd), BM_CLICK, 0, 0);
    ASSERT_EQ(DragFilesOnto(run.Control(frmQuillbay::kLstFiles), {first, second}), static_cast<DWORD>(DROPEFFECT_COPY));
    ASSERT_TRUE(::DeleteFileW(second.c_str()));
    editor.ClearLog();
    ::PostMessageW(run.Control(frmQuillbay::kCmdExec), BM_CLICK, 0, 0);

    HWND box = nullptr;
    for (int waited = 0; waited < 10000 && !box; waited += 50) {
        HWND candidate = ::FindWindowW(L"#32770", L"Quillbay");
        DWORD pid = 0;
        if (candidate) ::GetWindowThreadProcessId(candidate, &pid);
        if (candidate && pid != ::GetCurrentProcessId()) box = candidate;
        else ::Sleep(50);
    }
    ASSERT_TRUE(box) << "no message box";
    wchar_t text[1024] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 1024);
    const std::wstring shown = text;
    EXPECT_NE(shown.find(second), std::wstring::npos) << "the box names the file";
    EXPECT_NE(shown.find(L"ファイルが見つかりません。"), std::wstring::npos);
    EXPECT_EQ(shown.find(first), std::wstring::npos) << "a readable file is not named";
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);

    EXPECT_FALSE(run.WaitForExit(1000)) << "the program ended";
    EXPECT_TRUE(SameMessages({}, editor.Log()));
    EXPECT_EQ(editor.Document(), "doc");
    EXPECT_EQ(EntriesOf(run.Control(frmQuillbay::kLstFiles)).size(), 2u);
    ::PostMessageW(run.window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(run.WaitForExit(15000));
}

// The message box of the running program, once it shows.
HWND WaitForBoxOf(const RunningQuillbay& run, DWORD milliseconds)
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(run.window, &pid);
    for (DWORD waited = 0; waited < milliseconds; waited += 50) {
        for (HWND box = ::FindWindowW(L"#32770", L"Quillbay"); box; box = ::FindWindowExW(nullptr, box, L"#32770", L"Quillbay")) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(box, &owner);
            if (owner == pid && ::IsWindowVisible(box)) return box;
        }
        ::Sleep(50);
    }
    return nullptr;
}

bool OnScreen(HWND window)
{
    RECT r{};
    ::GetWindowRect(window, &r);
    return r.left >= 0 && r.top >= 0 && r.right <= ::GetSystemMetrics(SM_CXSCREEN) &&
           r.bottom <= ::GetSystemMetrics(SM_CYSCREEN);
}

TEST_F(EndToEnd, TheBoxForManyOrLongUnreadablePathsStaysOnTheScreenWithItsOkButton)
{
    StandInOptions options;
    options.tool = Exe();
    StandIn editor(options);
    struct Row {
        const char* what;
        std::vector<std::wstring> paths; // none of them exists
        std::size_t named;
    };
    std::vector<std::wstring> forty;
    for (int i = 0; i < 40; ++i) forty.push_back(files / (L"gone" + std::to_wstring(i) + L".txt"));
    // A path of 5.2 million characters, as raw drop data can carry.
    const std::wstring huge = files.Path() + L"\\" + std::wstring(5200000, L'\x3042') + L".txt";
    const Row rows[] = {
        {"40 files", forty, 5},
        {"a path of 5.2 million characters", {huge, forty[0]}, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        RunningQuillbay run = StartFromToolsMenu(editor);
        ASSERT_TRUE(run.window);
        ASSERT_EQ(DragFilesOnto(run.Control(frmQuillbay::kLstFiles), row.paths), static_cast<DWORD>(DROPEFFECT_COPY));
        const auto start = std::chrono::steady_clock::now();
        ::PostMessageW(run.Control(frmQuillbay::kCmdExec), BM_CLICK, 0, 0);
        HWND box = WaitForBoxOf(run, 30000);
        ASSERT_TRUE(box) << "no message box";
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_TRUE(OnScreen(box));
        HWND ok = ::GetDlgItem(box, IDOK);
        EXPECT_TRUE(ok && ::IsWindowVisible(ok) && OnScreen(ok));
        std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(::GetDlgItem(box, 0xFFFF))) + 1, L'\0');
        text.resize(static_cast<std::size_t>(::GetDlgItemTextW(box, 0xFFFF, text.data(), static_cast<int>(text.size()))));
        std::size_t reasons = 0;
        for (std::size_t at = text.find(texts::kUnreadableReasonPrefix); at != std::wstring::npos;
             at = text.find(texts::kUnreadableReasonPrefix, at + 1))
            ++reasons;
        EXPECT_EQ(reasons, row.named);
        EXPECT_LT(text.size(), 2000u);
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_FALSE(run.WaitForExit(500));
        ::PostMessageW(run.window, WM_CLOSE, 0, 0);
        ASSERT_TRUE(run.WaitForExit(15000));
    }
}

TEST_F(EndToEnd, TheRunningWindowKeepsItsDesignWithTheManifestsControls)
{
    // The program's manifest gives it common controls 6, which size some
    // controls (the closed mode list) differently from the test's own.
    StandInOptions options;
    options.tool = Exe();
    StandIn editor(options);
    RunningQuillbay run = StartFromToolsMenu(editor);
    ASSERT_TRUE(run.window);
    const int dpi = platform::ui::ScreenDpi();
    auto px = [dpi](int twips) { return ::MulDiv(twips, dpi, 1440); };
    RECT client{};
    ::GetClientRect(run.window, &client);
    EXPECT_EQ((std::vector<long>{client.right, client.bottom}), (std::vector<long>{px(4785), px(3150)}));
    struct Row {
        int id, left, top, width, height; // twips
    } rows[] = {
        {frmQuillbay::kLblText, 120, 120, 4095, 255},   {frmQuillbay::kLstFiles, 120, 360, 4095, 1695},
        {frmQuillbay::kCmdUp, 4320, 360, 375, 375},     {frmQuillbay::kCmdDown, 4320, 1680, 375, 375},
        {frmQuillbay::kChkTopmost, 120, 2160, 1455, 255}, {frmQuillbay::kChkPasteAndEnd, 120, 2400, 1815, 255},
        {frmQuillbay::kCboMode, 120, 2760, 2175, 300},  {frmQuillbay::kCmdExec, 2400, 2160, 2295, 855},
        {frmQuillbay::kCmdRemove, 4320, 1020, 375, 375},
    };
    for (const Row& row : rows) {
        RECT r{};
        ::GetWindowRect(run.Control(row.id), &r);
        ::MapWindowPoints(nullptr, run.window, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ((std::vector<long>{r.left, r.top, r.right - r.left, r.bottom - r.top}),
                  (std::vector<long>{px(row.left), px(row.top), px(row.width), px(row.height)}))
            << "control " << row.id;
    }
    ::PostMessageW(run.window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(run.WaitForExit(15000));
}

// --- the executable's resources ------------------------------------------------------------

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

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
    for (WORD i = 0; i < count; ++i) {
        const auto* entry = reinterpret_cast<const GroupIconEntry*>(bytes + 6 + i * sizeof(GroupIconEntry));
        images.insert({entry->width, entry->bitCount});
    }
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

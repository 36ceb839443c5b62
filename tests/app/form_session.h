// The real window in the test process: OLE for the thread, a bridge captured
// on whatever is in the foreground when the session starts, the message boxes
// recorded instead of shown, and this executable's settings file removed
// before and after. Hidden unless asked: a shown window takes Wine seconds to go.
// And Quillbay.exe in a process of its own, started from a stand-in editor.
#pragma once

#include "app/frm_quillbay.h"
#include "data_object.h"
#include "platform/code_page.h"
#include "platform/drag_drop.h"
#include "platform/ole_session.h"
#include "platform/handles.h"
#include "platform/programs.h"
#include "platform/ui.h"
#include "support/standin_driver.h"

#include <gtest/gtest.h>
#include <ole2.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace apptest {

using namespace testsupport; // the stand-in editor, files, the editor's log

// OLE on the test thread for the whole run, as the program has it on its own.
class OleEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ::OleInitialize(nullptr); }
    void TearDown() override { ::OleUninitialize(); }
};

struct ShownBox {
    std::wstring text, title;
    UINT style = 0;
    bool operator==(const ShownBox& o) const { return text == o.text && title == o.title && style == o.style; }
};

inline std::ostream& operator<<(std::ostream& out, const ShownBox& box)
{
    return out << "{\"" << platform::ToAnsi(box.text) << "\", \"" << platform::ToAnsi(box.title) << "\", " << box.style << "}";
}

// The settings file the window of this test executable reads and writes.
inline std::wstring OwnSettingsFile()
{
    return platform::ExecutableFolder() + L"\\" + platform::ExecutableBaseName() + L".ini";
}

class FormSession {
public:
    // settings: the settings file's bytes before the load; empty = no file.
    explicit FormSession(const std::string& settings = {}, bool show = false)
    {
        ::DeleteFileW(OwnSettingsFile().c_str());
        if (!settings.empty()) WriteFileBytes(OwnSettingsFile(), settings);
        const auto record = [this](HWND owner, const std::wstring& text, const std::wstring& title, UINT style) {
            boxes.push_back({text, title, style});
            return alsoShow ? alsoShow(owner, text, title, style) : answer;
        };
        m_form = std::make_unique<frmQuillbay>(m_bridge, frmQuillbay::Options{record, false});
        m_form->Load();
        if (show) m_form->Show();
        Pump();
    }
    ~FormSession()
    {
        m_form.reset();
        platform::ui::PumpWaitingMessages(nullptr);
        ::DeleteFileW(OwnSettingsFile().c_str());
    }
    FormSession(const FormSession&) = delete;
    FormSession& operator=(const FormSession&) = delete;

    frmQuillbay& Form() { return *m_form; }
    HWND Window() const { return m_form->hwnd(); }
    HWND Control(int id) const { return ::GetDlgItem(Window(), id); }
    HWND List() const { return Control(frmQuillbay::kLstFiles); }
    LRESULT ToList(UINT message, WPARAM w = 0, LPARAM l = 0) const { return ::SendMessageW(List(), message, w, l); }
    // What is waiting, handled as the program's loop does: dialog keys included.
    void Pump() const { platform::ui::PumpWaitingMessages(Window()); }
    // A press as the button itself reports it: BN_CLICKED to the window.
    void Click(int id) { ::SendMessageW(Control(id), BM_CLICK, 0, 0), Pump(); }
    void Check(int id, bool on) { ::SendMessageW(Control(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }
    void Drop(const std::vector<std::wstring>& paths)
    {
        IDataObject* data = DataObject::Files(paths);
        m_form->lstFiles_OLEDragDrop(data);
        data->Release();
    }

    int Count() const { return static_cast<int>(ToList(LB_GETCOUNT)); }
    std::vector<std::wstring> Entries() const
    {
        std::vector<std::wstring> entries(static_cast<std::size_t>(Count()), std::wstring(1024, L'\0'));
        for (int i = 0; i < Count(); ++i) entries[i].resize(ToList(LB_GETTEXT, i, reinterpret_cast<LPARAM>(entries[i].data())));
        return entries;
    }
    std::vector<int> SelectedEntries() const
    {
        std::vector<int> selected;
        for (int i = 0; i < Count(); ++i)
            if (ToList(LB_GETSEL, i) > 0) selected.push_back(i);
        return selected;
    }
    void SelectOnly(const std::vector<int>& indexes)
    {
        ToList(LB_SETSEL, FALSE, -1);
        for (int i : indexes) ToList(LB_SETSEL, TRUE, i);
    }
    int Caret() const { return static_cast<int>(ToList(LB_GETCARETINDEX)); }
    void SetCaret(int index) { ToList(LB_SETCARETINDEX, index); }

    std::vector<ShownBox> boxes;
    int answer = IDOK; // what every recorded box answers
    // When set, each box is also shown this way, and its answer counts.
    frmQuillbay::MessageBoxFunction alsoShow;

private:
    platform::OleSession m_ole;
    clsKestTeraPad m_bridge;
    std::unique_ptr<frmQuillbay> m_form;
};

// A stand-in editor in front, then the window, which captures it; and a
// folder for the files to drop.
struct EditorSession {
    explicit EditorSession(bool show = false, StandInOptions options = {})
        : editor(std::move(options)), session({}, show)
    {
    }
    std::wstring File(const std::wstring& name, const std::string& bytes)
    {
        WriteFileBytes(files / name, bytes);
        return files / name;
    }
    // The click on 貼り付け, with an empty log if the editor is still there.
    void Paste()
    {
        if (::IsWindow(editor.Main())) editor.ClearLog();
        session.Click(frmQuillbay::kCmdExec);
    }

    StandIn editor;
    FormSession session;
    TempDir files;
};

// What a paste sends the editor: at the cursor it asks for the selection and
// the length first; at the end it asks for the length and puts the caret
// there. After the one replacement it asks for the selection again, which
// for a paste taken whole stands right after it.
inline Messages PasteAtCursorMessages(long long bytes)
{
    return Join({SelLengthStep(), LengthStep(), ReplaceStep(bytes), SelLengthStep()});
}
inline Messages PasteAtEndMessages(long long length, long long bytes)
{
    return Join({LengthStep(), SelSetStep(length, length), ReplaceStep(bytes), SelLengthStep()});
}

// A copy of Quillbay.exe under the given name, with its own settings file beside it.
inline std::wstring CopyOfQuillbay(const TempDir& folder, const std::wstring& name)
{
    EXPECT_TRUE(::CopyFileW((TestBinDir() + L"\\Quillbay.exe").c_str(), (folder / name).c_str(), FALSE));
    return folder / name;
}

// Quillbay in its own process as the editor's Tools menu starts it; window is
// null if none came.
struct RunningQuillbay {
    explicit RunningQuillbay(const StandIn& editor)
    {
        ::PostMessageW(editor.Main(), WM_COMMAND, kToolCommand, 0);
        window = WaitForWindow(frmQuillbay::kWindowClass);
        ::GetWindowThreadProcessId(window, &pid);
        process.reset(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    }
    HWND Control(int id) const { return ::GetDlgItem(window, id); }
    std::size_t Entries() const { return static_cast<std::size_t>(::SendMessageW(Control(frmQuillbay::kLstFiles), LB_GETCOUNT, 0, 0)); }
    void Post(int id, UINT message = BM_CLICK) const { ::PostMessageW(Control(id), message, 0, 0); }
    bool WaitForExit(DWORD ms) const { return ::WaitForSingleObject(process.get(), ms) == WAIT_OBJECT_0; }
    void Close() const
    {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitForExit(15000));
    }

    HWND window = nullptr;
    DWORD pid = 0;
    platform::UniqueProcess process;
};

} // namespace apptest

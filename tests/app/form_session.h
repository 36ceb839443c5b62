// The real window in the test process: OLE for the thread, a bridge (captured
// on whatever is in the foreground when the session starts), the window with
// its message boxes recorded instead of shown, and the settings file of this
// test executable removed before and after. Hidden unless asked: without a
// window manager Wine waits two seconds when a shown window goes.
#pragma once

#include "app/frm_quillbay.h"
#include "data_object.h"
#include "platform/code_page.h"
#include "platform/drag_drop.h"
#include "platform/handles.h"
#include "platform/programs.h"
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace apptest {

// Owns the one reference a new data object comes with.
class DataRef {
public:
    explicit DataRef(IDataObject* data) : m_data(data) {}
    ~DataRef() { m_data->Release(); }
    DataRef(const DataRef&) = delete;
    DataRef& operator=(const DataRef&) = delete;
    IDataObject* get() const noexcept { return m_data; }

private:
    IDataObject* m_data;
};

struct ShownBox {
    std::wstring text, title;
    UINT style = 0;
    bool operator==(const ShownBox& other) const
    {
        return text == other.text && title == other.title && style == other.style;
    }
};

inline std::ostream& operator<<(std::ostream& out, const ShownBox& box)
{
    return out << "{\"" << platform::ToAnsi(box.text) << "\", \"" << platform::ToAnsi(box.title) << "\", "
               << box.style << "}";
}

// The settings file the window of this test executable reads and writes.
inline std::wstring OwnSettingsFile()
{
    return platform::ExecutableFolder() + L"\\" + platform::ExecutableBaseName() + L".ini";
}

inline void HandleWaitingMessages(HWND dialog = nullptr)
{
    platform::ui::PumpWaitingMessages(dialog);
}

class FormSession {
public:
    // settings: the settings file's bytes before the load; empty = no file.
    explicit FormSession(const std::string& settings = {}, bool show = false)
    {
        ::DeleteFileW(OwnSettingsFile().c_str());
        if (!settings.empty()) {
            platform::UniqueFile file(::CreateFileW(OwnSettingsFile().c_str(), GENERIC_WRITE, 0, nullptr,
                                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            DWORD written = 0;
            ::WriteFile(file.get(), settings.data(), static_cast<DWORD>(settings.size()), &written, nullptr);
        }
        m_bridge = std::make_unique<clsKestTeraPad>();
        frmQuillbay::Options options;
        options.showMessage = [this](HWND, const std::wstring& text, const std::wstring& title, UINT style) {
            boxes.push_back({text, title, style});
            return answer;
        };
        options.endsProgram = false;
        m_form = std::make_unique<frmQuillbay>(*m_bridge, options);
        m_form->Load();
        if (show) m_form->Show();
        HandleWaitingMessages(m_form->hwnd());
    }
    ~FormSession()
    {
        m_form.reset();
        m_bridge.reset();
        HandleWaitingMessages();
        ::DeleteFileW(OwnSettingsFile().c_str());
    }
    FormSession(const FormSession&) = delete;
    FormSession& operator=(const FormSession&) = delete;

    frmQuillbay& Form() { return *m_form; }
    clsKestTeraPad& Bridge() { return *m_bridge; }
    HWND Window() const { return m_form->hwnd(); }
    HWND Control(int id) const { return ::GetDlgItem(m_form->hwnd(), id); }
    HWND List() const { return Control(frmQuillbay::kLstFiles); }

    // A press as the button itself reports it: BN_CLICKED to the window.
    void Click(int id)
    {
        ::SendMessageW(Control(id), BM_CLICK, 0, 0);
        HandleWaitingMessages(Window());
    }

    void Drop(const std::vector<std::wstring>& paths)
    {
        DataRef data(DataObject::Files(paths));
        m_form->lstFiles_OLEDragDrop(data.get());
    }

    std::vector<std::wstring> Entries() const
    {
        std::vector<std::wstring> entries;
        const int count = static_cast<int>(::SendMessageW(List(), LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t text[1024] = {};
            ::SendMessageW(List(), LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            entries.push_back(text);
        }
        return entries;
    }
    std::vector<int> SelectedEntries() const
    {
        std::vector<int> selected;
        const int count = static_cast<int>(::SendMessageW(List(), LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i)
            if (::SendMessageW(List(), LB_GETSEL, i, 0) > 0) selected.push_back(i);
        return selected;
    }
    void SelectOnly(const std::vector<int>& indexes)
    {
        ::SendMessageW(List(), LB_SETSEL, FALSE, -1);
        for (int i : indexes) ::SendMessageW(List(), LB_SETSEL, TRUE, i);
    }
    int Caret() const { return static_cast<int>(::SendMessageW(List(), LB_GETCARETINDEX, 0, 0)); }
    void SetCaret(int index) { ::SendMessageW(List(), LB_SETCARETINDEX, index, FALSE); }

    std::vector<ShownBox> boxes;
    // What every recorded box answers.
    int answer = IDOK;

private:
    platform::ui::OleSession m_ole;
    std::unique_ptr<clsKestTeraPad> m_bridge;
    std::unique_ptr<frmQuillbay> m_form;
};

} // namespace apptest

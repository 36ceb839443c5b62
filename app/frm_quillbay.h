// frmQuillbay: the program's one window. Files dropped onto its list are
// kept with their full paths; the paste button delivers the selected files'
// text to the captured editor; three options live in the settings file.
#pragma once

#include "app/frm_design.h"
#include "app/paste.h"
#include "bridge/kest_terapad.h"
#include "platform/control_keys.h"
#include "platform/dialog_behaviour.h"
#include "platform/drag_drop.h"
#include "platform/handles.h"

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class frmQuillbay {
public:
    // Control ids, in tab order; tests find the controls by them.
    enum ControlId : int {
        kLblText = 101,
        kLstFiles,
        kCmdUp,
        kCmdDown,
        kChkTopmost,
        kChkPasteAndEnd,
        kCboMode,
        kCmdExec,
        kCmdRemove,
    };

    // The option 文字コードを自動判別 in the window's system menu; a system
    // menu command keeps its low four bits zero.
    static constexpr UINT kMnuAutoEncoding = 0x0A10;
    // 改行を CR LF にそろえる and ファイルの間に改行を入れる, below it.
    static constexpr UINT kMnuCrLfLineEnds = 0x0A20;
    static constexpr UINT kMnuBreakBetweenFiles = 0x0A30;

    static constexpr const wchar_t* kWindowClass = L"Quillbay.frmQuillbay";
    // The list's entry count is a 16-bit signed number.
    static constexpr int kMaxEntries = 32767;

    using MessageBoxFunction =
        std::function<int(HWND owner, const std::wstring& text, const std::wstring& title, UINT style)>;

    struct Options {
        // Shows a modal message box; the program passes platform::ui::ShowMessageBox.
        MessageBoxFunction showMessage;
        // Whether unloading the window ends the thread's message loop, and
        // the loop's result then.
        bool endsProgram = true;
        int exitCode = 0;
    };

    frmQuillbay(clsKestTeraPad& editor, Options options);
    ~frmQuillbay(); // unloads the window if it is still loaded
    frmQuillbay(const frmQuillbay&) = delete;
    frmQuillbay& operator=(const frmQuillbay&) = delete;

    // Creates the window and its controls, hidden, and runs Form_Load.
    void Load();
    void Show();
    // Runs Form_Unload and destroys the window; the close button does the same.
    void Unload();
    bool Loaded() const noexcept { return m_hwnd != nullptr; }
    HWND hwnd() const noexcept { return m_hwnd; }
    // The drop target registered on lstFiles.
    IDropTarget* DropTarget() const noexcept { return m_dropTarget.get(); }

    const std::vector<std::wstring>& Paths() const noexcept { return m_strPaths; }
    std::int16_t PathCount() const noexcept { return m_nPaths; }

    // Event handlers.
    DWORD lstFiles_OLEDragOver(IDataObject* data);
    void lstFiles_OLEDragDrop(IDataObject* data);
    void cmdRemove_Click();
    void cmdUp_Click();
    void cmdDown_Click();
    void chkTopmost_Click();
    void mnuAutoEncoding_Click();
    void mnuCrLfLineEnds_Click();
    void mnuBreakBetweenFiles_Click();
    // Delete, Ctrl+A, Alt+Up and Alt+Down with the focus in the list.
    bool lstFiles_KeyDown(const platform::ui::KeyPress& key);
    void cmdExec_Click();

private:
    // Tells the user what became of a paste; true when it went in whole.
    bool TellOutcome(paste::Outcome outcome);
    void Form_Load();
    void Form_Unload();
    void LoadSettings();
    void SaveSettings();

    static LRESULT CALLBACK s_WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id, int notification);
    bool OnSysCommand(UINT command);
    void OnClose();
    void OnDestroy();
    void OnNcDestroy();

    void CreateControls();
    HWND Control(int id) const noexcept;
    int ShowMessage(const std::wstring& text, UINT style);
    void ReportUnexpected(const std::exception* error) noexcept;
    // Replaces an entry's text; its selected flag stays with the position.
    void SetEntryText(int index, const std::wstring& text);
    void ExchangeEntries(int a, int b);

    clsKestTeraPad& m_editor;
    Options m_options;

    std::vector<std::wstring> m_strPaths;
    std::int16_t m_nPaths = 0;
    // The menu options the settings file had a value for: a file without one
    // stays without one as long as the option is off.
    std::set<UINT> m_storedMenuOptions;

    // Declared before the window: the controls use the font until they are gone.
    platform::UniqueFont m_font;
    platform::ComPtr<IDropTarget> m_dropTarget;
    platform::dragdrop::DragDropRegistration m_dropRegistration;
    platform::ui::ControlKeys m_listKeys;
    platform::UniqueWindow m_window;
    HWND m_hwnd = nullptr; // from WM_NCCREATE to WM_NCDESTROY
    // The controls by id, from the first (kLblText) on.
    frmDesign::Controls m_controls{};
    platform::ui::DialogBehaviour m_dialog;
};

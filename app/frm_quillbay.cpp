#include "app/frm_quillbay.h"

#include "app/file_name.h"
#include "app/frm_design.h"
#include "app/paste.h"
#include "app/paste_report.h"
#include "app/resource.h"
#include "app/texts.h"
#include "settings/ini_access.h"

#include "platform/controls.h"
#include "platform/programs.h"
#include "platform/ui.h"
#include "platform/window_messages.h"

#include <cstdint>
#include <exception>
#include <new>
#include <utility>

namespace controls = platform::controls;
namespace dragdrop = platform::dragdrop;
namespace ui = platform::ui;

frmQuillbay::frmQuillbay(clsKestTeraPad& editor, Options options) : m_editor(editor), m_options(std::move(options))
{
}

frmQuillbay::~frmQuillbay()
{
    try {
        Unload();
    } catch (...) {
        // A destructor has no one to tell; the window goes with m_window.
    }
}

// --- loading and unloading --------------------------------------------------------

void frmQuillbay::Load()
{
    if (Loaded()) return;
    ui::RegisterWindowClass(kWindowClass, s_WndProc, IDI_QUILLBAY);
    const int dpi = ui::ScreenDpi();
    m_font = frmDesign::CreateFormFont(dpi);
    m_window = frmDesign::CreateFormWindow(kWindowClass, dpi, this);
    try {
        CreateControls();

        dragdrop::DropHandlers handlers;
        handlers.dragOver = [this](IDataObject* data) { return lstFiles_OLEDragOver(data); };
        handlers.drop = [this](IDataObject* data) { lstFiles_OLEDragDrop(data); };
        handlers.failed = [this](const std::exception* error) { ReportUnexpected(error); };
        m_dropTarget = dragdrop::MakeDropTarget(std::move(handlers));
        m_dropRegistration = dragdrop::DragDropRegistration(Control(kLstFiles), m_dropTarget.get());
        m_listKeys = ui::ControlKeys(
            Control(kLstFiles), [this](const ui::KeyPress& key) { return lstFiles_KeyDown(key); },
            [this](const std::exception* error) { ReportUnexpected(error); });
        frmDesign::AddMenuOptions(m_hwnd);

        Form_Load();
    } catch (...) {
        // A half-built window is no window to save settings from.
        m_window.reset();
        throw;
    }
}

void frmQuillbay::CreateControls()
{
    m_controls = frmDesign::CreateControls(m_hwnd, m_font.get(), ui::ScreenDpi());
    // The list has the focus until the user moves it.
    m_dialog = ui::DialogBehaviour(m_hwnd, kCmdExec, Control(kLstFiles));
}

void frmQuillbay::Show()
{
    ui::ShowNormal(m_hwnd);
}

void frmQuillbay::Unload()
{
    if (!Loaded()) return;
    Form_Unload();
    m_window.reset();
}

void frmQuillbay::Form_Load()
{
    controls::combo::Choose(Control(kCboMode), 0);
    LoadSettings();
    // A new window is never topmost, so only a checked box has anything to
    // set. Setting "not topmost" anyway also activated the still hidden
    // window, an exchange with the editor's process that ShowWindow's own
    // activation makes redundant: 1 ms of start-up idle, up to 15 ms busy.
    if (controls::check::Value(Control(kChkTopmost)) == 1) chkTopmost_Click();
}

void frmQuillbay::Form_Unload()
{
    SaveSettings();
}

// --- settings -----------------------------------------------------------------------

namespace {

// The settings file beside the executable, named after it.
INIAccess SettingsFile()
{
    INIAccess ini;
    ini.SetAppPathFilename(platform::ExecutableBaseName() + L".ini");
    ini.Section = L"Quillbay";
    return ini;
}

// Every key of the settings file and what holds it, in the order a new file
// gets them. A value counts as on only when it is exactly 1. The options of
// the system menu are written only once they have been on or were in the
// file, so that a user who never turns one on keeps a file of three keys.
enum class Holder { CheckBox, ModeList, MenuOption };
struct SettingKey {
    const wchar_t* key;
    Holder holder;
    int id; // the control's, or the menu item's
};
constexpr SettingKey kSettings[] = {
    {L"PasteAndEnd", Holder::CheckBox, frmQuillbay::kChkPasteAndEnd},
    {L"chkTopmost", Holder::CheckBox, frmQuillbay::kChkTopmost},
    {L"Mode", Holder::ModeList, frmQuillbay::kCboMode},
    {L"AutoEncoding", Holder::MenuOption, frmQuillbay::kMnuAutoEncoding},
    {L"CrLfLineEnds", Holder::MenuOption, frmQuillbay::kMnuCrLfLineEnds},
    {L"BreakBetweenFiles", Holder::MenuOption, frmQuillbay::kMnuBreakBetweenFiles},
};

} // namespace

void frmQuillbay::LoadSettings()
{
    INIAccess ini = SettingsFile();
    for (const SettingKey& setting : kSettings) {
        const std::wstring value = ini.Setting(setting.key);
        const int on = value == L"1" ? 1 : 0;
        switch (setting.holder) {
        case Holder::CheckBox: controls::check::SetValue(Control(setting.id), on); break;
        case Holder::ModeList: controls::combo::Choose(Control(setting.id), on); break;
        case Holder::MenuOption:
            if (!value.empty()) m_storedMenuOptions.insert(static_cast<UINT>(setting.id));
            controls::sysmenu::SetChecked(m_hwnd, static_cast<UINT>(setting.id), on == 1);
            break;
        }
    }
}

void frmQuillbay::SaveSettings()
{
    INIAccess ini = SettingsFile();
    for (const SettingKey& setting : kSettings) {
        switch (setting.holder) {
        case Holder::CheckBox:
            ini.Setting(setting.key, std::to_wstring(controls::check::Value(Control(setting.id))));
            break;
        case Holder::ModeList:
            ini.Setting(setting.key, std::to_wstring(controls::combo::Chosen(Control(setting.id)).value_or(0)));
            break;
        case Holder::MenuOption: {
            const UINT item = static_cast<UINT>(setting.id);
            const bool on = controls::sysmenu::Checked(m_hwnd, item);
            if (on || m_storedMenuOptions.count(item)) ini.Setting(setting.key, on ? L"1" : L"0");
            break;
        }
        }
    }
}

// --- the file list ----------------------------------------------------------------------

DWORD frmQuillbay::lstFiles_OLEDragOver(IDataObject* data)
{
    return dragdrop::OffersFileList(data) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

void frmQuillbay::lstFiles_OLEDragDrop(IDataObject* data)
{
    HWND list = Control(kLstFiles);
    const std::vector<std::wstring> dropped = dragdrop::FileList(data);
    const std::optional<int> current = controls::list::Caret(list);
    const int first = m_nPaths;
    // The new entries are selected in one step once they are in, and the
    // list paints once: entry by entry, a visible list box takes seconds for
    // thousands of files. Selecting also moves the caret, which stays.
    auto finish = [&] {
        if (m_nPaths > first) controls::list::SelectRange(list, first, m_nPaths - 1);
        if (current) controls::list::SetCaret(list, *current);
        ui::SetRedraw(list, true);
    };
    ui::SetRedraw(list, false);
    try {
        for (const std::wstring& path : dropped) {
            // The count is 16-bit: a full list ignores the rest of the drop.
            if (m_nPaths >= kMaxEntries) break;
            controls::list::Add(list, mdlQuillbay::ListedName(path));
            m_strPaths.push_back(path);
            ++m_nPaths;
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void frmQuillbay::cmdRemove_Click()
{
    HWND list = Control(kLstFiles);
    const std::optional<int> current = controls::list::Caret(list);
    if (!current) return;
    const int k = *current;
    m_strPaths.erase(m_strPaths.begin() + k);
    --m_nPaths;
    controls::list::Remove(list, k);
}

void frmQuillbay::cmdUp_Click()
{
    const std::optional<int> current = controls::list::Caret(Control(kLstFiles));
    if (!current || *current < 1) return;
    const int k = *current;
    ExchangeEntries(k - 1, k);
    controls::list::SetCaret(Control(kLstFiles), k - 1);
}

void frmQuillbay::cmdDown_Click()
{
    HWND list = Control(kLstFiles);
    const std::optional<int> current = controls::list::Caret(list);
    if (!current || *current == controls::list::Count(list) - 1) return;
    const int k = *current;
    ExchangeEntries(k + 1, k);
    controls::list::SetCaret(list, k + 1);
}

void frmQuillbay::ExchangeEntries(int a, int b)
{
    HWND list = Control(kLstFiles);
    const std::wstring kept = controls::list::Text(list, a);
    SetEntryText(a, controls::list::Text(list, b));
    SetEntryText(b, kept);
    std::swap(m_strPaths[static_cast<std::size_t>(a)], m_strPaths[static_cast<std::size_t>(b)]);
}

void frmQuillbay::SetEntryText(int index, const std::wstring& text)
{
    // A list box has no "set text": the entry is replaced in place.
    HWND list = Control(kLstFiles);
    const bool selected = controls::list::Selected(list, index);
    controls::list::Remove(list, index);
    controls::list::Insert(list, index, text);
    controls::list::Select(list, index, selected);
}

void frmQuillbay::chkTopmost_Click()
{
    platform::SetTopmost(m_hwnd, controls::check::Value(Control(kChkTopmost)) == 1);
}

void frmQuillbay::mnuAutoEncoding_Click()
{
    controls::sysmenu::SetChecked(m_hwnd, kMnuAutoEncoding, !controls::sysmenu::Checked(m_hwnd, kMnuAutoEncoding));
}

void frmQuillbay::mnuCrLfLineEnds_Click()
{
    controls::sysmenu::SetChecked(m_hwnd, kMnuCrLfLineEnds, !controls::sysmenu::Checked(m_hwnd, kMnuCrLfLineEnds));
}

void frmQuillbay::mnuBreakBetweenFiles_Click()
{
    controls::sysmenu::SetChecked(m_hwnd, kMnuBreakBetweenFiles, !controls::sysmenu::Checked(m_hwnd, kMnuBreakBetweenFiles));
}

bool frmQuillbay::lstFiles_KeyDown(const ui::KeyPress& key)
{
    if (key.alt && !key.ctrl && key.key == VK_UP) {
        cmdUp_Click();
        return true;
    }
    if (key.alt && !key.ctrl && key.key == VK_DOWN) {
        cmdDown_Click();
        return true;
    }
    if (!key.alt && !key.ctrl && !key.shift && key.key == VK_DELETE) {
        cmdRemove_Click();
        return true;
    }
    if (key.ctrl && !key.alt && key.key == 'A') {
        HWND list = Control(kLstFiles);
        const std::optional<int> current = controls::list::Caret(list);
        if (current) {
            // Selecting moves the caret; the entry with the focus stays.
            controls::list::SelectRange(list, 0, controls::list::Count(list) - 1);
            controls::list::SetCaret(list, *current);
        }
        return true;
    }
    return false;
}

// --- the paste --------------------------------------------------------------------------

void frmQuillbay::cmdExec_Click()
{
    const bool hadEditor = m_editor.HadTeraPad();
    if (!hadEditor) ShowMessage(texts::kEditorMissing, MB_OK);

    HWND list = Control(kLstFiles);
    std::vector<bool> selected(m_strPaths.size());
    for (std::size_t i = 0; i < selected.size(); ++i) selected[i] = controls::list::Selected(list, static_cast<int>(i));
    paste::Reading reading;
    reading.autoEncoding = controls::sysmenu::Checked(m_hwnd, kMnuAutoEncoding);
    reading.crLfLineEnds = controls::sysmenu::Checked(m_hwnd, kMnuCrLfLineEnds);
    reading.breakBetweenFiles = controls::sysmenu::Checked(m_hwnd, kMnuBreakBetweenFiles);
    paste::Collected collected;
    try {
        collected = paste::Collect(m_strPaths, selected, reading);
    } catch (const std::bad_alloc&) {
        // What was read is freed by now, and nothing was sent.
        ShowMessage(texts::kPasteOutOfMemory, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!collected.unpastable.empty()) {
        ShowMessage(pasteReport::UnpastableFilesMessage(collected.unpastable), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!hadEditor) return;
    // What the code page cannot hold is replaced only when the user says so.
    if (!collected.lossy.empty() &&
        ShowMessage(pasteReport::LossyFilesMessage(collected.lossy), MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING) != IDYES)
        return;

    const auto mode = controls::combo::Chosen(Control(kCboMode)).value_or(0) == 0 ? paste::Mode::AtCursor : paste::Mode::AtEnd;
    const paste::Outcome outcome = paste::Deliver(m_editor, std::move(collected.text), mode);
    // A paste that did not go in whole keeps the window and its list, as an
    // unreadable file does: the user is to try again.
    if (TellOutcome(outcome) && controls::check::Value(Control(kChkPasteAndEnd)) == 1) Unload();
}

bool frmQuillbay::TellOutcome(paste::Outcome outcome)
{
    using paste::Outcome;
    switch (outcome) {
    case Outcome::Whole: return true;
    case Outcome::EditorGone: ShowMessage(texts::kEditorMissing, MB_OK); break;
    case Outcome::Refused: ShowMessage(texts::kPasteRefused, MB_OK | MB_ICONEXCLAMATION); break;
    case Outcome::TakenBack: ShowMessage(texts::kPasteTakenBack, MB_OK | MB_ICONEXCLAMATION); break;
    case Outcome::Partial: ShowMessage(texts::kPastePartial, MB_OK | MB_ICONEXCLAMATION); break;
    case Outcome::Unconfirmed: ShowMessage(texts::kPasteUnconfirmed, MB_OK | MB_ICONEXCLAMATION); break;
    }
    return false;
}

// --- messages ---------------------------------------------------------------------------

HWND frmQuillbay::Control(int id) const noexcept
{
    return id >= kLblText && id <= kCmdRemove ? m_controls[id - kLblText] : nullptr;
}

int frmQuillbay::ShowMessage(const std::wstring& text, UINT style)
{
    if (!m_options.showMessage) return 0;
    return m_options.showMessage(m_hwnd, text, texts::kTitle, style);
}

void frmQuillbay::ReportUnexpected(const std::exception* error) noexcept
{
    try {
        ShowMessage(pasteReport::UnexpectedErrorMessage(error), MB_OK | MB_ICONERROR);
    } catch (...) {
    }
}

LRESULT CALLBACK frmQuillbay::s_WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) ui::StoreCreateParam(hwnd, lParam);
    auto* self = static_cast<frmQuillbay*>(ui::StoredParam(hwnd));
    if (!self) return ui::DefaultProcedure(hwnd, message, wParam, lParam);
    if (message == WM_NCCREATE) self->m_hwnd = hwnd;
    try {
        return self->WndProc(message, wParam, lParam);
    } catch (const std::exception& error) {
        self->ReportUnexpected(&error);
    } catch (...) {
        self->ReportUnexpected(nullptr);
    }
    return 0;
}

LRESULT frmQuillbay::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND hwnd = m_hwnd;
    // The default button, Tab, access keys and the focus on activation.
    if (const std::optional<LRESULT> answer = m_dialog.Handle(message, wParam, lParam)) return *answer;
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_SYSCOMMAND:
        if (OnSysCommand(controls::sysmenu::CommandOf(wParam))) return 0;
        return ui::DefaultProcedure(hwnd, message, wParam, lParam);
    case WM_NCDESTROY:
        OnNcDestroy();
        return ui::DefaultProcedure(hwnd, message, wParam, lParam);
    default:
        return ui::DefaultProcedure(hwnd, message, wParam, lParam);
    }
}

void frmQuillbay::OnCommand(int id, int notification)
{
    if (notification != BN_CLICKED) return;
    switch (id) {
    case kCmdExec: cmdExec_Click(); break;
    case kCmdRemove: cmdRemove_Click(); break;
    case kCmdUp: cmdUp_Click(); break;
    case kCmdDown: cmdDown_Click(); break;
    case kChkTopmost: chkTopmost_Click(); break;
    default: break;
    }
}

bool frmQuillbay::OnSysCommand(UINT command)
{
    switch (command) {
    case kMnuAutoEncoding: mnuAutoEncoding_Click(); return true;
    case kMnuCrLfLineEnds: mnuCrLfLineEnds_Click(); return true;
    case kMnuBreakBetweenFiles: mnuBreakBetweenFiles_Click(); return true;
    default: return false;
    }
}

void frmQuillbay::OnClose()
{
    Unload();
}

void frmQuillbay::OnDestroy()
{
    // RevokeDragDrop wants the window still there.
    m_dropRegistration = dragdrop::DragDropRegistration();
    m_listKeys = ui::ControlKeys();
}

void frmQuillbay::OnNcDestroy()
{
    // Gone already: m_window must not destroy it again.
    m_window.release();
    ui::ForgetParam(m_hwnd);
    m_hwnd = nullptr;
    m_controls = {};
    m_dialog = ui::DialogBehaviour();
    if (m_options.endsProgram) ui::PostQuit(m_options.exitCode);
}

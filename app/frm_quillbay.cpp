#include "app/frm_quillbay.h"

#include "app/file_name.h"
#include "app/paste.h"
#include "app/paste_report.h"
#include "app/resource.h"
#include "app/texts.h"
#include "settings/ini_access.h"

#include "platform/programs.h"
#include "platform/window_messages.h"

#include <cstdint>
#include <exception>
#include <new>
#include <utility>

namespace ui = platform::ui;

namespace {

// Sizes are designed in twips; 15 twips make a pixel at 96 dots per inch.
constexpr int kClientWidthTwips = 4785;
constexpr int kClientHeightTwips = 3150;

// A fixed single border: a caption and a close button, no sizing, no maximize.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

struct ControlLayout {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    DWORD exStyle;
    int left, top, width, height; // twips
};

// In tab order: the creation order is the order Tab walks.
const ControlLayout kControls[] = {
    {frmQuillbay::kLblText, L"STATIC", texts::kLblText, SS_LEFT, 0, 120, 120, 4095, 255},
    {frmQuillbay::kLstFiles, L"LISTBOX", L"",
     WS_TABSTOP | WS_VSCROLL | LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS,
     WS_EX_CLIENTEDGE, 120, 360, 4095, 1695},
    {frmQuillbay::kCmdUp, L"BUTTON", texts::kCmdUp, WS_TABSTOP | BS_PUSHBUTTON, 0, 4320, 360, 375, 375},
    {frmQuillbay::kCmdDown, L"BUTTON", texts::kCmdDown, WS_TABSTOP | BS_PUSHBUTTON, 0, 4320, 1680, 375, 375},
    {frmQuillbay::kChkTopmost, L"BUTTON", texts::kChkTopmost, WS_TABSTOP | BS_AUTOCHECKBOX, 0, 120, 2160, 1455, 255},
    {frmQuillbay::kChkPasteAndEnd, L"BUTTON", texts::kChkPasteAndEnd, WS_TABSTOP | BS_AUTOCHECKBOX, 0, 120, 2400, 1815,
     255},
    {frmQuillbay::kCboMode, L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 120, 2760, 2175, 300},
    {frmQuillbay::kCmdExec, L"BUTTON", texts::kCmdExec, WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 2400, 2160, 2295, 855},
    {frmQuillbay::kCmdRemove, L"BUTTON", texts::kCmdRemove, WS_TABSTOP | BS_PUSHBUTTON, 0, 4320, 1020, 375, 375},
};

// The drop-down part of the mode list, below its closed box.
constexpr int kDropDownTwips = 1500;

constexpr wchar_t kFontFace[] = L"MS UI Gothic";
constexpr int kFontPoints = 9;

// The settings file beside the executable, named after it.
INIAccess SettingsFile()
{
    INIAccess ini;
    ini.SetAppPathFilename(platform::ExecutableBaseName() + L".ini");
    ini.Section = L"Quillbay";
    return ini;
}

constexpr wchar_t kKeyPasteAndEnd[] = L"PasteAndEnd";
constexpr wchar_t kKeyTopmost[] = L"chkTopmost";
constexpr wchar_t kKeyMode[] = L"Mode";
constexpr wchar_t kKeyAutoEncoding[] = L"AutoEncoding";

} // namespace

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
    m_font = ui::CreateUiFont(kFontFace, kFontPoints, dpi);
    m_window = ui::CreateTopLevel(kWindowClass, texts::kTitle, kWindowStyle,
                                  ui::TwipsToPixels(kClientWidthTwips, dpi),
                                  ui::TwipsToPixels(kClientHeightTwips, dpi), this);
    try {
        CreateControls();

        ui::DropHandlers handlers;
        handlers.dragOver = [this](IDataObject* data) { return lstFiles_OLEDragOver(data); };
        handlers.drop = [this](IDataObject* data) { lstFiles_OLEDragDrop(data); };
        handlers.failed = [this](const std::exception* error) { ReportUnexpected(error); };
        m_dropTarget = ui::MakeDropTarget(std::move(handlers));
        m_dropRegistration = ui::DragDropRegistration(Control(kLstFiles), m_dropTarget.get());
        m_listKeys = ui::ControlKeys(
            Control(kLstFiles), [this](const ui::KeyPress& key) { return lstFiles_KeyDown(key); },
            [this](const std::exception* error) { ReportUnexpected(error); });
        // Beside the title bar's buttons, not among the controls: the
        // window's layout stays as it is.
        ui::sysmenu::AddCheckItem(m_hwnd, kMnuAutoEncoding, texts::kMnuAutoEncoding);

        Form_Load();
    } catch (...) {
        // A half-built window is no window to save settings from.
        m_window.reset();
        throw;
    }
}

void frmQuillbay::CreateControls()
{
    const int dpi = ui::ScreenDpi();
    for (const ControlLayout& layout : kControls) {
        ui::Rect rect{ui::TwipsToPixels(layout.left, dpi), ui::TwipsToPixels(layout.top, dpi),
                      ui::TwipsToPixels(layout.width, dpi), ui::TwipsToPixels(layout.height, dpi)};
        const bool isCombo = layout.id == kCboMode;
        // A combo box is created with the height of its open list.
        if (isCombo) rect.height += ui::TwipsToPixels(kDropDownTwips, dpi);
        HWND control = ui::CreateControl(m_hwnd, layout.className, layout.text, layout.style, layout.exStyle, rect,
                                         layout.id, m_font.get());
        if (isCombo) ui::combo::SetClosedHeight(control, ui::TwipsToPixels(layout.height, dpi));
    }
    ui::combo::Add(Control(kCboMode), texts::kModeAtCursor);
    ui::combo::Add(Control(kCboMode), texts::kModeAtEnd);
    m_lastFocus = Control(kLstFiles);
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
    ui::combo::Choose(Control(kCboMode), 0);
    LoadSettings();
    // A new window is never topmost, so only a checked box has anything to
    // set. Setting "not topmost" anyway also activated the still hidden
    // window, an exchange with the editor's process that ShowWindow's own
    // activation makes redundant: 1 ms of start-up idle, up to 15 ms busy.
    if (ui::check::Value(Control(kChkTopmost)) == 1) chkTopmost_Click();
}

void frmQuillbay::Form_Unload()
{
    SaveSettings();
}

// --- settings -----------------------------------------------------------------------

void frmQuillbay::LoadSettings()
{
    INIAccess ini = SettingsFile();
    ui::check::SetValue(Control(kChkPasteAndEnd), ini.Setting(kKeyPasteAndEnd) == L"1" ? 1 : 0);
    ui::check::SetValue(Control(kChkTopmost), ini.Setting(kKeyTopmost) == L"1" ? 1 : 0);
    ui::combo::Choose(Control(kCboMode), ini.Setting(kKeyMode) == L"1" ? 1 : 0);
    const std::wstring autoEncoding = ini.Setting(kKeyAutoEncoding);
    m_autoEncodingStored = !autoEncoding.empty();
    ui::sysmenu::SetChecked(m_hwnd, kMnuAutoEncoding, autoEncoding == L"1");
}

void frmQuillbay::SaveSettings()
{
    INIAccess ini = SettingsFile();
    ini.Setting(kKeyPasteAndEnd, std::to_wstring(ui::check::Value(Control(kChkPasteAndEnd))));
    ini.Setting(kKeyTopmost, std::to_wstring(ui::check::Value(Control(kChkTopmost))));
    ini.Setting(kKeyMode, std::to_wstring(ui::combo::Chosen(Control(kCboMode)).value_or(0)));
    // The file of a user who never leaves the option on keeps its three keys.
    const bool autoEncoding = ui::sysmenu::Checked(m_hwnd, kMnuAutoEncoding);
    if (autoEncoding || m_autoEncodingStored) ini.Setting(kKeyAutoEncoding, autoEncoding ? L"1" : L"0");
}

// --- the file list ----------------------------------------------------------------------

DWORD frmQuillbay::lstFiles_OLEDragOver(IDataObject* data)
{
    return ui::OffersFileList(data) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

void frmQuillbay::lstFiles_OLEDragDrop(IDataObject* data)
{
    HWND list = Control(kLstFiles);
    const std::vector<std::wstring> dropped = ui::FileList(data);
    const std::optional<int> current = ui::list::Caret(list);
    const int first = m_nPaths;
    // The new entries are selected in one step once they are in, and the
    // list paints once: entry by entry, a visible list box takes seconds for
    // thousands of files. Selecting also moves the caret, which stays.
    auto finish = [&] {
        if (m_nPaths > first) ui::list::SelectRange(list, first, m_nPaths - 1);
        if (current) ui::list::SetCaret(list, *current);
        ui::SetRedraw(list, true);
    };
    ui::SetRedraw(list, false);
    try {
        for (const std::wstring& path : dropped) {
            // The count is 16-bit: a full list ignores the rest of the drop.
            if (m_nPaths >= kMaxEntries) break;
            ui::list::Add(list, mdlQuillbay::ListedName(path));
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
    const std::optional<int> current = ui::list::Caret(list);
    if (!current) return;
    const int k = *current;
    m_strPaths.erase(m_strPaths.begin() + k);
    --m_nPaths;
    ui::list::Remove(list, k);
}

void frmQuillbay::cmdUp_Click()
{
    const std::optional<int> current = ui::list::Caret(Control(kLstFiles));
    if (!current || *current < 1) return;
    const int k = *current;
    ExchangeEntries(k - 1, k);
    ui::list::SetCaret(Control(kLstFiles), k - 1);
}

void frmQuillbay::cmdDown_Click()
{
    HWND list = Control(kLstFiles);
    const std::optional<int> current = ui::list::Caret(list);
    if (!current || *current == ui::list::Count(list) - 1) return;
    const int k = *current;
    ExchangeEntries(k + 1, k);
    ui::list::SetCaret(list, k + 1);
}

void frmQuillbay::ExchangeEntries(int a, int b)
{
    HWND list = Control(kLstFiles);
    const std::wstring kept = ui::list::Text(list, a);
    SetEntryText(a, ui::list::Text(list, b));
    SetEntryText(b, kept);
    std::swap(m_strPaths[static_cast<std::size_t>(a)], m_strPaths[static_cast<std::size_t>(b)]);
}

void frmQuillbay::SetEntryText(int index, const std::wstring& text)
{
    // A list box has no "set text": the entry is replaced in place.
    HWND list = Control(kLstFiles);
    const bool selected = ui::list::Selected(list, index);
    ui::list::Remove(list, index);
    ui::list::Insert(list, index, text);
    ui::list::Select(list, index, selected);
}

void frmQuillbay::chkTopmost_Click()
{
    platform::SetTopmost(m_hwnd, ui::check::Value(Control(kChkTopmost)) == 1);
}

void frmQuillbay::mnuAutoEncoding_Click()
{
    ui::sysmenu::SetChecked(m_hwnd, kMnuAutoEncoding, !ui::sysmenu::Checked(m_hwnd, kMnuAutoEncoding));
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
        const std::optional<int> current = ui::list::Caret(list);
        if (current) {
            // Selecting moves the caret; the entry with the focus stays.
            ui::list::SelectRange(list, 0, ui::list::Count(list) - 1);
            ui::list::SetCaret(list, *current);
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
    for (std::size_t i = 0; i < selected.size(); ++i) selected[i] = ui::list::Selected(list, static_cast<int>(i));
    paste::Collected collected;
    try {
        collected = paste::Collect(m_strPaths, selected, ui::sysmenu::Checked(m_hwnd, kMnuAutoEncoding));
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

    const auto mode = ui::combo::Chosen(Control(kCboMode)).value_or(0) == 0 ? paste::Mode::AtCursor : paste::Mode::AtEnd;
    const paste::Outcome outcome = paste::Deliver(m_editor, std::move(collected.text), mode);
    // A paste that did not go in whole keeps the window and its list, as an
    // unreadable file does: the user is to try again.
    if (TellOutcome(outcome) && ui::check::Value(Control(kChkPasteAndEnd)) == 1) Unload();
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
    return ui::Item(m_hwnd, id);
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
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case DM_GETDEFID:
        return MAKELRESULT(kCmdExec, DC_HASDEFID);
    case WM_NEXTDLGCTL:
        OnNextDlgCtl(wParam, lParam);
        return 0;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_SETFOCUS:
        OnActivate(true);
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_SYSCOMMAND:
        if (OnSysCommand(ui::sysmenu::CommandOf(wParam))) return 0;
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
    if (command != kMnuAutoEncoding) return false;
    mnuAutoEncoding_Click();
    return true;
}

void frmQuillbay::OnNextDlgCtl(WPARAM wParam, LPARAM lParam)
{
    // The dialog manager asks this of the window for Tab and access keys.
    HWND hwnd = m_hwnd;
    HWND target = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                 : ui::NextTabItem(hwnd, ui::FocusedWindow(), wParam != 0);
    if (target) ui::Focus(target);
}

void frmQuillbay::OnActivate(bool active)
{
    HWND hwnd = m_hwnd;
    if (!active) {
        HWND focused = ui::FocusedWindow();
        if (ui::IsChildOf(hwnd, focused)) m_lastFocus = focused;
        return;
    }
    ui::Focus(ui::IsChildOf(hwnd, m_lastFocus) ? m_lastFocus : Control(kLstFiles));
}

void frmQuillbay::OnClose()
{
    Unload();
}

void frmQuillbay::OnDestroy()
{
    // RevokeDragDrop wants the window still there.
    m_dropRegistration = ui::DragDropRegistration();
    m_listKeys = ui::ControlKeys();
}

void frmQuillbay::OnNcDestroy()
{
    // Gone already: m_window must not destroy it again.
    m_window.release();
    ui::ForgetParam(m_hwnd);
    m_hwnd = nullptr;
    if (m_options.endsProgram) ui::PostQuit(m_options.exitCode);
}

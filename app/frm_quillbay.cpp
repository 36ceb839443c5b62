#include "app/frm_quillbay.h"

#include "app/file_encoding.h"
#include "app/file_name.h"
#include "app/paste.h"
#include "app/resource.h"
#include "app/texts.h"
#include "settings/ini_access.h"

#include "platform/code_page.h"
#include "platform/controls.h"
#include "platform/programs.h"
#include "platform/ui.h"
#include "platform/window_messages.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <unordered_set>
#include <utility>

namespace controls = platform::controls;
namespace dragdrop = platform::dragdrop;
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

const wchar_t* ReasonText(paste::Problem problem) noexcept
{
    using paste::Problem;
    switch (problem) {
    case Problem::NotFound: return texts::kReasonNotFound;
    case Problem::AccessDenied: return texts::kReasonAccessDenied;
    case Problem::Locked: return texts::kReasonLocked;
    case Problem::IsFolder: return texts::kReasonIsFolder;
    case Problem::TooLarge: return texts::kReasonTooLarge;
    case Problem::ContainsNul: return texts::kReasonContainsNul;
    case Problem::NotRegular: return texts::kReasonNotRegular;
    case Problem::SizeChanged: return texts::kReasonSizeChanged;
    case Problem::CannotConvert: return texts::kReasonCannotConvert;
    case Problem::ReadFailed: break;
    }
    return texts::kReasonReadFailed;
}

// The box names at most this many files, each path cut to this many
// characters: a box that grows with the list ends up taller than the screen,
// its OK button out of reach, and a path of millions of characters froze the
// window while the box was laid out.
constexpr std::size_t kNamedFiles = 5;
constexpr std::size_t kShownPathChars = 100;
constexpr std::size_t kShownPathHead = 40; // drive and first folders; the rest of the room goes to the file's end

// The path as the box shows it: whole when short, else its head and its end
// around an ellipsis, never splitting a surrogate pair.
std::wstring ShownPath(const std::wstring& path)
{
    if (path.size() <= kShownPathChars) return path;
    const auto isHigh = [](wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; };
    const auto isLow = [](wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
    std::size_t head = kShownPathHead;
    if (isHigh(path[head - 1])) --head;
    std::size_t tail = path.size() - (kShownPathChars - 1 - kShownPathHead);
    if (isLow(path[tail])) ++tail;
    return path.substr(0, head) + L"\x2026" + path.substr(tail);
}

std::wstring UnreadableFilesMessage(const std::vector<paste::UnpastableFile>& failures)
{
    std::wstring text = texts::kUnreadableHeader;
    text += L"\r\n";
    std::unordered_set<std::wstring> named;
    std::size_t rest = 0;
    for (const auto& failure : failures) {
        // A file listed twice is named once, and counted once.
        if (!named.insert(failure.path).second) continue;
        if (named.size() > kNamedFiles) {
            ++rest;
            continue;
        }
        text += L"\r\n" + ShownPath(failure.path) + L"\r\n" + texts::kUnreadableReasonPrefix + ReasonText(failure.why);
    }
    if (rest > 0) text += L"\r\n\r\n" + std::wstring(texts::kUnreadableRestBefore) + std::to_wstring(rest) + texts::kUnreadableRestAfter;
    return text;
}

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

        dragdrop::DropHandlers handlers;
        handlers.dragOver = [this](IDataObject* data) { return lstFiles_OLEDragOver(data); };
        handlers.drop = [this](IDataObject* data) { lstFiles_OLEDragDrop(data); };
        handlers.failed = [this](const std::exception* error) { ReportUnexpected(error); };
        m_dropTarget = dragdrop::MakeDropTarget(std::move(handlers));
        m_dropRegistration = dragdrop::DragDropRegistration(Control(kLstFiles), m_dropTarget.get());
        m_listKeys = ui::ControlKeys(
            Control(kLstFiles), [this](const ui::KeyPress& key) { return lstFiles_KeyDown(key); },
            [this](const std::exception* error) { ReportUnexpected(error); });
        // Beside the title bar's buttons, not among the controls: the
        // window's layout stays as it is.
        controls::sysmenu::AddCheckItem(m_hwnd, kMnuAutoEncoding, texts::kMnuAutoEncoding);
        controls::sysmenu::AddCheckItem(m_hwnd, kMnuCrLfLineEnds, texts::kMnuCrLfLineEnds);
        controls::sysmenu::AddCheckItem(m_hwnd, kMnuBreakBetweenFiles, texts::kMnuBreakBetweenFiles);

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
        m_controls[layout.id - kLblText] = control;
        if (isCombo) controls::combo::SetClosedHeight(control, ui::TwipsToPixels(layout.height, dpi));
    }
    controls::combo::Add(Control(kCboMode), texts::kModeAtCursor);
    controls::combo::Add(Control(kCboMode), texts::kModeAtEnd);
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
            controls::list::Add(list, mdlQuillbay::GetFileNameFromPath(path));
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
    paste::Collected collected = paste::Collect(m_strPaths, selected, reading);
    if (!collected.unpastable.empty()) {
        ShowMessage(UnreadableFilesMessage(collected.unpastable), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!hadEditor) return;
    // What the code page cannot hold is replaced only when the user says so.
    if (!collected.lossy.empty() &&
        ShowMessage(fileEncoding::LossyFilesMessage(collected.lossy), MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING) != IDYES)
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
        std::wstring text = texts::kUnexpectedError;
        if (error) text += platform::FromAnsi(error->what());
        ShowMessage(text, MB_OK | MB_ICONERROR);
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
    std::fill(std::begin(m_controls), std::end(m_controls), nullptr);
    m_dialog = ui::DialogBehaviour();
    if (m_options.endsProgram) ui::PostQuit(m_options.exitCode);
}

#include "app/frm_design.h"

#include "app/frm_quillbay.h"
#include "app/texts.h"
#include "platform/controls.h"
#include "platform/ui.h"

namespace frmDesign {

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

} // namespace

platform::UniqueWindow CreateFormWindow(const wchar_t* className, int dpi, void* param)
{
    return ui::CreateTopLevel(className, texts::kTitle, kWindowStyle, ui::TwipsToPixels(kClientWidthTwips, dpi),
                              ui::TwipsToPixels(kClientHeightTwips, dpi), param);
}

platform::UniqueFont CreateFormFont(int dpi)
{
    return ui::CreateUiFont(kFontFace, kFontPoints, dpi);
}

Controls CreateControls(HWND window, HFONT font, int dpi)
{
    static_assert(std::size(kControls) == kControlCount);
    Controls created{};
    for (const ControlLayout& layout : kControls) {
        ui::Rect rect{ui::TwipsToPixels(layout.left, dpi), ui::TwipsToPixels(layout.top, dpi),
                      ui::TwipsToPixels(layout.width, dpi), ui::TwipsToPixels(layout.height, dpi)};
        const bool isCombo = layout.id == frmQuillbay::kCboMode;
        // A combo box is created with the height of its open list.
        if (isCombo) rect.height += ui::TwipsToPixels(kDropDownTwips, dpi);
        HWND control =
            ui::CreateControl(window, layout.className, layout.text, layout.style, layout.exStyle, rect, layout.id, font);
        created[static_cast<std::size_t>(layout.id - frmQuillbay::kLblText)] = control;
        if (isCombo) platform::controls::combo::SetClosedHeight(control, ui::TwipsToPixels(layout.height, dpi));
    }
    HWND mode = created[frmQuillbay::kCboMode - frmQuillbay::kLblText];
    platform::controls::combo::Add(mode, texts::kModeAtCursor);
    platform::controls::combo::Add(mode, texts::kModeAtEnd);
    return created;
}

void AddMenuOptions(HWND window)
{
    namespace sysmenu = platform::controls::sysmenu;
    sysmenu::AddCheckItem(window, frmQuillbay::kMnuAutoEncoding, texts::kMnuAutoEncoding);
    sysmenu::AddCheckItem(window, frmQuillbay::kMnuCrLfLineEnds, texts::kMnuCrLfLineEnds);
    sysmenu::AddCheckItem(window, frmQuillbay::kMnuBreakBetweenFiles, texts::kMnuBreakBetweenFiles);
}

} // namespace frmDesign

// WindowFloor.exe: the start-up floor of the benchmark. Quillbay's window as
// a user first meets it, made by the product's own platform layer from the
// same table: the manifest (common controls 6), the icon, the font, the
// controls with the mode list's items, the system menu's item, the list's
// keys and its drop target. Nothing else: no editor is captured, no settings
// file is read, nothing can be pasted. What Quillbay takes beyond this is
// what the rest of the program costs at start-up.
//
// The table is Quillbay's own (app/frm_quillbay.cpp) written again: the
// benchmark compares the two windows, control by control, in every run and
// says so when they differ.
#include "app/frm_quillbay.h"
#include "app/resource.h"
#include "app/texts.h"
#include "platform/drag_drop.h"
#include "platform/ui.h"

namespace {

namespace ui = platform::ui;
using F = frmQuillbay;

constexpr wchar_t kClass[] = L"Quillbay.WindowFloor";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kClientWidthTwips = 4785, kClientHeightTwips = 3150, kDropDownTwips = 1500;

struct ControlLayout {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style, exStyle;
    int left, top, width, height; // twips
};

const ControlLayout kControls[] = {
    {F::kLblText, L"STATIC", texts::kLblText, SS_LEFT, 0, 120, 120, 4095, 255},
    {F::kLstFiles, L"LISTBOX", L"",
     WS_TABSTOP | WS_VSCROLL | LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS,
     WS_EX_CLIENTEDGE, 120, 360, 4095, 1695},
    {F::kCmdUp, L"BUTTON", texts::kCmdUp, WS_TABSTOP | BS_PUSHBUTTON, 0, 4320, 360, 375, 375},
    {F::kCmdDown, L"BUTTON", texts::kCmdDown, WS_TABSTOP | BS_PUSHBUTTON, 0, 4320, 1680, 375, 375},
    {F::kChkTopmost, L"BUTTON", texts::kChkTopmost, WS_TABSTOP | BS_AUTOCHECKBOX, 0, 120, 2160, 1455, 255},
    {F::kChkPasteAndEnd, L"BUTTON", texts::kChkPasteAndEnd, WS_TABSTOP | BS_AUTOCHECKBOX, 0, 120, 2400, 1815, 255},
    {F::kCboMode, L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 120, 2760, 2175, 300},
    {F::kCmdExec, L"BUTTON", texts::kCmdExec, WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 2400, 2160, 2295, 855},
    {F::kCmdRemove, L"BUTTON", texts::kCmdRemove, WS_TABSTOP | BS_PUSHBUTTON, 0, 4320, 1020, 375, 375},
};

LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case DM_GETDEFID: return MAKELRESULT(F::kCmdExec, DC_HASDEFID);
    // As Quillbay at its first activation: the focus goes to the list.
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) ::SetFocus(::GetDlgItem(hwnd, F::kLstFiles));
        return 0;
    case WM_DESTROY: ::PostQuitMessage(0); return 0;
    default: return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

int Run()
{
    ui::OleSession ole;
    ui::RegisterWindowClass(kClass, Procedure, IDI_QUILLBAY);
    const int dpi = ui::ScreenDpi();
    platform::UniqueFont font = ui::CreateUiFont(L"MS UI Gothic", 9, dpi);
    platform::UniqueWindow window =
        ui::CreateTopLevel(kClass, texts::kTitle, kWindowStyle, ui::TwipsToPixels(kClientWidthTwips, dpi),
                           ui::TwipsToPixels(kClientHeightTwips, dpi), nullptr);
    HWND hwnd = window.get();
    for (const ControlLayout& layout : kControls) {
        ui::Rect rect{ui::TwipsToPixels(layout.left, dpi), ui::TwipsToPixels(layout.top, dpi),
                      ui::TwipsToPixels(layout.width, dpi), ui::TwipsToPixels(layout.height, dpi)};
        const bool isCombo = layout.id == F::kCboMode;
        if (isCombo) rect.height += ui::TwipsToPixels(kDropDownTwips, dpi);
        HWND control =
            ui::CreateControl(hwnd, layout.className, layout.text, layout.style, layout.exStyle, rect, layout.id, font.get());
        if (isCombo) ui::combo::SetClosedHeight(control, ui::TwipsToPixels(layout.height, dpi));
    }
    HWND list = ::GetDlgItem(hwnd, F::kLstFiles), mode = ::GetDlgItem(hwnd, F::kCboMode);
    ui::combo::Add(mode, texts::kModeAtCursor);
    ui::combo::Add(mode, texts::kModeAtEnd);
    ui::combo::Choose(mode, 0);

    ui::DropHandlers handlers;
    handlers.dragOver = [](IDataObject* data) { return ui::OffersFileList(data) ? DROPEFFECT_COPY : DROPEFFECT_NONE; };
    handlers.drop = [](IDataObject*) {};
    handlers.failed = [](const std::exception*) {};
    platform::ComPtr<IDropTarget> target = ui::MakeDropTarget(std::move(handlers));
    ui::DragDropRegistration registration(list, target.get());
    ui::ControlKeys keys(list, [](const ui::KeyPress&) { return false; }, [](const std::exception*) {});
    ui::sysmenu::AddCheckItem(hwnd, F::kMnuAutoEncoding, texts::kMnuAutoEncoding);

    ui::ShowNormal(hwnd);
    const int code = ui::RunMessageLoop(hwnd);
    window.release(); // destroyed by the close button already
    return code;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    try {
        return Run();
    } catch (...) {
        return 1;
    }
}

// WindowFloor.exe: the start-up floor of the benchmark. Quillbay's window as
// a user first meets it, made by the product's own window design and
// platform layer: the manifest (common controls 6), the icon, the font, the
// controls with the mode list's items, the system menu's items, the list's
// keys and its drop target. Nothing else: no editor is captured, no settings
// file is read, nothing can be pasted. What Quillbay takes beyond this is
// what the rest of the program costs at start-up.
//
// The design is Quillbay's own (app/frm_design): the benchmark still
// compares the two windows, control by control, in every run.
#include "app/frm_design.h"
#include "app/frm_quillbay.h"
#include "app/resource.h"
#include "app/texts.h"
#include "platform/control_keys.h"
#include "platform/controls.h"
#include "platform/drag_drop.h"
#include "platform/ole_session.h"
#include "platform/ui.h"

namespace {

namespace dragdrop = platform::dragdrop;
namespace ui = platform::ui;
using F = frmQuillbay;

constexpr wchar_t kClass[] = L"Quillbay.WindowFloor";

LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case DM_GETDEFID: return MAKELRESULT(F::kCmdExec, DC_HASDEFID);
    // As Quillbay at its first activation: the focus goes to the list.
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) ::SetFocus(::GetDlgItem(hwnd, F::kLstFiles));
        return 0;
    case WM_DESTROY: ::PostQuitMessage(0); return 0;
    default: return ui::DefaultProcedure(hwnd, message, wParam, lParam);
    }
}

int Run()
{
    platform::OleSession ole;
    ui::RegisterWindowClass(kClass, Procedure, IDI_QUILLBAY);
    const int dpi = ui::ScreenDpi();
    platform::UniqueFont font = frmDesign::CreateFormFont(dpi);
    platform::UniqueWindow window = frmDesign::CreateFormWindow(kClass, dpi, nullptr);
    HWND hwnd = window.get();
    const frmDesign::Controls controls = frmDesign::CreateControls(hwnd, font.get(), dpi);
    HWND list = controls[F::kLstFiles - F::kLblText];
    platform::controls::combo::Choose(controls[F::kCboMode - F::kLblText], 0);

    dragdrop::DropHandlers handlers;
    handlers.dragOver = [](IDataObject* data) { return dragdrop::OffersFileList(data) ? DROPEFFECT_COPY : DROPEFFECT_NONE; };
    handlers.drop = [](IDataObject*) {};
    handlers.failed = [](const std::exception*) {};
    platform::ComPtr<IDropTarget> target = dragdrop::MakeDropTarget(std::move(handlers));
    dragdrop::DragDropRegistration registration(list, target.get());
    ui::ControlKeys keys(list, [](const ui::KeyPress&) { return false; }, [](const std::exception*) {});
    frmDesign::AddMenuOptions(hwnd);

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

#include "app/mdl_quillbay.h"

#include "app/frm_quillbay.h"
#include "app/texts.h"
#include "platform/code_page.h"
#include "platform/ole_session.h"
#include "platform/file_access.h"
#include "platform/ui.h"

namespace mdlQuillbay {

std::unique_ptr<clsKestTeraPad> g_objTeraPad;

int Main()
{
    g_objTeraPad = std::make_unique<clsKestTeraPad>();
    if (!g_objTeraPad->HadTeraPad()) {
        // Before OLE and before any window: this path leaves nothing behind.
        platform::ui::ShowMessageBox(nullptr, texts::kStartupFailed, texts::kTitle, MB_ICONERROR | MB_OK);
        g_objTeraPad.reset();
        return kExitNotStartedFromTeraPad;
    }

    int exitCode = kExitNormal;
    {
        platform::OleSession ole;
        frmQuillbay form(*g_objTeraPad, frmQuillbay::Options{platform::ui::ShowMessageBox, true, kExitNormal});
        form.Load();
        form.Show();
        exitCode = platform::ui::RunMessageLoop(form.hwnd());
    }
    g_objTeraPad.reset();
    return exitCode;
}

} // namespace mdlQuillbay

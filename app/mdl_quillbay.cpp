#include "app/mdl_quillbay.h"

#include "app/frm_quillbay.h"
#include "app/texts.h"
#include "platform/code_page.h"
#include "platform/drag_drop.h"
#include "platform/file_access.h"
#include "platform/ui.h"

namespace mdlQuillbay {

std::unique_ptr<clsKestTeraPad> g_objTeraPad;

int Main()
{
    g_objTeraPad = std::make_unique<clsKestTeraPad>();
    if (!g_objTeraPad->HadTeraPad()) {
        // Before OLE and before any window: this path leaves nothing behind.
        platform::ShowMessageBox(nullptr, texts::kStartupFailed, texts::kTitle, MB_ICONERROR | MB_OK);
        g_objTeraPad.reset();
        return kExitNotStartedFromTeraPad;
    }

    int exitCode = kExitNormal;
    {
        platform::ui::OleSession ole;
        frmQuillbay form(*g_objTeraPad, frmQuillbay::Options{platform::ShowMessageBox, true});
        form.Load();
        form.Show();
        exitCode = platform::ui::RunMessageLoop(form.hwnd());
    }
    g_objTeraPad.reset();
    return exitCode;
}

std::wstring GetFileNameFromPath(const std::wstring& path)
{
    // Through the ANSI form, so that a "\" byte inside a double-byte character
    // is no separator; the bytes behind the moved name are converted too and
    // then cut at the NUL PathStripPathA left.
    std::string buffer = platform::ToAnsi(path);
    platform::StripPath(buffer);
    std::wstring name = platform::FromAnsi(buffer);
    const std::size_t nul = name.find(L'\0');
    if (nul != std::wstring::npos) name.resize(nul);
    return name;
}

} // namespace mdlQuillbay

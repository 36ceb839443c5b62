// Commands to the captured editor: save, reload its settings, start a further
// TeraPad, bring it to the front, and a second TeraPad as a debug log.
//
// Errors: FileNew throws BridgeError when the executable cannot be started,
// with the platform's Win32Error (call and code) nested inside, so a caller
// can std::rethrow_if_nested for the reason; DebugPrint and DebugClear throw
// BridgeError when no debug editor can be had.
#include "bridge/kest_terapad.h"
#include "bridge/terapad_interface.h"

#include <exception>

namespace {

std::string DescribePath(const std::wstring& path)
{
    return path.empty() ? std::string("(no path: the editor does not publish one)")
                        : "\"" + platform::ToAnsi(path) + "\"";
}

} // namespace

void clsKestTeraPad::EnsureDebugInstance()
{
    if (!m_bDebugCreated) {
        m_objDebug = FileNew();
        m_bDebugCreated = true;
    } else if (!m_objDebug || !m_objDebug->HadTeraPad()) {
        // The user closed the debug window (or it never bound): start afresh,
        // leaving the old TeraPad, if any, to the user.
        m_objDebug = FileNew();
    }
}

void clsKestTeraPad::DebugPrint(const std::wstring& PrintStr)
{
    EnsureDebugInstance();
    if (!m_objDebug)
        throw BridgeError("DebugPrint: no debug editor can be started, the captured TeraPad window is gone");
    // Caret to the end with nothing selected, so the line is appended.
    m_objDebug->SelStart(m_objDebug->Length());
    m_objDebug->SelText(PrintStr + L"\r\n");
}

void clsKestTeraPad::DebugClear()
{
    EnsureDebugInstance();
    if (!m_objDebug)
        throw BridgeError("DebugClear: no debug editor can be started, the captured TeraPad window is gone");
    m_objDebug->Text(std::wstring());
}

void clsKestTeraPad::FileSave()
{
    if (!IsTeraPadWindow(m_hWnd)) return;
    // An unmodified document gets no save command: TeraPad would otherwise
    // rewrite the file, or ask for a name for an untitled one.
    if (platform::Send(GetEditHandle(), EM_GETMODIFY, 0, 0) != 0)
        platform::Send(m_hWnd, terapad::kMsgSave, 0, 0);
}

std::unique_ptr<clsKestTeraPad> clsKestTeraPad::FileNew()
{
    if (!HadTeraPad()) return nullptr;
    const std::wstring exePath = TeraPadPath();
    platform::StartedProcess started;
    try {
        started = platform::StartProgram(exePath, SW_SHOWNORMAL);
    } catch (const platform::Win32Error& reason) {
        std::throw_with_nested(BridgeError("FileNew: TeraPad could not be started from " + DescribePath(exePath) +
                                           ": " + reason.what()));
    }
    // Until it waits for input its main window may not exist yet.
    platform::WaitUntilIdle(started.process.get(), INFINITE);
    std::unique_ptr<clsKestTeraPad> editor(new clsKestTeraPad(ForegroundOnly{}));
    editor->hwnd(GetProcessTopWindow(started.id));
    return editor;
}

void clsKestTeraPad::ReloadINI()
{
    // TeraPad wants a valid address in lParam, though it writes nothing there.
    std::int32_t zero = 0;
    platform::Send(m_hWnd, terapad::kMsgReloadIni, 0, reinterpret_cast<LPARAM>(&zero));
}

void clsKestTeraPad::FileOpen(const std::wstring&)
{
    // TeraPad has no message that opens a file, and a further editor started
    // with the file would be another window, not this one. So this stays a
    // harmless query whose answer is dropped; File is unused.
    std::int32_t zero = 0;
    platform::Send(GetEditHandle(), EM_GETMODIFY, 0, reinterpret_cast<LPARAM>(&zero));
}

void clsKestTeraPad::SetFocus()
{
    // SW_SHOWNORMAL would restore a maximized window; SW_SHOW keeps it zoomed.
    platform::Show(m_hWnd, platform::IsMaximized(m_hWnd) ? SW_SHOW : SW_SHOWNORMAL);
    platform::BringToForeground(m_hWnd);
}

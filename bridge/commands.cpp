// Commands to the captured editor: save, reload its settings, start a further
// TeraPad, bring it to the front, and a second TeraPad as a debug log.
//
// Errors: FileNew throws BridgeError when the executable cannot be started,
// with the platform's Win32Error (call and code) nested inside, so a caller
// can std::rethrow_if_nested for the reason; DebugPrint and DebugClear throw
// BridgeError when no debug editor can be had.
#include "bridge/kest_terapad.h"
#include "bridge/terapad_interface.h"

#include "platform/code_page.h"
#include "platform/programs.h"
#include "platform/win32_error.h"
#include "platform/window_messages.h"

#include <exception>

namespace {

// How long a started TeraPad may take to show its main window after Wine
// already called it idle, and how often to look.
constexpr DWORD kNewEditorWindowWaitMs = 10000;
constexpr DWORD kPollMs = 50;

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
    // A debug editor that never showed its window would swallow the line.
    if (!m_objDebug || !m_objDebug->HadTeraPad())
        throw BridgeError("DebugPrint: no debug editor can be had (the captured TeraPad window is gone, or the new one showed no window)");
    // Caret to the end with nothing selected, so the line is appended.
    m_objDebug->SelStart(m_objDebug->Length());
    m_objDebug->SelText(PrintStr + L"\r\n");
}

void clsKestTeraPad::DebugClear()
{
    EnsureDebugInstance();
    if (!m_objDebug || !m_objDebug->HadTeraPad())
        throw BridgeError("DebugClear: no debug editor can be had (the captured TeraPad window is gone, or the new one showed no window)");
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
    // Wine calls a process idle as soon as it first looks at its message
    // queue, which on a busy machine can be before its main window is made:
    // give the window a bounded while, so the bridge is not bound to nothing.
    HWND main = GetProcessTopWindow(started.id);
    for (DWORD waited = 0; !IsTeraPadWindow(main) && waited < kNewEditorWindowWaitMs; waited += kPollMs) {
        if (platform::WaitForExit(started.process.get(), kPollMs)) break;
        main = GetProcessTopWindow(started.id);
    }
    // Another process can find the main window while it is still being made,
    // before its children: bind once its thread answers from its loop.
    if (IsTeraPadWindow(main)) platform::WaitUntilAnswering(main, kNewEditorWindowWaitMs);
    std::unique_ptr<clsKestTeraPad> editor(new clsKestTeraPad(ForegroundOnly{}));
    editor->hwnd(main);
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

#include "platform/dialog_behaviour.h"

namespace platform::ui {

DialogBehaviour::DialogBehaviour(HWND window, int defaultButtonId, HWND firstFocus) noexcept
    : m_window(window), m_defaultButton(defaultButtonId), m_firstFocus(firstFocus), m_lastFocus(firstFocus)
{
}

std::optional<LRESULT> DialogBehaviour::Handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (!m_window) return std::nullopt;
    switch (message) {
    case DM_GETDEFID:
        return MAKELRESULT(m_defaultButton, DC_HASDEFID);
    case WM_NEXTDLGCTL: {
        // lParam's low word: wParam names the control; else it says previous or next.
        HWND target = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                     : ::GetNextDlgTabItem(m_window, ::GetFocus(), wParam != 0 ? TRUE : FALSE);
        if (target) ::SetFocus(target);
        return 0;
    }
    case WM_ACTIVATE:
        Activated(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_SETFOCUS:
        Activated(true);
        return 0;
    default:
        return std::nullopt;
    }
}

void DialogBehaviour::Activated(bool active) noexcept
{
    const auto ours = [this](HWND hwnd) { return hwnd && ::IsChild(m_window, hwnd); };
    if (!active) {
        HWND focused = ::GetFocus();
        if (ours(focused)) m_lastFocus = focused;
        return;
    }
    ::SetFocus(ours(m_lastFocus) ? m_lastFocus : m_firstFocus);
}

} // namespace platform::ui

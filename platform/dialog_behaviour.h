// What a dialog box does for its controls, for a plain window whose message
// loop gives its keys to IsDialogMessage: the dialog manager asks the window
// for its default button (DM_GETDEFID) and moves the focus through it
// (WM_NEXTDLGCTL) for Tab and access keys, and a window activated again
// gives the focus back to the control that had it.
#pragma once

#include <windows.h>

#include <optional>

namespace platform::ui {

class DialogBehaviour {
public:
    DialogBehaviour() noexcept = default;
    // firstFocus takes the focus until another control of window has had it.
    DialogBehaviour(HWND window, int defaultButtonId, HWND firstFocus) noexcept;

    // The answer to DM_GETDEFID, WM_NEXTDLGCTL, WM_ACTIVATE and WM_SETFOCUS;
    // empty for any other message, which the window handles itself.
    std::optional<LRESULT> Handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

private:
    void Activated(bool active) noexcept;

    HWND m_window = nullptr;
    int m_defaultButton = 0;
    HWND m_firstFocus = nullptr;
    HWND m_lastFocus = nullptr;
};

} // namespace platform::ui

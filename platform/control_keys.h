// The key presses of one control, before the control sees them.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>

namespace platform::ui {

struct KeyPress {
    UINT key = 0; // virtual-key code
    bool alt = false, ctrl = false, shift = false;
};

// Gives a control's key presses (WM_KEYDOWN and WM_SYSKEYDOWN) to handler
// before the control sees them; handler returns true for a key it took.
// Installed by replacing the control's window procedure (the subclassing
// helpers of common controls 6 are not there on Windows 95), and undone
// when the object goes. An exception from handler goes to failed.
class ControlKeys {
public:
    using Handler = std::function<bool(const KeyPress&)>;
    using Failed = std::function<void(const std::exception*)>;

    ControlKeys() noexcept;
    ControlKeys(HWND control, Handler handler, Failed failed);
    ~ControlKeys();
    ControlKeys(ControlKeys&& other) noexcept;
    ControlKeys& operator=(ControlKeys&& other) noexcept;
    ControlKeys(const ControlKeys&) = delete;
    ControlKeys& operator=(const ControlKeys&) = delete;

private:
    struct State;
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Reset() noexcept;

    std::unique_ptr<State> m_state;
};

} // namespace platform::ui

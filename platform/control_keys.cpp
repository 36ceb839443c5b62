#include "platform/control_keys.h"

#include "platform/detail/wide_or_ansi.h"
#include "platform/system_version.h"
#include "platform/ui.h"
#include "platform/win32_error.h"

namespace platform::ui {

using detail::SetWindowValue;

namespace {

// An atom's name: the A and W forms name the same property.
constexpr char kControlKeysProperty[] = "Quillbay.ControlKeys";

LRESULT CallProcedure(WNDPROC procedure, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return IsNtFamily() ? ::CallWindowProcW(procedure, hwnd, message, wParam, lParam)
                        : ::CallWindowProcA(procedure, hwnd, message, wParam, lParam);
}

} // namespace

struct ControlKeys::State {
    HWND control = nullptr;
    WNDPROC original = nullptr;
    Handler handler;
    Failed failed;
};

ControlKeys::ControlKeys() noexcept = default;

ControlKeys::ControlKeys(HWND control, Handler handler, Failed failed)
    : m_state(std::make_unique<State>(State{control, nullptr, std::move(handler), std::move(failed)}))
{
    if (!::SetPropA(control, kControlKeysProperty, m_state.get())) ThrowLastError("SetPropA");
    ::SetLastError(0);
    const LONG_PTR original = SetWindowValue(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure));
    if (!original && ::GetLastError()) {
        const DWORD code = ::GetLastError();
        ::RemovePropA(control, kControlKeysProperty);
        ThrowError("SetWindowLongPtr", code);
    }
    m_state->original = reinterpret_cast<WNDPROC>(original);
}

ControlKeys::~ControlKeys()
{
    Reset();
}

ControlKeys::ControlKeys(ControlKeys&& other) noexcept : m_state(std::move(other.m_state)) {}

ControlKeys& ControlKeys::operator=(ControlKeys&& other) noexcept
{
    if (this != &other) {
        Reset();
        m_state = std::move(other.m_state);
    }
    return *this;
}

void ControlKeys::Reset() noexcept
{
    if (!m_state) return;
    HWND control = m_state->control;
    // Gone already when the control was destroyed first (WM_NCDESTROY).
    if (control && ::GetPropA(control, kControlKeysProperty) == m_state.get()) {
        SetWindowValue(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_state->original));
        ::RemovePropA(control, kControlKeysProperty);
    }
    m_state.reset();
}

LRESULT CALLBACK ControlKeys::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* state = static_cast<State*>(::GetPropA(hwnd, kControlKeysProperty));
    if (!state) return DefaultProcedure(hwnd, message, wParam, lParam);
    const WNDPROC original = state->original;
    if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && state->handler) {
        const auto tell = [state](const std::exception* error) noexcept {
            try {
                if (state->failed) state->failed(error);
            } catch (...) {
            }
        };
        const KeyPress press{static_cast<UINT>(wParam), (HIWORD(lParam) & KF_ALTDOWN) != 0,
                             ::GetKeyState(VK_CONTROL) < 0, ::GetKeyState(VK_SHIFT) < 0};
        bool taken = false;
        try {
            taken = state->handler(press);
        } catch (const std::exception& error) {
            taken = true;
            tell(&error);
        } catch (...) {
            taken = true;
            tell(nullptr);
        }
        // The handler may have destroyed the control: state is not read again.
        if (taken) {
            // The system's own Alt tracking must still see a key pressed with
            // Alt, or letting go of Alt afterwards opens the window menu. The
            // default procedure does only that with it; the control is skipped.
            if (message == WM_SYSKEYDOWN) return DefaultProcedure(hwnd, message, wParam, lParam);
            return 0;
        }
    }
    if (message == WM_NCDESTROY) {
        SetWindowValue(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        ::RemovePropA(hwnd, kControlKeysProperty);
        state->control = nullptr;
    }
    return CallProcedure(original, hwnd, message, wParam, lParam);
}

} // namespace platform::ui

// frmQuillbay's design, which the benchmark's start-up floor (tools/floor)
// builds as well: the window's style and size, its font, its controls in tab
// order with the mode list's items, and the options of its system menu.
#pragma once

#include "platform/handles.h"

#include <windows.h>

#include <array>

namespace frmDesign {

// The controls, kLblText to kCmdRemove of frmQuillbay.
inline constexpr std::size_t kControlCount = 9;
using Controls = std::array<HWND, kControlCount>;

// The window, hidden, with its client area as designed at dpi.
platform::UniqueWindow CreateFormWindow(const wchar_t* className, int dpi, void* param);
platform::UniqueFont CreateFormFont(int dpi);
// The controls in tab order (the creation order is the order Tab walks),
// by id from kLblText on; the mode list holds its two items, none chosen.
Controls CreateControls(HWND window, HFONT font, int dpi);
// The options 文字コードを自動判別 and the two line-end options, beside the title
// bar's buttons rather than among the controls: the layout stays as it is.
void AddMenuOptions(HWND window);

} // namespace frmDesign

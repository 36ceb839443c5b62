// The standard controls' messages: list box, combo box, check box and the
// window's system menu, with results in the type that says them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace platform::controls {

namespace list {
int Count(HWND list) noexcept;
// Appends an entry; throws when the list box refuses it.
int Add(HWND list, const std::wstring& text);
void Insert(HWND list, int index, const std::wstring& text);
void Remove(HWND list, int index) noexcept;
std::wstring Text(HWND list, int index);
bool Selected(HWND list, int index) noexcept;
void Select(HWND list, int index, bool selected) noexcept;
// Selects entries first to last, both included, in one message.
void SelectRange(HWND list, int first, int last) noexcept;
// The caret (focus) entry; empty for an empty list.
std::optional<int> Caret(HWND list) noexcept;
void SetCaret(HWND list, int index) noexcept;
} // namespace list

namespace combo {
void Add(HWND combo, const std::wstring& text);
std::optional<int> Chosen(HWND combo) noexcept;
void Choose(HWND combo, int index) noexcept;
// The height of the closed box, item field and border together.
void SetClosedHeight(HWND combo, int height) noexcept;
} // namespace combo

namespace check {
int Value(HWND box) noexcept; // 0 off, 1 on
void SetValue(HWND box, int value) noexcept;
} // namespace check

namespace sysmenu {
// Appends a separator and an unchecked item to the window's system menu.
void AddCheckItem(HWND window, UINT id, const std::wstring& text);
bool Checked(HWND window, UINT id) noexcept;
void SetChecked(HWND window, UINT id, bool checked) noexcept;
// The item id a WM_SYSCOMMAND names: the system keeps the low four bits.
inline UINT CommandOf(WPARAM wParam) noexcept { return static_cast<UINT>(wParam & 0xFFF0); }
} // namespace sysmenu

} // namespace platform::controls

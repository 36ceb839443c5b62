#include "platform/controls.h"

#include "platform/code_page.h"
#include "platform/detail/wide_or_ansi.h"
#include "platform/system_version.h"
#include "platform/win32_error.h"

namespace platform::controls {

using detail::SendText;
using detail::SendTo;

namespace list {

int Count(HWND list) noexcept
{
    const LRESULT count = SendTo(list, LB_GETCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : 0;
}

int Add(HWND list, const std::wstring& text)
{
    const LRESULT index = SendText(list, LB_ADDSTRING, 0, text);
    if (index < 0) ThrowError("LB_ADDSTRING", index == LB_ERRSPACE ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_DATA);
    return static_cast<int>(index);
}

void Insert(HWND list, int index, const std::wstring& text)
{
    const LRESULT at = SendText(list, LB_INSERTSTRING, static_cast<WPARAM>(index), text);
    if (at < 0) ThrowError("LB_INSERTSTRING", at == LB_ERRSPACE ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_DATA);
}

void Remove(HWND list, int index) noexcept
{
    SendTo(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

namespace {

// LB_GETTEXTLEN and LB_GETTEXT count in the characters of the form asked.
template <typename Text>
Text EntryText(HWND list, int index)
{
    const LRESULT length = SendTo(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) ThrowError("LB_GETTEXTLEN", ERROR_INVALID_INDEX);
    Text text(static_cast<std::size_t>(length) + 1, typename Text::value_type{});
    const LRESULT copied = SendTo(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

} // namespace

std::wstring Text(HWND list, int index)
{
    if (IsNtFamily()) return EntryText<std::wstring>(list, index);
    return FromAnsi(EntryText<std::string>(list, index));
}

bool Selected(HWND list, int index) noexcept
{
    return SendTo(list, LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

void Select(HWND list, int index, bool selected) noexcept
{
    SendTo(list, LB_SETSEL, selected ? TRUE : FALSE, static_cast<LPARAM>(index));
}

void SelectRange(HWND list, int first, int last) noexcept
{
    SendTo(list, LB_SELITEMRANGEEX, static_cast<WPARAM>(first), static_cast<LPARAM>(last));
}

std::optional<int> Caret(HWND list) noexcept
{
    const int count = Count(list);
    const LRESULT caret = SendTo(list, LB_GETCARETINDEX, 0, 0);
    if (count == 0 || caret < 0 || caret >= count) return std::nullopt;
    return static_cast<int>(caret);
}

void SetCaret(HWND list, int index) noexcept
{
    SendTo(list, LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
}

} // namespace list

namespace combo {

void Add(HWND combo, const std::wstring& text)
{
    const LRESULT index = SendText(combo, CB_ADDSTRING, 0, text);
    if (index < 0) ThrowError("CB_ADDSTRING", ERROR_NOT_ENOUGH_MEMORY);
}

std::optional<int> Chosen(HWND combo) noexcept
{
    const LRESULT index = SendTo(combo, CB_GETCURSEL, 0, 0);
    if (index < 0) return std::nullopt;
    return static_cast<int>(index);
}

void Choose(HWND combo, int index) noexcept
{
    SendTo(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void SetClosedHeight(HWND combo, int height) noexcept
{
    // Only the selection field's height can be set, and how the closed box
    // follows it differs between systems: set, measure, correct once. The
    // first guess takes off the frame around the field (2 px above and below,
    // 1 px padding each side); a guess from CB_GETITEMHEIGHT missed by 2 px
    // under Wine, and each setting moves the drop-down, a top-level window,
    // several times: some 40 wineserver round trips of start-up.
    constexpr int kFrame = 6;
    auto closedHeight = [combo] {
        RECT closed{};
        ::GetWindowRect(combo, &closed);
        return static_cast<int>(closed.bottom - closed.top);
    };
    if (closedHeight() == height) return;
    int wanted = height - kFrame;
    for (int attempt = 0; attempt < 2 && wanted > 0; ++attempt) {
        SendTo(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), static_cast<LPARAM>(wanted));
        const int off = height - closedHeight();
        if (off == 0) return;
        wanted += off;
    }
}

} // namespace combo

namespace check {

int Value(HWND box) noexcept
{
    return SendTo(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void SetValue(HWND box, int value) noexcept
{
    SendTo(box, BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

} // namespace check

namespace sysmenu {

void AddCheckItem(HWND window, UINT id, const std::wstring& text)
{
    HMENU menu = ::GetSystemMenu(window, FALSE);
    if (!menu) ThrowLastError("GetSystemMenu");
    if (!::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr)) ThrowLastError("AppendMenuA");
    const bool added = IsNtFamily() ? ::AppendMenuW(menu, MF_STRING | MF_UNCHECKED, id, text.c_str())
                                    : ::AppendMenuA(menu, MF_STRING | MF_UNCHECKED, id, ToAnsi(text).c_str());
    if (!added) ThrowLastError("AppendMenu");
}

bool Checked(HWND window, UINT id) noexcept
{
    const UINT state = ::GetMenuState(::GetSystemMenu(window, FALSE), id, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
}

void SetChecked(HWND window, UINT id, bool checked) noexcept
{
    ::CheckMenuItem(::GetSystemMenu(window, FALSE), id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

} // namespace sysmenu

} // namespace platform::controls

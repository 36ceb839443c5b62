// Single commands on TeraPad's current editing control: selections, the
// replacement of the selection, deletion, undo and the clipboard commands.
#include "bridge/kest_terapad.h"
#include "bridge/detail/byte_positions.h"

#include "platform/code_page.h"
#include "platform/window_messages.h"

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <variant>

using bridgedetail::Add32;
using bridgedetail::AsLParam;
using bridgedetail::AsWParam;
using bridgedetail::Sub32;

namespace {

bool IsBlank(wchar_t c) noexcept
{
    return c == L' ' || c == L'\t';
}

// vAny as a line number: the number itself, or decimal text such as "3",
// " -1 " or "+12". Anything else is refused before the editor hears of it.
std::int32_t ToInt32(const clsKestTeraPad::EditArg& vAny)
{
    if (const auto* number = std::get_if<std::int32_t>(&vAny)) return *number;
    const std::wstring& text = std::get<std::wstring>(vAny);
    std::size_t pos = 0;
    std::size_t end = text.size();
    while (pos < end && IsBlank(text[pos])) ++pos;
    while (end > pos && IsBlank(text[end - 1])) --end;
    bool negative = false;
    if (pos < end && (text[pos] == L'+' || text[pos] == L'-')) {
        negative = text[pos] == L'-';
        ++pos;
    }
    if (pos == end) throw std::invalid_argument("Edit: the argument is not a number");
    // One past INT32_MAX in magnitude, so INT32_MIN itself still parses.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; pos < end; ++pos) {
        const wchar_t c = text[pos];
        if (c < L'0' || c > L'9') throw std::invalid_argument("Edit: the argument is not a number");
        magnitude = magnitude * 10 + (c - L'0');
        if (magnitude > kLimit) throw std::overflow_error("Edit: the number does not fit in 32 bits");
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max())
        throw std::overflow_error("Edit: the number does not fit in 32 bits");
    return static_cast<std::int32_t>(value);
}

// vAny as replacement bytes: a number becomes its decimal text, whose digits
// and sign are the same bytes in every ANSI code page.
std::string ToReplacementBytes(const clsKestTeraPad::EditArg& vAny)
{
    if (const auto* number = std::get_if<std::int32_t>(&vAny)) return std::to_string(*number);
    return platform::ToAnsi(std::get<std::wstring>(vAny));
}

} // namespace

void clsKestTeraPad::Edit(std::int32_t lMode, const EditArg& vAny)
{
    if (!IsTeraPadWindow(m_hWnd)) return;
    switch (lMode) {
    case EM_SETSEL: {
        const std::int32_t line = ToInt32(vAny);
        if (line < 0) {
            platform::Send(GetEditHandle(), EM_SETSEL, 0, AsLParam(-1));
            return;
        }
        // Computed before anything is sent: an unusable line number must not
        // leave half a command in the editor.
        const std::int32_t nextLine = Add32(line, 1);
        const HWND edit = GetEditHandle();
        const auto start = static_cast<std::int32_t>(platform::Send(edit, EM_LINEINDEX, AsWParam(line), 0));
        const auto next = static_cast<std::int32_t>(platform::Send(edit, EM_LINEINDEX, AsWParam(nextLine), 0));
        // The answers go on unchecked: past the last line the editor answers
        // -1, and the end sent is then -2.
        platform::Send(edit, EM_SETSEL, AsWParam(start), AsLParam(Sub32(next, 1)));
        return;
    }
    case EM_REPLACESEL: {
        const std::string ansi = ToReplacementBytes(vAny);
        ReplaceSelection(ansi.c_str());
        return;
    }
    case EM_UNDO:
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE:
    case WM_CLEAR:
        platform::Send(GetEditHandle(), static_cast<UINT>(lMode), 0, 0);
        return;
    default:
        // Not a command we carry out; the control is still asked for, as on
        // every call, so the editor sees the same traffic for any lMode.
        GetEditHandle();
        return;
    }
}

void clsKestTeraPad::UndoLastEdit()
{
    Edit(EM_UNDO);
}

std::optional<bool> clsKestTeraPad::SelSet(std::int32_t nStart, std::int32_t nEnd)
{
    if (!IsTeraPadWindow(m_hWnd)) return std::nullopt;
    platform::Send(GetEditHandle(), EM_SETSEL, AsWParam(nStart), AsLParam(nEnd));
    return true;
}

void clsKestTeraPad::ReplaceSelection(const char* ansi)
{
    if (!IsTeraPadWindow(m_hWnd)) return;
    platform::Send(GetEditHandle(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(ansi));
}

void clsKestTeraPad::ReplaceSelectionWithPiece(std::string& ansi, std::size_t begin, std::size_t end)
{
    // The message wants a terminated string: terminate the piece in place for
    // the one call instead of copying up to 32 KB per piece.
    const char saved = ansi[end];
    ansi[end] = '\0';
    try {
        ReplaceSelection(ansi.data() + begin);
    } catch (...) {
        ansi[end] = saved;
        throw;
    }
    ansi[end] = saved;
}

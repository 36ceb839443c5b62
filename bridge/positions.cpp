// Where things are in TeraPad's editing control, and the byte-counted string
// functions that translate between the editor's bytes and our 16-bit text.
#include "bridge/kest_terapad.h"
#include "bridge/detail/byte_positions.h"
#include "bridge/terapad_interface.h"

#include "platform/code_page.h"
#include "platform/window_messages.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>

using bridgedetail::Add32;
using bridgedetail::AsWParam;
using bridgedetail::MidBytes;
using bridgedetail::Sub32;

namespace {

std::int32_t AsInt32(LRESULT result) noexcept
{
    return static_cast<std::int32_t>(result);
}

} // namespace

std::int32_t clsKestTeraPad::EditMode()
{
    if (!IsTeraPadWindow(m_hWnd)) return -1;
    return AsInt32(platform::Send(m_hWnd, terapad::kMsgGetEditMode, 0, 0));
}

std::int32_t clsKestTeraPad::Length()
{
    if (!IsTeraPadWindow(m_hWnd)) return -1;
    return AsInt32(platform::Send(GetEditHandle(), WM_GETTEXTLENGTH, 0, 0));
}

std::int32_t clsKestTeraPad::Line()
{
    if (!IsTeraPadWindow(m_hWnd)) return 0;
    return AsInt32(platform::Send(GetEditHandle(), EM_LINEFROMCHAR, AsWParam(-1), 0));
}

void clsKestTeraPad::Line(std::int32_t NewValue)
{
    if (!IsTeraPadWindow(m_hWnd)) return;
    // A line past the end answers -1, and the caret is then sent to -1 as is.
    const std::int32_t lineStart = AsInt32(platform::Send(GetEditHandle(), EM_LINEINDEX, AsWParam(NewValue), 0));
    SelStart(lineStart);
}

std::int32_t clsKestTeraPad::SelStart()
{
    if (!IsTeraPadWindow(m_hWnd)) return 0;
    DWORD start = 0;
    platform::Send(GetEditHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    return static_cast<std::int32_t>(start);
}

void clsKestTeraPad::SelStart(std::int32_t NewValue)
{
    SelSet(NewValue, NewValue);
}

std::int32_t clsKestTeraPad::SelLength()
{
    if (!IsTeraPadWindow(m_hWnd)) return 0;
    DWORD start = 0;
    DWORD end = 0;
    platform::Send(GetEditHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return Sub32(static_cast<std::int32_t>(end), static_cast<std::int32_t>(start));
}

std::pair<std::int32_t, std::int32_t> clsKestTeraPad::Selection()
{
    if (!IsTeraPadWindow(m_hWnd)) return {0, 0};
    DWORD start = 0;
    DWORD end = 0;
    platform::Send(GetEditHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {static_cast<std::int32_t>(start), static_cast<std::int32_t>(end)};
}

void clsKestTeraPad::SelLength(std::int32_t NewValue)
{
    // No gate of its own: SelStart and SelSet each make theirs.
    const std::int32_t start = SelStart();
    SelSet(start, Add32(start, NewValue));
}

std::int32_t clsKestTeraPad::LenMbcs(const std::wstring& sText)
{
    const std::size_t bytes = platform::ToAnsi(sText).size();
    if (bytes > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw std::overflow_error("LenMbcs: the byte length does not fit in 32 bits");
    return static_cast<std::int32_t>(bytes);
}

std::wstring clsKestTeraPad::MidMbcs(const std::wstring& sText, std::int32_t nStart, std::int32_t nLength)
{
    const std::string ansi = platform::ToAnsi(sText);
    return platform::FromAnsi(MidBytes(ansi, nStart, nLength));
}

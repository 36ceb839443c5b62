// Arithmetic on the editor's byte positions, shared by the bridge's units and
// seen nowhere else: positions are 32-bit signed, and the edit control takes
// them through message parameters of the pointer's width.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string_view>

namespace bridgedetail {

inline std::int32_t Narrow32(std::int64_t value, const char* what)
{
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        throw std::overflow_error(what);
    return static_cast<std::int32_t>(value);
}

// Out of range is std::overflow_error, never a wrapped position.
inline std::int32_t Add32(std::int32_t a, std::int32_t b)
{
    return Narrow32(std::int64_t{a} + b, "position arithmetic overflows 32 bits");
}

inline std::int32_t Sub32(std::int32_t a, std::int32_t b)
{
    return Narrow32(std::int64_t{a} - b, "position arithmetic overflows 32 bits");
}

// Sign-extended, so that -1 stays -1 on every pointer width.
inline WPARAM AsWParam(std::int32_t value) noexcept
{
    return static_cast<WPARAM>(static_cast<std::intptr_t>(value));
}

inline LPARAM AsLParam(std::int32_t value) noexcept
{
    return static_cast<LPARAM>(value);
}

// MidMbcs on bytes: nLength bytes from the 1-based byte nStart, all the rest
// for a negative nLength.
inline std::string_view MidBytes(std::string_view ansi, std::int32_t nStart, std::int32_t nLength)
{
    if (nStart < 1) throw std::invalid_argument("MidMbcs: the start position must be 1 or more");
    const std::size_t first = static_cast<std::size_t>(nStart) - 1;
    if (first >= ansi.size()) return {};
    const std::size_t available = ansi.size() - first;
    const std::size_t count = nLength < 0 ? available : std::min(available, static_cast<std::size_t>(nLength));
    return ansi.substr(first, count);
}

} // namespace bridgedetail

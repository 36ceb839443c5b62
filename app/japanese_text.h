// ISO-2022-JP (JIS: mail) and EUC-JP (Unix, the older web): telling them
// from Shift-JIS, and writing them in Shift-JIS. Both carry JIS X 0208,
// which maps to Shift-JIS by arithmetic, so no code page is needed: 95, 98
// and Me have none for either. Nothing here calls the system; whether the
// code page holds a double-byte character is the caller's to say.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace japaneseText {

// ISO-2022-JP: only 7-bit bytes, and at least once an escape sequence to a
// double-byte set (ESC $ ...) or to half-width katakana (ESC ( I).
bool IsIso2022Jp(std::string_view bytes) noexcept;

// EUC-JP: every byte above 0x7F belongs to a well-formed EUC-JP sequence
// (A1-FE A1-FE, 8E A1-DF, 8F A1-FE A1-FE), and Shift-JIS cannot read the
// bytes as half-width katakana alone (it finds a broken sequence or a first
// byte of E0-FF), or else more than half of the EUC-JP characters lie in
// JIS rows 1-5 (signs, hiragana, katakana). The rest are what both readings
// accept, and stay Shift-JIS.
bool IsEucJp(std::string_view bytes) noexcept;

// Whether the code page holds the double-byte character lead, trail.
using HoldsPair = bool (*)(unsigned char lead, unsigned char trail) noexcept;

struct ShiftJisText {
    std::string bytes;
    // Characters Shift-JIS cannot hold (JIS X 0212, other sets, cells the
    // code page leaves empty) and bytes that are no character (a broken
    // sequence): each written as substitute and counted once.
    std::size_t unrepresentable = 0;
    // Byte offset in bytes of the first of them; 0 when there is none.
    std::size_t firstUnrepresentable = 0;
};

// The text in Shift-JIS. Total: any bytes give a result, what they hold
// that is no character counted as above.
ShiftJisText Iso2022JpToShiftJis(std::string_view bytes, HoldsPair holds, std::string_view substitute);
ShiftJisText EucJpToShiftJis(std::string_view bytes, HoldsPair holds, std::string_view substitute);

} // namespace japaneseText

// UTF-8 and UTF-16 text to the system's ANSI code page. What the code page
// holds, and what it writes for each 16-bit character, is asked of the
// system once, one character at a time; the UTF forms are decoded here, in
// one pass with a table lookup per character. The system's own conversions
// only say whether some character was lost, not which or how many, and they
// treat broken UTF-8 differently from one Windows to the next (dropped on
// XP, U+FFFD later, no UTF-8 at all on some 9x systems); here it is the same
// everywhere. It is also somewhat faster under Wine (see the README).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

enum class UnicodeForm { Utf8, Utf16LittleEndian, Utf16BigEndian };

// What reading bytes as UTF-8 (RFC 3629: no overlong forms, no surrogates,
// nothing beyond U+10FFFF) finds.
struct Utf8Shape {
    bool wellFormed = true;
    // At least one character of two bytes or more.
    bool multiByte = false;
};
Utf8Shape ScanUtf8(std::string_view bytes) noexcept;

struct AnsiConversion {
    std::string ansi;
    // Characters the code page has no character for, each written as the
    // system writes it (the code page's default character). An ill-formed
    // sequence (each maximal subpart of one, as Unicode counts them), a lone
    // surrogate and the odd last byte of UTF-16 count as one such character
    // each and become the default character: nothing vanishes unseen.
    // A character the system writes as a near equivalent is represented.
    std::size_t unrepresentable = 0;
    // Byte offset in ansi of the first of them; 0 when there is none.
    std::size_t firstUnrepresentable = 0;
};

// bytes without a byte-order mark. Throws Win32Error when the system cannot
// convert 16-bit text to its code page at all.
AnsiConversion UnicodeToAnsi(std::string_view bytes, UnicodeForm form);

} // namespace platform

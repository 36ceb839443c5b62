// Text in the system's ANSI code page (code page 932 for this program's
// users): the conversions to and from 16-bit text and the byte-level facts
// about it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Text: ANSI bytes in std::string, 16-bit text in std::wstring. These two are
// the only conversions in the product. Characters the code page cannot hold
// become the system's substitute; bytes the code page cannot map become the
// system's replacement character. Embedded NULs are converted like any other.

std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view ansi);

// text in the ANSI code page when the code page writes it exactly, for the
// A calls of 95, 98 and Me; empty when it needs substitutes, since a name
// written with them would open another file, or none.
std::optional<std::string> ExactAnsi(std::wstring_view text);

// ToAnsi(FromAnsi(ansi)): the bytes that reading ansi as text and writing it
// back in the code page give. Most texts are their own result; those are
// recognised by a table of the code page's characters and returned as they
// are, without either conversion (a paste may be many megabytes).
std::string RoundTripAnsi(std::string ansi);

// True when bytes hold a NUL; a word at a time, for texts of many megabytes.
bool ContainsNul(std::string_view bytes) noexcept;

// Whether the ANSI code page is Shift-JIS (932), the code page whose bytes
// the arithmetic of JIS X 0208 gives.
bool AnsiIsShiftJis() noexcept;

// Whether lead and trail are one character of the code page: the system
// reads them as one character, refusing an empty cell, and writes that
// character without its default character. Not necessarily as the same two
// bytes: code page 932 has characters under two codes. Asked of the system
// once for every pair.
bool IsDoubleByteCharacter(unsigned char lead, unsigned char trail) noexcept;

// What the system writes for a character the code page has not ("?").
std::string DefaultCharacter();

// True when byte is a lead byte of a double-byte character in the ANSI code page.
bool IsLeadByte(unsigned char byte) noexcept;

// Length of the longest prefix of ansi (at most maxBytes) that ends on a
// character boundary, scanning double-byte characters from the start.
std::size_t CompleteCharsPrefix(std::string_view ansi, std::size_t maxBytes) noexcept;

} // namespace platform

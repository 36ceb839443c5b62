#include "platform/code_page.h"

#include "platform/win32_error.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

namespace platform {

std::string ToAnsi(std::wstring_view text)
{
    if (text.empty()) return {};
    if (text.size() > 0x3FFFFFFF) throw std::length_error("text too long for the ANSI code page");
    const int wideLength = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, text.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) ThrowLastError("WideCharToMultiByte");
    std::string ansi(static_cast<std::size_t>(bytes), '\0');
    if (::WideCharToMultiByte(CP_ACP, 0, text.data(), wideLength, ansi.data(), bytes, nullptr, nullptr) != bytes)
        ThrowLastError("WideCharToMultiByte");
    return ansi;
}

std::wstring FromAnsi(std::string_view ansi)
{
    if (ansi.empty()) return {};
    if (ansi.size() > 0x7FFFFFFF) throw std::length_error("text too long for the ANSI code page");
    const int byteLength = static_cast<int>(ansi.size());
    const int chars = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), byteLength, nullptr, 0);
    if (chars <= 0) ThrowLastError("MultiByteToWideChar");
    std::wstring text(static_cast<std::size_t>(chars), L'\0');
    if (::MultiByteToWideChar(CP_ACP, 0, ansi.data(), byteLength, text.data(), chars) != chars)
        ThrowLastError("MultiByteToWideChar");
    return text;
}

std::optional<std::string> ExactAnsi(std::wstring_view text)
{
    std::string ansi = ToAnsi(text);
    if (FromAnsi(ansi) != text) return std::nullopt;
    return ansi;
}

namespace {

// Which characters of the code page come back as the same bytes: single bytes
// by value, double-byte characters by lead and trail byte. Asked of the
// system once, one character at a time, so that nothing about the code page
// is assumed: undefined pairs, lone lead bytes and the duplicate codes that
// map to one character all fail the test and take the converting path.
class RoundTripTable {
public:
    RoundTripTable()
    {
        bool asciiSame = true;
        for (unsigned first = 0; first < 256; ++first) {
            if (IsLeadByte(static_cast<unsigned char>(first))) {
                m_kind[first] = kLead;
                for (unsigned trail = 0; trail < 256; ++trail)
                    if (SameAfterRoundTrip(static_cast<char>(first), static_cast<char>(trail), 2))
                        m_pairs[first << 3 | trail >> 5] |= 1u << (trail & 31);
            } else {
                m_kind[first] = SameAfterRoundTrip(static_cast<char>(first), 0, 1) ? kSame : kChanges;
            }
            if (first < 0x80) asciiSame = asciiSame && m_kind[first] == kSame;
        }
        m_asciiSame = asciiSame;
    }

    bool Holds(std::string_view ansi) const noexcept
    {
        const auto* bytes = reinterpret_cast<const unsigned char*>(ansi.data());
        const std::size_t size = ansi.size();
        std::size_t pos = 0;
        while (pos < size) {
            const unsigned char first = bytes[pos];
            if (first < 0x80 && m_asciiSame && size - pos >= 8) {
                // Runs of plain ASCII, eight bytes at a time.
                std::uint64_t word;
                std::memcpy(&word, bytes + pos, sizeof word);
                if ((word & 0x8080808080808080u) == 0) {
                    pos += 8;
                    continue;
                }
            }
            switch (m_kind[first]) {
            case kSame: ++pos; continue;
            case kChanges: return false;
            default: break;
            }
            // A lead byte at the very end has no character to be.
            if (pos + 1 == size) return false;
            const unsigned trail = bytes[pos + 1];
            if (!(m_pairs[static_cast<unsigned>(first) << 3 | trail >> 5] >> (trail & 31) & 1u)) return false;
            pos += 2;
        }
        return true;
    }

private:
    enum Kind : unsigned char { kSame, kChanges, kLead };

    static bool SameAfterRoundTrip(char first, char second, int length) noexcept
    {
        const char in[2] = {first, second};
        wchar_t wide[4] = {};
        const int chars = ::MultiByteToWideChar(CP_ACP, 0, in, length, wide, 4);
        // One character for one character: a pair read as two would change
        // meaning with its neighbours.
        if (chars != 1) return false;
        char out[8] = {};
        const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide, chars, out, 8, nullptr, nullptr);
        return bytes == length && out[0] == first && (length == 1 || out[1] == second);
    }

    Kind m_kind[256] = {};
    std::uint32_t m_pairs[256 * 8] = {}; // one bit per lead and trail byte
    bool m_asciiSame = false;
};

} // namespace

std::string RoundTripAnsi(std::string ansi)
{
    static const RoundTripTable table;
    if (table.Holds(ansi)) return ansi;
    return ToAnsi(FromAnsi(ansi));
}

bool ContainsNul(std::string_view bytes) noexcept
{
    const char* data = bytes.data();
    const std::size_t size = bytes.size();
    std::size_t pos = 0;
    for (; pos + 8 <= size; pos += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + pos, sizeof word);
        // Non-zero exactly when one of the eight bytes is zero.
        if ((word - 0x0101010101010101u) & ~word & 0x8080808080808080u) return true;
    }
    for (; pos < size; ++pos)
        if (data[pos] == '\0') return true;
    return false;
}

bool AnsiIsShiftJis() noexcept
{
    return ::GetACP() == 932;
}

namespace {

class DoubleByteTable {
public:
    DoubleByteTable() noexcept
    {
        for (unsigned lead = 0x80; lead < 256; ++lead) {
            if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
            for (unsigned trail = 0; trail < 256; ++trail) {
                const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                wchar_t wide[4] = {};
                // Without the flag an empty cell reads as the system's
                // replacement character (U+30FB under Wine), a character.
                if (::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, in, 2, wide, 4) != 1) continue;
                char out[8] = {};
                BOOL usedDefault = FALSE;
                if (::WideCharToMultiByte(CP_ACP, 0, wide, 1, out, 8, nullptr, &usedDefault) <= 0 || usedDefault) continue;
                m_pairs[lead << 3 | trail >> 5] |= 1u << (trail & 31);
            }
        }
    }
    bool Holds(unsigned char lead, unsigned char trail) const noexcept
    {
        return m_pairs[static_cast<unsigned>(lead) << 3 | trail >> 5] >> (trail & 31) & 1u;
    }

private:
    std::uint32_t m_pairs[256 * 8] = {}; // one bit per lead and trail byte
};

} // namespace

bool IsDoubleByteCharacter(unsigned char lead, unsigned char trail) noexcept
{
    static const DoubleByteTable table;
    return table.Holds(lead, trail);
}

std::string DefaultCharacter()
{
    CPINFO info{};
    if (!::GetCPInfo(CP_ACP, &info)) return "?";
    return std::string(reinterpret_cast<const char*>(info.DefaultChar), info.DefaultChar[1] ? 2 : 1);
}

bool IsLeadByte(unsigned char byte) noexcept
{
    return ::IsDBCSLeadByte(byte) != FALSE;
}

std::size_t CompleteCharsPrefix(std::string_view ansi, std::size_t maxBytes) noexcept
{
    const std::size_t limit = maxBytes < ansi.size() ? maxBytes : ansi.size();
    std::size_t pos = 0;
    while (pos < limit) {
        const std::size_t width = IsLeadByte(static_cast<unsigned char>(ansi[pos])) ? 2 : 1;
        if (pos + width > limit) break;
        pos += width;
    }
    return pos;
}

} // namespace platform

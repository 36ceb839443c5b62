#include "platform/unicode.h"

#include "platform/win32_error.h"

#include <cstdint>
#include <cstring>

namespace platform {

namespace {

// One UTF-8 sequence: its character and length when well formed; otherwise
// the length of its maximal subpart (at least 1), which counts as one
// character the code page cannot hold.
struct Utf8Step {
    char32_t character = 0;
    std::size_t length = 1;
    bool wellFormed = false;
};

bool Continuation(unsigned char byte) noexcept
{
    return (byte & 0xC0) == 0x80;
}

// The well-formed byte sequences of Unicode's table 3-7.
inline Utf8Step DecodeUtf8(const unsigned char* at, std::size_t left) noexcept
{
    const unsigned char lead = at[0];
    if (lead < 0x80) return {lead, 1, true};
    // Japanese text is mostly three-byte characters whose second byte has
    // the full range: these first, without the table's corner cases.
    if (lead >= 0xE1 && lead <= 0xEC && left >= 3 && Continuation(at[1]) && Continuation(at[2]))
        return {static_cast<char32_t>((lead & 0x0F) << 12 | (at[1] & 0x3F) << 6 | (at[2] & 0x3F)), 3, true};
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the second byte's range
    char32_t character = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        character = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        character = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;  // no overlong forms
        if (lead == 0xED) high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        character = lead & 0x07;
        if (lead == 0xF0) low = 0x90;  // no overlong forms
        if (lead == 0xF4) high = 0x8F; // nothing beyond U+10FFFF
    } else {
        return {}; // a continuation byte or a lead no well-formed text has
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (i >= left) return {0, i, false};
        const unsigned char next = at[i];
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return {0, i, false};
        character = character << 6 | (next & 0x3F);
    }
    return {character, length, true};
}

bool EightAsciiBytes(const unsigned char* at) noexcept
{
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return (word & 0x8080808080808080u) == 0;
}

// What the system writes in the code page for each 16-bit character, and
// whether it had to write its default character for it. Asked once per
// character (65536 calls take about a millisecond under Wine); a character
// it writes as a near equivalent (best fit) counts as represented, as the
// system itself reports it.
class CodePageTable {
public:
    CodePageTable()
    {
        CPINFO info{};
        if (!::GetCPInfo(CP_ACP, &info)) ThrowLastError("GetCPInfo");
        m_default.assign(reinterpret_cast<const char*>(info.DefaultChar), info.DefaultChar[1] ? 2 : 1);
        bool asciiSame = true;
        for (std::uint32_t unit = 0; unit < 0x10000; ++unit) {
            const wchar_t in = static_cast<wchar_t>(unit);
            char out[8] = {};
            BOOL usedDefault = FALSE;
            const int length = ::WideCharToMultiByte(CP_ACP, 0, &in, 1, out, sizeof out, nullptr, &usedDefault);
            if (length <= 0) ThrowLastError("WideCharToMultiByte");
            // An ANSI code page has characters of one or two bytes.
            if (length > 2) ThrowError("WideCharToMultiByte", ERROR_INVALID_DATA);
            Entry& entry = m_entries[unit];
            std::memcpy(entry.bytes, out, 2);
            entry.length = static_cast<unsigned char>(length);
            entry.represented = !usedDefault;
            if (unit < 0x80) asciiSame = asciiSame && length == 1 && out[0] == static_cast<char>(unit) && !usedDefault;
        }
        m_asciiSame = asciiSame;
    }

    struct Entry {
        char bytes[2];
        unsigned char length;
        bool represented;
    };

    const Entry& operator[](char16_t unit) const noexcept { return m_entries[unit]; }
    const std::string& DefaultCharacter() const noexcept { return m_default; }
    // Whether every ASCII character is written as its own byte.
    bool AsciiSame() const noexcept { return m_asciiSame; }

private:
    Entry m_entries[0x10000] = {};
    std::string m_default;
    bool m_asciiSame = false;
};

const CodePageTable& Table()
{
    // A construction that threw is tried again on the next call.
    static const CodePageTable table;
    return table;
}

// Writes characters in the code page and keeps count of those it has none for.
class AnsiWriter {
public:
    // Sized for the usual case up front: a character never takes more bytes
    // in the code page than in UTF-8 or UTF-16, except a default character
    // wider than what it stands for.
    explicit AnsiWriter(std::size_t inputBytes) : m_table(Table()) { m_out.ansi.resize(inputBytes + 16); }

    bool AsciiSame() const noexcept { return m_table.AsciiSame(); }

    void EightAscii(const unsigned char* in)
    {
        Reserve(8);
        std::memcpy(m_out.ansi.data() + m_at, in, 8);
        m_at += 8;
    }

    void Unit(char16_t unit)
    {
        const CodePageTable::Entry& entry = m_table[unit];
        const std::size_t start = Reserve(2);
        m_out.ansi[m_at] = entry.bytes[0];
        m_out.ansi[m_at + 1] = entry.bytes[1];
        m_at += entry.length;
        if (!entry.represented) Count(start);
    }

    // A character beyond the 16-bit range: rare enough to ask the system each time.
    void Pair(char16_t high, char16_t low)
    {
        const wchar_t in[2] = {static_cast<wchar_t>(high), static_cast<wchar_t>(low)};
        char bytes[16] = {};
        BOOL usedDefault = FALSE;
        const int length = ::WideCharToMultiByte(CP_ACP, 0, in, 2, bytes, sizeof bytes, nullptr, &usedDefault);
        if (length <= 0) ThrowLastError("WideCharToMultiByte");
        const std::size_t start = Write(bytes, static_cast<std::size_t>(length));
        if (usedDefault) Count(start);
    }

    // Bytes that are no character: the default character, counted.
    void NoCharacter()
    {
        const std::string& replacement = m_table.DefaultCharacter();
        Count(Write(replacement.data(), replacement.size()));
    }

    AnsiConversion Finish()
    {
        m_out.ansi.resize(m_at);
        return std::move(m_out);
    }

private:
    std::size_t Reserve(std::size_t bytes)
    {
        if (m_at + bytes > m_out.ansi.size()) m_out.ansi.resize((m_at + bytes) * 3 / 2 + 16);
        return m_at;
    }
    std::size_t Write(const char* bytes, std::size_t length)
    {
        const std::size_t start = Reserve(length);
        std::memcpy(m_out.ansi.data() + m_at, bytes, length);
        m_at += length;
        return start;
    }
    void Count(std::size_t start) noexcept
    {
        if (m_out.unrepresentable++ == 0) m_out.firstUnrepresentable = start;
    }

    const CodePageTable& m_table;
    AnsiConversion m_out;
    std::size_t m_at = 0;
};

AnsiConversion Utf8ToAnsi(std::string_view bytes)
{
    AnsiWriter writer(bytes.size());
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    const bool asciiSame = writer.AsciiSame();
    std::size_t pos = 0;
    while (pos < size) {
        if (asciiSame && size - pos >= 8 && EightAsciiBytes(in + pos)) {
            writer.EightAscii(in + pos);
            pos += 8;
            continue;
        }
        const Utf8Step step = DecodeUtf8(in + pos, size - pos);
        pos += step.length;
        if (!step.wellFormed) {
            writer.NoCharacter();
        } else if (step.character < 0x10000) {
            writer.Unit(static_cast<char16_t>(step.character));
        } else {
            const char32_t offset = step.character - 0x10000;
            writer.Pair(static_cast<char16_t>(0xD800 + (offset >> 10)), static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
        }
    }
    return writer.Finish();
}

AnsiConversion Utf16ToAnsi(std::string_view bytes, bool bigEndian)
{
    AnsiWriter writer(bytes.size());
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t units = bytes.size() / 2;
    const auto unitAt = [&](std::size_t i) {
        const unsigned first = in[2 * i], second = in[2 * i + 1];
        return static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
    };
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
            const char16_t next = unitAt(i + 1);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                writer.Pair(unit, next);
                ++i;
                continue;
            }
        }
        // A lone surrogate is ill-formed, like a broken UTF-8 sequence.
        if (unit >= 0xD800 && unit <= 0xDFFF) writer.NoCharacter();
        else writer.Unit(unit);
    }
    // Half a character at the end.
    if (bytes.size() % 2) writer.NoCharacter();
    return writer.Finish();
}

} // namespace

Utf8Shape ScanUtf8(std::string_view bytes) noexcept
{
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    Utf8Shape shape;
    std::size_t pos = 0;
    while (pos < size) {
        if (size - pos >= 8 && EightAsciiBytes(in + pos)) {
            pos += 8;
            continue;
        }
        const Utf8Step step = DecodeUtf8(in + pos, size - pos);
        if (!step.wellFormed) {
            shape.wellFormed = false;
            return shape;
        }
        if (step.length > 1) shape.multiByte = true;
        pos += step.length;
    }
    return shape;
}

AnsiConversion UnicodeToAnsi(std::string_view bytes, UnicodeForm form)
{
    switch (form) {
    case UnicodeForm::Utf8: return Utf8ToAnsi(bytes);
    case UnicodeForm::Utf16LittleEndian: return Utf16ToAnsi(bytes, false);
    case UnicodeForm::Utf16BigEndian: return Utf16ToAnsi(bytes, true);
    }
    return {};
}

} // namespace platform

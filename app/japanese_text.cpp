#include "app/japanese_text.h"

#include <cstdint>
#include <cstring>

namespace japaneseText {

namespace {

constexpr unsigned char kEscape = 0x1B;

bool InRange(unsigned char byte, unsigned char low, unsigned char high) noexcept
{
    return byte >= low && byte <= high;
}

bool EightAsciiBytes(const unsigned char* at) noexcept
{
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return (word & 0x8080808080808080u) == 0;
}

// JIS X 0208 row and cell (1-94 each) in Shift-JIS: two rows share a first
// byte, the odd row takes the lower half of the second bytes. Rows 63-94 go
// past the half-width katakana (A1-DF).
void ShiftJisOf(unsigned row, unsigned cell, unsigned char out[2]) noexcept
{
    out[0] = static_cast<unsigned char>((row + 1) / 2 + (row <= 62 ? 0x80 : 0xC0));
    if (row % 2 == 0) out[1] = static_cast<unsigned char>(cell + 0x9E);
    else out[1] = static_cast<unsigned char>(cell + (cell <= 63 ? 0x3F : 0x40)); // 0x7F is no second byte
}

// Builds the Shift-JIS text and keeps count of what it cannot hold.
class Writer {
public:
    Writer(std::size_t inputBytes, HoldsPair holds, std::string_view substitute) : m_substitute(substitute)
    {
        // Every cell's Shift-JIS and whether the code page holds it, asked
        // once per text: one lookup a character then, for megabytes.
        for (unsigned row = 1; row <= 94; ++row)
            for (unsigned cell = 1; cell <= 94; ++cell) {
                Cell& entry = m_cells[(row - 1) * 94 + (cell - 1)];
                ShiftJisOf(row, cell, entry.bytes);
                entry.held = holds(entry.bytes[0], entry.bytes[1]);
            }
        // Shift-JIS never needs more bytes than JIS or EUC-JP, except a
        // substitute wider than a broken byte.
        m_out.bytes.resize(inputBytes + 16);
    }

    void Byte(unsigned char byte)
    {
        Reserve(1);
        m_out.bytes[m_at++] = static_cast<char>(byte);
    }
    void Bytes(const unsigned char* bytes, std::size_t count)
    {
        Reserve(count);
        std::memcpy(m_out.bytes.data() + m_at, bytes, count);
        m_at += count;
    }

    // The runs that make most of a text, from pos on: JIS X 0208 pairs of
    // bytes first..first+93 that the code page holds and, in EUC-JP
    // (withAscii), ASCII between them. Written through a local pointer: a
    // store through the string's own would make the compiler read it
    // back after every byte. Returns where the run ends.
    template <unsigned char first, bool withAscii>
    std::size_t Run(const unsigned char* in, std::size_t pos, std::size_t size)
    {
        Reserve(size - pos); // a run never writes more bytes than it reads
        char* const start = m_out.bytes.data() + m_at;
        char* out = start;
        while (pos < size) {
            const unsigned char byte = in[pos];
            if (withAscii && byte < 0x80) {
                *out++ = static_cast<char>(byte);
                ++pos;
                continue;
            }
            if (pos + 1 >= size) break;
            const unsigned row = byte - first, cell = in[pos + 1] - first;
            if (row > 93 || cell > 93) break;
            const Cell& entry = m_cells[row * 94 + cell];
            if (!entry.held) break;
            out[0] = static_cast<char>(entry.bytes[0]);
            out[1] = static_cast<char>(entry.bytes[1]);
            out += 2;
            pos += 2;
        }
        m_at += static_cast<std::size_t>(out - start);
        return pos;
    }

    // A character Shift-JIS has not, or bytes that are none.
    void NoCharacter()
    {
        if (m_out.unrepresentable++ == 0) m_out.firstUnrepresentable = m_at;
        Bytes(reinterpret_cast<const unsigned char*>(m_substitute.data()), m_substitute.size());
    }

    ShiftJisText Finish()
    {
        m_out.bytes.resize(m_at);
        return std::move(m_out);
    }

private:
    void Reserve(std::size_t bytes)
    {
        if (m_at + bytes > m_out.bytes.size()) m_out.bytes.resize((m_at + bytes) * 3 / 2 + 16);
    }

    struct Cell {
        unsigned char bytes[2];
        bool held;
    };
    Cell m_cells[94 * 94];
    std::string_view m_substitute;
    ShiftJisText m_out;
    std::size_t m_at = 0;
};

bool Graphic(unsigned char byte) noexcept
{
    return InRange(byte, 0x21, 0x7E);
}

// What ISO-2022-JP's escape sequences switch to.
enum class Set { Ascii, Roman, Kana, Jis0208, OtherDouble, OtherSingle };

// One escape sequence at at[0] (ESC): the set it switches to, if it is a
// switch, and its length.
struct Escape {
    bool switches = false;
    Set set = Set::Ascii;
    std::size_t length = 1;
};

Escape ReadEscape(const unsigned char* at, std::size_t left) noexcept
{
    if (left >= 3 && at[1] == '(') {
        switch (at[2]) {
        case 'B': return {true, Set::Ascii, 3};
        case 'J': return {true, Set::Roman, 3};
        case 'I': return {true, Set::Kana, 3};
        default: return {true, Set::OtherSingle, 3};
        }
    }
    if (left >= 3 && at[1] == '$') {
        if (at[2] == '@' || at[2] == 'B') return {true, Set::Jis0208, 3};
        // ESC $ ( B is the long form of ESC $ B; ESC $ ( D is JIS X 0212,
        // which Shift-JIS has not, nor the other double-byte sets.
        if (at[2] == '(' && left >= 4) return {true, at[3] == 'B' ? Set::Jis0208 : Set::OtherDouble, 4};
        return {true, Set::OtherDouble, 3};
    }
    // Anything else is not ISO-2022-JP: the escape, its intermediate bytes
    // and its final byte are one broken sequence.
    std::size_t length = 1;
    while (length < left && InRange(at[length], 0x20, 0x2F)) ++length;
    if (length < left && InRange(at[length], 0x30, 0x7E)) ++length;
    return {false, Set::Ascii, length};
}

} // namespace

bool IsIso2022Jp(std::string_view bytes) noexcept
{
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    bool switches = false;
    std::size_t pos = 0;
    while (pos < size) {
        if (size - pos >= 8 && EightAsciiBytes(in + pos) && std::memchr(in + pos, kEscape, 8) == nullptr) {
            pos += 8;
            continue;
        }
        const unsigned char byte = in[pos];
        if (byte >= 0x80) return false;
        // ESC ( B and ESC ( J alone say nothing: terminal output has them too.
        if (byte == kEscape && pos + 2 < size)
            switches = switches || in[pos + 1] == '$' || (in[pos + 1] == '(' && in[pos + 2] == 'I');
        ++pos;
    }
    return switches;
}

bool IsEucJp(std::string_view bytes) noexcept
{
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    std::size_t characters = 0, signsAndKana = 0;
    for (std::size_t pos = 0; pos < size;) {
        if (size - pos >= 8 && EightAsciiBytes(in + pos)) {
            pos += 8;
            continue;
        }
        const unsigned char byte = in[pos];
        if (byte < 0x80) {
            ++pos;
        } else if (byte == 0x8E) { // half-width katakana
            if (pos + 1 >= size || !InRange(in[pos + 1], 0xA1, 0xDF)) return false;
            pos += 2;
            ++characters;
        } else if (byte == 0x8F) { // JIS X 0212
            if (pos + 2 >= size || !InRange(in[pos + 1], 0xA1, 0xFE) || !InRange(in[pos + 2], 0xA1, 0xFE)) return false;
            pos += 3;
            ++characters;
        } else if (InRange(byte, 0xA1, 0xFE)) {
            if (pos + 1 >= size || !InRange(in[pos + 1], 0xA1, 0xFE)) return false;
            if (byte <= 0xA5) ++signsAndKana;
            pos += 2;
            ++characters;
        } else {
            return false;
        }
    }
    if (characters == 0) return false;

    // Read as Shift-JIS, EUC-JP text soon puts one of its many bytes E0-FE
    // where a character starts; only half-width katakana text (A1-DF) and
    // kanji with a first byte 8E or 8F are EUC-JP and Shift-JIS alike.
    for (std::size_t pos = 0; pos < size;) {
        const unsigned char byte = in[pos];
        if (byte < 0x80 || InRange(byte, 0xA1, 0xDF)) {
            ++pos;
        } else if (InRange(byte, 0x81, 0x9F)) {
            if (pos + 1 >= size) return true;
            const unsigned char second = in[pos + 1];
            if (!InRange(second, 0x40, 0xFC) || second == 0x7F) return true;
            pos += 2;
        } else {
            return true; // E0-FF, or 80 and A0, which Shift-JIS text has not
        }
    }
    // Both readings hold: Japanese prose is kana and signs, which Shift-JIS
    // would read as half-width punctuation (A1-A5) in every second byte.
    return signsAndKana * 2 > characters;
}

ShiftJisText EucJpToShiftJis(std::string_view bytes, HoldsPair holds, std::string_view substitute)
{
    Writer out(bytes.size(), holds, substitute);
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    for (std::size_t pos = 0; pos < size;) {
        const std::size_t after = out.Run<0xA1, true>(in, pos, size);
        if (after != pos) {
            pos = after;
            continue;
        }
        const unsigned char byte = in[pos];
        if (byte == 0x8E && pos + 1 < size && InRange(in[pos + 1], 0xA1, 0xDF)) {
            out.Byte(in[pos + 1]); // half-width katakana is the same byte in Shift-JIS
            pos += 2;
        } else if (byte == 0x8F && pos + 2 < size && InRange(in[pos + 1], 0xA1, 0xFE) && InRange(in[pos + 2], 0xA1, 0xFE)) {
            out.NoCharacter(); // JIS X 0212
            pos += 3;
        } else if (InRange(byte, 0xA1, 0xFE) && pos + 1 < size && InRange(in[pos + 1], 0xA1, 0xFE)) {
            out.NoCharacter(); // a cell the code page leaves empty: the run takes every other
            pos += 2;
        } else {
            out.NoCharacter();
            ++pos;
        }
    }
    return out.Finish();
}

ShiftJisText Iso2022JpToShiftJis(std::string_view bytes, HoldsPair holds, std::string_view substitute)
{
    Writer out(bytes.size(), holds, substitute);
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    Set set = Set::Ascii;
    for (std::size_t pos = 0; pos < size;) {
        const unsigned char byte = in[pos];
        if (byte == kEscape) {
            const Escape escape = ReadEscape(in + pos, size - pos);
            if (escape.switches) set = escape.set;
            else out.NoCharacter();
            pos += escape.length;
            continue;
        }
        // Controls and the space are the same in every set; a line end
        // does not switch back, as the decoders people use have it.
        if (!Graphic(byte)) {
            if (byte < 0x80) out.Byte(byte);
            else out.NoCharacter();
            ++pos;
            continue;
        }
        switch (set) {
        case Set::Ascii:
        case Set::Roman: // JIS X 0201: its yen sign and overline are where Shift-JIS has them
            out.Byte(byte);
            ++pos;
            break;
        case Set::Kana:
            if (byte <= 0x5F) out.Byte(static_cast<unsigned char>(byte + 0x80));
            else out.NoCharacter();
            ++pos;
            break;
        case Set::OtherSingle:
            out.NoCharacter();
            ++pos;
            break;
        case Set::Jis0208:
        case Set::OtherDouble:
            // Half a character, cut by a control or the end, is broken.
            if (pos + 1 >= size || !Graphic(in[pos + 1])) {
                out.NoCharacter();
                ++pos;
                break;
            }
            if (set == Set::OtherDouble) {
                out.NoCharacter();
                pos += 2;
            } else if (const std::size_t after = out.Run<0x21, false>(in, pos, size); after != pos) {
                pos = after;
            } else {
                out.NoCharacter(); // a cell the code page leaves empty
                pos += 2;
            }
            break;
        }
    }
    return out.Finish();
}

} // namespace japaneseText

// With 文字コードを自動判別 on, each file of a paste is decided on its own:
// UTF-8 or UTF-16 by its byte-order mark, UTF-8 when it is well-formed UTF-8
// with at least one character beyond ASCII, then ISO-2022-JP and EUC-JP
// (japanese_text.h says how), otherwise the ANSI code page as before. A file
// of any of these goes to the editor converted to the ANSI code page; what
// the code page cannot hold is counted, for the user to decide on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fileEncoding {

enum class Encoding { Ansi, Utf8, Utf16LittleEndian, Utf16BigEndian, Iso2022Jp, EucJp };

struct Decision {
    Encoding encoding = Encoding::Ansi;
    // Bytes of the byte-order mark at the start, which are not pasted.
    std::size_t markBytes = 0;
};

// shiftJisSystem: whether the ANSI code page is Shift-JIS (932). Only there
// are ISO-2022-JP and EUC-JP told: their conversion gives Shift-JIS bytes,
// which no other code page reads, and elsewhere the accented letters of the
// system's own code page often pair up as well-formed EUC-JP.
Decision DecideEncoding(std::string_view bytes, bool shiftJisSystem) noexcept;
Decision DecideEncoding(std::string_view bytes) noexcept; // on this system

// Whether a file that starts with these bytes (its first two, or all it has)
// is UTF-16 by its mark: only such a file may hold NUL bytes as text.
bool StartsAsUtf16(std::string_view start) noexcept;

// The largest file converted. At its peak the paste of one such file holds
// the file, its 16-bit form (twice the bytes, should the round trip through
// the code page need it) and the ANSI text (as many bytes again): four times
// the file, 1 GiB at this size, half of what a 32-bit process has, which
// leaves room for the program, the rest of the paste and a fragmented
// address space.
inline constexpr std::uint64_t kMaxConvertedFile = std::uint64_t{256} << 20;

// A selected file whose text holds characters the code page cannot.
struct LossyFile {
    std::wstring path;
    std::size_t characters = 0;
    std::int64_t firstLine = 0; // 1-based
};

// The file's bytes as the editor is to get them: bytes decided as ANSI are
// returned as they are; any other file's text in the ANSI code page, with
// the system's default character for what the code page cannot hold, and
// the file added to lossy. Empty when the system cannot convert to its code
// page.
std::optional<std::string> TextForPaste(const std::wstring& path, std::string bytes, std::vector<LossyFile>& lossy);

// 1-based line of the byte at offset of ANSI text; CR LF, LF and a lone CR
// end a line (neither is ever the second byte of a double-byte character).
std::int64_t LineAt(std::string_view ansi, std::size_t offset) noexcept;

} // namespace fileEncoding

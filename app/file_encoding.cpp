#include "app/file_encoding.h"

#include "app/japanese_text.h"
#include "platform/code_page.h"
#include "platform/unicode.h"
#include "platform/win32_error.h"

#include <algorithm>
#include <utility>

namespace fileEncoding {

namespace {

bool StartsWith(std::string_view bytes, std::string_view mark) noexcept
{
    return bytes.substr(0, mark.size()) == mark;
}

platform::UnicodeForm FormOf(Encoding encoding) noexcept
{
    switch (encoding) {
    case Encoding::Utf16LittleEndian: return platform::UnicodeForm::Utf16LittleEndian;
    case Encoding::Utf16BigEndian: return platform::UnicodeForm::Utf16BigEndian;
    default: return platform::UnicodeForm::Utf8;
    }
}

} // namespace

Decision DecideEncoding(std::string_view bytes) noexcept
{
    return DecideEncoding(bytes, platform::AnsiIsShiftJis());
}

Decision DecideEncoding(std::string_view bytes, bool shiftJisSystem) noexcept
{
    if (StartsWith(bytes, "\xEF\xBB\xBF")) return {Encoding::Utf8, 3};
    if (StartsWith(bytes, "\xFF\xFE")) return {Encoding::Utf16LittleEndian, 2};
    if (StartsWith(bytes, "\xFE\xFF")) return {Encoding::Utf16BigEndian, 2};
    // Plain ASCII reads the same either way, and Shift-JIS text is almost
    // never well-formed UTF-8 once it has a double-byte character.
    const platform::Utf8Shape shape = platform::ScanUtf8(bytes);
    if (shape.wellFormed && shape.multiByte) return {Encoding::Utf8, 0};
    if (shiftJisSystem && japaneseText::IsIso2022Jp(bytes)) return {Encoding::Iso2022Jp, 0};
    if (shiftJisSystem && japaneseText::IsEucJp(bytes)) return {Encoding::EucJp, 0};
    return {Encoding::Ansi, 0};
}

bool StartsAsUtf16(std::string_view start) noexcept
{
    return StartsWith(start, "\xFF\xFE") || StartsWith(start, "\xFE\xFF");
}

std::optional<std::string> TextForPaste(const std::wstring& path, std::string bytes, std::vector<LossyFile>& lossy)
{
    const Decision decision = DecideEncoding(bytes);
    // A paste may be many megabytes: the bytes move, they are not copied.
    if (decision.encoding == Encoding::Ansi) return std::optional<std::string>(std::move(bytes));
    if (decision.encoding == Encoding::Iso2022Jp || decision.encoding == Encoding::EucJp) {
        const auto convert = decision.encoding == Encoding::EucJp ? japaneseText::EucJpToShiftJis
                                                                  : japaneseText::Iso2022JpToShiftJis;
        japaneseText::ShiftJisText converted =
            convert(bytes, platform::IsDoubleByteCharacter, platform::DefaultCharacter());
        if (converted.unrepresentable > 0)
            lossy.push_back({path, converted.unrepresentable, LineAt(converted.bytes, converted.firstUnrepresentable)});
        return std::move(converted.bytes);
    }
    const std::string_view text = std::string_view(bytes).substr(decision.markBytes);
    platform::AnsiConversion converted;
    try {
        converted = platform::UnicodeToAnsi(text, FormOf(decision.encoding));
    } catch (const platform::Win32Error&) {
        return std::nullopt;
    }
    if (converted.unrepresentable > 0)
        lossy.push_back({path, converted.unrepresentable, LineAt(converted.ansi, converted.firstUnrepresentable)});
    return std::move(converted.ansi);
}

std::int64_t LineAt(std::string_view ansi, std::size_t offset) noexcept
{
    const std::size_t end = std::min(offset, ansi.size());
    std::int64_t line = 1;
    for (std::size_t i = 0; i < end; ++i) {
        if (ansi[i] == '\n') ++line;
        else if (ansi[i] == '\r' && (i + 1 >= ansi.size() || ansi[i + 1] != '\n')) ++line;
    }
    return line;
}

} // namespace fileEncoding

#include "app/paste_report.h"

#include "app/texts.h"
#include "bridge/kest_terapad.h"
#include "platform/code_page.h"
#include "platform/win32_error.h"

#include <new>
#include <string_view>
#include <unordered_set>

namespace pasteReport {

namespace {

// The drive and first folders; the rest of the room goes to the file's end.
constexpr std::size_t kShownPathHead = 40;

const wchar_t* ReasonText(paste::Problem problem) noexcept
{
    using paste::Problem;
    switch (problem) {
    case Problem::NotFound: return texts::kReasonNotFound;
    case Problem::AccessDenied: return texts::kReasonAccessDenied;
    case Problem::Locked: return texts::kReasonLocked;
    case Problem::IsFolder: return texts::kReasonIsFolder;
    case Problem::TooLarge: return texts::kReasonTooLarge;
    case Problem::NotRegular: return texts::kReasonNotRegular;
    case Problem::SizeChanged: return texts::kReasonSizeChanged;
    case Problem::ContainsNul: return texts::kReasonContainsNul;
    case Problem::CannotConvert: return texts::kReasonCannotConvert;
    case Problem::TooLargeToConvert: return texts::kReasonTooLargeToConvert;
    case Problem::ReadFailed: break;
    }
    return texts::kReasonReadFailed;
}

// Each file named once, the first kNamedFiles with the line detail gives, then
// how many more there are. The list may hold 32767 entries, the same file many
// times: a set keeps this linear.
template <class File, class Detail>
std::wstring NamedFiles(const std::vector<File>& files, Detail detail, const wchar_t* restBefore,
                        const wchar_t* restAfter)
{
    std::wstring text;
    std::unordered_set<std::wstring_view> named;
    std::size_t rest = 0;
    for (const File& file : files) {
        if (!named.insert(file.path).second) continue;
        if (named.size() > kNamedFiles) {
            ++rest;
            continue;
        }
        text += L"\r\n" + ShownPath(file.path) + L"\r\n" + detail(file);
    }
    if (rest > 0) text += L"\r\n\r\n" + (restBefore + std::to_wstring(rest)) + restAfter;
    return text;
}

} // namespace

std::wstring ShownPath(const std::wstring& path)
{
    if (path.size() <= kShownPathChars) return path;
    const auto isHigh = [](wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; };
    const auto isLow = [](wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
    std::size_t head = kShownPathHead;
    if (isHigh(path[head - 1])) --head;
    std::size_t tail = path.size() - (kShownPathChars - 1 - kShownPathHead);
    if (isLow(path[tail])) ++tail;
    return path.substr(0, head) + L"\x2026" + path.substr(tail);
}

std::wstring UnpastableFilesMessage(const std::vector<paste::UnpastableFile>& files)
{
    const auto reason = [](const paste::UnpastableFile& file) {
        return texts::kUnreadableReasonPrefix + std::wstring(ReasonText(file.why));
    };
    return texts::kUnreadableHeader + std::wstring(L"\r\n") +
           NamedFiles(files, reason, texts::kUnreadableRestBefore, texts::kUnreadableRestAfter);
}

std::wstring LossyFilesMessage(const std::vector<fileEncoding::LossyFile>& files)
{
    const auto counted = [](const fileEncoding::LossyFile& file) {
        return texts::kLossyCountPrefix + std::to_wstring(file.characters) + texts::kLossyLinePrefix +
               std::to_wstring(file.firstLine) + texts::kLossyLineSuffix;
    };
    return texts::kLossyHeader + std::wstring(L"\r\n") +
           NamedFiles(files, counted, texts::kLossyRestBefore, texts::kLossyRestAfter) + L"\r\n\r\n" +
           texts::kLossyQuestion;
}

std::wstring UnexpectedErrorMessage(const std::exception* error)
{
    if (dynamic_cast<const std::bad_alloc*>(error)) return texts::kOutOfMemory;
    std::wstring text = texts::kUnexpectedError;
    // The platform's errors name the call and the system's code, the bridge's
    // say what the editor did; any other exception's text is the library's,
    // such as a type's name, which tells a user nothing.
    if (dynamic_cast<const platform::Win32Error*>(error) || dynamic_cast<const BridgeError*>(error))
        text += platform::FromAnsi(error->what());
    return text;
}

} // namespace pasteReport

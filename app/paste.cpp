#include "app/paste.h"

#include "bridge/kest_terapad.h"
#include "platform/code_page.h"
#include "platform/file_access.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <tuple>
#include <utility>

namespace paste {

namespace {

Problem ProblemOf(platform::FileReadError::Reason reason, bool autoEncoding) noexcept
{
    using Reason = platform::FileReadError::Reason;
    switch (reason) {
    case Reason::NotFound: return Problem::NotFound;
    case Reason::AccessDenied: return Problem::AccessDenied;
    case Reason::Locked: return Problem::Locked;
    case Reason::IsFolder: return Problem::IsFolder;
    // With the option on, the limit asked of the read is the conversion's.
    case Reason::TooLarge: return autoEncoding ? Problem::TooLargeToConvert : Problem::TooLarge;
    case Reason::NotRegular: return Problem::NotRegular;
    case Reason::SizeChanged: return Problem::SizeChanged;
    case Reason::ReadFailed: break;
    }
    return Problem::ReadFailed;
}

// Thrown from inside the read to stop it at the first NUL.
struct NulSeen {};

// Thrown when the system cannot convert a UTF file's text.
struct NotConverted {};

// Sees each part of a file as it is read, and stops the read at the first
// NUL of a file whose text cannot hold one: any file with the option off, and
// with it on any file but UTF-16, which only its first two bytes make it.
// A file of zeros is then told at once, not after reading gigabytes.
class NulWatch {
public:
    explicit NulWatch(bool autoEncoding) : m_mayBeUtf16(autoEncoding) {}

    void operator()(std::string_view part)
    {
        if (m_mayBeUtf16 && m_start.size() < 2) {
            m_start += part.substr(0, 2 - m_start.size());
            if (m_start.size() == 2) m_mayBeUtf16 = fileEncoding::StartsAsUtf16(m_start);
        }
        if (!m_mayBeUtf16 && platform::ContainsNul(part)) throw NulSeen{};
    }

private:
    bool m_mayBeUtf16;
    std::string m_start;
};

} // namespace

// The text is kept in the editor's own ANSI form: each file's bytes as
// reading them as text and writing them back gives, which for almost every
// file is the bytes themselves. A paste may be many megabytes, and this
// spares converting all of it to 16-bit text and back again.
Collected Collect(const std::vector<std::wstring>& paths, const std::vector<bool>& selected, const Reading& reading)
{
    const bool autoEncoding = reading.autoEncoding;
    Collected result;
    const std::size_t count = std::min(paths.size(), selected.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (!selected[i]) continue;
        const std::wstring& path = paths[i];
        try {
            std::string bytes = platform::ReadWholeFile(
                path, NulWatch(autoEncoding), autoEncoding ? fileEncoding::kMaxConvertedFile : platform::kMaxReadableFile);
            if (autoEncoding) {
                std::optional<std::string> text = fileEncoding::TextForPaste(path, std::move(bytes), result.lossy);
                if (!text) throw NotConverted{};
                bytes = std::move(*text);
            }
            // With the option on, the rule looks at the converted text.
            if (platform::ContainsNul(bytes)) throw NulSeen{};
            // Each file on its own: a lone lead byte at a file's end must not
            // pair with the next file's first byte.
            bytes = platform::RoundTripAnsi(std::move(bytes));
            if (reading.crLfLineEnds) bytes = WithCrLfLineEnds(std::move(bytes));
            // The last line of one file and the first of the next would
            // otherwise become one line; an empty file is no line at all.
            if (reading.breakBetweenFiles && !bytes.empty() && !result.text.empty() && result.text.back() != '\n' &&
                result.text.back() != '\r')
                result.text += "\r\n";
            if (result.text.empty()) result.text = std::move(bytes);
            else result.text += bytes;
        } catch (const NulSeen&) {
            result.unpastable.push_back({path, Problem::ContainsNul});
        } catch (const NotConverted&) {
            result.unpastable.push_back({path, Problem::CannotConvert});
        } catch (const platform::FileReadError& failure) {
            result.unpastable.push_back({path, ProblemOf(failure.Why(), autoEncoding)});
        }
    }
    return result;
}

std::string WithCrLfLineEnds(std::string ansi)
{
    std::size_t added = 0;
    const std::size_t size = ansi.size();
    for (std::size_t i = 0; i < size; ++i) {
        if (ansi[i] == '\n') ++added;
        else if (ansi[i] == '\r' && (i + 1 == size || ansi[i + 1] != '\n')) ++added;
        else if (ansi[i] == '\r') ++i; // CR LF stays
    }
    // Most files already have CR LF: they are returned as they are.
    if (added == 0) return ansi;
    std::string text;
    text.reserve(size + added);
    for (std::size_t i = 0; i < size; ++i) {
        const char byte = ansi[i];
        if (byte == '\n') {
            text += "\r\n";
        } else if (byte == '\r') {
            text += "\r\n";
            if (i + 1 < size && ansi[i + 1] == '\n') ++i;
        } else {
            text += byte;
        }
    }
    return text;
}

bool CaretProvesWhole(const EditorState& before, std::size_t sent, std::int32_t start, std::int32_t end) noexcept
{
    const std::int64_t from = std::min(before.start, before.end);
    return start == end && start == from + static_cast<std::int64_t>(sent);
}

// An editor that went away, is read-only or keeps fewer bytes than it was
// sent must not leave a paste that looks done; and the user may type into
// the editor while the paste is on its way, so nothing is concluded that the
// editor's state does not prove. A paste that went in whole leaves the caret
// right after it, or at least the document longer by exactly its bytes. It
// was cut short when the document grew by fewer bytes and the caret stands
// right after the part kept: a paste sent in one message, one edit to the
// editor, is then taken back. Anything else is another edit in between: an
// undo would take back that one, so the user is only told to check.
Outcome Judge(const EditorState& before, std::size_t sent, std::size_t messages, const EditorState& after) noexcept
{
    if (CaretProvesWhole(before, sent, after.start, after.end)) return Outcome::Whole;
    if (after.length < 0) return Outcome::EditorGone;
    const std::int64_t from = std::min(before.start, before.end);
    const std::int64_t bytes = static_cast<std::int64_t>(sent);
    const std::int64_t replaced = std::max(before.start, before.end) - from;
    const std::int64_t kept = std::int64_t{after.length} - (std::int64_t{before.length} - replaced);
    // Before the length test: a refused paste of as many bytes as were
    // selected leaves the length as a whole one would.
    if (after.length == before.length && after.start == before.start && after.end == before.end)
        return Outcome::Refused;
    if (kept == bytes) return Outcome::Whole; // only the caret moved since
    const bool cutShort = after.start == after.end && kept >= 0 && kept < bytes && after.start == from + kept;
    if (!cutShort) return Outcome::Unconfirmed;
    // Many pieces, and how many of them changed the document is unknown:
    // undoing a guessed number could take back the user's own edits.
    return messages > 1 ? Outcome::Partial : Outcome::TakenBack;
}

Outcome Deliver(clsKestTeraPad& editor, std::string text, Mode mode)
{
    // Nothing to deliver must not delete the editor's selection.
    if (text.empty()) return Outcome::Whole;
    EditorState before;
    if (mode == Mode::AtCursor) {
        std::tie(before.start, before.end) = editor.Selection();
        before.length = editor.Length();
    } else {
        // At the caret after the last byte: the document is never rewritten.
        before.length = editor.Length();
        editor.SelStart(before.length);
        before.start = before.end = before.length;
    }
    const std::size_t sent = text.size();
    const std::size_t messages = editor.SelTextAnsi(std::move(text));

    if (!editor.HadTeraPad()) return Outcome::EditorGone;
    EditorState after;
    std::tie(after.start, after.end) = editor.Selection();
    if (CaretProvesWhole(before, sent, after.start, after.end)) return Outcome::Whole;
    after.length = editor.Length();
    const Outcome outcome = Judge(before, sent, messages, after);
    if (outcome == Outcome::TakenBack) editor.UndoLastEdit();
    return outcome;
}

} // namespace paste

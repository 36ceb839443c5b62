// The editor's whole text and its selected text. The NT family moves either
// in one message; Windows 95, 98 and Me move at most about 32 KB per message,
// and under Wine a replacement must not exceed 64 KB (see ReplacementPiece),
// so there long texts go in pieces that never split a double-byte character.
//
// Everything here works on the ANSI byte form, converted once at the edge:
// the editor counts bytes, and cutting 16 MB by re-converting the rest for
// every piece would cost time quadratic in the text.
#include "bridge/kest_terapad.h"
#include "bridge/detail/byte_positions.h"
#include "bridge/terapad_interface.h"

#include "platform/code_page.h"
#include "platform/system_version.h"
#include "platform/window_messages.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using bridgedetail::Add32;
using bridgedetail::MidBytes;

namespace {

// Which byte positions of a text start a character, from one forward scan:
// only a scan from the start tells a trail byte from a lead byte, and the
// rebuild below asks about positions from the end backwards.
class CharStarts {
public:
    explicit CharStarts(std::string_view ansi) : m_starts(ansi.size() + 1, false)
    {
        std::size_t pos = 0;
        while (pos < ansi.size()) {
            m_starts[pos] = true;
            pos += platform::IsLeadByte(static_cast<unsigned char>(ansi[pos])) ? 2 : 1;
        }
        m_starts[ansi.size()] = true;
    }
    bool operator()(std::size_t pos) const { return m_starts[pos]; }

private:
    std::vector<bool> m_starts;
};

// Start of the rebuild piece that ends at end: the last `kept` bytes before
// it, less a stray trail byte at its front (that character goes whole into
// the next piece).
std::size_t RebuildPieceStart(const CharStarts& starts, std::size_t end, std::size_t kept)
{
    if (end < kept) return 0;
    std::size_t start = end - kept;
    if (!starts(start)) ++start;
    return start;
}

} // namespace

// --- reading -------------------------------------------------------------------

std::wstring clsKestTeraPad::Text()
{
    if (!IsTeraPadWindow(m_hWnd)) return {};
    return platform::FromAnsi(ReadTextBytes());
}

std::string clsKestTeraPad::ReadTextBytes()
{
    const HWND edit = GetEditHandle();
    const std::int32_t length = Length();
    if (IsNtFamily() || length < terapad::kMaxTextInOne) {
        const std::int32_t size = std::max(length, std::int32_t{0});
        const std::int32_t bufferSize = Add32(size, 1);
        // size NULs plus the string's own terminator: the buffer the editor
        // fills, read in place without a second copy.
        std::string text(static_cast<std::size_t>(size), '\0');
        platform::Send(edit, WM_GETTEXT, static_cast<WPARAM>(bufferSize), reinterpret_cast<LPARAM>(text.data()));
        const std::size_t nul = text.find('\0');
        if (nul != std::string::npos) text.resize(nul);
        return text;
    }
    return ReadTextPiecewise(edit);
}

// Reads by selecting, reading and deleting the first 32759 bytes until the
// document is empty, then undoes exactly those deletions and puts the
// selection back.
//
// A double-byte character can straddle byte 32759. Deleting bytes 0..32759
// would then split it, and what arrives of its first half depends on the
// editor and on the message transport (Wine converts cross-process text
// through Unicode). So each pass keeps only the complete characters it
// received, and when that is fewer than the selection, selects exactly those
// bytes again before deleting: every pass deletes what it read, the next one
// starts on a character boundary, and the raw bytes are converted once at the
// end. A pass that deletes nothing, or not what it read, would give a text
// that differs from the document: the deletions made so far are undone and
// the read fails instead.
std::string clsKestTeraPad::ReadTextPiecewise(HWND edit)
{
    const std::int32_t selStart = SelStart();
    const std::int32_t selEnd = Add32(selStart, SelLength());

    std::string text;
    constexpr auto kPiece = static_cast<std::size_t>(terapad::kTextPiece);
    std::string buffer(kPiece, '\0');
    std::int32_t deletions = 0;
    bool endedAtNul = false;

    const auto restore = [&] {
        for (std::int32_t i = 0; i < deletions; ++i) Edit(EM_UNDO);
        SelSet(selStart, selEnd);
    };

    std::int32_t remaining = Length();
    if (remaining > 0) text.reserve(static_cast<std::size_t>(remaining));
    while (remaining > 0) {
        SelSet(0, terapad::kTextPiece);
        std::fill(buffer.begin(), buffer.end(), '\0');
        platform::Send(edit, WM_GETTEXT, kPiece + 1, reinterpret_cast<LPARAM>(buffer.data()));

        const std::size_t wanted = std::min(static_cast<std::size_t>(remaining), kPiece);
        const std::size_t received = std::min(buffer.find('\0'), kPiece);
        const bool leavesBytesBehind = static_cast<std::size_t>(remaining) > kPiece;
        std::size_t take = wanted;
        if (received == wanted) {
            if (leavesBytesBehind) take = platform::CompleteCharsPrefix(buffer, received);
        } else if (received + 1 == wanted && leavesBytesBehind) {
            // The straddling half was held back on the way.
            take = received;
        }
        // Any other shortfall is a NUL in the document, which ends the text
        // read; the passes still run so that the undos restore everything.
        if (!endedAtNul) text.append(buffer, 0, std::min(take, received));
        if (received < take) endedAtNul = true;

        if (take != wanted) SelSet(0, static_cast<std::int32_t>(take));
        Edit(WM_CLEAR);

        const std::int32_t after = Length();
        // The editor went away: nothing to restore, and no editor has no text.
        if (after < 0 || !IsTeraPadWindow(m_hWnd)) return {};
        if (after >= remaining) {
            restore();
            throw BridgeError("TeraPad did not delete the text being read (read-only document?); "
                              "the document is as it was");
        }
        ++deletions;
        if (static_cast<std::size_t>(remaining - after) != take) {
            restore();
            throw BridgeError("TeraPad deleted other bytes than the ones read; the document is as it was");
        }
        remaining = after;
    }
    restore();
    return text;
}

std::wstring clsKestTeraPad::SelText()
{
    if (!IsTeraPadWindow(m_hWnd)) return {};
    const std::string text = ReadTextBytes();
    // Read after the text: the piecewise read has put the selection back.
    const std::int32_t start = SelStart();
    const std::int32_t length = SelLength();
    return platform::FromAnsi(MidBytes(text, Add32(start, 1), length));
}

// --- writing -------------------------------------------------------------------

std::optional<std::size_t> ReplacementPiece(std::size_t bytes, Replacement what, const std::wstring& windowsName,
                                            bool underWine)
{
    std::optional<std::size_t> piece;
    if (what == Replacement::Selection && !IsNtFamilyName(windowsName) &&
        bytes > static_cast<std::size_t>(terapad::kMaxTextInOne))
        piece = static_cast<std::size_t>(terapad::kTextPiece);
    // Measured under Wine 8.0: a receiver linked with a 1 MB stack took an
    // EM_REPLACESEL of 519,687 bytes and died on 519,843 (the text arrives as
    // UTF-16, twice its ANSI size). 64 KB pieces put 128 KB on that stack,
    // an eighth of it, leaving the editor's own frames plenty; 16 MB in such
    // pieces took no longer than in 32 KB or 256 KB ones.
    if (underWine && bytes > kWineReplacementPiece) piece = std::min(piece.value_or(kWineReplacementPiece), kWineReplacementPiece);
    return piece;
}

std::optional<std::size_t> clsKestTeraPad::PieceFor(std::size_t bytes, Replacement what) const
{
    return ReplacementPiece(bytes, what, GetWindowsName(), platform::RunsUnderWine());
}

void clsKestTeraPad::Text(const std::wstring& NewValue)
{
    if (!IsTeraPadWindow(m_hWnd)) return;
    std::string ansi = platform::ToAnsi(NewValue);
    // The first message carries the whole text, or its first piece where one
    // message must not carry it all.
    const std::optional<std::size_t> piece = PieceFor(ansi.size(), Replacement::WholeText);
    std::size_t first = ansi.size();
    if (piece) {
        // One message stops at a NUL; the pieces must stop there too.
        if (const std::size_t nul = ansi.find('\0'); nul != std::string::npos) ansi.resize(nul);
        first = platform::CompleteCharsPrefix(ansi, *piece);
    }
    Edit(EM_SETSEL, std::int32_t{-1});
    if (first == ansi.size()) ReplaceSelection(ansi.c_str());
    else ReplaceSelectionWithPiece(ansi, 0, first);
    // An editor with a size limit keeps only the first f bytes: rebuild the
    // text from its end in pieces of at most f bytes, each put in at the front.
    const std::int32_t kept = Length();
    if (kept < 0) return; // the editor went away
    if (static_cast<std::size_t>(kept) < first) {
        const std::size_t pieceBytes = static_cast<std::size_t>(kept);
        const CharStarts starts(ansi);
        // Every piece is planned before the first one is sent: a rebuild that
        // would stall half way must not leave a half-built document.
        bool canFinish = pieceBytes > 0;
        for (std::size_t end = ansi.size(); canFinish && end > 0;) {
            const std::size_t start = RebuildPieceStart(starts, end, pieceBytes);
            canFinish = start < end;
            end = start;
        }
        Edit(EM_UNDO);
        if (!canFinish) {
            if (!IsTeraPadWindow(m_hWnd)) return;
            throw BridgeError("TeraPad keeps too little of a replacement to rebuild the text in pieces; "
                              "the document is as it was");
        }
        Edit(EM_SETSEL, std::int32_t{-1});
        for (std::size_t end = ansi.size(); end > 0;) {
            const std::size_t start = RebuildPieceStart(starts, end, pieceBytes);
            ReplaceSelectionWithPiece(ansi, start, end);
            SelStart(0);
            end = start;
        }
    } else if (first < ansi.size()) {
        // The editor took the whole first piece: the rest follows at the
        // caret in pieces no longer than that one, which it is known to keep.
        for (std::size_t begin = first; begin < ansi.size();) {
            const std::string_view rest = std::string_view(ansi).substr(begin);
            const std::size_t length = rest.size() > first ? platform::CompleteCharsPrefix(rest, first) : rest.size();
            ReplaceSelectionWithPiece(ansi, begin, begin + length);
            begin += length;
        }
    }
    // Byte 1, not 0, even for an empty document.
    SelSet(1, 1);
}

void clsKestTeraPad::SelText(const std::wstring& NewValue)
{
    if (!IsTeraPadWindow(m_hWnd)) return;
    SelTextAnsi(platform::ToAnsi(NewValue));
}

std::size_t clsKestTeraPad::SelTextAnsi(std::string ansi)
{
    if (!IsTeraPadWindow(m_hWnd)) return 0;
    const std::optional<std::size_t> piece = PieceFor(ansi.size(), Replacement::Selection);
    if (!piece) {
        ReplaceSelection(ansi.c_str());
        return 1;
    }
    // The one-message send stops at a NUL; the pieces must stop there too.
    if (const std::size_t nul = ansi.find('\0'); nul != std::string::npos) ansi.resize(nul);
    // Each piece goes in at the caret, which the previous one left right
    // after itself. On the 9x family a rest of exactly 32760 bytes is still
    // cut: the one-message limit applies to the whole text only.
    std::size_t messages = 0;
    for (std::size_t begin = 0; begin < ansi.size(); ++messages) {
        const std::string_view rest = std::string_view(ansi).substr(begin);
        const std::size_t length = rest.size() > *piece ? platform::CompleteCharsPrefix(rest, *piece) : rest.size();
        ReplaceSelectionWithPiece(ansi, begin, begin + length);
        begin += length;
    }
    return messages;
}

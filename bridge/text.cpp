// The editor's whole text and its selected text. The NT family moves either
// in one message; Windows 95, 98 and Me move at most about 32 KB per message,
// so there long texts go in pieces that never split a double-byte character.
//
// Everything here works on the ANSI byte form, converted once at the edge:
// the editor counts bytes, and cutting 16 MB by re-converting the rest for
// every piece would cost time quadratic in the text.
#include "bridge/kest_terapad.h"
#include "bridge/terapad_interface.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t kReadPiece = terapad::kReadPiece;
constexpr std::int32_t kReadPieceEnd = terapad::kReadPiece;
constexpr std::size_t kInsertInOne = terapad::kMaxInsertInOne;
constexpr std::size_t kInsertPiece = terapad::kInsertPiece;

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
    if (IsNtFamily() || length <= terapad::kMaxReadInOne) {
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
    std::string buffer(kReadPiece, '\0');
    std::int32_t deletions = 0;
    bool endedAtNul = false;

    const auto restore = [&] {
        for (std::int32_t i = 0; i < deletions; ++i) Edit(EM_UNDO);
        SelSet(selStart, selEnd);
    };

    std::int32_t remaining = Length();
    if (remaining > 0) text.reserve(static_cast<std::size_t>(remaining));
    while (remaining > 0) {
        SelSet(0, kReadPieceEnd);
        std::fill(buffer.begin(), buffer.end(), '\0');
        platform::Send(edit, WM_GETTEXT, kReadPiece + 1, reinterpret_cast<LPARAM>(buffer.data()));

        const std::size_t wanted = std::min(static_cast<std::size_t>(remaining), kReadPiece);
        const std::size_t received = std::min(buffer.find('\0'), kReadPiece);
        const bool leavesBytesBehind = static_cast<std::size_t>(remaining) > kReadPiece;
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

void clsKestTeraPad::Text(const std::wstring& NewValue)
{
    if (!IsTeraPadWindow(m_hWnd)) return;
    std::string ansi = platform::ToAnsi(NewValue);
    Edit(EM_SETSEL, std::int32_t{-1});
    ReplaceSelection(ansi.c_str());
    // An editor with a size limit keeps only the first f bytes: rebuild the
    // text from its end in pieces of at most f bytes, each put in at the front.
    const std::int32_t kept = Length();
    if (kept < 0) return; // the editor went away
    if (static_cast<std::size_t>(kept) < ansi.size()) {
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
    }
    // Byte 1, not 0, even for an empty document.
    SelSet(1, 1);
}

void clsKestTeraPad::SelText(const std::wstring& NewValue)
{
    if (!IsTeraPadWindow(m_hWnd)) return;
    SelTextAnsi(platform::ToAnsi(NewValue));
}

void clsKestTeraPad::SelTextAnsi(std::string ansi)
{
    if (!IsTeraPadWindow(m_hWnd)) return;
    if (IsNtFamily() || ansi.size() <= kInsertInOne) {
        ReplaceSelection(ansi.c_str());
        return;
    }
    // The one-message send stops at a NUL; the pieces must stop there too.
    if (const std::size_t nul = ansi.find('\0'); nul != std::string::npos) ansi.resize(nul);
    // Each piece goes in at the caret, which the previous one left right
    // after itself. A rest of exactly 32760 bytes is still cut: the one-message
    // limit applies to the whole text only.
    for (std::size_t begin = 0; begin < ansi.size();) {
        const std::string_view rest = std::string_view(ansi).substr(begin);
        const std::size_t length = rest.size() >= kInsertInOne ? platform::CompleteCharsPrefix(rest, kInsertPiece) : rest.size();
        ReplaceSelectionWithPiece(ansi, begin, begin + length);
        begin += length;
    }
}

// The stand-in's document: ANSI bytes, a selection, a line table and an undo
// stack of deltas. Every position is a byte offset into the ANSI text, as
// TeraPad's editing control counts them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

class Document {
public:
    Document();

    const std::string& Text() const noexcept { return m_text; }
    std::size_t Length() const noexcept { return m_text.size(); }

    // The selection is anchor..caret in either order; SelStart/SelEnd are ordered.
    std::size_t SelStart() const noexcept { return m_anchor < m_caret ? m_anchor : m_caret; }
    std::size_t SelEnd() const noexcept { return m_anchor < m_caret ? m_caret : m_anchor; }
    std::size_t Caret() const noexcept { return m_caret; }
    bool HasSelection() const noexcept { return m_anchor != m_caret; }
    std::string_view SelectedText() const noexcept;

    // EM_SETSEL semantics: start -1 deselects and keeps the caret; an end of
    // -1 or past the text means the end; both are clamped; an endpoint inside
    // a double-byte character snaps back to that character's first byte.
    void SetSelection(long start, long end);
    // Moves the caret (and the anchor too unless extending).
    void MoveCaret(std::size_t position, bool extend);

    // One edit: the selection is replaced and the caret stands after the
    // inserted bytes. Recorded for undo. Returns false in read-only mode.
    bool ReplaceSelection(std::string_view bytes);
    // Deletes the selection; an empty selection is no edit and returns false.
    bool DeleteSelection();
    // Takes back the latest edit; the caret then stands after the restored bytes.
    bool Undo();
    bool CanUndo() const noexcept { return !m_readOnly && !m_undo.empty(); }

    // Replaces everything as WM_SETTEXT does: no undo record, undo emptied,
    // caret at 0, unmodified.
    void Reset(std::string bytes);

    bool Modified() const noexcept { return m_modified; }
    void SetModified(bool modified) noexcept { m_modified = modified; }
    bool ReadOnly() const noexcept { return m_readOnly; }
    void SetReadOnly(bool readOnly) noexcept { m_readOnly = readOnly; }
    std::size_t UndoDepth() const noexcept { return m_undo.size(); }
    long long EditCount() const noexcept { return m_editCount; }

    // Lines end after each LF; a text of n LFs has n + 1 lines.
    std::size_t LineCount() const noexcept { return m_lineFeeds.size() + 1; }
    std::optional<std::size_t> LineStart(std::size_t line) const noexcept;
    std::size_t LineOf(std::size_t position) const noexcept;
    // Bytes of the line without its CR LF (or LF).
    std::size_t LineLength(std::size_t line) const noexcept;

    // Character navigation in the double-byte code page.
    bool IsLead(unsigned char byte) const noexcept { return m_lead[byte]; }
    std::size_t SnapToCharStart(std::size_t position) const noexcept;
    std::size_t NextCharEnd(std::size_t position) const noexcept;  // after the character at position
    std::size_t PrevCharStart(std::size_t position) const noexcept; // start of the character before position
    // The longest prefix of bytes of at most maxBytes that ends on a character boundary.
    std::size_t WholeCharsPrefix(std::string_view bytes, std::size_t maxBytes) const noexcept;

private:
    struct Edit {
        std::size_t position;
        std::string removed;
        std::string inserted;
    };

    void Splice(std::size_t position, std::size_t removeCount, std::string_view inserted);
    void RebuildLines();

    std::string m_text;
    std::size_t m_anchor = 0;
    std::size_t m_caret = 0;
    std::vector<Edit> m_undo;
    std::vector<std::size_t> m_lineFeeds; // positions of every LF, ascending
    bool m_modified = false;
    bool m_readOnly = false;
    long long m_editCount = 0;
    bool m_lead[256] = {};
};

} // namespace standin

#include "document.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace standin {

Document::Document()
{
    // The lead bytes of the system's ANSI code page, once: the document is
    // scanned byte by byte and a call per byte would cost on 16 MB.
    for (int b = 0; b < 256; ++b) m_lead[b] = ::IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE;
}

std::string_view Document::SelectedText() const noexcept
{
    return std::string_view(m_text).substr(SelStart(), SelEnd() - SelStart());
}

// A byte that is not a lead byte always ends a character, so the character
// boundaries after it are known; the run of lead-valued bytes up to the
// position then pairs off from its start. That keeps a snap on a 16 MB text
// local instead of a scan from the beginning.
std::size_t Document::SnapToCharStart(std::size_t position) const noexcept
{
    if (position == 0 || position >= m_text.size()) return std::min(position, m_text.size());
    std::size_t runStart = position;
    while (runStart > 0 && m_lead[static_cast<unsigned char>(m_text[runStart - 1])]) --runStart;
    return ((position - runStart) % 2 == 1) ? position - 1 : position;
}

std::size_t Document::NextCharEnd(std::size_t position) const noexcept
{
    if (position >= m_text.size()) return m_text.size();
    const std::size_t width = (m_lead[static_cast<unsigned char>(m_text[position])] && position + 1 < m_text.size()) ? 2 : 1;
    return position + width;
}

std::size_t Document::PrevCharStart(std::size_t position) const noexcept
{
    if (position == 0) return 0;
    return SnapToCharStart(position - 1);
}

std::size_t Document::WholeCharsPrefix(std::string_view bytes, std::size_t maxBytes) const noexcept
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t width = (m_lead[static_cast<unsigned char>(bytes[i])] && i + 1 < bytes.size()) ? 2 : 1;
        if (i + width > maxBytes) break;
        i += width;
    }
    return i;
}

void Document::SetSelection(long start, long end)
{
    const std::size_t length = m_text.size();
    if (start == -1) {
        m_anchor = m_caret;
        return;
    }
    auto clamp = [length](long value) -> std::size_t {
        if (value < 0 || static_cast<unsigned long>(value) > length) return length;
        return static_cast<std::size_t>(value);
    };
    std::size_t from = clamp(start);
    std::size_t to = clamp(end);
    if (from > to) std::swap(from, to);
    m_anchor = SnapToCharStart(from);
    m_caret = SnapToCharStart(to);
}

void Document::MoveCaret(std::size_t position, bool extend)
{
    m_caret = SnapToCharStart(std::min(position, m_text.size()));
    if (!extend) m_anchor = m_caret;
}

bool Document::ReplaceSelection(std::string_view bytes)
{
    if (m_readOnly) return false;
    const std::size_t start = SelStart();
    Edit edit{start, std::string(SelectedText()), std::string(bytes)};
    Splice(start, edit.removed.size(), bytes);
    m_undo.push_back(std::move(edit));
    m_anchor = m_caret = start + bytes.size();
    m_modified = true;
    ++m_editCount;
    return true;
}

bool Document::DeleteSelection()
{
    if (!HasSelection()) return false;
    return ReplaceSelection({});
}

bool Document::Undo()
{
    if (!CanUndo()) return false;
    Edit edit = std::move(m_undo.back());
    m_undo.pop_back();
    Splice(edit.position, edit.inserted.size(), edit.removed);
    m_anchor = m_caret = edit.position + edit.removed.size();
    m_modified = true;
    return true;
}

void Document::Reset(std::string bytes)
{
    m_text = std::move(bytes);
    m_undo.clear();
    m_anchor = m_caret = 0;
    m_modified = false;
    RebuildLines();
}

std::optional<std::size_t> Document::LineStart(std::size_t line) const noexcept
{
    if (line == 0) return 0;
    if (line > m_lineFeeds.size()) return std::nullopt;
    return m_lineFeeds[line - 1] + 1;
}

std::size_t Document::LineOf(std::size_t position) const noexcept
{
    return static_cast<std::size_t>(std::lower_bound(m_lineFeeds.begin(), m_lineFeeds.end(), position) - m_lineFeeds.begin());
}

std::size_t Document::LineLength(std::size_t line) const noexcept
{
    const std::optional<std::size_t> start = LineStart(line);
    if (!start) return 0;
    std::size_t end = line < m_lineFeeds.size() ? m_lineFeeds[line] : m_text.size();
    if (end > *start && line < m_lineFeeds.size() && m_text[end - 1] == '\r') --end;
    return end - *start;
}

// Keeps the LF table in step with the text without a rescan: the LFs in the
// removed range go, the ones after it shift, the inserted ones come in.
void Document::Splice(std::size_t position, std::size_t removeCount, std::string_view inserted)
{
    m_text.replace(position, removeCount, inserted);

    const auto first = std::lower_bound(m_lineFeeds.begin(), m_lineFeeds.end(), position);
    const auto last = std::lower_bound(first, m_lineFeeds.end(), position + removeCount);
    const std::ptrdiff_t shift = static_cast<std::ptrdiff_t>(inserted.size()) - static_cast<std::ptrdiff_t>(removeCount);
    for (auto it = last; it != m_lineFeeds.end(); ++it) *it = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(*it) + shift);

    std::vector<std::size_t> added;
    for (std::size_t i = 0; i < inserted.size(); ++i)
        if (inserted[i] == '\n') added.push_back(position + i);
    const auto at = m_lineFeeds.erase(first, last);
    m_lineFeeds.insert(at, added.begin(), added.end());
}

void Document::RebuildLines()
{
    m_lineFeeds.clear();
    const char* data = m_text.data();
    const char* end = data + m_text.size();
    for (const char* p = data; p < end;) {
        const void* hit = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        if (!hit) break;
        const char* lf = static_cast<const char*>(hit);
        m_lineFeeds.push_back(static_cast<std::size_t>(lf - data));
        p = lf + 1;
    }
}

} // namespace standin

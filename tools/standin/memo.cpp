#include "memo.h"

#include "protocol.h"

#include "platform/handles.h"
#include "platform/win32_error.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace standin {

namespace {

// A line is painted up to this many bytes: a 16 MB document may be one line,
// and the display only ever shows its start.
constexpr std::size_t kMaxPaintedBytes = 1024;
constexpr int kMargin = 4;

struct GlobalMemoryTraits {
    using Type = HGLOBAL;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::GlobalFree(h); }
};
using UniqueGlobalMemory = platform::UniqueResource<GlobalMemoryTraits>;

// The clipboard stays open for one operation only.
class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner)
    {
        // Another program may hold it for a moment.
        for (int attempt = 0; attempt < 10 && !m_open; ++attempt) {
            m_open = ::OpenClipboard(owner) != FALSE;
            if (!m_open) ::Sleep(20);
        }
    }
    ~OpenedClipboard()
    {
        if (m_open) ::CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    explicit operator bool() const noexcept { return m_open; }

private:
    bool m_open = false;
};

class PaintScope {
public:
    explicit PaintScope(HWND hwnd) : m_hwnd(hwnd), m_dc(::BeginPaint(hwnd, &m_paint)) {}
    ~PaintScope() { ::EndPaint(m_hwnd, &m_paint); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC dc() const noexcept { return m_dc; }
    const RECT& area() const noexcept { return m_paint.rcPaint; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_paint{};
    HDC m_dc;
};

class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : m_hwnd(hwnd), m_dc(::GetDC(hwnd)) {}
    ~WindowDc() { ::ReleaseDC(m_hwnd, m_dc); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC dc() const noexcept { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

int TextWidth(HDC dc, std::string_view bytes)
{
    SIZE size{};
    if (!bytes.empty()) ::GetTextExtentPoint32A(dc, bytes.data(), static_cast<int>(bytes.size()), &size);
    return size.cx;
}

long AsLong(WPARAM value) { return static_cast<std::int32_t>(static_cast<std::uintptr_t>(value)); }

} // namespace

void Memo::RegisterClass(HINSTANCE instance)
{
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = s_WndProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_IBEAM));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kMemoClass;
    if (!::RegisterClassA(&wc)) platform::ThrowLastError("RegisterClassA(memo)");
}

Memo::Memo(HWND parent, EditorState& state, MessageLog& log) : m_state(state), m_log(log)
{
    m_font.reset(::CreateFontA(-14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "MS Gothic"));
    // m_window is set at WM_NCCREATE, so that the handlers have it from the start.
    if (!::CreateWindowExA(WS_EX_CLIENTEDGE, kMemoClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, parent,
                           nullptr, ::GetModuleHandleA(nullptr), this))
        platform::ThrowLastError("CreateWindowExA(memo)");
    WindowDc dc(Handle());
    const HGDIOBJ old = ::SelectObject(dc.dc(), m_font.get());
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(dc.dc(), &metrics);
    ::SelectObject(dc.dc(), old);
    m_lineHeight = std::max<int>(1, metrics.tmHeight + metrics.tmExternalLeading);
}

void Memo::Refresh()
{
    m_topLine = 0;
    Changed();
}

LRESULT CALLBACK Memo::s_WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Memo*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->m_window.reset(hwnd);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Memo*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The system destroys the memo with its parent; it is no longer ours to destroy.
        self->m_window.release();
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
    std::optional<std::string> head;
    try {
        head = self->m_log.Observe("edit", hwnd, message, wParam, lParam);
        std::string extra;
        const LRESULT result = self->WndProc(message, wParam, lParam, extra);
        if (head) self->m_log.Write(*head, extra, message, hwnd, result);
        return result;
    } catch (...) {
        ::OutputDebugStringA("StandInPad: a memo handler failed\n");
        if (head) self->m_log.Write(*head, "failed", message, hwnd, 0);
        return 0;
    }
}

LRESULT Memo::WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::string& extra)
{
    switch (message) {
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(m_state.document.Length());
    case WM_GETTEXT: return OnGetText(wParam, reinterpret_cast<char*>(lParam), extra);
    case WM_SETTEXT: return OnSetText(reinterpret_cast<const char*>(lParam));
    case EM_GETSEL: return OnGetSel(reinterpret_cast<DWORD*>(wParam), reinterpret_cast<DWORD*>(lParam));
    case EM_SETSEL:
        m_state.document.SetSelection(AsLong(wParam), static_cast<long>(lParam));
        Changed();
        return 0;
    case EM_REPLACESEL: return OnReplaceSel(reinterpret_cast<const char*>(lParam), extra);
    case EM_LINEINDEX: return OnLineIndex(AsLong(wParam));
    case EM_LINEFROMCHAR: return OnLineFromChar(AsLong(wParam));
    case EM_LINELENGTH: return OnLineLength(AsLong(wParam));
    case EM_GETLINECOUNT: return static_cast<LRESULT>(m_state.document.LineCount());
    case EM_GETMODIFY: return m_state.document.Modified() ? TRUE : FALSE;
    case EM_SETMODIFY: m_state.document.SetModified(wParam != 0); return 0;
    case EM_SETREADONLY: m_state.document.SetReadOnly(wParam != 0); return TRUE;
    case EM_UNDO:
    case WM_UNDO: return OnUndo();
    case EM_CANUNDO: return m_state.document.CanUndo() ? TRUE : FALSE;
    case EM_EMPTYUNDOBUFFER: return 0;
    case WM_CUT: return OnCut();
    case WM_COPY: return OnCopy();
    case WM_PASTE: return OnPaste();
    case WM_CLEAR: return OnClear();
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_CHAR: return OnChar(static_cast<unsigned char>(wParam));
    case WM_KEYDOWN: return OnKeyDown(wParam);
    case WM_LBUTTONDOWN:
        return OnLButtonDown(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    case WM_MOUSEWHEEL: return OnMouseWheel(static_cast<short>(HIWORD(wParam)));
    case WM_SETFOCUS: return OnSetFocus();
    case WM_KILLFOCUS: return OnKillFocus();
    case WM_PAINT: return OnPaint();
    case WM_SIZE: return OnSize();
    default: return ::DefWindowProcA(Handle(), message, wParam, lParam);
    }
}

// --- the edit messages ---------------------------------------------------------

LRESULT Memo::OnGetText(WPARAM size, char* buffer, std::string& extra)
{
    std::size_t copied = 0;
    if (size > 0 && buffer) {
        const std::string& text = m_state.document.Text();
        copied = std::min<std::size_t>(size - 1, text.size());
        std::memcpy(buffer, text.data(), copied);
        buffer[copied] = '\0';
    }
    extra = "ret=" + std::to_string(copied);
    return static_cast<LRESULT>(copied);
}

LRESULT Memo::OnSetText(const char* text)
{
    const std::string_view bytes = text ? std::string_view(text) : std::string_view();
    m_state.receivedBytes += static_cast<long long>(bytes.size());
    if (m_state.document.ReadOnly()) return FALSE;
    m_state.document.Reset(KeepWithinLimit(bytes));
    m_topLine = 0;
    Changed();
    return TRUE;
}

LRESULT Memo::OnGetSel(DWORD* start, DWORD* end)
{
    const std::size_t from = m_state.document.SelStart();
    const std::size_t to = m_state.document.SelEnd();
    if (start) *start = static_cast<DWORD>(from);
    if (end) *end = static_cast<DWORD>(to);
    if (from > 0xFFFF || to > 0xFFFF) return -1;
    return MAKELONG(from, to);
}

// The bridge sends wParam 0 (cannot undo) and still relies on undoing the
// replacement, so it is recorded whatever wParam says.
LRESULT Memo::OnReplaceSel(const char* text, std::string& extra)
{
    const std::string_view bytes = text ? std::string_view(text) : std::string_view();
    m_state.receivedBytes += static_cast<long long>(bytes.size());
    extra = "bytes=" + std::to_string(bytes.size());
    if (m_state.document.ReplaceSelection(KeepWithinLimit(bytes))) Changed();
    if (!m_state.pauseAfterReplace.empty() && ::InSendMessage()) LetThePersonTypeNow();
    return 0;
}

// --pause-after-replace: a person who types the moment another program's
// replacement is in. We say so (NAME.replaced), wait for the test to post the
// person's keys to the memo (NAME.go), and handle those keys before the
// sender hears back: exactly as if the person had been quicker than the
// sender's next message, which without the pause is a matter of luck.
void Memo::LetThePersonTypeNow()
{
    using platform::UniqueEvent;
    const UniqueEvent replaced(::CreateEventW(nullptr, FALSE, FALSE, (m_state.pauseAfterReplace + L".replaced").c_str()));
    const UniqueEvent go(::CreateEventW(nullptr, FALSE, FALSE, (m_state.pauseAfterReplace + L".go").c_str()));
    if (!replaced || !go) return;
    ::SetEvent(replaced.get());
    ::WaitForSingleObject(go.get(), 10000);
    MSG message;
    while (::PeekMessageA(&message, Handle(), WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

LRESULT Memo::OnLineIndex(long line)
{
    if (line < -1) return -1;
    const Document& doc = m_state.document;
    const std::size_t wanted = line == -1 ? doc.LineOf(doc.Caret()) : static_cast<std::size_t>(line);
    const std::optional<std::size_t> start = doc.LineStart(wanted);
    return start ? static_cast<LRESULT>(*start) : -1;
}

LRESULT Memo::OnLineFromChar(long position)
{
    const Document& doc = m_state.document;
    const std::size_t at = position < 0 ? doc.SelStart() : std::min<std::size_t>(static_cast<std::size_t>(position), doc.Length());
    return static_cast<LRESULT>(doc.LineOf(at));
}

LRESULT Memo::OnLineLength(long position)
{
    const Document& doc = m_state.document;
    if (position >= 0) {
        const std::size_t at = std::min<std::size_t>(static_cast<std::size_t>(position), doc.Length());
        return static_cast<LRESULT>(doc.LineLength(doc.LineOf(at)));
    }
    // -1: the unselected bytes of the lines that hold the selection.
    const std::size_t firstLine = doc.LineOf(doc.SelStart());
    const std::size_t lastLine = doc.LineOf(doc.SelEnd());
    const std::size_t before = doc.SelStart() - doc.LineStart(firstLine).value_or(0);
    const std::size_t lastEnd = doc.LineStart(lastLine).value_or(0) + doc.LineLength(lastLine);
    const std::size_t after = lastEnd > doc.SelEnd() ? lastEnd - doc.SelEnd() : 0;
    return static_cast<LRESULT>(before + after);
}

LRESULT Memo::OnUndo()
{
    const bool undone = m_state.document.Undo();
    if (undone) Changed();
    return undone ? TRUE : FALSE;
}

LRESULT Memo::OnCut()
{
    if (!m_state.document.HasSelection()) return 0;
    CopySelectionToClipboard();
    if (m_state.document.DeleteSelection()) Changed();
    return 0;
}

LRESULT Memo::OnCopy()
{
    if (m_state.document.HasSelection()) CopySelectionToClipboard();
    return 0;
}

LRESULT Memo::OnPaste()
{
    std::string bytes;
    {
        OpenedClipboard clipboard(Handle());
        if (!clipboard) return 0;
        const HANDLE data = ::GetClipboardData(CF_TEXT);
        if (!data) return 0;
        platform::UniqueGlobalLock lock(static_cast<HGLOBAL>(data));
        const char* text = static_cast<const char*>(::GlobalLock(data));
        if (!text) return 0;
        const std::size_t capacity = ::GlobalSize(data);
        bytes.assign(text, strnlen(text, capacity));
    }
    if (m_state.document.ReplaceSelection(KeepWithinLimit(bytes))) Changed();
    return 0;
}

LRESULT Memo::OnClear()
{
    if (m_state.document.DeleteSelection()) Changed();
    return 0;
}

void Memo::CopySelectionToClipboard()
{
    const std::string_view selected = m_state.document.SelectedText();
    UniqueGlobalMemory memory(::GlobalAlloc(GMEM_MOVEABLE, selected.size() + 1));
    if (!memory) return;
    {
        platform::UniqueGlobalLock lock(memory.get());
        char* target = static_cast<char*>(::GlobalLock(memory.get()));
        if (!target) return;
        std::memcpy(target, selected.data(), selected.size());
        target[selected.size()] = '\0';
    }
    OpenedClipboard clipboard(Handle());
    if (!clipboard) return;
    ::EmptyClipboard();
    // The clipboard owns the memory once it took it.
    if (::SetClipboardData(CF_TEXT, memory.get())) memory.release();
}

// --limit models an editor that keeps fewer bytes than it was sent; it never
// splits a double-byte character.
std::string Memo::KeepWithinLimit(std::string_view bytes) const
{
    if (!m_state.limit || bytes.size() <= static_cast<std::size_t>(*m_state.limit)) return std::string(bytes);
    return std::string(bytes.substr(0, m_state.document.WholeCharsPrefix(bytes, static_cast<std::size_t>(*m_state.limit))));
}

// --- typing --------------------------------------------------------------------

void Memo::Type(std::string_view bytes)
{
    if (m_state.document.ReplaceSelection(bytes)) Changed();
}

// An ANSI window gets a double-byte character as two WM_CHAR, lead byte first.
LRESULT Memo::OnChar(unsigned char code)
{
    Document& doc = m_state.document;
    if (m_pendingLead) {
        const char pair[2] = {static_cast<char>(*m_pendingLead), static_cast<char>(code)};
        m_pendingLead.reset();
        Type(std::string_view(pair, 2));
        return 0;
    }
    if (doc.IsLead(code)) {
        m_pendingLead = code;
        return 0;
    }
    switch (code) {
    case 0x01: case 0x03: case 0x16: case 0x18: case 0x1A:
        // With Ctrl held these came from a key that OnKeyDown has handled
        // already; a bare WM_CHAR of the control code does the same command.
        if (::GetKeyState(VK_CONTROL) >= 0) Shortcut(static_cast<char>('A' + code - 1));
        return 0;
    case '\r': Type("\r\n"); return 0;
    case '\b':
        if (!doc.HasSelection()) {
            const std::size_t caret = doc.Caret();
            if (caret == 0) return 0;
            std::size_t from = doc.PrevCharStart(caret);
            // A line break goes as one.
            if (from > 0 && doc.Text()[from] == '\n' && doc.Text()[from - 1] == '\r') --from;
            doc.MoveCaret(from, false);
            doc.MoveCaret(caret, true);
            // Read-only: the character stays and so does the caret.
            if (!doc.DeleteSelection()) doc.MoveCaret(caret, false);
            Changed();
            return 0;
        }
        if (doc.DeleteSelection()) Changed();
        return 0;
    case '\t': Type("\t"); return 0;
    default:
        if (code < 0x20 || code == 0x7F) return 0;
        {
            const char single = static_cast<char>(code);
            Type(std::string_view(&single, 1));
        }
        return 0;
    }
}

LRESULT Memo::OnKeyDown(WPARAM key)
{
    Document& doc = m_state.document;
    const bool shift = ::GetKeyState(VK_SHIFT) < 0;
    const bool control = ::GetKeyState(VK_CONTROL) < 0;
    const std::size_t caret = doc.Caret();
    const std::size_t line = doc.LineOf(caret);
    const std::size_t lineStart = doc.LineStart(line).value_or(0);
    switch (key) {
    case VK_LEFT: {
        std::size_t to = doc.PrevCharStart(caret);
        if (to > 0 && doc.Text()[to] == '\n' && doc.Text()[to - 1] == '\r') --to;
        doc.MoveCaret(to, shift);
        break;
    }
    case VK_RIGHT: {
        std::size_t to = doc.NextCharEnd(caret);
        if (to < doc.Length() && doc.Text()[caret] == '\r' && doc.Text()[to] == '\n') ++to;
        doc.MoveCaret(to, shift);
        break;
    }
    case VK_UP:
    case VK_DOWN: {
        if ((key == VK_UP && line == 0) || (key == VK_DOWN && line + 1 >= doc.LineCount())) break;
        const std::size_t target = key == VK_UP ? line - 1 : line + 1;
        const std::size_t column = caret - lineStart;
        const std::size_t start = doc.LineStart(target).value_or(0);
        doc.MoveCaret(start + std::min(column, doc.LineLength(target)), shift);
        break;
    }
    case VK_HOME: doc.MoveCaret(control ? 0 : lineStart, shift); break;
    case VK_END: doc.MoveCaret(control ? doc.Length() : lineStart + doc.LineLength(line), shift); break;
    case 'A': case 'C': case 'V': case 'X': case 'Z':
        // Here rather than from WM_CHAR: under Wine (Xvfb, Japanese layout)
        // Ctrl+A and Ctrl+Z pressed on the keyboard brought no control
        // character, so the shortcuts did nothing.
        if (control && !shift) Shortcut(static_cast<char>(key));
        return 0;
    case VK_DELETE:
        if (!doc.HasSelection()) {
            std::size_t to = doc.NextCharEnd(caret);
            if (to < doc.Length() && doc.Text()[caret] == '\r' && doc.Text()[to] == '\n') ++to;
            doc.MoveCaret(to, true);
        }
        if (!doc.DeleteSelection()) doc.MoveCaret(caret, false);
        break;
    default: return 0;
    }
    Changed();
    return 0;
}

void Memo::Shortcut(char letter)
{
    switch (letter) {
    case 'A': m_state.document.SetSelection(0, -1); Changed(); break;
    case 'C': OnCopy(); break;
    case 'V': OnPaste(); break;
    case 'X': OnCut(); break;
    case 'Z': OnUndo(); break;
    default: break;
    }
}

LRESULT Memo::OnLButtonDown(int x, int y)
{
    ::SetFocus(Handle());
    Document& doc = m_state.document;
    const std::size_t line = std::min(m_topLine + static_cast<std::size_t>(std::max(0, y) / m_lineHeight), doc.LineCount() - 1);
    const std::string_view part = PaintedPart(line);
    WindowDc dc(Handle());
    const HGDIOBJ old = ::SelectObject(dc.dc(), m_font.get());
    std::size_t offset = 0;
    while (offset < part.size()) {
        const std::size_t next = doc.NextCharEnd(doc.LineStart(line).value_or(0) + offset) - doc.LineStart(line).value_or(0);
        const int left = TextWidth(dc.dc(), part.substr(0, offset));
        const int right = TextWidth(dc.dc(), part.substr(0, std::min(next, part.size())));
        if (x - kMargin < (left + right) / 2) break;
        offset = next;
    }
    ::SelectObject(dc.dc(), old);
    doc.MoveCaret(doc.LineStart(line).value_or(0) + std::min(offset, part.size()), ::GetKeyState(VK_SHIFT) < 0);
    Changed();
    return 0;
}

LRESULT Memo::OnMouseWheel(int delta)
{
    const std::size_t lines = 3;
    if (delta > 0) m_topLine = m_topLine > lines ? m_topLine - lines : 0;
    else m_topLine = std::min(m_topLine + lines, m_state.document.LineCount() - 1);
    ::InvalidateRect(Handle(), nullptr, TRUE);
    PlaceCaret();
    return 0;
}

LRESULT Memo::OnSetFocus()
{
    ::CreateCaret(Handle(), nullptr, 2, m_lineHeight);
    m_hasCaret = true;
    PlaceCaret();
    ::ShowCaret(Handle());
    return 0;
}

LRESULT Memo::OnKillFocus()
{
    if (m_hasCaret) ::DestroyCaret();
    m_hasCaret = false;
    m_pendingLead.reset();
    return 0;
}

LRESULT Memo::OnSize()
{
    ::InvalidateRect(Handle(), nullptr, TRUE);
    return 0;
}

// --- painting ------------------------------------------------------------------

std::size_t Memo::VisibleLines() const
{
    RECT client{};
    ::GetClientRect(Handle(), &client);
    return static_cast<std::size_t>(std::max<long>(1, (client.bottom - client.top) / m_lineHeight));
}

std::string_view Memo::PaintedPart(std::size_t line) const
{
    const Document& doc = m_state.document;
    const std::optional<std::size_t> start = doc.LineStart(line);
    if (!start) return {};
    const std::string_view whole = std::string_view(doc.Text()).substr(*start, doc.LineLength(line));
    return whole.substr(0, doc.WholeCharsPrefix(whole, kMaxPaintedBytes));
}

// Only the visible lines are painted, each cut at kMaxPaintedBytes: the cost
// does not grow with the document.
LRESULT Memo::OnPaint()
{
    PaintScope paint(Handle());
    const HDC dc = paint.dc();
    const HGDIOBJ oldFont = ::SelectObject(dc, m_font.get());
    RECT client{};
    ::GetClientRect(Handle(), &client);
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOW));

    const Document& doc = m_state.document;
    const std::size_t selStart = doc.SelStart();
    const std::size_t selEnd = doc.SelEnd();
    const std::size_t count = VisibleLines() + 1;
    for (std::size_t i = 0; i < count && m_topLine + i < doc.LineCount(); ++i) {
        const std::size_t line = m_topLine + i;
        const std::size_t lineStart = doc.LineStart(line).value_or(0);
        const std::string_view part = PaintedPart(line);
        const int y = static_cast<int>(i) * m_lineHeight;
        // Three runs: before, inside and after the selection.
        const std::size_t a = std::clamp(selStart, lineStart, lineStart + part.size()) - lineStart;
        const std::size_t b = std::clamp(selEnd, lineStart, lineStart + part.size()) - lineStart;
        int x = kMargin;
        const std::string_view runs[3] = {part.substr(0, a), part.substr(a, b - a), part.substr(b)};
        for (int r = 0; r < 3; ++r) {
            const bool selected = r == 1;
            ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
            ::SetBkColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
            if (!runs[r].empty()) ::TextOutA(dc, x, y, runs[r].data(), static_cast<int>(runs[r].size()));
            x += TextWidth(dc, runs[r]);
        }
    }
    ::SelectObject(dc, oldFont);
    return 0;
}

void Memo::ScrollToCaret()
{
    const std::size_t line = m_state.document.LineOf(m_state.document.Caret());
    const std::size_t visible = VisibleLines();
    if (line < m_topLine) m_topLine = line;
    else if (line >= m_topLine + visible) m_topLine = line - visible + 1;
}

void Memo::PlaceCaret()
{
    if (!m_hasCaret) return;
    const Document& doc = m_state.document;
    const std::size_t line = doc.LineOf(doc.Caret());
    if (line < m_topLine) {
        ::SetCaretPos(-100, -100);
        return;
    }
    const std::size_t lineStart = doc.LineStart(line).value_or(0);
    const std::string_view part = PaintedPart(line);
    WindowDc dc(Handle());
    const HGDIOBJ old = ::SelectObject(dc.dc(), m_font.get());
    const int x = kMargin + TextWidth(dc.dc(), part.substr(0, std::min(doc.Caret() - lineStart, part.size())));
    ::SelectObject(dc.dc(), old);
    ::SetCaretPos(x, static_cast<int>(line - m_topLine) * m_lineHeight);
}

void Memo::Changed()
{
    ScrollToCaret();
    ::InvalidateRect(Handle(), nullptr, FALSE);
    PlaceCaret();
}

} // namespace standin

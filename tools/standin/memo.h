// TStandInMemo: the stand-in's editing control. It answers the standard edit
// messages in bytes of its ANSI text, as TeraPad's control does (Wine's EDIT
// counts characters and keeps one undo level, so it cannot stand in), and a
// person can type into it.
#pragma once

#include "document.h"
#include "message_log.h"

#include "platform/handles.h"

#include <windows.h>

#include <optional>
#include <string>

namespace standin {

// What the main window and the memo share about the document.
struct EditorState {
    Document document;
    long long receivedBytes = 0; // through EM_REPLACESEL and WM_SETTEXT
    std::optional<long> limit;   // bytes one replacement keeps
    std::wstring pauseAfterReplace; // events' base name; empty: no pause
};

class Memo {
public:
    static void RegisterClass(HINSTANCE instance);

    Memo(HWND parent, EditorState& state, MessageLog& log);
    Memo(const Memo&) = delete;
    Memo& operator=(const Memo&) = delete;

    HWND Handle() const noexcept { return m_window.get(); }
    // The document changed behind the memo's back (the side channel).
    void Refresh();

private:
    static LRESULT CALLBACK s_WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam, std::string& extra);

    // The edit messages.
    LRESULT OnGetText(WPARAM size, char* buffer, std::string& extra);
    LRESULT OnSetText(const char* text);
    LRESULT OnGetSel(DWORD* start, DWORD* end);
    LRESULT OnReplaceSel(const char* text, std::string& extra);
    LRESULT OnLineIndex(long line);
    LRESULT OnLineFromChar(long position);
    LRESULT OnLineLength(long position);
    LRESULT OnUndo();
    LRESULT OnCut();
    LRESULT OnCopy();
    LRESULT OnPaste();
    LRESULT OnClear();

    // A person at the keyboard.
    LRESULT OnChar(unsigned char code);
    LRESULT OnKeyDown(WPARAM key);
    void Shortcut(char letter); // Ctrl+A, C, V, X, Z
    LRESULT OnLButtonDown(int x, int y);
    LRESULT OnMouseWheel(int delta);
    LRESULT OnSetFocus();
    LRESULT OnKillFocus();
    LRESULT OnPaint();
    LRESULT OnSize();

    void Changed();        // after every change of text or selection
    void ScrollToCaret();
    void PlaceCaret();
    std::string_view PaintedPart(std::size_t line) const;
    std::size_t VisibleLines() const;
    std::string KeepWithinLimit(std::string_view bytes) const;
    void Type(std::string_view bytes);
    void LetThePersonTypeNow();
    void CopySelectionToClipboard();

    EditorState& m_state;
    MessageLog& m_log;
    platform::UniqueWindow m_window;
    platform::UniqueFont m_font;
    int m_lineHeight = 16;
    std::size_t m_topLine = 0;
    std::optional<unsigned char> m_pendingLead; // first byte of a double-byte WM_CHAR pair
    bool m_hasCaret = false;
};

} // namespace standin

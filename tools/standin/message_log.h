// The log of what other processes sent to the stand-in: one line per
// SendMessageA of the sender, written before the stand-in answers the next.
#pragma once

#include "platform/handles.h"

#include <windows.h>

#include <optional>
#include <string>

namespace standin {

class MessageLog {
public:
    // Without a path nothing is written, but counting (--exit-after) works.
    MessageLog(const std::wstring& path, std::optional<long> exitAfter);

    // Called first thing for every message of the main window and the editing
    // control. Returns the log line's head ("edit EM_SETSEL 0 -1") when the
    // message is one to log; the caller handles it and then calls Write.
    // Ends the process when this is the message --exit-after names.
    std::optional<std::string> Observe(const char* target, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Writes the line with the extra field (may be empty) and notes the answer.
    void Write(const std::string& head, const std::string& extra, UINT message, HWND hwnd, LRESULT result);

    void Truncate();

private:
    static std::optional<const char*> NameOf(UINT message);
    bool IsWineLengthCheck(HWND hwnd, UINT message, WPARAM wParam);
    void Append(const std::string& line);

    platform::UniqueFile m_file;
    std::optional<long> m_exitAfter;
    long m_count = 0;
    bool m_underWine = false;
    // After Wine answered an ANSI sender's WM_GETTEXTLENGTH it asks the window
    // for the text itself; this is the call it will make.
    HWND m_checkWindow = nullptr;
    WPARAM m_checkSize = 0;
};

} // namespace standin

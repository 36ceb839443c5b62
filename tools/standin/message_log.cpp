#include "message_log.h"

#include "protocol.h"

#include "platform/win32_error.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace standin {

namespace {

bool RunsUnderWine()
{
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

std::string Number(std::uintptr_t value)
{
    return std::to_string(static_cast<std::int32_t>(value));
}

// Pointers differ from run to run; the line says whether one was passed.
std::string Pointer(std::uintptr_t value)
{
    return value ? "p" : "0";
}

bool WParamIsPointer(UINT message) { return message == EM_GETSEL; }

bool LParamIsPointer(UINT message)
{
    switch (message) {
    case EM_GETSEL:
    case WM_GETTEXT:
    case WM_SETTEXT:
    case EM_REPLACESEL:
    case kMsgGetEditHandle:
    case kMsgReloadIni:
        return true;
    default:
        return false;
    }
}

} // namespace

MessageLog::MessageLog(const std::wstring& path, std::optional<long> exitAfter)
    : m_exitAfter(exitAfter), m_underWine(RunsUnderWine())
{
    if (path.empty()) return;
    // Shared for reading and writing: the tests read the file while the
    // stand-in runs.
    m_file.reset(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file) platform::ThrowLastError("CreateFileW(log)");
}

std::optional<const char*> MessageLog::NameOf(UINT message)
{
    switch (message) {
    case WM_GETTEXT: return "WM_GETTEXT";
    case WM_GETTEXTLENGTH: return "WM_GETTEXTLENGTH";
    case WM_SETTEXT: return "WM_SETTEXT";
    case EM_GETSEL: return "EM_GETSEL";
    case EM_SETSEL: return "EM_SETSEL";
    case EM_REPLACESEL: return "EM_REPLACESEL";
    case EM_LINEINDEX: return "EM_LINEINDEX";
    case EM_LINEFROMCHAR: return "EM_LINEFROMCHAR";
    case EM_LINELENGTH: return "EM_LINELENGTH";
    case EM_GETLINECOUNT: return "EM_GETLINECOUNT";
    case EM_GETMODIFY: return "EM_GETMODIFY";
    case EM_SETMODIFY: return "EM_SETMODIFY";
    case EM_UNDO: return "EM_UNDO";
    case EM_CANUNDO: return "EM_CANUNDO";
    case WM_UNDO: return "WM_UNDO";
    case WM_CUT: return "WM_CUT";
    case WM_COPY: return "WM_COPY";
    case WM_PASTE: return "WM_PASTE";
    case WM_CLEAR: return "WM_CLEAR";
    default: return std::nullopt;
    }
}

// Wine moves an ANSI sender's messages across processes as UTF-16. For
// WM_GETTEXTLENGTH the sender's side then sends WM_GETTEXT with wParam
// length + 1 on its own, to turn the answer into a byte count of the
// round-tripped text. That second call is Wine's, not the sender's: it is
// answered like any other but not logged. A real WM_GETTEXT that follows
// comes after it. (A UTF-16 sender gets no such call, and a WM_GETTEXT of its
// own with exactly that size right after the length would go unlogged.)
bool MessageLog::IsWineLengthCheck(HWND hwnd, UINT message, WPARAM wParam)
{
    const bool check = m_checkWindow == hwnd && message == WM_GETTEXT && wParam == m_checkSize;
    m_checkWindow = nullptr;
    return check;
}

std::optional<std::string> MessageLog::Observe(const char* target, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Our own internal messages come from this thread; only a sender in
    // another thread (the bridge, a test) counts.
    if (!::InSendMessage()) return std::nullopt;
    if (message == kMsgDumpState || message == kMsgTruncateLog) return std::nullopt;
    if (m_underWine && IsWineLengthCheck(hwnd, message, wParam)) return std::nullopt;

    std::string name;
    if (const std::optional<const char*> standard = NameOf(message)) {
        name = *standard;
    } else if (message >= WM_USER && message < 0xC000) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "MSG_%04X", message);
        name = buffer;
    } else {
        return std::nullopt;
    }

    const auto w = static_cast<std::uintptr_t>(wParam);
    const auto l = static_cast<std::uintptr_t>(lParam);
    std::string head = std::string(target) + " " + name + " " + (WParamIsPointer(message) ? Pointer(w) : Number(w)) +
                       " " + (LParamIsPointer(message) ? Pointer(l) : Number(l));

    ++m_count;
    if (m_exitAfter && m_count == *m_exitAfter) {
        // The editor goes away in the middle of a transfer: the line shows
        // which message it did not answer.
        Append(head);
        ::ExitProcess(kExitAfterCode);
    }
    return head;
}

void MessageLog::Write(const std::string& head, const std::string& extra, UINT message, HWND hwnd, LRESULT result)
{
    Append(extra.empty() ? head : head + " " + extra);
    if (m_underWine && message == WM_GETTEXTLENGTH && result >= 0) {
        m_checkWindow = hwnd;
        m_checkSize = static_cast<WPARAM>(result) + 1;
    }
}

void MessageLog::Truncate()
{
    if (!m_file) return;
    ::SetFilePointer(m_file.get(), 0, nullptr, FILE_BEGIN);
    ::SetEndOfFile(m_file.get());
}

// Straight to the file, no buffer of our own: a reader in another process
// sees each line as soon as WriteFile returns.
void MessageLog::Append(const std::string& line)
{
    if (!m_file) return;
    const std::string text = line + "\r\n";
    ::SetFilePointer(m_file.get(), 0, nullptr, FILE_END);
    DWORD written = 0;
    ::WriteFile(m_file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

} // namespace standin

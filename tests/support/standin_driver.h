// The tests' driver of StandInPad.exe, the stand-in editor with TeraPad's
// window interface: one process per StandIn; what its windows received (the
// log) and its document come through a side channel it never logs.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/handles.h"
#include "tools/standin/protocol.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// The stand-in's Tools menu command.
inline constexpr WPARAM kToolCommand = standin::kToolCommand;

// Every member has an initializer, so {.limit = 5} leaves the rest out without a warning.
struct StandInOptions {
    std::wstring file{}, ini{}, tool{}; // empty = not given
    bool noFileEdit = false, noExeName = false, noIniFile = false, readOnly = false, ownedPopup = false;
    std::optional<int> limit{}, exitAfter{};
    int editMode = 0;
    std::wstring pauseAfterReplace{}; // --pause-after-replace: events' base name
    std::wstring exePath{}; // default: StandInPad.exe beside the running test exe
};

// One stand-in process. Its log and state files live in a temporary folder of
// its own, removed with the object.
class StandIn {
public:
    // Starts the process, finds its TTeraPadMainForm, makes it the foreground
    // window (verified) and empties the log; throws std::runtime_error if not.
    explicit StandIn(StandInOptions options = {});
    ~StandIn(); // TerminateProcess: Close() is the orderly, slow way

    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    HWND Main() const noexcept { return m_main; }
    HWND EditControl() const noexcept { return m_edit; } // found once at start, not through 0x8192
    DWORD ProcessId() const noexcept { return m_processId; }

    // SetForegroundWindow on the main window and a check; throws if it can't.
    void BringToFront();

    // The log lines since the last ClearLog (or the start), without line ends.
    std::vector<std::string> Log();
    void ClearLog();

    // The exact document bytes, through the side channel (not logged).
    std::string Document();
    // Replaces the document (not logged, not an edit): empties the undo
    // stack, clears the modified flag, caret at 0; ignores --limit and --readonly.
    void SetDocument(const std::string& ansiBytes);
    // Sets the selection as the stand-in's own EM_SETSEL would (not logged).
    void SetSelection(int start, int end);

    struct Info {
        int selStart = 0, selEnd = 0, undoDepth = 0, reloadCount = 0;
        bool modified = false;
        long long receivedBytes = 0; // total bytes received by EM_REPLACESEL and WM_SETTEXT
        int editCount = 0;           // edits made since the start, undos not counted
    };
    Info State();

    void Close(); // WM_CLOSE and wait for the exit; throws if it does not end
    bool WaitForExit(DWORD milliseconds);

private:
    std::wstring DumpState(); // has the state files written; the document's path

    std::wstring m_folder;
    platform::UniqueProcess m_process;
    DWORD m_processId = 0;
    HWND m_main = nullptr;
    HWND m_edit = nullptr;
};

std::wstring TestBinDir();         // folder of the running test exe, no trailing backslash
std::wstring StandInExePath();     // StandInPad.exe in TestBinDir()
std::wstring NoVersionExePath();   // NoVersion.exe in TestBinDir(): no version resource, exits at once
std::wstring MakeTempDir();        // a fresh, empty folder under %TEMP%
void RemoveTree(const std::wstring& folder) noexcept;

// A folder from MakeTempDir, removed with everything in it at the end.
class TempDir {
public:
    TempDir() : m_path(MakeTempDir()) {}
    ~TempDir() { RemoveTree(m_path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& Path() const noexcept { return m_path; }
    std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

void WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path); // throws when the file cannot be read

// A foreign top-level window of this process, shown and in the foreground.
class ForeignWindow {
public:
    explicit ForeignWindow(const wchar_t* className = L"QbForeignWindow");
    ForeignWindow(const ForeignWindow&) = delete;
    ForeignWindow& operator=(const ForeignWindow&) = delete;
    HWND get() const noexcept { return m_window.get(); }
    void BringToFront();

private:
    platform::UniqueWindow m_window;
};

// Handles the messages waiting in this thread's queue (a ForeignWindow's).
void PumpMessages();

// The visible window of the class that another process shows (pid 0: any
// other), waited for while this thread's messages are handled; null if none.
HWND WaitForWindow(const wchar_t* className, DWORD pid = 0, DWORD milliseconds = 15000);
// By WM_GETTEXT: GetWindowText gives a control of another process only its caption.
std::wstring TextOf(HWND window);

// Single-byte characters in no repeating pattern: a piece sent twice or misplaced shows.
std::string AsciiText(std::size_t bytes, unsigned seed = 0);

// The stand-in's log lines as messages to expect.
using Messages = std::vector<std::string>;

// Compares two message sequences; a failure shows both side by side, the first difference marked.
::testing::AssertionResult SameMessages(const Messages& expected, const Messages& actual);

// Every bridge step first asks the main window for its editing control.
inline const std::string kHandle = "main MSG_8192 0 p";

inline Messages Step(const std::string& toEditControl) { return {kHandle, "edit " + toEditControl}; }
inline Messages SelSetStep(long long start, long long end)
{
    return Step("EM_SETSEL " + std::to_string(start) + " " + std::to_string(end));
}
inline Messages SelectAllStep() { return SelSetStep(0, -1); }
inline Messages LengthStep() { return Step("WM_GETTEXTLENGTH 0 0"); }
inline Messages SelStartStep() { return Step("EM_GETSEL p 0"); }
inline Messages SelLengthStep() { return Step("EM_GETSEL p p"); }
inline Messages ReplaceStep(long long bytes) { return Step("EM_REPLACESEL 0 p bytes=" + std::to_string(bytes)); }
inline Messages UndoStep() { return Step("EM_UNDO 0 0"); }
// The WM_GETTEXT itself goes to the handle asked for at the start of the read.
inline std::string GetTextLine(long long wParam, long long returned)
{
    return "edit WM_GETTEXT " + std::to_string(wParam) + " p ret=" + std::to_string(returned);
}

inline Messages Join(std::initializer_list<Messages> parts)
{
    Messages all;
    for (const Messages& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The sizes of the EM_REPLACESEL in a log, in order.
std::vector<long long> ReplacedBytes(const Messages& log);

} // namespace testsupport

// The tests' driver of StandInPad.exe, the stand-in editor with TeraPad's
// window interface: one process per StandIn; what its windows received (the
// log) and its document come through a side channel it never logs.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/handles.h"
#include "tools/standin/protocol.h"

#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// The stand-in's Tools menu command.
inline constexpr WPARAM kToolCommand = standin::kToolCommand;

// Every member has an initializer, so {.limit = 5} leaves the rest out without a warning.
struct StandInOptions {
    std::wstring file{}, textFile{}, ini{}, tool{}, toolCaption{}; // empty = not given
    bool noFileEdit = false, noExeName = false, noIniFile = false, readOnly = false, ownedPopup = false;
    std::optional<int> limit{}, exitAfter{};
    int editMode = 0;
    std::wstring pauseAfterReplace{}; // --pause-after-replace: events' base name
    std::wstring exePath{}; // default: StandInPad.exe beside the running test exe
    std::vector<std::wstring> extraArgs{};
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
    HANDLE Process() const noexcept { return m_process.get(); }

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

// Compares two message sequences; a failure shows both side by side, the first difference marked.
::testing::AssertionResult SameMessages(const std::vector<std::string>& expected,
                                        const std::vector<std::string>& actual);

} // namespace testsupport

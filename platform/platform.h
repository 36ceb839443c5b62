// The thin layer over Win32 that app/, bridge/ and settings/ call. Every
// Win32 call and every owned handle of the product lives behind this header.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// ---------------------------------------------------------------------------
// Errors: a failed Win32 call becomes an exception with the call's name and
// GetLastError(), so the code above this layer reads straight.

class Win32Error : public std::runtime_error {
public:
    Win32Error(const char* call, DWORD code);
    const char* Call() const noexcept { return m_call; }
    DWORD Code() const noexcept { return m_code; }

private:
    const char* m_call;
    DWORD m_code;
};

[[noreturn]] void ThrowLastError(const char* call);
[[noreturn]] void ThrowError(const char* call, DWORD code);

// ---------------------------------------------------------------------------
// Ownership: one move-only template, one alias per handle kind.

template <typename Traits>
class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() noexcept = default;
    explicit UniqueResource(Type value) noexcept : m_value(value) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : m_value(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueResource() { reset(); }

    Type get() const noexcept { return m_value; }
    explicit operator bool() const noexcept { return m_value != Traits::Invalid(); }
    Type release() noexcept { return std::exchange(m_value, Traits::Invalid()); }
    void reset(Type value = Traits::Invalid()) noexcept
    {
        Type old = std::exchange(m_value, value);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

private:
    Type m_value = Traits::Invalid();
};

// Processes and threads get traits of their own, so that one cannot be
// handed where the other is meant.
struct ProcessTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};
struct ThreadTraits : ProcessTraits {};
struct EventTraits : ProcessTraits {};
struct FileTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};
struct FontTraits {
    using Type = HFONT;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};
struct IconTraits {
    using Type = HICON;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyIcon(h); }
};
struct WindowTraits {
    using Type = HWND;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyWindow(h); }
};
struct GlobalLockTraits {
    using Type = HGLOBAL;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::GlobalUnlock(h); }
};

using UniqueFile = UniqueResource<FileTraits>;
using UniqueProcess = UniqueResource<ProcessTraits>;
using UniqueThread = UniqueResource<ThreadTraits>;
using UniqueEvent = UniqueResource<EventTraits>;
using UniqueFont = UniqueResource<FontTraits>;
using UniqueIcon = UniqueResource<IconTraits>;
using UniqueWindow = UniqueResource<WindowTraits>;
using UniqueGlobalLock = UniqueResource<GlobalLockTraits>;

// COM pointer: AddRef on copy-in, Release when it lets go.
template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_ptr = std::exchange(other.m_ptr, nullptr);
        }
        return *this;
    }
    ~ComPtr() { reset(); }

    // Takes over a reference the caller already owns (a creation result).
    static ComPtr Attach(T* ptr) noexcept
    {
        ComPtr p;
        p.m_ptr = ptr;
        return p;
    }
    T* get() const noexcept { return m_ptr; }
    T* operator->() const noexcept { return m_ptr; }
    explicit operator bool() const noexcept { return m_ptr != nullptr; }
    T** put() noexcept
    {
        reset();
        return &m_ptr;
    }
    void reset() noexcept
    {
        if (m_ptr) std::exchange(m_ptr, nullptr)->Release();
    }

private:
    T* m_ptr = nullptr;
};

// ---------------------------------------------------------------------------
// Text: ANSI bytes in std::string, 16-bit text in std::wstring. These two are
// the only conversions in the product. Characters the code page cannot hold
// become the system's substitute; bytes the code page cannot map become the
// system's replacement character. Embedded NULs are converted like any other.

std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view ansi);

// ToAnsi(FromAnsi(ansi)): the bytes that reading ansi as text and writing it
// back in the code page give. Most texts are their own result; those are
// recognised by a table of the code page's characters and returned as they
// are, without either conversion (a paste may be many megabytes).
std::string RoundTripAnsi(std::string ansi);

// True when bytes hold a NUL; a word at a time, for texts of many megabytes.
bool ContainsNul(std::string_view bytes) noexcept;

// True when byte is a lead byte of a double-byte character in the ANSI code page.
bool IsLeadByte(unsigned char byte) noexcept;

// Length of the longest prefix of ansi (at most maxBytes) that ends on a
// character boundary, scanning double-byte characters from the start.
std::size_t CompleteCharsPrefix(std::string_view ansi, std::size_t maxBytes) noexcept;

// ---------------------------------------------------------------------------
// Windows and messages.

HWND ForegroundWindow() noexcept;
// GetClassNameA into a buffer of bufferChars bytes, all NUL beforehand; the
// whole buffer is returned, the caller cuts it.
std::string ClassNameBuffer(HWND hwnd, int bufferChars);
HWND FindChild(HWND parent, const char* className) noexcept;
LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
HWND TopWindow(HWND parent) noexcept;
HWND NextWindow(HWND hwnd, UINT command) noexcept;
DWORD WindowProcessId(HWND hwnd) noexcept;
HWND ParentWindow(HWND hwnd) noexcept;
bool IsMaximized(HWND hwnd) noexcept;
void Show(HWND hwnd, int showCommand) noexcept;
bool BringToForeground(HWND hwnd) noexcept;
void SetTopmost(HWND hwnd, bool topmost) noexcept;

// GetVersionExA with the record size set as the caller asks; empty on failure.
std::optional<OSVERSIONINFOA> OsVersion(DWORD recordSize = sizeof(OSVERSIONINFOA));

// Whether this process runs under Wine, whose ntdll exports wine_get_version.
// Wine reports whatever Windows version it is told to, so the version record
// cannot say this.
bool RunsUnderWine() noexcept;

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT style) noexcept;

// ---------------------------------------------------------------------------
// Processes.

struct StartedProcess {
    UniqueProcess process;
    DWORD id = 0;
};

// Starts an executable by its full path with no arguments and the given show
// command. The path is quoted, so blanks in it are safe. Throws Win32Error.
StartedProcess StartProgram(const std::wstring& path, int showCommand);
// WaitForInputIdle; INFINITE waits without limit.
DWORD WaitUntilIdle(HANDLE process, DWORD milliseconds) noexcept;
// Whether the process ended within the time given (0: has it ended now).
bool WaitForExit(HANDLE process, DWORD milliseconds) noexcept;

// The process that started this one, while it runs: empty when it has ended
// or cannot be told (a number handed on to a process started after this one
// is no parent).
std::optional<DWORD> ParentProcessId();

// ---------------------------------------------------------------------------
// Files and the running executable.

std::wstring ExecutablePath();
// Folder of the running executable: no trailing "\" except at a drive's root.
std::wstring ExecutableFolder();
// File name of the running executable without folder and extension.
std::wstring ExecutableBaseName();

// Why a file could not be read, in the user's words; the path as given.
class FileReadError : public std::runtime_error {
public:
    // ContainsNul: read, but a NUL byte would end the text on its way to an
    // editor and silently drop the rest of the paste. NotRegular: a device
    // or a pipe. SizeChanged: more bytes than its size said. CannotConvert:
    // read, but the system has no conversion of its text to the ANSI code page.
    enum class Reason { NotFound, AccessDenied, Locked, IsFolder, TooLarge, ReadFailed, ContainsNul, NotRegular,
                        SizeChanged, CannotConvert };
    FileReadError(std::wstring path, Reason reason, DWORD code);
    const std::wstring& Path() const noexcept { return m_path; }
    Reason Why() const noexcept { return m_reason; }
    DWORD Code() const noexcept { return m_code; }

private:
    std::wstring m_path;
    Reason m_reason;
    DWORD m_code;
};

// Largest file read whole: the byte length is a 32-bit signed count.
inline constexpr std::uint64_t kMaxReadableFile = 0x7FFFFFFF;
// Longest path Windows opens at all (the \\?\ form), in 16-bit characters.
inline constexpr std::size_t kMaxPathChars = 32767;

// Opens by the 16-bit path (so names outside the ANSI code page work), reads
// every byte, closes. Throws FileReadError, also for a device, a pipe or a
// file that holds more than its size. `inspect`, when given, sees each part
// as it is read and may end the read by throwing.
inline constexpr std::size_t kReadPart = 1u << 20;
std::string ReadWholeFile(const std::wstring& path, const std::function<void(std::string_view part)>& inspect = {});

// PathStripPathA on the buffer in place.
void StripPath(std::string& buffer);
bool PathExists(const std::string& ansiPath) noexcept;

// ---------------------------------------------------------------------------
// Private profile (INI) functions, in ANSI bytes.

// GetPrivateProfileStringA into a zero-filled buffer of bufferSize bytes;
// returns the buffer cut at the returned length.
std::string ReadProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, DWORD bufferSize,
                              const std::string& file);
bool WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& file) noexcept;

// ---------------------------------------------------------------------------
// Version resources.

// The fixed file information of an executable, following the version
// library's calls; empty when there is none or a call fails.
std::optional<VS_FIXEDFILEINFO> FixedFileInfo(const std::string& ansiPath);

} // namespace platform

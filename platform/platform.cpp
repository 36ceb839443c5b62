#include "platform/platform.h"

#include <shlwapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace platform {

namespace {

std::string DescribeError(const char* call, DWORD code)
{
    return std::string(call) + " failed with error " + std::to_string(code);
}

} // namespace

Win32Error::Win32Error(const char* call, DWORD code)
    : std::runtime_error(DescribeError(call, code)), m_call(call), m_code(code)
{
}

void ThrowLastError(const char* call)
{
    throw Win32Error(call, ::GetLastError());
}

void ThrowError(const char* call, DWORD code)
{
    throw Win32Error(call, code);
}

// --- text -------------------------------------------------------------------

std::string ToAnsi(std::wstring_view text)
{
    if (text.empty()) return {};
    if (text.size() > 0x3FFFFFFF) throw std::length_error("text too long for the ANSI code page");
    const int wideLength = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, text.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) ThrowLastError("WideCharToMultiByte");
    std::string ansi(static_cast<std::size_t>(bytes), '\0');
    if (::WideCharToMultiByte(CP_ACP, 0, text.data(), wideLength, ansi.data(), bytes, nullptr, nullptr) != bytes)
        ThrowLastError("WideCharToMultiByte");
    return ansi;
}

std::wstring FromAnsi(std::string_view ansi)
{
    if (ansi.empty()) return {};
    if (ansi.size() > 0x7FFFFFFF) throw std::length_error("text too long for the ANSI code page");
    const int byteLength = static_cast<int>(ansi.size());
    const int chars = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), byteLength, nullptr, 0);
    if (chars <= 0) ThrowLastError("MultiByteToWideChar");
    std::wstring text(static_cast<std::size_t>(chars), L'\0');
    if (::MultiByteToWideChar(CP_ACP, 0, ansi.data(), byteLength, text.data(), chars) != chars)
        ThrowLastError("MultiByteToWideChar");
    return text;
}

namespace {

// Which characters of the code page come back as the same bytes: single bytes
// by value, double-byte characters by lead and trail byte. Asked of the
// system once, one character at a time, so that nothing about the code page
// is assumed: undefined pairs, lone lead bytes and the duplicate codes that
// map to one character all fail the test and take the converting path.
class RoundTripTable {
public:
    RoundTripTable()
    {
        bool asciiSame = true;
        for (unsigned first = 0; first < 256; ++first) {
            if (IsLeadByte(static_cast<unsigned char>(first))) {
                m_kind[first] = kLead;
                for (unsigned trail = 0; trail < 256; ++trail)
                    if (SameAfterRoundTrip(static_cast<char>(first), static_cast<char>(trail), 2))
                        m_pairs[first << 3 | trail >> 5] |= 1u << (trail & 31);
            } else {
                m_kind[first] = SameAfterRoundTrip(static_cast<char>(first), 0, 1) ? kSame : kChanges;
            }
            if (first < 0x80) asciiSame = asciiSame && m_kind[first] == kSame;
        }
        m_asciiSame = asciiSame;
    }

    bool Holds(std::string_view ansi) const noexcept
    {
        const auto* bytes = reinterpret_cast<const unsigned char*>(ansi.data());
        const std::size_t size = ansi.size();
        std::size_t pos = 0;
        while (pos < size) {
            const unsigned char first = bytes[pos];
            if (first < 0x80 && m_asciiSame && size - pos >= 8) {
                // Runs of plain ASCII, eight bytes at a time.
                std::uint64_t word;
                std::memcpy(&word, bytes + pos, sizeof word);
                if ((word & 0x8080808080808080u) == 0) {
                    pos += 8;
                    continue;
                }
            }
            switch (m_kind[first]) {
            case kSame: ++pos; continue;
            case kChanges: return false;
            default: break;
            }
            // A lead byte at the very end has no character to be.
            if (pos + 1 == size) return false;
            const unsigned trail = bytes[pos + 1];
            if (!(m_pairs[static_cast<unsigned>(first) << 3 | trail >> 5] >> (trail & 31) & 1u)) return false;
            pos += 2;
        }
        return true;
    }

private:
    enum Kind : unsigned char { kSame, kChanges, kLead };

    static bool SameAfterRoundTrip(char first, char second, int length) noexcept
    {
        const char in[2] = {first, second};
        wchar_t wide[4] = {};
        const int chars = ::MultiByteToWideChar(CP_ACP, 0, in, length, wide, 4);
        // One character for one character: a pair read as two would change
        // meaning with its neighbours.
        if (chars != 1) return false;
        char out[8] = {};
        const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide, chars, out, 8, nullptr, nullptr);
        return bytes == length && out[0] == first && (length == 1 || out[1] == second);
    }

    Kind m_kind[256] = {};
    std::uint32_t m_pairs[256 * 8] = {}; // one bit per lead and trail byte
    bool m_asciiSame = false;
};

} // namespace

std::string RoundTripAnsi(std::string ansi)
{
    static const RoundTripTable table;
    if (table.Holds(ansi)) return ansi;
    return ToAnsi(FromAnsi(ansi));
}

bool ContainsNul(std::string_view bytes) noexcept
{
    const char* data = bytes.data();
    const std::size_t size = bytes.size();
    std::size_t pos = 0;
    for (; pos + 8 <= size; pos += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + pos, sizeof word);
        // Non-zero exactly when one of the eight bytes is zero.
        if ((word - 0x0101010101010101u) & ~word & 0x8080808080808080u) return true;
    }
    for (; pos < size; ++pos)
        if (data[pos] == '\0') return true;
    return false;
}

bool IsLeadByte(unsigned char byte) noexcept
{
    return ::IsDBCSLeadByte(byte) != FALSE;
}

std::size_t CompleteCharsPrefix(std::string_view ansi, std::size_t maxBytes) noexcept
{
    const std::size_t limit = maxBytes < ansi.size() ? maxBytes : ansi.size();
    std::size_t pos = 0;
    while (pos < limit) {
        const std::size_t width = IsLeadByte(static_cast<unsigned char>(ansi[pos])) ? 2 : 1;
        if (pos + width > limit) break;
        pos += width;
    }
    return pos;
}

// --- windows ------------------------------------------------------------------

HWND ForegroundWindow() noexcept { return ::GetForegroundWindow(); }

std::string ClassNameBuffer(HWND hwnd, int bufferChars)
{
    std::string buffer(static_cast<std::size_t>(bufferChars), '\0');
    ::GetClassNameA(hwnd, buffer.data(), bufferChars);
    return buffer;
}

HWND FindChild(HWND parent, const char* className) noexcept
{
    return ::FindWindowExA(parent, nullptr, className, nullptr);
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    return ::SendMessageA(hwnd, message, wParam, lParam);
}

HWND TopWindow(HWND parent) noexcept { return ::GetTopWindow(parent); }
HWND NextWindow(HWND hwnd, UINT command) noexcept { return ::GetWindow(hwnd, command); }

DWORD WindowProcessId(HWND hwnd) noexcept
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

HWND ParentWindow(HWND hwnd) noexcept { return ::GetParent(hwnd); }
bool IsMaximized(HWND hwnd) noexcept { return ::IsZoomed(hwnd) != FALSE; }
void Show(HWND hwnd, int showCommand) noexcept { ::ShowWindow(hwnd, showCommand); }
bool BringToForeground(HWND hwnd) noexcept { return ::SetForegroundWindow(hwnd) != FALSE; }

void SetTopmost(HWND hwnd, bool topmost) noexcept
{
    ::SetWindowPos(hwnd, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

std::optional<OSVERSIONINFOA> OsVersion(DWORD recordSize)
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = recordSize;
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    if (!::GetVersionExA(&info)) return std::nullopt;
    return info;
}

bool RunsUnderWine() noexcept
{
    static const bool underWine = [] {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return underWine;
}

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT style) noexcept
{
    return ::MessageBoxW(owner, text.c_str(), title.c_str(), style);
}

// --- processes ----------------------------------------------------------------

StartedProcess StartProgram(const std::wstring& path, int showCommand)
{
    if (path.empty()) ThrowError("CreateProcessW", ERROR_FILE_NOT_FOUND);
    // The module name goes in lpApplicationName as well, so a path with blanks
    // can never be split into a shorter program and arguments.
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info))
        ThrowLastError("CreateProcessW");
    UniqueThread thread(info.hThread);
    StartedProcess started;
    started.process.reset(info.hProcess);
    started.id = info.dwProcessId;
    return started;
}

DWORD WaitUntilIdle(HANDLE process, DWORD milliseconds) noexcept
{
    return ::WaitForInputIdle(process, milliseconds);
}

bool WaitForExit(HANDLE process, DWORD milliseconds) noexcept
{
    return ::WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0;
}

namespace {

std::optional<ULONGLONG> CreationTime(HANDLE process) noexcept
{
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return std::nullopt;
    return ULARGE_INTEGER{{created.dwLowDateTime, created.dwHighDateTime}}.QuadPart;
}

} // namespace

std::optional<DWORD> ParentProcessId()
{
    const DWORD self = ::GetCurrentProcessId();
    DWORD parent = 0;
    {
        const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot) return std::nullopt;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
            if (entry.th32ProcessID == self) {
                parent = entry.th32ParentProcessID;
                break;
            }
        }
    }
    if (parent == 0 || parent == self) return std::nullopt;
    // The snapshot keeps the number of a parent that has ended, and the
    // system may have given it to a newer process since.
    UniqueProcess process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parent));
    if (!process) process.reset(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, parent));
    if (!process) return std::nullopt;
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(process.get(), &exitCode) || exitCode != STILL_ACTIVE) return std::nullopt;
    const std::optional<ULONGLONG> parentCreated = CreationTime(process.get());
    const std::optional<ULONGLONG> selfCreated = CreationTime(::GetCurrentProcess());
    if (!parentCreated || !selfCreated || *parentCreated > *selfCreated) return std::nullopt;
    return parent;
}

// --- files ---------------------------------------------------------------------

std::wstring ExecutablePath()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) ThrowLastError("GetModuleFileNameW");
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring ExecutableFolder()
{
    std::wstring path = ExecutablePath();
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return path;
    // At a drive's root the folder keeps its "\" (C:\), as the shell reports it.
    if (slash == 2 && path[1] == L':') return path.substr(0, 3);
    return path.substr(0, slash);
}

std::wstring ExecutableBaseName()
{
    std::wstring path = ExecutablePath();
    const std::size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot != 0) name.resize(dot);
    return name;
}

FileReadError::FileReadError(std::wstring path, Reason reason, DWORD code)
    : std::runtime_error("file could not be read"), m_path(std::move(path)), m_reason(reason), m_code(code)
{
}

namespace {

FileReadError::Reason ReasonFor(DWORD code) noexcept
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
        return FileReadError::Reason::NotFound;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return FileReadError::Reason::Locked;
    case ERROR_ACCESS_DENIED:
        return FileReadError::Reason::AccessDenied;
    default:
        return FileReadError::Reason::ReadFailed;
    }
}

} // namespace

std::string ReadWholeFile(const std::wstring& path, const std::function<void(std::string_view part)>& inspect)
{
    using Reason = FileReadError::Reason;
    // No file system names a file with a longer path, and handing millions
    // of characters to the system only costs time.
    if (path.size() > kMaxPathChars) throw FileReadError(path, Reason::NotFound, ERROR_FILENAME_EXCED_RANGE);
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw FileReadError(path, Reason::IsFolder, ERROR_ACCESS_DENIED);

    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        const DWORD code = ::GetLastError();
        throw FileReadError(path, ReasonFor(code), code);
    }
    // A device or a pipe opens like a file and reports a size of 0: Wine
    // answers FILE_TYPE_CHAR for \dev\zero and FILE_TYPE_PIPE for a FIFO.
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) throw FileReadError(path, Reason::NotRegular, ERROR_BAD_FILE_TYPE);
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) {
        const DWORD code = ::GetLastError();
        throw FileReadError(path, Reason::ReadFailed, code);
    }
    if (static_cast<std::uint64_t>(size.QuadPart) > kMaxReadableFile)
        throw FileReadError(path, Reason::TooLarge, ERROR_FILE_TOO_LARGE);

    const auto readInto = [&](char* buffer, std::size_t count) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), buffer, static_cast<DWORD>(count), &got, nullptr)) {
            const DWORD code = ::GetLastError();
            throw FileReadError(path, ReasonFor(code) == Reason::Locked ? Reason::Locked : Reason::ReadFailed, code);
        }
        return static_cast<std::size_t>(got);
    };
    // In parts, each shown to the caller as it arrives, so that a file that
    // cannot be pasted is known by its first part rather than after reading
    // two gigabytes; the whole size is taken only after the first part.
    const std::size_t total = static_cast<std::size_t>(size.QuadPart);
    std::string bytes(std::min(total, kReadPart), '\0');
    std::size_t done = 0;
    while (done < total) {
        if (bytes.size() < total && done > 0) bytes.resize(total);
        const std::size_t got = readInto(bytes.data() + done, std::min(total - done, kReadPart));
        if (got == 0) break; // the file shrank while we read: keep what is there
        if (inspect) inspect(std::string_view(bytes).substr(done, got));
        done += got;
    }
    bytes.resize(done);
    // More bytes than the size said: a file being written, or one of no
    // fixed size (\proc\cpuinfo reports 0). Its text is not what was dropped.
    if (done == total) {
        char extra = 0;
        if (readInto(&extra, 1) > 0) throw FileReadError(path, Reason::SizeChanged, ERROR_INVALID_DATA);
    }
    return bytes;
}

void StripPath(std::string& buffer)
{
    // PathStripPathA wants a terminated string; the terminator is outside the
    // caller's bytes so that "no NUL inside" stays observable.
    buffer.push_back('\0');
    ::PathStripPathA(buffer.data());
    buffer.pop_back();
}

bool PathExists(const std::string& ansiPath) noexcept
{
    return ::PathFileExistsA(ansiPath.c_str()) != FALSE;
}

// --- profile ---------------------------------------------------------------------

std::string ReadProfileString(const std::string& section, const std::string& key, const std::string& defaultValue,
                              DWORD bufferSize, const std::string& file)
{
    // Zero-filled, and cut at the returned length: a value cut inside a
    // double-byte character can leave stray bytes behind the terminator.
    std::string buffer(bufferSize, '\0');
    const DWORD copied = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                                                    bufferSize, file.c_str());
    buffer.resize(copied < bufferSize ? copied : 0);
    return buffer;
}

bool WriteProfileString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& file) noexcept
{
    return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

// --- version resources ------------------------------------------------------------

std::optional<VS_FIXEDFILEINFO> FixedFileInfo(const std::string& ansiPath)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(ansiPath.c_str(), &ignored);
    if (size < 1) return std::nullopt;
    std::vector<unsigned char> data(size + 1u, 0);
    if (!::GetFileVersionInfoA(ansiPath.c_str(), 0, size, data.data())) return std::nullopt;
    void* root = nullptr;
    UINT length = 0;
    VS_FIXEDFILEINFO info{};
    if (::VerQueryValueA(data.data(), "\\", &root, &length) && root) {
        const UINT copy = length < sizeof(info) ? length : static_cast<UINT>(sizeof(info));
        ::CopyMemory(&info, root, copy);
    }
    return info;
}

} // namespace platform

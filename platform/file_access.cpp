#include "platform/file_access.h"

#include "platform/code_page.h"
#include "platform/handles.h"
#include "platform/system_version.h"

#include <shlwapi.h>

#include <algorithm>
#include <optional>

namespace platform {

FileReadError::FileReadError(Reason reason) : std::runtime_error("file could not be read"), m_reason(reason) {}

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

std::string ReadWholeFile(const std::wstring& path, const std::function<void(std::string_view part)>& inspect,
                          std::uint64_t maxBytes)
{
    using Reason = FileReadError::Reason;
    // No file system names a file with a longer path, and handing millions
    // of characters to the system only costs time.
    if (path.size() > kMaxPathChars) throw FileReadError(Reason::NotFound);
    const bool wide = IsNtFamily();
    std::optional<std::string> ansiPath;
    if (!wide) {
        // On 9x such a file cannot be reached by any name this program has.
        ansiPath = ExactAnsi(path);
        if (!ansiPath) throw FileReadError(Reason::NotFound);
    }
    const DWORD attributes = wide ? ::GetFileAttributesW(path.c_str()) : ::GetFileAttributesA(ansiPath->c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw FileReadError(Reason::IsFolder);

    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
    UniqueFile file(wide ? ::CreateFileW(path.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr)
                         : ::CreateFileA(ansiPath->c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        throw FileReadError(ReasonFor(::GetLastError()));
    }
    // A device or a pipe opens like a file and reports a size of 0: Wine
    // answers FILE_TYPE_CHAR for \dev\zero and FILE_TYPE_PIPE for a FIFO.
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) throw FileReadError(Reason::NotRegular);
    // GetFileSize with its high word, which every Windows has (GetFileSizeEx
    // came with 2000): all ones in the low word is a size, or a failure.
    DWORD high = 0;
    const DWORD low = ::GetFileSize(file.get(), &high);
    if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) throw FileReadError(Reason::ReadFailed);
    const std::uint64_t size = static_cast<std::uint64_t>(high) << 32 | low;
    if (size > std::min(maxBytes, kMaxReadableFile)) throw FileReadError(Reason::TooLarge);

    const auto readInto = [&](char* buffer, std::size_t count) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), buffer, static_cast<DWORD>(count), &got, nullptr)) {
            throw FileReadError(ReasonFor(::GetLastError()) == Reason::Locked ? Reason::Locked : Reason::ReadFailed);
        }
        return static_cast<std::size_t>(got);
    };
    // In parts, each shown to the caller as it arrives, so that a file that
    // cannot be pasted is known by its first part rather than after reading
    // two gigabytes; the whole size is taken only after the first part.
    const std::size_t total = static_cast<std::size_t>(size);
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
        if (readInto(&extra, 1) > 0) throw FileReadError(Reason::SizeChanged);
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

void StripPath(std::wstring& buffer)
{
    buffer.push_back(L'\0');
    ::PathStripPathW(buffer.data());
    buffer.pop_back();
}

bool PathExists(const std::string& ansiPath) noexcept
{
    return ::PathFileExistsA(ansiPath.c_str()) != FALSE;
}

} // namespace platform

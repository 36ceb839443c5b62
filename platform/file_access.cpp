#include "platform/file_access.h"

#include "platform/handles.h"

#include <shlwapi.h>

#include <algorithm>
#include <utility>

namespace platform {

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

} // namespace platform

// Reading files whole, and the facts about paths the product asks.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

// Why a file could not be read, as the system told it.
class FileReadError : public std::runtime_error {
public:
    // NotRegular: a device or a pipe. SizeChanged: more bytes than its size
    // said. TooLarge: larger than the reader asked for.
    enum class Reason { NotFound, AccessDenied, Locked, IsFolder, TooLarge, ReadFailed, NotRegular, SizeChanged };
    explicit FileReadError(Reason reason);
    Reason Why() const noexcept { return m_reason; }

private:
    Reason m_reason;
};

// Largest file read whole: the byte length is a 32-bit signed count.
inline constexpr std::uint64_t kMaxReadableFile = 0x7FFFFFFF;
// Longest path Windows opens at all (the \\?\ form), in 16-bit characters.
inline constexpr std::size_t kMaxPathChars = 32767;

// Opens by the 16-bit path (so names outside the ANSI code page work), reads
// every byte, closes. Throws FileReadError, also for a device, a pipe or a
// file that holds more than its size, and (TooLarge) before reading a file
// of more than maxBytes. `inspect`, when given, sees each part as it is read
// and may end the read by throwing.
inline constexpr std::size_t kReadPart = 1u << 20;
std::string ReadWholeFile(const std::wstring& path, const std::function<void(std::string_view part)>& inspect = {},
                          std::uint64_t maxBytes = kMaxReadableFile);

// PathStripPathA, PathStripPathW on the buffer in place.
void StripPath(std::string& buffer);
void StripPath(std::wstring& buffer);
bool PathExists(const std::string& ansiPath) noexcept;

} // namespace platform

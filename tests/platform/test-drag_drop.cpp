// The DROPFILES walk on blocks that end at the last readable byte: a read past the end faults.
#include "platform/drag_drop.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A read past a block faults, and the tests end at once rather than in a debugger.
LONG WINAPI EndAtOnce(EXCEPTION_POINTERS*) { return EXCEPTION_EXECUTE_HANDLER; }

TEST(FileListOf, TakesThePathsOfAnyBlockAndNeverReadsPastItsEnd)
{
    const std::size_t page = 4096;
    auto* memory = static_cast<char*>(::VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    ASSERT_TRUE(memory && ::VirtualProtect(memory + page, page, PAGE_NOACCESS, &old));
    ::SetUnhandledExceptionFilter(EndAtOnce);
    constexpr DWORD kHeader = sizeof(DROPFILES);
    const auto wide = [](std::wstring_view names) {
        return std::string(reinterpret_cast<const char*>(names.data()), names.size() * sizeof(wchar_t));
    };
    struct Row { // offset: of the names; size: of the block, when not header and names
        const char* what; bool wide; std::string names; std::vector<std::wstring> paths;
        DWORD offset = kHeader; std::size_t size = 0;
    };
    const Row rows[] = {
        {"wide", true, wide({L"C:\\a b.txt\0D:\\\x3042\0\0", 16}), {L"C:\\a b.txt", L"D:\\\x3042"}},
        {"ANSI, double-byte", false, std::string("C:\\\x82\xa0.txt\0D:\\b\0\0", 15), {L"C:\\\x3042.txt", L"D:\\b"}},
        {"wide, one NUL at the end", true, wide({L"C:\\a\0D:\\b\0", 10}), {L"C:\\a", L"D:\\b"}},
        {"ANSI, one NUL at the end", false, std::string("C:\\a\0D:\\b\0", 10), {L"C:\\a", L"D:\\b"}},
        {"wide, last path unterminated", true, wide({L"C:\\a\0D:\\b", 9}), {L"C:\\a", L"D:\\b"}},
        {"ANSI, last path unterminated", false, std::string("C:\\a\0D:\\b", 9), {L"C:\\a", L"D:\\b"}},
        {"wide, half a character at the end", true, wide({L"C:\\a\0D:\\b", 9}) + "x", {L"C:\\a", L"D:\\b"}},
        {"an empty name ends the list", true, wide({L"\0C:\\a\0\0", 7}), {}},
        {"ANSI, an empty name after one", false, std::string("C:\\a\0\0D:\\b\0\0", 12), {L"C:\\a"}},
        {"offset at the end", false, "", {}},
        {"offset beyond the block", false, "C:\\a", {}, kHeader + 100},
        {"smaller than the header", true, "", {}, kHeader, kHeader - 1},
    };
    for (const Row& row : rows) {
        DROPFILES header{row.offset, {}, FALSE, row.wide};
        std::string block = std::string(reinterpret_cast<const char*>(&header), sizeof header) + row.names;
        if (row.size) block.resize(row.size);
        char* at = memory + page - block.size();
        std::memcpy(at, block.data(), block.size());
        EXPECT_EQ(platform::dragdrop::FileListOf(at, block.size()), row.paths) << row.what;
    }
    ::VirtualFree(memory, 0, MEM_RELEASE);
}

} // namespace

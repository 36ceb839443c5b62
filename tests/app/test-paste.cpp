// The paste's own rules without a window: which files' bytes are collected
// and how, and what the editor's state after a delivery proves.
#include "app/paste.h"
#include "platform/code_page.h"
#include "platform/handles.h"
#include "support/standin_driver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using paste::Outcome;
using paste::Problem;

enum class Kind { Text, Missing, Folder, Locked };

struct Listed {
    std::string bytes;
    bool selected = true;
    Kind kind = Kind::Text;
    const wchar_t* name = nullptr; // default: f<index>.txt
};

struct CollectRow {
    const char* what;
    std::vector<Listed> files;
    bool autoEncoding;
    std::optional<std::string> text; // no value: not compared
    std::vector<std::pair<std::size_t, Problem>> unpastable = {}; // by index in files
    std::size_t lossy = 0;
    bool crLf = false, breakBetween = false; // 改行を CR LF にそろえる, ファイルの間に改行を入れる
};

TEST(PasteCollect, JoinsTheSelectedFilesInListOrderAndNamesEveryFileThatCannotBePasted)
{
    const std::string utf16 = std::string("\xFF\xFE" "a\0b\0", 6);
    const std::string utf8 = "\xEF\xBB\xBF\xE3\x81\x82"; // あ with a mark
    const CollectRow rows[] = {
        {"list order, unselected files left out", {{"abc"}, {"XXX", false}, {"def\r\n"}, {"abc"}}, false,
         "abcdef\r\nabc"},
        {"nothing selected", {{"abc", false}}, false, ""},
        {"empty files", {{""}, {""}}, false, ""},
        {"a name outside the ANSI code page", {{"ok", true, Kind::Text, L"\xD55C\xAE00.txt"}}, false, "ok"},
        {"a NUL in an ANSI file", {{"ok"}, {std::string("a\0b", 3)}}, false, std::nullopt, {{1, Problem::ContainsNul}}},
        {"UTF-16 read as ANSI is full of NULs", {{utf16}}, false, std::nullopt, {{0, Problem::ContainsNul}}},
        {"UTF-16 converted holds none", {{utf16}}, true, "ab"},
        {"a NUL character in UTF-16 text", {{std::string("\xFF\xFE" "a\0\0\0", 6)}}, true, std::nullopt,
         {{0, Problem::ContainsNul}}},
        {"UTF-8 converted to the code page", {{utf8}, {"\x82\xa0"}}, true, "\x82\xa0\x82\xa0"},
        {"UTF-8 read as ANSI without the option", {{utf8}}, false, platform::RoundTripAnsi(utf8)},
        // A lone lead byte at a file's end must not pair with the next file's first byte.
        {"each file through the code page on its own", {{"a\x82"}, {"A"}}, false, platform::RoundTripAnsi("a\x82") + "A"},
        {"a character the code page cannot hold", {{"\xED\x95\x9C"}}, true, std::nullopt, {}, 1},
        {"unreadable files, unselected ones not read",
         {{"good"}, {"", true, Kind::Missing}, {"", true, Kind::Folder}, {"locked", true, Kind::Locked},
          {"", false, Kind::Missing}},
         false, std::nullopt, {{1, Problem::NotFound}, {2, Problem::IsFolder}, {3, Problem::Locked}}},
        {"line ends as they are without the option", {{"a\nb\rc\r\n"}}, false, "a\nb\rc\r\n"},
        {"LF and a lone CR become CR LF, CR LF stays", {{"a\nb\rc\r\nd\n\r\r\n"}, {"\re"}}, false,
         "a\r\nb\r\nc\r\nd\r\n\r\n\r\n\r\ne", {}, 0, true},
        {"a CR at one file's end and an LF at the next's start are two line ends", {{"a\r"}, {"\nb"}}, false,
         "a\r\n\r\nb", {}, 0, true},
        {"after the conversion: UTF-16 line ends", {{std::string("\xFF\xFE" "a\0\n\0\r\0", 8)}}, true, "a\r\n\r\n", {}, 0, true},
        {"after the code page: a double-byte character and a lone lead byte", {{"\x82\xa0\n\x82"}}, false,
         std::string("\x82\xa0\r\n").append(platform::RoundTripAnsi("\x82")), {}, 0, true},
        {"a break between files that do not end a line, none after the last", {{"a"}, {"b"}, {"c\n"}, {"d\r"}, {"e"}}, false,
         "a\r\nb\r\nc\nd\re", {}, 0, false, true},
        {"empty and unselected files are not between", {{""}, {"a"}, {""}, {"x", false}, {"b"}, {""}}, false, "a\r\nb", {},
         0, false, true},
        {"a break after the code page's reading of a lone lead byte", {{"a\x82"}, {"A"}}, false,
         platform::RoundTripAnsi("a\x82") + "\r\nA", {}, 0, false, true},
        {"both: the break sees the CR LF", {{"a\rb"}, {"c\r"}, {"d"}}, false, "a\r\nb\r\nc\r\nd", {}, 0, true, true},
    };
    for (const CollectRow& row : rows) {
        SCOPED_TRACE(row.what);
        testsupport::TempDir dir;
        std::vector<std::wstring> paths;
        std::vector<bool> selected;
        std::vector<platform::UniqueFile> locks;
        for (const Listed& file : row.files) {
            const std::wstring path = dir / (file.name ? file.name : L"f" + std::to_wstring(paths.size()) + L".txt");
            if (file.kind == Kind::Folder) ::CreateDirectoryW(path.c_str(), nullptr);
            if (file.kind == Kind::Text || file.kind == Kind::Locked) testsupport::WriteFileBytes(path, file.bytes);
            if (file.kind == Kind::Locked)
                locks.emplace_back(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            paths.push_back(path);
            selected.push_back(file.selected);
        }
        const paste::Collected got = paste::Collect(paths, selected, {.autoEncoding = row.autoEncoding, .crLfLineEnds = row.crLf, .breakBetweenFiles = row.breakBetween});
        if (row.text) { EXPECT_EQ(got.text, *row.text); }
        std::vector<paste::UnpastableFile> expected;
        for (const auto& [index, why] : row.unpastable) expected.push_back({paths[index], why});
        EXPECT_EQ(got.unpastable, expected);
        EXPECT_EQ(got.lossy.size(), row.lossy);
    }
}

struct JudgeRow {
    const char* what;
    paste::EditorState before;
    std::size_t sent, messages;
    paste::EditorState after;
    Outcome expected;
};

TEST(PasteJudge, ConcludesOnlyWhatTheEditorsStateProves)
{
    const JudgeRow rows[] = {
        {"caret right after the paste", {2, 2, 5}, 3, 1, {5, 5, 8}, Outcome::Whole},
        {"a selection replaced, given from its end", {4, 1, 6}, 4, 1, {5, 5, 7}, Outcome::Whole},
        {"whole, the caret moved since", {0, 0, 0}, 3, 1, {1, 1, 3}, Outcome::Whole},
        // As many bytes as were selected: the length alone says nothing.
        {"as long as before, the caret moved", {0, 3, 3}, 3, 1, {1, 1, 3}, Outcome::Whole},
        {"as long as before, the selection gone", {0, 3, 3}, 3, 1, {0, 0, 3}, Outcome::Whole},
        {"the editor gone", {0, 0, 0}, 3, 1, {0, 0, -1}, Outcome::EditorGone},
        {"nothing changed", {1, 1, 5}, 3, 1, {1, 1, 5}, Outcome::Refused},
        {"nothing changed, as many bytes as were selected", {0, 3, 3}, 3, 1, {0, 3, 3}, Outcome::Refused},
        {"one message cut short", {2, 2, 10}, 100, 1, {42, 42, 50}, Outcome::TakenBack},
        {"nothing kept, the selection deleted", {2, 6, 10}, 100, 1, {2, 2, 6}, Outcome::TakenBack},
        {"nothing kept, the document emptied", {0, 3, 3}, 5, 1, {0, 0, 0}, Outcome::TakenBack},
        {"pieces cut short", {2, 2, 10}, 100, 2, {42, 42, 50}, Outcome::Partial},
        {"cut short, the caret elsewhere", {2, 2, 10}, 100, 1, {45, 45, 50}, Outcome::Unconfirmed},
        {"cut short, a selection left", {2, 2, 10}, 100, 1, {42, 43, 50}, Outcome::Unconfirmed},
        {"grown by more than was sent", {2, 2, 10}, 3, 1, {9, 9, 14}, Outcome::Unconfirmed},
        {"shorter than before", {2, 2, 10}, 3, 1, {1, 1, 8}, Outcome::Unconfirmed},
        // The caret where 32-bit arithmetic would wrap the end of the paste to.
        {"positions beyond 32 bits", {0x7FFFFFF0, 0x7FFFFFF0, 0x7FFFFFF0}, 0x20, 1, {-0x7FFFFFF0, -0x7FFFFFF0, 0x10},
         Outcome::Unconfirmed},
    };
    for (const JudgeRow& row : rows)
        EXPECT_EQ(paste::Judge(row.before, row.sent, row.messages, row.after), row.expected) << row.what;
}

} // namespace

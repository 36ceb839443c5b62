// 文字コードを自動判別: how a file is decided and converted, and the option in
// the real window: the system menu, the settings file, and the question
// before a paste of what the code page cannot hold, against a stand-in editor.
// Expected bytes come from the system's conversions, not the product's.
#include "form_session.h"

#include "app/file_encoding.h"
#include "app/texts.h"

#include "platform/ui.h"

#include "platform/file_access.h"
#include "platform/handles.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <chrono>

#include <string>
#include <tuple>
#include <vector>

namespace {

using apptest::FormSession;
using apptest::ShownBox;
using fileEncoding::Encoding;

std::string Ansi(const std::wstring& text, UINT codePage = CP_ACP)
{
    std::string bytes(text.size() * 4, '\0');
    bytes.resize(static_cast<std::size_t>(::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                                                bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr)));
    return bytes;
}
std::string Utf8(const std::wstring& text) { return Ansi(text, CP_UTF8); }
// What goes without the option: the bytes read as ANSI text and written back.
std::string ReadAsAnsi(const std::string& bytes)
{
    std::wstring text(bytes.size(), L'\0');
    text.resize(static_cast<std::size_t>(::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                               text.data(), static_cast<int>(text.size()))));
    return Ansi(text);
}
std::string Utf16(std::wstring text, bool bigEndian = false)
{
    for (wchar_t& unit : text) unit = bigEndian ? static_cast<wchar_t>(unit << 8 | unit >> 8) : unit;
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

const std::wstring kJapanese = L"日本語のテキスト、ＡＢＣ。\r\n二行目 abc ｶﾅ\r\n";
const std::string kUtf8Mark = "\xEF\xBB\xBF", kLittleMark = "\xFF\xFE", kBigMark = "\xFE\xFF";

TEST(FileEncoding, DecidesByTheMarkOrWellFormedUtf8BeyondAsciiConvertsAndCountsWhatTheCodePageCannotHold)
{
    const std::wstring lossy = L"一行目\r\n二行目\r\n三行目 \xD83D\xDE00 と 한글\r\n";
    ASSERT_EQ(Ansi(lossy), Ansi(L"一行目\r\n二行目\r\n三行目 ?? と ??\r\n")) << "the system's default character";
    const std::string ansi = Ansi(kJapanese), broken = "ok\n\x80\xFF\xE3\x81\x82";
    using E = Encoding;
    // What: bytes, decision, text for the editor, characters lost, line of the first.
    for (const auto& [what, bytes, encoding, text, lost, line] : {
             std::tuple{"UTF-8 mark", kUtf8Mark + Utf8(kJapanese), E::Utf8, ansi, 0, 0},
             {"UTF-16LE mark", kLittleMark + Utf16(kJapanese), E::Utf16LittleEndian, ansi, 0, 0},
             {"UTF-16BE mark", kBigMark + Utf16(kJapanese, true), E::Utf16BigEndian, ansi, 0, 0},
             {"UTF-8 without a mark", Utf8(kJapanese), E::Utf8, ansi, 0, 0},
             {"Shift-JIS, its ASCII alone well-formed UTF-8", ansi, E::Ansi, ansi, 0, 0},
             {"ASCII only", "plain\r\n", E::Ansi, "plain\r\n", 0, 0},
             {"nothing", "", E::Ansi, "", 0, 0},
             {"half a UTF-8 mark", "\xEF\xBB" "a\x82\xA0", E::Ansi, "\xEF\xBB" "a\x82\xA0", 0, 0},
             {"UTF-8, then bytes that are not", Utf8(L"é") + Ansi(L"日本"), E::Ansi, Utf8(L"é") + Ansi(L"日本"), 0, 0},
             {"ANSI with a NUL and a lone lead byte", std::string("a\0\x82", 3), E::Ansi, std::string("a\0\x82", 3), 0, 0},
             {"UTF-16 keeps a NUL character", kLittleMark + Utf16({L"a\0b", 3}), E::Utf16LittleEndian, std::string("a\0b", 3), 0, 0},
             {"a mark alone", kBigMark, E::Utf16BigEndian, "", 0, 0},
             {"an emoji and Hangul on the third line", Utf8(lossy), E::Utf8, Ansi(lossy), 3, 3},
             {"broken bytes after a UTF-8 mark", kUtf8Mark + broken, E::Utf8, "ok\n??" + Ansi(L"あ"), 2, 2},
             {"UTF-16LE, odd byte count", kLittleMark + Utf16(L"あ\r\nい") + "B", E::Utf16LittleEndian, Ansi(L"あ\r\nい") + "?", 1, 2},
             {"UTF-16BE, odd byte count", kBigMark + Utf16(L"あい", true) + "0", E::Utf16BigEndian, Ansi(L"あい") + "?", 1, 1},
             {"a lone CR ends a line", kLittleMark + Utf16(L"\rあ\r") + "x", E::Utf16LittleEndian, Ansi(L"\rあ\r") + "?", 1, 3},
             {"a mark and one byte", kLittleMark + "a", E::Utf16LittleEndian, "?", 1, 1},
             // ISO-2022-JP and EUC-JP, from Python's codecs (test-japanese_text.cpp has more).
             {"ISO-2022-JP", std::string("\x1B$BF|K\\8l\x1B(B\r\n"), E::Iso2022Jp, Ansi(L"日本語\r\n"), 0, 0},
             {"EUC-JP", std::string("\xC6\xFC\xCB\xDC\xB8\xEC\r\n"), E::EucJp, Ansi(L"日本語\r\n"), 0, 0},
             {"JIS X 0212 on the second line", std::string("\x1B$B$\"\x1B(B\n\x1B$(D0!\x1B(B"), E::Iso2022Jp,
              Ansi(L"あ\n?"), 1, 2},
             {"EUC-JP with JIS X 0212", std::string("\xA4\xA2\xA4\xA2\r\x8F\xB0\xA1"), E::EucJp, Ansi(L"ああ\r?"), 1, 2}}) {
        SCOPED_TRACE(what);
        EXPECT_EQ(fileEncoding::DecideEncoding(bytes).encoding, encoding);
        std::vector<fileEncoding::LossyFile> files;
        EXPECT_EQ(fileEncoding::TextForPaste(L"C:\\f.txt", bytes, files), text);
        std::vector<std::tuple<std::wstring, std::size_t, std::int64_t>> counted;
        for (const auto& file : files) counted.emplace_back(file.path, file.characters, file.firstLine);
        EXPECT_EQ(counted, (lost ? decltype(counted){{L"C:\\f.txt", lost, line}} : decltype(counted){}));
    }
}

bool OptionChecked(HWND window)
{
    return ::GetMenuState(::GetSystemMenu(window, FALSE), frmQuillbay::kMnuAutoEncoding, MF_BYCOMMAND) & MF_CHECKED;
}
// As the system menu reports a click on the item; the low four bits are the system's own.
void TurnOption(FormSession& s, WPARAM low = 0) { ::SendMessageW(s.Window(), WM_SYSCOMMAND, frmQuillbay::kMnuAutoEncoding | low, 0); }

TEST(AutoEncodingPaste, TheOptionConvertsAndWhatTheCodePageCannotHoldIsAskedFirstWithAnEditorOnly)
{
    const std::wstring lossy = L"一\r\n二 \xD83D\xDE00 と 한글";
    const std::string replaced = Ansi(L"良い") + Ansi(lossy);
    enum Told { Nothing, Asked, Unreadable, NoEditor };
    // What: option on, answer, a file gone, editor closed; box shown, text sent.
    for (const auto& [what, on, answer, gone, closed, told, sent] : {
             std::tuple{"off: each file's bytes read as ANSI", false, IDNO, false, false, Nothing,
                        ReadAsAnsi(Utf8(L"良い")) + ReadAsAnsi(Utf8(lossy)) + ReadAsAnsi(Utf8(lossy))},
             {"on, answered No", true, IDNO, false, false, Asked, std::string()},
             {"on, answered Yes", true, IDYES, false, false, Asked, replaced + Ansi(lossy)},
             {"an unreadable file is told instead", true, IDYES, true, false, Unreadable, std::string()},
             {"no editor: told, nothing asked", true, IDYES, false, true, NoEditor, std::string()}}) {
        SCOPED_TRACE(what);
        apptest::EditorSession p;
        if (on) TurnOption(p.session);
        p.session.Check(frmQuillbay::kChkPasteAndEnd, true);
        p.session.answer = answer;
        // The lossy file listed twice is named once.
        const std::wstring good = p.File(L"good.txt", Utf8(L"良い")), bad = p.File(L"lossy.txt", Utf8(lossy));
        std::vector<std::wstring> paths = {good, bad, bad};
        if (gone) paths.push_back(p.files / L"gone.txt");
        p.session.Drop(paths);
        if (closed) p.editor.Close();
        p.Paste();

        const std::wstring unreadable = std::wstring(texts::kUnreadableHeader) + L"\r\n\r\n" + paths.back() + L"\r\n" +
                                        texts::kUnreadableReasonPrefix + texts::kReasonNotFound;
        const std::wstring question = std::wstring(texts::kLossyHeader) + L"\r\n\r\n" + bad + L"\r\n" + texts::kLossyCountPrefix +
                                      L"3" + texts::kLossyLinePrefix + L"2" + texts::kLossyLineSuffix + L"\r\n\r\n" + texts::kLossyQuestion;
        const std::vector<ShownBox> boxes[] = {{},
                                               {{question, L"Quillbay", MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING}},
                                               {{unreadable, L"Quillbay", MB_OK | MB_ICONEXCLAMATION}},
                                               {{texts::kEditorMissing, L"Quillbay", MB_OK}}};
        EXPECT_EQ(p.session.boxes, boxes[told]);
        // 貼り付け後終了 closes only after a paste; otherwise the list stays as it was.
        EXPECT_EQ(p.session.Form().Loaded(), sent.empty());
        EXPECT_EQ(sent.empty() ? p.session.SelectedEntries().size() : paths.size(), paths.size());
        if (closed) continue;
        EXPECT_EQ(p.editor.Document(), sent);
        const auto messages = sent.empty() ? std::vector<std::string>{} : apptest::PasteAtCursorMessages(sent.size());
        EXPECT_TRUE(testsupport::SameMessages(messages, p.editor.Log()));
    }
}

// A file of size bytes that starts with head and holds zeros after it, sparse:
// gigabytes cost the disk nothing.
void SparseFile(const std::wstring& path, const std::string& head, long long size)
{
    platform::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(file && ::WriteFile(file.get(), head.data(), static_cast<DWORD>(head.size()), &written, nullptr));
    const LARGE_INTEGER end{.QuadPart = size};
    ASSERT_TRUE(::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file.get()));
}

std::size_t PeakMemory()
{
    PROCESS_MEMORY_COUNTERS counters{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

TEST(AutoEncodingPaste, AFileTooLargeToConvertOrWithANulIsToldAtOnceAndMemoryRunningOutInWords)
{
    const long long limit = static_cast<long long>(fileEncoding::kMaxConvertedFile), part = platform::kReadPart;
    const std::string text(part, 'a'), nulFirst = std::string("a\0", 2) + text;
    struct Row {
        const char* what;
        bool on;
        std::string head;
        long long size;
        const wchar_t* reason; // null: out of memory
        bool stopsAtFirstPart = false;
        bool only32Bit = false;
    };
    // The rows that read one part come first: the process's peak memory,
    // which shows whether a file was read whole, only ever grows.
    const Row rows[] = {
        {"no mark, a NUL in the first part", true, nulFirst, limit, texts::kReasonContainsNul, true},
        {"the same, the option off", false, nulFirst, limit, texts::kReasonContainsNul, true},
        {"2 GiB - 1 of zeros", true, "", 0x7FFFFFFF, texts::kReasonTooLargeToConvert, true},
        {"one byte beyond the limit, a UTF-16 mark", true, kLittleMark, limit + 1, texts::kReasonTooLargeToConvert, true},
        // UTF-16 holds NUL bytes as text: read and converted whole, which at
        // the limit fits in memory, and then refused for its U+0000.
        {"at the limit, a UTF-16 mark, then zeros", true, kLittleMark, limit, texts::kReasonContainsNul},
        // 2 GiB cannot be had in a 32-bit process; without the option a file
        // is read whole, and told only at its first NUL, behind the text.
        {"text, then zeros up to 2 GiB - 1", false, text + "b", 0x7FFFFFFF, nullptr, false, true},
    };
    apptest::EditorSession p;
    const std::wstring path = p.files / L"big.txt";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.only32Bit && sizeof(void*) > 4) continue;
        SparseFile(path, row.head, row.size);
        apptest::FormSession s;
        if (row.on) TurnOption(s);
        s.Drop({path});
        p.editor.ClearLog();
        const std::size_t peak = PeakMemory();
        const auto start = std::chrono::steady_clock::now();
        s.Click(frmQuillbay::kCmdExec);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(row.stopsAtFirstPart ? 2 : 10));
        if (row.stopsAtFirstPart) { EXPECT_LT(PeakMemory() - peak, std::size_t{64} << 20) << "read beyond the first part"; }
        const std::wstring told = row.reason ? std::wstring(texts::kUnreadableHeader) + L"\r\n\r\n" + path + L"\r\n" +
                                                   texts::kUnreadableReasonPrefix + row.reason
                                             : texts::kPasteOutOfMemory;
        EXPECT_EQ(s.boxes, (std::vector<ShownBox>{{told, L"Quillbay", MB_OK | MB_ICONEXCLAMATION}}));
        EXPECT_TRUE(testsupport::SameMessages({}, p.editor.Log())) << "nothing is sent";
    }
}

TEST(AutoEncodingOption, IsTheLastItemOfTheSystemMenuKeptInTheSettingsFileOnlyOnceItWasOn)
{
    const std::string three = "[Quillbay]\r\nPasteAndEnd=0\r\nchkTopmost=0\r\nMode=0\r\n";
    // What: settings before (empty: no file), checked as loaded, menu clicks, settings after closing.
    for (const auto& [what, before, checked, turns, after] : {
             std::tuple{"never turned on", std::string(), false, 0, three},
             {"turned on", "", false, 1, three + "AutoEncoding=1\r\n"},
             {"turned on and off again", "", false, 2, three},
             {"on in the file", three + "AutoEncoding=1\r\n", true, 0, three + "AutoEncoding=1\r\n"},
             {"on in the file, turned off", three + "AutoEncoding=1\r\n", true, 1, three + "AutoEncoding=0\r\n"},
             {"off in the file", three + "AutoEncoding=0\r\n", false, 0, three + "AutoEncoding=0\r\n"},
             {"only an exact 1 is on", "[Quillbay]\r\nAutoEncoding=01\r\n", false, 0,
              "[Quillbay]\r\nAutoEncoding=0\r\nPasteAndEnd=0\r\nchkTopmost=0\r\nMode=0\r\n"},
             {"a key without a value stays as it is", three + "AutoEncoding=\r\n", false, 0, three + "AutoEncoding=\r\n"}}) {
        SCOPED_TRACE(what);
        FormSession s(before);
        HMENU menu = ::GetSystemMenu(s.Window(), FALSE);
        const int count = ::GetMenuItemCount(menu);
        wchar_t text[64] = {};
        // The two options of line ends come after it (test-text_options.cpp).
        ::GetMenuStringW(menu, count - 5, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, L"文字コードを自動判別(&U)");
        EXPECT_EQ(::GetMenuItemID(menu, count - 5), frmQuillbay::kMnuAutoEncoding);
        EXPECT_TRUE(::GetMenuState(menu, count - 6, MF_BYPOSITION) & MF_SEPARATOR);
        EXPECT_EQ(OptionChecked(s.Window()), checked);
        for (int i = 0; i < turns; ++i) TurnOption(s, i * 3);
        EXPECT_EQ(OptionChecked(s.Window()), checked != (turns % 2 == 1));
        s.Form().Unload();
        EXPECT_EQ(testsupport::ReadFileBytes(apptest::OwnSettingsFile()), after);
    }
}

} // namespace

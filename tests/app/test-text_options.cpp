// 改行を CR LF にそろえる and ファイルの間に改行を入れる in the real window:
// the system menu's items and their access keys, their keys in the settings
// file, and pastes into the stand-in editor with them and with ISO-2022-JP
// and EUC-JP files under 文字コードを自動判別.
#include "form_session.h"

#include "app/texts.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

using apptest::FormSession;
using apptest::ShownBox;
using F = frmQuillbay;

bool Checked(HWND window, UINT id)
{
    return ::GetMenuState(::GetSystemMenu(window, FALSE), id, MF_BYCOMMAND) & MF_CHECKED;
}
// As the system menu reports a click on the item; the low four bits are the system's own.
void Choose(HWND window, UINT id, WPARAM low = 0) { ::SendMessageW(window, WM_SYSCOMMAND, id | low, 0); }

std::wstring ItemText(HMENU menu, int position)
{
    wchar_t text[64] = {};
    ::GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return text;
}

TEST(TextOptionsMenu, TheThreeOptionsEndTheSystemMenuEachWithAnAccessKeyNoOtherItemHas)
{
    FormSession s;
    HMENU menu = ::GetSystemMenu(s.Window(), FALSE);
    const int count = ::GetMenuItemCount(menu);
    ASSERT_GE(count, 6);
    // A separator before each: that is how the menu gets a checked item.
    for (const auto& [position, id, text] : {std::tuple{count - 5, F::kMnuAutoEncoding, L"文字コードを自動判別(&U)"},
                                             {count - 3, F::kMnuCrLfLineEnds, L"改行を CR LF にそろえる(&L)"},
                                             {count - 1, F::kMnuBreakBetweenFiles, L"ファイルの間に改行を入れる(&B)"}}) {
        EXPECT_EQ(ItemText(menu, position), text);
        EXPECT_EQ(::GetMenuItemID(menu, position), id);
        EXPECT_TRUE(::GetMenuState(menu, position - 1, MF_BYPOSITION) & MF_SEPARATOR);
        EXPECT_FALSE(Checked(s.Window(), id));
    }
    // Alt+Space then the key chooses the item only if no other item has it.
    std::multiset<wchar_t> keys;
    for (int i = 0; i < count; ++i) {
        const std::wstring text = ItemText(menu, i);
        const std::size_t amp = text.find(L'&');
        if (amp != std::wstring::npos && amp + 1 < text.size()) keys.insert(static_cast<wchar_t>(std::towupper(text[amp + 1])));
    }
    for (wchar_t key : {L'U', L'L', L'B'}) EXPECT_EQ(keys.count(key), 1u) << static_cast<char>(key);
}

TEST(TextOptionsMenu, EachIsCheckedByItsKeyInTheSettingsFileWrittenOnlyOnceItWasOn)
{
    const std::string three = "[Quillbay]\r\nPasteAndEnd=0\r\nchkTopmost=0\r\nMode=0\r\n";
    struct Option {
        UINT id;
        std::string key;
    };
    for (const Option& option : {Option{F::kMnuCrLfLineEnds, "CrLfLineEnds"}, Option{F::kMnuBreakBetweenFiles, "BreakBetweenFiles"}}) {
        const std::string on = option.key + "=1\r\n", off = option.key + "=0\r\n";
        // What: settings before (empty: no file), checked as loaded, clicks, settings after closing.
        for (const auto& [what, before, checked, turns, after] : {
                 std::tuple{"never turned on", std::string(), false, 0, three},
                 {"turned on", "", false, 1, three + on},
                 {"turned on and off again", "", false, 2, three},
                 {"on in the file", three + on, true, 0, three + on},
                 {"on in the file, turned off", three + on, true, 1, three + off},
                 {"off in the file", three + off, false, 0, three + off},
                 {"only an exact 1 is on", "[Quillbay]\r\n" + option.key + "=01\r\n", false, 0,
                  "[Quillbay]\r\n" + off + "PasteAndEnd=0\r\nchkTopmost=0\r\nMode=0\r\n"},
                 {"a key without a value stays as it is", three + option.key + "=\r\n", false, 0, three + option.key + "=\r\n"}}) {
            SCOPED_TRACE(option.key + ": " + what);
            FormSession s(before);
            EXPECT_EQ(Checked(s.Window(), option.id), checked);
            for (int i = 0; i < turns; ++i) Choose(s.Window(), option.id, i * 3);
            EXPECT_EQ(Checked(s.Window(), option.id), checked != (turns % 2 == 1));
            // The other options are their own: none of them changes.
            for (UINT other : {F::kMnuAutoEncoding, F::kMnuCrLfLineEnds, F::kMnuBreakBetweenFiles})
                if (other != option.id) { EXPECT_FALSE(Checked(s.Window(), other)) << other; }
            s.Form().Unload();
            EXPECT_EQ(testsupport::ReadFileBytes(apptest::OwnSettingsFile()), after);
        }
    }
}

TEST(TextOptionsPaste, LineEndsBreaksBetweenFilesAndJapaneseEncodingsGoInAsAskedAndAsBeforeWhenOff)
{
    const std::string jis = "\x1B$BF|K\\8l\x1B(B", euc = "\xC6\xFC\xCB\xDC\xB8\xEC", sjis = platform::ToAnsi(L"日本語");
    const std::string jis0212 = "\x1B$B$\"\x1B(B\r\n\x1B$(D0!\x1B(B"; // あ, then a character of JIS X 0212
    enum Option { Auto = 1, CrLf = 2, Break = 4 };
    // What: options, files, answer to the question, the editor's text after the paste, the question asked.
    for (const auto& [what, options, files, answer, document, asked] : {
             std::tuple{"all off: the bytes as they are", 0, std::vector<std::string>{"a\nb", "c\rd", jis, euc}, IDNO,
                        "a\nbc\rd" + jis + platform::RoundTripAnsi(euc), false},
             {"CR LF", CrLf, {"a\nb", "c\rd", "e\r\n", "\n"}, IDNO, std::string("a\r\nbc\r\nde\r\n\r\n"), false},
             {"a break between files", Break, {"a\nb", "c\rd", "", "e\r", "f"}, IDNO, std::string("a\nb\r\nc\rd\r\ne\rf"), false},
             {"both", CrLf | Break, {"a\nb", "c\r", "d"}, IDNO, std::string("a\r\nb\r\nc\r\nd"), false},
             {"JIS and EUC-JP as the Shift-JIS file", Auto, {sjis, jis, euc}, IDNO, sjis + sjis + sjis, false},
             {"all three", Auto | CrLf | Break, {jis + "\n", euc, sjis}, IDNO, sjis + "\r\n" + sjis + "\r\n" + sjis, false},
             {"JIS X 0212 asked first, No", Auto, {jis0212}, IDNO, std::string(), true},
             {"JIS X 0212 asked first, Yes", Auto, {jis0212}, IDYES, platform::ToAnsi(L"あ\r\n?"), true}}) {
        SCOPED_TRACE(what);
        apptest::EditorSession p;
        for (const auto& [option, id] : {std::pair{Auto, F::kMnuAutoEncoding}, {CrLf, F::kMnuCrLfLineEnds}, {Break, F::kMnuBreakBetweenFiles}})
            if (options & option) Choose(p.session.Window(), id);
        p.session.answer = answer;
        std::vector<std::wstring> paths;
        for (const std::string& bytes : files) paths.push_back(p.File(L"f" + std::to_wstring(paths.size()) + L".txt", bytes));
        p.session.Drop(paths);
        p.editor.SetDocument("");
        p.Paste();
        const std::wstring question = std::wstring(texts::kLossyHeader) + L"\r\n\r\n" + paths[0] + L"\r\n" + texts::kLossyCountPrefix +
                                      L"1" + texts::kLossyLinePrefix + L"2" + texts::kLossyLineSuffix + L"\r\n\r\n" + texts::kLossyQuestion;
        std::vector<ShownBox> told;
        if (asked) told.push_back({question, L"Quillbay", MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING});
        EXPECT_EQ(p.session.boxes, told);
        EXPECT_EQ(p.editor.Document(), document);
        const auto messages = document.empty() ? std::vector<std::string>{} : apptest::PasteAtCursorMessages(document.size());
        EXPECT_TRUE(testsupport::SameMessages(messages, p.editor.Log()));
    }
}

} // namespace

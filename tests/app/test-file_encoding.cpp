// 文字コードを自動判別: through the real window against a stand-in editor in
// its own process. What the paste sent is read from the editor's log and
// document; the boxes are recorded and answered through the window's seam.
#include "form_session.h"

#include "app/texts.h"
#include "paste_messages.h"
#include "support/standin_driver.h"

#include "platform/ui.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using apptest::FormSession;
using apptest::ShownBox;
using testsupport::SameMessages;
using testsupport::StandIn;
using testsupport::TempDir;

namespace {

// The references are the system's own conversions, not the product's.
std::string SystemBytes(UINT codePage, const std::wstring& text)
{
    if (text.empty()) return {};
    std::string bytes(text.size() * 4, '\0');
    const int length = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                                             static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(static_cast<std::size_t>(length));
    return bytes;
}

std::string Ansi(const std::wstring& text)
{
    return SystemBytes(CP_ACP, text);
}

std::string Utf8(const std::wstring& text)
{
    return SystemBytes(CP_UTF8, text);
}

std::string Utf16(const std::wstring& text, bool bigEndian)
{
    std::string bytes;
    for (wchar_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// What Quillbay sent before the option existed: the bytes read as ANSI text
// and written back.
std::string ReadAsAnsi(const std::string& bytes)
{
    std::wstring text(bytes.size(), L'\0');
    const int length = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                             static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length));
    return Ansi(text);
}

const std::wstring kJapanese = L"日本語のテキスト、ＡＢＣ。\r\n二行目 abc ｶﾅ\r\n";
const std::string kDocument = "head\r\ntail";
constexpr int kCaret = 6;

std::string Inserted(const std::string& text)
{
    return kDocument.substr(0, kCaret) + text + kDocument.substr(kCaret);
}

std::vector<std::string> PasteOf(const std::string& text)
{
    return text.empty() ? std::vector<std::string>{} : apptest::PasteAtCursorMessages(static_cast<long long>(text.size()));
}

// A stand-in in front, then the window, so that the window captures it.
struct AutoPaste {
    explicit AutoPaste(bool autoEncoding = true, const std::string& settings = {}) : editor(), session(settings)
    {
        if (autoEncoding) TurnOption();
    }
    // As the system menu reports a click on the item.
    void TurnOption() { ::SendMessageW(session.Window(), WM_SYSCOMMAND, frmQuillbay::kMnuAutoEncoding, 0); }

    std::wstring File(const std::wstring& name, const std::string& bytes)
    {
        testsupport::WriteFileBytes(files / name, bytes);
        return files / name;
    }
    // Only the files just dropped are selected; document and caret reset.
    void PasteOnly(const std::vector<std::wstring>& paths)
    {
        editor.SetDocument(kDocument);
        editor.SetSelection(kCaret, kCaret);
        session.boxes.clear();
        const int before = session.Form().PathCount();
        session.Drop(paths);
        std::vector<int> dropped;
        for (int i = before; i < session.Form().PathCount(); ++i) dropped.push_back(i);
        session.SelectOnly(dropped);
        editor.ClearLog();
        session.Click(frmQuillbay::kCmdExec);
    }

    StandIn editor;
    FormSession session;
    TempDir files;
};

std::wstring UnreadableBox(const std::wstring& path, const wchar_t* reason)
{
    return std::wstring(texts::kUnreadableHeader) + L"\r\n\r\n" + path + L"\r\n" + texts::kUnreadableReasonPrefix +
           reason;
}

struct Lossy {
    std::wstring path;
    int characters, line;
};

std::wstring LossyBox(const std::vector<Lossy>& files)
{
    std::wstring text = std::wstring(texts::kLossyHeader) + L"\r\n";
    for (const Lossy& file : files)
        text += L"\r\n" + file.path + L"\r\n" + texts::kLossyCountPrefix + std::to_wstring(file.characters) +
                texts::kLossyLinePrefix + std::to_wstring(file.line) + texts::kLossyLineSuffix;
    return text + L"\r\n\r\n" + texts::kLossyQuestion;
}

constexpr UINT kLossyStyle = MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING;

// --- deciding each file -----------------------------------------------------------------

TEST(AutoEncodingPaste, EachFileIsDecidedByItsBytesAndArrivesInTheCodePage)
{
    const std::string ansi = Ansi(kJapanese);
    ASSERT_EQ(ReadAsAnsi(ansi), ansi);
    struct Row {
        const char* what;
        std::string bytes;
        std::string sent;
    };
    const Row rows[] = {
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + Utf8(kJapanese), ansi},
        {"UTF-16LE with a byte-order mark", "\xFF\xFE" + Utf16(kJapanese, false), ansi},
        {"UTF-16BE with a byte-order mark", "\xFE\xFF" + Utf16(kJapanese, true), ansi},
        {"UTF-8 without a byte-order mark", Utf8(kJapanese), ansi},
        {"Shift-JIS, its ASCII alone well-formed UTF-8", ansi, ansi},
        {"ASCII only: UTF-8 without a character beyond", "plain\r\ntext\r\n", "plain\r\ntext\r\n"},
        {"UTF-8 at first, then bytes that are not", Utf8(L"é") + Ansi(L"日本"), ReadAsAnsi(Utf8(L"é") + Ansi(L"日本"))},
        {"a UTF-8 mark and nothing else", "\xEF\xBB\xBF", ""},
        {"a UTF-16 mark and nothing else", "\xFE\xFF", ""},
    };
    AutoPaste p;
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        p.PasteOnly({p.File(L"f" + std::to_wstring(n++) + L".txt", row.bytes)});
        EXPECT_TRUE(SameMessages(PasteOf(row.sent), p.editor.Log()));
        EXPECT_EQ(p.editor.Document(), Inserted(row.sent));
        EXPECT_TRUE(p.session.boxes.empty());
    }

    // In one paste each file is still decided on its own, in list order.
    p.PasteOnly({p.File(L"a.txt", "\xFE\xFF" + Utf16(L"一", true)), p.File(L"b.txt", Ansi(L"二")),
                 p.File(L"c.txt", Utf8(L"三")), p.File(L"d.txt", "\xFF\xFE" + Utf16(L"四", false))});
    EXPECT_TRUE(SameMessages(PasteOf(Ansi(L"一二三四")), p.editor.Log()));
    EXPECT_EQ(p.editor.Document(), Inserted(Ansi(L"一二三四")));
}

TEST(AutoEncodingPaste, ANulIsRefusedInTheTextButNotForTheBytesOfUtf16)
{
    struct Row {
        const char* what;
        std::string bytes;
        bool refused;
    };
    const Row rows[] = {
        {"UTF-16 text: NUL bytes, no NUL character", "\xFF\xFE" + Utf16(L"abc", false), false},
        {"a file read as ANSI with a NUL byte", std::string("ab\0cd", 5), true},
        {"UTF-16 with a NUL character", "\xFF\xFE" + Utf16(std::wstring(L"a\0b", 3), false), true},
        {"UTF-8 with a NUL character", std::string("\xE3\x81\x82\0", 4), true},
    };
    AutoPaste p;
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::wstring file = p.File(L"n" + std::to_wstring(n++) + L".txt", row.bytes);
        p.PasteOnly({p.File(L"good.txt", "good"), file});
        if (row.refused) {
            EXPECT_TRUE(SameMessages({}, p.editor.Log()));
            EXPECT_EQ(p.session.boxes,
                      (std::vector<ShownBox>{{UnreadableBox(file, texts::kReasonContainsNul), L"Quillbay",
                                              MB_OK | MB_ICONEXCLAMATION}}));
        } else {
            EXPECT_EQ(p.editor.Document(), Inserted("goodabc"));
            EXPECT_TRUE(p.session.boxes.empty());
        }
    }
}

// --- what the code page cannot hold -------------------------------------------------------

TEST(AutoEncodingPaste, UnrepresentableCharactersAreAskedAboutFirstNoSendsNothingYesSendsTheReplacedText)
{
    // An emoji and two Hangul letters on the third line; a UTF-8 file with a
    // mark whose bytes are broken on its second line; a UTF-16 file whose
    // last byte is half a character, on its second line.
    const std::wstring lossyText = L"一行目\r\n二行目\r\n三行目 \xD83D\xDE00 と 한글\r\n";
    const std::string broken = "\xEF\xBB\xBF" "ok\n" "\x80\xFF" "\xE3\x81\x82";
    const std::string odd = "\xFF\xFE" + Utf16(L"あ\rい", false) + "x";
    struct Row {
        int answer;
        bool pasted;
    };
    for (const Row row : {Row{IDNO, false}, Row{IDYES, true}}) {
        SCOPED_TRACE(row.answer == IDYES ? "Yes" : "No");
        AutoPaste p;
        const std::wstring good = p.File(L"good.txt", Utf8(L"良い"));
        const std::wstring lossy = p.File(L"lossy.txt", Utf8(lossyText));
        const std::wstring bad = p.File(L"broken.txt", broken);
        const std::wstring half = p.File(L"odd.txt", odd);
        ::SendMessageW(p.session.Control(frmQuillbay::kChkPasteAndEnd), BM_SETCHECK, BST_CHECKED, 0);
        p.session.answer = row.answer;
        // The lossy file listed twice is named once.
        p.PasteOnly({good, lossy, bad, lossy, half});

        ASSERT_EQ(p.session.boxes.size(), 1u);
        EXPECT_EQ(p.session.boxes[0].text, LossyBox({{lossy, 3, 3}, {bad, 2, 2}, {half, 1, 2}}));
        EXPECT_EQ(p.session.boxes[0].title, L"Quillbay");
        EXPECT_EQ(p.session.boxes[0].style, kLossyStyle);
        if (row.pasted) {
            // The system's default character where the code page has none.
            const std::string sent = Ansi(L"良い") + Ansi(lossyText) + "ok\n??" + Ansi(L"あ") + Ansi(lossyText) +
                                     Ansi(L"あ\rい") + "?";
            EXPECT_EQ(Ansi(lossyText), Ansi(L"一行目\r\n二行目\r\n三行目 ?? と ??\r\n"));
            EXPECT_TRUE(SameMessages(PasteOf(sent), p.editor.Log()));
            EXPECT_EQ(p.editor.Document(), Inserted(sent));
            EXPECT_FALSE(p.session.Form().Loaded()) << "貼り付け後終了 after a paste";
        } else {
            EXPECT_TRUE(SameMessages({}, p.editor.Log()));
            EXPECT_EQ(p.editor.Document(), kDocument);
            // Nothing was pasted: the window stays, with its list as it was.
            EXPECT_TRUE(p.session.Form().Loaded());
            EXPECT_EQ(p.session.Form().PathCount(), 5);
            EXPECT_EQ(p.session.SelectedEntries(), (std::vector<int>{0, 1, 2, 3, 4}));
        }
    }
}

TEST(AutoEncodingPaste, AnUnreadableFileIsToldBeforeAnyQuestionAndNothingIsSent)
{
    AutoPaste p;
    const std::wstring lossy = p.File(L"lossy.txt", Utf8(L"한"));
    const std::wstring gone = p.files / L"gone.txt";
    p.session.answer = IDYES;
    p.PasteOnly({lossy, gone});
    EXPECT_TRUE(SameMessages({}, p.editor.Log()));
    EXPECT_EQ(p.session.boxes, (std::vector<ShownBox>{{UnreadableBox(gone, texts::kReasonNotFound), L"Quillbay",
                                                       MB_OK | MB_ICONEXCLAMATION}}));
}

TEST(AutoEncodingPaste, AMissingEditorIsToldWithoutAQuestionAndTheListStays)
{
    AutoPaste p;
    p.session.Drop({p.File(L"lossy.txt", Utf8(L"한"))});
    ::SendMessageW(p.session.Control(frmQuillbay::kChkPasteAndEnd), BM_SETCHECK, BST_CHECKED, 0);
    p.editor.Close();
    p.session.Click(frmQuillbay::kCmdExec);
    EXPECT_EQ(p.session.boxes, (std::vector<ShownBox>{{L"対象の TeraPad が見つかりません。", L"Quillbay", MB_OK}}));
    // Nothing went in, so 貼り付け後終了 does not close the window with its list.
    EXPECT_TRUE(p.session.Form().Loaded());
}

TEST(AutoEncodingPaste, AUtf16FileWithAnOddByteCountHasItsLastByteCountedInEitherOrder)
{
    struct Row {
        const char* what;
        std::string bytes;
        std::string sent;
        int line;
    };
    const Row rows[] = {
        {"little endian", "\xFF\xFE" + Utf16(L"あ\r\nい", false) + "\x42", Ansi(L"あ\r\nい") + "?", 2},
        {"big endian", "\xFE\xFF" + Utf16(L"あい", true) + "\x30", Ansi(L"あい") + "?", 1},
        {"the mark and one byte", "\xFF\xFE" "a", "?", 1},
    };
    AutoPaste p;
    p.session.answer = IDYES;
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::wstring file = p.File(L"odd" + std::to_wstring(n++) + L".txt", row.bytes);
        p.PasteOnly({file});
        EXPECT_EQ(p.session.boxes, (std::vector<ShownBox>{{LossyBox({{file, 1, row.line}}), L"Quillbay", kLossyStyle}}));
        EXPECT_TRUE(SameMessages(PasteOf(row.sent), p.editor.Log()));
        EXPECT_EQ(p.editor.Document(), Inserted(row.sent));
    }
}

// --- with the option off ------------------------------------------------------------------

TEST(AutoEncodingOff, EveryFileIsReadAsAnsiAsBeforeAndTheSettingsKeepThreeKeys)
{
    struct Row {
        const char* what;
        std::string bytes;
    };
    const Row rows[] = {
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + Utf8(kJapanese)},
        {"UTF-8 without one", Utf8(kJapanese)},
        {"UTF-8 with an emoji", Utf8(L"a\xD83D\xDE00z")},
        {"Shift-JIS", Ansi(kJapanese)},
        {"UTF-16BE without NUL bytes", "\xFE\xFF" + Utf16(L"\x3042\x3044", true)},
    };
    AutoPaste p(false);
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        p.PasteOnly({p.File(L"f" + std::to_wstring(n++) + L".txt", row.bytes)});
        EXPECT_TRUE(SameMessages(PasteOf(ReadAsAnsi(row.bytes)), p.editor.Log()));
        EXPECT_EQ(p.editor.Document(), Inserted(ReadAsAnsi(row.bytes)));
        EXPECT_TRUE(p.session.boxes.empty());
    }
    // UTF-16 holds NUL bytes and is refused, as before.
    const std::wstring utf16 = p.File(L"utf16.txt", "\xFF\xFE" + Utf16(L"abc", false));
    p.PasteOnly({utf16});
    EXPECT_TRUE(SameMessages({}, p.editor.Log()));
    EXPECT_EQ(p.session.boxes, (std::vector<ShownBox>{{UnreadableBox(utf16, texts::kReasonContainsNul), L"Quillbay",
                                                       MB_OK | MB_ICONEXCLAMATION}}));
    p.session.Form().Unload();
    EXPECT_EQ(testsupport::ReadFileBytes(apptest::OwnSettingsFile()),
              "[Quillbay]\r\nPasteAndEnd=0\r\nchkTopmost=0\r\nMode=0\r\n");
}

// --- the option ----------------------------------------------------------------------------

bool OptionChecked(HWND window)
{
    return (::GetMenuState(::GetSystemMenu(window, FALSE), frmQuillbay::kMnuAutoEncoding, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

TEST(AutoEncodingOption, IsAnItemOfTheSystemMenuAndLeavesTheLayoutAlone)
{
    FormSession session;
    HMENU menu = ::GetSystemMenu(session.Window(), FALSE);
    const int count = ::GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    wchar_t text[64] = {};
    ::GetMenuStringW(menu, count - 1, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"文字コードを自動判別(&U)");
    EXPECT_EQ(::GetMenuItemID(menu, count - 1), frmQuillbay::kMnuAutoEncoding);
    EXPECT_TRUE(::GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_FALSE(OptionChecked(session.Window()));

    RECT before{};
    ::GetWindowRect(session.Window(), &before);
    // The system sends this when the item is chosen; the low four bits are its own.
    ::SendMessageW(session.Window(), WM_SYSCOMMAND, frmQuillbay::kMnuAutoEncoding | 0x3, 0);
    EXPECT_TRUE(OptionChecked(session.Window()));
    ::SendMessageW(session.Window(), WM_SYSCOMMAND, frmQuillbay::kMnuAutoEncoding, 0);
    EXPECT_FALSE(OptionChecked(session.Window()));
    RECT after{};
    ::GetWindowRect(session.Window(), &after);
    EXPECT_TRUE(::EqualRect(&before, &after));
    RECT client{};
    ::GetClientRect(session.Window(), &client);
    EXPECT_EQ((std::vector<long>{client.right, client.bottom}),
              (std::vector<long>{::MulDiv(4785, platform::ui::ScreenDpi(), 1440),
                                 ::MulDiv(3150, platform::ui::ScreenDpi(), 1440)}));
}

TEST(AutoEncodingOption, IsKeptInTheSettingsFileOnlyOnceItWasOn)
{
    const std::string three = "[Quillbay]\r\nPasteAndEnd=0\r\nchkTopmost=0\r\nMode=0\r\n";
    struct Row {
        const char* what;
        std::string before; // empty: no file
        bool checked;       // as loaded
        int turns;          // menu clicks before closing
        std::string after;
    };
    const Row rows[] = {
        {"never turned on", "", false, 0, three},
        {"turned on", "", false, 1, three + "AutoEncoding=1\r\n"},
        {"turned on and off again", "", false, 2, three},
        {"on in the file", three + "AutoEncoding=1\r\n", true, 0, three + "AutoEncoding=1\r\n"},
        {"on in the file, turned off", three + "AutoEncoding=1\r\n", true, 1, three + "AutoEncoding=0\r\n"},
        {"off in the file", three + "AutoEncoding=0\r\n", false, 0, three + "AutoEncoding=0\r\n"},
        {"only an exact 1 is on", "[Quillbay]\r\nAutoEncoding=01\r\n", false, 0,
         "[Quillbay]\r\nAutoEncoding=0\r\nPasteAndEnd=0\r\nchkTopmost=0\r\nMode=0\r\n"},
        {"a key without a value stays as it is", three + "AutoEncoding=\r\n", false, 0, three + "AutoEncoding=\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FormSession session(row.before);
        EXPECT_EQ(OptionChecked(session.Window()), row.checked);
        for (int i = 0; i < row.turns; ++i)
            ::SendMessageW(session.Window(), WM_SYSCOMMAND, frmQuillbay::kMnuAutoEncoding, 0);
        session.Form().Unload();
        EXPECT_EQ(testsupport::ReadFileBytes(apptest::OwnSettingsFile()), row.after);
    }
}

TEST(AutoEncodingOption, ComesBackOnFromTheSettingsFileAndConverts)
{
    std::string settings;
    {
        FormSession first;
        ::SendMessageW(first.Window(), WM_SYSCOMMAND, frmQuillbay::kMnuAutoEncoding, 0);
        first.Form().Unload();
        settings = testsupport::ReadFileBytes(apptest::OwnSettingsFile());
    }
    AutoPaste p(false, settings);
    EXPECT_TRUE(OptionChecked(p.session.Window()));
    p.PasteOnly({p.File(L"utf8.txt", Utf8(kJapanese))});
    EXPECT_EQ(p.editor.Document(), Inserted(Ansi(kJapanese)));
}

} // namespace

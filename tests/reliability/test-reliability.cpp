// What must survive, with nothing lost: the real window pastes into a real
// stand-in editor that goes away, refuses or keeps fewer bytes; the files and
// settings files are the awkward ones users have. Each case checks the
// editor's document and what the tool showed and kept afterwards.
//
// Built once and run twice: as reliability_tests on the NT family and as
// reliability_tests_win98 on the 9x family, where long texts go in pieces.
#include "app/frm_quillbay.h"
#include "app/texts.h"
#include "settings/ini_access.h"
#include "support/standin_driver.h"
#include "tests/app/form_session.h"
#include "tests/app/paste_messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using apptest::FormSession;
using apptest::ShownBox;
using testsupport::StandIn;
using testsupport::StandInOptions;
using testsupport::TempDir;

bool RunsAs9x()
{
    return !RunsOnNtFamily();
}

constexpr std::size_t kPiece = 32759; // the most the 9x family sends in one message

// The longest piece of a long paste here: 32759 bytes on the 9x family, 64 KB
// under Wine whatever the version (Wine puts the text on the editor's stack);
// no value on Windows NT, which sends any paste in one message.
std::optional<std::size_t> PasteLimit()
{
    if (RunsAs9x()) return kPiece;
    if (platform::RunsUnderWine()) return 65536;
    return std::nullopt;
}

// The sizes of the pieces a paste of n single-byte characters goes in.
std::vector<std::size_t> PiecesOf(std::size_t n)
{
    const std::optional<std::size_t> limit = PasteLimit();
    const std::size_t whole = RunsAs9x() ? kPiece + 1 : limit.value_or(n);
    if (n <= whole) return {n};
    std::vector<std::size_t> pieces;
    for (std::size_t begin = 0; begin < n; begin += *limit) pieces.push_back(std::min(*limit, n - begin));
    return pieces;
}
const std::string kDocument = "head\r\ntail";
constexpr int kCaret = 6; // between the two lines

std::string Ascii(std::size_t n, char first = 'a')
{
    std::string text(n, ' ');
    for (std::size_t i = 0; i < n; ++i) text[i] = static_cast<char>(first + i % 26);
    return text;
}

ShownBox Box(const wchar_t* text, UINT style = MB_OK | MB_ICONEXCLAMATION)
{
    return {text, L"Quillbay", style};
}

// A stand-in in front, then the window, so that the window's bridge captures
// that editor; the document and caret are set before every paste.
struct Paste {
    explicit Paste(StandInOptions options = {}) : editor(options), session()
    {
        editor.SetDocument(kDocument);
        editor.SetSelection(kCaret, kCaret);
    }
    std::wstring File(const std::wstring& name, const std::string& bytes)
    {
        testsupport::WriteFileBytes(files / name, bytes);
        return files / name;
    }
    // The sizes of the replacements the editor was sent, in order.
    std::vector<std::size_t> Replacements()
    {
        std::vector<std::size_t> sizes;
        for (const std::string& line : editor.Log()) {
            const auto at = line.find("EM_REPLACESEL 0 p bytes=");
            if (at != std::string::npos) sizes.push_back(std::stoul(line.substr(line.find('=', at) + 1)));
        }
        return sizes;
    }
    void Click()
    {
        editor.ClearLog();
        session.Click(frmQuillbay::kCmdExec);
    }
    // One stand-in serves many cases (each costs seconds to start): the
    // document, the caret and the boxes are reset, and only the files just
    // dropped are selected.
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
        Click();
    }

    StandIn editor;
    FormSession session;
    TempDir files;
};

std::string Inserted(const std::string& text)
{
    return kDocument.substr(0, kCaret) + text + kDocument.substr(kCaret);
}

// --- the editor ------------------------------------------------------------------------

TEST(ReliabilityEditor, ClosedBetweenTheCaptureAndThePasteIsToldOnceAndTheToolGoesOn)
{
    Paste p;
    p.session.Drop({p.File(L"a.txt", "abc")});
    p.editor.Close();
    p.session.Click(frmQuillbay::kCmdExec);
    EXPECT_EQ(p.session.boxes, (std::vector<ShownBox>{Box(texts::kEditorMissing, MB_OK)}));
    EXPECT_TRUE(p.session.Form().Loaded());
    EXPECT_EQ(p.session.Form().PathCount(), 1);
}

TEST(ReliabilityEditor, GoingAwayInTheMiddleOfThePasteEndsItWithoutHangAndIsTold)
{
    // A first run counts the messages up to the replacement the editor will
    // not answer: the one replacement on NT, the second piece on 9x.
    const std::string text = Ascii(70000);
    long exitAt = 0;
    {
        Paste dry;
        dry.session.Drop({dry.File(L"t.txt", text)});
        const long before = static_cast<long>(dry.editor.Log().size());
        dry.Click();
        const std::vector<std::string> log = dry.editor.Log();
        int replacements = 0;
        for (std::size_t i = 0; i < log.size(); ++i) {
            if (log[i].find("EM_REPLACESEL") == std::string::npos) continue;
            if (++replacements == (RunsAs9x() ? 2 : 1)) exitAt = before + static_cast<long>(i) + 1;
        }
        ASSERT_GT(exitAt, 0);
    }
    StandInOptions options;
    options.exitAfter = exitAt;
    Paste p(options);
    p.session.Drop({p.File(L"t.txt", text)});
    const auto start = std::chrono::steady_clock::now();
    p.session.Click(frmQuillbay::kCmdExec);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(p.editor.WaitForExit(5000));
    EXPECT_EQ(p.session.boxes, (std::vector<ShownBox>{Box(texts::kEditorMissing, MB_OK)}));
    EXPECT_TRUE(p.session.Form().Loaded());
}

TEST(ReliabilityEditor, AReadOnlyEditorKeepsItsDocumentAndTheRefusalIsTold)
{
    StandInOptions options;
    options.readOnly = true;
    Paste p(options);
    for (std::size_t size : {std::size_t{100}, std::size_t{70000}}) {
        SCOPED_TRACE(size);
        p.PasteOnly({p.File(L"t" + std::to_wstring(size) + L".txt", Ascii(size))});
        EXPECT_EQ(p.editor.Document(), kDocument);
        // Every piece goes once: the delivery ends however the editor answers.
        EXPECT_EQ(p.Replacements(), PiecesOf(size));
        EXPECT_EQ(p.session.boxes, (std::vector<ShownBox>{Box(texts::kPasteRefused)}));
    }
}

TEST(ReliabilityEditor, AnEditorThatKeepsFewerBytesEndsWithItsDocumentAsItWasOrAsAsked)
{
    struct Row {
        const char* what;
        int limit;
        std::size_t size;
    };
    const Row rows[] = {
        {"within the limit", 1000, 1000},
        {"one message cut short", 1000, 5000},
        {"many bytes cut short", 1000, 70000},
        // Within the limit on the 9x family; a 64 KB piece under Wine is not.
        {"pieces of a long paste", 40000, 70000},
    };
    std::unique_ptr<Paste> editor;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (!editor || row.limit != (&row - 1)->limit) {
            StandInOptions options;
            options.limit = row.limit;
            editor.reset(); // one stand-in in front at a time
            editor = std::make_unique<Paste>(options);
        }
        Paste& p = *editor;
        const std::string text = Ascii(row.size);
        p.PasteOnly({p.File(L"t" + std::to_wstring(row.size) + L".txt", text)});
        // What the editor keeps of each piece the paste goes in.
        const std::vector<std::size_t> pieces = PiecesOf(row.size);
        std::string kept;
        std::size_t begin = 0;
        for (std::size_t piece : pieces) {
            kept += text.substr(begin, std::min<std::size_t>(piece, static_cast<std::size_t>(row.limit)));
            begin += piece;
        }
        if (kept == text) {
            EXPECT_EQ(p.editor.Document(), Inserted(text));
            EXPECT_TRUE(p.session.boxes.empty());
        } else if (pieces.size() > 1) {
            // Which pieces changed the document cannot be told apart from
            // the user's own edits: nothing is undone, the user is told.
            EXPECT_EQ(p.editor.Document(), Inserted(kept));
            EXPECT_EQ(p.session.boxes, (std::vector<ShownBox>{Box(texts::kPastePartial)}));
        } else {
            // One message, one edit: taken back.
            EXPECT_EQ(p.editor.Document(), kDocument);
            EXPECT_EQ(p.session.boxes, (std::vector<ShownBox>{Box(texts::kPasteTakenBack)}));
        }
    }
}

TEST(ReliabilityEditor, AnEditorThatKeepsNothingButDeletesTheSelectionGetsItBack)
{
    // The selection is gone and nothing is in its place: cut short to 0
    // bytes, the caret right after them. One message, one edit: taken back.
    StandInOptions options;
    options.limit = 0;
    Paste p(options);
    p.session.Drop({p.File(L"t.txt", Ascii(100))});
    p.editor.SetSelection(kCaret, kCaret + 4);
    p.Click();
    EXPECT_EQ(p.editor.Document(), kDocument);
    EXPECT_EQ(p.session.boxes, (std::vector<ShownBox>{Box(texts::kPasteTakenBack)}));
}

TEST(ReliabilityEditor, ALargePasteReachesAnEditorWithAnOrdinaryStackWhole)
{
    // The stand-in has the 1 MB stack reserve of an ordinary program. Under
    // Wine one EM_REPLACESEL of 512 KB or more ends such an editor, with its
    // unsaved document; the paste goes in pieces it survives.
    Paste p;
    for (std::size_t size : {std::size_t{1} << 20, std::size_t{5} << 20}) {
        SCOPED_TRACE(size);
        const std::string text = Ascii(size);
        p.PasteOnly({p.File(L"big" + std::to_wstring(size) + L".txt", text)});
        ASSERT_FALSE(p.editor.WaitForExit(0)) << "the editor died";
        EXPECT_EQ(p.editor.Document(), Inserted(text));
        EXPECT_TRUE(p.session.boxes.empty());
        if (const std::optional<std::size_t> limit = PasteLimit())
            for (std::size_t piece : p.Replacements()) EXPECT_LE(piece, *limit);
    }
}

// A person at the editor's keyboard whose keys reach the editor right after
// the paste's last replacement, before the window looks at the editor again:
// the stand-in (--pause-after-replace) waits at each replacement until this
// lets it go, and handles the posted keys first.
class QuickTypist {
public:
    struct Key {
        UINT message;
        WPARAM code;
    };
    QuickTypist(const std::wstring& name, HWND memo, std::size_t replacements, std::vector<Key> keys)
        : m_replaced(::CreateEventW(nullptr, FALSE, FALSE, (name + L".replaced").c_str())),
          m_go(::CreateEventW(nullptr, FALSE, FALSE, (name + L".go").c_str())),
          m_thread([this, memo, replacements, keys] {
              for (std::size_t i = 1; i <= replacements; ++i) {
                  if (::WaitForSingleObject(m_replaced.get(), 15000) != WAIT_OBJECT_0) return;
                  if (i == replacements) {
                      for (const Key& key : keys) ::PostMessageW(memo, key.message, key.code, 0);
                      m_typed = true;
                  }
                  ::SetEvent(m_go.get());
              }
          })
    {
    }
    ~QuickTypist() { m_thread.join(); }
    QuickTypist(const QuickTypist&) = delete;
    QuickTypist& operator=(const QuickTypist&) = delete;
    bool Typed() const { return m_typed; }

private:
    platform::UniqueEvent m_replaced, m_go;
    std::atomic<bool> m_typed{false};
    std::thread m_thread;
};

std::wstring EventName()
{
    static int counter = 0;
    return L"qb-typist-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

TEST(ReliabilityEditor, AnEditTheUserMakesRightAfterThePasteIsNeverTakenBack)
{
    struct Row {
        const char* what;
        std::vector<QuickTypist::Key> keys;
        std::string typed;          // what the keys add after the paste
        std::vector<ShownBox> told; // the paste went in whole either way
    };
    const Row rows[] = {
        // The document grew by one byte more than the paste: another edit
        // came in between, which an undo would take back.
        {"a character typed", {{WM_CHAR, 'x'}}, "x", {Box(texts::kPasteUnconfirmed)}},
        // The document grew by exactly the paste: it went in whole.
        {"the caret moved", {{WM_KEYDOWN, VK_LEFT}}, "", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        StandInOptions options;
        options.pauseAfterReplace = EventName();
        Paste p(options);
        const std::string text = Ascii(300);
        const std::wstring file = p.File(L"t.txt", text);
        p.session.Drop({file});
        QuickTypist typist(options.pauseAfterReplace, p.editor.EditControl(), 1, row.keys);
        p.Click();
        EXPECT_TRUE(typist.Typed());
        EXPECT_EQ(p.editor.Document(), Inserted(text + row.typed));
        // The caret is not after the paste, so the length is asked too; no undo.
        std::vector<std::string> expected = apptest::PasteAtCursorMessages(300);
        expected.insert(expected.end(), {"main MSG_8192 0 p", "edit WM_GETTEXTLENGTH 0 0"});
        EXPECT_TRUE(testsupport::SameMessages(expected, p.editor.Log()));
        EXPECT_EQ(p.session.boxes, row.told);
    }
}

TEST(ReliabilityEditor, APasteThatDidNotGoInWholeKeepsTheWindowEvenWithQuitAfterPasting)
{
    struct Row {
        const char* what;
        std::function<void(StandInOptions&)> editor;
        std::function<void(Paste&)> beforeClick; // may be empty
        bool whole;
    };
    const Row rows[] = {
        {"taken whole", [](StandInOptions&) {}, {}, true},
        {"refused by a read-only editor", [](StandInOptions& o) { o.readOnly = true; }, {}, false},
        {"cut short and taken back", [](StandInOptions& o) { o.limit = 1000; }, {}, false},
        {"the editor closed before", [](StandInOptions&) {}, [](Paste& p) { p.editor.Close(); }, false},
        {"the editor ending at the replacement", [](StandInOptions& o) { o.exitAfter = 6; }, {}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        StandInOptions options;
        row.editor(options);
        Paste p(options);
        p.session.Drop({p.File(L"t.txt", Ascii(3000))});
        ::SendMessageW(p.session.Control(frmQuillbay::kChkPasteAndEnd), BM_SETCHECK, BST_CHECKED, 0);
        if (row.beforeClick) row.beforeClick(p);
        p.session.Click(frmQuillbay::kCmdExec);
        EXPECT_EQ(p.session.Form().Loaded(), !row.whole);
        EXPECT_EQ(p.session.boxes.empty(), row.whole);
        if (!row.whole) EXPECT_EQ(p.session.Form().PathCount(), 1);
    }
}

// --- the files -------------------------------------------------------------------------

TEST(ReliabilityFiles, AFileThatCannotBePastedStopsThePasteAndNamesItsReason)
{
    struct Row {
        const char* what;
        const wchar_t* reason;
    };
    const Row rows[] = {
        {"deleted after the drop", texts::kReasonNotFound},
        {"locked by another process", texts::kReasonLocked},
        {"a folder", texts::kReasonIsFolder},
        {"with a NUL byte", texts::kReasonContainsNul},
    };
    Paste p;
    const std::wstring good = p.File(L"good.txt", "good");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string what = row.what;
        // With a NUL; the other cases never get as far as the bytes.
        std::wstring bad = p.File(platform::FromAnsi(what) + L".txt", std::string("ab\0cd", 5));
        if (what == "a folder") bad = p.files.Path();
        if (what == "deleted after the drop") {
            p.session.Drop({bad}); // the drop while the file is there
            ::DeleteFileW(bad.c_str());
        }
        platform::UniqueFile lock;
        if (what == "locked by another process") {
            lock.reset(::CreateFileW(bad.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(lock);
        }
        const int before = p.session.Form().PathCount();
        p.PasteOnly({good, bad});
        EXPECT_TRUE(p.editor.Log().empty());
        EXPECT_EQ(p.editor.Document(), kDocument);
        ASSERT_EQ(p.session.boxes.size(), 1u);
        EXPECT_EQ(p.session.boxes[0].text, std::wstring(texts::kUnreadableHeader) + L"\r\n\r\n" + bad + L"\r\n" +
                                               texts::kUnreadableReasonPrefix + row.reason);
        EXPECT_EQ(p.session.Form().PathCount(), before + 2);
    }
}

// The Unix path of a folder, as Wine maps it (Z: is the Unix root).
std::string UnixPathOf(const std::wstring& folder)
{
    using ToUnix = char*(CDECL*)(const wchar_t*);
    // Through void (*)(): the cast between two function types GCC accepts.
    const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    char* unix = toUnix(folder.c_str());
    const std::string path = unix ? unix : "";
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return path;
}

// A Unix FIFO, made by Linux's own mkfifo, which Wine starts like any program.
std::wstring MakeFifo(const std::wstring& folder)
{
    const std::wstring fifo = folder + L"\\fifo";
    std::wstring command = L"\"Z:\\usr\\bin\\mkfifo\" \"" + platform::FromAnsi(UnixPathOf(folder)) + L"/fifo\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(L"Z:\\usr\\bin\\mkfifo", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info))
        return {};
    platform::UniqueProcess process(info.hProcess);
    platform::UniqueThread thread(info.hThread);
    // Wine does not wait for a Unix program: wait for what it makes.
    for (int waited = 0; waited < 5000; waited += 20) {
        platform::UniqueFile open(::CreateFileW(fifo.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
        if (open) return fifo;
        ::Sleep(20);
    }
    return {};
}

TEST(ReliabilityFiles, DevicesPipesAndFilesOfNoFixedSizeAreToldNotPastedAsEmpty)
{
    if (!platform::RunsUnderWine()) GTEST_SKIP() << "the Unix files Wine shows under Z:";
    Paste p;
    const std::wstring fifo = MakeFifo(p.files.Path());
    ASSERT_FALSE(fifo.empty()) << "no FIFO";
    const std::wstring pipeName = L"\\\\.\\pipe\\qb-" + std::to_wstring(::GetCurrentProcessId());
    platform::UniqueFile pipe(::CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 4096, 4096,
                                                 0, nullptr));
    ASSERT_TRUE(pipe);
    struct Row {
        std::wstring path;
        const wchar_t* reason;
    };
    const Row rows[] = {
        {L"Z:\\dev\\zero", texts::kReasonNotRegular},
        {L"Z:\\dev\\urandom", texts::kReasonNotRegular},
        {fifo, texts::kReasonNotRegular},
        {pipeName, texts::kReasonNotRegular},
        // A size of 0, yet text when read.
        {L"Z:\\proc\\cpuinfo", texts::kReasonSizeChanged},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(platform::ToAnsi(row.path));
        p.PasteOnly({row.path});
        EXPECT_TRUE(p.editor.Log().empty());
        EXPECT_EQ(p.editor.Document(), kDocument);
        EXPECT_EQ(p.session.boxes, (std::vector<ShownBox>{Box((std::wstring(texts::kUnreadableHeader) + L"\r\n\r\n" +
                                                                row.path + L"\r\n" + texts::kUnreadableReasonPrefix +
                                                                row.reason).c_str())}));
    }
}

TEST(ReliabilityFiles, AHugeFileOfZerosIsToldAtItsFirstNulNotAfterReadingItAll)
{
    Paste p;
    const std::wstring zeros = p.files / L"zeros.bin";
    {
        // 2 GiB - 1 bytes, the largest readable size, made sparse by setting its end.
        platform::UniqueFile file(::CreateFileW(zeros.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file);
        LARGE_INTEGER size{};
        size.QuadPart = 0x7FFFFFFF;
        ASSERT_TRUE(::SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN));
        ASSERT_TRUE(::SetEndOfFile(file.get()));
    }
    const auto start = std::chrono::steady_clock::now();
    p.PasteOnly({zeros});
    const auto took = std::chrono::steady_clock::now() - start;
    ::DeleteFileW(zeros.c_str());
    EXPECT_LT(took, std::chrono::seconds(2));
    EXPECT_TRUE(p.editor.Log().empty());
    EXPECT_EQ(p.session.boxes, (std::vector<ShownBox>{Box((std::wstring(texts::kUnreadableHeader) + L"\r\n\r\n" + zeros +
                                                            L"\r\n" + texts::kUnreadableReasonPrefix +
                                                            texts::kReasonContainsNul).c_str())}));
}

TEST(ReliabilityFiles, AnEmptyFileDeliversNothingAndBytesOutsideTheCodePageArriveAsItReadsThem)
{
    Paste p;
    p.PasteOnly({p.File(L"empty.txt", "")});
    EXPECT_TRUE(p.editor.Log().empty());
    EXPECT_EQ(p.editor.Document(), kDocument);
    EXPECT_TRUE(p.session.boxes.empty());

    // Row 0x85 is undefined in code page 932; the first file ends on a lone
    // lead byte, which must not pair with the second file's first byte.
    const std::string first = "ok\x85\x40" "x\x82";
    const std::string second = "\xa0" "end";
    p.PasteOnly({p.File(L"a.txt", first), p.File(L"b.txt", second)});
    const std::string expected =
        platform::ToAnsi(platform::FromAnsi(first)) + platform::ToAnsi(platform::FromAnsi(second));
    EXPECT_NE(expected, first + second);
    EXPECT_EQ(p.editor.Document(), Inserted(expected));
    EXPECT_EQ(platform::FromAnsi(p.editor.Document()),
              platform::FromAnsi(Inserted("")).insert(kCaret, platform::FromAnsi(first) + platform::FromAnsi(second)));
    EXPECT_TRUE(p.session.boxes.empty());
}

TEST(ReliabilityFiles, ADoubleByteCharacterAroundEveryPieceBoundaryArrivesWhole)
{
    const std::string katakanaA = "\x83\x41";
    const std::size_t limit = PasteLimit().value_or(kPiece);
    Paste p;
    for (std::size_t at = limit - 3; at <= limit + 3; ++at) {
        // Two lengths: one that is cut, one that may go in one message.
        for (std::size_t total : {limit + 40000, at + 2}) {
            SCOPED_TRACE(std::to_string(at) + " of " + std::to_string(total));
            const std::string text = Ascii(at) + katakanaA + Ascii(total - at - 2, 'A');
            p.PasteOnly({p.File(L"t" + std::to_wstring(at) + L"_" + std::to_wstring(total) + L".txt", text)});
            EXPECT_EQ(p.editor.Document(), Inserted(text));
            EXPECT_TRUE(p.session.boxes.empty());
            std::size_t end = 0;
            const std::vector<std::size_t> sizes = p.Replacements();
            for (std::size_t size : sizes) {
                if (sizes.size() > 1) EXPECT_LE(size, limit);
                end += size;
                // No piece ends on the character's first byte.
                EXPECT_NE(end, at + 1);
            }
            EXPECT_EQ(end, text.size());
        }
    }
}

// --- the settings file -------------------------------------------------------------------

int Checked(FormSession& s, int id)
{
    return static_cast<int>(::SendMessageW(s.Control(id), BM_GETCHECK, 0, 0));
}

int Mode(FormSession& s)
{
    return static_cast<int>(::SendMessageW(s.Control(frmQuillbay::kCboMode), CB_GETCURSEL, 0, 0));
}

std::string SettingsBytes()
{
    try {
        return testsupport::ReadFileBytes(apptest::OwnSettingsFile());
    } catch (...) {
        return "<none>";
    }
}

TEST(ReliabilitySettings, MissingOrUnreadableValuesGiveTheDefaultsAndOnlyAnExactOneCounts)
{
    {
        FormSession s;
        EXPECT_EQ(Checked(s, frmQuillbay::kChkPasteAndEnd), 0);
        EXPECT_EQ(Checked(s, frmQuillbay::kChkTopmost), 0);
        EXPECT_EQ(Mode(s), 0);
        s.Form().Unload();
        EXPECT_EQ(SettingsBytes(), "[Quillbay]\r\nPasteAndEnd=0\r\nchkTopmost=0\r\nMode=0\r\n");
    }
    // The profile reader drops blanks and quotes around a value; anything
    // else that is not exactly 1 is off. "\x82\x50" is a full-width 1.
    const struct {
        const char* value;
        int on;
    } rows[] = {{"1", 1}, {" 1 ", 1}, {"\"1\"", 1}, {"01", 0}, {"1.0", 0}, {"+1", 0}, {"true", 0},
                {"\x82\x50", 0}, {"", 0}, {"1;", 0}, {"11", 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        FormSession s(std::string("[Quillbay]\r\nchkTopmost=") + row.value + "\r\n");
        EXPECT_EQ(Checked(s, frmQuillbay::kChkTopmost), row.on);
    }
}

TEST(ReliabilitySettings, GarbageAndHugeLinesAreReadSafelyAndKeptOnSave)
{
    std::mt19937 random(7);
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>(1 + random() % 255);
    const std::string huge(1 << 20, 'x');
    const std::string file = garbage + "\r\n[Quillbay]\r\nchkTopmost=1\r\n" + huge + "\r\nMode=1\r\nPasteAndEnd=1" +
                             std::string(300000, '1') + "\r\n[Other]\r\nkeep=" + huge + "\r\n";
    FormSession s(file);
    EXPECT_EQ(Checked(s, frmQuillbay::kChkTopmost), 1);
    EXPECT_EQ(Mode(s), 1);
    // A value is read up to 255 bytes: a cut run of ones is not a one.
    EXPECT_EQ(Checked(s, frmQuillbay::kChkPasteAndEnd), 0);
    ::SendMessageW(s.Control(frmQuillbay::kChkTopmost), BM_CLICK, 0, 0);
    s.Form().Unload();

    INIAccess ini;
    ini.FileName = apptest::OwnSettingsFile();
    EXPECT_EQ(ini.GetINIData(L"chkTopmost", L"Quillbay"), L"0");
    EXPECT_EQ(ini.GetINIData(L"Mode"), L"1");
    EXPECT_EQ(ini.GetINIData(L"PasteAndEnd"), L"0");
    // Another section's huge value survives the rewrite.
    EXPECT_NE(SettingsBytes().find("keep=" + huge), std::string::npos);
}

// Wine lets root write a file marked read-only, so a settings file that
// cannot be written is modelled by another handle that shares reading only,
// which Wine enforces as Windows does.
platform::UniqueFile HoldWithoutWriteSharing(const std::wstring& path)
{
    return platform::UniqueFile(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
}

TEST(ReliabilitySettings, ASettingsFileThatCannotBeWrittenIsReadAndLeftAsItWas)
{
    const std::string file = "[Quillbay]\r\nPasteAndEnd=0\r\nchkTopmost=1\r\nMode=1\r\n";
    {
        FormSession s(file);
        platform::UniqueFile hold = HoldWithoutWriteSharing(apptest::OwnSettingsFile());
        ASSERT_TRUE(hold);
        EXPECT_EQ(Checked(s, frmQuillbay::kChkTopmost), 1);
        EXPECT_EQ(Mode(s), 1);
        ::SendMessageW(s.Control(frmQuillbay::kChkPasteAndEnd), BM_CLICK, 0, 0);
        s.Form().Unload();
        EXPECT_FALSE(s.Form().Loaded());
        hold.reset();
        EXPECT_EQ(SettingsBytes(), file);
        EXPECT_TRUE(s.boxes.empty());
    }
    // A folder where the file should be: nothing to read, nothing written,
    // and the window still closes.
    ASSERT_TRUE(::CreateDirectoryW(apptest::OwnSettingsFile().c_str(), nullptr));
    {
        FormSession s;
        EXPECT_EQ(Checked(s, frmQuillbay::kChkTopmost), 0);
        s.Form().Unload();
        EXPECT_FALSE(s.Form().Loaded());
        EXPECT_NE(::GetFileAttributesW(apptest::OwnSettingsFile().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    }
    ::RemoveDirectoryW(apptest::OwnSettingsFile().c_str());
}

TEST(ReliabilitySettings, WritesInAReadOnlyFolderOrALockedFileReportWhatReallyHappened)
{
    // Windows does not stop new files in a folder marked read-only; what
    // counts is that a write said to succeed can be read back, and one said
    // to fail changed nothing.
    TempDir folder;
    ASSERT_TRUE(::SetFileAttributesW(folder.Path().c_str(), FILE_ATTRIBUTE_READONLY));
    INIAccess ini;
    ini.FileName = folder / L"Quillbay.ini";
    const bool written = ini.SetINIData(L"Mode", L"1", L"Quillbay");
    EXPECT_EQ(ini.GetINIData(L"Mode"), written ? L"1" : L"");

    const std::wstring locked = folder / L"locked.ini";
    testsupport::WriteFileBytes(locked, "[Quillbay]\r\nMode=0\r\n");
    {
        platform::UniqueFile hold = HoldWithoutWriteSharing(locked);
        ASSERT_TRUE(hold);
        ini.FileName = locked;
        EXPECT_FALSE(ini.SetINIData(L"Mode", L"1"));
        EXPECT_EQ(ini.GetINIData(L"Mode"), L"0");
    }
    ::SetFileAttributesW(folder.Path().c_str(), FILE_ATTRIBUTE_NORMAL);
}

} // namespace

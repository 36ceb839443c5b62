// The window's part of the paste, in this process against a stand-in editor
// in its own: which entries it hands over and how, and what the user is
// told of each outcome. The paste's rules themselves are in test-paste.cpp.
#include "app/frm_quillbay.h"
#include "app/texts.h"
#include "support/standin_driver.h"
#include "tests/app/form_session.h"

#include "platform/handles.h"
#include "platform/programs.h"
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using apptest::FormSession;
using apptest::ShownBox;
using testsupport::SameMessages;
using testsupport::StandIn;
using testsupport::StandInOptions;
using testsupport::TempDir;

// A stand-in in front, then the window, whose bridge captures that editor.
struct Pasting {
    explicit Pasting(StandInOptions options = {}) : editor(options) {}
    std::wstring File(const std::wstring& name, const std::string& bytes)
    {
        testsupport::WriteFileBytes(files / name, bytes);
        return files / name;
    }
    void Paste()
    {
        if (::IsWindow(editor.Main())) editor.ClearLog();
        session.Click(frmQuillbay::kCmdExec);
    }

    TempDir files;
    StandIn editor;
    FormSession session;
};

TEST(WindowPaste, EachOutcomeIsToldInItsOwnBoxAndOnlyAWholePasteQuits)
{
    struct Row {
        const char* what;
        StandInOptions options;
        bool closed; // the editor gone before the click
        std::size_t bytes;
        const wchar_t* box; // none for a whole paste
        UINT style;
        int undos;
        std::optional<std::string> document; // not compared for pieces: what each kept depends on the family
    };
    constexpr UINT kWarning = MB_OK | MB_ICONEXCLAMATION;
    StandInOptions readOnly, limit10, limit1000;
    readOnly.readOnly = true;
    limit10.limit = 10;
    limit1000.limit = 1000;
    const Row rows[] = {
        {"whole", {}, false, 100, nullptr, 0, 0, "d" + std::string(100, 'x')},
        // Nothing is sent at all: the editor's selection stays.
        {"nothing to paste", {}, false, 0, nullptr, 0, 0, "doc"},
        {"refused", readOnly, false, 100, texts::kPasteRefused, kWarning, 0, "doc"},
        {"one message cut short", limit10, false, 100, texts::kPasteTakenBack, kWarning, 1, "doc"},
        // In pieces under Wine, as on the 9x family.
        {"pieces cut short", limit1000, false, 70000, texts::kPastePartial, kWarning, 0, std::nullopt},
        {"editor gone", {}, true, 100, texts::kEditorMissing, MB_OK, 0, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Pasting p(row.options);
        p.editor.SetDocument("doc");
        p.editor.SetSelection(1, 3);
        p.session.Drop({p.File(L"t.txt", std::string(row.bytes, 'x'))});
        ::SendMessageW(p.session.Control(frmQuillbay::kChkPasteAndEnd), BM_SETCHECK, BST_CHECKED, 0);
        if (row.closed) p.editor.Close();
        p.Paste();
        if (row.box) EXPECT_EQ(p.session.boxes, (std::vector<ShownBox>{{row.box, L"Quillbay", row.style}}));
        else EXPECT_TRUE(p.session.boxes.empty());
        // Only a whole paste ends the program; any other keeps the window and its list.
        EXPECT_EQ(p.session.Form().Loaded(), row.box != nullptr);
        if (row.box) EXPECT_EQ(p.session.Entries().size(), 1u);
        if (row.closed) continue;
        int undos = 0;
        for (const std::string& line : p.editor.Log()) undos += line == "edit EM_UNDO 0 0";
        EXPECT_EQ(undos, row.undos);
        if (row.document) EXPECT_EQ(p.editor.Document(), *row.document);
        if (row.bytes == 0) EXPECT_TRUE(SameMessages({}, p.editor.Log()));
        if (row.bytes == 0) EXPECT_EQ(p.editor.State().selEnd, 3);
    }
}

TEST(WindowList, AFullListIgnoresTheRestOfADrop)
{
    FormSession s;
    s.Drop(std::vector<std::wstring>(32766, L"C:\\f.txt"));
    s.Drop({L"C:\\last.txt", L"C:\\beyond.txt"});
    EXPECT_EQ(s.Form().PathCount(), 32767);
    EXPECT_EQ(::SendMessageW(s.List(), LB_GETCOUNT, 0, 0), 32767);
    EXPECT_EQ(s.Form().Paths().back(), L"C:\\last.txt");
}

TEST(WindowSettings, LoadTakesOnlyAnExactOneAndUnloadWritesWhatTheWindowShows)
{
    const struct {
        const char* file;
        int on; // PasteAndEnd, chkTopmost and Mode alike
    } rows[] = {
        {"[Quillbay]\r\nPasteAndEnd=1\r\nchkTopmost=1\r\nMode=1\r\n", 1},
        {"[Quillbay]\r\nPasteAndEnd=01\r\nchkTopmost=true\r\nMode=2\r\n", 0},
        {"[Quillbay]\r\nPasteAndEnd=-1\r\nchkTopmost= \r\nMode=-1\r\n", 0},
        {"[Other]\r\nPasteAndEnd=1\r\nchkTopmost=1\r\nMode=1\r\n", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        FormSession s(row.file);
        EXPECT_EQ(::SendMessageW(s.Control(frmQuillbay::kChkPasteAndEnd), BM_GETCHECK, 0, 0), row.on);
        EXPECT_EQ(::SendMessageW(s.Control(frmQuillbay::kChkTopmost), BM_GETCHECK, 0, 0), row.on);
        EXPECT_EQ((::GetWindowLongW(s.Window(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, row.on == 1);
        EXPECT_EQ(::SendMessageW(s.Control(frmQuillbay::kCboMode), CB_GETCURSEL, 0, 0), row.on);
        s.Form().Unload();
        const std::string value = std::to_string(row.on);
        const std::string saved = "PasteAndEnd=" + value + "\r\nchkTopmost=" + value + "\r\nMode=" + value + "\r\n";
        EXPECT_NE(testsupport::ReadFileBytes(apptest::OwnSettingsFile()).find("[Quillbay]\r\n" + saved), std::string::npos);
    }
}

} // namespace

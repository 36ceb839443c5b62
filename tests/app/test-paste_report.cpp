// The boxes that name files, as the system shows them: each one inside the
// work area of its monitor with every button there, whatever the list holds;
// and the words for an error nobody expected.
#include "form_session.h"

#include "app/paste_report.h"
#include "app/texts.h"

#include "platform/code_page.h"
#include "platform/system_version.h"
#include "platform/ui.h"
#include "platform/win32_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using apptest::ShownBox;

std::string Shown(const RECT& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}

// What the real box looked like: its rectangle, the work area of its
// monitor, and the rectangle of each button asked for (empty when missing
// or hidden).
struct Measured {
    bool found = false;
    RECT box{}, work{}, primaryWork{};
    std::vector<std::pair<int, RECT>> buttons;
};

// Shows the real box while another thread finds it among this process's
// windows, measures it and presses `press`: the box is modal on the test's
// own thread, which waits inside it.
frmQuillbay::MessageBoxFunction MeasuringBox(Measured& seen, std::vector<int> buttons, int press)
{
    return [&seen, buttons, press](HWND owner, const std::wstring& text, const std::wstring& title, UINT style) {
        std::jthread watcher([&seen, buttons, press] {
            HWND box = testsupport::WaitForWindow(L"#32770", ::GetCurrentProcessId());
            if (!box) return;
            seen.found = true;
            ::GetWindowRect(box, &seen.box);
            MONITORINFO monitor{};
            monitor.cbSize = sizeof monitor;
            ::GetMonitorInfoW(::MonitorFromWindow(box, MONITOR_DEFAULTTONEAREST), &monitor);
            seen.work = monitor.rcWork;
            ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &seen.primaryWork, 0);
            for (int id : buttons) {
                RECT rect{};
                HWND button = ::GetDlgItem(box, id);
                if (button && ::IsWindowVisible(button)) ::GetWindowRect(button, &rect);
                seen.buttons.emplace_back(id, rect);
            }
            ::PostMessageW(box, WM_COMMAND, press, 0);
        });
        return platform::ui::ShowMessageBox(owner, text, title, style);
    };
}

// A path of exactly `length` characters in folder: two long folders, then the name.
std::wstring LongPath(const std::wstring& folder, const std::wstring& name, std::size_t length)
{
    const std::wstring first = folder + L"\\" + std::wstring(180, L'a');
    return first + L"\\" + std::wstring(length - first.size() - 2 - name.size(), L'b') + L"\\" + name;
}

// Folders and files beyond MAX_PATH are made through the \\?\ form.
void MakeFolders(const std::wstring& path)
{
    for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        ::CreateDirectoryW((L"\\\\?\\" + path.substr(0, at)).c_str(), nullptr);
}

std::wstring Numbered(int i)
{
    wchar_t name[16];
    ::swprintf(name, 16, L"f%05d.txt", i);
    return name;
}

// count files of the same bytes, f00000.txt and on, in a folder of their own.
// Under Wine a new file costs a read of its whole folder, and 32767 took a
// minute to make and as long to remove: Linux makes them in /tmp, and removes
// them, through Wine's Z: drive.
struct ManyFiles {
    ManyFiles(int count, const std::string& bytes)
    {
        if (!platform::RunsUnderWine()) {
            folder = own.Path();
            for (int i = 0; i < count; ++i) testsupport::WriteFileBytes(own / Numbered(i), bytes);
            return;
        }
        std::string octal;
        for (unsigned char c : bytes) octal += "\\" + std::to_string(c >> 6) + std::to_string(c >> 3 & 7) + std::to_string(c & 7);
        const std::string script = m_unixFolder + ".sh";
        testsupport::WriteFileBytes(OnZ(script), "mkdir -p " + m_unixFolder + " && cd " + m_unixFolder +
                                                " && for ((i = 0; i < " + std::to_string(count) +
                                                "; i++)); do printf -v name 'f%05d.txt' $i; printf '" + octal +
                                                "' > $name; done; : > done\n");
        const std::wstring done = OnZ(m_unixFolder + "/done");
        if (::WinExec(("Z:\\bin\\bash " + script).c_str(), SW_HIDE) < 32) return;
        for (int i = 0; i < 3000 && ::GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) ::Sleep(20);
        ::DeleteFileW(done.c_str());
        if (::GetFileAttributesW((OnZ(m_unixFolder) + L"\\" + Numbered(count - 1)).c_str()) != INVALID_FILE_ATTRIBUTES)
            folder = OnZ(m_unixFolder);
    }
    ~ManyFiles()
    {
        if (platform::RunsUnderWine())
            ::WinExec(("Z:\\bin\\rm -rf " + m_unixFolder + " " + m_unixFolder + ".sh").c_str(), SW_HIDE);
    }
    ManyFiles(const ManyFiles&) = delete;
    ManyFiles& operator=(const ManyFiles&) = delete;

    std::wstring folder; // empty when they could not be made

private:
    static std::wstring OnZ(const std::string& unixPath)
    {
        std::wstring path = L"Z:" + platform::FromAnsi(unixPath);
        for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
        return path;
    }

    testsupport::TempDir own;
    std::string m_unixFolder = "/tmp/qb-many-" + std::to_string(::GetCurrentProcessId());
};

TEST(PasteReportBox, EveryBoxNamingFilesLiesInsideTheWorkAreaWithItsButtonsAndNamesAFileOnce)
{
    apptest::EditorSession p;
    // An emoji the code page has no character for, on the second line.
    const std::string lossyText = "ok\r\n\xF0\x9F\x98\x80";
    std::vector<std::wstring> longLossy, longMissing, manyLossy, manyMissing;
    for (int i = 0; i < 40; ++i) {
        longLossy.push_back(LongPath(p.files.Path(), Numbered(i), 414));
        longMissing.push_back(LongPath(p.files.Path() + L"\\gone", Numbered(i), 414));
    }
    MakeFolders(longLossy[0]);
    for (const std::wstring& path : longLossy) testsupport::WriteFileBytes(L"\\\\?\\" + path, lossyText);
    const ManyFiles many(frmQuillbay::kMaxEntries - 1, lossyText);
    ASSERT_FALSE(many.folder.empty()) << "the files were not made";
    for (int i = 0; i < frmQuillbay::kMaxEntries - 1; ++i) {
        manyLossy.push_back(many.folder + L"\\" + Numbered(i));
        manyMissing.push_back(p.files / (L"gone\\" + Numbered(i)));
    }
    // A file listed twice is named once, and counted once.
    for (auto* list : {&longLossy, &longMissing, &manyLossy, &manyMissing}) list->push_back((*list)[1]);
    ASSERT_EQ(manyLossy.size(), static_cast<std::size_t>(frmQuillbay::kMaxEntries));

    const auto named = [](const std::vector<std::wstring>& paths, const std::wstring& detail) {
        std::wstring text;
        for (std::size_t i = 0; i < 5; ++i) text += L"\r\n" + pasteReport::ShownPath(paths[i]) + L"\r\n" + detail;
        return text;
    };
    const std::wstring lossyLine = texts::kLossyCountPrefix + std::wstring(L"1") + texts::kLossyLinePrefix + L"2" +
                                   texts::kLossyLineSuffix;
    const auto lossyBox = [&](const std::vector<std::wstring>& paths) {
        return texts::kLossyHeader + std::wstring(L"\r\n") + named(paths, lossyLine) + L"\r\n\r\n" +
               texts::kLossyRestBefore + std::to_wstring(paths.size() - 1 - 5) + texts::kLossyRestAfter + L"\r\n\r\n" +
               texts::kLossyQuestion;
    };
    const auto missingBox = [&](const std::vector<std::wstring>& paths) {
        return texts::kUnreadableHeader + std::wstring(L"\r\n") +
               named(paths, texts::kUnreadableReasonPrefix + std::wstring(texts::kReasonNotFound)) + L"\r\n\r\n" +
               texts::kUnreadableRestBefore + std::to_wstring(paths.size() - 1 - 5) + texts::kUnreadableRestAfter;
    };
    const UINT question = MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING, told = MB_OK | MB_ICONEXCLAMATION;
    struct Row {
        const char* what;
        const std::vector<std::wstring>& paths;
        bool autoEncoding;
        std::wstring text;
        UINT style;
        std::vector<int> buttons;
    };
    const Row rows[] = {
        {"40 lossy files, paths of 414 characters", longLossy, true, lossyBox(longLossy), question, {IDYES, IDNO}},
        {"32767 lossy files", manyLossy, true, lossyBox(manyLossy), question, {IDYES, IDNO}},
        {"40 missing files, paths of 414 characters", longMissing, false, missingBox(longMissing), told, {IDOK}},
        {"32767 missing files", manyMissing, false, missingBox(manyMissing), told, {IDOK}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        // A window of its own for each row: emptying a list of 32767 entries takes long.
        p.editor.BringToFront();
        apptest::FormSession s;
        if (row.autoEncoding) ::SendMessageW(s.Window(), WM_SYSCOMMAND, frmQuillbay::kMnuAutoEncoding, 0);
        s.Drop(row.paths);
        ASSERT_EQ(s.Count(), static_cast<int>(row.paths.size()));
        s.boxes.clear();
        Measured seen;
        s.alsoShow = MeasuringBox(seen, row.buttons, row.buttons.back()); // No, or OK
        p.editor.ClearLog();
        s.Click(frmQuillbay::kCmdExec);
        EXPECT_EQ(s.boxes, (std::vector<ShownBox>{{row.text, texts::kTitle, row.style}}));
        ASSERT_TRUE(seen.found) << "no message box";
        EXPECT_TRUE(Inside(seen.box, seen.work)) << Shown(seen.box) << " outside the work area " << Shown(seen.work);
        EXPECT_TRUE(Inside(seen.box, seen.primaryWork)) << Shown(seen.box) << " outside " << Shown(seen.primaryWork);
        for (const auto& [id, rect] : seen.buttons) {
            EXPECT_TRUE(!::IsRectEmpty(&rect) && Inside(rect, seen.box) && Inside(rect, seen.work))
                << "button " << id << " at " << Shown(rect) << ", the box " << Shown(seen.box);
        }
        EXPECT_TRUE(testsupport::SameMessages({}, p.editor.Log())) << "nothing is sent";
    }
}

TEST(PasteReportText, FiveFilesAreNamedOnceEachAndEveryOtherCountedOnce)
{
    // What: distinct files, each listed this often; how many are counted after the five named.
    for (const auto& [what, distinct, times, rest] : {std::tuple{"five", 5, 1, 0}, {"six", 6, 1, 1},
                                                      {"six, each listed twice", 6, 2, 1}, {"one, 40 times", 1, 40, 0}}) {
        SCOPED_TRACE(what);
        std::vector<paste::UnpastableFile> unpastable;
        std::vector<fileEncoding::LossyFile> lossy;
        for (int time = 0; time < times; ++time)
            for (int i = 0; i < distinct; ++i) {
                const std::wstring path = L"C:\\d\\f" + std::to_wstring(i) + L".txt";
                unpastable.push_back({path, paste::Problem::NotFound});
                lossy.push_back({path, 2, 3});
            }
        std::wstring unreadable = std::wstring(texts::kUnreadableHeader) + L"\r\n", question = std::wstring(texts::kLossyHeader) + L"\r\n";
        for (int i = 0; i < std::min(distinct, 5); ++i) {
            const std::wstring path = L"\r\nC:\\d\\f" + std::to_wstring(i) + L".txt\r\n";
            unreadable += path + texts::kUnreadableReasonPrefix + texts::kReasonNotFound;
            question += path + texts::kLossyCountPrefix + L"2" + texts::kLossyLinePrefix + L"3" + texts::kLossyLineSuffix;
        }
        if (rest) {
            unreadable += L"\r\n\r\n" + (texts::kUnreadableRestBefore + std::to_wstring(rest)) + texts::kUnreadableRestAfter;
            question += L"\r\n\r\n" + (texts::kLossyRestBefore + std::to_wstring(rest)) + texts::kLossyRestAfter;
        }
        question += L"\r\n\r\n" + std::wstring(texts::kLossyQuestion);
        EXPECT_EQ(pasteReport::UnpastableFilesMessage(unpastable), unreadable);
        EXPECT_EQ(pasteReport::LossyFilesMessage(lossy), question);
    }
}

TEST(PasteReportText, AnUnexpectedErrorIsToldInWordsNeverByAnExceptionsTypeName)
{
    const std::wstring unexpected = texts::kUnexpectedError;
    const std::bad_alloc outOfMemory;
    const platform::Win32Error failedCall("LB_ADDSTRING", ERROR_NOT_ENOUGH_MEMORY);
    const BridgeError bridge("TeraPad deleted other bytes than the ones read");
    const std::length_error library("basic_string::_M_create");
    const std::out_of_range index("vector::_M_range_check");
    for (const auto& [error, text] : {std::pair<const std::exception*, std::wstring>{&outOfMemory, texts::kOutOfMemory},
                                      {&failedCall, unexpected + L"LB_ADDSTRING failed with error 8"},
                                      {&bridge, unexpected + L"TeraPad deleted other bytes than the ones read"},
                                      {&library, unexpected},
                                      {&index, unexpected},
                                      {nullptr, unexpected}})
        EXPECT_EQ(pasteReport::UnexpectedErrorMessage(error), text) << (error ? error->what() : "no exception");
}

} // namespace

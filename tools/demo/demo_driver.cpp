// DemoDriver.exe: the demo's hands inside Wine. Each command does one thing a
// person would do and prints what the next step of the demo script needs.
//   tool          bring the editor to the front and choose its Tools menu item
//   wait-window   wait for Quillbay's window; print the list's centre (screen x y)
//   list          print the list's entries
//   paste         press the paste button
//   text          print the editor's document as UTF-8
//   arrange       put the editor on the left and Quillbay beside it
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kLstFiles = 102;  // the drop window's control ids
constexpr int kCmdExec = 108;
constexpr WPARAM kToolCommand = 40001;
constexpr UINT kMsgGetEditHandle = 0x8192;

HWND FindEditor() { return ::FindWindowA("TTeraPadMainForm", nullptr); }
HWND FindQuillbay() { return ::FindWindowW(L"Quillbay.frmQuillbay", nullptr); }

HWND WaitFor(HWND (*find)(), DWORD ms)
{
    for (DWORD waited = 0; waited < ms; waited += 100) {
        if (HWND hwnd = find(); hwnd && ::IsWindowVisible(hwnd)) return hwnd;
        ::Sleep(100);
    }
    return nullptr;
}

void PrintUtf8(const std::wstring& text)
{
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), n, nullptr, nullptr);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
}

int Fail(const char* what)
{
    std::fprintf(stderr, "DemoDriver: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "tool") {
        HWND editor = WaitFor(FindEditor, 20000);
        if (!editor) return Fail("no editor window");
        ::SetForegroundWindow(editor);
        ::PostMessageA(editor, WM_COMMAND, kToolCommand, 0);
        return 0;
    }
    if (command == "wait-window") {
        HWND window = WaitFor(FindQuillbay, 20000);
        if (!window) return Fail("Quillbay's window did not appear");
        RECT rc{};
        ::GetWindowRect(::GetDlgItem(window, kLstFiles), &rc);
        std::printf("%ld %ld\n", (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        return 0;
    }
    if (command == "list") {
        HWND list = ::GetDlgItem(FindQuillbay(), kLstFiles);
        const int n = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            std::wstring text(static_cast<std::size_t>(::SendMessageW(list, LB_GETTEXTLEN, i, 0)), L'\0');
            ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
            const bool selected = ::SendMessageW(list, LB_GETSEL, i, 0) > 0;
            PrintUtf8((selected ? L"[x] " : L"[ ] ") + text);
        }
        return 0;
    }
    if (command == "paste") {
        HWND window = FindQuillbay();
        if (!window) return Fail("no Quillbay window");
        ::SendMessageW(::GetDlgItem(window, kCmdExec), BM_CLICK, 0, 0);
        return 0;
    }
    if (command == "text") {
        HWND editor = FindEditor();
        if (!editor) return Fail("no editor window");
        LONG zero = 0;
        HWND edit = reinterpret_cast<HWND>(::SendMessageA(editor, kMsgGetEditHandle, 0, reinterpret_cast<LPARAM>(&zero)));
        const int length = static_cast<int>(::SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0));
        std::string ansi(static_cast<std::size_t>(length) + 1, '\0');
        ::SendMessageA(edit, WM_GETTEXT, ansi.size(), reinterpret_cast<LPARAM>(ansi.data()));
        ansi.resize(ansi.find('\0'));
        std::wstring text(ansi.size(), L'\0');
        text.resize(static_cast<std::size_t>(::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), text.data(), static_cast<int>(text.size()))));
        PrintUtf8(text);
        return 0;
    }
    if (command == "arrange") {
        ::SetWindowPos(FindEditor(), nullptr, 10, 30, 560, 420, SWP_NOZORDER | SWP_NOACTIVATE);
        ::SetWindowPos(FindQuillbay(), nullptr, 600, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    return Fail("usage: DemoDriver tool | wait-window | list | paste | text | arrange");
}

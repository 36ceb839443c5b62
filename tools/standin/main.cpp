// StandInPad: a real Win32 program with TeraPad's window interface, for the
// tests and the demo. See README.md beside this file.
#include "main_window.h"
#include "options.h"

#include <windows.h>

#include <cwchar>
#include <exception>
#include <string>

namespace {

// A GUI program without a console: a bad command line is told on stderr (the
// Wine terminal) and in the debugger output, never in a message box that
// would hold up a test.
int Fail(const std::string& text)
{
    const std::string line = "StandInPad: " + text + "\n";
    ::OutputDebugStringA(line.c_str());
    DWORD written = 0;
    const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    if (err && err != INVALID_HANDLE_VALUE) ::WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return 2;
}

// A further editor that the program under test starts gets no arguments, so
// this one comes from the environment: the stand-in takes one message from
// its queue (a timer's, as a splash screen would; Wine then calls the
// process idle) and only after a pause makes its main window.
void StartLateIfAsked()
{
    wchar_t value[16] = {};
    if (!::GetEnvironmentVariableW(L"STANDINPAD_LATE_WINDOW_MS", value, 16)) return;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 1, nullptr);
    MSG message;
    ::GetMessageA(&message, nullptr, WM_TIMER, WM_TIMER);
    ::KillTimer(nullptr, timer);
    ::Sleep(static_cast<DWORD>(std::wcstoul(value, nullptr, 10)));
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    try {
        standin::Options options = standin::ParseOptions(standin::CommandLineArguments());
        standin::MainWindow::RegisterClasses(instance);
        StartLateIfAsked();
        standin::MainWindow window(std::move(options));
        MSG message;
        while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
        return static_cast<int>(message.wParam);
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
}

#include "options.h"

#include "platform/code_page.h"
#include "platform/win32_error.h"

#include <windows.h>
#include <shellapi.h>

#include <cerrno>
#include <cwchar>
#include <stdexcept>

namespace standin {

namespace {

long ParseNumber(const std::wstring& option, const std::wstring& text)
{
    wchar_t* end = nullptr;
    errno = 0;
    const long value = std::wcstol(text.c_str(), &end, 10);
    if (text.empty() || *end != L'\0' || errno == ERANGE)
        throw std::invalid_argument(platform::ToAnsi(option + L" needs a number, got \"" + text + L"\""));
    return value;
}

} // namespace

Options ParseOptions(const std::vector<std::wstring>& args)
{
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::wstring& option = args[i];
        auto value = [&]() -> const std::wstring& {
            if (i + 1 >= args.size()) throw std::invalid_argument(platform::ToAnsi(option + L" needs a value"));
            return args[++i];
        };
        if (option == L"--file") options.file = value();
        else if (option == L"--text-file") options.textFile = value();
        else if (option == L"--ini") options.ini = value();
        else if (option == L"--tool") options.tool = value();
        else if (option == L"--tool-caption") options.toolCaption = value();
        else if (option == L"--log") options.log = value();
        else if (option == L"--state") options.state = value();
        else if (option == L"--no-fileedit") options.noFileEdit = true;
        else if (option == L"--no-exename") options.noExeName = true;
        else if (option == L"--no-inifile") options.noIniFile = true;
        else if (option == L"--readonly") options.readOnly = true;
        else if (option == L"--owned-popup") options.ownedPopup = true;
        else if (option == L"--limit") options.limit = ParseNumber(option, value());
        else if (option == L"--exit-after") options.exitAfter = ParseNumber(option, value());
        else if (option == L"--edit-mode") options.editMode = ParseNumber(option, value());
        else if (option == L"--pause-after-replace") options.pauseAfterReplace = value();
        else throw std::invalid_argument(platform::ToAnsi(L"unknown option " + option));
    }
    if (options.limit && *options.limit < 0) throw std::invalid_argument("--limit must not be negative");
    return options;
}

std::vector<std::wstring> CommandLineArguments()
{
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!argv) platform::ThrowLastError("CommandLineToArgvW");
    std::vector<std::wstring> args;
    for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
    ::LocalFree(argv);
    return args;
}

} // namespace standin

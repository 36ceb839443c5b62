// Capture of a TeraPad main window, its child windows, and the state members.
#include "bridge/kest_terapad.h"
#include "bridge/terapad_interface.h"

#include "platform/code_page.h"
#include "platform/programs.h"
#include "platform/system_version.h"
#include "platform/window_messages.h"

clsKestTeraPad::clsKestTeraPad()
{
    m_bDebugCreated = false;
    // Started from an editor's Tools menu, that editor is our parent process.
    // Its window is the one meant even when another editor came to the front
    // while we started; for any other start, the foreground decides.
    if (const std::optional<DWORD> parent = platform::ParentProcessId()) hwnd(GetProcessEditorWindow(*parent));
    if (!m_bHadTeraPad) SearchTeraPad();
    m_bTool = m_bHadTeraPad;
}

clsKestTeraPad::clsKestTeraPad(ForegroundOnly)
{
    m_bDebugCreated = false;
    SearchTeraPad();
    m_bTool = m_bHadTeraPad;
}

clsKestTeraPad::~clsKestTeraPad() = default;

void clsKestTeraPad::SearchTeraPad()
{
    const HWND foreground = platform::ForegroundWindow();
    if (!IsTeraPadWindow(foreground)) return;
    m_hWnd = foreground;
    FindChildWindows();
    m_bHadTeraPad = true;
}

bool clsKestTeraPad::HadTeraPad()
{
    m_bHadTeraPad = IsTeraPadWindow(m_hWnd);
    return m_bHadTeraPad;
}

HWND clsKestTeraPad::hwnd() const noexcept
{
    return m_hWnd;
}

void clsKestTeraPad::hwnd(HWND NewValue)
{
    if (!IsTeraPadWindow(NewValue)) return;
    m_hWnd = NewValue;
    FindChildWindows();
    m_bHadTeraPad = true;
}

std::wstring clsKestTeraPad::Status() const
{
    return {};
}

void clsKestTeraPad::Status(const std::wstring&)
{
    // Accepted for callers that set it; there is nothing to store.
}

bool clsKestTeraPad::IsTeraPadWindow(HWND hwnd) const
{
    if (!hwnd) return false;
    const std::wstring className = TrimNull(platform::FromAnsi(platform::ClassNameBuffer(hwnd, 255)));
    return className == platform::FromAnsi(terapad::kMainWindowClass);
}

void clsKestTeraPad::FindChildWindows()
{
    m_hFileName = platform::FindChild(m_hWnd, terapad::kFileNameClass);
    m_hExeName = platform::FindChild(m_hWnd, terapad::kExeNameClass);
    m_hIniFilePath = platform::FindChild(m_hWnd, terapad::kIniFilePathClass);
}

HWND clsKestTeraPad::GetEditHandle() const
{
    if (!m_bHadTeraPad) return nullptr;
    // TeraPad writes nothing through lParam, but it expects a valid address.
    std::int32_t zero = 0;
    return reinterpret_cast<HWND>(
        platform::Send(m_hWnd, terapad::kMsgGetEditHandle, 0, reinterpret_cast<LPARAM>(&zero)));
}

std::wstring clsKestTeraPad::TrimNull(const std::wstring& s)
{
    const std::size_t nul = s.find(L'\0');
    return nul == std::wstring::npos ? s : s.substr(0, nul);
}

std::wstring WindowsNameFor(const std::optional<OSVERSIONINFOA>& version)
{
    if (!version) return {};
    const auto major = static_cast<std::int32_t>(version->dwMajorVersion);
    const auto minor = static_cast<std::int32_t>(version->dwMinorVersion);
    switch (version->dwPlatformId) {
    case 0:
        return L"Win3.1 ";
    case 1:
        if (major < 4) return L"Win95";
        if (minor >= 90) return L"WinMe";
        if (minor >= 1) return L"Win98";
        return L"Win95";
    case 2:
        return L"WinNT";
    default:
        return {};
    }
}

bool IsNtFamilyName(const std::wstring& windowsName) noexcept
{
    return windowsName == L"WinNT";
}

namespace {

std::wstring SystemWindowsName()
{
    // 148 bytes: the plain OSVERSIONINFOA record, which every family accepts.
    return WindowsNameFor(platform::OsVersion(148));
}

} // namespace

std::wstring clsKestTeraPad::GetWindowsName()
{
    return SystemWindowsName();
}

bool RunsOnNtFamily()
{
    return platform::IsNtFamily();
}

bool clsKestTeraPad::IsNtFamily() const
{
    return RunsOnNtFamily();
}

HWND clsKestTeraPad::GetProcessEditorWindow(DWORD processId) const
{
    // In z-order: of several, the one the user had in front last.
    for (HWND current : platform::TopLevelWindows())
        if (platform::WindowProcessId(current) == processId && IsTeraPadWindow(current)) return current;
    return nullptr;
}

HWND clsKestTeraPad::GetProcessTopWindow(DWORD processId)
{
    // The first window of the z-order is compared too: a freshly started and
    // activated editor is exactly that window.
    HWND current = nullptr;
    for (HWND window : platform::TopLevelWindows()) {
        if (platform::WindowProcessId(window) == processId) {
            current = window;
            break;
        }
    }
    if (!current) return nullptr;
    // Climb to the top of the owner chain: that is the process's main window.
    while (const HWND owner = platform::ParentWindow(current)) current = owner;
    return current;
}

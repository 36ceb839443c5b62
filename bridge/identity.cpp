// Which editor the bridge is bound to: the three texts TeraPad publishes in
// its child windows, the version of its executable, and whether we were
// started from it.
#include "bridge/kest_terapad.h"

#include "platform/code_page.h"
#include "platform/version_resource.h"
#include "platform/window_messages.h"

std::wstring clsKestTeraPad::TeraPadPath()
{
    return ReadChildText(m_hExeName);
}

std::wstring clsKestTeraPad::FileName()
{
    return ReadChildText(m_hFileName);
}

std::wstring clsKestTeraPad::INIPath()
{
    return ReadChildText(m_hIniFilePath);
}

void clsKestTeraPad::INIPath(const std::wstring&)
{
    // TeraPad's settings path is its own business: accepted, never stored or sent.
}

std::int32_t clsKestTeraPad::VerMajor()
{
    // HadTeraPad refreshes the capture flag, as every version read must.
    HadTeraPad();
    return GetFileVersion(TeraPadPath())[0];
}

std::int32_t clsKestTeraPad::VerMinor()
{
    HadTeraPad();
    return GetFileVersion(TeraPadPath())[1];
}

std::int32_t clsKestTeraPad::VerBeta()
{
    HadTeraPad();
    return GetFileVersion(TeraPadPath())[3];
}

bool clsKestTeraPad::Tool() const noexcept
{
    return m_bTool;
}

std::wstring clsKestTeraPad::ReadChildText(HWND child) const
{
    if (!IsTeraPadWindow(m_hWnd)) return {};
    // The length is in ANSI bytes, not characters: a double-byte name needs
    // every one of them. A negative answer can only be garbage; read nothing.
    const LRESULT answer = platform::Send(child, WM_GETTEXTLENGTH, 0, 0);
    const std::size_t bytes = answer > 0 ? static_cast<std::size_t>(answer) : 0;
    std::string buffer(bytes + 1, '\0');
    platform::Send(child, WM_GETTEXT, static_cast<WPARAM>(bytes + 1), reinterpret_cast<LPARAM>(buffer.data()));
    // The terminator slot is ours, not part of the text; a text that shrank in
    // between leaves NULs behind, which TrimNull cuts off.
    buffer.resize(bytes);
    return TrimNull(platform::FromAnsi(buffer));
}

std::array<std::int32_t, 4> clsKestTeraPad::GetFileVersion(const std::wstring& path)
{
    const std::optional<VS_FIXEDFILEINFO> info = platform::FixedFileInfo(platform::ToAnsi(path));
    if (!info) return {0, 0, 0, 0};
    // Signed on purpose, like every other figure of the interface: a field of
    // 2^31 or more gives negative parts, truncated toward zero.
    const auto product = static_cast<std::int32_t>(info->dwProductVersionMS);
    const auto file = static_cast<std::int32_t>(info->dwFileVersionLS);
    return {product / 65536, product % 65536, file / 65536, file % 65536};
}

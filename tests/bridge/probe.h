// The tests' door to the bridge's private operations and state; the class
// names this struct its friend.
#pragma once

#include "bridge/detail/byte_positions.h"
#include "bridge/kest_terapad.h"

struct KestTeraPadProbe {
    static std::wstring GetWindowsName() { return clsKestTeraPad::GetWindowsName(); }
    static HWND GetProcessTopWindow(DWORD processId) { return clsKestTeraPad::GetProcessTopWindow(processId); }
    static std::array<std::int32_t, 4> GetFileVersion(const std::wstring& path)
    {
        return clsKestTeraPad::GetFileVersion(path);
    }
    static std::string_view MidBytes(std::string_view ansi, std::int32_t nStart, std::int32_t nLength)
    {
        return bridgedetail::MidBytes(ansi, nStart, nLength);
    }
    static HWND GetEditHandle(const clsKestTeraPad& bridge) { return bridge.GetEditHandle(); }
    static bool HadTeraPadFlag(const clsKestTeraPad& bridge) { return bridge.m_bHadTeraPad; }
    static void SetHadTeraPadFlag(clsKestTeraPad& bridge, bool value) { bridge.m_bHadTeraPad = value; }
    static clsKestTeraPad* DebugBridge(const clsKestTeraPad& bridge) { return bridge.m_objDebug.get(); }
};

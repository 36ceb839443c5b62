// INIAccess: reads and writes single string values of one private profile
// (INI) file, by key and section. It never reports an error: a refused or
// failed read is the empty string, a refused or failed write is false.
#pragma once

#include <string>

class INIAccess {
public:
    // Full path of the INI file; set by SetAppPathFilename or by the caller.
    std::wstring FileName;
    // The remembered section, used by every call that names none of its own.
    std::wstring Section;

    // FileName becomes the executable's folder joined with strFileName.
    void SetAppPathFilename(const std::wstring& strFileName);
    // Writes strData under strKey; a non-empty strSection becomes Section first.
    bool SetINIData(const std::wstring& strKey, const std::wstring& strData, const std::wstring& strSection = {});
    // The stored value (at most 255 bytes of it), or empty.
    std::wstring GetINIData(const std::wstring& strKey, const std::wstring& strSection = {});

    std::wstring Setting(const std::wstring& Key) { return GetINIData(Key); }
    void Setting(const std::wstring& Key, const std::wstring& NewValue) { SetINIData(Key, NewValue); }

private:
    static bool FileExists(const std::wstring& path);
};

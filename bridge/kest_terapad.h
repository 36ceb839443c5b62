// clsKestTeraPad: drives a running TeraPad purely through its windows and
// window messages. General purpose: the tool itself uses only a few members.
//
// Mapping onto C++:
// - true/false flags are bool;
// - strings are 16-bit text (std::wstring); the editor sees ANSI bytes;
// - positions, lengths and line numbers are 32-bit signed byte counts;
// - a value that may be a number or a text (vAny) is EditArg;
// - "true or no value" (SelSet) is std::optional<bool>;
// - a new bridge or none (FileNew) is a std::unique_ptr that may be empty;
// - errors to the caller are exceptions: std::invalid_argument for a bad
//   argument, std::overflow_error for 32-bit overflow, BridgeError when an
//   operation cannot go on at all.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <string_view>
#include <variant>

class BridgeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a replacement is for: SelText, or Text replacing the whole document.
enum class Replacement { Selection, WholeText };

class clsKestTeraPad {
public:
    using EditArg = std::variant<std::int32_t, std::wstring>;

    // Captures the TeraPad main window of the process that started this one
    // (an editor's Tools menu) if it has one; otherwise the foreground window
    // if it is a TeraPad main window.
    clsKestTeraPad();
    ~clsKestTeraPad();
    clsKestTeraPad(const clsKestTeraPad&) = delete;
    clsKestTeraPad& operator=(const clsKestTeraPad&) = delete;

    // Public members in interface order.
    void SearchTeraPad();
    void DebugPrint(const std::wstring& PrintStr);
    void DebugClear();
    void FileSave();
    std::unique_ptr<clsKestTeraPad> FileNew();
    void ReloadINI();
    void FileOpen(const std::wstring& File);
    void SetFocus();
    void Edit(std::int32_t lMode, const EditArg& vAny = EditArg{std::int32_t{-1}});
    std::optional<bool> SelSet(std::int32_t nStart, std::int32_t nEnd);
    std::int32_t VerMajor();
    std::int32_t VerMinor();
    std::int32_t VerBeta();
    bool HadTeraPad();
    bool Tool() const noexcept;
    std::int32_t EditMode();
    std::int32_t Length();
    std::int32_t Line();
    void Line(std::int32_t NewValue);
    std::int32_t SelStart();
    void SelStart(std::int32_t NewValue);
    std::int32_t SelLength();
    void SelLength(std::int32_t NewValue);
    // Start and end of the selection from one query, for a caller that needs
    // both (SelStart and SelLength would ask twice); {0, 0} without an editor.
    std::pair<std::int32_t, std::int32_t> Selection();
    std::wstring Text();
    void Text(const std::wstring& NewValue);
    std::wstring SelText();
    void SelText(const std::wstring& NewValue);
    // SelText for text already in the ANSI code page, as the editor takes it:
    // a caller holding bytes spares two conversions of a long text. The bytes
    // go as they are; a NUL ends them, as it ends any text sent to the editor.
    // Answers how many EM_REPLACESEL carried them (0 without an editor): each
    // is an edit of its own in the editor's undo history.
    std::size_t SelTextAnsi(std::string NewValue);
    // One EM_UNDO, exactly as Edit(EM_UNDO) sends it: after a SelTextAnsi
    // that took one message, it takes back that paste and nothing else.
    void UndoLastEdit();
    HWND hwnd() const noexcept;
    std::wstring TeraPadPath();
    std::wstring FileName();
    std::wstring INIPath();
    void INIPath(const std::wstring& NewValue);
    std::wstring Status() const;
    void Status(const std::wstring& NewValue);
    void hwnd(HWND NewValue);
    static std::wstring MidMbcs(const std::wstring& sText, std::int32_t nStart, std::int32_t nLength = -1);
    static std::int32_t LenMbcs(const std::wstring& sText);

private:
    friend struct KestTeraPadProbe; // tests reach the private operations through it

    // Captures the foreground window only, as a bridge made for an editor
    // this one started (FileNew) must: the editor that started this program
    // is not that one.
    struct ForegroundOnly {};
    explicit clsKestTeraPad(ForegroundOnly);

    bool IsTeraPadWindow(HWND hwnd) const;
    void FindChildWindows();
    HWND GetEditHandle() const;
    static std::wstring TrimNull(const std::wstring& s);
    static std::wstring GetWindowsName();
    static HWND GetProcessTopWindow(DWORD processId);
    // The first TeraPad main window of the process in z-order, or 0.
    HWND GetProcessEditorWindow(DWORD processId) const;
    static std::array<std::int32_t, 4> GetFileVersion(const std::wstring& path);
    void EnsureDebugInstance();

    // Shared steps of the identity and text members.
    std::wstring ReadChildText(HWND child) const;
    bool IsNtFamily() const;
    // ReplacementPiece for this system.
    std::optional<std::size_t> PieceFor(std::size_t bytes, Replacement what) const;

    // Shared steps of the edit commands, positions and text transfer.
    // EM_REPLACESEL with a NUL-terminated ANSI buffer, through the gate and a
    // fresh handle, exactly as Edit(EM_REPLACESEL) sends it.
    void ReplaceSelection(const char* ansi);
    // Same for bytes [begin, end) of ansi, without copying the piece.
    void ReplaceSelectionWithPiece(std::string& ansi, std::size_t begin, std::size_t end);
    std::string ReadTextBytes();
    std::string ReadTextPiecewise(HWND edit);

    HWND m_hWnd = nullptr;
    HWND m_hFileName = nullptr;
    HWND m_hExeName = nullptr;
    HWND m_hIniFilePath = nullptr;
    bool m_bHadTeraPad = false;
    bool m_bTool = false;
    std::unique_ptr<clsKestTeraPad> m_objDebug;
    bool m_bDebugCreated = false;
};

// The Windows family name for a version record, as GetWindowsName decides it;
// empty record (a failed query) gives the empty name.
std::wstring WindowsNameFor(const std::optional<OSVERSIONINFOA>& version);

// The one rule for the Windows family: a name of GetWindowsName's is the NT
// family or, whatever else it is, treated as the 9x family, whose messages
// carry at most about 32 KB of text.
bool IsNtFamilyName(const std::wstring& windowsName) noexcept;
// The same for the system this runs on; what the bridge, its tests and the
// benchmark ask. (Wine answers as the executable's name configures it.)
bool RunsOnNtFamily();

// The one rule for sending a text to the editor in pieces: the most bytes one
// EM_REPLACESEL may carry when `bytes` bytes are to go in, or no value when
// they go in one message. The 9x family moves at most 32760 bytes in one
// message and cuts longer texts into 32759-byte pieces (SelText only: Text
// measures what the editor kept instead). Under Wine any replacement longer
// than kWineReplacementPiece goes in pieces of that size, whatever Windows
// version Wine reports: Wine puts a message's text on the receiving thread's
// stack, which a longer one can overflow. Elsewhere one message carries all.
inline constexpr std::size_t kWineReplacementPiece = 65536;
std::optional<std::size_t> ReplacementPiece(std::size_t bytes, Replacement what, const std::wstring& windowsName,
                                            bool underWine);

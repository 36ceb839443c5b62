// What the stand-in editor answers to: TeraPad's window classes and private
// messages, and the side channel the tests use (never logged, not TeraPad's).
// Header-only so that the tests' driver shares the numbers.
#pragma once

#include <windows.h>

namespace standin {

inline constexpr char kMainWindowClass[] = "TTeraPadMainForm";
inline constexpr char kFileNameClass[] = "TEdit";
inline constexpr char kExeNameClass[] = "TTeraPadExeName";
inline constexpr char kIniFilePathClass[] = "TTeraPadIniFilePath";
inline constexpr char kMemoClass[] = "TStandInMemo";
inline constexpr char kPopupClass[] = "TStandInPopup";

// TeraPad's private messages to the main window.
inline constexpr UINT kMsgSave = 0x8190;
inline constexpr UINT kMsgGetEditHandle = 0x8192;
inline constexpr UINT kMsgGetEditMode = 0x8194;
inline constexpr UINT kMsgReloadIni = 0x0465;

// The side channel.
inline constexpr UINT kMsgDumpState = 0x8381;        // writes the state files, answers the document length
inline constexpr UINT kMsgTruncateLog = 0x8382;      // empties the log file
inline constexpr ULONG_PTR kCopySetDocument = 1;     // WM_COPYDATA: UTF-16 path of a file holding the new document
inline constexpr ULONG_PTR kCopySetSelection = 2;    // WM_COPYDATA: two int32, start and end

// Menu commands.
inline constexpr WORD kToolCommand = 40001; // Tools menu, first tool, as TeraPad numbers it
inline constexpr WORD kSaveCommand = 101;

// Exit code of a stand-in that --exit-after ended.
inline constexpr UINT kExitAfterCode = 3;

} // namespace standin

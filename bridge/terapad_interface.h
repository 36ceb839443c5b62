// TeraPad's window interface: the window classes and private messages the
// bridge relies on. The standard edit messages come from <windows.h>.
#pragma once

namespace terapad {

inline constexpr char kMainWindowClass[] = "TTeraPadMainForm";
inline constexpr char kFileNameClass[] = "TEdit";
inline constexpr char kExeNameClass[] = "TTeraPadExeName";
inline constexpr char kIniFilePathClass[] = "TTeraPadIniFilePath";

// Private messages to the main window.
inline constexpr unsigned kMsgSave = 0x8190;          // saves the document; result ignored
inline constexpr unsigned kMsgGetEditHandle = 0x8192; // lParam: address of a 32-bit 0; answers the editing control
inline constexpr unsigned kMsgGetEditMode = 0x8194;   // answers a 32-bit edit-mode value
inline constexpr unsigned kMsgReloadIni = 0x0465;     // lParam: address of a 32-bit 0; reloads the settings file

// Windows 9x moves at most this much text per message; see the bridge's text transfer.
inline constexpr int kMaxReadInOne = 32759;   // a text of 32760 bytes or more is read in pieces
inline constexpr int kReadPiece = 32759;
inline constexpr int kMaxInsertInOne = 32760; // more than this is inserted in pieces
inline constexpr int kInsertPiece = 32759;

} // namespace terapad

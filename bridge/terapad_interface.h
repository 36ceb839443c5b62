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

// Windows 95, 98 and Me move at most kMaxTextInOne bytes of text per message
// (a read buffer of 32759 bytes and its NUL): a document that long or longer
// is read in pieces, a text longer than it is inserted in pieces; either way
// the pieces are kTextPiece bytes. See the bridge's text transfer.
inline constexpr int kMaxTextInOne = 32760;
inline constexpr int kTextPiece = 32759;

} // namespace terapad

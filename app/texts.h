// Everything the user reads: the window's captions and the message boxes.
#pragma once

namespace texts {

inline constexpr wchar_t kTitle[] = L"Quillbay";

inline constexpr wchar_t kStartupFailed[] =
    L"TeraPad の補足に失敗しました。\r\n\r\nTeraPad のツールメニューから起動してください。";
inline constexpr wchar_t kEditorMissing[] = L"対象の TeraPad が見つかりません。";

inline constexpr wchar_t kLblText[] = L"貼り付けるテキスト(&T) [ドロップで追加]：";
inline constexpr wchar_t kCmdUp[] = L"↑";
inline constexpr wchar_t kCmdDown[] = L"↓";
inline constexpr wchar_t kCmdRemove[] = L"消";
inline constexpr wchar_t kChkTopmost[] = L"常に手前(&T)";
inline constexpr wchar_t kChkPasteAndEnd[] = L"貼り付け後終了(&E)";
inline constexpr wchar_t kModeAtCursor[] = L"カーソル位置に挿入";
inline constexpr wchar_t kModeAtEnd[] = L"末尾に挿入";
inline constexpr wchar_t kCmdExec[] = L"貼り付け";

// A paste that could not read every selected file delivers nothing and says why.
inline constexpr wchar_t kUnreadableHeader[] =
    L"次のファイルを読み込めなかったため、貼り付けを中止しました。\r\nTeraPad の文書は変更していません。";
inline constexpr wchar_t kUnreadableReasonPrefix[] = L"　理由: ";
inline constexpr wchar_t kReasonNotFound[] = L"ファイルが見つかりません。";
inline constexpr wchar_t kReasonAccessDenied[] = L"アクセスが拒否されました。";
inline constexpr wchar_t kReasonLocked[] = L"ほかのプログラムが使用中です。";
inline constexpr wchar_t kReasonIsFolder[] = L"ファイルではなくフォルダーです。";
inline constexpr wchar_t kReasonTooLarge[] = L"ファイルが大きすぎます (2 GB 以上)。";
inline constexpr wchar_t kReasonReadFailed[] = L"読み込み中にエラーが発生しました。";
inline constexpr wchar_t kReasonContainsNul[] = L"NUL 文字を含むため、テキストとして貼り付けられません。";
inline constexpr wchar_t kReasonNotRegular[] = L"通常のファイルではありません (デバイスやパイプなど)。";
inline constexpr wchar_t kReasonSizeChanged[] =
    L"読み込み中に大きさが変わりました (書き込み中のファイルか、大きさの定まらない特殊なファイルです)。";
// After the first few files named: "ほか 35 個のファイルも読み込めませんでした。"
inline constexpr wchar_t kUnreadableRestBefore[] = L"ほか ";
inline constexpr wchar_t kUnreadableRestAfter[] = L" 個のファイルも読み込めませんでした。";
inline constexpr wchar_t kReasonCannotConvert[] = L"この Windows では UTF-8/UTF-16 のテキストを変換できません。";
// fileEncoding::kMaxConvertedFile in the user's units.
inline constexpr wchar_t kReasonTooLargeToConvert[] =
    L"文字コードを自動判別して貼り付けるには大きすぎます (256 MB まで)。";

// The option of the window's system menu: UTF-8 and UTF-16 files are told
// by their bytes and converted.
inline constexpr wchar_t kMnuAutoEncoding[] = L"文字コードを自動判別(&U)";
// Two more: LF and a lone CR become CR LF; a line break between files.
inline constexpr wchar_t kMnuCrLfLineEnds[] = L"改行を CR LF にそろえる(&L)";
inline constexpr wchar_t kMnuBreakBetweenFiles[] = L"ファイルの間に改行を入れる(&B)";

// A UTF file holds characters the ANSI code page cannot: nothing is sent
// until the user says so.
inline constexpr wchar_t kLossyHeader[] =
    L"次のファイルには、Windows の文字コード (ANSI) で表せない文字、または文字として読めないバイトがあります。";
inline constexpr wchar_t kLossyCountPrefix[] = L"　表せない文字: ";
inline constexpr wchar_t kLossyLinePrefix[] = L" 個 (最初は ";
inline constexpr wchar_t kLossyLineSuffix[] = L" 行目)";
// After the first few files named: "ほか 35 個のファイルにも表せない文字があります。"
inline constexpr wchar_t kLossyRestBefore[] = L"ほか ";
inline constexpr wchar_t kLossyRestAfter[] = L" 個のファイルにも表せない文字があります。";
inline constexpr wchar_t kLossyQuestion[] =
    L"表せない文字をシステムの代替文字 (「?」など) に置き換えて貼り付けますか？\r\n「いいえ」を選ぶと、何も貼り付けません。";

// The editor did not take the whole paste.
inline constexpr wchar_t kPasteRefused[] =
    L"TeraPad がテキストを受け付けませんでした (読み取り専用の文書かもしれません)。\r\nTeraPad の文書は変更していません。";
inline constexpr wchar_t kPasteTakenBack[] =
    L"TeraPad がテキストの一部しか受け付けなかったため、貼り付けを取り消しました。";
inline constexpr wchar_t kPasteUnconfirmed[] =
    L"貼り付けの間に TeraPad の文書がほかにも変更されたため、テキストがすべて入ったかを確かめられませんでした。\r\nTeraPad の文書を確かめてください。";
inline constexpr wchar_t kPastePartial[] =
    L"TeraPad がテキストの一部しか受け付けませんでした。\r\nTeraPad の文書を確かめてください (元に戻す操作で取り消せます)。";

// The selected files do not fit in memory; nothing was sent.
inline constexpr wchar_t kPasteOutOfMemory[] =
    L"メモリが足りないため貼り付けられませんでした。\r\nTeraPad の文書は変更していません。選ぶファイルを減らしてください。";

// Something the program did not expect, such as a window it could not create.
inline constexpr wchar_t kUnexpectedError[] = L"処理を続けられませんでした。\r\n\r\n";
inline constexpr wchar_t kOutOfMemory[] = L"メモリが足りないため、処理を続けられませんでした。";

} // namespace texts

// The paste: the selected files' text collected in the editor's ANSI form,
// then delivered at the cursor or at the end, with what the editor's state
// proves about the delivery. The window only tells the user the result.
#pragma once

#include "app/file_encoding.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class clsKestTeraPad;

namespace paste {

// Why a selected file cannot be pasted: first what the system said when it
// was read, then the paste's own rules. ContainsNul: readable, but a NUL
// would end the text on its way to the editor and silently drop the rest.
// CannotConvert: the system has no conversion of 16-bit text to its code
// page. TooLargeToConvert: with 文字コードを自動判別 on, larger than
// fileEncoding::kMaxConvertedFile, refused before it is read.
enum class Problem {
    NotFound,
    AccessDenied,
    Locked,
    IsFolder,
    TooLarge,
    ReadFailed,
    NotRegular,
    SizeChanged,
    ContainsNul,
    CannotConvert,
    TooLargeToConvert,
};

struct UnpastableFile {
    std::wstring path;
    Problem why = Problem::ReadFailed;
    bool operator==(const UnpastableFile&) const = default;
};

struct Collected {
    // The selected files one after the other, in list order.
    std::string text;
    // When any: nothing is to be pasted; half a paste is worse than none.
    std::vector<UnpastableFile> unpastable;
    // UTF files with characters the code page cannot hold.
    std::vector<fileEncoding::LossyFile> lossy;
};

// How the files are read: the options of the window's system menu, all off
// by default, which pastes every file's bytes as they are.
struct Reading {
    // 文字コードを自動判別: UTF-8, UTF-16, ISO-2022-JP and EUC-JP files are converted.
    bool autoEncoding = false;
    // 改行を CR LF にそろえる: LF and a lone CR become CR LF in every file.
    bool crLfLineEnds = false;
    // ファイルの間に改行を入れる: CR LF between a file that does not end a
    // line and the next file with text.
    bool breakBetweenFiles = false;
};

// Reads the files whose flag in selected is on. Throws std::bad_alloc when
// the text does not fit in memory; nothing has been sent then.
Collected Collect(const std::vector<std::wstring>& paths, const std::vector<bool>& selected, const Reading& reading);

// ansi with every LF and every lone CR made CR LF; neither byte is ever the
// second byte of a double-byte character.
std::string WithCrLfLineEnds(std::string ansi);

enum class Mode { AtCursor, AtEnd };

// What became of a delivery, as far as the editor's state proves it.
enum class Outcome {
    Whole,       // everything went in (nothing to send counts as whole)
    EditorGone,  // the editor went away
    Refused,     // the document is as it was (read-only?)
    TakenBack,   // one message cut short, and undone
    Partial,     // pieces cut short; how many went in is unknown, so nothing was undone
    Unconfirmed, // another edit came in between; nothing was undone
};

// The editor's selection (either end may come first) and its length.
struct EditorState {
    std::int32_t start = 0, end = 0, length = 0;
};

// A paste of sent bytes proves itself whole by the caret standing right
// after it; only otherwise is the length worth asking for.
bool CaretProvesWhole(const EditorState& before, std::size_t sent, std::int32_t start, std::int32_t end) noexcept;
// The outcome of a paste of sent bytes in `messages` messages; after.length
// below zero means the editor has gone.
Outcome Judge(const EditorState& before, std::size_t sent, std::size_t messages, const EditorState& after) noexcept;

// Sends text to the editor, which the caller knows is there, and takes it
// back when Judge says TakenBack.
Outcome Deliver(clsKestTeraPad& editor, std::string text, Mode mode);

} // namespace paste

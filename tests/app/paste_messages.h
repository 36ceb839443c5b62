// What a paste sends the editor: at the cursor it asks for the selection and
// the length first; at the end it asks for the length and puts the caret
// there. After the one replacement it asks for the selection again, which
// for a paste taken whole stands right after it.
#pragma once

#include <string>
#include <vector>

namespace apptest {

inline std::vector<std::string> PasteMessages(std::vector<std::string> messages, long long bytes)
{
    for (const char* line : {"main MSG_8192 0 p", "edit EM_REPLACESEL 0 p bytes=", "main MSG_8192 0 p",
                             "edit EM_GETSEL p p"})
        messages.push_back(line);
    messages[messages.size() - 3] += std::to_string(bytes);
    return messages;
}

inline std::vector<std::string> PasteAtCursorMessages(long long bytes)
{
    return PasteMessages({"main MSG_8192 0 p", "edit EM_GETSEL p p", "main MSG_8192 0 p", "edit WM_GETTEXTLENGTH 0 0"},
                         bytes);
}

inline std::vector<std::string> PasteAtEndMessages(long long length, long long bytes)
{
    const std::string caret = std::to_string(length);
    return PasteMessages({"main MSG_8192 0 p", "edit WM_GETTEXTLENGTH 0 0", "main MSG_8192 0 p",
                          "edit EM_SETSEL " + caret + " " + caret},
                         bytes);
}

} // namespace apptest

// What the window sends the editor for a paste: at the cursor it asks for the
// selection and the length first; at the end it asks for the length and puts
// the caret there. After the one replacement it asks for the selection
// again, which for a paste taken whole stands right after it; only otherwise
// it asks for the length too, to tell a refused or cut-short paste.
#pragma once

#include <string>
#include <vector>

namespace apptest {

inline std::vector<std::string> SelectionQueries()
{
    return {"main MSG_8192 0 p", "edit EM_GETSEL p p"};
}

inline std::vector<std::string> PasteMessages(const std::vector<std::string>& before, long long bytes)
{
    std::vector<std::string> messages = before;
    messages.push_back("main MSG_8192 0 p");
    messages.push_back("edit EM_REPLACESEL 0 p bytes=" + std::to_string(bytes));
    for (const std::string& line : SelectionQueries()) messages.push_back(line);
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

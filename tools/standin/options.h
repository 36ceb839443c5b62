// The stand-in's command line. TeraPad takes none of these; they let one
// program play every editor the tests need.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace standin {

struct Options {
    std::wstring file;        // --file: opened at start, saved by 0x8190, shown by TEdit
    std::wstring textFile;    // --text-file: initial document, not the open file
    std::wstring ini;         // --ini: settings file (default StandInPad.ini beside the exe)
    std::wstring tool;        // --tool: the program of the Tools menu
    std::wstring toolCaption = L"Quillbay"; // --tool-caption
    std::wstring log;         // --log: the message log
    std::wstring state;       // --state: where 0x8381 writes the document
    bool noFileEdit = false, noExeName = false, noIniFile = false;
    bool readOnly = false, ownedPopup = false;
    std::optional<long> limit;     // --limit N: bytes kept of one replacement
    std::optional<long> exitAfter; // --exit-after N: ends at the Nth logged message
    long editMode = 0;             // --edit-mode N: answer of 0x8194
    std::wstring pauseAfterReplace; // --pause-after-replace NAME: see the README
};

// Parses the arguments after the program name; throws std::invalid_argument
// with a readable text on an unknown option or a missing value.
Options ParseOptions(const std::vector<std::wstring>& args);

// This process's arguments, taken as 16-bit text so that any file name works.
std::vector<std::wstring> CommandLineArguments();

} // namespace standin

// mdlQuillbay: the program's entry point, its one editor bridge and the name
// shown for a dropped file.
#pragma once

#include "app/file_name.h"
#include "bridge/kest_terapad.h"

#include <memory>
#include <string>

namespace mdlQuillbay {

// The one editor bridge of the program: set by Main, released when it ends.
extern std::unique_ptr<clsKestTeraPad> g_objTeraPad;

// Exit codes; nothing reads them but a test or a script.
inline constexpr int kExitNormal = 0;
inline constexpr int kExitNotStartedFromTeraPad = 1;
inline constexpr int kExitUnexpectedError = 3;

// Captures the editor in the foreground, then shows the window and runs it
// until it is unloaded; without an editor it says so and ends.
int Main();

} // namespace mdlQuillbay

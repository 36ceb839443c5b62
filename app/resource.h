// Resource ids of Quillbay.exe, shared by the resource script and the code.
#pragma once

// The first icon is the one the shell shows for the executable.
#define IDI_QUILLBAY 1

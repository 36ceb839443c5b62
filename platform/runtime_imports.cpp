// Kernel32 functions that the static C++ runtime's thread library
// (winpthreads) imports although Quillbay starts no thread of its own:
// GetTickCount64 (Vista), the vectored exception handlers (XP),
// IsDebuggerPresent, TryEnterCriticalSection and SetProcessAffinityMask (98
// and NT 4.0, which matter for 95). One import
// newer than the system stops the program before it starts, so this unit
// fills their import slots itself: the linker takes an object's
// `__imp_` symbol before the import library's, and the name never reaches
// the import table. Each slot calls the system's own function where it has
// one and otherwise does what the runtime can live with. The import-floor
// test keeps this honest.
#include <windows.h>

namespace {

// The system's own function, or null. Looked up on every call rather than
// kept in a guarded local static: the guard is the runtime's own lock, and
// these slots are what that runtime's thread library stands on.
template <typename Function>
Function Kernel32(const char* name) noexcept
{
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(kernel, name))) : nullptr;
}

ULONGLONG WINAPI TickCount64() noexcept
{
    using Function = ULONGLONG(WINAPI*)();
    const Function system = Kernel32<Function>("GetTickCount64");
    if (system) return system();
    // GetTickCount wraps after 49.7 days; each wrap seen adds 2^32. The
    // runtime asks it only for wait timeouts, on the program's one thread.
    static DWORD last = 0; // constant-initialised: no guard
    static ULONGLONG wraps = 0;
    const DWORD now = ::GetTickCount();
    if (now < last) wraps += 1ull << 32;
    last = now;
    return wraps + now;
}

PVOID WINAPI AddHandler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler) noexcept
{
    using Function = PVOID(WINAPI*)(ULONG, PVECTORED_EXCEPTION_HANDLER);
    const Function system = Kernel32<Function>("AddVectoredExceptionHandler");
    // No handler: the runtime uses one only to name threads for a debugger.
    return system ? system(first, handler) : nullptr;
}

ULONG WINAPI RemoveHandler(PVOID handle) noexcept
{
    using Function = ULONG(WINAPI*)(PVOID);
    const Function system = Kernel32<Function>("RemoveVectoredExceptionHandler");
    return system && handle ? system(handle) : 0;
}

BOOL WINAPI DebuggerPresent() noexcept
{
    using Function = BOOL(WINAPI*)();
    const Function system = Kernel32<Function>("IsDebuggerPresent");
    return system ? system() : FALSE;
}

BOOL WINAPI TryEnter(LPCRITICAL_SECTION section) noexcept
{
    using Function = BOOL(WINAPI*)(LPCRITICAL_SECTION);
    const Function system = Kernel32<Function>("TryEnterCriticalSection");
    // Not taken, which is what 98's own stub of it answers too.
    return system ? system(section) : FALSE;
}

BOOL WINAPI SetAffinity(HANDLE process, DWORD_PTR mask) noexcept
{
    using Function = BOOL(WINAPI*)(HANDLE, DWORD_PTR);
    const Function system = Kernel32<Function>("SetProcessAffinityMask");
    if (system) return system(process, mask);
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

} // namespace

// 32-bit names carry a leading underscore and the argument bytes.
#if defined(__i386__)
#define QUILLBAY_IMPORT_SLOT(name, bytes) "__imp__" #name "@" #bytes
#else
#define QUILLBAY_IMPORT_SLOT(name, bytes) "__imp_" #name
#endif

extern "C" {
extern void* const kGetTickCount64 __asm__(QUILLBAY_IMPORT_SLOT(GetTickCount64, 0));
extern void* const kAddVectoredExceptionHandler __asm__(QUILLBAY_IMPORT_SLOT(AddVectoredExceptionHandler, 8));
extern void* const kRemoveVectoredExceptionHandler __asm__(QUILLBAY_IMPORT_SLOT(RemoveVectoredExceptionHandler, 4));
extern void* const kIsDebuggerPresent __asm__(QUILLBAY_IMPORT_SLOT(IsDebuggerPresent, 0));
extern void* const kTryEnterCriticalSection __asm__(QUILLBAY_IMPORT_SLOT(TryEnterCriticalSection, 4));
extern void* const kSetProcessAffinityMask __asm__(QUILLBAY_IMPORT_SLOT(SetProcessAffinityMask, 8));

void* const kGetTickCount64 = reinterpret_cast<void*>(&TickCount64);
void* const kAddVectoredExceptionHandler = reinterpret_cast<void*>(&AddHandler);
void* const kRemoveVectoredExceptionHandler = reinterpret_cast<void*>(&RemoveHandler);
void* const kIsDebuggerPresent = reinterpret_cast<void*>(&DebuggerPresent);
void* const kTryEnterCriticalSection = reinterpret_cast<void*>(&TryEnter);
void* const kSetProcessAffinityMask = reinterpret_cast<void*>(&SetAffinity);
}

// Counts the objects a module makes and frees through its own imports.
// Attach() replaces the module's import-table entries of the functions in the
// ledger's table (GDI32, USER32, COMCTL32, KERNEL32, msvcrt) with wrappers
// that call the original and record the handle or block it made or freed.
// Live() then tells what the module still holds: GDI and USER objects, kernel
// handles, TLS slots and heap blocks. It works where GetGuiResources does not
// (Wine), sees only the attached module, and only calls made after Attach.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace ledger {

struct Counts {
    long gdi = 0;        // brushes, palettes, bitmaps, memory DCs, fonts, regions
    long user = 0;       // windows still alive, hooks, DCs from GetDC
    long windows = 0;    // of those, the windows
    long kernel = 0;     // files, events, semaphores, mutexes, duplicated handles
    long tls = 0;        // TLS slots
    long heapBlocks = 0; // malloc/calloc/realloc and LocalAlloc blocks
    long long heapBytes = 0;
};

// What Attach follows: everything, or (for the test program itself, whose
// runtime and locks the ledger uses) only GDI, USER and COMCTL32 calls.
enum class Follow { Everything, GdiAndUser };
// Intercepts hModule's imports; returns how many import entries were replaced.
// Attaching the same module twice changes nothing more.
int Attach(HMODULE hModule, Follow follow = Follow::Everything);
// Puts the original entries back; call before the module is unloaded if it
// may stay loaded elsewhere.
void Detach(HMODULE hModule);
// Forgets every record (the wrappers stay in place).
void Reset();

Counts Live();
// One line per live object, "<kind> <function> <handle>", for failure messages.
std::vector<std::string> LiveObjects();
// How often the named function was called through the ledger since Reset.
long Calls(const char* function);
// InvalidateRect calls for a window, _TrackMouseEvent leave requests for it,
// since the notes were cleared.
int Repaints(HWND hWnd);
int LeaveRequests(HWND hWnd);
// The picture and brush calls since the notes were cleared, in order:
// "LoadImage 101", "CreateMappedBitmap 102", "CopyImage 76x30",
// "CreateSolidBrush 74F9FF".
std::vector<std::string> CallLog();
// Forgets the call log and the counts per window; live objects and call counts stay.
void ClearNotes();

} // namespace ledger

// Figures of the whole process, counted without the module's help.
struct ProcessFigures {
    long kernelHandles = 0;
    long windows = 0;           // windows of this process, top-level and children
    long long privateBytes = 0;
};

ProcessFigures MeasureProcess();

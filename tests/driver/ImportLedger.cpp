#include "ImportLedger.h"
#include <commctrl.h>
#include <psapi.h>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <type_traits>
#include <utility>
#include "PeImage.h"

namespace ledger {

namespace {

enum class Kind { Gdi, User, Window, Kernel, Tls, Heap };
const char* const kKindNames[] = {"gdi", "user", "window", "kernel", "tls", "heap"};

// What a call does to the ledger.
enum class Effect {
    GdiMake,        // the result is a new GDI object
    GdiFree,        // argument 0 is deleted
    ImageLoad,      // LoadImage: GDI for IMAGE_BITMAP, USER otherwise; LR_SHARED is not owned
    ImageCopy,      // CopyImage: as LoadImage; LR_COPYDELETEORG consumes argument 0
    WindowMake,     // the result is a new window
    WindowFree,     // DestroyWindow: argument 0
    HookMake,       // SetWindowsHookEx
    HookFree,       // UnhookWindowsHookEx: argument 0
    DcGet,          // GetDC: the result is a borrowed DC
    DcRelease,      // ReleaseDC: argument 1
    KernelMake,     // the result is a handle; null and INVALID_HANDLE_VALUE are failures
    KernelFree,     // CloseHandle: argument 0
    KernelDuplicate,// DuplicateHandle into this process: *argument 3
    TlsMake,        // TlsAlloc
    TlsFree,        // TlsFree: argument 0
    HeapMake,       // malloc(size)
    HeapMakeZeroed, // calloc(count, size)
    HeapResize,     // realloc(block, size)
    HeapFree,       // free(block)
    LocalMake,      // LocalAlloc(flags, size)
    LocalFree,      // LocalFree(block)
    Repaint,        // InvalidateRect: counted for argument 0
    LeaveRequest,   // _TrackMouseEvent: a TME_LEAVE request counted for its window
};

// Where a wrapper keeps what it needs: the function it stands in for and its
// row of the table.
struct Hooked {
    void* original = nullptr;
    size_t slot = 0;
};

struct Interception {
    const char* dll;
    const char* name;
    Effect effect;
    void* wrapper;
    Hooked* hooked;
};

void RecordCall(size_t slot, uintptr_t result, const uintptr_t* args, bool before);

// Arguments and results as they are recorded: pointers and handles by
// address, numbers by value.
template <class T>
uintptr_t AsWord(T value)
{
    if constexpr (std::is_pointer<T>::value)
        return reinterpret_cast<uintptr_t>(value);
    else
        return static_cast<uintptr_t>(value);
}

// The wrapper of one function, typed after the function's own declaration:
// same parameters, result and calling convention on either machine. It
// records before and after calling the original through its pointer. The
// system's functions are WINAPI, the C runtime's cdecl; the two differ on x86
// only, where each has its specialisation.
template <class Signature, Signature* Declared>
struct Hook;

#define LEDGER_HOOK_OF_CONVENTION(CONVENTION)                                           \
    template <class R, class... A, R(CONVENTION* Declared)(A...)>                       \
    struct Hook<R CONVENTION(A...), Declared> {                                         \
        static inline Hooked s_hooked;                                                  \
        static R CONVENTION Call(A... a)                                                \
        {                                                                               \
            const uintptr_t args[] = {AsWord(a)..., 0};                                 \
            RecordCall(s_hooked.slot, 0, args, true);                                   \
            const R r = reinterpret_cast<R(CONVENTION*)(A...)>(s_hooked.original)(a...); \
            RecordCall(s_hooked.slot, AsWord(r), args, false);                          \
            return r;                                                                   \
        }                                                                               \
    };
LEDGER_HOOK_OF_CONVENTION(WINAPI)
#ifndef _WIN64
LEDGER_HOOK_OF_CONVENTION(__cdecl)
#endif

// free has no result to record.
void __cdecl FreeWrapper(void* block);
Hooked g_freeHooked;

#define LEDGER_API(dll, name, effect)                                                             \
    {dll, #name, Effect::effect, reinterpret_cast<void*>(&Hook<decltype(::name), &::name>::Call), \
     &Hook<decltype(::name), &::name>::s_hooked}
#define LEDGER_CRT(name, signature, effect)                                                      \
    {"msvcrt.dll", #name, Effect::effect, reinterpret_cast<void*>(&Hook<signature, &::name>::Call), \
     &Hook<signature, &::name>::s_hooked}

// The functions the ledger follows.
const Interception kTable[] = {
    LEDGER_API("gdi32.dll", CreateSolidBrush, GdiMake),
    LEDGER_API("gdi32.dll", CreatePalette, GdiMake),
    LEDGER_API("gdi32.dll", CreateCompatibleDC, GdiMake),
    LEDGER_API("gdi32.dll", CreateCompatibleBitmap, GdiMake),
    LEDGER_API("gdi32.dll", DeleteObject, GdiFree),
    LEDGER_API("gdi32.dll", DeleteDC, GdiFree),
    LEDGER_API("comctl32.dll", CreateMappedBitmap, GdiMake),
    LEDGER_API("user32.dll", LoadImageA, ImageLoad),
    LEDGER_API("user32.dll", CopyImage, ImageCopy),
    LEDGER_API("user32.dll", CreateDialogIndirectParamA, WindowMake),
    LEDGER_API("user32.dll", DestroyWindow, WindowFree),
    LEDGER_API("user32.dll", SetWindowsHookExA, HookMake),
    LEDGER_API("user32.dll", UnhookWindowsHookEx, HookFree),
    LEDGER_API("user32.dll", GetDC, DcGet),
    LEDGER_API("user32.dll", ReleaseDC, DcRelease),
    LEDGER_API("user32.dll", InvalidateRect, Repaint),
    LEDGER_API("comctl32.dll", _TrackMouseEvent, LeaveRequest),
    LEDGER_API("kernel32.dll", CreateFileA, KernelMake),
    LEDGER_API("kernel32.dll", CreateEventA, KernelMake),
    LEDGER_API("kernel32.dll", CreateSemaphoreA, KernelMake),
    LEDGER_API("kernel32.dll", CreateSemaphoreW, KernelMake),
    LEDGER_API("kernel32.dll", OpenProcess, KernelMake),
    LEDGER_API("kernel32.dll", DuplicateHandle, KernelDuplicate),
    LEDGER_API("kernel32.dll", CloseHandle, KernelFree),
    LEDGER_API("kernel32.dll", TlsAlloc, TlsMake),
    LEDGER_API("kernel32.dll", TlsFree, TlsFree),
    LEDGER_API("kernel32.dll", LocalAlloc, LocalMake),
    LEDGER_API("kernel32.dll", LocalFree, LocalFree),
    LEDGER_CRT(malloc, void* __cdecl(size_t), HeapMake),
    LEDGER_CRT(calloc, void* __cdecl(size_t, size_t), HeapMakeZeroed),
    LEDGER_CRT(realloc, void* __cdecl(void*, size_t), HeapResize),
    {"msvcrt.dll", "free", Effect::HeapFree, reinterpret_cast<void*>(&FreeWrapper), &g_freeHooked},
};
constexpr size_t kSlots = sizeof(kTable) / sizeof(kTable[0]);

void __cdecl FreeWrapper(void* block)
{
    const uintptr_t args[] = {AsWord(block), 0};
    RecordCall(g_freeHooked.slot, 0, args, true);
    reinterpret_cast<void(__cdecl*)(void*)>(g_freeHooked.original)(block);
}

struct Record {
    Kind kind;
    size_t slot;        // the function that made it
    long count;         // DCs can be borrowed more than once
    long long bytes;    // heap blocks only
};

struct State {
    std::mutex mutex;
    std::map<std::pair<Kind, uintptr_t>, Record> live;
    long calls[kSlots] = {};
    std::map<uintptr_t, int> repaints, leaveRequests;  // by window
    std::vector<std::string> log;                      // picture and brush calls, in order
    // Patched entries, to put back on Detach: (module, entry address, original).
    struct Patch {
        HMODULE module;
        void** entry;
        void* original;
    };
    std::vector<Patch> patches;
};

State& TheState()
{
    static State* s_pState = new State;  // never destroyed: wrappers may run at exit
    return *s_pState;
}

void Add(State& s, Kind kind, uintptr_t h, size_t slot, long long bytes = 0)
{
    Record& r = s.live[{kind, h}];
    r.kind = kind;
    r.slot = slot;
    r.bytes = bytes;
    ++r.count;
}

void Remove(State& s, Kind kind, uintptr_t h)
{
    auto it = s.live.find({kind, h});
    if (it != s.live.end() && --it->second.count <= 0)
        s.live.erase(it);
}

bool IsKernelHandle(uintptr_t h)
{
    return h != 0 && h != reinterpret_cast<uintptr_t>(INVALID_HANDLE_VALUE);
}

// Only the pseudo handle counts: that is how a library names its own process.
bool IsThisProcess(uintptr_t h)
{
    return h == reinterpret_cast<uintptr_t>(::GetCurrentProcess());
}

// Records done before the call: a handle that is freed can be reused by
// another thread as soon as the call returns.
void Before(size_t slot, const uintptr_t* a)
{
    State& s = TheState();
    switch (kTable[slot].effect) {
    case Effect::GdiFree: Remove(s, Kind::Gdi, a[0]); break;
    case Effect::HookFree: Remove(s, Kind::User, a[0]); break;
    case Effect::DcRelease: Remove(s, Kind::User, a[1]); break;
    case Effect::KernelFree: Remove(s, Kind::Kernel, a[0]); break;
    case Effect::TlsFree: Remove(s, Kind::Tls, a[0]); break;
    case Effect::HeapFree:
    case Effect::LocalFree: s.live.erase({Kind::Heap, a[0]}); break;
    case Effect::Repaint: ++s.repaints[a[0]]; break;
    case Effect::LeaveRequest: {
        // Counted only with the structure size of this build.
        const auto* pTrack = reinterpret_cast<const TRACKMOUSEEVENT*>(a[0]);
        if (pTrack->dwFlags == TME_LEAVE && pTrack->cbSize == sizeof(TRACKMOUSEEVENT))
            ++s.leaveRequests[reinterpret_cast<uintptr_t>(pTrack->hwndTrack)];
        break;
    }
    default:
        break;
    }
}

// The picture and brush calls a test reads in order, with what they were
// asked for.
void Note(State& s, size_t slot, uintptr_t r, const uintptr_t* a)
{
    const std::string name = kTable[slot].name;
    char line[64] = "";
    if (name == "CreateSolidBrush")
        std::snprintf(line, sizeof(line), "CreateSolidBrush %06lX", static_cast<unsigned long>(a[0]));
    else if (name == "CreateMappedBitmap")
        std::snprintf(line, sizeof(line), "CreateMappedBitmap %ld", static_cast<long>(a[1]));
    else if (name == "LoadImageA" && r != 0 && a[2] == IMAGE_BITMAP)
        std::snprintf(line, sizeof(line), "LoadImage %ld", IS_INTRESOURCE(a[1]) ? static_cast<long>(a[1]) : -1L);
    else if (name == "CopyImage" && r != 0)
        std::snprintf(line, sizeof(line), "CopyImage %ldx%ld", static_cast<long>(a[2]), static_cast<long>(a[3]));
    if (line[0] != '\0')
        s.log.push_back(line);
}

void After(size_t slot, uintptr_t r, const uintptr_t* a)
{
    State& s = TheState();
    Note(s, slot, r, a);
    // A null result is a failure: nothing was made.
    auto made = [&](Kind kind, long long bytes = 0) {
        if (r != 0)
            Add(s, kind, r, slot, bytes);
    };
    switch (kTable[slot].effect) {
    case Effect::GdiMake: made(Kind::Gdi); break;
    case Effect::ImageLoad:
    case Effect::ImageCopy: {
        // LoadImage(instance, name, type, cx, cy, flags); CopyImage(image, type, cx, cy, flags).
        const bool bLoad = kTable[slot].effect == Effect::ImageLoad;
        const UINT type = static_cast<UINT>(bLoad ? a[2] : a[1]);
        const UINT flags = static_cast<UINT>(bLoad ? a[5] : a[4]);
        const Kind kind = type == IMAGE_BITMAP ? Kind::Gdi : Kind::User;
        if (r != 0 && !bLoad && (flags & LR_COPYDELETEORG) && r != a[0])
            s.live.erase({kind, a[0]});
        if (r != 0 && !(flags & LR_SHARED))
            Add(s, kind, r, slot);
        break;
    }
    case Effect::WindowMake: made(Kind::Window); break;
    case Effect::WindowFree:
        // A window that refuses (another thread's) stays recorded.
        if (r != 0 || !::IsWindow(reinterpret_cast<HWND>(a[0])))
            s.live.erase({Kind::Window, a[0]});
        break;
    case Effect::HookMake:
    case Effect::DcGet: made(Kind::User); break;
    case Effect::KernelMake:
        if (IsKernelHandle(r))
            Add(s, Kind::Kernel, r, slot);
        break;
    case Effect::KernelDuplicate:
        if (r != 0 && a[3] != 0 && IsThisProcess(a[2]))
            Add(s, Kind::Kernel, reinterpret_cast<uintptr_t>(*reinterpret_cast<const HANDLE*>(a[3])), slot);
        if (r != 0 && (a[6] & DUPLICATE_CLOSE_SOURCE) && IsThisProcess(a[0]))
            Remove(s, Kind::Kernel, a[1]);
        break;
    case Effect::TlsMake:
        if (r != TLS_OUT_OF_INDEXES)
            Add(s, Kind::Tls, r, slot);
        break;
    case Effect::HeapMake: made(Kind::Heap, static_cast<long long>(a[0])); break;
    case Effect::HeapMakeZeroed: made(Kind::Heap, static_cast<long long>(a[0]) * static_cast<long long>(a[1])); break;
    case Effect::HeapResize:
        // realloc(p, 0) frees p and gives null; a failed realloc keeps p.
        if (r != 0 || a[1] == 0)
            s.live.erase({Kind::Heap, a[0]});
        made(Kind::Heap, static_cast<long long>(a[1]));
        break;
    case Effect::LocalMake: made(Kind::Heap, static_cast<long long>(a[1])); break;
    default:
        break;
    }
}

// Records one call in the ledger. It keeps the caller's last error: the
// records must not disturb it.
void RecordCall(size_t slot, uintptr_t result, const uintptr_t* args, bool before)
{
    DWORD dwError = ::GetLastError();
    try {
        State& s = TheState();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (before) {
            ++s.calls[slot];
            Before(slot, args);
        } else {
            After(slot, result, args);
        }
    } catch (...) {
        // Out of memory in the ledger: the count is off, the call is not.
    }
    ::SetLastError(dwError);
}

int SlotOf(const char* dll, const char* name)
{
    for (size_t i = 0; i < kSlots; ++i)
        if (::lstrcmpiA(kTable[i].dll, dll) == 0 && std::strcmp(kTable[i].name, name) == 0)
            return static_cast<int>(i);
    return -1;
}

bool StillLive(const Record& r, uintptr_t h)
{
    switch (r.kind) {
    case Kind::Window:
        return ::IsWindow(reinterpret_cast<HWND>(h)) != FALSE;  // children go with their parent
    case Kind::Gdi:
        return ::GetObjectType(reinterpret_cast<HGDIOBJ>(h)) != 0;
    default:
        return true;
    }
}


} // namespace

int Attach(HMODULE hModule, Follow follow)
{
    const pe::Image image(hModule);
    // Only a module of this program's own machine can be loaded here.
    if (!image.Valid() || image.Machine() != pe::kThisMachine)
        return 0;

    State& s = TheState();
    std::lock_guard<std::mutex> lock(s.mutex);
    int nPatched = 0;
    for (const pe::Import& import : image.Imports()) {
        if (import.function.empty())
            continue;
        const int slot = SlotOf(import.dll.c_str(), import.function.c_str());
        if (slot >= 0 && follow == Follow::GdiAndUser &&
            (::lstrcmpiA(kTable[slot].dll, "kernel32.dll") == 0 || ::lstrcmpiA(kTable[slot].dll, "msvcrt.dll") == 0))
            continue;
        void** entry = reinterpret_cast<void**>(reinterpret_cast<BYTE*>(hModule) + import.slotRva);
        if (slot < 0 || *entry == kTable[slot].wrapper)
            continue;
        kTable[slot].hooked->original = *entry;
        kTable[slot].hooked->slot = static_cast<size_t>(slot);
        s.patches.push_back({hModule, entry, *entry});
        if (!pe::WriteImportSlot(entry, kTable[slot].wrapper)) {
            s.patches.pop_back();
            continue;
        }
        ++nPatched;
    }
    return nPatched;
}

void Detach(HMODULE hModule)
{
    State& s = TheState();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (auto it = s.patches.begin(); it != s.patches.end();) {
        if (it->module != hModule) {
            ++it;
            continue;
        }
        pe::WriteImportSlot(it->entry, it->original);
        it = s.patches.erase(it);
    }
}

void Reset()
{
    State& s = TheState();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.live.clear();
    for (long& n : s.calls)
        n = 0;
}

Counts Live()
{
    State& s = TheState();
    std::lock_guard<std::mutex> lock(s.mutex);
    Counts c;
    for (const auto& entry : s.live) {
        const Record& r = entry.second;
        if (!StillLive(r, entry.first.second))
            continue;
        switch (r.kind) {
        case Kind::Gdi: c.gdi += r.count; break;
        case Kind::User: c.user += r.count; break;
        case Kind::Window:
            c.user += r.count;
            c.windows += r.count;
            break;
        case Kind::Kernel: c.kernel += r.count; break;
        case Kind::Tls: c.tls += r.count; break;
        case Kind::Heap:
            ++c.heapBlocks;
            c.heapBytes += r.bytes;
            break;
        }
    }
    return c;
}

std::vector<std::string> LiveObjects()
{
    State& s = TheState();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::vector<std::string> lines;
    for (const auto& entry : s.live) {
        if (!StillLive(entry.second, entry.first.second))
            continue;
        char line[160];
        std::snprintf(line, sizeof(line), "%s %s %#lx x%ld (%lld bytes)",
                      kKindNames[static_cast<int>(entry.second.kind)], kTable[entry.second.slot].name,
                      static_cast<unsigned long>(entry.first.second), entry.second.count, entry.second.bytes);
        lines.push_back(line);
    }
    return lines;
}

int Repaints(HWND hWnd)
{
    State& s = TheState();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.repaints[reinterpret_cast<uintptr_t>(hWnd)];
}

int LeaveRequests(HWND hWnd)
{
    State& s = TheState();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.leaveRequests[reinterpret_cast<uintptr_t>(hWnd)];
}

std::vector<std::string> CallLog()
{
    State& s = TheState();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.log;
}

void ClearNotes()
{
    State& s = TheState();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.log.clear();
    s.repaints.clear();
    s.leaveRequests.clear();
}

long Calls(const char* function)
{
    State& s = TheState();
    std::lock_guard<std::mutex> lock(s.mutex);
    long n = 0;
    for (size_t i = 0; i < kSlots; ++i)
        if (std::strcmp(kTable[i].name, function) == 0)
            n += s.calls[i];
    return n;
}

} // namespace ledger

namespace {

// Whether GetProcessHandleCount gives a figure (it gives 0 under Wine).
bool g_bHandleCountWorks = true;

// Counts the valid handle values from 4 up, until 1,024 values in a row are
// invalid; handle values are given out lowest first.
long ProbeHandles()
{
    long n = 0;
    int gap = 0;
    for (uintptr_t v = 4; gap < 1024; v += 4) {
        DWORD dwFlags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(v), &dwFlags)) {
            ++n;
            gap = 0;
        } else {
            ++gap;
        }
    }
    return n;
}

BOOL CALLBACK CountChild(HWND, LPARAM lParam)
{
    ++*reinterpret_cast<long*>(lParam);
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND hWnd, LPARAM lParam)
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid == ::GetCurrentProcessId()) {
        ++*reinterpret_cast<long*>(lParam);
        ::EnumChildWindows(hWnd, CountChild, lParam);
    }
    return TRUE;
}

} // namespace

ProcessFigures MeasureProcess()
{
    ProcessFigures f;
    DWORD dwCount = 0;
    g_bHandleCountWorks =
        g_bHandleCountWorks && ::GetProcessHandleCount(::GetCurrentProcess(), &dwCount) && dwCount != 0;
    f.kernelHandles = g_bHandleCountWorks ? static_cast<long>(dwCount) : ProbeHandles();

    ::EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&f.windows));

    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof(pmc);
    // PrivateUsage is 0 under Wine; PagefileUsage is the committed private bytes there.
    if (::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc)))
        f.privateBytes = static_cast<long long>(pmc.PrivateUsage != 0 ? pmc.PrivateUsage : pmc.PagefileUsage);
    return f;
}

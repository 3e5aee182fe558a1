// The framework's per-thread states when no TLS slot is left for them: no
// thread waits for ever, and no exception reaches the system from the
// framework's window procedure or hook.
#include <gtest/gtest.h>
#include "Framework.h"
#include "ThreadState.h"
#include "PeImage.h"

namespace {

using TlsAllocFn = DWORD(WINAPI*)();
using SleepFn = void(WINAPI*)(DWORD);
TlsAllocFn g_pfnTlsAlloc = nullptr;
SleepFn g_pfnSleep = nullptr;

// Threads the tests stop at: the first inside TlsAlloc until let go, the
// second once it waits for the first (by yielding the processor).
DWORD g_dwFirstThread = 0, g_dwSecondThread = 0;
HANDLE g_hFirstInside = nullptr, g_hLetFirstFail = nullptr, g_hSecondWaits = nullptr;

DWORD WINAPI TlsAllocWithNoSlotLeft()
{
    if (::GetCurrentThreadId() == g_dwFirstThread) {
        ::SetEvent(g_hFirstInside);
        ::WaitForSingleObject(g_hLetFirstFail, 10000);
    }
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return TLS_OUT_OF_INDEXES;
}

void WINAPI SleepTellingTheSecondWaits(DWORD dwMilliseconds)
{
    if (::GetCurrentThreadId() == g_dwSecondThread)
        ::SetEvent(g_hSecondWaits);
    g_pfnSleep(dwMilliseconds);
}

// While it lives, the framework's states are torn down and this program's
// TlsAlloc finds no slot; afterwards both work again.
class NoSlotLeft {
public:
    NoSlotLeft()
    {
        AfxTermThreadStates();
        g_pfnTlsAlloc = reinterpret_cast<TlsAllocFn>(Replace("TlsAlloc", &TlsAllocWithNoSlotLeft));
        g_pfnSleep = reinterpret_cast<SleepFn>(Replace("Sleep", &SleepTellingTheSecondWaits));
    }
    ~NoSlotLeft()
    {
        Replace("TlsAlloc", g_pfnTlsAlloc);
        Replace("Sleep", g_pfnSleep);
        AfxInitThreadStates();
    }
    NoSlotLeft(const NoSlotLeft&) = delete;
    NoSlotLeft& operator=(const NoSlotLeft&) = delete;

private:
    template <class F>
    static void* Replace(const char* function, F* pfn)
    {
        return pe::ReplaceImport(::GetModuleHandleA(nullptr), "kernel32.dll", function, reinterpret_cast<void*>(pfn));
    }
};

DWORD WINAPI InitThreadStates(LPVOID)
{
    return static_cast<DWORD>(AfxInitThreadStates());
}

DWORD WINAPI TakeAndGiveBackStates(LPVOID)
{
    for (int i = 0; i < 20000; ++i) {
        AfxGetThreadState();
        AfxTermThread();
    }
    return 0;
}

HANDLE StartSuspended(DWORD* pThreadId)
{
    HANDLE hThread = ::CreateThread(nullptr, 0, &InitThreadStates, nullptr, CREATE_SUSPENDED, pThreadId);
    ::ResumeThread(hThread);
    return hThread;
}

class CHookAccess : public CDialog {
public:
    using CDialog::CbtFilterHook;
};

} // namespace

// A thread that waits while another sets the states up learns of its
// failure too, instead of waiting for ever.
TEST(ThreadStates, FailedSetUpFailsTheThreadsWaitingForIt)
{
    g_hFirstInside = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_hLetFirstFail = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_hSecondWaits = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        NoSlotLeft noSlot;
        HANDLE hFirst = StartSuspended(&g_dwFirstThread);
        EXPECT_EQ(::WaitForSingleObject(g_hFirstInside, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
        HANDLE hSecond = StartSuspended(&g_dwSecondThread);
        EXPECT_EQ(::WaitForSingleObject(g_hSecondWaits, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
        ::SetEvent(g_hLetFirstFail);
        const struct { const char* trace; HANDLE hThread; } threads[] = {
            {"the thread setting up", hFirst}, {"the thread waiting", hSecond}
        };
        for (const auto& t : threads) {
            SCOPED_TRACE(t.trace);
            DWORD dwResult = 2;
            if (::WaitForSingleObject(t.hThread, 5000) == WAIT_OBJECT_0)
                ::GetExitCodeThread(t.hThread, &dwResult);
            else
                ::TerminateThread(t.hThread, 3);  // it hangs: the test has failed
            EXPECT_EQ(dwResult, static_cast<DWORD>(FALSE));
            ::CloseHandle(t.hThread);
        }
        g_dwFirstThread = g_dwSecondThread = 0;
    }
    for (HANDLE h : {g_hFirstInside, g_hLetFirstFail, g_hSecondWaits})
        ::CloseHandle(h);
    EXPECT_EQ(AfxGetModuleState(), AfxGetStaticModuleState()) << "the states work again";
    EXPECT_TRUE(AfxInitThreadStates()) << "a late set-up finds them ready";
}

// Without a state the framework's window procedure fails each message and
// its CBT hook refuses the window: nothing is thrown at the system.
TEST(ThreadStates, WithoutAStateNoExceptionLeavesTheProcedureOrTheHook)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &CWnd::AfxWndProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "TovikAfxWndProcTest";
    ASSERT_NE(::RegisterClassA(&wc), 0);
    const struct { const char* trace; const char* className; bool bHook; } cases[] = {
        {"window procedure", wc.lpszClassName, false}, {"CBT hook", "STATIC", true}
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trace);
        NoSlotLeft noSlot;
        HHOOK hHook = c.bHook ? ::SetWindowsHookExA(WH_CBT, &CHookAccess::CbtFilterHook, nullptr,
                                                    ::GetCurrentThreadId())
                              : nullptr;
        HWND hWnd = ::CreateWindowExA(0, c.className, "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr,
                                      wc.hInstance, nullptr);
        if (hHook != nullptr)
            ::UnhookWindowsHookEx(hHook);
        EXPECT_EQ(hWnd, nullptr) << "the window is refused";
        if (hWnd != nullptr)
            ::DestroyWindow(hWnd);
    }
    ::UnregisterClassA(wc.lpszClassName, wc.hInstance);
}

// Threads that take their state and give it back while others do the same
// keep the list of states whole: every state made is freed once.
TEST(ThreadStates, ThreadsComingAndGoingAtOnceKeepTheListWhole)
{
    HANDLE hThreads[16];
    for (HANDLE& h : hThreads)
        h = ::CreateThread(nullptr, 0, &TakeAndGiveBackStates, nullptr, 0, nullptr);
    EXPECT_EQ(::WaitForMultipleObjects(16, hThreads, TRUE, 30000), static_cast<DWORD>(WAIT_OBJECT_0));
    for (HANDLE h : hThreads)
        ::CloseHandle(h);
    AfxTermThreadStates();
    EXPECT_TRUE(AfxInitThreadStates());
    EXPECT_EQ(AfxGetModuleState(), AfxGetStaticModuleState()) << "the states work again";
}

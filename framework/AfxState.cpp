#include "ThreadState.h"
#include <new>

// Linker symbol at the base of the module this code is linked into.
extern "C" IMAGE_DOS_HEADER __ImageBase;

AFX_MODULE_STATE::AFX_MODULE_STATE()
    : m_hCurrentInstanceHandle(reinterpret_cast<HINSTANCE>(&__ImageBase)),
      m_hCurrentResourceHandle(reinterpret_cast<HINSTANCE>(&__ImageBase)),
      m_pCurrentWinApp(nullptr)
{
}

// Built before every other static object of the module, destroyed after them.
static AFX_MODULE_STATE g_staticModuleState __attribute__((init_priority(101)));

// Each thread's state hangs in a TLS slot of the module's own and on a list
// of all states, so that unloading the module frees the states of threads
// that are still running; they would otherwise outlive the module. (The
// compiler's thread_local is no use here: its per-thread blocks and the
// thread records of its threading runtime stay behind on unload.)
namespace {

LONG g_nThreadStatesReady = 0;  // 0 not set up, 1 being set up, 2 ready
DWORD g_dwThreadStateSlot = TLS_OUT_OF_INDEXES;
CRITICAL_SECTION g_threadStatesLock;  // guards the list; taken only to add or remove a state
AFX_THREAD_STATE* g_pFirstState = nullptr;

bool ThreadStatesReady()
{
    return ::InterlockedCompareExchange(&g_nThreadStatesReady, 2, 2) == 2;
}

AFX_THREAD_STATE* CurrentThreadState()
{
    // TlsGetValue clears the last error; callers of the framework keep theirs.
    DWORD dwError = ::GetLastError();
    void* p = ::TlsGetValue(g_dwThreadStateSlot);
    ::SetLastError(dwError);
    return static_cast<AFX_THREAD_STATE*>(p);
}

void Unlink(AFX_THREAD_STATE* p)
{
    if (p->m_pPrevState != nullptr)
        p->m_pPrevState->m_pNextState = p->m_pNextState;
    else
        g_pFirstState = p->m_pNextState;
    if (p->m_pNextState != nullptr)
        p->m_pNextState->m_pPrevState = p->m_pPrevState;
}

} // namespace

BOOL AfxInitThreadStates()
{
    for (;;) {
        switch (::InterlockedCompareExchange(&g_nThreadStatesReady, 1, 0)) {
        case 0:  // ours to set up
            g_dwThreadStateSlot = ::TlsAlloc();
            if (g_dwThreadStateSlot == TLS_OUT_OF_INDEXES) {
                ::InterlockedExchange(&g_nThreadStatesReady, 0);
                return FALSE;
            }
            ::InitializeCriticalSection(&g_threadStatesLock);
            ::InterlockedExchange(&g_nThreadStatesReady, 2);
            return TRUE;
        case 2:
            return TRUE;
        default:
            // Another thread is setting up; if it fails, the next round
            // tries again here and fails the same way, without waiting.
            ::Sleep(0);
            break;
        }
    }
}

AFX_THREAD_STATE* AfxGetThreadState()
{
    if (!ThreadStatesReady() && !AfxInitThreadStates())
        throw std::bad_alloc();
    AFX_THREAD_STATE* p = CurrentThreadState();
    if (p == nullptr) {
        p = new AFX_THREAD_STATE;
        ::EnterCriticalSection(&g_threadStatesLock);
        p->m_pNextState = g_pFirstState;
        if (g_pFirstState != nullptr)
            g_pFirstState->m_pPrevState = p;
        g_pFirstState = p;
        ::LeaveCriticalSection(&g_threadStatesLock);
        ::TlsSetValue(g_dwThreadStateSlot, p);
    }
    return p;
}

BOOL AfxHasThreadState()
{
    return ThreadStatesReady() && CurrentThreadState() != nullptr;
}

void AfxTermThread()
{
    if (!ThreadStatesReady())
        return;
    AFX_THREAD_STATE* p = CurrentThreadState();
    if (p == nullptr)
        return;
    ::EnterCriticalSection(&g_threadStatesLock);
    Unlink(p);
    ::LeaveCriticalSection(&g_threadStatesLock);
    delete p;
    ::TlsSetValue(g_dwThreadStateSlot, nullptr);
}

void AfxTermThreadStates()
{
    if (!ThreadStatesReady())
        return;
    while (AFX_THREAD_STATE* p = g_pFirstState) {
        Unlink(p);
        delete p;
    }
    ::DeleteCriticalSection(&g_threadStatesLock);
    ::TlsFree(g_dwThreadStateSlot);
    g_dwThreadStateSlot = TLS_OUT_OF_INDEXES;
    ::InterlockedExchange(&g_nThreadStatesReady, 0);
}

AFX_MODULE_STATE* AfxGetStaticModuleState()
{
    return &g_staticModuleState;
}

AFX_MODULE_STATE* AfxGetModuleState()
{
    AFX_MODULE_STATE* p = AfxGetThreadState()->m_pModuleState;
    return p != nullptr ? p : &g_staticModuleState;
}

AFX_MODULE_STATE* AfxSetModuleState(AFX_MODULE_STATE* pNew)
{
    AFX_THREAD_STATE* pThread = AfxGetThreadState();
    AFX_MODULE_STATE* pOld = pThread->m_pModuleState;
    pThread->m_pModuleState = pNew;
    return pOld;
}

AFX_MAINTAIN_STATE2::AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* pNewState)
    : m_pPrevModuleState(AfxSetModuleState(pNewState))
{
}

AFX_MAINTAIN_STATE2::~AFX_MAINTAIN_STATE2()
{
    AfxSetModuleState(m_pPrevModuleState);
}

HINSTANCE AfxGetInstanceHandle()
{
    return AfxGetModuleState()->m_hCurrentInstanceHandle;
}

HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType)
{
    AFX_MODULE_STATE* pState = AfxGetModuleState();
    if (::FindResourceA(pState->m_hCurrentResourceHandle, lpszName, lpszType) != nullptr)
        return pState->m_hCurrentResourceHandle;
    return pState->m_hCurrentInstanceHandle;
}

CWinApp* AfxGetApp()
{
    return AfxGetModuleState()->m_pCurrentWinApp;
}

void AfxLockTempMaps()
{
    ++AfxGetThreadState()->m_nTempMapLock;
}

BOOL AfxUnlockTempMaps(BOOL bDeleteTemps)
{
    AFX_THREAD_STATE* p = AfxGetThreadState();
    if (p->m_nTempMapLock > 0)
        --p->m_nTempMapLock;
    if (p->m_nTempMapLock != 0 || !bDeleteTemps)
        return FALSE;
    p->m_windowMap.DeleteTemps();
    p->m_dcMap.DeleteTemps();
    p->m_gdiMap.DeleteTemps();
    p->m_paletteMap.DeleteTemps();
    return TRUE;
}

// Start-up and shut-down of a regular DLL on the framework.
//
// AfxDllEntry is the DLL's entry point. On process attach it checks that
// 8 KB of local memory can be had, makes the DLL's module state current and
// only then lets the C runtime build the static objects (the module state
// first, then the application object, which registers with it) and call
// DllMain below. The caller's module state is current again afterwards.
#include "AfxState.h"
#include "CWinApp.h"

extern "C" BOOL WINAPI DllMainCRTStartup(HANDLE hDllHandle, DWORD dwReason, LPVOID lpReserved);

namespace {
bool g_bStarted = false;  // the framework's start-up completed
}

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    switch (dwReason) {
    case DLL_PROCESS_ATTACH: {
        CWinApp* pApp = AfxGetApp();
        if (!AfxWinInit(hInstance, nullptr, const_cast<LPSTR>(""), 0)) {
            AfxWinTerm();
            return FALSE;
        }
        if (pApp != nullptr && !pApp->InitInstance()) {
            pApp->ExitInstance();
            AfxWinTerm();
            return FALSE;
        }
        g_bStarted = true;
        return TRUE;
    }
    case DLL_THREAD_DETACH:
        // A thread that never used the library has nothing to release.
        if (AfxHasThreadState())
            AfxFlushTempMaps();
        return TRUE;
    case DLL_PROCESS_DETACH:
        // Also called by the C runtime after a failed attach: nothing to undo then.
        if (!g_bStarted)
            return TRUE;
        g_bStarted = false;
        if (CWinApp* pApp = AfxGetApp())
            pApp->ExitInstance();
        AfxWinTerm();
        return TRUE;
    default:
        return TRUE;
    }
}

extern "C" BOOL WINAPI AfxDllEntry(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved)
{
    if (dwReason == DLL_PROCESS_ATTACH) {
        // A process that cannot spare 8 KB of local memory could not run the
        // framework's start-up or a dialog either: refuse the load at once,
        // before any static object is built, rather than fail halfway.
        HLOCAL hProbe = ::LocalAlloc(LMEM_FIXED, 0x2000);
        if (hProbe == nullptr)
            return FALSE;
        ::LocalFree(hProbe);
        if (!AfxInitThreadStates())
            return FALSE;
    }
    // Threads get their framework state on first use: nothing to make when
    // one starts, and nothing to free (or make, under the loader lock) when
    // one that never used the library ends.
    if (dwReason == DLL_THREAD_ATTACH || (dwReason == DLL_THREAD_DETACH && !AfxHasThreadState()))
        return DllMainCRTStartup(hInstance, dwReason, lpReserved);

    AFX_MODULE_STATE* pPrevious = AfxSetModuleState(AfxGetStaticModuleState());
    BOOL bResult = DllMainCRTStartup(hInstance, dwReason, lpReserved);
    AfxSetModuleState(pPrevious);
    // The thread's framework state ends with the thread; every thread's ends
    // with the DLL.
    if (dwReason == DLL_THREAD_DETACH)
        AfxTermThread();
    else if (dwReason == DLL_PROCESS_DETACH || (dwReason == DLL_PROCESS_ATTACH && !bResult))
        AfxTermThreadStates();
    return bResult;
}

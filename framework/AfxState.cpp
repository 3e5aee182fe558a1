#include "ThreadState.h"
#include "CWinApp.h"

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

static thread_local AFX_THREAD_STATE* t_pThreadState = nullptr;

AFX_THREAD_STATE* AfxGetThreadState()
{
    if (t_pThreadState == nullptr)
        t_pThreadState = new AFX_THREAD_STATE;
    return t_pThreadState;
}

void AfxTermThread()
{
    delete t_pThreadState;
    t_pThreadState = nullptr;
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

HINSTANCE AfxGetResourceHandle()
{
    return AfxGetModuleState()->m_hCurrentResourceHandle;
}

HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType)
{
    HINSTANCE hInst = AfxGetResourceHandle();
    if (::FindResourceA(hInst, lpszName, lpszType) != nullptr)
        return hInst;
    return AfxGetInstanceHandle();
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

// Module state and per-thread state of the framework.
//
// Every module that links the framework (the DLL, a test program) has one
// static module state. The current module state is kept per thread; the
// framework looks resources and the application object up through it, never
// in the calling program.
#pragma once
#include <windows.h>

class CWinApp;

struct AFX_MODULE_STATE {
    AFX_MODULE_STATE();
    HINSTANCE m_hCurrentInstanceHandle;
    HINSTANCE m_hCurrentResourceHandle;
    CWinApp* m_pCurrentWinApp;
};

// The static module state of the module this code is linked into.
AFX_MODULE_STATE* AfxGetStaticModuleState();
// The module state current on this thread (the static one when none was set).
AFX_MODULE_STATE* AfxGetModuleState();
// Makes pNew current on this thread and returns the one it replaces.
AFX_MODULE_STATE* AfxSetModuleState(AFX_MODULE_STATE* pNew);

HINSTANCE AfxGetInstanceHandle();
// The module holding the named resource of the given type, searched through
// the current module state.
HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType);
CWinApp* AfxGetApp();

// Makes a module state current for the life of the object and restores the
// previous one when it goes out of scope.
class AFX_MAINTAIN_STATE2 {
public:
    explicit AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* pNewState);
    ~AFX_MAINTAIN_STATE2();
    AFX_MAINTAIN_STATE2(const AFX_MAINTAIN_STATE2&) = delete;
    AFX_MAINTAIN_STATE2& operator=(const AFX_MAINTAIN_STATE2&) = delete;

private:
    AFX_MODULE_STATE* m_pPrevModuleState;
};
#define AFX_MANAGE_STATE(p) AFX_MAINTAIN_STATE2 _ctlState(p)

// Temporary wrapper objects (FromHandle of handles the framework does not own)
// live until the maps are unlocked at lock count zero: when a modal loop goes
// idle, when a modal run ends, and when the thread ends.
void AfxLockTempMaps();
BOOL AfxUnlockTempMaps(BOOL bDeleteTemps = TRUE);
// Locks the temporary maps for its life. When it goes the lock is released,
// and with bDeleteTemps the wrappers are deleted unless an outer lock holds.
class CTempMapLock {
public:
    explicit CTempMapLock(BOOL bDeleteTemps) : m_bDeleteTemps(bDeleteTemps) { AfxLockTempMaps(); }
    ~CTempMapLock() { AfxUnlockTempMaps(m_bDeleteTemps); }
    CTempMapLock(const CTempMapLock&) = delete;
    CTempMapLock& operator=(const CTempMapLock&) = delete;

private:
    BOOL m_bDeleteTemps;
};
// Deletes the temporary wrappers now, unless a lock holds them.
inline void AfxFlushTempMaps() { CTempMapLock flush(TRUE); }
// Frees the calling thread's framework state (handle maps, current message).
void AfxTermThread();
// Whether the calling thread has a framework state; makes none.
BOOL AfxHasThreadState();
// Sets up the per-thread states (done on first use otherwise); FALSE when no
// TLS slot is left.
BOOL AfxInitThreadStates();
// Frees the framework state of every thread, the calling one included, and
// its TLS slot: the module is being unloaded.
void AfxTermThreadStates();

// Per-thread state of the framework. Windows belong to the thread that made
// them, so the handle maps are per thread and need no lock.
#pragma once
#include "AfxState.h"
#include "HandleMap.h"
#include "CWnd.h"
#include "CDC.h"
#include "CGdiObject.h"

struct AFX_THREAD_STATE {
    AFX_MODULE_STATE* m_pModuleState = nullptr;
    CHandleMap<CWnd, HWND> m_windowMap;
    CHandleMap<CDC, HDC> m_dcMap;
    CHandleMap<CGdiObject, HGDIOBJ> m_gdiMap;
    CHandleMap<CPalette, HPALETTE> m_paletteMap;
    int m_nTempMapLock = 0;
    // The message being handled, for CWnd::Default.
    MSG m_lastSentMsg = {};
    // Window being created by CDialog::DoModal, picked up by the CBT hook.
    CWnd* m_pWndInit = nullptr;
    HHOOK m_hHookCbt = nullptr;
    // Links of the module's list of all thread states.
    AFX_THREAD_STATE* m_pPrevState = nullptr;
    AFX_THREAD_STATE* m_pNextState = nullptr;
};

// The calling thread's state, made on first use.
AFX_THREAD_STATE* AfxGetThreadState();

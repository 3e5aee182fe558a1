#include "CDC.h"
#include "ThreadState.h"

CDC* CDC::FromHandle(HDC hDC)
{
    return AfxGetThreadState()->m_dcMap.FromHandle(hDC);
}

CPalette* CDC::SelectPalette(CPalette* pPalette, BOOL bForceBackground)
{
    HPALETTE hOld = ::SelectPalette(m_hDC, pPalette ? static_cast<HPALETTE>(pPalette->m_hObject) : nullptr,
                                    bForceBackground);
    return CPalette::FromHandle(hOld);
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr)
{
    m_hDC = ::GetDC(m_hWnd);
}

CClientDC::~CClientDC()
{
    if (m_hDC != nullptr)
        ::ReleaseDC(m_hWnd, m_hDC);
}

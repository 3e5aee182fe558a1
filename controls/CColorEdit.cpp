#include "CColorEdit.h"

BEGIN_MESSAGE_MAP(CColorEdit, CEdit)
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

// Until a background colour is set the box answers with a null brush and the
// parent's default handling colours it; the window colour stands in meanwhile.
CColorEdit::CColorEdit() : m_clrText(0), m_clrBk(::GetSysColor(COLOR_WINDOW))
{
}

CColorEdit::~CColorEdit()
{
    m_brBk.DeleteObject();
}

void CColorEdit::SetBkColor(COLORREF clr)
{
    m_clrBk = clr;
    // The old brush goes before the new one is made; if that fails the box
    // has none and the parent colours it.
    m_brBk.DeleteObject();
    m_brBk.CreateSolidBrush(clr);
    RepaintIfCreated();
}

void CColorEdit::SetTextColor(COLORREF clr)
{
    m_clrText = clr;
    RepaintIfCreated();
}

HBRUSH CColorEdit::CtlColor(CDC* pDC, UINT)
{
    pDC->SetTextColor(m_clrText);
    pDC->SetBkColor(m_clrBk);
    return static_cast<HBRUSH>(m_brBk.GetSafeHandle());
}

#include "CBitmapDialog.h"

BEGIN_MESSAGE_MAP(CBitmapDialog, CDialog)
    ON_WM_ERASEBKGND()
    ON_WM_CTLCOLOR()
    ON_WM_PALETTECHANGED()
    ON_WM_QUERYNEWPALETTE()
END_MESSAGE_MAP()

CBitmapDialog::CBitmapDialog(UINT nIDTemplate, CWnd* pParentWnd) : CDialog(nIDTemplate, pParentWnd)
{
}

CBitmapDialog::~CBitmapDialog()
{
}

BOOL CBitmapDialog::SetBackgroundBitmap(UINT nIDResource)
{
    return m_dibBackground.LoadBitmapResource(MAKEINTRESOURCEA(nIDResource));
}

void CBitmapDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
}

BOOL CBitmapDialog::OnEraseBkgnd(CDC* pDC)
{
    if (m_dibBackground.GetBits() == nullptr)
        return static_cast<BOOL>(Default());
    // Each axis is scaled on its own to the full client area.
    RECT rc;
    GetClientRect(&rc);
    m_dibBackground.StretchDraw(pDC, 0, 0, rc.right - rc.left, rc.bottom - rc.top);
    return TRUE;
}

HBRUSH CBitmapDialog::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    // Buttons draw over the picture without filling a background of their own.
    if (m_dibBackground.GetBits() != nullptr && nCtlColor == CTLCOLOR_BTN)
        pDC->SetBkMode(TRANSPARENT);
    // Every request goes on to the framework, which reflects it to the child
    // first: that is where colour edits get their colours.
    return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
}

void CBitmapDialog::OnPaletteChanged(CWnd*)
{
    Default();
}

BOOL CBitmapDialog::OnQueryNewPalette()
{
    return static_cast<BOOL>(Default());
}

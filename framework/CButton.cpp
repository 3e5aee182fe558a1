#include "CButton.h"

void CButton::DrawItem(LPDRAWITEMSTRUCT lpDIS)
{
    RECT rc = lpDIS->rcItem;
    UINT uState = DFCS_BUTTONPUSH;
    if (lpDIS->itemState & ODS_SELECTED)
        uState |= DFCS_PUSHED;
    if (lpDIS->itemState & ODS_DISABLED)
        uState |= DFCS_INACTIVE;
    ::DrawFrameControl(lpDIS->hDC, &rc, DFC_BUTTON, uState);
    CString text;
    GetWindowText(text);
    ::SetBkMode(lpDIS->hDC, TRANSPARENT);
    ::DrawTextA(lpDIS->hDC, text, text.GetLength(), &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (lpDIS->itemState & ODS_FOCUS) {
        ::InflateRect(&rc, -3, -3);
        ::DrawFocusRect(lpDIS->hDC, &rc);
    }
}

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_DRAWITEM) {
        DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
        *pResult = TRUE;
        return TRUE;
    }
    return CWnd::OnChildNotify(message, wParam, lParam, pResult);
}

#include "CHoverButton.h"
#include <commctrl.h>

BEGIN_MESSAGE_MAP(CHoverButton, CButton)
    ON_WM_MOUSEMOVE()
    ON_MESSAGE(WM_MOUSELEAVE, OnMouseLeave)
    ON_WM_GETDLGCODE()
    ON_MESSAGE(BM_SETSTYLE, OnSetStyle)
END_MESSAGE_MAP()

namespace {

// The caption's left edge, in pixels from the button's: right of the box at
// the picture's left end.
const int kCaptionLeft = 30;
// The focus rectangle sits at most this many pixels inside the button.
const int kFocusInsetMax = 3;

// Half of v, rounded towards minus infinity (-5 gives -3).
int HalfDown(int v)
{
    return v >> 1;  // arithmetic shift on every compiler we build with
}

} // namespace

CHoverButton::CHoverButton()
    : m_clrText(::GetSysColor(COLOR_BTNTEXT)), m_clrHoverText(m_clrText), m_nImageOffset(1),
      m_cxImage(0), m_cyImage(0), m_nLastItemState(0), m_bHover(FALSE)
{
}

void CHoverButton::SetHoverTextColor(COLORREF clr)
{
    if (clr != 0)
        m_clrHoverText = clr;
}

int CHoverButton::SetImageOffset(int nOffset)
{
    int nPrevious = m_nImageOffset;
    m_nImageOffset = nOffset;
    RepaintIfCreated();
    return nPrevious;
}

BOOL CHoverButton::SetBitmap(UINT nID, int cx, int cy)
{
    // Resource ids are 16 bits; a wider value would read as a name pointer.
    const WORD wID = static_cast<WORD>(nID);
    HINSTANCE hInst = AfxFindResourceHandle(MAKEINTRESOURCEA(wID), RT_BITMAP);

    // Black entries of the colour table take the button face colour.
    COLORMAP map = { RGB(0, 0, 0), ::GetSysColor(COLOR_BTNFACE) };
    HBITMAP hScaled = nullptr;
    CScopedBitmap mapped(::CreateMappedBitmap(hInst, wID, 0, &map, 1));
    if (mapped.IsValid()) {
        // The copy takes the original over and deletes it; a failed copy may
        // leave it behind.
        hScaled = static_cast<HBITMAP>(::CopyImage(mapped.Get(), IMAGE_BITMAP, cx, cy, LR_COPYDELETEORG));
        if (hScaled != nullptr || ::GetObjectType(mapped.Get()) != OBJ_BITMAP)
            mapped.Release();
    }

    // A picture made earlier goes now, whether it is replaced or dropped.
    m_hBitmap.Reset(hScaled);
    if (hScaled == nullptr)
        return FALSE;

    // The copy's own size: the requested one, or the resource's along an
    // axis given as 0.
    BITMAP bm = {};
    ::GetObjectA(hScaled, sizeof(bm), &bm);
    m_cxImage = bm.bmWidth;
    m_cyImage = bm.bmHeight;
    RepaintIfCreated();
    return TRUE;
}

POINT& CHoverButton::CenterImage(POINT& pt, int cx, int cy) const
{
    RECT rc;
    GetClientRect(&rc);
    if (pt.x == -1)
        pt.x = HalfDown((rc.right - rc.left) - cx);
    if (pt.y == -1)
        pt.y = HalfDown((rc.bottom - rc.top) - cy);
    return pt;
}

// The focus rectangle is an inverted dotted frame, so it is drawn exactly
// once for each change between shown and hidden. The ODS_FOCUS bit of
// m_nLastItemState records whether it is on screen now: a full draw repaints
// the whole item and leaves the rectangle shown exactly when the item has the
// focus (and is enabled); a focus-only draw inverts it only when the focus
// differs from what the screen shows.
void CHoverButton::DrawItem(LPDRAWITEMSTRUCT lpDIS)
{
    CDC* pDC = CDC::FromHandle(lpDIS->hDC);
    RECT rc = lpDIS->rcItem;
    const UINT nState = lpDIS->itemState;
    const bool bDisabled = (nState & ODS_DISABLED) != 0;
    const int p = (nState & ODS_SELECTED) ? 1 : 0;

    if (lpDIS->itemAction == ODA_FOCUS) {
        if (bDisabled || ((nState ^ m_nLastItemState) & ODS_FOCUS) == 0)
            return;
        DrawFocusRectangle(pDC, rc);
        m_nLastItemState ^= ODS_FOCUS;
        return;
    }

    ::DrawFrameControl(pDC->GetSafeHdc(), &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (p ? DFCS_PUSHED : 0));

    CString strText;
    GetWindowText(strText);

    if (m_hBitmap.IsValid()) {
        POINT pt = { strText.IsEmpty() ? -1 : rc.left + m_nImageOffset, -1 };
        CenterImage(pt, m_cxImage, m_cyImage);
        pt.x += p;
        pt.y += p;
        ::DrawStateA(pDC->GetSafeHdc(), nullptr, nullptr, reinterpret_cast<LPARAM>(m_hBitmap.Get()), 0, pt.x, pt.y,
                     m_cxImage, m_cyImage, DST_BITMAP | (bDisabled ? DSS_DISABLED : 0));
    }

    if (!strText.IsEmpty()) {
        // The caption starts right of the picture's box and stays put when pushed.
        RECT rcText = lpDIS->rcItem;
        rcText.left += kCaptionLeft;
        pDC->SetBkMode(TRANSPARENT);
        pDC->SetTextColor(m_bHover ? m_clrHoverText : m_clrText);
        pDC->DrawText(strText, strText.GetLength(), &rcText, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }

    const bool bShowFocus = (nState & ODS_FOCUS) != 0 && !bDisabled;
    if (bShowFocus)
        DrawFocusRectangle(pDC, rc);
    m_nLastItemState = (nState & ~static_cast<UINT>(ODS_FOCUS)) | (bShowFocus ? ODS_FOCUS : 0);
}

// Inset by d = min(3, min(w, h) / 4) on every side, then one pixel further
// left and one pixel less at the bottom.
void CHoverButton::DrawFocusRectangle(CDC* pDC, const RECT& rcItem) const
{
    const int w = rcItem.right - rcItem.left;
    const int h = rcItem.bottom - rcItem.top;
    const int m = w < h ? w : h;
    const int d = (m >> 2) < kFocusInsetMax ? (m >> 2) : kFocusInsetMax;
    RECT rc = { rcItem.left + d - 1, rcItem.top + d, rcItem.right - d, rcItem.bottom - d - 1 };
    ::DrawFocusRect(pDC->GetSafeHdc(), &rc);
}

void CHoverButton::OnMouseMove(UINT nFlags, CPoint point)
{
    Default();
    // A drag that enters the button does not start hovering.
    if ((nFlags & MK_LBUTTON) != 0 && !m_bHover)
        return;

    ClientToScreen(&point);
    CWnd* pWndUnder = CWnd::WindowFromPoint(point);
    CWnd* pWndActive = CWnd::GetActiveWindow();
    if (pWndUnder != nullptr && pWndUnder->GetSafeHwnd() == m_hWnd && pWndActive != nullptr) {
        if (m_bHover)
            return;
        m_bHover = TRUE;
        RepaintIfCreated();
        // One leave notice per entry.
        TRACKMOUSEEVENT tme = {};
        tme.cbSize = sizeof(tme);
        tme.dwFlags = TME_LEAVE;
        tme.hwndTrack = m_hWnd;
        ::_TrackMouseEvent(&tme);
        return;
    }
    CancelHover();
}

LRESULT CHoverButton::OnMouseLeave(WPARAM, LPARAM)
{
    CancelHover();
    return 0;
}

// An owner-drawn button is no push button to the dialog manager, which then
// answers Enter with IDOK whatever has the focus. Claiming the default push
// button's code while focused makes Enter press the focused button, as Space
// and a click do, however the focus came there (Tab, a click released
// elsewhere, SetFocus).
UINT CHoverButton::OnGetDlgCode()
{
    return DLGC_BUTTON | (::GetFocus() == m_hWnd ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

// Push styles would replace the owner-draw type (both live in the low four
// bits) and the button would paint as a plain push button.
LRESULT CHoverButton::OnSetStyle(WPARAM wParam, LPARAM lParam)
{
    return DefWindowProc(BM_SETSTYLE, (wParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW, lParam);
}

void CHoverButton::CancelHover()
{
    if (!m_bHover)
        return;
    m_bHover = FALSE;
    RepaintIfCreated();
}

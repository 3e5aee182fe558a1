// An owner-drawn push button with a picture made from a bitmap resource and
// a caption that takes a second colour while the mouse pointer rests on it.
#pragma once
#include "Framework.h"

class CHoverButton : public CButton {
public:
    CHoverButton();

    // Stores the caption colour used while hovering; 0 leaves it unchanged.
    void SetHoverTextColor(COLORREF clr);
    // Stores the picture's left edge (from the item's left edge, used when the
    // button has text; -1 centres) and returns the previous one.
    int SetImageOffset(int nOffset);
    // Makes the picture from bitmap resource nID, scaled once to cx x cy.
    // FALSE when the resource is missing or the picture cannot be made; the
    // button then has no picture.
    BOOL SetBitmap(UINT nID, int cx, int cy);

    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

protected:
    void OnMouseMove(UINT nFlags, CPoint point);
    LRESULT OnMouseLeave(WPARAM wParam, LPARAM lParam);
    // Enter follows the focus: the button is a push button to the dialog
    // manager, the default one exactly while it has the focus.
    UINT OnGetDlgCode();
    // The dialog manager moving the default push style: the button stays
    // owner-drawn.
    LRESULT OnSetStyle(WPARAM wParam, LPARAM lParam);
    void CancelHover();
    // Replaces a -1 coordinate by the one that centres a picture of cx x cy
    // in the client area.
    POINT& CenterImage(POINT& pt, int cx, int cy) const;

    COLORREF m_clrText;       // caption colour off hover (button text colour)
    COLORREF m_clrHoverText;  // caption colour on hover
    int m_nImageOffset;
    CScopedBitmap m_hBitmap;  // already scaled to m_cxImage x m_cyImage
    int m_cxImage;
    int m_cyImage;
    // itemState of the last full draw; its ODS_FOCUS bit follows the focus
    // rectangle on screen (see DrawItem).
    UINT m_nLastItemState;
    BOOL m_bHover;

    DECLARE_MESSAGE_MAP()

private:
    void DrawFocusRectangle(CDC* pDC, const RECT& rcItem) const;
};

// An edit box that answers its own colour requests, reflected to it by the
// parent, with a text colour, a background colour and a brush of that colour.
#pragma once
#include "Framework.h"

class CColorEdit : public CEdit {
public:
    CColorEdit();
    ~CColorEdit() override;

    // Both store the colour and repaint the box when it has a window.
    void SetBkColor(COLORREF clr);
    void SetTextColor(COLORREF clr);

protected:
    // Reflected colour request: the same colours and brush for every kind.
    // A null brush (no background colour set yet) leaves the request to the
    // parent's default handling.
    HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);

    COLORREF m_clrText;
    COLORREF m_clrBk;
    CBrush m_brBk;  // owned; at most one brush at a time

    DECLARE_MESSAGE_MAP()
};

// A push button. Owner-drawn buttons get their WM_DRAWITEM through DrawItem.
#pragma once
#include "CWnd.h"

class CButton : public CWnd {
public:
    // Paints an owner-drawn button; the default draws a plain push button
    // with its text.
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);

protected:
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

// A dialog whose client area shows a picture, stretched over the whole client
// rectangle on every background erase. Without a picture it behaves as a
// plain dialog.
#pragma once
#include "Framework.h"
#include "CDibImage.h"

class CBitmapDialog : public CDialog {
public:
    explicit CBitmapDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CBitmapDialog() override;

    // Loads bitmap resource nIDResource (low 16 bits) as the background.
    // Nonzero when loaded; otherwise the earlier picture, if any, stays. Does
    // not repaint: the picture shows from the next erase on.
    BOOL SetBackgroundBitmap(UINT nIDResource);

protected:
    // Exchanges nothing; derived dialogs call it before binding their controls.
    void DoDataExchange(CDataExchange* pDX) override;

    BOOL OnEraseBkgnd(CDC* pDC);
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    void OnPaletteChanged(CWnd* pFocusWnd);
    BOOL OnQueryNewPalette();

    CDibImage m_dibBackground;  // loaded exactly when GetBits() is not null
    CBrush m_brush;             // never created

    DECLARE_MESSAGE_MAP()
};

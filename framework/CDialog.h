// A modal dialog made from a template in the current module's resources.
#pragma once
#include "CWnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Runs the dialog modally and returns the result given to EndDialog,
    // or -1 when the dialog cannot be created.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

protected:
    LPCSTR m_lpszTemplateName;
    CWnd* m_pParentWnd;

    // Takes the first dialog window made on the thread during DoModal into
    // the framework.
    static LRESULT CALLBACK CbtFilterHook(int nCode, WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void RunModalLoop();

    INT_PTR m_nModalResult;
    bool m_bContinueModal;
    bool m_bAutoCenter;  // the template gives no position and no centring style
};

// A window of the framework: wraps one HWND and routes its messages through
// the message maps.
#pragma once
#include "CCmdTarget.h"
#include "CString.h"

class CDC;
class CDataExchange;

struct CPoint : public POINT {
    CPoint(int initX, int initY) : POINT{initX, initY} {}
};

class CWnd : public CCmdTarget {
public:
    CWnd();
    ~CWnd() override;

    HWND m_hWnd;
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The framework object of hWnd: the permanent one when the framework owns
    // or subclassed the window, else a temporary wrapper.
    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Routes the window's messages through this object from now on. FALSE
    // when the window has an object already or its procedure can't be set.
    BOOL SubclassWindow(HWND hWnd);
    // Gives the window its own procedure back and returns it; null (and
    // stays attached until the window is destroyed) when another procedure
    // was installed on top of ours since.
    HWND UnsubclassWindow();

    // Repeats the message being handled to the default processing.
    LRESULT Default();

    // A message of the thread's queue before it is translated and
    // dispatched; TRUE when it was handled and must go no further.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    // Thin forwards to USER.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    int MessageBoxA(LPCSTR lpszText, LPCSTR lpszCaption = nullptr, UINT nType = MB_OK);
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    void SetWindowTextA(LPCSTR lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }
    int GetWindowText(CString& rString) const;
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    void GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
    void ClientToScreen(LPPOINT lpPoint) const { ::ClientToScreen(m_hWnd, lpPoint); }
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    CWnd* GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }
    void CenterWindow(CWnd* pAlternateOwner = nullptr);
    BOOL DestroyWindow();
    static CWnd* WindowFromPoint(POINT point) { return FromHandle(::WindowFromPoint(point)); }
    static CWnd* GetActiveWindow() { return FromHandle(::GetActiveWindow()); }
    static CWnd* GetDesktopWindow() { return FromHandle(::GetDesktopWindow()); }

    // Invalidates the whole window with background erase; without a window
    // there is nothing to repaint (and a null window would mean every window
    // on the desktop).
    void RepaintIfCreated();

    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Message routing: WindowProc offers the message to OnWndMsg (the maps)
    // and otherwise to DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // A parent offers reflected requests (colour, owner draw) to the child.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // Used by the handle maps for temporary wrappers.
    void AttachTemporary(HWND hWnd) { m_hWnd = hWnd; }
    void DetachTemporary() { m_hWnd = nullptr; }

    // Window procedure of every framework window.
    static LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void PostNcDestroy();

    // Default handlers: offer the request to the child's object first.
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);

    // Takes the window into the permanent map (no subclassing).
    void AttachPermanent(HWND hWnd);
    void OnNcDestroyCleanup();
    HWND DetachFromWindow();

    WNDPROC m_pfnSuper;  // the window's own procedure before subclassing

    DECLARE_MESSAGE_MAP()

private:
    LRESULT ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, HWND hChild, bool* pHandled);
    friend class CDialog;
};

// Passed to DoDataExchange: which dialog, and in which direction.
class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Binds a member control object to the dialog's control nIDC on the first
// exchange. Missing controls are left unbound.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

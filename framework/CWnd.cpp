#include "CWnd.h"
#include "AfxDebug.h"
#include "ThreadState.h"

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
    ON_WM_CTLCOLOR()
    ON_WM_DRAWITEM()
END_MESSAGE_MAP()

CWnd::CWnd() : m_hWnd(nullptr), m_pfnSuper(nullptr)
{
}

CWnd::~CWnd()
{
    // A window still alive when its object goes is destroyed with it.
    if (m_hWnd != nullptr && AfxGetThreadState()->m_windowMap.LookupPermanent(m_hWnd) == this)
        ::DestroyWindow(m_hWnd);
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    return AfxGetThreadState()->m_windowMap.FromHandle(hWnd);
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    return AfxGetThreadState()->m_windowMap.LookupPermanent(hWnd);
}

void CWnd::AttachPermanent(HWND hWnd)
{
    m_hWnd = hWnd;
    AfxGetThreadState()->m_windowMap.SetPermanent(hWnd, this);
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (hWnd == nullptr || m_hWnd != nullptr || FromHandlePermanent(hWnd) != nullptr)
        return FALSE;
    // The map takes the window only once our procedure is installed, and
    // gives it back if it cannot (out of memory); nothing is left half done.
    ::SetLastError(ERROR_SUCCESS);
    LONG_PTR pfnOld = ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::AfxWndProc));
    if (pfnOld == 0 && ::GetLastError() != ERROR_SUCCESS)
        return FALSE;
    try {
        AttachPermanent(hWnd);
    } catch (...) {
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, pfnOld);
        m_hWnd = nullptr;
        throw;
    }
    m_pfnSuper = reinterpret_cast<WNDPROC>(pfnOld);
    return TRUE;
}

HWND CWnd::UnsubclassWindow()
{
    // Only while ours is the installed procedure: a procedure installed on
    // top of ours chains into it, so we stay attached and keep passing the
    // messages on to the window's own procedure until WM_NCDESTROY.
    if (m_hWnd == nullptr ||
        reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC)) != &CWnd::AfxWndProc)
        return nullptr;
    return DetachFromWindow();
}

// Puts the window's own procedure back if ours is still the installed one,
// and lets go of the window.
HWND CWnd::DetachFromWindow()
{
    HWND hWnd = m_hWnd;
    if (m_pfnSuper != nullptr &&
        reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hWnd, GWLP_WNDPROC)) == &CWnd::AfxWndProc)
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    AfxGetThreadState()->m_windowMap.RemovePermanent(hWnd);
    m_hWnd = nullptr;
    return hWnd;
}

LRESULT CWnd::Default()
{
    const MSG& msg = AfxGetThreadState()->m_lastSentMsg;
    return DefWindowProc(msg.message, msg.wParam, msg.lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

int CWnd::MessageBoxA(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    return ::MessageBoxA(m_hWnd, lpszText, lpszCaption, nType);
}

int CWnd::GetWindowText(CString& rString) const
{
    int nLen = ::GetWindowTextLengthA(m_hWnd);
    ::GetWindowTextA(m_hWnd, rString.GetZeroedBuffer(nLen), nLen + 1);
    rString.ReleaseBuffer();
    return rString.GetLength();
}

void CWnd::RepaintIfCreated()
{
    if (m_hWnd != nullptr)
        InvalidateRect(nullptr, TRUE);
}

BOOL CWnd::DestroyWindow()
{
    return m_hWnd != nullptr && ::DestroyWindow(m_hWnd);
}

// Centres the window over its owner, or on the work area (the screen less
// the taskbar) when it has none (or the owner is hidden or minimised).
void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    HWND hOwner = pAlternateOwner != nullptr ? pAlternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
    RECT rcArea;
    if (hOwner != nullptr && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner))
        ::GetWindowRect(hOwner, &rcArea);
    else
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcArea, 0);
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    int x = rcArea.left + ((rcArea.right - rcArea.left) - cx) / 2;
    int y = rcArea.top + ((rcArea.bottom - rcArea.top) - cy) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*)
{
}

void CWnd::PostNcDestroy()
{
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult))
        lResult = DefWindowProc(message, wParam, lParam);
    return lResult;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_COMMAND) {
        // Commands match on the id; 0 (control click, menu) and 1 (accelerator)
        // are the codes a command entry answers.
        if (HIWORD(wParam) > 1)
            return FALSE;
        return DispatchToMessageMap(WM_COMMAND, LOWORD(wParam), wParam, lParam, pResult);
    }
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        AFX_CTLCOLOR ctl = { reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam),
                             message - WM_CTLCOLORMSGBOX };
        return DispatchToMessageMap(WM_CTLCOLOR, 0, wParam, reinterpret_cast<LPARAM>(&ctl), pResult);
    }
    return DispatchToMessageMap(message, 0, wParam, lParam, pResult);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper != nullptr)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        AFX_CTLCOLOR ctl = { m_hWnd, reinterpret_cast<HDC>(wParam), message - WM_CTLCOLORMSGBOX };
        return DispatchToMessageMap(WM_REFLECT_BASE + WM_CTLCOLOR, 0, wParam,
                                    reinterpret_cast<LPARAM>(&ctl), pResult);
    }
    return DispatchToMessageMap(WM_REFLECT_BASE + message, 0, wParam, lParam, pResult);
}

// Offers the current message to the framework object of hChild as a
// reflected message. *pHandled tells whether the child took it.
LRESULT CWnd::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, HWND hChild, bool* pHandled)
{
    LRESULT lResult = 0;
    CWnd* pChild = FromHandlePermanent(hChild);
    *pHandled = pChild != nullptr && pChild->OnChildNotify(message, wParam, lParam, &lResult);
    return lResult;
}

HBRUSH CWnd::OnCtlColor(CDC*, CWnd* pWnd, UINT)
{
    const MSG& msg = AfxGetThreadState()->m_lastSentMsg;
    bool bHandled = false;
    LRESULT lResult = ReflectToChild(msg.message, msg.wParam, msg.lParam, pWnd ? pWnd->m_hWnd : nullptr, &bHandled);
    if (bHandled && lResult != 0)
        return reinterpret_cast<HBRUSH>(lResult);
    return reinterpret_cast<HBRUSH>(Default());
}

void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    bool bHandled = false;
    const MSG& msg = AfxGetThreadState()->m_lastSentMsg;
    ReflectToChild(WM_DRAWITEM, msg.wParam, msg.lParam, lpDrawItemStruct->hwndItem, &bHandled);
    if (!bHandled)
        Default();
}

void CWnd::OnNcDestroyCleanup()
{
    DetachFromWindow();
    PostNcDestroy();
}

namespace {
// Puts the saved message back as the current one when it goes, however the
// handling ends.
struct MessageRestorer {
    MSG& current;
    const MSG saved;
    ~MessageRestorer() { current = saved; }
};
} // namespace

LRESULT CALLBACK CWnd::AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // No exception may unwind into the system's frames. The framework's own
    // state, made on a thread's first message, may not be had, and the
    // clean-up at a window's end may throw: the message then fails with 0.
    try {
        AFX_MANAGE_STATE(AfxGetStaticModuleState());
        AFX_THREAD_STATE* pThread = AfxGetThreadState();
        CWnd* pWnd = pThread->m_windowMap.LookupPermanent(hWnd);
        if (pWnd == nullptr)
            return ::DefWindowProcA(hWnd, message, wParam, lParam);

        const MessageRestorer restorer{ pThread->m_lastSentMsg, pThread->m_lastSentMsg };
        pThread->m_lastSentMsg = MSG{ hWnd, message, wParam, lParam, 0, {0, 0} };
        CTempMapLock lock(FALSE);
        LRESULT lResult = 0;
        // A handler that throws makes its message fail with result 0.
        try {
            lResult = pWnd->WindowProc(message, wParam, lParam);
        } catch (...) {
            AfxReportCaught("CWnd::AfxWndProc, a handler of the message", static_cast<long>(message));
            lResult = 0;
        }
        if (message == WM_NCDESTROY && pThread->m_windowMap.LookupPermanent(hWnd) == pWnd)
            pWnd->OnNcDestroyCleanup();
        return lResult;
    } catch (...) {
        AfxReportCaught("CWnd::AfxWndProc, the framework's state for the message", static_cast<long>(message));
        return 0;
    }
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd != nullptr)
        return;
    HWND hControl = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
    if (hControl != nullptr)
        rControl.SubclassWindow(hControl);
}

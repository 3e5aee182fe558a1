#include "CDialog.h"
#include "AfxDebug.h"
#include "DialogClass.h"
#include "ThreadState.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

namespace {

// The head of an extended dialog template (DLGTEMPLATEEX), which the
// platform headers do not declare.
#pragma pack(push, 2)
struct DialogTemplateExHead {
    WORD dlgVer;     // 1
    WORD signature;  // 0xFFFF
    DWORD helpID;
    DWORD exStyle;
    DWORD style;
    WORD cDlgItems;
    short x;
    short y;
    short cx;
    short cy;
};
#pragma pack(pop)

// True when the template (plain or extended) places the dialog at (0, 0)
// without asking the dialog manager to centre it: the position is left to us.
bool TemplateLeavesPositionOpen(const void* pTemplate)
{
    const auto* pEx = static_cast<const DialogTemplateExHead*>(pTemplate);
    DWORD style;
    short x, y;
    if (pEx->dlgVer == 1 && pEx->signature == 0xFFFF) {
        style = pEx->style;
        x = pEx->x;
        y = pEx->y;
    } else {
        const auto* pPlain = static_cast<const DLGTEMPLATE*>(pTemplate);
        style = pPlain->style;
        x = pPlain->x;
        y = pPlain->y;
    }
    return x == 0 && y == 0 && (style & (DS_CENTER | DS_CENTERMOUSE)) == 0;
}

} // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)), m_pParentWnd(pParentWnd),
      m_nModalResult(-1), m_bContinueModal(false), m_bAutoCenter(false)
{
}

// The first dialog window made on this thread during DoModal is taken into
// the framework at once, so that it sees every message from creation on.
LRESULT CALLBACK CDialog::CbtFilterHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    // No exception may unwind into the system's frames. A window the
    // framework can't take in (its state can't be had, out of memory) is
    // refused: DoModal then returns -1.
    HHOOK hHook = nullptr;
    try {
        AFX_THREAD_STATE* pThread = AfxGetThreadState();
        hHook = pThread->m_hHookCbt;
        if (nCode == HCBT_CREATEWND && pThread->m_pWndInit != nullptr) {
            HWND hWnd = reinterpret_cast<HWND>(wParam);
            if (IsDialogWindow(hWnd)) {
                CWnd* pWnd = pThread->m_pWndInit;
                pThread->m_pWndInit = nullptr;
                pWnd->SubclassWindow(hWnd);
            }
        }
    } catch (...) {
        AfxReportCaught("CDialog::CbtFilterHook", nCode);
        if (nCode == HCBT_CREATEWND)
            return 1;
    }
    return ::CallNextHookEx(hHook, nCode, wParam, lParam);
}

INT_PTR CALLBACK CDialog::AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    CDialog* pDlg = nullptr;
    try {
        pDlg = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
        if (pDlg == nullptr)
            return FALSE;
        BOOL bResult = pDlg->OnInitDialog();
        if (pDlg->m_bAutoCenter)
            pDlg->CenterWindow();
        return bResult;
    } catch (...) {
        AfxReportCaught("CDialog::AfxDlgProc, OnInitDialog", WM_INITDIALOG);
        // An initialisation that failed by exception ends the dialog unshown.
        if (pDlg != nullptr)
            pDlg->EndDialog(-1);
        return FALSE;
    }
}

INT_PTR CDialog::DoModal()
{
    HINSTANCE hInst = AfxFindResourceHandle(m_lpszTemplateName, RT_DIALOG);
    HRSRC hResource = ::FindResourceA(hInst, m_lpszTemplateName, RT_DIALOG);
    HGLOBAL hTemplate = hResource ? ::LoadResource(hInst, hResource) : nullptr;
    const void* pTemplate = hTemplate ? ::LockResource(hTemplate) : nullptr;
    if (pTemplate == nullptr)
        return -1;
    m_bAutoCenter = TemplateLeavesPositionOpen(pTemplate);

    HWND hParent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    bool bEnableParent = hParent != nullptr && ::IsWindowEnabled(hParent);
    if (bEnableParent)
        ::EnableWindow(hParent, FALSE);

    m_nModalResult = -1;
    m_bContinueModal = true;
    // Without the hook the window could not be taken in: no dialog then.
    // A dialog may run another from its OnInitDialog, inside this creation:
    // the thread's hook and window-being-made are the outer run's again
    // once the inner creation ends.
    AFX_THREAD_STATE* pThread = AfxGetThreadState();
    HWND hWnd = nullptr;
    HHOOK hHook = ::SetWindowsHookExA(WH_CBT, &CDialog::CbtFilterHook, nullptr, ::GetCurrentThreadId());
    if (hHook != nullptr) {
        CWnd* pOuterInit = pThread->m_pWndInit;
        HHOOK hOuterHook = pThread->m_hHookCbt;
        pThread->m_pWndInit = this;
        pThread->m_hHookCbt = hHook;
        hWnd = ::CreateDialogIndirectParamA(hInst, static_cast<LPCDLGTEMPLATEA>(pTemplate), hParent,
                                            &CDialog::AfxDlgProc, 0);
        ::UnhookWindowsHookEx(hHook);
        pThread->m_hHookCbt = hOuterHook;
        pThread->m_pWndInit = pOuterInit;
    }
    // A window the hook did not take in is not ours to run: it only goes.
    bool bTakenIn = hWnd != nullptr && m_hWnd == hWnd;

    // An end requested during initialisation skips the loop: never shown.
    if (bTakenIn && m_bContinueModal)
        RunModalLoop();

    // The window this call made goes, whether the hook took it in or not
    // (unless something else destroyed it already).
    if (hWnd != nullptr && ::IsWindow(hWnd)) {
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        ::DestroyWindow(hWnd);
    }
    if (bEnableParent)
        ::EnableWindow(hParent, TRUE);
    if (hParent != nullptr)
        ::SetActiveWindow(hParent);

    AfxFlushTempMaps();
    return bTakenIn ? m_nModalResult : -1;
}

// Shows the dialog the first time the queue goes idle and dispatches the
// thread's messages until EndDialog, WM_QUIT or the window's destruction.
// Each message is offered to PreTranslateMessage, then to the dialog manager
// (Tab, Enter, Escape), then dispatched.
void CDialog::RunModalLoop()
{
    bool bShown = false;
    MSG msg;
    while (m_bContinueModal && m_hWnd != nullptr) {
        if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!bShown) {
                bShown = true;
                ShowWindow(SW_SHOWNORMAL);
                ::UpdateWindow(m_hWnd);
            }
            AfxFlushTempMaps();
            if (!m_bContinueModal || m_hWnd == nullptr)
                break;
        }
        if (!::GetMessageA(&msg, nullptr, 0, 0)) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            m_nModalResult = -1;
            break;
        }
        // Once the window is gone (destroyed from outside) messages are only dispatched.
        if (m_hWnd != nullptr && (PreTranslateMessage(&msg) || ::IsDialogMessageA(m_hWnd, &msg)))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    m_bContinueModal = false;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

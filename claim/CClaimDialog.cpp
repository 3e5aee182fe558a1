#include "CClaimDialog.h"
#include "ClaimTexts.h"
#include "TovikDlg.h"
#include "claim_layout.h"
#include <cstring>
#include <new>

static_assert(claimlayout::kMaxLayoutWork == TOVIK_CLAIM_MAX_LAYOUT, "the published bound is the one applied");

BOOL g_bClaimReadFailed = FALSE;

namespace {

// The skin's colours (0x00BBGGRR).
const COLORREF kClrHoverText = RGB(255, 0, 0);    // button caption under the pointer: red
const COLORREF kClrClaimBk = RGB(255, 249, 116);  // text box background: light yellow
const COLORREF kClrClaimText = RGB(0, 0, 255);    // text box text: blue
// The button pictures are never made lower than this.
const int kMinPictureHeight = 30;

// The claim file, looked up in the calling process's current directory.
const char kClaimFileName[] = "Claim.txt";

// The scroll request for a key pressed on the dialog's buttons, or -1.
int ScrollRequestForKey(WPARAM vk)
{
    const bool bCtrl = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
    switch (vk) {
    case VK_PRIOR:
        return SB_PAGEUP;
    case VK_NEXT:
        return SB_PAGEDOWN;
    case VK_HOME:
        return bCtrl ? SB_TOP : -1;
    case VK_END:
        return bCtrl ? SB_BOTTOM : -1;
    default:
        return -1;
    }
}

} // namespace

BEGIN_MESSAGE_MAP(CClaimDialog, CBitmapDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
END_MESSAGE_MAP()

CClaimDialog::CClaimDialog(CWnd* pParent) : CBitmapDialog(IDD_CLAIM_DIALOG, pParent)
{
}

void CClaimDialog::DoDataExchange(CDataExchange* pDX)
{
    CBitmapDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDOK, m_btnAgree);
    DDX_Control(pDX, IDCANCEL, m_btnDisagree);
    DDX_Control(pDX, IDC_CLAIM_TEXT, m_editClaim);
}

BOOL CClaimDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    ApplySkin();

    if (ReadAndShowClaimText())
        return TRUE;

    // The dialog is still hidden here; the end requested by OnCancel keeps it so.
    MessageBoxA(CLAIM_TEXT_FILE_ERROR, CLAIM_TEXT_CAPTION, MB_ICONERROR);
    g_bClaimReadFailed = TRUE;
    OnCancel();
    return FALSE;
}

void CClaimDialog::ApplySkin()
{
    SetBackgroundBitmap(IDB_BACKGROUND);

    m_btnAgree.SetHoverTextColor(kClrHoverText);
    m_btnDisagree.SetHoverTextColor(kClrHoverText);

    // Both pictures take the size measured on the Disagree button: 4 pixels
    // wider than its client area, as high but at least 30 pixels.
    RECT rc;
    m_btnDisagree.GetClientRect(&rc);
    const int cx = rc.right - rc.left + 4;
    int cy = rc.bottom - rc.top;
    if (cy < kMinPictureHeight)
        cy = kMinPictureHeight;

    m_btnAgree.SetImageOffset(0);
    m_btnAgree.SetBitmap(IDB_AGREE, cx, cy);
    m_btnDisagree.SetImageOffset(0);
    m_btnDisagree.SetBitmap(IDB_DISAGREE, cx, cy);

    m_editClaim.SetBkColor(kClrClaimBk);
    m_editClaim.SetTextColor(kClrClaimText);
}

bool CClaimDialog::ReadAndShowClaimText()
{
    const CScopedFile file(::CreateFileA(kClaimFileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return false;
    // Decided from the whole size before anything is read: a file over the
    // cap would keep the game waiting without a window while the text box
    // lays it out, and hold it several times over in memory.
    DWORD dwSizeHigh = 0;
    const DWORD dwSize = ::GetFileSize(file.Get(), &dwSizeHigh);
    if (dwSize == INVALID_FILE_SIZE || dwSizeHigh != 0 || dwSize > TOVIK_CLAIM_MAX_BYTES)
        return false;
    char* pBuffer = new (std::nothrow) char[static_cast<size_t>(dwSize) + 1];
    if (pBuffer == nullptr)
        return false;

    // Show exactly the bytes read: a failed or short read ends the text early.
    DWORD dwRead = 0;
    if (!::ReadFile(file.Get(), pBuffer, dwSize, &dwRead, nullptr))
        dwRead = 0;
    pBuffer[dwRead] = '\0';
    // Lines the text box would take too long to lay out make the text as
    // unreadable as a file over the cap: the game would wait with no window.
    const bool bFits = claimlayout::IsWithinBound(claimlayout::LayoutWork(pBuffer, std::strlen(pBuffer)));
    if (bFits)
        m_editClaim.SetWindowTextA(pBuffer);
    delete[] pBuffer;
    return bFits;
}

void CClaimDialog::OnOK()
{
    CDialog::OnOK();
}

void CClaimDialog::OnCancel()
{
    ShowWindow(SW_HIDE);
    if (!g_bClaimReadFailed)
        MessageBoxA(CLAIM_TEXT_MUST_AGREE, CLAIM_TEXT_CAPTION, MB_OK);
    CDialog::OnCancel();
}

BOOL CClaimDialog::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->message != WM_KEYDOWN)
        return FALSE;
    // Enter presses the button that has the focus. In the read-only text box
    // (focused by a click) it presses none: the box would hand it to the
    // dialog as its default command, IDOK, an agreement nobody gave.
    if (pMsg->hwnd == m_editClaim.m_hWnd)
        return pMsg->wParam == VK_RETURN;
    // The text box takes no tab stop, so a player without a mouse reaches
    // the text only through these keys; in the box they keep their meaning.
    if (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd))
        return FALSE;
    const int nRequest = ScrollRequestForKey(pMsg->wParam);
    if (nRequest < 0)
        return FALSE;
    m_editClaim.SendMessage(WM_VSCROLL, MAKEWPARAM(nRequest, 0), 0);
    return TRUE;
}

void CClaimDialog::OnSysCommand(UINT, LPARAM)
{
    Default();
}

void CClaimDialog::OnPaint()
{
    Default();
}

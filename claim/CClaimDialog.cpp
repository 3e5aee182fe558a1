#include "CClaimDialog.h"
#include "ClaimTexts.h"
#include <new>

BOOL g_bClaimReadFailed = FALSE;

namespace {

// The skin's colours (0x00BBGGRR).
const COLORREF kClrHoverText = RGB(255, 0, 0);    // button caption under the pointer: red
const COLORREF kClrClaimBk = RGB(255, 249, 116);  // text box background: light yellow
const COLORREF kClrClaimText = RGB(0, 0, 255);    // text box text: blue
// The button pictures are never made lower than this.
const int kMinPictureHeight = 30;

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

    HANDLE hFile = ::CreateFileA(CLAIM_FILE_NAME, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile != INVALID_HANDLE_VALUE && ShowClaimText(hFile)) {
        ::CloseHandle(hFile);
        return TRUE;
    }

    // The dialog is still hidden here; the end requested by OnCancel keeps it so.
    MessageBoxA(CLAIM_TEXT_FILE_ERROR, CLAIM_TEXT_CAPTION, MB_ICONERROR);
    if (hFile != INVALID_HANDLE_VALUE)
        ::CloseHandle(hFile);
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

bool CClaimDialog::ShowClaimText(HANDLE hFile)
{
    // Only the low 32 bits of the size count.
    DWORD dwSizeHigh = 0;
    DWORD dwSize = ::GetFileSize(hFile, &dwSizeHigh);
    if (dwSize == INVALID_FILE_SIZE)
        return false;
    // A file too large to hold counts as unreadable.
    char* pBuffer = new (std::nothrow) char[static_cast<size_t>(dwSize) + 1];
    if (pBuffer == nullptr)
        return false;

    // Show exactly the bytes read: a failed or short read ends the text early.
    DWORD dwRead = 0;
    if (!::ReadFile(hFile, pBuffer, dwSize, &dwRead, nullptr))
        dwRead = 0;
    pBuffer[dwRead] = '\0';
    m_editClaim.SetWindowTextA(pBuffer);
    delete[] pBuffer;
    return true;
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

void CClaimDialog::OnSysCommand(UINT, LPARAM)
{
    Default();
}

void CClaimDialog::OnPaint()
{
    Default();
}

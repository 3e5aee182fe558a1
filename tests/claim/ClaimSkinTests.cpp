// The claim dialog's skin on real windows: what the player sees, the order
// and sizes of the set-up, and nothing left behind after many dialogs.
#include "CClaimDialog.h"
#include "PeImage.h"
#include "SkinTestSupport.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>

using namespace skintest;

namespace {

const COLORREF kLightYellow = 0x74F9FF;
const COLORREF kBlue = 0xFF0000;
const COLORREF kRed = 0x0000FF;

// A claim text in Big5 with CR LF line ends ("Terms of use of this game",
// "1. Please keep to the game's rules.").
const char kClaimText[] =
    "\xa5\xbb\xb9\x43\xc0\xb8\xa8\xcf\xa5\xce\xb1\xf8\xb4\xda\r\n\r\n"
    "1. \xbd\xd0\xbf\xed\xa6\x75\xb9\x43\xc0\xb8\xb3\x57\xbd\x64\xa1\x43\r\n";

// Resizes the Disagree button before the dialog binds its controls, so that
// the skin measures the size a test chooses.
class ResizedClaimDialog : public CClaimDialog {
public:
    ResizedClaimDialog(int cx, int cy) : m_cx(cx), m_cy(cy) {}

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        ::SetWindowPos(::GetDlgItem(m_hWnd, IDCANCEL), nullptr, 0, 0, m_cx, m_cy,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        CClaimDialog::DoDataExchange(pDX);
    }
    int m_cx, m_cy;
};


// The button's picture as the skin makes it: from the library's resource,
// scaled to cx x cy, drawn at x 0 and centred vertically in the client area.
Image ExpectedPicture(HWND hButton, WORD wID, int cx, int cy)
{
    RECT rc;
    ::GetClientRect(hButton, &rc);
    COLORMAP map = { RGB(0, 0, 0), ::GetSysColor(COLOR_BTNFACE) };
    HBITMAP hMapped = ::CreateMappedBitmap(::GetModuleHandleA(nullptr), wID, 0, &map, 1);
    HBITMAP hPicture = static_cast<HBITMAP>(::CopyImage(hMapped, IMAGE_BITMAP, cx, cy, LR_COPYDELETEORG));
    Canvas canvas(rc.right, rc.bottom);
    HDC hMem = ::CreateCompatibleDC(canvas.hdc());
    HGDIOBJ hOld = ::SelectObject(hMem, hPicture);
    ::BitBlt(canvas.hdc(), 0, (rc.bottom - cy) >> 1, cx, cy, hMem, 0, 0, SRCCOPY);
    ::SelectObject(hMem, hOld);
    ::DeleteDC(hMem);
    ::DeleteObject(hPicture);
    return canvas.Read();
}

// Pixels left of the caption (x < 28) that differ, not counting those on the
// outline of the focus rectangle (inset 3 on the top, left and right, 4 at
// the bottom) when the button has the focus.
int LeftPartMismatches(const Image& shown, const Image& expected, bool bFocused)
{
    const RECT rcFocus = { 2, 3, shown.cx - 3, shown.cy - 4 };
    int nOther = 0;
    for (int y = 0; y < shown.cy; ++y)
        for (int x = 0; x < 28; ++x) {
            const bool bOnFocus = (x == rcFocus.left || y == rcFocus.top || y == rcFocus.bottom - 1) &&
                                  x >= rcFocus.left && y >= rcFocus.top && y < rcFocus.bottom;
            if (!(bFocused && bOnFocus))
                nOther += shown.At(x, y) != expected.At(x, y);
        }
    return nOther;
}

// This program's CreateFileA and ReadFile as the claim dialog calls them:
// what the skin had done when the claim file was opened, and reads of the
// claim file that can be made to come up short or fail.
namespace claimfile {

using CreateFileAFn = HANDLE(WINAPI*)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
using ReadFileFn = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
CreateFileAFn g_pfnCreateFileA = nullptr;
ReadFileFn g_pfnReadFile = nullptr;
HANDLE g_hClaim = INVALID_HANDLE_VALUE;
std::vector<std::string> g_skinAtOpen;  // the ledger's log when it was opened
// A read of the claim file takes at most this many bytes (-1: as asked) or
// fails; either way the rest of the buffer holds 'X' bytes.
long g_nReadLimit = -1;
bool g_bReadFails = false;

HANDLE WINAPI CreateFileA(LPCSTR pszName, DWORD dwAccess, DWORD dwShare, LPSECURITY_ATTRIBUTES pSa, DWORD dwCreate,
                          DWORD dwFlags, HANDLE hTemplate)
{
    HANDLE h = g_pfnCreateFileA(pszName, dwAccess, dwShare, pSa, dwCreate, dwFlags, hTemplate);
    if (std::strcmp(pszName, "Claim.txt") == 0) {
        g_hClaim = h;
        g_skinAtOpen = ledger::CallLog();
    }
    return h;
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID pBuffer, DWORD nBytes, LPDWORD pnRead, LPOVERLAPPED pOv)
{
    if (hFile != g_hClaim || (g_nReadLimit < 0 && !g_bReadFails))
        return g_pfnReadFile(hFile, pBuffer, nBytes, pnRead, pOv);
    std::memset(pBuffer, 'X', nBytes);
    if (g_bReadFails) {
        *pnRead = 0;
        ::SetLastError(ERROR_READ_FAULT);
        return FALSE;
    }
    return g_pfnReadFile(hFile, pBuffer, std::min<DWORD>(nBytes, static_cast<DWORD>(g_nReadLimit)), pnRead, pOv);
}

void Install()
{
    const HMODULE hThis = ::GetModuleHandleA(nullptr);
    g_pfnCreateFileA = reinterpret_cast<CreateFileAFn>(
        pe::ReplaceImport(hThis, "kernel32.dll", "CreateFileA", reinterpret_cast<void*>(&claimfile::CreateFileA)));
    g_pfnReadFile = reinterpret_cast<ReadFileFn>(
        pe::ReplaceImport(hThis, "kernel32.dll", "ReadFile", reinterpret_cast<void*>(&claimfile::ReadFile)));
}

} // namespace claimfile

BOOL CALLBACK CountWindow(HWND, LPARAM lParam)
{
    ++*reinterpret_cast<int*>(lParam);
    return TRUE;
}

class ClaimSkinTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ledger::Attach(::GetModuleHandleA(nullptr), ledger::Follow::GdiAndUser);
        claimfile::Install();
        char szTemp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, szTemp);
        s_dir = std::string(szTemp) + "tovik-claim-skin-" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(s_dir.c_str(), nullptr);
        ::GetCurrentDirectoryA(MAX_PATH, s_szOldDir);
        ::SetCurrentDirectoryA(s_dir.c_str());
        FILE* f = std::fopen("Claim.txt", "wb");
        std::fwrite(kClaimText, 1, sizeof(kClaimText) - 1, f);
        std::fclose(f);
    }
    static void TearDownTestSuite()
    {
        ::DeleteFileA("Claim.txt");
        ::SetCurrentDirectoryA(s_szOldDir);
        ::RemoveDirectoryA(s_dir.c_str());
    }
    void SetUp() override { MoveCursor({ 1000, 740 }); }

    static std::string s_dir;
    static char s_szOldDir[MAX_PATH];
};
std::string ClaimSkinTest::s_dir;
char ClaimSkinTest::s_szOldDir[MAX_PATH];

TEST_F(ClaimSkinTest, LooksAsShipped)
{
    CClaimDialog dlg;
    INT_PTR nResult = RunModal(dlg, [](HWND hDlg) {
        HWND hAgree = ::GetDlgItem(hDlg, IDOK), hDisagree = ::GetDlgItem(hDlg, IDCANCEL);
        HWND hText = ::GetDlgItem(hDlg, IDC_CLAIM_TEXT);
        EXPECT_EQ(::GetWindowLongA(hDlg, GWL_STYLE) & WS_CAPTION, 0);

        // Blue text on light yellow, read-only as it is.
        Image text = CaptureClient(hText);
        const RECT rcText = { 0, 0, text.cx, text.cy };
        EXPECT_EQ(text.At(text.cx - 3, text.cy - 3), kLightYellow);
        // The face is smoothed: text pixels are blue blended into the yellow.
        EXPECT_GT(text.Count(rcText, [](COLORREF c) { return c == kBlue; }), 10);
        EXPECT_GT(text.Count(rcText, [](COLORREF c) { return GetBValue(c) > GetRValue(c); }), 200);
        EXPECT_EQ(text.Count(rcText, [](COLORREF c) { return c == RGB(0, 0, 0); }), 0);
        EXPECT_EQ(OutsideColours(text, rcText, kLightYellow, kBlue), 0) << "the letters' cells are light yellow too";

        // The background picture, stretched over the client area, shows
        // everywhere around the controls.
        RECT rcClient;
        ::GetClientRect(hDlg, &rcClient);
        Canvas expected(rcClient.right, rcClient.bottom);
        HRSRC hRes = ::FindResourceA(nullptr, MAKEINTRESOURCEA(IDB_BACKGROUND), RT_BITMAP);
        const BITMAPINFO* pInfo = static_cast<const BITMAPINFO*>(::LockResource(::LoadResource(nullptr, hRes)));
        ::StretchDIBits(expected.hdc(), 0, 0, rcClient.right, rcClient.bottom, 0, 0, pInfo->bmiHeader.biWidth,
                        pInfo->bmiHeader.biHeight, reinterpret_cast<const BYTE*>(pInfo) + 40 + 4 * 256, pInfo,
                        DIB_RGB_COLORS, SRCCOPY);
        Image shown = CaptureClient(hDlg), want = expected.Read();
        int nSamples = 0, nClose = 0;
        for (int y = 1; y < shown.cy; y += 3)
            for (int x = 1; x < shown.cx; x += 3) {
                POINT pt = { x, y };
                ::ClientToScreen(hDlg, &pt);
                if (::WindowFromPoint(pt) != hDlg)
                    continue;
                ++nSamples;
                nClose += Near(shown.At(x, y), want.At(x, y), 40);
            }
        EXPECT_GT(nSamples, 1000);
        EXPECT_GT(nClose, nSamples * 9 / 10);

        // Both pictures at the size measured on Disagree, captions off hover.
        RECT rc;
        ::GetClientRect(hDisagree, &rc);
        const int cx = rc.right + 4, cy = rc.bottom < 30 ? 30 : rc.bottom;
        EXPECT_EQ(LeftPartMismatches(CaptureClient(hAgree), ExpectedPicture(hAgree, IDB_AGREE, cx, cy), true), 0);
        EXPECT_EQ(LeftPartMismatches(CaptureClient(hDisagree), ExpectedPicture(hDisagree, IDB_DISAGREE, cx, cy), false),
                  0);

        // The caption turns red only while the pointer rests on its button.
        struct Step {
            const char* trace;
            POINT pt;
            bool bRedAgree, bRedDisagree;
        } steps[] = {
            { "on Agree", CentreOnScreen(hAgree), true, false },
            { "on Disagree", CentreOnScreen(hDisagree), false, true },
            { "on the text box", CentreOnScreen(hText), false, false },
        };
        for (const Step& step : steps) {
            SCOPED_TRACE(step.trace);
            MoveCursor(step.pt);
            PumpUntil([&] { return ClientShows(hAgree, kRed) == step.bRedAgree && ClientShows(hDisagree, kRed) == step.bRedDisagree; }, 2000);
            EXPECT_EQ(ClientShows(hAgree, kRed), step.bRedAgree);
            EXPECT_EQ(ClientShows(hDisagree, kRed), step.bRedDisagree);
        }
    });
    EXPECT_EQ(nResult, IDOK);
}

// The set-up in its order, with both pictures made at the size measured on
// the Disagree button: w + 4 wide, h high but at least 30; the claim file is
// read only after.
TEST_F(ClaimSkinTest, SetUpOrderAndPictureSize)
{
    struct Row {
        const char* trace;
        int cx, cy;  // Disagree's client area
        const char* pszSize;
    } rows[] = { { "72 x 25", 72, 25, "76x30" }, { "72 x 32", 72, 32, "76x32" }, { "90 x 30", 90, 30, "94x30" } };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        ResizedClaimDialog dlg(row.cx, row.cy);
        ledger::ClearNotes();
        std::vector<std::string> log;
        RunModal(dlg, [&](HWND hDlg) {
            log = ledger::CallLog();
            HWND hDisagree = ::GetDlgItem(hDlg, IDCANCEL);
            Image expected = ExpectedPicture(hDisagree, IDB_DISAGREE, row.cx + 4, row.cy < 30 ? 30 : row.cy);
            EXPECT_EQ(LeftPartMismatches(CaptureClient(hDisagree), expected, false), 0);
        });
        const std::string size = std::string("CopyImage ") + row.pszSize;
        EXPECT_EQ(log, (std::vector<std::string>{ "LoadImage 101", "CreateMappedBitmap 102", size,
                                                  "CreateMappedBitmap 103", size, "CreateSolidBrush 74F9FF" }));
        EXPECT_EQ(claimfile::g_skinAtOpen, log) << "the skin is complete before the claim file is opened";
    }
}

// The text box shows exactly the bytes read: a read that comes up short or
// fails ends the text where the bytes read end.
TEST_F(ClaimSkinTest, ShowsExactlyTheBytesRead)
{
    struct Row {
        const char* trace;
        long nReadLimit;
        bool bReadFails;
        std::string shown;
    } rows[] = {
        { "the whole file", -1, false, kClaimText },
        { "a read short of the size (6 bytes)", 6, false, std::string(kClaimText, 6) },
        { "a read of nothing", 0, false, "" },
        { "a failed read", -1, true, "" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        claimfile::g_nReadLimit = row.nReadLimit;
        claimfile::g_bReadFails = row.bReadFails;
        std::string shown = "<not shown>";
        CClaimDialog dlg;
        EXPECT_EQ(RunModal(dlg, [&shown](HWND hDlg) { shown = ui::WindowText(::GetDlgItem(hDlg, IDC_CLAIM_TEXT)); }),
                  IDOK);
        claimfile::g_nReadLimit = -1;
        claimfile::g_bReadFails = false;
        EXPECT_EQ(shown, row.shown);
    }
}

TEST_F(ClaimSkinTest, NothingLeftBehindAfterManyDialogs)
{
    auto threadWindows = [] {
        int n = 0;
        ::EnumThreadWindows(::GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&n));
        return n;
    };
    { CClaimDialog warmUp; RunModal(warmUp, [](HWND) {}); }
    const long nLiveBefore = LiveGdiAndDcs();
    const int nWindowsBefore = threadWindows();
    for (int i = 0; i < 40; ++i) {
        CClaimDialog dlg;
        ASSERT_EQ(RunModal(dlg, [](HWND) {}), IDOK);
    }
    EXPECT_EQ(LiveGdiAndDcs(), nLiveBefore) << "GDI objects or DCs made and not released";
    EXPECT_EQ(threadWindows(), nWindowsBefore);
}

} // namespace

// The claim dialog's skin on real windows: what the player sees, the order
// and sizes of the set-up, and nothing left behind after many dialogs.
#include "../../claim/CClaimDialog.h"
#include "SkinTestSupport.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstdio>

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

bool HasRed(HWND hWnd)
{
    Image img = CaptureClient(hWnd);
    return img.Count({ 0, 0, img.cx, img.cy }, [](COLORREF c) { return c == kRed; }) > 0;
}

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

// Share of the pixels left of the caption (x < 28) that match.
double LeftPartMatch(const Image& shown, const Image& expected)
{
    int nSame = 0;
    for (int y = 0; y < shown.cy; ++y)
        for (int x = 0; x < 28; ++x)
            nSame += shown.At(x, y) == expected.At(x, y);
    return static_cast<double>(nSame) / (28 * shown.cy);
}

BOOL CALLBACK CountWindow(HWND, LPARAM lParam)
{
    ++*reinterpret_cast<int*>(lParam);
    return TRUE;
}

class ClaimSkinTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ledger::Install();
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
        EXPECT_GT(LeftPartMatch(CaptureClient(hAgree), ExpectedPicture(hAgree, IDB_AGREE, cx, cy)), 0.9);
        EXPECT_GT(LeftPartMatch(CaptureClient(hDisagree), ExpectedPicture(hDisagree, IDB_DISAGREE, cx, cy)), 0.9);

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
            PumpUntil([&] { return HasRed(hAgree) == step.bRedAgree && HasRed(hDisagree) == step.bRedDisagree; }, 2000);
            EXPECT_EQ(HasRed(hAgree), step.bRedAgree);
            EXPECT_EQ(HasRed(hDisagree), step.bRedDisagree);
        }
    });
    EXPECT_EQ(nResult, IDOK);
}

// The set-up in its order, with both pictures made at the size measured on
// the Disagree button: w + 4 wide, h high but at least 30.
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
        ledger::ClearLog();
        std::vector<std::string> log;
        RunModal(dlg, [&](HWND hDlg) {
            log = ledger::Log();
            HWND hDisagree = ::GetDlgItem(hDlg, IDCANCEL);
            Image expected = ExpectedPicture(hDisagree, IDB_DISAGREE, row.cx + 4, row.cy < 30 ? 30 : row.cy);
            EXPECT_GT(LeftPartMatch(CaptureClient(hDisagree), expected), 0.95);
        });
        const std::string size = std::string("CopyImage ") + row.pszSize;
        EXPECT_EQ(log, (std::vector<std::string>{ "LoadImage 101", "CreateMappedBitmap 102", size,
                                                  "CreateMappedBitmap 103", size, "CreateSolidBrush 74F9FF" }));
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
    const size_t nLiveBefore = ledger::LiveCount();
    const int nWindowsBefore = threadWindows();
    for (int i = 0; i < 40; ++i) {
        CClaimDialog dlg;
        ASSERT_EQ(RunModal(dlg, [](HWND) {}), IDOK);
    }
    EXPECT_EQ(ledger::LiveCount(), nLiveBefore) << "GDI objects or DCs made and not released";
    EXPECT_EQ(threadWindows(), nWindowsBefore);
}

} // namespace

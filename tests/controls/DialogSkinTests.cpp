// CBitmapDialog and CColorEdit in a real modal dialog: the stretched
// background, colour requests on their way through the dialog, and the
// colour edit's colours and brush.
#include "CBitmapDialog.h"
#include "CColorEdit.h"
#include "SkinTestSupport.h"
#include "TestIds.h"
#include <gtest/gtest.h>

using namespace skintest;

namespace {

const COLORREF kLightYellow = 0x74F9FF;
const COLORREF kBlue = 0xFF0000;

class ProbeEdit : public CColorEdit {
public:
    using CColorEdit::CtlColor;
    HBRUSH Brush() const { return static_cast<HBRUSH>(m_brBk.GetSafeHandle()); }
};

// A child that answers reflected colour requests with a brush of its own and
// leaves the device context alone.
class ReflectProbe : public CWnd {
public:
    HBRUSH CtlColor(CDC*, UINT) { return static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ReflectProbe, CWnd)
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

class TestDialog : public CBitmapDialog {
public:
    explicit TestDialog(bool bBindEdits = true) : CBitmapDialog(IDD_T_DIALOG), m_bBindEdits(bBindEdits) {}
    ProbeEdit m_editRO, m_editRW;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        CBitmapDialog::DoDataExchange(pDX);
        if (m_bBindEdits) {
            DDX_Control(pDX, IDC_T_EDIT_RO, m_editRO);
            DDX_Control(pDX, IDC_T_EDIT_RW, m_editRW);
        }
    }
    bool m_bBindEdits;
};

// Records the palette messages that reach the dialog's default processing,
// which answers them with a mark of its own.
class PaletteProbeDialog : public TestDialog {
public:
    static constexpr LRESULT kDefaultAnswer = 0x5A;
    std::vector<UINT> m_defaulted;

protected:
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_PALETTECHANGED && message != WM_QUERYNEWPALETTE)
            return TestDialog::DefWindowProc(message, wParam, lParam);
        m_defaulted.push_back(message);
        return kDefaultAnswer;
    }
};

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The same template as a dialog of the dialog manager alone, not shown.
HWND CreatePlainDialog()
{
    return ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_T_DIALOG), nullptr,
                                &PlainDialogProc, 0);
}

COLORREF BlockColour(int x, int y)  // pixel (x, y) of the blocks picture, from the top
{
    return RGB(30 * x + 15, 40 * y + 15, 128);
}

// Each of the picture's 8 x 6 pixels covers its share of the client area,
// scaled on each axis alone; two pixels next to each block's edges are
// left to the stretching's rounding.
int MismatchesAgainstBlocks(const Image& img)
{
    int nBad = 0;
    for (int by = 0; by < 6; ++by)
        for (int bx = 0; bx < 8; ++bx) {
            RECT rc = { bx * img.cx / 8 + 2, by * img.cy / 6 + 2, (bx + 1) * img.cx / 8 - 2, (by + 1) * img.cy / 6 - 2 };
            const int nArea = (rc.right - rc.left) * (rc.bottom - rc.top);
            nBad += nArea - img.Count(rc, [&](COLORREF c) { return c == BlockColour(bx, by); });
        }
    nBad += img.At(0, 0) != BlockColour(0, 0);
    nBad += img.At(img.cx - 1, img.cy - 1) != BlockColour(7, 5);
    return nBad;
}

void HideControls(HWND hDlg)
{
    for (HWND h = ::GetWindow(hDlg, GW_CHILD); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT))
        ::ShowWindow(h, SW_HIDE);
}

void Repaint(HWND hWnd)
{
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(50);
}

class DialogSkinTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ledger::Attach(::GetModuleHandleA(nullptr), ledger::Follow::GdiAndUser); }
    void SetUp() override { MoveCursor({ 1000, 740 }); }
};

TEST_F(DialogSkinTest, PictureStretchedOverExactlyTheClientArea)
{
    TestDialog dlg;
    ASSERT_TRUE(dlg.SetBackgroundBitmap(IDB_T_BLOCKS));
    RunModal(dlg, [](HWND hDlg) {
        HideControls(hDlg);
        struct Row {
            const char* trace;
            int cx, cy;  // window size; 0 keeps the template's
        } rows[] = { { "template size", 0, 0 }, { "wide", 520, 150 }, { "tall", 170, 420 }, { "odd", 333, 77 } };
        for (const Row& row : rows) {
            SCOPED_TRACE(row.trace);
            if (row.cx != 0)
                ::SetWindowPos(hDlg, nullptr, 50, 50, row.cx, row.cy, SWP_NOZORDER);
            Repaint(hDlg);
            EXPECT_EQ(MismatchesAgainstBlocks(CaptureClient(hDlg)), 0);
        }
    });
}

TEST_F(DialogSkinTest, EraseWithAndWithoutPicture)
{
    TestDialog dlg;
    RunModal(dlg, [&dlg](HWND hDlg) {
        HWND hPlain = CreatePlainDialog();
        RECT rc;
        ::GetClientRect(hDlg, &rc);
        Canvas ours(rc.right, rc.bottom), plain(rc.right, rc.bottom);
        // Without a picture: what the dialog manager does, to the pixel.
        LRESULT nOurs = ::SendMessageA(hDlg, WM_ERASEBKGND, reinterpret_cast<WPARAM>(ours.hdc()), 0);
        LRESULT nPlain = ::SendMessageA(hPlain, WM_ERASEBKGND, reinterpret_cast<WPARAM>(plain.hdc()), 0);
        EXPECT_EQ(nOurs, nPlain);
        EXPECT_TRUE(ours.Read().px == plain.Read().px);
        // With one: TRUE, and the picture over the whole rectangle.
        ASSERT_TRUE(dlg.SetBackgroundBitmap(IDB_T_BLOCKS));
        EXPECT_EQ(::SendMessageA(hDlg, WM_ERASEBKGND, reinterpret_cast<WPARAM>(ours.hdc()), 0), TRUE);
        EXPECT_EQ(MismatchesAgainstBlocks(ours.Read()), 0);
        ::DestroyWindow(hPlain);
    });
}

TEST_F(DialogSkinTest, PictureLoadShowsAtTheNextEraseAndSurvivesAFailedOne)
{
    TestDialog dlg;
    RunModal(dlg, [&dlg](HWND hDlg) {
        HideControls(hDlg);
        Repaint(hDlg);
        Image plain = CaptureClient(hDlg);
        EXPECT_NE(dlg.SetBackgroundBitmap(0x10000 | IDB_T_BLOCKS), FALSE) << "only the low 16 bits count";
        PumpFor(100);
        EXPECT_TRUE(CaptureClient(hDlg).px == plain.px) << "no repaint at the load";
        Repaint(hDlg);
        EXPECT_EQ(MismatchesAgainstBlocks(CaptureClient(hDlg)), 0);
        EXPECT_EQ(dlg.SetBackgroundBitmap(IDB_T_MISSING), FALSE);
        Repaint(hDlg);
        EXPECT_EQ(MismatchesAgainstBlocks(CaptureClient(hDlg)), 0) << "the earlier picture stays";
    });
}

// Every colour request reaches the framework's handling, which offers it to
// the child first; only a button's request, and only with a picture, turns
// the background mode transparent.
TEST_F(DialogSkinTest, ColourRequestsOfEveryKind)
{
    TestDialog dlg(false);
    RunModal(dlg, [&dlg](HWND hDlg) {
        ReflectProbe probe;
        probe.SubclassWindow(::GetDlgItem(hDlg, IDC_T_STATIC));
        HWND hPlain = CreatePlainDialog();
        for (int nLoaded = 0; nLoaded <= 1; ++nLoaded) {
            if (nLoaded) {
                ASSERT_TRUE(dlg.SetBackgroundBitmap(IDB_T_BLOCKS));
            }
            for (UINT nKind = CTLCOLOR_MSGBOX; nKind <= CTLCOLOR_STATIC; ++nKind) {
                SCOPED_TRACE(std::string(nLoaded ? "picture, kind " : "no picture, kind ") + std::to_string(nKind));
                const int nMode = nLoaded && nKind == CTLCOLOR_BTN ? TRANSPARENT : OPAQUE;
                Canvas canvas(4, 4);
                HDC hDC = canvas.hdc();
                ::SetBkMode(hDC, OPAQUE);
                ::SetTextColor(hDC, RGB(1, 2, 3));
                ::SetBkColor(hDC, RGB(4, 5, 6));
                // A child that answers for itself: its brush, the DC untouched.
                LRESULT r = ::SendMessageA(hDlg, WM_CTLCOLORMSGBOX + nKind, reinterpret_cast<WPARAM>(hDC),
                                           reinterpret_cast<LPARAM>(probe.m_hWnd));
                EXPECT_EQ(r, reinterpret_cast<LRESULT>(::GetStockObject(GRAY_BRUSH)));
                EXPECT_EQ(::GetBkMode(hDC), nMode);
                EXPECT_EQ(::GetTextColor(hDC), RGB(1, 2, 3));
                EXPECT_EQ(::GetBkColor(hDC), RGB(4, 5, 6));
                // A child that does not: the dialog manager's answer.
                ::SetBkMode(hDC, OPAQUE);
                r = ::SendMessageA(hDlg, WM_CTLCOLORMSGBOX + nKind, reinterpret_cast<WPARAM>(hDC),
                                   reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, IDC_T_PLAIN_RO)));
                Canvas other(4, 4);
                LRESULT rPlain = ::SendMessageA(hPlain, WM_CTLCOLORMSGBOX + nKind,
                                                reinterpret_cast<WPARAM>(other.hdc()),
                                                reinterpret_cast<LPARAM>(::GetDlgItem(hPlain, IDC_T_PLAIN_RO)));
                EXPECT_EQ(r, rPlain);
                EXPECT_EQ(::GetBkMode(hDC), nMode);
            }
        }
        ::DestroyWindow(hPlain);
    });
}

// The dialog does nothing of its own on palette messages, with or without a
// picture: both go to the default processing, and its answer is returned.
TEST_F(DialogSkinTest, PaletteMessagesGoToTheDefaultProcessing)
{
    for (int nLoaded = 0; nLoaded <= 1; ++nLoaded) {
        SCOPED_TRACE(nLoaded ? "picture" : "no picture");
        PaletteProbeDialog dlg;
        if (nLoaded) {
            ASSERT_TRUE(dlg.SetBackgroundBitmap(IDB_T_BLOCKS));
        }
        LRESULT nQueryAnswer = 0;
        RunModal(dlg, [&](HWND hDlg) {
            dlg.m_defaulted.clear();
            ::SendMessageA(hDlg, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(::GetDesktopWindow()), 0);
            nQueryAnswer = ::SendMessageA(hDlg, WM_QUERYNEWPALETTE, 0, 0);
        });
        EXPECT_EQ(dlg.m_defaulted, std::vector<UINT>({ WM_PALETTECHANGED, WM_QUERYNEWPALETTE }));
        EXPECT_EQ(nQueryAnswer, PaletteProbeDialog::kDefaultAnswer);
    }
}

// Every kind of request gets the same two colours and the same brush; the
// background mode is left as the device context had it.
TEST_F(DialogSkinTest, ColourEditAnswersEveryKindAlikeAndLeavesTheModeAlone)
{
    ProbeEdit edit;
    edit.SetBkColor(kLightYellow);
    edit.SetTextColor(kBlue);
    struct Row { const char* trace; UINT nKind; int nMode; } rows[] = {
        { "editable box, opaque", CTLCOLOR_EDIT, OPAQUE },
        { "editable box, transparent", CTLCOLOR_EDIT, TRANSPARENT },
        { "read-only box, opaque", CTLCOLOR_STATIC, OPAQUE },
        { "read-only box, transparent", CTLCOLOR_STATIC, TRANSPARENT },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        Canvas canvas(2, 2);
        ::SetBkMode(canvas.hdc(), row.nMode);
        EXPECT_EQ(edit.CtlColor(CDC::FromHandle(canvas.hdc()), row.nKind), edit.Brush());
        EXPECT_EQ(::GetTextColor(canvas.hdc()), kBlue);
        EXPECT_EQ(::GetBkColor(canvas.hdc()), kLightYellow);
        EXPECT_EQ(::GetBkMode(canvas.hdc()), row.nMode);
    }
}

TEST_F(DialogSkinTest, ColourEditShowsItsColours)
{
    for (int nLoaded = 0; nLoaded <= 1; ++nLoaded) {
        SCOPED_TRACE(nLoaded ? "on a picture" : "on a plain dialog");
        TestDialog dlg;
        if (nLoaded)
            dlg.SetBackgroundBitmap(IDB_T_BLOCKS);
        RunModal(dlg, [&dlg](HWND hDlg) {
            ::SetFocus(nullptr);  // no caret
            struct Row { const char* trace; ProbeEdit& edit; int nIdTwin; } rows[] = {
                { "read-only", dlg.m_editRO, IDC_T_PLAIN_RO }, { "editable", dlg.m_editRW, IDC_T_PLAIN_RW }
            };
            for (const Row& row : rows) {
                SCOPED_TRACE(row.trace);
                // A text colour alone: null brush, the box looks like its plain twin.
                row.edit.SetTextColor(kBlue);
                PumpFor(50);
                Canvas canvas(2, 2);
                EXPECT_EQ(row.edit.CtlColor(CDC::FromHandle(canvas.hdc()), CTLCOLOR_EDIT), nullptr);
                EXPECT_TRUE(CaptureClient(row.edit.m_hWnd).px == CaptureClient(::GetDlgItem(hDlg, row.nIdTwin)).px);
                // Light yellow behind blue text, and the setters repaint.
                row.edit.SetBkColor(kLightYellow);
                PumpFor(50);
                Image img = CaptureClient(row.edit.m_hWnd);
                const RECT rcAll = { 0, 0, img.cx, img.cy };
                EXPECT_EQ(img.At(img.cx - 3, img.cy - 3), kLightYellow);
                EXPECT_GT(img.Count(rcAll, [](COLORREF c) { return c == kBlue; }), 10);
                EXPECT_EQ(OutsideColours(img, rcAll, kLightYellow, kBlue), 0) << "letter cells in the background colour";
                row.edit.SetBkColor(RGB(0, 128, 0));
                PumpFor(50);
                row.edit.SetTextColor(RGB(255, 0, 255));
                PumpFor(50);
                img = CaptureClient(row.edit.m_hWnd);
                EXPECT_EQ(img.At(img.cx - 3, img.cy - 3), RGB(0, 128, 0));
                EXPECT_GT(img.Count(rcAll, [](COLORREF c) { return c == RGB(255, 0, 255); }), 10);
                EXPECT_EQ(OutsideColours(img, rcAll, RGB(0, 128, 0), RGB(255, 0, 255)), 0);
            }
        });
    }
}

TEST_F(DialogSkinTest, ColourEditOwnsOneBrush)
{
    const long nLiveBefore = LiveGdiAndDcs();
    {
        ProbeEdit edit, unset;  // the second is never coloured and deletes nothing
        EXPECT_EQ(edit.Brush(), nullptr);
        edit.SetBkColor(RGB(10, 20, 30));
        HBRUSH hFirst = edit.Brush();
        edit.SetBkColor(kLightYellow);
        EXPECT_EQ(::GetObjectType(hFirst), 0u) << "the old brush is gone";
        EXPECT_EQ(LiveGdiAndDcs(), nLiveBefore + 1) << "exactly one brush alive";
        // The same colour again still makes a new brush.
        ledger::ClearNotes();
        edit.SetBkColor(kLightYellow);
        EXPECT_EQ(ledger::CallLog(), std::vector<std::string>{ "CreateSolidBrush 74F9FF" });
        EXPECT_EQ(LiveGdiAndDcs(), nLiveBefore + 1);
        LOGBRUSH lb = {};
        ::GetObjectA(edit.Brush(), sizeof(lb), &lb);
        EXPECT_EQ(lb.lbColor, kLightYellow);
        EXPECT_EQ(ledger::Repaints(nullptr), 0) << "no repaint of every window";

        // Black is a colour like any other.
        edit.SetBkColor(RGB(0, 0, 0));
        ::GetObjectA(edit.Brush(), sizeof(lb), &lb);
        EXPECT_EQ(lb.lbColor, RGB(0, 0, 0));
    }
    EXPECT_EQ(LiveGdiAndDcs(), nLiveBefore) << "the brush went with the box";
}

} // namespace

// CDialog's modal run on real windows: creation from the module's own
// template, showing on first idle, centring, ends requested at each stage,
// and the routing of colour requests to the child objects.
#include <gtest/gtest.h>
#include "CaseNames.h"
#include <functional>
#include <stdexcept>
#include "Framework.h"
#include "FrameworkTestIds.h"

namespace {

const UINT kTimerId = 1;

// A dialog whose initialisation and timer are scripted by the test.
class CScriptedDialog : public CDialog {
public:
    explicit CScriptedDialog(UINT nIDTemplate, CWnd* pParent = nullptr) : CDialog(nIDTemplate, pParent) {}

    std::function<void(CScriptedDialog&)> onInit;
    std::function<void(CScriptedDialog&)> onTimer;  // once, 50 ms after initialisation
    bool shownEver = false;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (onTimer)
            ::SetTimer(m_hWnd, kTimerId, 50, nullptr);
        if (onInit)
            onInit(*this);
        return TRUE;
    }
    LRESULT OnShowWindowMessage(WPARAM wParam, LPARAM)
    {
        if (wParam)
            shownEver = true;
        return Default();
    }
    LRESULT OnTimerMessage(WPARAM, LPARAM)
    {
        ::KillTimer(m_hWnd, kTimerId);
        if (onTimer)
            onTimer(*this);
        return 0;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CScriptedDialog, CDialog)
    ON_MESSAGE(WM_SHOWWINDOW, OnShowWindowMessage)
    ON_MESSAGE(WM_TIMER, OnTimerMessage)
END_MESSAGE_MAP()

RECT WorkArea()
{
    RECT rc;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rc, 0);
    return rc;
}

} // namespace

// How a modal run ends: by EndDialog during initialisation (never shown),
// by dialog keys, or abnormally (-1): no template, an initialisation that
// throws, the window destroyed from outside, WM_QUIT (posted again for the
// caller). The window is gone in every case.
struct EndCase {
    const char* trace;
    UINT nIDTemplate;
    std::function<void(CScriptedDialog&)> onInit, onTimer;
    INT_PTR result;
    bool bShown;
    int nQuitCode;  // of the WM_QUIT left for the caller; -1: none
};

class ModalEnd : public ::testing::TestWithParam<EndCase> {
};

TEST_P(ModalEnd, ReturnsItsResultWithoutHanging)
{
    const EndCase& c = GetParam();
    CScriptedDialog dlg(c.nIDTemplate);
    dlg.onInit = c.onInit;
    dlg.onTimer = c.onTimer;
    EXPECT_EQ(dlg.DoModal(), c.result);
    EXPECT_EQ(dlg.shownEver, c.bShown);
    EXPECT_EQ(dlg.m_hWnd, nullptr) << "the window is destroyed";
    MSG msg;
    const bool bQuit = ::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    EXPECT_EQ(bQuit ? static_cast<int>(msg.wParam) : -1, c.nQuitCode);
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

// A key as the focused control gets it.
std::function<void(CScriptedDialog&)> PressKey(WORD vk)
{
    return [vk](CScriptedDialog& d) {
        HWND hFocus = ::GetFocus();
        ::PostMessageA(hFocus ? hFocus : d.m_hWnd, WM_KEYDOWN, vk, 1);
    };
}

INSTANTIATE_TEST_SUITE_P(Ends, ModalEnd,
    ::testing::Values(
        EndCase{"no template", IDD_MISSING, nullptr, nullptr, -1, false, -1},
        EndCase{"EndDialog during initialisation", IDD_AT_ORIGIN, [](CScriptedDialog& d) { d.EndDialog(7); },
                nullptr, 7, false, -1},
        EndCase{"initialisation throws", IDD_AT_ORIGIN,
                [](CScriptedDialog&) { throw std::runtime_error("init failed"); }, nullptr, -1, false, -1},
        EndCase{"Escape", IDD_AT_ORIGIN, nullptr, PressKey(VK_ESCAPE), IDCANCEL, true, -1},
        EndCase{"Enter", IDD_AT_ORIGIN, nullptr, PressKey(VK_RETURN), IDOK, true, -1},
        EndCase{"window destroyed from outside", IDD_AT_ORIGIN, nullptr,
                [](CScriptedDialog& d) { ::DestroyWindow(d.m_hWnd); }, -1, true, -1},
        EndCase{"WM_QUIT", IDD_AT_ORIGIN, nullptr, [](CScriptedDialog&) { ::PostQuitMessage(5); }, -1, true, 5}),
    NameCaseByTrace());

TEST(DoModal, ShowsWhenIdleAndCentresATemplateWithoutPosition)
{
    // On the whole screen's work area, and on one that taskbars at the top
    // and on the left of the screen leave.
    const RECT whole = WorkArea(), besideTaskbars = {whole.left + 100, whole.top + 60, whole.right, whole.bottom};
    for (const RECT& area : {whole, besideTaskbars}) {
        SCOPED_TRACE(area.top);
        ::SystemParametersInfoA(SPI_SETWORKAREA, 0, const_cast<RECT*>(&area), 0);
        CScriptedDialog dlg(IDD_AT_ORIGIN);
        bool bVisibleAtInit = true, bVisibleAtTimer = false, bActive = false, bForeground = false;
        RECT rc = {};
        dlg.onInit = [&](CScriptedDialog& d) { bVisibleAtInit = d.IsWindowVisible() != FALSE; };
        dlg.onTimer = [&](CScriptedDialog& d) {
            bVisibleAtTimer = d.IsWindowVisible() != FALSE;
            // Shown active, so that the keyboard reaches it without a click.
            bActive = ::GetActiveWindow() == d.m_hWnd;
            bForeground = ::GetForegroundWindow() == d.m_hWnd;
            d.CenterWindow();  // centred again, it stays where it is
            d.GetWindowRect(&rc);
            d.EndDialog(IDOK);
        };
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_FALSE(bVisibleAtInit);
        EXPECT_TRUE(bVisibleAtTimer);
        EXPECT_TRUE(bActive);
        EXPECT_TRUE(bForeground);
        EXPECT_NEAR((rc.left + rc.right) / 2, (area.left + area.right) / 2, 1);
        EXPECT_NEAR((rc.top + rc.bottom) / 2, (area.top + area.bottom) / 2, 1);
    }
    ::SystemParametersInfoA(SPI_SETWORKAREA, 0, const_cast<RECT*>(&whole), 0);
}

// A parent window is disabled while the dialog is up and, if it was enabled,
// enabled again after; one the caller had disabled stays so.
TEST(DoModal, DisablesItsParentWhileUp)
{
    for (bool bEnabled : {true, false}) {
        SCOPED_TRACE(bEnabled ? "enabled parent" : "disabled parent");
        HWND hParent = ::CreateWindowExA(0, "STATIC", "parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                         nullptr, nullptr, nullptr, nullptr);
        ::EnableWindow(hParent, bEnabled);
        CScriptedDialog dlg(IDD_AT_ORIGIN, CWnd::FromHandle(hParent));
        bool bEnabledWhileUp = true;
        RECT rc = {};
        dlg.onTimer = [&](CScriptedDialog& d) {
            bEnabledWhileUp = ::IsWindowEnabled(hParent) != FALSE;
            d.GetWindowRect(&rc);
            d.EndDialog(IDOK);
        };
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_FALSE(bEnabledWhileUp);
        EXPECT_NEAR((rc.left + rc.right) / 2, 100, 1) << "centred on its parent";
        EXPECT_EQ(::IsWindowEnabled(hParent) != FALSE, bEnabled);
        EXPECT_EQ(::GetActiveWindow(), hParent) << "the parent is active again";
        ::DestroyWindow(hParent);
    }
}

TEST(DoModal, KeepsThePositionATemplateGives)
{
    CScriptedDialog dlg(IDD_PLACED);
    RECT rc = {};
    dlg.onTimer = [&](CScriptedDialog& d) {
        d.GetWindowRect(&rc);
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    RECT work = WorkArea();
    EXPECT_LT(rc.left, (work.right - (rc.right - rc.left)) / 2 - 10) << "not centred";
}

// --- Colour requests -------------------------------------------------------

namespace {

// An edit that answers reflected colour requests with a brush of its own.
class CReflectingEdit : public CEdit {
public:
    HBRUSH m_hAnswer = nullptr;
    UINT m_nLastKind = 0xFFFF;

protected:
    HBRUSH CtlColor(CDC*, UINT nCtlColor)
    {
        m_nLastKind = nCtlColor;
        return m_hAnswer;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectingEdit, CEdit)
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

// A dialog that binds the edit and records the colour requests it handles.
class CColourDialog : public CScriptedDialog {
public:
    CColourDialog() : CScriptedDialog(IDD_AT_ORIGIN) {}
    CReflectingEdit m_edit;
    UINT m_nDialogKind = 0xFFFF;
    CWnd* m_pDialogChild = nullptr;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        CScriptedDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_TEST_EDIT, m_edit);
    }
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
    {
        m_nDialogKind = nCtlColor;
        m_pDialogChild = pWnd;
        return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CColourDialog, CScriptedDialog)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

} // namespace

TEST(ColourRequest, ReachesTheDialogThenTheChildWhoseBrushWins)
{
    CColourDialog dlg;
    HBRUSH hBrush = ::CreateSolidBrush(RGB(1, 2, 3));
    dlg.m_edit.m_hAnswer = hBrush;
    LRESULT lAnswered = 0, lDeclined = 0, lPlain = 0;
    dlg.onTimer = [&](CScriptedDialog& d) {
        HWND hEdit = ::GetDlgItem(d.m_hWnd, IDC_TEST_EDIT);
        HDC hDC = ::GetDC(hEdit);
        lAnswered = ::SendMessageA(d.m_hWnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(hDC), reinterpret_cast<LPARAM>(hEdit));
        dlg.m_edit.m_hAnswer = nullptr;
        lDeclined = ::SendMessageA(d.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hDC), reinterpret_cast<LPARAM>(hEdit));
        // The same request to a child the framework does not own goes to the dialog manager.
        HWND hOk = ::GetDlgItem(d.m_hWnd, IDOK);
        lPlain = ::SendMessageA(d.m_hWnd, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(hDC), reinterpret_cast<LPARAM>(hOk));
        ::ReleaseDC(hEdit, hDC);
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(lAnswered, reinterpret_cast<LRESULT>(hBrush));
    EXPECT_EQ(dlg.m_edit.m_nLastKind, static_cast<UINT>(CTLCOLOR_STATIC)) << "the kind reaches the child";
    EXPECT_NE(lDeclined, 0) << "a null brush falls through to the dialog manager";
    EXPECT_NE(lDeclined, reinterpret_cast<LRESULT>(hBrush));
    EXPECT_NE(lPlain, 0);
    EXPECT_EQ(dlg.m_nDialogKind, static_cast<UINT>(CTLCOLOR_BTN));
    ::DeleteObject(hBrush);
}

TEST(DataExchange, BindsPresentControlsAndLeavesMissingOnesUnbound)
{
    class CBindingDialog : public CScriptedDialog {
    public:
        CBindingDialog() : CScriptedDialog(IDD_PLACED) {}
        CButton m_ok;
        CEdit m_missing;
        bool m_bBoundDuringRun = false;

    protected:
        void DoDataExchange(CDataExchange* pDX) override
        {
            CScriptedDialog::DoDataExchange(pDX);
            DDX_Control(pDX, IDOK, m_ok);
            DDX_Control(pDX, IDC_TEST_EDIT, m_missing);
        }
    } dlg;
    dlg.onInit = [&](CScriptedDialog& d) {
        dlg.m_bBoundDuringRun = CWnd::FromHandlePermanent(::GetDlgItem(d.m_hWnd, IDOK)) == &dlg.m_ok;
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(dlg.m_bBoundDuringRun);
    EXPECT_EQ(dlg.m_missing.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_ok.m_hWnd, nullptr) << "unbound again when its window went";
}

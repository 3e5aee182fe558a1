// CWnd's message routing on real windows: map chaining, default processing,
// exceptions kept inside the window procedure, handle maps and subclassing.
#include <gtest/gtest.h>
#include <stdexcept>
#include "Framework.h"
#include "ThreadState.h"
#include "Pixels.h"
#include "UiDriver.h"

namespace {

const UINT WM_BOTH = WM_APP + 1;      // handled by base and derived
const UINT WM_BASE_ONLY = WM_APP + 2; // handled by the base only
const UINT WM_NOBODY = WM_APP + 3;    // in no map
const UINT WM_THROW = WM_APP + 4;     // the handler throws

class CBaseWnd : public CWnd {
public:
    int m_nPostNcDestroy = 0;

protected:
    LRESULT OnBoth(WPARAM, LPARAM) { return 10; }
    LRESULT OnBaseOnly(WPARAM wParam, LPARAM lParam) { return static_cast<LRESULT>(wParam + lParam); }
    void PostNcDestroy() override { ++m_nPostNcDestroy; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
    ON_MESSAGE(WM_BOTH, OnBoth)
    ON_MESSAGE(WM_BASE_ONLY, OnBaseOnly)
END_MESSAGE_MAP()

class CDerivedWnd : public CBaseWnd {
public:
    std::string m_lastSetText;

protected:
    LRESULT OnBothDerived(WPARAM, LPARAM) { return 20; }
    LRESULT OnThrow(WPARAM, LPARAM) { throw std::runtime_error("handler failed"); }
    LRESULT OnSetText(WPARAM, LPARAM lParam)
    {
        m_lastSetText = reinterpret_cast<const char*>(lParam);
        return Default();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
    ON_MESSAGE(WM_BOTH, OnBothDerived)
    ON_MESSAGE(WM_THROW, OnThrow)
    ON_MESSAGE(WM_SETTEXT, OnSetText)
END_MESSAGE_MAP()

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_hWnd = ::CreateWindowExA(0, "STATIC", "start", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_hWnd, nullptr);
        m_originalProc = ::GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC);
    }
    void TearDown() override
    {
        if (::IsWindow(m_hWnd))
            ::DestroyWindow(m_hWnd);
    }

    HWND m_hWnd = nullptr;
    LONG_PTR m_originalProc = 0;
};

} // namespace

TEST_F(WindowTest, MapsAreSearchedFromTheMostDerivedClassUp)
{
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(m_hWnd));
    EXPECT_EQ(::SendMessageA(m_hWnd, WM_BOTH, 0, 0), 20) << "derived entry wins";
    EXPECT_EQ(::SendMessageA(m_hWnd, WM_BASE_ONLY, 3, 4), 7) << "base entry reached through the chain";
    EXPECT_EQ(::SendMessageA(m_hWnd, WM_NOBODY, 0, 0), 0) << "default processing";
    wnd.UnsubclassWindow();
}

TEST_F(WindowTest, DefaultRepeatsTheMessageToTheOriginalProcedure)
{
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(m_hWnd));
    ::SetWindowTextA(m_hWnd, "changed");
    EXPECT_EQ(wnd.m_lastSetText, "changed");
    EXPECT_EQ(ui::WindowText(m_hWnd), "changed");
    wnd.UnsubclassWindow();
}

TEST_F(WindowTest, HandlerExceptionFailsOnlyItsMessage)
{
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(m_hWnd));
    EXPECT_EQ(::SendMessageA(m_hWnd, WM_THROW, 0, 0), 0);
    EXPECT_EQ(::SendMessageA(m_hWnd, WM_BOTH, 0, 0), 20) << "the window still works";
    wnd.UnsubclassWindow();
}

TEST_F(WindowTest, SubclassingTwiceOrOntoNothingFails)
{
    CDerivedWnd first, second;
    EXPECT_FALSE(first.SubclassWindow(nullptr));
    ASSERT_TRUE(first.SubclassWindow(m_hWnd));
    EXPECT_FALSE(second.SubclassWindow(m_hWnd)) << "a window has one object";
    EXPECT_EQ(CWnd::FromHandlePermanent(m_hWnd), &first);
    EXPECT_EQ(CWnd::FromHandle(m_hWnd), &first);
    EXPECT_EQ(first.UnsubclassWindow(), m_hWnd);
    EXPECT_EQ(::GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC), m_originalProc);
    EXPECT_EQ(CWnd::FromHandlePermanent(m_hWnd), nullptr);
    {
        CDerivedWnd owner;
        ASSERT_TRUE(owner.SubclassWindow(m_hWnd));
        CString text;
        EXPECT_EQ(owner.GetWindowText(text), 5);
        EXPECT_EQ(CWnd::GetDesktopWindow()->m_hWnd, ::GetDesktopWindow());
    }
    EXPECT_FALSE(::IsWindow(m_hWnd)) << "a live window goes with its object";
}

TEST_F(WindowTest, DestroyingTheWindowReleasesTheObject)
{
    CDerivedWnd wnd;
    EXPECT_FALSE(wnd.DestroyWindow());
    ASSERT_TRUE(wnd.SubclassWindow(m_hWnd));
    HWND hChild = ::CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, m_hWnd, HMENU(7), nullptr, nullptr);
    EXPECT_EQ(wnd.GetDlgItem(7)->m_hWnd, hChild);
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(m_hWnd), nullptr);
    EXPECT_EQ(wnd.m_nPostNcDestroy, 1);
}

// A clean-up that throws at the window's end leaves the thread as it found
// it: the maps locked as before, the interrupted message current again.
TEST_F(WindowTest, CleanUpThatThrowsLeavesTheMapsAndTheMessageAsTheyWere)
{
    struct CFailingCleanUp : CDerivedWnd {
        void PostNcDestroy() override { throw std::runtime_error("clean-up failed"); }
    } wnd;
    ASSERT_TRUE(wnd.SubclassWindow(m_hWnd));
    AFX_THREAD_STATE* pThread = AfxGetThreadState();
    pThread->m_lastSentMsg.message = WM_NOBODY;
    const int nLock = pThread->m_nTempMapLock;
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(pThread->m_nTempMapLock, nLock);
    EXPECT_EQ(pThread->m_lastSentMsg.message, WM_NOBODY);
    CWnd::FromHandle(::GetDesktopWindow());
    AfxFlushTempMaps();
    EXPECT_EQ(pThread->m_windowMap.TemporaryCount(), 0u) << "temporary wrappers still go";
}

namespace {
WNDPROC g_pfnChained = nullptr;
LRESULT CALLBACK ForeignProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::CallWindowProcA(g_pfnChained, hWnd, message, wParam, lParam);
}

// A control and a request only its class's own procedure answers:
// DefWindowProc gives 0 for each.
struct ClassAnswerCase {
    const char* trace;
    const char* className;
    DWORD style;
    UINT setMessage;  // with value as wParam
    UINT getMessage;  // answers value
    LONG_PTR value;
};
} // namespace

// Someone else subclassed the control after us: undoing ours must not cut
// their procedure out, nor the control's own, which theirs reaches through
// ours until the control is destroyed.
TEST(Subclassing, UnsubclassUnderAForeignProcedureKeepsTheClassProcedure)
{
    const LONG_PTR hIcon = reinterpret_cast<LONG_PTR>(::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_HAND)));
    const ClassAnswerCase cases[] = {
        {"EDIT keeps its text limit", "EDIT", 0, EM_SETLIMITTEXT, EM_GETLIMITTEXT, 7},
        {"BUTTON keeps its check", "BUTTON", BS_AUTOCHECKBOX, BM_SETCHECK, BM_GETCHECK, BST_CHECKED},
        {"STATIC keeps its icon", "STATIC", SS_ICON, STM_SETICON, STM_GETICON, hIcon},
    };
    for (const ClassAnswerCase& c : cases) {
        SCOPED_TRACE(c.trace);
        HWND hWnd = ::CreateWindowExA(0, c.className, "", WS_POPUP | c.style, 0, 0, 50, 20, nullptr, nullptr,
                                      nullptr, nullptr);
        ASSERT_NE(hWnd, nullptr);
        CDerivedWnd wnd;
        ASSERT_TRUE(wnd.SubclassWindow(hWnd));
        g_pfnChained = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignProc)));
        EXPECT_EQ(wnd.UnsubclassWindow(), nullptr) << "not ours to undo";
        EXPECT_EQ(::GetWindowLongPtrA(hWnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&ForeignProc));
        ::SendMessageA(hWnd, c.setMessage, static_cast<WPARAM>(c.value), 0);
        EXPECT_EQ(::SendMessageA(hWnd, c.getMessage, 0, 0), c.value) << "the class still answers";
        EXPECT_EQ(::SendMessageA(hWnd, WM_BOTH, 0, 0), 20) << "and so does our object";
        ::DestroyWindow(hWnd);
        EXPECT_EQ(wnd.m_hWnd, nullptr) << "let go when the control went";
        EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
    }
}

// A window whose procedure can't be set is not taken into the map.
TEST(Subclassing, FailsWithoutAnEntryWhenTheProcedureCannotBeSet)
{
    HWND hGone = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
    ::DestroyWindow(hGone);
    struct Case { const char* trace; HWND hWnd; } cases[] = {
        {"a destroyed window", hGone},
        {"a window of another process (the desktop)", ::GetDesktopWindow()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.trace);
        CDerivedWnd wnd;
        EXPECT_FALSE(wnd.SubclassWindow(c.hWnd));
        EXPECT_EQ(wnd.m_hWnd, nullptr);
        EXPECT_EQ(CWnd::FromHandlePermanent(c.hWnd), nullptr);
    }
}

TEST_F(WindowTest, TemporaryWrappersLiveUntilTheMapsAreUnlocked)
{
    AFX_THREAD_STATE* pThread = AfxGetThreadState();
    AfxFlushTempMaps();
    CWnd* pTemp = CWnd::FromHandle(m_hWnd);
    ASSERT_NE(pTemp, nullptr);
    EXPECT_EQ(pTemp->m_hWnd, m_hWnd);
    EXPECT_EQ(CWnd::FromHandle(m_hWnd), pTemp) << "one wrapper per handle";
    EXPECT_EQ(CWnd::FromHandlePermanent(m_hWnd), nullptr);
    EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);
    CDC::FromHandle(::GetDC(m_hWnd));
    CGdiObject::FromHandle(::GetStockObject(BLACK_BRUSH));
    CPalette::FromHandle(static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE)));
    for (size_t n : {pThread->m_windowMap.TemporaryCount(), pThread->m_dcMap.TemporaryCount(),
                     pThread->m_gdiMap.TemporaryCount(), pThread->m_paletteMap.TemporaryCount()})
        EXPECT_EQ(n, 1u);

    AfxFlushTempMaps();
    for (size_t n : {pThread->m_windowMap.TemporaryCount(), pThread->m_dcMap.TemporaryCount(),
                     pThread->m_gdiMap.TemporaryCount(), pThread->m_paletteMap.TemporaryCount()})
        EXPECT_EQ(n, 0u);
    EXPECT_TRUE(::IsWindow(m_hWnd)) << "a borrowed handle is not destroyed";
}

TEST(ModuleState, ManageStateSwitchesAndRestores)
{
    AFX_MODULE_STATE other;
    AFX_MODULE_STATE* pBefore = AfxGetModuleState();
    EXPECT_EQ(pBefore, AfxGetStaticModuleState()) << "the static state when none was set";
    EXPECT_EQ(AfxGetInstanceHandle(), ::GetModuleHandleA(nullptr)) << "this program's own module";
    {
        AFX_MANAGE_STATE(&other);
        EXPECT_EQ(AfxGetModuleState(), &other);
        {
            AFX_MANAGE_STATE(AfxGetStaticModuleState());
            EXPECT_EQ(AfxGetModuleState(), AfxGetStaticModuleState());
        }
        EXPECT_EQ(AfxGetModuleState(), &other);
    }
    EXPECT_EQ(AfxGetModuleState(), pBefore);
}

TEST(GdiObject, OwnsItsHandleUnlessDetached)
{
    HGDIOBJ hReplaced = nullptr, hOwned = nullptr, hKept = nullptr;
    {
        CBrush owned, detached;
        ASSERT_TRUE(owned.CreateSolidBrush(RGB(1, 2, 3)));
        hReplaced = owned.m_hObject;
        ASSERT_TRUE(owned.CreateSolidBrush(RGB(7, 8, 9)));
        hOwned = owned.m_hObject;
        EXPECT_EQ(::GetObjectType(hReplaced), 0u) << "a handle taken over by the next one is deleted";
        EXPECT_FALSE(owned.Attach(nullptr));
        EXPECT_EQ(owned.m_hObject, hOwned) << "a null handle changes nothing";
        ASSERT_TRUE(detached.CreateSolidBrush(RGB(4, 5, 6)));
        hKept = detached.Detach();
    }
    EXPECT_EQ(::GetObjectType(hOwned), 0u) << "the owned brush went with its object";
    EXPECT_EQ(::GetObjectType(hKept), static_cast<DWORD>(OBJ_BRUSH)) << "the detached brush lives";
    EXPECT_TRUE(::DeleteObject(hKept));
}

// A client DC's (0, 0) is the corner of the client area, inside the frame.
TEST(GdiObject, ClientDcDrawsInTheClientAreaNotOnTheFrame)
{
    HWND hWnd = ::CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_DLGFRAME | WS_VISIBLE, 20, 20, 60, 40, nullptr,
                                  nullptr, nullptr, nullptr);
    ::UpdateWindow(hWnd);
    {
        CClientDC dc(CWnd::FromHandle(hWnd));
        ::SetPixel(dc.m_hDC, 0, 0, RGB(255, 0, 0));
    }
    POINT ptClient = {0, 0};
    ::ClientToScreen(hWnd, &ptClient);
    const RECT rcWindow = ui::ScreenRect(hWnd);
    HDC hWindowDc = ::GetWindowDC(hWnd);
    EXPECT_EQ(::GetPixel(hWindowDc, ptClient.x - rcWindow.left, ptClient.y - rcWindow.top), RGB(255, 0, 0));
    EXPECT_NE(::GetPixel(hWindowDc, 0, 0), RGB(255, 0, 0)) << "drawn on the frame";
    ::ReleaseDC(hWnd, hWindowDc);
    ::DestroyWindow(hWnd);
}

// A plain owner-drawn button draws the system's push-button frame, pushed
// while selected, its caption centred and, with the focus, the focus
// rectangle 3 pixels in.
TEST(Button, DrawsFrameCaptionAndFocusRectangle)
{
    HWND hButton = ::CreateWindowExA(0, "BUTTON", "Ab", WS_POPUP | BS_OWNERDRAW, 0, 0, 80, 30, nullptr, nullptr,
                                     nullptr, nullptr);
    CButton button;
    ASSERT_TRUE(button.SubclassWindow(hButton));
    for (UINT state : {0u, static_cast<UINT>(ODS_SELECTED | ODS_FOCUS)}) {
        ui::Canvas drawn(80, 30), expected(80, 30);
        DRAWITEMSTRUCT dis = {ODT_BUTTON, 0, 0, ODA_DRAWENTIRE, state, hButton, drawn.hdc(), {0, 0, 80, 30}, 0};
        button.DrawItem(&dis);
        RECT rc = {0, 0, 80, 30};
        ::DrawFrameControl(expected.hdc(), &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (state != 0 ? DFCS_PUSHED : 0));
        ::SetBkMode(expected.hdc(), TRANSPARENT);
        ::DrawTextA(expected.hdc(), "Ab", 2, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        ::InflateRect(&rc, -3, -3);
        if (state != 0)
            ::DrawFocusRect(expected.hdc(), &rc);
        EXPECT_TRUE(drawn.Read().px == expected.Read().px) << "state " << state;
    }
    ::DestroyWindow(hButton);
}

namespace {
class CReflectedDraw : public CWnd {
public:
    int m_nDraws = 0;

protected:
    LRESULT OnReflectedDrawItem(WPARAM, LPARAM)
    {
        ++m_nDraws;
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectedDraw, CWnd)
    ON_MESSAGE(WM_REFLECT_BASE + WM_DRAWITEM, OnReflectedDrawItem)
END_MESSAGE_MAP()
} // namespace

// A parent hands an owner-drawn control's WM_DRAWITEM back to the control's
// object, whose map takes it as a reflected message.
TEST(Reflection, DrawItemGoesBackToTheControlsMap)
{
    HWND hParent = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 90, 40, nullptr, nullptr, nullptr, nullptr);
    HWND hChild = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_OWNERDRAW, 0, 0, 20, 20, hParent, HMENU(5),
                                    nullptr, nullptr);
    CWnd parent;
    CReflectedDraw child;
    ASSERT_TRUE(parent.SubclassWindow(hParent));
    ASSERT_TRUE(child.SubclassWindow(hChild));
    DRAWITEMSTRUCT dis = {ODT_STATIC, 5, 0, ODA_DRAWENTIRE, 0, hChild, nullptr, {0, 0, 20, 20}, 0};
    ::SendMessageA(hParent, WM_DRAWITEM, 5, reinterpret_cast<LPARAM>(&dis));
    EXPECT_EQ(child.m_nDraws, 1);
    ::DestroyWindow(hParent);
}

// CHoverButton on real owner-drawn buttons: picture and caption geometry,
// the focus rectangle, picture ownership, and hover tracking with the real
// cursor.
#include "CHoverButton.h"
#include "SkinTestSupport.h"
#include "TestIds.h"
#include <gtest/gtest.h>
#include <thread>

using namespace skintest;

namespace {

const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kRed = RGB(255, 0, 0);

class ProbeButton : public CHoverButton {
public:
    using CHoverButton::m_bHover;
    using CHoverButton::m_clrHoverText;
    using CHoverButton::m_cxImage;
    using CHoverButton::m_cyImage;
    using CHoverButton::m_hBitmap;

    void Draw(HDC hDC, UINT nAction, UINT nState, RECT rcItem)
    {
        DRAWITEMSTRUCT dis = {};
        dis.CtlType = ODT_BUTTON;
        dis.itemAction = nAction;
        dis.itemState = nState;
        dis.hwndItem = m_hWnd;
        dis.hDC = hDC;
        dis.rcItem = rcItem;
        DrawItem(&dis);
    }
    // A full draw of the whole client area on a fresh canvas.
    Image Render(UINT nState = 0)
    {
        RECT rc;
        GetClientRect(&rc);
        Canvas canvas(rc.right, rc.bottom);
        Draw(canvas.hdc(), ODA_DRAWENTIRE, nState, rc);
        return canvas.Read();
    }
};

// Records, for each mouse move that reaches the default window procedure,
// whether the button was hovering by then.
class DefaultOrderButton : public ProbeButton {
public:
    std::vector<std::string> m_moves;

protected:
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_MOUSEMOVE)
            m_moves.push_back(m_bHover ? "default while hovering" : "default before hovering");
        return ProbeButton::DefWindowProc(message, wParam, lParam);
    }
};

std::string Str(const RECT& rc)
{
    return "(" + std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom) + ")";
}

class HoverButtonTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ledger::Attach(::GetModuleHandleA(nullptr), ledger::Follow::GdiAndUser); }
    void SetUp() override { MoveCursor(kFarAway); }

    static constexpr POINT kFarAway = { 1000, 740 };
    TestHost host{ 100, 100, 300, 80 };
};

TEST_F(HoverButtonTest, PicturePosition)
{
    struct Row {
        const char* trace;
        const char* text;
        int cx, cy;          // client area
        int cxPic, cyPic;    // picture size
        int nOffset;
        UINT nState;
        RECT rcExpected;     // where the picture's pixels land
    } rows[] = {
        { "no text: centred", "", 104, 34, 100, 30, 1, 0, { 2, 2, 102, 32 } },
        { "no text, pushed: one pixel right and down", "", 104, 34, 100, 30, 1, ODS_SELECTED, { 3, 3, 103, 33 } },
        { "text, offset 0: left edge, centred vertically", "Ab", 80, 34, 60, 30, 0, 0, { 0, 2, 60, 32 } },
        { "text, offset 0, pushed", "Ab", 80, 34, 60, 30, 0, ODS_SELECTED, { 1, 3, 61, 33 } },
        { "text, offset 5", "Ab", 80, 34, 60, 30, 5, 0, { 5, 2, 65, 32 } },
        { "text, offset -1 makes x -1: centred", "Ab", 104, 34, 60, 30, -1, 0, { 22, 2, 82, 32 } },
        { "scaled once to the size asked for", "", 104, 34, 50, 15, 1, 0, { 27, 9, 77, 24 } },
        { "size 0 x 0: the resource's own size", "", 104, 34, 0, 0, 1, 0, { 2, 2, 102, 32 } },
        { "disabled: drawn in the disabled style", "", 104, 34, 100, 30, 1, ODS_DISABLED, { 0, 0, 0, 0 } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        ProbeButton btn;
        host.AddButton(btn, 1, row.text, 0, 0, row.cx, row.cy);
        btn.SetImageOffset(row.nOffset);
        ASSERT_TRUE(btn.SetBitmap(IDB_T_GREEN, row.cxPic, row.cyPic));
        EXPECT_EQ(Str(btn.Render(row.nState).Bounds([](COLORREF c) { return c == kGreen; })), Str(row.rcExpected));
    }
}

TEST_F(HoverButtonTest, PictureHigherThanClientIsCentredRoundingDown)
{
    // Client 25 high, picture 30: y = -3, so the top row shows picture row 3.
    ProbeButton btn;
    host.AddButton(btn, 1, "Ab", 0, 0, 80, 25);
    btn.SetImageOffset(0);
    ASSERT_TRUE(btn.SetBitmap(IDB_T_ROWS, 60, 30));
    for (int p = 0; p <= 1; ++p) {
        SCOPED_TRACE(p ? "pushed" : "normal");
        Image img = btn.Render(p ? ODS_SELECTED : 0);
        EXPECT_EQ(img.At(10, 0), RGB(8 * (3 - p), 255, 0));
        EXPECT_EQ(img.At(10, 24), RGB(8 * (27 - p), 255, 0));
    }
}

// The frame is the system's push-button frame, pushed while selected: the
// same pixels as DrawFrameControl draws on its own.
TEST_F(HoverButtonTest, FrameIsTheSystemsPushButtonFrame)
{
    ProbeButton btn;
    host.AddButton(btn, 1, "", 0, 0, 90, 30);
    struct Row { const char* trace; UINT nState; UINT nFrame; } rows[] = {
        { "released", 0, DFCS_BUTTONPUSH },
        { "pushed", ODS_SELECTED, DFCS_BUTTONPUSH | DFCS_PUSHED },
        { "disabled", ODS_DISABLED, DFCS_BUTTONPUSH },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        Canvas expected(90, 30);
        RECT rc = { 0, 0, 90, 30 };
        ::DrawFrameControl(expected.hdc(), &rc, DFC_BUTTON, row.nFrame);
        EXPECT_TRUE(btn.Render(row.nState).px == expected.Read().px);
    }
}

TEST_F(HoverButtonTest, CaptionCentredRightOfBoxInItsColour)
{
    const COLORREF clrText = ::GetSysColor(COLOR_BTNTEXT);
    struct Row {
        const char* trace;
        BOOL bHover;
        UINT nState;
        COLORREF clrShown, clrAbsent;
    } rows[] = {
        { "off hover", FALSE, 0, clrText, kRed },
        { "off hover, pushed: the text does not move", FALSE, ODS_SELECTED, clrText, kRed },
        { "hover", TRUE, 0, kRed, clrText },
        { "hover, disabled", TRUE, ODS_DISABLED, kRed, clrText },
    };
    // Widths of both parities: a caption off by one pixel shows on one of them.
    for (int cx : { 150, 151 }) {
        ProbeButton btn;
        host.AddButton(btn, 1, "Ab", 0, 0, cx, 30);
        btn.SetHoverTextColor(kRed);
        // Where the text lands when centred on one line in (30, 0, cx, 30).
        Canvas ref(cx, 30);
        RECT rcText = { 30, 0, cx, 30 };
        ::SetTextColor(ref.hdc(), kRed);
        ::DrawTextA(ref.hdc(), "Ab", 2, &rcText, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        const RECT rcExpected = ref.Read().Bounds([](COLORREF c) { return c == kRed; });
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.trace) + ", " + std::to_string(cx) + " wide");
            btn.m_bHover = row.bHover;
            Image img = btn.Render(row.nState);
            EXPECT_EQ(img.Count({ 3, 3, cx - 3, 27 }, [&](COLORREF c) { return c == row.clrAbsent; }), 0);
            EXPECT_EQ(Str(img.Bounds([&](COLORREF c) { return c == row.clrShown; })), Str(rcExpected));
        }
    }
}

TEST_F(HoverButtonTest, FocusRectangleInsets)
{
    struct Row {
        const char* trace;
        int w, h;
        RECT rcExpected;  // for the item at (0, 0)
    } rows[] = {
        { "100 x 30: inset 3", 100, 30, { 2, 3, 97, 26 } },
        { "10 x 6: inset 1", 10, 6, { 0, 1, 9, 4 } },
        { "3 x 3: inset 0", 3, 3, { -1, 0, 3, 2 } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        ProbeButton btn;
        host.AddButton(btn, 1, "", 0, 0, row.w, row.h);
        // The item sits at (8, 8) so that a rectangle left of it shows.
        const RECT rcItem = { 8, 8, 8 + row.w, 8 + row.h };
        Canvas drawn(row.w + 16, row.h + 16), expected(row.w + 16, row.h + 16);
        btn.Draw(expected.hdc(), ODA_DRAWENTIRE, 0, rcItem);
        btn.Draw(drawn.hdc(), ODA_DRAWENTIRE, 0, rcItem);
        Image before = drawn.Read();
        btn.Draw(drawn.hdc(), ODA_FOCUS, ODS_FOCUS, rcItem);
        RECT rc = row.rcExpected;
        ::OffsetRect(&rc, 8, 8);
        ::DrawFocusRect(expected.hdc(), &rc);
        EXPECT_TRUE(drawn.Read().px != before.px);
        EXPECT_TRUE(drawn.Read().px == expected.Read().px);
    }
}

// The focus rectangle shows exactly while the item has the focus, through
// focus changes, repaints, pushes and disabled draws.
TEST_F(HoverButtonTest, FocusRectangleFollowsTheFocus)
{
    ProbeButton btn, ref;
    host.AddButton(btn, 1, "Ab", 0, 0, 100, 30);
    host.AddButton(ref, 2, "Ab", 0, 40, 100, 30);
    btn.SetBitmap(IDB_T_GREEN, 100, 30);
    ref.SetBitmap(IDB_T_GREEN, 100, 30);
    const RECT rcItem = { 0, 0, 100, 30 }, rcFocus = { 2, 3, 97, 26 };
    struct Step { const char* trace; UINT nAction, nState; bool bShown; } steps[] = {
        { "full draw, no focus", ODA_DRAWENTIRE, 0, false },
        { "gains the focus", ODA_FOCUS, ODS_FOCUS, true },
        { "focus notice repeated", ODA_FOCUS, ODS_FOCUS, true },
        { "repaint with the focus (hover change)", ODA_DRAWENTIRE, ODS_FOCUS, true },
        { "pushed", ODA_SELECT, ODS_FOCUS | ODS_SELECTED, true },
        { "released", ODA_SELECT, ODS_FOCUS, true },
        { "loses the focus", ODA_FOCUS, 0, false },
        { "loss notice repeated", ODA_FOCUS, 0, false },
        { "repaint without the focus", ODA_DRAWENTIRE, 0, false },
        { "focus notice while disabled draws nothing", ODA_FOCUS, ODS_FOCUS | ODS_DISABLED, false },
        { "full draw, disabled", ODA_DRAWENTIRE, ODS_FOCUS | ODS_DISABLED, false },
        { "full draw, enabled with the focus", ODA_DRAWENTIRE, ODS_FOCUS, true },
        { "losing the focus by a full repaint", ODA_DRAWENTIRE, 0, false },
        { "gains it again", ODA_FOCUS, ODS_FOCUS, true },
    };
    Canvas screen(100, 30);
    UINT nLastFull = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.trace);
        btn.Draw(screen.hdc(), step.nAction, step.nState, rcItem);
        if (step.nAction != ODA_FOCUS)
            nLastFull = step.nState & ~static_cast<UINT>(ODS_FOCUS);
        Canvas expected(100, 30);
        ref.Draw(expected.hdc(), ODA_DRAWENTIRE, nLastFull, rcItem);
        if (step.bShown)
            ::DrawFocusRect(expected.hdc(), &rcFocus);
        EXPECT_TRUE(screen.Read().px == expected.Read().px);
    }
}

TEST_F(HoverButtonTest, PictureMakingAndOwnership)
{
    const long nLiveBefore = LiveGdiAndDcs();
    {
        ProbeButton btn, plain;
        host.AddButton(btn, 1, "Ab", 0, 0, 104, 34);
        host.AddButton(plain, 2, "Ab", 0, 40, 104, 34);

        // A missing resource: no picture, frame and caption only.
        EXPECT_FALSE(btn.SetBitmap(IDB_T_MISSING, 100, 30));
        EXPECT_EQ(btn.m_hBitmap.Get(), nullptr);
        EXPECT_TRUE(btn.Render().px == plain.Render().px);

        // A second picture replaces the first, which is deleted at once.
        ASSERT_TRUE(btn.SetBitmap(IDB_T_GREEN, 100, 30));
        HBITMAP hFirst = btn.m_hBitmap.Get();
        ASSERT_TRUE(btn.SetBitmap(IDB_T_ROWS, 50, 20));
        HBITMAP hSecond = btn.m_hBitmap.Get();
        EXPECT_EQ(::GetObjectType(hFirst), 0u);
        EXPECT_EQ(::GetObjectType(hSecond), static_cast<DWORD>(OBJ_BITMAP));

        // A failed call drops the held picture and keeps the size.
        EXPECT_FALSE(btn.SetBitmap(IDB_T_MISSING, 70, 10));
        EXPECT_EQ(btn.m_hBitmap.Get(), nullptr);
        EXPECT_EQ(::GetObjectType(hSecond), 0u);
        EXPECT_EQ(btn.m_cxImage, 50);
        EXPECT_EQ(btn.m_cyImage, 20);

        // A copy too large to make fails, and the mapped original goes too.
        EXPECT_FALSE(btn.SetBitmap(IDB_T_GREEN, 100000, 100000));
        // Only the low 16 bits of the id count.
        EXPECT_TRUE(btn.SetBitmap(0x10000 | IDB_T_GREEN, 100, 30));
    }
    // The destructor deleted the last picture; no unscaled copy stayed behind.
    EXPECT_EQ(LiveGdiAndDcs(), nLiveBefore);
}

TEST_F(HoverButtonTest, BlackEntriesTakeTheButtonFace)
{
    ProbeButton btn;
    host.AddButton(btn, 1, "", 0, 0, 104, 34);
    ASSERT_TRUE(btn.SetBitmap(IDB_T_MAPPED, 20, 10));  // drawn at (42, 12)
    Image img = btn.Render();
    const COLORREF clrFace = ::GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(img.Count({ 42, 12, 52, 22 }, [&](COLORREF c) { return c == clrFace; }), 100);
    EXPECT_EQ(img.Count({ 52, 12, 62, 22 }, [](COLORREF c) { return c == kGreen; }), 100);
}

TEST_F(HoverButtonTest, SettersStoreAndRepaintOnlyWithAWindow)
{
    ProbeButton btn;
    EXPECT_EQ(btn.SetImageOffset(4), 1);
    EXPECT_EQ(btn.SetImageOffset(0), 4);
    EXPECT_TRUE(btn.SetBitmap(IDB_T_GREEN, 60, 30));
    EXPECT_EQ(ledger::Repaints(nullptr), 0) << "no repaint of every window";
    const COLORREF clrText = ::GetSysColor(COLOR_BTNTEXT);
    EXPECT_EQ(btn.m_clrHoverText, clrText);
    btn.SetHoverTextColor(kRed);
    btn.SetHoverTextColor(0);
    EXPECT_EQ(btn.m_clrHoverText, kRed);

    // The stored values take effect at the first paint.
    HWND hWnd = host.AddButton(btn, 1, "Ab", 0, 0, 80, 34);
    EXPECT_EQ(Str(btn.Render().Bounds([](COLORREF c) { return c == kGreen; })), Str({ 0, 2, 60, 32 }));

    struct Row {
        const char* trace;
        std::function<void()> call;
        int nRepaints;
    } rows[] = {
        { "SetImageOffset", [&] { btn.SetImageOffset(2); }, 1 },
        { "SetBitmap", [&] { btn.SetBitmap(IDB_T_GREEN, 60, 30); }, 1 },
        { "failed SetBitmap", [&] { btn.SetBitmap(IDB_T_MISSING, 60, 30); }, 0 },
        { "SetHoverTextColor", [&] { btn.SetHoverTextColor(RGB(0, 0, 255)); }, 0 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        const int nBefore = ledger::Repaints(hWnd);
        row.call();
        EXPECT_EQ(ledger::Repaints(hWnd) - nBefore, row.nRepaints);
    }
}

// ---- hover with the real cursor -------------------------------------------

class HoverTrackingTest : public HoverButtonTest {
protected:
    void SetUp() override
    {
        HoverButtonTest::SetUp();
        hA = host.AddButton(a, 1, "Agree", 10, 10, 120, 40);
        hB = host.AddButton(b, 2, "Disagree", 160, 10, 120, 40);
        a.SetHoverTextColor(kRed);
        b.SetHoverTextColor(kRed);
    }
    // Moves and waits for the expected hover states, then a little longer so
    // that a second repaint would be seen.
    void MoveAndSettle(POINT pt, BOOL bHoverA, BOOL bHoverB)
    {
        MoveCursor(pt);
        PumpUntil([&] { return a.m_bHover == bHoverA && b.m_bHover == bHoverB; }, 1500);
        PumpFor(150);
    }
    POINT OnHost(int x, int y)
    {
        RECT rc;
        ::GetWindowRect(host.m_hWnd, &rc);
        return { rc.left + x, rc.top + y };
    }
    ProbeButton a, b;
    HWND hA = nullptr, hB = nullptr;
};

TEST_F(HoverTrackingTest, CaptionTurnsRedOnlyUnderThePointer)
{
    struct Step {
        const char* trace;
        POINT pt;
        BOOL bHoverA, bHoverB;
        int nRepaintsA, nRepaintsB, nRequestsA, nRequestsB;  // totals so far
    } steps[] = {
        { "onto A", OnHost(70, 30), TRUE, FALSE, 1, 0, 1, 0 },
        { "about on A", OnHost(20, 15), TRUE, FALSE, 1, 0, 1, 0 },
        { "about on A again", OnHost(125, 45), TRUE, FALSE, 1, 0, 1, 0 },
        { "straight onto B", OnHost(220, 30), FALSE, TRUE, 2, 1, 1, 1 },
        { "onto the host between them", OnHost(145, 30), FALSE, FALSE, 2, 2, 1, 1 },
        { "off the host", kFarAway, FALSE, FALSE, 2, 2, 1, 1 },
        { "back onto A", OnHost(70, 30), TRUE, FALSE, 3, 2, 2, 1 },
        { "off to the desktop", kFarAway, FALSE, FALSE, 4, 2, 2, 1 },
    };
    const int nBaseA = ledger::Repaints(hA), nBaseB = ledger::Repaints(hB);
    const int nBaseReqA = ledger::LeaveRequests(hA), nBaseReqB = ledger::LeaveRequests(hB);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.trace);
        MoveAndSettle(step.pt, step.bHoverA, step.bHoverB);
        EXPECT_EQ(a.m_bHover, step.bHoverA);
        EXPECT_EQ(b.m_bHover, step.bHoverB);
        EXPECT_EQ(ClientShows(hA, kRed), step.bHoverA != FALSE);
        EXPECT_EQ(ClientShows(hB, kRed), step.bHoverB != FALSE);
        EXPECT_EQ(ledger::Repaints(hA) - nBaseA, step.nRepaintsA);
        EXPECT_EQ(ledger::Repaints(hB) - nBaseB, step.nRepaintsB);
        EXPECT_EQ(ledger::LeaveRequests(hA) - nBaseReqA, step.nRequestsA);
        EXPECT_EQ(ledger::LeaveRequests(hB) - nBaseReqB, step.nRequestsB);
    }
    ledger::ClearNotes();
    EXPECT_EQ(ledger::Repaints(hA) + ledger::LeaveRequests(hA), 0) << "the counts go with the notes";
}

// A mouse move goes to the button's own default processing first, before
// the hover state changes.
// To the dialog manager the button is a push button, the default one exactly
// while it has the focus, and the default push style it is given leaves it
// owner-drawn.
TEST_F(HoverTrackingTest, PushButtonToTheDialogManagerAndOwnerDrawnThroughout)
{
    const struct {
        const char* trace;
        HWND hFocus;
        WPARAM style;  // given with BM_SETSTYLE, or 0
        LRESULT codeA, codeB;
    } rows[] = {
        {"focus on A", hA, 0, DLGC_BUTTON | DLGC_DEFPUSHBUTTON, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON},
        {"B made the default push button", hA, BS_DEFPUSHBUTTON, DLGC_BUTTON | DLGC_DEFPUSHBUTTON,
         DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON},
        {"focus on B", hB, BS_PUSHBUTTON, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON, DLGC_BUTTON | DLGC_DEFPUSHBUTTON},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.trace);
        ::SetFocus(row.hFocus);
        if (row.style != 0)
            ::SendMessageA(hB, BM_SETSTYLE, row.style, TRUE);
        EXPECT_EQ(::SendMessageA(hA, WM_GETDLGCODE, 0, 0), row.codeA);
        EXPECT_EQ(::SendMessageA(hB, WM_GETDLGCODE, 0, 0), row.codeB);
        EXPECT_EQ(::GetWindowLongA(hB, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    }
}

TEST_F(HoverButtonTest, MouseMoveGoesToTheDefaultProcessingFirst)
{
    DefaultOrderButton btn;
    HWND hWnd = host.AddButton(btn, 1, "Ab", 0, 0, 80, 30);
    ::SendMessageA(hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(40, 15));
    EXPECT_TRUE(btn.m_bHover);
    EXPECT_EQ(btn.m_moves, std::vector<std::string>({ "default before hovering" }));
}

TEST_F(HoverTrackingTest, LeftButtonHeld)
{
    // A drag that comes onto the button does not start hovering.
    const int nBaseReq = ledger::LeaveRequests(hA);
    MoveAndSettle(OnHost(145, 30), FALSE, FALSE);
    LeftButton(true);
    MoveAndSettle(OnHost(70, 30), FALSE, FALSE);
    MoveAndSettle(OnHost(60, 25), FALSE, FALSE);
    EXPECT_FALSE(a.m_bHover);
    EXPECT_EQ(ledger::LeaveRequests(hA), nBaseReq);
    LeftButton(false);
    MoveAndSettle(OnHost(70, 30), TRUE, FALSE);
    EXPECT_TRUE(a.m_bHover);

    // Pressed on the button and dragged off it: hovering ends.
    LeftButton(true);
    MoveAndSettle(OnHost(145, 30), FALSE, FALSE);
    EXPECT_FALSE(a.m_bHover);
    EXPECT_FALSE(ClientShows(hA, kRed));
    LeftButton(false);
}

// The system's own focus changes, pushes and hover repaints keep the
// rectangle in step with the focus.
TEST_F(HoverTrackingTest, FocusRectangleInRealWindows)
{
    // The pixels on the rectangle's outline (inset 3 in a 120 x 40 button),
    // clear of the caption.
    auto outline = [this] {
        Image img = CaptureClient(hA);
        std::vector<COLORREF> px;
        for (int x = 2; x <= 116; ++x)
            px.insert(px.end(), { img.At(x, 3), img.At(x, 36) });
        for (int y = 3; y <= 36; ++y)
            px.insert(px.end(), { img.At(2, y), img.At(116, y) });
        return px;
    };
    auto focus = [](HWND hWnd) {
        ::SetFocus(hWnd);
        PumpFor(100);
    };
    focus(hA);
    const std::vector<COLORREF> shown = outline();
    focus(hB);
    const std::vector<COLORREF> hidden = outline();
    EXPECT_TRUE(shown != hidden);
    auto push = [] (HWND hWnd) {
        ::SendMessageA(hWnd, WM_KEYDOWN, VK_SPACE, 0);
        ::SendMessageA(hWnd, WM_KEYUP, VK_SPACE, 0);
        PumpFor(100);
    };
    struct Step { const char* trace; std::function<void()> act; bool bShown; } steps[] = {
        { "unfocused, hovered", [&] { MoveAndSettle(OnHost(70, 30), TRUE, FALSE); }, false },
        { "unfocused, hover ended", [&] { MoveAndSettle(kFarAway, FALSE, FALSE); }, false },
        { "focused again", [&] { focus(hA); }, true },
        { "focused, hovered", [&] { MoveAndSettle(OnHost(70, 30), TRUE, FALSE); }, true },
        { "focused, pushed and released", [&] { push(hA); }, true },
        { "focused, hover ended", [&] { MoveAndSettle(kFarAway, FALSE, FALSE); }, true },
        { "focus lost", [&] { focus(hB); }, false },
        { "repainted", [&] { ::RedrawWindow(hA, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }, false },
        { "focused, repainted", [&] { focus(hA); ::RedrawWindow(hA, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }, true },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.trace);
        step.act();
        EXPECT_TRUE(outline() == (step.bShown ? shown : hidden));
    }
}

TEST_F(HoverTrackingTest, NoHoverWhileAnotherThreadIsActive)
{
    HANDLE hQuit = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread other([hQuit] {
        HWND h = ::CreateWindowExA(0, "TovikTestHost", "", WS_POPUP | WS_VISIBLE, 600, 500, 100, 50, nullptr,
                                   nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ::SetForegroundWindow(h);
        while (::MsgWaitForMultipleObjects(1, &hQuit, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                ::DispatchMessageA(&msg);
        }
        ::DestroyWindow(h);
    });
    const int nBaseReq = ledger::LeaveRequests(hA);
    const bool bInactive = PumpUntil([] { return ::GetActiveWindow() == nullptr; }, 2000);
    if (bInactive) {
        MoveAndSettle(OnHost(70, 30), FALSE, FALSE);
        EXPECT_FALSE(a.m_bHover);
        EXPECT_FALSE(ClientShows(hA, kRed));
        EXPECT_EQ(ledger::LeaveRequests(hA), nBaseReq);
    }
    ::SetEvent(hQuit);
    other.join();
    ::CloseHandle(hQuit);
    if (!bInactive)
        GTEST_SKIP() << "the other thread's window did not become active";
}

} // namespace

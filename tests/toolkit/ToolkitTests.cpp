// The toolkit on real windows: the pointer lands where it is aimed, and the
// claim dialog and message boxes are told from other windows by what they
// hold.
#include "DialogPlayer.h"
#include "ScreenInput.h"
#include <gtest/gtest.h>

namespace {

// The one mapping of screen pixels to absolute input coordinates that every
// program here uses lands the pointer on the pixel aimed at, across the
// screen.
TEST(ScreenInput, PointerLandsOnThePixelAimedAt)
{
    const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    for (int i = 0; i <= 40; ++i) {
        const POINT pt = {(cx - 1) * i / 40 + (i % 3) - 1, (cy - 1) * (40 - i) / 40 + (i % 2)};
        const POINT aim = {pt.x < 0 ? 0 : pt.x >= cx ? cx - 1 : pt.x, pt.y >= cy ? cy - 1 : pt.y};
        POINT cur = {};
        toolkit::MovePointer(aim, 300);
        ::GetCursorPos(&cur);
        EXPECT_TRUE(cur.x == aim.x && cur.y == aim.y) << aim.x << "," << aim.y << " reached " << cur.x << ","
                                                      << cur.y;
    }
    EXPECT_FALSE(toolkit::MovePointer({-50, -50}, 200)) << "a pixel off the screen is never reached";
}

TEST(ScreenInput, WaitForSaysWhetherTheConditionCame)
{
    int calls = 0;
    EXPECT_TRUE(toolkit::WaitFor([&calls] { return ++calls == 3; }, 2000));
    EXPECT_FALSE(toolkit::WaitFor([] { return false; }, 50)) << "a wait that runs out";
}

TEST(DialogPlayer, TellsTheClaimDialogAndMessageBoxesByWhatTheyHold)
{
    const struct { const char* trace; const char* windowClass; int childId; bool bClaim, bBox; } rows[] = {
        {"a dialog holding the claim text box", "#32770", 1000, true, false},
        {"a dialog holding a box's text", "#32770", 0xFFFF, false, true},
        {"a dialog holding neither", "#32770", 1001, false, false},
        {"another window holding the claim text box", "Static", 1000, false, false},
        {"another window holding a box's text", "Static", 0xFFFF, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.trace);
        HWND hWnd = ::CreateWindowExA(0, row.windowClass, "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
        ::CreateWindowExA(0, "Static", "the text", WS_CHILD, 0, 0, 100, 20, hWnd,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.childId)), nullptr, nullptr);
        EXPECT_EQ(toolkit::IsClaimDialog(hWnd), row.bClaim);
        EXPECT_EQ(toolkit::IsMessageBox(hWnd), row.bBox);
        EXPECT_EQ(toolkit::MessageBoxText(hWnd), row.childId == 0xFFFF ? "the text" : "");
        ::DestroyWindow(hWnd);
    }
}

} // namespace

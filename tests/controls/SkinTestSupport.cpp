#include "SkinTestSupport.h"
#include "PeImage.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstdio>

namespace skintest {

bool Near(COLORREF a, COLORREF b, int n)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= n && std::abs(GetGValue(a) - GetGValue(b)) <= n &&
           std::abs(GetBValue(a) - GetBValue(b)) <= n;
}

int OutsideColours(const Image& img, const RECT& rc, COLORREF clrBk, COLORREF clrText)
{
    auto outside = [](int v, int a, int b) { return v < std::min(a, b) || v > std::max(a, b); };
    return img.Count(rc, [&](COLORREF c) {
        return outside(GetRValue(c), GetRValue(clrBk), GetRValue(clrText)) ||
               outside(GetGValue(c), GetGValue(clrBk), GetGValue(clrText)) ||
               outside(GetBValue(c), GetBValue(clrBk), GetBValue(clrText));
    });
}

bool ClientShows(HWND hWnd, COLORREF clr)
{
    Image img = CaptureClient(hWnd);
    return img.Count({0, 0, img.cx, img.cy}, [clr](COLORREF c) { return c == clr; }) > 0;
}

void LeftButton(bool bDown)
{
    toolkit::PressLeftButton(bDown);
    PumpUntil([bDown] { return ((::GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0) == bDown; }, 1000);
}

// ---- modal run ------------------------------------------------------------

INT_PTR RunModal(CDialog& dlg, const std::function<void(HWND)>& script)
{
    ui::DialogRun run(ui::Answer::None, [&dlg](HWND hWnd) { return hWnd == dlg.GetSafeHwnd(); });
    run.OnPainted([&](HWND hDlg, LONGLONG) {
        PumpFor(50);  // what the dialog does after its first paint, such as loading its text
        script(hDlg);
        dlg.EndDialog(IDOK);
    });
    return dlg.DoModal();
}

// ---- host window ----------------------------------------------------------

TestHost::TestHost(int x, int y, int cx, int cy)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "TovikTestHost";
    ::RegisterClassA(&wc);  // fails harmlessly once registered
    HWND hWnd = ::CreateWindowExA(0, "TovikTestHost", "", WS_POPUP | WS_BORDER, x, y, cx, cy, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    SubclassWindow(hWnd);
    ::ShowWindow(hWnd, SW_SHOW);
    ::SetForegroundWindow(hWnd);
    ::SetActiveWindow(hWnd);
    ::UpdateWindow(hWnd);
    PumpFor(30);
}

TestHost::~TestHost()
{
    DestroyWindow();
}

HWND TestHost::AddButton(CWnd& obj, int nID, const char* pszText, int x, int y, int cx, int cy)
{
    HWND hButton = ::CreateWindowExA(0, "Button", pszText, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, x, y,
                                     cx, cy, m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(nID)),
                                     ::GetModuleHandleA(nullptr), nullptr);
    obj.SubclassWindow(hButton);
    ::UpdateWindow(hButton);
    return hButton;
}

} // namespace skintest

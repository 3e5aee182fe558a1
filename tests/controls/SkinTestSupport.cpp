#include "SkinTestSupport.h"
#include "PeImage.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <map>
#include <mutex>

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

Image CaptureScreen(const RECT& rc)
{
    Canvas canvas(rc.right - rc.left, rc.bottom - rc.top);
    HDC hScreen = ::GetDC(nullptr);
    ::BitBlt(canvas.hdc(), 0, 0, rc.right - rc.left, rc.bottom - rc.top, hScreen, rc.left, rc.top, SRCCOPY);
    ::ReleaseDC(nullptr, hScreen);
    return canvas.Read();
}

Image CaptureClient(HWND hWnd)
{
    RECT rc;
    ::GetClientRect(hWnd, &rc);
    ::MapWindowPoints(hWnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return CaptureScreen(rc);
}

void PumpFor(DWORD ms)
{
    ui::PumpUntil([] { return false; }, ms);
}


namespace {

void SendMouse(DWORD dwFlags, POINT pt)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((pt.x * 65535LL + ::GetSystemMetrics(SM_CXSCREEN) / 2) / (::GetSystemMetrics(SM_CXSCREEN) - 1));
    in.mi.dy = static_cast<LONG>((pt.y * 65535LL + ::GetSystemMetrics(SM_CYSCREEN) / 2) / (::GetSystemMetrics(SM_CYSCREEN) - 1));
    in.mi.dwFlags = dwFlags | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof(in));
}

} // namespace

void MoveCursor(POINT pt)
{
    SendMouse(MOUSEEVENTF_MOVE, pt);
    // The move is done when the system's cursor is there.
    PumpUntil([pt] {
        POINT cur;
        return ::GetCursorPos(&cur) && cur.x == pt.x && cur.y == pt.y;
    }, 1000);
}

void LeftButton(bool bDown)
{
    POINT cur;
    ::GetCursorPos(&cur);
    SendMouse(bDown ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP, cur);
    PumpUntil([bDown] { return ((::GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0) == bDown; }, 1000);
}

POINT CentreOnScreen(HWND hWnd)
{
    RECT rc;
    ::GetWindowRect(hWnd, &rc);
    return POINT{ (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2 };
}

// ---- modal run ------------------------------------------------------------

namespace {

struct ModalRun {
    CDialog* pDlg;
    const std::function<void(HWND)>* pScript;
    DWORD dwDeadline;
};
ModalRun* g_pRun = nullptr;

// Runs from the dialog's own modal loop. No exception may leave it.
void CALLBACK ModalTick(HWND, UINT, UINT_PTR idTimer, DWORD)
{
    ModalRun* pRun = g_pRun;
    if (pRun == nullptr)
        return;
    HWND hDlg = pRun->pDlg->GetSafeHwnd();
    const bool bShown = hDlg != nullptr && ::IsWindowVisible(hDlg);
    if (!bShown && ::GetTickCount() < pRun->dwDeadline)
        return;
    ::KillTimer(nullptr, idTimer);
    g_pRun = nullptr;
    if (!bShown) {
        ADD_FAILURE() << "the dialog was never shown";
    } else {
        try {
            PumpFor(50);  // let the first paint settle
            (*pRun->pScript)(hDlg);
        } catch (...) {
            ADD_FAILURE() << "the script threw";
        }
    }
    pRun->pDlg->EndDialog(IDOK);
}

} // namespace

INT_PTR RunModal(CDialog& dlg, const std::function<void(HWND)>& script, DWORD msTimeout)
{
    ModalRun run = { &dlg, &script, ::GetTickCount() + msTimeout };
    g_pRun = &run;
    UINT_PTR idTimer = ::SetTimer(nullptr, 0, 10, &ModalTick);
    INT_PTR nResult = dlg.DoModal();
    if (g_pRun == &run) {  // ended before the script ran
        ::KillTimer(nullptr, idTimer);
        g_pRun = nullptr;
    }
    return nResult;
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

// ---- ledger ---------------------------------------------------------------

namespace ledger {
namespace {

std::mutex g_lock;
std::map<HANDLE, const char*> g_live;
std::map<HWND, int> g_invalidations;
std::map<HWND, int> g_leaveRequests;
std::vector<std::string> g_log;

void Add(HANDLE h, const char* pszKind)
{
    if (h == nullptr)
        return;
    std::lock_guard<std::mutex> guard(g_lock);
    g_live[h] = pszKind;
}

void Remove(HANDLE h)
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_live.erase(h);
}

void Note(const char* pszFormat, long a, long b = 0)
{
    char sz[96];
    std::snprintf(sz, sizeof(sz), pszFormat, a, b);
    std::lock_guard<std::mutex> guard(g_lock);
    g_log.push_back(sz);
}

// One hook per import: RealName is the original function, HookName records
// what it did.
#define LEDGER_HOOK(Ret, Name, Params, Args, After)                     \
    Ret(WINAPI* Real##Name) Params = nullptr;                                \
    Ret WINAPI Hook##Name Params                                             \
    {                                                                        \
        Ret r = Real##Name Args;                                             \
        After;                                                               \
        return r;                                                            \
    }

LEDGER_HOOK(HBRUSH, CreateSolidBrush, (COLORREF c), (c),
            (Add(r, "brush"), Note("CreateSolidBrush %06lX", c)))
LEDGER_HOOK(HPALETTE, CreatePalette, (const LOGPALETTE* p), (p), Add(r, "palette"))
LEDGER_HOOK(BOOL, DeleteObject, (HGDIOBJ h), (h), if (r) Remove(h))
LEDGER_HOOK(HDC, GetDC, (HWND w), (w), Add(r, "window dc"))
LEDGER_HOOK(int, ReleaseDC, (HWND w, HDC h), (w, h), if (r) Remove(h))
LEDGER_HOOK(HANDLE, LoadImageA, (HINSTANCE i, LPCSTR n, UINT t, int cx, int cy, UINT f),
            (i, n, t, cx, cy, f),
            if (r && t == IMAGE_BITMAP) {
                Add(r, "loaded bitmap");
                Note("LoadImage %ld", IS_INTRESOURCE(n) ? static_cast<long>(reinterpret_cast<ULONG_PTR>(n)) : -1);
            })
LEDGER_HOOK(HANDLE, CopyImage, (HANDLE h, UINT t, int cx, int cy, UINT f), (h, t, cx, cy, f),
            if (r) {
                Add(r, "copied image");
                if (f & LR_COPYDELETEORG)
                    Remove(h);
                Note("CopyImage %ldx%ld", cx, cy);
            })
LEDGER_HOOK(BOOL, InvalidateRect, (HWND w, const RECT* p, BOOL e), (w, p, e),
            { std::lock_guard<std::mutex> guard(g_lock); ++g_invalidations[w]; })
LEDGER_HOOK(HBITMAP, CreateMappedBitmap, (HINSTANCE i, INT_PTR id, UINT f, LPCOLORMAP m, int n),
            (i, id, f, m, n), (Add(r, "mapped bitmap"), Note("CreateMappedBitmap %ld", static_cast<long>(id))))
// A leave request counts only with the structure size of this build: 16
// bytes on x86, 24 on x64 (a handle and a DWORD's padding more).
constexpr DWORD kTrackMouseEventBytes = sizeof(void*) == 8 ? 24 : 16;
static_assert(sizeof(TRACKMOUSEEVENT) == kTrackMouseEventBytes, "TRACKMOUSEEVENT of this build");
LEDGER_HOOK(BOOL, _TrackMouseEvent, (LPTRACKMOUSEEVENT p), (p),
            if (p->dwFlags == TME_LEAVE && p->cbSize == kTrackMouseEventBytes) {
                std::lock_guard<std::mutex> guard(g_lock);
                ++g_leaveRequests[p->hwndTrack];
            })

} // namespace

void Install()
{
    // A function this program does not import is called by none of its code.
    static bool bInstalled = false;
    if (bInstalled)
        return;
    bInstalled = true;
    const HMODULE hThis = ::GetModuleHandleA(nullptr);
#define LEDGER_INSTALL(dll, Name)               \
    *reinterpret_cast<void**>(&Real##Name) =    \
        pe::ReplaceImport(hThis, dll, #Name, reinterpret_cast<void*>(&Hook##Name))
    LEDGER_INSTALL("gdi32.dll", CreateSolidBrush);
    LEDGER_INSTALL("gdi32.dll", CreatePalette);
    LEDGER_INSTALL("gdi32.dll", DeleteObject);
    LEDGER_INSTALL("user32.dll", GetDC);
    LEDGER_INSTALL("user32.dll", ReleaseDC);
    LEDGER_INSTALL("user32.dll", LoadImageA);
    LEDGER_INSTALL("user32.dll", CopyImage);
    LEDGER_INSTALL("user32.dll", InvalidateRect);
    LEDGER_INSTALL("comctl32.dll", CreateMappedBitmap);
    LEDGER_INSTALL("comctl32.dll", _TrackMouseEvent);
}

size_t LiveCount()
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_live.size();
}

int Invalidations(HWND hWnd)
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_invalidations[hWnd];
}

int LeaveRequests(HWND hWnd)
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_leaveRequests[hWnd];
}

std::vector<std::string> Log()
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_log;
}

void ClearLog()
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_log.clear();
}

} // namespace ledger
} // namespace skintest

#include "ScreenInput.h"

namespace toolkit {

namespace {

BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM lParam)
{
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
    return TRUE;
}

void SendPointer(POINT pt, DWORD flags)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = AbsoluteInputCoordinate(pt.x, ::GetSystemMetrics(SM_CXSCREEN));
    in.mi.dy = AbsoluteInputCoordinate(pt.y, ::GetSystemMetrics(SM_CYSCREEN));
    in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof(in));
}

} // namespace

LONG AbsoluteInputCoordinate(int pixel, int size)
{
    // The system maps 0..65535 onto pixels 0..size-1.
    return static_cast<LONG>((pixel * 65535LL + (size - 1) / 2) / (size - 1));
}

bool MovePointer(POINT pt, DWORD ms)
{
    SendPointer(pt, MOUSEEVENTF_MOVE);
    const DWORD start = ::GetTickCount();
    DWORD settledSince = 0;
    for (;;) {
        POINT cur;
        ::GetCursorPos(&cur);
        const DWORD now = ::GetTickCount();
        if (cur.x == pt.x && cur.y == pt.y) {
            if (settledSince == 0)
                settledSince = now;
            if (now - settledSince >= 30)
                return true;
        } else {
            settledSince = 0;
            if (now - start > ms)
                return false;
            SendPointer(pt, MOUSEEVENTF_MOVE);
        }
        ::Sleep(5);
    }
}

void PressLeftButton(bool bDown)
{
    POINT pt;
    ::GetCursorPos(&pt);
    SendPointer(pt, bDown ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
}

POINT WindowCentre(HWND hWnd)
{
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

bool WaitFor(const std::function<bool()>& cond, DWORD ms)
{
    const DWORD start = ::GetTickCount();
    while (!cond()) {
        if (::GetTickCount() - start > ms)
            return false;
        ::Sleep(10);
    }
    return true;
}

std::vector<HWND> ThreadWindows(DWORD threadId)
{
    std::vector<HWND> windows;
    ::EnumThreadWindows(threadId, CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::string WindowText(HWND hWnd)
{
    // Asked with a bound: the window may belong to a thread or process that
    // hangs, and the caller must not hang with it.
    auto ask = [hWnd](UINT message, WPARAM wParam, LPARAM lParam) {
        DWORD_PTR result = 0;
        return ::SendMessageTimeoutA(hWnd, message, wParam, lParam, SMTO_NORMAL, 2000, &result) ? static_cast<int>(result)
                                                                                                 : 0;
    };
    const int nLen = ask(WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(nLen > 0 ? nLen : 0) + 1, '\0');
    const int nGot = ask(WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(nGot > 0 ? nGot : 0));
    return text;
}

CScopedBitmap CaptureScreen(const RECT& rc)
{
    const CScopedScreenDC screen(::GetDC(nullptr));
    const CScopedHandle<MemoryDCTraits> mem(::CreateCompatibleDC(screen.Get()));
    CScopedBitmap bitmap(::CreateCompatibleBitmap(screen.Get(), rc.right - rc.left, rc.bottom - rc.top));
    HGDIOBJ hOld = ::SelectObject(mem.Get(), bitmap.Get());
    ::BitBlt(mem.Get(), 0, 0, rc.right - rc.left, rc.bottom - rc.top, screen.Get(), rc.left, rc.top, SRCCOPY);
    ::SelectObject(mem.Get(), hOld);
    return bitmap;
}

} // namespace toolkit

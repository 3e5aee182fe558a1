#include "LivePreview.h"
#include "DialogPlayer.h"
#include "ScreenInput.h"
#include "TovikDlg.h"

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace preview {

namespace {

using toolkit::CaptureScreen;
using toolkit::IsClaimDialog;
using toolkit::MovePointer;
using toolkit::ThreadWindows;
using toolkit::WaitFor;
using toolkit::WindowCentre;

const DWORD kFrameMs = 50;        // time between two captures while settling
const DWORD kQuietMs = 150;       // no painting for this long counts as quiet
const DWORD kEndMs = 5000;        // bound for the dialog to end after Agree

// What the dialog's thread does, seen through its hooks. One preview runs
// per process, so the hooks find it here.
struct ThreadWatch {
    std::atomic<DWORD> lastPaintTick{ 0 };
    std::atomic<HWND> lastMouseMoveTarget{ nullptr };
    std::atomic<bool> done{ false };
    std::atomic<int> result{ -1 };
};
ThreadWatch g_watch;

void NotePaint() { g_watch.lastPaintTick = ::GetTickCount(); }

// Messages taken from the queue: paints and mouse moves.
LRESULT CALLBACK WatchTakenMessages(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HC_ACTION && wParam == PM_REMOVE) {
        const MSG* pMsg = reinterpret_cast<const MSG*>(lParam);
        if (pMsg->message == WM_PAINT)
            NotePaint();
        else if (pMsg->message == WM_MOUSEMOVE)
            g_watch.lastMouseMoveTarget = pMsg->hwnd;
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

// Sent messages once handled: the drawing that a paint sets off.
LRESULT CALLBACK WatchSentMessages(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HC_ACTION) {
        switch (reinterpret_cast<const CWPRETSTRUCT*>(lParam)->message) {
        case WM_PAINT:
        case WM_NCPAINT:
        case WM_ERASEBKGND:
        case WM_DRAWITEM:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            NotePaint();
            break;
        }
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

bool IsPlainAscii(const std::string& text)
{
    for (unsigned char c : text)
        if (c >= 0x80)
            return false;
    return true;
}

// A point on the screen just outside rc.
POINT OutsidePoint(const RECT& rc)
{
    const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    const POINT candidates[] = { { rc.right + 8, rc.bottom + 8 }, { rc.left - 8, rc.top - 8 },
                                 { cx - 1, cy - 1 }, { 0, 0 } };
    for (const POINT& pt : candidates)
        if (pt.x >= 0 && pt.y >= 0 && pt.x < cx && pt.y < cy && !::PtInRect(&rc, pt))
            return pt;
    return candidates[3];
}

// Messages before they are handled: the claim dialog about to show. A pointer
// resting where it will stand would light a caption (the system sends the
// window a mouse move when it appears under the pointer), so the pointer is
// moved off that place first.
LRESULT CALLBACK KeepPointerOff(int nCode, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* pMsg = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (nCode == HC_ACTION && pMsg->message == WM_SHOWWINDOW && pMsg->wParam && IsClaimDialog(pMsg->hwnd)) {
        RECT rc;
        POINT pt;
        if (::GetWindowRect(pMsg->hwnd, &rc) && ::GetCursorPos(&pt) && ::PtInRect(&rc, pt))
            MovePointer(OutsidePoint(rc));
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

HWND FocusOf(DWORD threadId)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return ::GetGUIThreadInfo(threadId, &info) ? info.hwndFocus : nullptr;
}

// A bitmap's pixels as 32-bit values, top row first, to compare frames.
std::vector<DWORD> Pixels(HBITMAP hBitmap, int cx, int cy)
{
    std::vector<DWORD> pixels(static_cast<size_t>(cx) * cy);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    const CScopedScreenDC screen(::GetDC(nullptr));
    ::GetDIBits(screen.Get(), hBitmap, 0, cy, pixels.data(), &bmi, DIB_RGB_COLORS);
    return pixels;
}

class DialogThread {
public:
    explicit DialogThread(TOVIK_SHOW_MAIN_DIALOG pfnShow)
    {
        g_watch.done = false;
        std::atomic<DWORD> threadId{ 0 };
        m_thread = std::thread([pfnShow, &threadId] {
            HHOOK hTaken = ::SetWindowsHookExA(WH_GETMESSAGE, WatchTakenMessages, nullptr, ::GetCurrentThreadId());
            HHOOK hSent = ::SetWindowsHookExA(WH_CALLWNDPROCRET, WatchSentMessages, nullptr, ::GetCurrentThreadId());
            HHOOK hShow = ::SetWindowsHookExA(WH_CALLWNDPROC, KeepPointerOff, nullptr, ::GetCurrentThreadId());
            threadId = ::GetCurrentThreadId();
            g_watch.result = pfnShow(TOVIK_ACCESS_CODE);
            ::UnhookWindowsHookEx(hShow);
            ::UnhookWindowsHookEx(hSent);
            ::UnhookWindowsHookEx(hTaken);
            g_watch.done = true;
        });
        while (threadId == 0)
            ::Sleep(1);
        m_threadId = threadId;
    }
    // A dialog that never ends is left behind: the process is about to end.
    ~DialogThread()
    {
        if (WaitFor([] { return g_watch.done.load(); }, 1000))
            m_thread.join();
        else
            m_thread.detach();
    }
    DialogThread(const DialogThread&) = delete;
    DialogThread& operator=(const DialogThread&) = delete;

    DWORD Id() const { return m_threadId; }

private:
    std::thread m_thread;
    DWORD m_threadId = 0;
};

// Waits for the claim dialog to show. Dismisses a message box shown
// instead and says what it was.
HWND WaitForDialog(const DialogThread& thread, DWORD ms, std::string& fault)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        for (HWND hWnd : ThreadWindows(thread.Id())) {
            if (!::IsWindowVisible(hWnd))
                continue;
            if (IsClaimDialog(hWnd))
                return hWnd;
            if (toolkit::IsMessageBox(hWnd)) {
                const std::string text = toolkit::MessageBoxText(hWnd);
                fault = "the library showed a message box instead of the dialog";
                if (!text.empty() && IsPlainAscii(text))
                    fault += " (\"" + text + "\")";
                ::PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
                return nullptr;
            }
        }
        if (g_watch.done) {
            fault = "ShowMainDialog returned " + std::to_string(g_watch.result) + " without showing the dialog";
            return nullptr;
        }
        if (::GetTickCount() - start > ms) {
            fault = "the dialog did not appear within " + std::to_string(ms / 1000) + " s";
            return nullptr;
        }
        ::Sleep(10);
    }
}

// Captures the dialog until two frames in a row show the same pixels, no
// painting has happened for a while and ready() holds. Returns the last
// capture; settled tells whether that happened within ms.
CScopedBitmap CaptureSettled(HWND hDlg, DWORD ms, const std::function<bool()>& ready, bool& settled)
{
    settled = false;
    RECT rc;
    ::GetWindowRect(hDlg, &rc);
    CScopedBitmap lastPicture = CaptureScreen(rc);
    std::vector<DWORD> last = Pixels(lastPicture.Get(), rc.right - rc.left, rc.bottom - rc.top);
    int nSameFrames = 0;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        ::Sleep(kFrameMs);
        RECT rcNow;
        ::GetWindowRect(hDlg, &rcNow);
        CScopedBitmap nowPicture = CaptureScreen(rcNow);
        std::vector<DWORD> now = Pixels(nowPicture.Get(), rcNow.right - rcNow.left, rcNow.bottom - rcNow.top);
        const bool bSame = ::EqualRect(&rc, &rcNow) && now == last;
        const bool bQuiet = ::GetTickCount() - g_watch.lastPaintTick >= kQuietMs;
        lastPicture = std::move(nowPicture);
        last.swap(now);
        rc = rcNow;
        nSameFrames = bSame && bQuiet && ready() ? nSameFrames + 1 : 0;
        if (nSameFrames >= 2) {
            settled = true;
            break;
        }
    }
    return lastPicture;
}

const char* ButtonName(int nId) { return nId == IDOK ? "Agree" : "Disagree"; }

// What keeps the state asked for from being reached, or "" once it is: the
// pointer's last move went to the hover button, the focus button has the focus.
std::string StateMissing(HWND hDlg, const Request& request, DWORD threadId)
{
    if (request.hoverId != 0 && g_watch.lastMouseMoveTarget != ::GetDlgItem(hDlg, request.hoverId))
        return std::string("the ") + ButtonName(request.hoverId) + " button did not see the pointer";
    if (request.focusId != 0 && FocusOf(threadId) != ::GetDlgItem(hDlg, request.focusId))
        return std::string("the ") + ButtonName(request.focusId) + " button did not take the focus";
    return "";
}

}  // namespace

Outcome Capture(const Request& request)
{
    Outcome outcome;
    HMODULE hLib = ::LoadLibraryA(request.dllPath.c_str());
    if (hLib == nullptr) {
        outcome.fault = request.dllPath + ": cannot load (Windows error " + std::to_string(::GetLastError()) + ")";
        return outcome;
    }
    TOVIK_SHOW_MAIN_DIALOG pfnShow =
        reinterpret_cast<TOVIK_SHOW_MAIN_DIALOG>(reinterpret_cast<void*>(::GetProcAddress(hLib, "ShowMainDialog")));
    if (pfnShow == nullptr) {
        outcome.fault = request.dllPath + ": no export ShowMainDialog";
        ::FreeLibrary(hLib);
        return outcome;
    }

    POINT ptOriginal = {};
    ::GetCursorPos(&ptOriginal);
    {
        DialogThread thread(pfnShow);
        HWND hDlg = WaitForDialog(thread, request.appearMs, outcome.fault);
        if (hDlg != nullptr) {
            // The pointer was moved off the dialog before it showed; the move
            // onto a button is a fresh one.
            g_watch.lastMouseMoveTarget = nullptr;
            if (request.hoverId != 0 && !MovePointer(WindowCentre(::GetDlgItem(hDlg, request.hoverId))))
                outcome.fault = std::string("the pointer could not be moved onto the ") + ButtonName(request.hoverId) +
                                " button";
            if (request.focusId != 0)
                ::PostMessageA(hDlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(hDlg, request.focusId)),
                               TRUE);

            if (outcome.fault.empty()) {
                const DWORD threadId = thread.Id();
                auto reached = [&] { return StateMissing(hDlg, request, threadId).empty(); };
                CScopedBitmap picture = CaptureSettled(hDlg, request.settleMs, reached, outcome.settled);
                outcome.fault = StateMissing(hDlg, request, threadId);
                outcome.captured = outcome.fault.empty();
                if (outcome.captured)
                    outcome.picture = std::move(picture);
            }

            // The player agrees.
            HWND hAgree = ::GetDlgItem(hDlg, IDOK);
            ::PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(hAgree));
        }
        outcome.ended = WaitFor([] { return g_watch.done.load(); }, kEndMs);
        outcome.result = g_watch.result;
        if (!outcome.ended && outcome.fault.empty())
            outcome.fault = "the dialog did not end after Agree";
    }
    ::SetCursorPos(ptOriginal.x, ptOriginal.y);
    if (outcome.ended)
        ::FreeLibrary(hLib);
    return outcome;
}

}  // namespace preview

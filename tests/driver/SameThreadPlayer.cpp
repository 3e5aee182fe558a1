#include "SameThreadPlayer.h"
#include <algorithm>
#include "UiDriver.h"

namespace ui {

namespace {

thread_local SameThreadPlayer* t_pPlayer = nullptr;

const char kHelperClass[] = "TovikSameThreadPlayer";
// Posted to the helper: the claim dialog in wParam has painted.
const UINT kMsgPainted = WM_APP + 1;

LONGLONG Now()
{
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t.QuadPart;
}

// Children that show with their parent. (IsWindowVisible says no for all of
// them while the parent is still being shown.)
BOOL CALLBACK CollectVisibleChild(HWND hWnd, LPARAM lParam)
{
    if (::GetWindowLongA(hWnd, GWL_STYLE) & WS_VISIBLE)
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
    return TRUE;
}

} // namespace

void PostClick(HWND hButton)
{
    RECT rc = {};
    ::GetClientRect(hButton, &rc);
    LPARAM pt = MAKELPARAM(rc.right / 2, rc.bottom / 2);
    ::PostMessageA(hButton, WM_LBUTTONDOWN, MK_LBUTTON, pt);
    ::PostMessageA(hButton, WM_LBUTTONUP, 0, pt);
}

void PostKey(HWND hTarget, WORD vk)
{
    UINT scan = ::MapVirtualKeyA(vk, 0);
    ::PostMessageA(hTarget, WM_KEYDOWN, vk, 1 | (scan << 16));
    ::PostMessageA(hTarget, WM_KEYUP, vk, 1 | (scan << 16) | (3u << 30));
}

SameThreadPlayer::SameThreadPlayer()
{
    static ATOM s_atom = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &SameThreadPlayer::HelperProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = kHelperClass;
        return ::RegisterClassA(&wc);
    }();
    (void)s_atom;
    m_hHelper = ::CreateWindowExA(0, kHelperClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
    t_pPlayer = this;
    RestoreHooks();
}

SameThreadPlayer::~SameThreadPlayer()
{
    RemoveHooks();
    ::DestroyWindow(m_hHelper);
    t_pPlayer = nullptr;
}

void SameThreadPlayer::RemoveHooks()
{
    if (m_hGetHook != nullptr)
        ::UnhookWindowsHookEx(m_hGetHook);
    if (m_hSentHook != nullptr)
        ::UnhookWindowsHookEx(m_hSentHook);
    m_hGetHook = m_hSentHook = nullptr;
}

void SameThreadPlayer::RestoreHooks()
{
    if (m_hSentHook == nullptr)
        m_hSentHook =
            ::SetWindowsHookExA(WH_CALLWNDPROCRET, &SameThreadPlayer::SentHook, nullptr, ::GetCurrentThreadId());
    if (m_hGetHook == nullptr)
        m_hGetHook = ::SetWindowsHookExA(WH_GETMESSAGE, &SameThreadPlayer::GetHook, nullptr, ::GetCurrentThreadId());
}

std::vector<std::string> SameThreadPlayer::TakeLog()
{
    std::vector<std::string> log;
    log.swap(m_log);
    return log;
}

// Sent messages: message boxes opening, the claim dialog being shown and
// destroyed, and paints sent by UpdateWindow.
LRESULT CALLBACK SameThreadPlayer::SentHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    SameThreadPlayer* self = t_pPlayer;
    if (nCode == HC_ACTION && self != nullptr) {
        const CWPRETSTRUCT& m = *reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (m.message == WM_INITDIALOG && IsMessageBox(m.hwnd)) {
            MessageBoxView box = ReadMessageBox(m.hwnd);
            self->m_log.push_back("box: " + box.caption + ": " + box.text);
            ::PostMessageA(m.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        } else if (m.message == WM_SHOWWINDOW && m.wParam && m.hwnd != self->m_hDlg && IsClaimDialog(m.hwnd)) {
            self->m_hDlg = m.hwnd;
            self->m_unpainted.assign(1, m.hwnd);
            ::EnumChildWindows(m.hwnd, CollectVisibleChild, reinterpret_cast<LPARAM>(&self->m_unpainted));
            self->m_nPainted = self->m_unpainted.size();
            self->m_hPaintRunning = nullptr;
        } else if (m.message == WM_PAINT) {
            self->PaintEnded(m.hwnd);
        } else if (m.message == WM_NCDESTROY && m.hwnd == self->m_hDlg) {
            self->m_hDlg = nullptr;
            self->m_unpainted.clear();
        }
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

// Messages taken from the queue. A paint taken from the queue has ended when
// the loop takes its next message; a marker posted behind it makes sure
// there is one.
LRESULT CALLBACK SameThreadPlayer::GetHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    SameThreadPlayer* self = t_pPlayer;
    if (nCode == HC_ACTION && wParam == PM_REMOVE && self != nullptr) {
        const MSG& m = *reinterpret_cast<const MSG*>(lParam);
        if (self->m_hPaintRunning != nullptr) {
            HWND hEnded = self->m_hPaintRunning;
            self->m_hPaintRunning = nullptr;
            self->PaintEnded(hEnded);
        }
        if (m.message == WM_PAINT &&
            std::find(self->m_unpainted.begin(), self->m_unpainted.end(), m.hwnd) != self->m_unpainted.end()) {
            self->m_hPaintRunning = m.hwnd;
            ::PostMessageA(self->m_hHelper, WM_NULL, 0, 0);
        }
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

void SameThreadPlayer::PaintEnded(HWND hWnd)
{
    auto it = std::find(m_unpainted.begin(), m_unpainted.end(), hWnd);
    if (it == m_unpainted.end())
        return;
    m_unpainted.erase(it);
    if (m_unpainted.empty() && m_hDlg != nullptr) {
        m_paintedAt = Now();
        m_log.push_back("claim");
        ::PostMessageA(m_hHelper, kMsgPainted, reinterpret_cast<WPARAM>(m_hDlg), 0);
    }
}

LRESULT CALLBACK SameThreadPlayer::HelperProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    SameThreadPlayer* self = t_pPlayer;
    if (message == kMsgPainted && self != nullptr) {
        HWND hDlg = reinterpret_cast<HWND>(wParam);
        if (::IsWindow(hDlg))
            self->Play(hDlg, self->m_paintedAt);
        return 0;
    }
    return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

void SameThreadPlayer::Play(HWND hDlg, LONGLONG paintedAt)
{
    if (m_onPainted)
        m_onPainted(hDlg, paintedAt);
    if (!::IsWindow(hDlg))
        return;
    switch (m_answer) {
    case Answer::Agree:
        PostClick(::GetDlgItem(hDlg, IDOK));
        break;
    case Answer::Disagree:
        PostClick(::GetDlgItem(hDlg, IDCANCEL));
        break;
    case Answer::Escape: {
        HWND hFocus = ::GetFocus();
        PostKey(hFocus != nullptr && (hFocus == hDlg || ::IsChild(hDlg, hFocus)) ? hFocus : hDlg, VK_ESCAPE);
        break;
    }
    case Answer::None:
        break;
    }
}

} // namespace ui

#include "UiDriver.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>

namespace ui {

namespace {

// The run whose hook is installed on the calling thread.
thread_local DialogRun* t_pRun = nullptr;

using toolkit::ThreadWindows;

DWORD WINAPI DoNothing(LPVOID)
{
    return 0;
}

const char kHelperClass[] = "TovikDialogRun";
// Posted to the helper: the dialog in wParam has painted.
const UINT kMsgPainted = WM_APP + 1;

// Children that show with their parent. (IsWindowVisible says no for all of
// them while the parent is still being shown.)
BOOL CALLBACK CollectVisibleChild(HWND hWnd, LPARAM lParam)
{
    if (::GetWindowLongA(hWnd, GWL_STYLE) & WS_VISIBLE)
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
    return TRUE;
}

// Whether a thread used the processor a tenth of ms or more since used (in
// 100 ns units), which it updates; an ended thread counts as not working.
bool WorkedFor(DWORD threadId, ULONGLONG& used, DWORD ms)
{
    HANDLE hThread = ::OpenThread(THREAD_QUERY_INFORMATION, FALSE, threadId);
    FILETIME created, exited, kernel, user;
    ULONGLONG now = 0;
    if (hThread != nullptr && ::GetThreadTimes(hThread, &created, &exited, &kernel, &user))
        now = (ULONGLONG(kernel.dwHighDateTime) << 32 | kernel.dwLowDateTime) +
              (ULONGLONG(user.dwHighDateTime) << 32 | user.dwLowDateTime);
    if (hThread != nullptr)
        ::CloseHandle(hThread);
    const ULONGLONG gained = now > used ? now - used : 0;
    used = now;
    return gained / 10000 >= ms / 10;
}

// Against a call that works for ever: no wait goes on longer than this.
const DWORD kWorkingCallLimitMs = 120000;

} // namespace

MessageBoxView ReadMessageBox(HWND hBox)
{
    MessageBoxView view;
    view.caption = WindowText(hBox);
    view.text = toolkit::MessageBoxText(hBox);
    view.owner = ::GetWindow(hBox, GW_OWNER);
    HWND hIcon = ::GetDlgItem(hBox, 1088);
    HICON hShown = hIcon ? reinterpret_cast<HICON>(::SendMessageA(hIcon, STM_GETICON, 0, 0)) : nullptr;
    view.anyIcon = hShown != nullptr;
    view.errorIcon = hShown != nullptr && hShown == ::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_HAND));
    // The box may not be shown yet: its buttons count by their own style.
    for (HWND h = ::GetWindow(hBox, GW_CHILD); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT)) {
        char szClass[16] = "";
        ::GetClassNameA(h, szClass, sizeof(szClass));
        if (::lstrcmpiA(szClass, "Button") == 0 && (::GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE) != 0)
            view.buttons.push_back(::GetDlgCtrlID(h));
    }
    std::sort(view.buttons.begin(), view.buttons.end());
    return view;
}

RECT ScreenRect(HWND hWnd)
{
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    return rc;
}

void PressReleasedOutside(HWND hWnd)
{
    const POINT pt = toolkit::WindowCentre(hWnd);
    toolkit::MovePointer(pt);
    toolkit::PressLeftButton(true);
    ::Sleep(50);
    toolkit::MovePointer({pt.x, ScreenRect(hWnd).bottom + 40});
    toolkit::PressLeftButton(false);
}

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

void PressKeys(const std::vector<WORD>& chord)
{
    std::vector<INPUT> inputs;
    for (WORD vk : chord) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.wScan = static_cast<WORD>(::MapVirtualKeyA(vk, 0));
        inputs.push_back(in);
    }
    for (size_t i = chord.size(); i-- > 0;) {
        inputs.push_back(inputs[i]);
        inputs.back().ki.dwFlags = KEYEVENTF_KEYUP;
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (done())
            return true;
        if (::GetTickCount() - start > ms)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

DialogRun::DialogRun(std::function<int()> call) : m_bSameThread(false), m_watch(IsClaimDialog)
{
    std::promise<void> started;
    m_thread = std::thread([this, call, &started] {
        t_pRun = this;
        HHOOK hHook = ::SetWindowsHookExA(WH_CALLWNDPROCRET, &DialogRun::SentHook, nullptr, ::GetCurrentThreadId());
        m_threadId = ::GetCurrentThreadId();
        started.set_value();
        int result = call();
        ::UnhookWindowsHookEx(hHook);
        t_pRun = nullptr;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_result = result;
        m_done = true;
        m_changed.notify_all();
    });
    started.get_future().wait();
}

DialogRun::DialogRun(Answer answer, std::function<bool(HWND)> watch)
    : m_bSameThread(true), m_watch(std::move(watch)), m_threadId(::GetCurrentThreadId()), m_answer(answer)
{
    static ATOM s_atom = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &DialogRun::HelperProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = kHelperClass;
        return ::RegisterClassA(&wc);
    }();
    (void)s_atom;
    m_hHelper = ::CreateWindowExA(0, kHelperClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
    t_pRun = this;
    RestoreHooks();
}

DialogRun::~DialogRun()
{
    if (m_bSameThread) {
        RemoveHooks();
        ::DestroyWindow(m_hHelper);
        t_pRun = nullptr;
        return;
    }
    EndEverything();
    if (!Ended(0)) {
        // The call hangs with every window closed. Its thread holds this
        // object and may still write to it, so it cannot be left behind:
        // the program ends here, failed, and says why.
        std::fflush(stdout);
        std::fprintf(stderr, "DialogRun: the call on thread %lu has not returned, nor worked, for 10 s with its "
                             "windows closed; ending the test program\n", m_threadId);
        std::fflush(stderr);
        ::TerminateProcess(::GetCurrentProcess(), 3);
    }
    m_thread.join();
}

void DialogRun::RemoveHooks()
{
    if (m_hGetHook != nullptr)
        ::UnhookWindowsHookEx(m_hGetHook);
    if (m_hSentHook != nullptr)
        ::UnhookWindowsHookEx(m_hSentHook);
    m_hGetHook = m_hSentHook = nullptr;
}

void DialogRun::RestoreHooks()
{
    if (m_hSentHook == nullptr)
        m_hSentHook = ::SetWindowsHookExA(WH_CALLWNDPROCRET, &DialogRun::SentHook, nullptr, m_threadId);
    if (m_hGetHook == nullptr)
        m_hGetHook = ::SetWindowsHookExA(WH_GETMESSAGE, &DialogRun::GetHook, nullptr, m_threadId);
}

// Sent messages: message boxes opening, the dialog being shown, hidden and
// destroyed, and paints sent by UpdateWindow.
LRESULT CALLBACK DialogRun::SentHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HC_ACTION && t_pRun != nullptr)
        t_pRun->Record(*reinterpret_cast<const CWPRETSTRUCT*>(lParam));
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

void DialogRun::Record(const CWPRETSTRUCT& msg)
{
    // Reading a box sends it messages, which come back through this hook:
    // read before taking the lock.
    bool bNewBox = msg.message == WM_INITDIALOG && IsMessageBox(msg.hwnd);
    MessageBoxView view;
    if (bNewBox)
        view = ReadMessageBox(msg.hwnd);
    if (m_bSameThread && msg.message == WM_SHOWWINDOW && msg.wParam && msg.hwnd != m_hTracked && m_watch(msg.hwnd)) {
        m_hTracked = msg.hwnd;
        m_unpainted.assign(1, msg.hwnd);
        ::EnumChildWindows(msg.hwnd, CollectVisibleChild, reinterpret_cast<LPARAM>(&m_unpainted));
        m_nPainted = m_unpainted.size();
        m_hPaintRunning = nullptr;
    }

    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_claim == nullptr && m_watch(msg.hwnd))
        m_claim = msg.hwnd;
    if (bNewBox) {
        view.claimVisible = m_claim != nullptr && ::IsWindowVisible(m_claim);
        m_events.push_back("box: " + view.caption + ": " + view.text);
        if (m_bSameThread) {
            ::PostMessageA(msg.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        } else {
            m_boxes.push_back(view);
            m_boxWindows.push_back(msg.hwnd);
            m_changed.notify_all();
        }
    } else if (msg.hwnd == m_claim && (msg.message == WM_WINDOWPOSCHANGED || msg.message == WM_SHOWWINDOW)) {
        bool bVisible = ::IsWindowVisible(m_claim) != FALSE;
        if (bVisible != m_claimVisible) {
            m_claimVisible = bVisible;
            m_events.push_back(bVisible ? "claim shown" : "claim hidden");
            m_changed.notify_all();
        }
    } else if (msg.hwnd == m_claim && msg.message == WM_NCDESTROY) {
        m_claim = nullptr;
        m_claimVisible = false;
    }
    if (msg.hwnd == m_hTracked && msg.message == WM_NCDESTROY) {
        m_hTracked = nullptr;
        m_unpainted.clear();
    } else if (m_bSameThread && msg.message == WM_PAINT) {
        PaintEnded(msg.hwnd);
    }
}

// Messages taken from the queue. A paint taken from the queue has ended when
// the loop takes its next message; a marker posted behind it makes sure
// there is one.
LRESULT CALLBACK DialogRun::GetHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    DialogRun* self = t_pRun;
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

void DialogRun::PaintEnded(HWND hWnd)
{
    auto it = std::find(m_unpainted.begin(), m_unpainted.end(), hWnd);
    if (it == m_unpainted.end())
        return;
    m_unpainted.erase(it);
    if (m_unpainted.empty() && m_hTracked != nullptr) {
        LARGE_INTEGER now;
        ::QueryPerformanceCounter(&now);
        m_paintedAt = now.QuadPart;
        ::PostMessageA(m_hHelper, kMsgPainted, reinterpret_cast<WPARAM>(m_hTracked), 0);
    }
}

LRESULT CALLBACK DialogRun::HelperProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kMsgPainted && t_pRun != nullptr) {
        HWND hDlg = reinterpret_cast<HWND>(wParam);
        if (::IsWindow(hDlg))
            t_pRun->Play(hDlg);
        return 0;
    }
    return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

void DialogRun::Play(HWND hDlg)
{
    if (m_onPainted)
        m_onPainted(hDlg, m_paintedAt);
    if (!::IsWindow(hDlg))
        return;
    HWND hFocus = ::GetFocus();
    switch (m_answer) {
    case Answer::Agree:
        PostClick(::GetDlgItem(hDlg, IDOK));
        break;
    case Answer::Disagree:
        PostClick(::GetDlgItem(hDlg, IDCANCEL));
        break;
    case Answer::Escape:
        PostKey(hFocus != nullptr && (hFocus == hDlg || ::IsChild(hDlg, hFocus)) ? hFocus : hDlg, VK_ESCAPE);
        break;
    case Answer::None:
        break;
    }
}

// Every wait's bound counts the time the call's thread waits, not the time
// it works: it may lay out a long text, or make and end its windows, as
// slowly as a busy machine lets it.
bool DialogRun::WaitWhileTheCallWorks(std::unique_lock<std::mutex>& lock, DWORD ms,
                                      const std::function<bool()>& done)
{
    ULONGLONG used = 0;
    WorkedFor(m_threadId, used, 0);
    const DWORD start = ::GetTickCount();
    while (!m_changed.wait_for(lock, std::chrono::milliseconds(ms), done)) {
        if (ms == 0 || !WorkedFor(m_threadId, used, ms) || ::GetTickCount() - start >= kWorkingCallLimitMs)
            return false;
    }
    return true;
}

HWND DialogRun::WaitForClaimDialog(DWORD ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    WaitWhileTheCallWorks(lock, ms, [this] { return m_claimVisible || m_done; });
    return m_claimVisible ? m_claim : nullptr;
}

HWND DialogRun::WaitForMessageBox(DWORD ms)
{
    HWND hBox = nullptr;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!WaitWhileTheCallWorks(lock, ms, [this] { return m_boxWindows.size() > m_boxesTaken || m_done; }) ||
            m_boxWindows.size() <= m_boxesTaken)
            return nullptr;
        hBox = m_boxWindows[m_boxesTaken++];
    }
    return WaitFor([hBox] { return ::IsWindowVisible(hBox) != FALSE; }, ms) ? hBox : nullptr;
}

int DialogRun::WaitForResult(DWORD ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    WaitWhileTheCallWorks(lock, ms, [this] { return m_done; });
    return m_done ? m_result : kNoResult;
}

std::vector<std::string> DialogRun::TakeEvents()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> events;
    events.swap(m_events);
    return events;
}

std::vector<MessageBoxView> DialogRun::Boxes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_boxes;
}

bool RunIdleThread()
{
    HANDLE hThread = ::CreateThread(nullptr, 0, &DoNothing, nullptr, 0, nullptr);
    const bool bEnded = hThread != nullptr && ::WaitForSingleObject(hThread, 10000) == WAIT_OBJECT_0;
    if (hThread != nullptr)
        ::CloseHandle(hThread);
    return bEnded;
}

bool DialogRun::Ended(DWORD ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_done; });
}

void DialogRun::EndEverything()
{
    // Until the call returns, or its thread has neither returned nor worked
    // for 10 s: a dialog still being made is closed once it is there.
    ULONGLONG used = 0;
    WorkedFor(m_threadId, used, 0);
    const DWORD start = ::GetTickCount();
    DWORD lastWork = start;
    while (!Ended(0) && ::GetTickCount() - lastWork < 10000 && ::GetTickCount() - start < kWorkingCallLimitMs) {
        for (HWND hWnd : ThreadWindows(m_threadId)) {
            if (IsMessageBox(hWnd))
                ::PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
            else if (IsClaimDialog(hWnd))
                ::PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
        }
        Ended(50);
        if (WorkedFor(m_threadId, used, 50))
            lastWork = ::GetTickCount();
    }
}

} // namespace ui

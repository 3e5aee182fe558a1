#include "UiDriver.h"
#include "DialogClass.h"
#include "resource.h"
#include <algorithm>
#include <chrono>

namespace ui {

namespace {

// The run whose hook is installed on the calling thread.
thread_local DialogRun* t_pRun = nullptr;

using toolkit::ThreadWindows;

DWORD WINAPI DoNothing(LPVOID)
{
    return 0;
}

} // namespace

bool IsClaimDialog(HWND hWnd)
{
    return IsDialogWindow(hWnd) && ::GetDlgItem(hWnd, IDC_CLAIM_TEXT) != nullptr;
}

bool IsMessageBox(HWND hWnd)
{
    return IsDialogWindow(hWnd) && ::GetDlgItem(hWnd, 0xFFFF) != nullptr;
}

MessageBoxView ReadMessageBox(HWND hBox)
{
    MessageBoxView view;
    view.caption = WindowText(hBox);
    view.text = WindowText(::GetDlgItem(hBox, 0xFFFF));
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

void Click(HWND hWnd)
{
    toolkit::MovePointer(toolkit::WindowCentre(hWnd));
    toolkit::PressLeftButton(true);
    toolkit::PressLeftButton(false);
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

DialogRun::DialogRun(std::function<int()> call)
{
    std::mutex started;
    std::condition_variable startedCv;
    bool bStarted = false;
    m_thread = std::thread([this, call, &started, &startedCv, &bStarted] {
        t_pRun = this;
        HHOOK hHook = ::SetWindowsHookExA(WH_CALLWNDPROCRET, &DialogRun::RecordHook, nullptr, ::GetCurrentThreadId());
        {
            std::lock_guard<std::mutex> lock(started);
            m_threadId = ::GetCurrentThreadId();
            bStarted = true;
        }
        startedCv.notify_all();
        int result = call();
        ::UnhookWindowsHookEx(hHook);
        t_pRun = nullptr;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_result = result;
        m_done = true;
        m_changed.notify_all();
    });
    std::unique_lock<std::mutex> lock(started);
    startedCv.wait(lock, [&] { return bStarted; });
}

DialogRun::~DialogRun()
{
    EndEverything();
    if (WaitForResult(10000) == kNoResult)
        m_thread.detach();  // the code under test hangs: leave it, the test has failed
    else
        m_thread.join();
}

LRESULT CALLBACK DialogRun::RecordHook(int nCode, WPARAM wParam, LPARAM lParam)
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

    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_claim == nullptr && IsClaimDialog(msg.hwnd))
        m_claim = msg.hwnd;
    if (bNewBox) {
        view.claimVisible = m_claim != nullptr && ::IsWindowVisible(m_claim);
        m_events.push_back("box: " + view.caption);
        m_boxes.push_back(view);
        m_boxWindows.push_back(msg.hwnd);
        m_changed.notify_all();
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
}

HWND DialogRun::WaitForClaimDialog(DWORD ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_claimVisible || m_done; });
    return m_claimVisible ? m_claim : nullptr;
}

HWND DialogRun::WaitForMessageBox(DWORD ms)
{
    HWND hBox = nullptr;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_changed.wait_for(lock, std::chrono::milliseconds(ms),
                                [this] { return m_boxWindows.size() > m_boxesTaken || m_done; }) ||
            m_boxWindows.size() <= m_boxesTaken)
            return nullptr;
        hBox = m_boxWindows[m_boxesTaken++];
    }
    return WaitFor([hBox] { return ::IsWindowVisible(hBox) != FALSE; }, ms) ? hBox : nullptr;
}

int DialogRun::WaitForResult(DWORD ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_done; });
    return m_done ? m_result : kNoResult;
}

std::vector<std::string> DialogRun::Events() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
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

void DialogRun::EndEverything()
{
    DWORD start = ::GetTickCount();
    while (WaitForResult(0) == kNoResult && ::GetTickCount() - start < 10000) {
        for (HWND hWnd : ThreadWindows(m_threadId)) {
            if (IsMessageBox(hWnd))
                ::PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
            else if (IsClaimDialog(hWnd))
                ::PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
        }
        WaitForResult(50);
    }
}

} // namespace ui

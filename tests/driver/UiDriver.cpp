#include "UiDriver.h"
#include "DialogClass.h"
#include "resource.h"
#include <algorithm>
#include <chrono>

namespace ui {

namespace {

// The run whose hook is installed on the calling thread.
thread_local DialogRun* t_pRun = nullptr;

// Polls cond every 10 ms until it holds or ms have passed.
bool PollFor(const std::function<bool()>& cond, DWORD ms)
{
    DWORD start = ::GetTickCount();
    while (!cond()) {
        if (::GetTickCount() - start > ms)
            return false;
        ::Sleep(10);
    }
    return true;
}

BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM lParam)
{
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
    return TRUE;
}

DWORD WINAPI DoNothing(LPVOID)
{
    return 0;
}

std::vector<HWND> ThreadWindows(DWORD threadId)
{
    std::vector<HWND> windows;
    ::EnumThreadWindows(threadId, CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
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

std::string WindowText(HWND hWnd)
{
    int nLen = static_cast<int>(::SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
    std::string text(static_cast<size_t>(nLen) + 1, '\0');
    int nGot = static_cast<int>(::SendMessageA(hWnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0])));
    text.resize(static_cast<size_t>(nGot > 0 ? nGot : 0));
    return text;
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
    RECT rc = ScreenRect(hWnd);
    int x = (rc.left + rc.right) / 2, y = (rc.top + rc.bottom) / 2;
    int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[3] = {};
    for (INPUT& in : inputs) {
        in.type = INPUT_MOUSE;
        in.mi.dx = x * 65535 / (cx - 1);
        in.mi.dy = y * 65535 / (cy - 1);
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    // Move first and press only once the pointer has stayed on the target:
    // under Wine a late pointer event can otherwise put it back in between.
    ::SendInput(1, &inputs[0], sizeof(INPUT));
    DWORD start = ::GetTickCount(), settledSince = 0;
    for (;;) {
        POINT pt;
        ::GetCursorPos(&pt);
        DWORD now = ::GetTickCount();
        if (pt.x == x && pt.y == y) {
            if (settledSince == 0)
                settledSince = now;
            if (now - settledSince >= 30)
                break;
        } else {
            settledSince = 0;
            if (now - start > 1000)
                break;
            ::SendInput(1, &inputs[0], sizeof(INPUT));
        }
        ::Sleep(5);
    }
    ::SendInput(2, &inputs[1], sizeof(INPUT));
}

void PressKey(HWND hWnd, WORD vk)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(hWnd, nullptr), &info);
    HWND hTarget = info.hwndFocus ? info.hwndFocus : hWnd;
    UINT scan = ::MapVirtualKeyA(vk, 0);
    ::PostMessageA(hTarget, WM_KEYDOWN, vk, 1 | (scan << 16));
    ::PostMessageA(hTarget, WM_KEYUP, vk, 1 | (scan << 16) | (3u << 30));
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
    return PollFor([hBox] { return ::IsWindowVisible(hBox) != FALSE; }, ms) ? hBox : nullptr;
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

RECT Image::Bounds(const std::function<bool(COLORREF)>& test) const
{
    RECT rc = { cx, cy, 0, 0 };
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x)
            if (test(At(x, y))) {
                rc.left = std::min<LONG>(rc.left, x);
                rc.top = std::min<LONG>(rc.top, y);
                rc.right = std::max<LONG>(rc.right, x + 1);
                rc.bottom = std::max<LONG>(rc.bottom, y + 1);
            }
    return rc.right == 0 ? RECT{ 0, 0, 0, 0 } : rc;
}

int Image::Count(const RECT& rc, const std::function<bool(COLORREF)>& test) const
{
    int n = 0;
    for (int y = std::max<LONG>(rc.top, 0); y < std::min<LONG>(rc.bottom, cy); ++y)
        for (int x = std::max<LONG>(rc.left, 0); x < std::min<LONG>(rc.right, cx); ++x)
            n += test(At(x, y)) ? 1 : 0;
    return n;
}

Canvas::Canvas(int cx, int cy, COLORREF clrFill) : m_cx(cx), m_cy(cy)
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    m_hDC = ::CreateCompatibleDC(nullptr);
    m_hBitmap = ::CreateDIBSection(m_hDC, &bmi, DIB_RGB_COLORS, &m_pBits, nullptr, 0);
    m_hOld = static_cast<HBITMAP>(::SelectObject(m_hDC, m_hBitmap));
    RECT rc = { 0, 0, cx, cy };
    HBRUSH hBrush = ::CreateSolidBrush(clrFill);
    ::FillRect(m_hDC, &rc, hBrush);
    ::DeleteObject(hBrush);
}

Canvas::~Canvas()
{
    ::SelectObject(m_hDC, m_hOld);
    ::DeleteObject(m_hBitmap);
    ::DeleteDC(m_hDC);
}

Image Canvas::Read() const
{
    ::GdiFlush();
    Image img;
    img.cx = m_cx;
    img.cy = m_cy;
    const DWORD* p = static_cast<const DWORD*>(m_pBits);
    for (int i = 0; i < m_cx * m_cy; ++i)
        img.px.push_back(RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF));
    return img;
}

uint32_t Canvas::Pixel(int x, int y) const
{
    ::GdiFlush();
    return static_cast<const uint32_t*>(m_pBits)[y * m_cx + x] & 0xFFFFFF;
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

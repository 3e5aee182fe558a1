// Drives the claim dialog and message boxes as a player would: real input
// from the test thread while the call runs on a thread of its own, or input
// posted from the dialog's own loop when the call runs on the test thread.
// Pixels are read from memory canvases (Pixels.h).
#pragma once
#include <windows.h>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include "DialogPlayer.h"
#include "ScreenInput.h"

namespace ui {

const DWORD kDefaultWaitMs = 5000;

// What a message box shows.
struct MessageBoxView {
    std::string caption;
    std::string text;
    bool errorIcon = false;  // the icon is the system's error (hand) icon
    bool anyIcon = false;
    std::vector<int> buttons;  // ids of the buttons it offers (IDOK, IDCANCEL...), ascending
    HWND owner = nullptr;
    bool claimVisible = false;  // the claim dialog was visible when the box appeared
};

using toolkit::IsClaimDialog;
using toolkit::IsMessageBox;
using toolkit::WindowText;
MessageBoxView ReadMessageBox(HWND hBox);
RECT ScreenRect(HWND hWnd);

// Player input, real (SendInput): a left click at the centre of a window; a
// press there that is released outside the window; keys pressed in order and
// released in reverse order (a chord such as {VK_SHIFT, VK_TAB}), reaching
// the window that has the keyboard focus in the foreground.
using toolkit::Click;
void PressReleasedOutside(HWND hWnd);
void PressKeys(const std::vector<WORD>& chord);

using toolkit::WaitFor;  // polls a condition every 10 ms, 5 s at most

// Player input posted straight to a window, as the system would deliver it:
// a left click at the centre of a button, a key press. Unlike real input it
// cannot land elsewhere when the pointer position is stale.
void PostClick(HWND hButton);
void PostKey(HWND hTarget, WORD vk);

// How a same-thread run answers each claim dialog once it has painted.
enum class Answer {
    Agree,     // a click posted to the Agree button (IDOK)
    Disagree,  // a click posted to the Disagree button (IDCANCEL)
    Escape,    // the Escape key posted to the control with the focus
    None,      // nothing: the OnPainted callback ends the dialog itself
};

// Watches one thread for the claim dialog (any dialog holding the text box
// 1000, also a plain one made by the system from the same template, or what
// the watch predicate accepts) and for message boxes, and records what the
// player would see, in order: "claim shown", "claim hidden",
// "box: <caption>: <text>". Every wait has a bound. Two modes:
// - on a thread of its own: call() runs modally there while the test thread
//   plays with real input; the destructor ends whatever is left open, so a
//   fault fails a test instead of hanging it;
// - on the calling thread (a test or benchmark calling ShowMainDialog many
//   times in a row): once a watched dialog and its controls have finished
//   their first paint, the OnPainted callback runs from the dialog's message
//   loop and then the answer is posted; every message box is dismissed with
//   OK as it opens.
class DialogRun {
public:
    explicit DialogRun(std::function<int()> call);
    explicit DialogRun(Answer answer, std::function<bool(HWND)> watch = IsClaimDialog);
    ~DialogRun();
    DialogRun(const DialogRun&) = delete;
    DialogRun& operator=(const DialogRun&) = delete;

    // ---- on a thread of its own
    // Each wait ends when the call's thread has waited ms without what is
    // waited for: the time it works does not count (two minutes at most).
    // The claim dialog once it is visible, or null.
    HWND WaitForClaimDialog(DWORD ms = kDefaultWaitMs);
    // The next message box not yet returned, once it is visible, or null.
    HWND WaitForMessageBox(DWORD ms = kDefaultWaitMs);
    // The call's result, or kNoResult when it has not returned in time.
    static constexpr int kNoResult = -1000;
    int WaitForResult(DWORD ms = kDefaultWaitMs);
    DWORD ThreadId() const { return m_threadId; }
    // Every message box seen, in order.
    std::vector<MessageBoxView> Boxes() const;

    // ---- on the calling thread
    // Called with the time the first paint ended (QueryPerformanceCounter).
    // It may run messages itself.
    using PaintedFn = std::function<void(HWND hDlg, LONGLONG paintedAt)>;
    void SetAnswer(Answer answer) { m_answer = answer; }
    void OnPainted(PaintedFn fn) { m_onPainted = std::move(fn); }
    // How many windows the last dialog's first paint took: the dialog and its
    // visible controls.
    size_t WindowsPainted() const { return m_nPainted; }
    // Takes the hooks off the thread while a measurement runs in the
    // callback, so that they add nothing to the messages it sends.
    void RemoveHooks();
    void RestoreHooks();

    // ---- both
    // What was recorded since the last call, in order.
    std::vector<std::string> TakeEvents();

private:
    static LRESULT CALLBACK SentHook(int nCode, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK GetHook(int nCode, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK HelperProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Record(const CWPRETSTRUCT& msg);
    void PaintEnded(HWND hWnd);
    void Play(HWND hDlg);
    // Closes every window the run's thread still shows.
    void EndEverything();
    // Whether the call has returned, waiting up to ms.
    bool Ended(DWORD ms);
    // Waits until done() holds (under lock), for ms at a time while the
    // call's thread keeps working.
    bool WaitWhileTheCallWorks(std::unique_lock<std::mutex>& lock, DWORD ms, const std::function<bool()>& done);

    const bool m_bSameThread;
    const std::function<bool(HWND)> m_watch;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_events;
    std::vector<MessageBoxView> m_boxes;
    std::vector<HWND> m_boxWindows;
    size_t m_boxesTaken = 0;
    HWND m_claim = nullptr;
    bool m_claimVisible = false;
    bool m_done = false;
    int m_result = kNoResult;
    DWORD m_threadId = 0;
    std::thread m_thread;

    HHOOK m_hSentHook = nullptr;
    HHOOK m_hGetHook = nullptr;
    HWND m_hHelper = nullptr;
    Answer m_answer = Answer::Agree;
    PaintedFn m_onPainted;
    // The dialog being painted for the first time, its windows still to
    // finish that paint, and the window whose dispatched paint is running.
    HWND m_hTracked = nullptr;
    std::vector<HWND> m_unpainted;
    HWND m_hPaintRunning = nullptr;
    LONGLONG m_paintedAt = 0;
    size_t m_nPainted = 0;
};

// Pumps the calling thread's messages for up to ms milliseconds or until
// done() holds.
bool PumpUntil(const std::function<bool()>& done, DWORD ms);

// Starts a thread that does nothing, as a game starts one (CreateThread),
// and waits up to 10 s for its end; false when it did not end.
bool RunIdleThread();

} // namespace ui

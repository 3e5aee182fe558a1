// Drives the claim dialog and message boxes as a player would, from the test
// thread, while the code under test runs modally on a thread of its own.
//
// A hook on the dialog's thread records what the player would see, in order
// (windows shown and hidden, message boxes with their texts). Every wait has
// a bound, and the run's destructor ends whatever is left open, so a fault
// fails a test instead of hanging it. Pixels are read from memory canvases.
#pragma once
#include <windows.h>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
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

// The claim dialog is a dialog holding the text box 1000; a message box is a
// dialog holding the static text 0xFFFF.
bool IsClaimDialog(HWND hWnd);
bool IsMessageBox(HWND hWnd);

using toolkit::WindowText;
MessageBoxView ReadMessageBox(HWND hBox);
RECT ScreenRect(HWND hWnd);

// Player input, real (SendInput): a left click at the centre of a window; a
// press there that is released outside the window; keys pressed in order and
// released in reverse order (a chord such as {VK_SHIFT, VK_TAB}), reaching
// the window that has the keyboard focus in the foreground.
void Click(HWND hWnd);
void PressReleasedOutside(HWND hWnd);
void PressKeys(const std::vector<WORD>& chord);

// Polls cond every 10 ms until it holds or ms have passed.
inline bool WaitFor(const std::function<bool()>& cond, DWORD ms = kDefaultWaitMs)
{
    return toolkit::WaitFor(cond, ms);
}

class DialogRun {
public:
    // Runs call() on a new thread with the recording hook installed there.
    explicit DialogRun(std::function<int()> call);
    ~DialogRun();
    DialogRun(const DialogRun&) = delete;
    DialogRun& operator=(const DialogRun&) = delete;

    // The claim dialog once it is visible, or null after the bound.
    HWND WaitForClaimDialog(DWORD ms = kDefaultWaitMs);
    // The next message box not yet returned, once it is visible, or null.
    HWND WaitForMessageBox(DWORD ms = kDefaultWaitMs);
    // The call's result, or kNoResult when it has not returned in time.
    static constexpr int kNoResult = -1000;
    int WaitForResult(DWORD ms = kDefaultWaitMs);

    // What was recorded so far: "claim shown", "claim hidden",
    // "box: <caption>" lines, in order.
    std::vector<std::string> Events() const;
    // Every message box seen, in order.
    std::vector<MessageBoxView> Boxes() const;
    DWORD ThreadId() const { return m_threadId; }

private:
    static LRESULT CALLBACK RecordHook(int nCode, WPARAM wParam, LPARAM lParam);
    void Record(const CWPRETSTRUCT& msg);
    // Closes every window the run's thread still shows.
    void EndEverything();

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
};

// Pumps the calling thread's messages for up to ms milliseconds or until
// done() holds.
bool PumpUntil(const std::function<bool()>& done, DWORD ms);

// Starts a thread that does nothing, as a game starts one (CreateThread),
// and waits up to 10 s for its end; false when it did not end.
bool RunIdleThread();

} // namespace ui

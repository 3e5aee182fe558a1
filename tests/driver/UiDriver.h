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

std::string WindowText(HWND hWnd);
MessageBoxView ReadMessageBox(HWND hBox);
RECT ScreenRect(HWND hWnd);

// Player input: a left click at the centre of a window, and a key press sent
// to the window that has the keyboard focus on hWnd's thread.
void Click(HWND hWnd);
void PressKey(HWND hWnd, WORD vk);

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

// Pixels a player sees, read back from a 32-bit memory canvas.
struct Image {
    int cx = 0, cy = 0;
    std::vector<COLORREF> px;  // rows from the top
    COLORREF At(int x, int y) const { return px[y * cx + x]; }
    // Smallest rectangle holding every pixel that passes test (empty if none).
    RECT Bounds(const std::function<bool(COLORREF)>& test) const;
    int Count(const RECT& rc, const std::function<bool(COLORREF)>& test) const;
};

// A top-down 32-bit DIB section selected into a memory DC, filled with one colour.
class Canvas {
public:
    Canvas(int cx, int cy, COLORREF clrFill = RGB(255, 255, 255));
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC hdc() const { return m_hDC; }
    Image Read() const;
    // One pixel as the section holds it: 0x00RRGGBB.
    uint32_t Pixel(int x, int y) const;

private:
    int m_cx, m_cy;
    HDC m_hDC;
    HBITMAP m_hBitmap, m_hOld;
    void* m_pBits;
};

// Starts a thread that does nothing, as a game starts one (CreateThread),
// and waits up to 10 s for its end; false when it did not end.
bool RunIdleThread();

} // namespace ui

// Plays the claim dialog and the message boxes that come up on the calling
// thread, so that a test or benchmark can call ShowMainDialog many times in a
// row on one thread, fast and without a second thread.
//
// Hooks on the thread watch for the claim dialog (any dialog holding the text
// box 1000, also a plain one made by the system from the same template) and
// for message boxes. Once the dialog and all its controls have finished their
// first paint, the player runs the caller's callback and then posts the
// answer as input to the dialog (a click on a button, or the Escape key).
// Every message box is read and dismissed with OK when it opens.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace ui {

// Input posted straight to a window, as the system would deliver it: a left
// click at the centre of a button, a key press. Unlike real input it cannot
// land elsewhere when the pointer position is stale.
void PostClick(HWND hButton);
void PostKey(HWND hTarget, WORD vk);

class SameThreadPlayer {
public:
    enum class Answer {
        Agree,     // a click posted to the Agree button (IDOK)
        Disagree,  // a click posted to the Disagree button (IDCANCEL)
        Escape,    // the Escape key posted to the control with the focus
        None,      // nothing: the callback ends the dialog itself
    };
    // Called on this thread from the dialog's message loop once the dialog
    // and its controls have painted, with the time of the end of that paint
    // (QueryPerformanceCounter). It may run messages itself.
    using PaintedFn = std::function<void(HWND hDlg, LONGLONG paintedAt)>;

    SameThreadPlayer();
    ~SameThreadPlayer();
    SameThreadPlayer(const SameThreadPlayer&) = delete;
    SameThreadPlayer& operator=(const SameThreadPlayer&) = delete;

    // The answer for the claim dialogs from now on.
    void SetAnswer(Answer answer) { m_answer = answer; }
    void OnPainted(PaintedFn fn) { m_onPainted = std::move(fn); }
    // How many windows the last claim dialog's first paint took: the dialog
    // and its visible controls.
    size_t WindowsPainted() const { return m_nPainted; }

    // Takes the hooks off the thread while a measurement runs in the
    // callback, so that they add nothing to the messages it sends; puts them
    // back after.
    void RemoveHooks();
    void RestoreHooks();

    // What the player saw since the last TakeLog, in order: "claim" for each
    // claim dialog painted, "box: <caption>: <text>" for each message box.
    std::vector<std::string> TakeLog();

private:
    static LRESULT CALLBACK SentHook(int nCode, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK GetHook(int nCode, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK HelperProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void PaintEnded(HWND hWnd);
    void Play(HWND hDlg, LONGLONG paintedAt);

    HHOOK m_hSentHook = nullptr;
    HHOOK m_hGetHook = nullptr;
    HWND m_hHelper = nullptr;
    Answer m_answer = Answer::Agree;
    PaintedFn m_onPainted;
    std::vector<std::string> m_log;
    // The claim dialog being watched, its windows still to finish a paint,
    // and the window whose dispatched paint is running.
    HWND m_hDlg = nullptr;
    std::vector<HWND> m_unpainted;
    HWND m_hPaintRunning = nullptr;
    LONGLONG m_paintedAt = 0;
    size_t m_nPainted = 0;
};

} // namespace ui

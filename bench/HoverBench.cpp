// Hover: the mouse pointer crosses the Agree button again and again, moved
// by real input (SendInput) from the dialog's own thread. Measures how many
// mouse moves the button's window procedure takes per second of dispatch,
// against the same moves over the plain system dialog made from the same
// template, and how often the button repaints per entry (one repaint when
// the pointer enters, one when it leaves). Asserts nothing.
#include "BenchSupport.h"
#include "UiDriver.h"
#include "UiDriver.h"

namespace {

const int kPasses = 40;
const int kStepsAcross = 12;

struct Sweep {
    std::vector<double> movesPerSecond;  // one value per pass
    long moves = 0;
    long entries = 0;          // moves into the button from elsewhere
    long paintsInside = 0;     // button repaints while the pointer is on it
    long leaves = 0;           // WM_MOUSELEAVE taken by the button
    long paintsAfterLeave = 0; // button repaints once the pointer has left
    std::vector<double> leaveLatencies;  // ms from leaving to the leave notice
    bool ran = false;
};

void MoveTo(int x, int y)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = toolkit::AbsoluteInputCoordinate(x, ::GetSystemMetrics(SM_CXSCREEN));
    in.mi.dy = toolkit::AbsoluteInputCoordinate(y, ::GetSystemMetrics(SM_CYSCREEN));
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &in, sizeof(in));
}

// Dispatches this thread's messages, timing the button's mouse moves and
// counting its repaints and leave notices.
class Pump {
public:
    Pump(HWND hButton, Sweep& sweep) : m_hButton(hButton), m_sweep(sweep) {}

    // Runs until no message has come for quietMs, or with waitForLeave until
    // the button's leave notice has come too (at most 2 s). Returns the
    // seconds spent dispatching mouse moves to the button and adds the moves
    // to *pMoves.
    double Run(DWORD quietMs, bool pointerInside, bool waitForLeave, long* pMoves)
    {
        double seconds = 0;
        const long leavesBefore = m_sweep.leaves;
        const DWORD start = ::GetTickCount();
        DWORD lastMessage = start;
        for (;;) {
            MSG msg;
            if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                const DWORD now = ::GetTickCount();
                const bool bLeft = !waitForLeave || m_sweep.leaves > leavesBefore;
                if ((bLeft && now - lastMessage >= quietMs) || now - start > 2000)
                    return seconds;
                ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
                continue;
            }
            lastMessage = ::GetTickCount();
            const bool bButton = msg.hwnd == m_hButton;
            if (msg.message == WM_MOUSEMOVE) {
                if (bButton && !m_bLastOnButton)
                    ++m_sweep.entries;
                m_bLastOnButton = bButton;
            }
            if (bButton && msg.message == WM_PAINT)
                ++(pointerInside ? m_sweep.paintsInside : m_sweep.paintsAfterLeave);
            if (bButton && msg.message == WM_MOUSELEAVE) {
                ++m_sweep.leaves;
                m_sweep.leaveLatencies.push_back(bench::NowMs() - m_leftAt);
            }
            const double t0 = bench::NowMs();
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
            if (bButton && msg.message == WM_MOUSEMOVE) {
                seconds += (bench::NowMs() - t0) / 1000.0;
                ++*pMoves;
            }
        }
    }
    void PointerLeft() { m_leftAt = bench::NowMs(); }

private:
    HWND m_hButton;
    Sweep& m_sweep;
    bool m_bLastOnButton = false;
    double m_leftAt = 0;
};

void RunSweep(HWND hDlg, Sweep& sweep)
{
    HWND hButton = ::GetDlgItem(hDlg, IDOK);
    const RECT rb = ui::ScreenRect(hButton);
    const int y = (rb.top + rb.bottom) / 2;
    const int xOutside = rb.left - 12;  // the dialog's background left of the button
    Pump pump(hButton, sweep);
    long unused = 0;
    MoveTo(xOutside, y);
    pump.Run(50, false, false, &unused);
    for (int pass = 0; pass < kPasses; ++pass) {
        long moves = 0;
        double seconds = 0;
        const long paintsBefore = sweep.paintsInside;
        for (int k = 0; k < kStepsAcross; ++k) {
            MoveTo(rb.left + 1 + (rb.right - rb.left - 3) * k / (kStepsAcross - 1), y);
            seconds += pump.Run(2, true, false, &moves);
        }
        // A button that took the hover waits for its leave notice.
        pump.PointerLeft();
        MoveTo(xOutside, y);
        pump.Run(10, false, sweep.paintsInside > paintsBefore, &unused);
        sweep.moves += moves;
        if (seconds > 0)
            sweep.movesPerSecond.push_back(moves / seconds);
    }
    sweep.ran = true;
}

// The system calls a hover check makes for each move, timed alone (us per
// move): where the pointer is over, and which window is active.
double HoverCheckCalls(HWND hDlg)
{
    HWND hButton = ::GetDlgItem(hDlg, IDOK);
    const int n = 500;
    const double t0 = bench::NowMs();
    for (int i = 0; i < n; ++i) {
        POINT pt = {5, 5};
        ::ClientToScreen(hButton, &pt);
        ::WindowFromPoint(pt);
        ::GetActiveWindow();
    }
    return (bench::NowMs() - t0) * 1000.0 / n;
}

} // namespace

int bench::Run(Library& lib, ui::DialogRun& player)
{
    Sweep skinned, plain;
    double callsUs = 0;
    player.OnPainted([&](HWND hDlg, LONGLONG) {
        player.RemoveHooks();
        RunSweep(hDlg, skinned);
        callsUs = HoverCheckCalls(hDlg);
        player.RestoreHooks();
    });
    lib.Show();
    player.OnPainted([&](HWND hDlg, LONGLONG) {
        player.RemoveHooks();
        RunSweep(hDlg, plain);
        player.RestoreHooks();
    });
    bench::RunPlainDialog(lib.Module());
    if (!skinned.ran || !plain.ran || skinned.movesPerSecond.empty() || plain.movesPerSecond.empty())
        return bench::Fail("a dialog did not paint, or no move reached its button");

    const double rate = bench::Median(skinned.movesPerSecond), floor = bench::Median(plain.movesPerSecond);
    const double perEntry = skinned.entries ? static_cast<double>(skinned.paintsInside) / skinned.entries : 0.0;
    const double perLeave = skinned.leaves ? static_cast<double>(skinned.paintsAfterLeave) / skinned.leaves : 0.0;
    bench::PrintTable("hover_bench: mouse over the Agree button",
        {bench::Format("%d passes of the pointer across the Agree button in %d steps, by SendInput from the dialog's "
                       "thread, the messages dispatched by the benchmark. Moves per second count only the time "
                       "spent in the button's window procedure for WM_MOUSEMOVE; median over the passes. The floor "
                       "is the same over the plain system dialog from the same template. The ratio is the cost of "
                       "one move against the floor's (floor rate / rate).",
                       kPasses, kStepsAcross),
         bench::Format("Skinned: %ld moves, %ld entries, %ld repaints on the button while the pointer was on it, "
                       "%ld leave notices, %ld repaints after leaving. Plain: %ld moves, %ld entries, %ld repaints.",
                       skinned.moves, skinned.entries, skinned.paintsInside, skinned.leaves,
                       skinned.paintsAfterLeave, plain.moves, plain.entries, plain.paintsInside)},
        {{"mouse moves per second of dispatch", bench::Format("%.0f", rate), bench::Format("%.0f", floor),
          bench::Format("%.3f", floor / rate), "", ""},
         {"one move (us)", bench::Format("%.1f", 1e6 / rate), bench::Format("%.1f", 1e6 / floor),
          bench::Format("%.3f", floor / rate), "", ""},
         {"of which WindowFromPoint and GetActiveWindow alone (us)", bench::Format("%.1f", callsUs), "", "", "", ""},
         {"repaints per entry", bench::Format("%.3f", perEntry), "", "", "exactly 1", perEntry == 1.0 ? "yes" : "no"},
         {"repaints per leave", bench::Format("%.3f", perLeave), "", "", "exactly 1", perLeave == 1.0 ? "yes" : "no"},
         {"leave notice after the pointer left (ms)", bench::Format("%.1f", bench::Median(skinned.leaveLatencies)), "",
          "", "", ""}});
    return 0;
}

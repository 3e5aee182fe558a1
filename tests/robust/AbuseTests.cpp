// Abuse while the dialog is up: closed, destroyed and quit from outside, the
// focus taken away. The call always returns a result of the table, and
// nothing crashes or hangs.
// Clicks are posted to the buttons: real input can land where the pointer
// was before under Wine when windows are activated in quick succession.
#include "RobustFixture.h"
#include "CaseNames.h"

using ui::DialogRun;

namespace {

// Posted to a window of the dialog's thread: that thread destroys the window
// it was posted to, as code of the game on that thread might.
const UINT g_msgDestroy = ::RegisterWindowMessageA("TovikTestDestroyFromOutside");

LRESULT CALLBACK DestroyOnRequest(int nCode, WPARAM wParam, LPARAM lParam)
{
    MSG* msg = reinterpret_cast<MSG*>(lParam);
    if (nCode == HC_ACTION && wParam == PM_REMOVE && msg->message == g_msgDestroy) {
        msg->message = WM_NULL;
        ::DestroyWindow(msg->hwnd);
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

// A top-level window of the test's own that takes the focus away.
class OtherWindow {
public:
    OtherWindow()
    {
        m_hWnd = ::CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700, 50, 200, 150, nullptr,
                                   nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ::SetForegroundWindow(m_hWnd);
    }
    ~OtherWindow() { ::DestroyWindow(m_hWnd); }
    HWND Get() const { return m_hWnd; }

private:
    HWND m_hWnd;
};

// Pumps the test thread's messages until hWnd is the foreground window and
// its thread has seen its activation.
bool BecomesActive(HWND hWnd)
{
    return ui::PumpUntil(
        [hWnd] {
            GUITHREADINFO info = {};
            info.cbSize = sizeof(info);
            return ::GetForegroundWindow() == hWnd &&
                   ::GetGUIThreadInfo(::GetWindowThreadProcessId(hWnd, nullptr), &info) && info.hwndActive == hWnd;
        },
        3000);
}

enum class When { DialogUp, MustAgreeBoxUp, FileErrorBoxUp };

// The dialog, and the message box that is up when the abuse starts (or null).
using AbuseFn = std::function<void(HWND hDlg, HWND hBox, DialogRun& run)>;

struct AbuseCase {
    const char* trace;
    When when;
    AbuseFn abuse;
    std::vector<std::string> events;  // what the player saw, in order
    int result;
};

void AnswerNextBox(DialogRun& run)
{
    if (HWND hBox = run.WaitForMessageBox())
        ui::PostClick(::GetDlgItem(hBox, IDOK));
}

const std::vector<std::string> kShownThenMustAgree = {"claim shown", "claim hidden", LOG_MUST_AGREE};
const std::vector<std::string> kShownThenEnded = {"claim shown", "claim hidden"};

} // namespace

class Abuse : public RobustFixture, public ::testing::WithParamInterface<AbuseCase> {
};

TEST_P(Abuse, CallEndsWithAResultOfTheTable)
{
    const AbuseCase& c = GetParam();
    SCOPED_TRACE(c.trace);
    if (c.when != When::FileErrorBoxUp)
        WriteClaim(kSampleClaim);
    ShowFn pfnShow = m_pfnShow;
    DialogRun run([pfnShow] {
        HHOOK hHook = ::SetWindowsHookExA(WH_GETMESSAGE, DestroyOnRequest, nullptr, ::GetCurrentThreadId());
        int result = pfnShow(kRightCode);
        ::UnhookWindowsHookEx(hHook);
        return result;
    });

    HWND hDlg = nullptr;
    HWND hBox = nullptr;
    if (c.when == When::FileErrorBoxUp) {
        hBox = run.WaitForMessageBox();
        ASSERT_NE(hBox, nullptr);
        hDlg = run.Boxes().at(0).owner;
    } else {
        hDlg = run.WaitForClaimDialog();
        ASSERT_NE(hDlg, nullptr);
        if (c.when == When::MustAgreeBoxUp) {
            ui::PostClick(::GetDlgItem(hDlg, IDCANCEL));
            hBox = run.WaitForMessageBox();
            ASSERT_NE(hBox, nullptr);
        }
    }
    ASSERT_TRUE(::IsWindow(hDlg));
    c.abuse(hDlg, hBox, run);

    const int result = run.WaitForResult();
    EXPECT_EQ(result, c.result);
    EXPECT_TRUE(result == 0 || result == 1 || result == 8);
    EXPECT_EQ(run.TakeEvents(), c.events);
    EXPECT_FALSE(::IsWindow(hDlg)) << "the dialog is gone after the call";
}

INSTANTIATE_TEST_SUITE_P(Ways, Abuse,
    ::testing::Values(
        AbuseCase{"WM_CLOSE sent by another window", When::DialogUp,
                  [](HWND hDlg, HWND, DialogRun& run) {
                      OtherWindow other;
                      DWORD_PTR r = 0;
                      ::SendMessageTimeoutA(hDlg, WM_CLOSE, 0, 0, SMTO_NORMAL, 3000, &r);
                      AnswerNextBox(run);
                  },
                  kShownThenMustAgree, 1},
        AbuseCase{"the system's close command", When::DialogUp,
                  [](HWND hDlg, HWND, DialogRun& run) {
                      ::PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
                      AnswerNextBox(run);
                  },
                  kShownThenMustAgree, 1},
        // The close request waits behind the box and, once it is answered,
        // asks for agreement a second time.
        AbuseCase{"WM_CLOSE sent under the must-agree box", When::MustAgreeBoxUp,
                  [](HWND hDlg, HWND hBox, DialogRun& run) {
                      DWORD_PTR r = 0;
                      ::SendMessageTimeoutA(hDlg, WM_CLOSE, 0, 0, SMTO_NORMAL, 3000, &r);
                      ui::PostClick(::GetDlgItem(hBox, IDOK));
                      AnswerNextBox(run);
                  },
                  {"claim shown", "claim hidden", LOG_MUST_AGREE, LOG_MUST_AGREE}, 1},
        AbuseCase{"destroyed from outside while up", When::DialogUp,
                  [](HWND hDlg, HWND, DialogRun&) { ::PostMessageA(hDlg, g_msgDestroy, 0, 0); },
                  kShownThenEnded, 1},
        AbuseCase{"destroyed from outside under the must-agree box", When::MustAgreeBoxUp,
                  [](HWND hDlg, HWND, DialogRun&) { ::PostMessageA(hDlg, g_msgDestroy, 0, 0); },
                  kShownThenMustAgree, 1},
        AbuseCase{"destroyed from outside under the file error box", When::FileErrorBoxUp,
                  [](HWND hDlg, HWND, DialogRun&) { ::PostMessageA(hDlg, g_msgDestroy, 0, 0); },
                  {LOG_FILE_ERROR}, 1},
        AbuseCase{"WM_QUIT posted to the dialog's thread", When::DialogUp,
                  [](HWND, HWND, DialogRun& run) { ::PostThreadMessageA(run.ThreadId(), WM_QUIT, 0, 0); },
                  kShownThenEnded, 1},
        AbuseCase{"WM_QUIT posted under the must-agree box", When::MustAgreeBoxUp,
                  [](HWND, HWND, DialogRun& run) { ::PostThreadMessageA(run.ThreadId(), WM_QUIT, 0, 0); },
                  kShownThenMustAgree, 1},
        AbuseCase{"focus taken away and given back, then Agree", When::DialogUp,
                  [](HWND hDlg, HWND, DialogRun&) {
                      OtherWindow other;
                      EXPECT_TRUE(BecomesActive(other.Get()));
                      ::SetForegroundWindow(hDlg);
                      EXPECT_TRUE(BecomesActive(hDlg));
                      ui::PostClick(::GetDlgItem(hDlg, IDOK));
                  },
                  kShownThenEnded, 0},
        AbuseCase{"focus taken away, then Agree without giving it back", When::DialogUp,
                  [](HWND hDlg, HWND, DialogRun& run) {
                      OtherWindow other;
                      EXPECT_TRUE(BecomesActive(other.Get()));
                      ui::PostClick(::GetDlgItem(hDlg, IDOK));
                      run.WaitForResult();
                  },
                  kShownThenEnded, 0},
        AbuseCase{"focus taken away under the must-agree box", When::MustAgreeBoxUp,
                  [](HWND, HWND hBox, DialogRun&) {
                      OtherWindow other;
                      EXPECT_TRUE(BecomesActive(other.Get()));
                      ui::PostClick(::GetDlgItem(hBox, IDOK));
                  },
                  kShownThenMustAgree, 1}),
    NameCaseByTrace());

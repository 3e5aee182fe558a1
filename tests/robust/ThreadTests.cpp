// Calls from threads other than the one that loaded the library, one after
// another and two at the same time.
#include "RobustFixture.h"
#include "CaseNames.h"

using ui::DialogRun;
using Answer = ui::Answer;

namespace {

struct ThreadJob {
    ShowFn pfnShow;
    Answer answer;
    int result;
};

// A thread as a game makes it (CreateThread): one call, answered on the thread.
DWORD WINAPI CallOnce(LPVOID p)
{
    ThreadJob* job = static_cast<ThreadJob*>(p);
    ui::DialogRun player(ui::Answer::Agree);
    player.SetAnswer(job->answer);
    job->result = job->pfnShow(kRightCode);
    return 0;
}

int CallOnNewThread(ShowFn pfnShow, Answer answer)
{
    // The job lives on the heap: a thread that hangs keeps it to the end of
    // the process, and never writes into a stack frame that has gone.
    ThreadJob* job = new ThreadJob{pfnShow, answer, -1};
    HANDLE hThread = ::CreateThread(nullptr, 0, CallOnce, job, 0, nullptr);
    const bool bEnded = ::WaitForSingleObject(hThread, 10000) == WAIT_OBJECT_0;
    ::CloseHandle(hThread);
    if (!bEnded)
        return -2;  // hangs: the thread and its job are left to the end of the process
    const int result = job->result;
    delete job;
    return result;
}

// Moves a dialog to the left edge of the screen, so that both are in view.
void MoveLeft(HWND hDlg)
{
    ::SetWindowPos(hDlg, nullptr, 8, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Measures once a thread that does nothing has come and gone: the system
// frees an ended thread's stack only when the next one starts.
Figures MeasureAfterAThread()
{
    ui::RunIdleThread();
    return Measure();
}

} // namespace

class Threads : public RobustFixture {
};

// Each thread's framework state goes when the thread ends.
TEST_F(Threads, CallsFromThreadsTheGameMadeLeaveNothingBehind)
{
    WriteClaim(kSampleClaim);
    ASSERT_EQ(CallOnNewThread(m_pfnShow, Answer::Agree), 0);
    ASSERT_EQ(CallOnNewThread(m_pfnShow, Answer::Disagree), 1);

    const Figures before = MeasureAfterAThread();
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE("thread " + std::to_string(i));
        const bool bAgree = i % 2 == 0;
        EXPECT_EQ(CallOnNewThread(m_pfnShow, bAgree ? Answer::Agree : Answer::Disagree), bAgree ? 0 : 1);
    }
    // What the library holds is counted exactly by the ledger. The process
    // may gain a handle and a megabyte or two that the system keeps once
    // threads with windows have come and gone: seen as well with threads that
    // only show a message box, without the library.
    EXPECT_EQ(Growth(before, MeasureAfterAThread(), 4 << 20, 1), "");
}

struct TwoCallsCase {
    const char* trace;
    Answer first;          // how the first dialog is answered, last
    bool secondRightCode;  // the second call's code
    int firstResult;
    int secondResult;
};

class TwoCalls : public RobustFixture, public ::testing::WithParamInterface<TwoCallsCase> {
};

// While one thread's dialog is up a second thread calls; the second call is
// answered first, and each call gets its own answer.
TEST_P(TwoCalls, AtTheSameTimeEachGetsItsOwnAnswer)
{
    const TwoCallsCase& c = GetParam();
    SCOPED_TRACE(c.trace);
    WriteClaim(kSampleClaim);
    auto first = Start(kRightCode);
    HWND hFirst = first->WaitForClaimDialog();
    ASSERT_NE(hFirst, nullptr);
    MoveLeft(hFirst);

    auto second = Start(c.secondRightCode ? kRightCode : "not the access code");
    if (c.secondRightCode) {
        HWND hSecond = second->WaitForClaimDialog();
        ASSERT_NE(hSecond, nullptr);
        EXPECT_NE(hSecond, hFirst);
        EXPECT_NE(second->ThreadId(), first->ThreadId());
        ui::PostClick(::GetDlgItem(hSecond, IDCANCEL));
        HWND hBox = second->WaitForMessageBox();
        ASSERT_NE(hBox, nullptr);
        EXPECT_EQ(second->Boxes().at(0).owner, hSecond);
        EXPECT_EQ(second->Boxes().at(0).text, BIG5_MUST_AGREE);
        ui::PostClick(::GetDlgItem(hBox, IDOK));
    } else {
        HWND hBox = second->WaitForMessageBox();
        ASSERT_NE(hBox, nullptr);
        EXPECT_EQ(second->Boxes().at(0).text, "Access Denied!!");
        ui::PostClick(::GetDlgItem(hBox, IDOK));
    }
    EXPECT_EQ(second->WaitForResult(), c.secondResult);
    EXPECT_TRUE(::IsWindowVisible(hFirst)) << "the first dialog stays up";
    EXPECT_EQ(first->WaitForResult(0), DialogRun::kNoResult);

    if (c.first == Answer::Agree) {
        ui::PostClick(::GetDlgItem(hFirst, IDOK));
    } else {
        ui::PostKey(hFirst, VK_ESCAPE);
        HWND hBox = first->WaitForMessageBox();
        ASSERT_NE(hBox, nullptr);
        EXPECT_EQ(first->Boxes().at(0).owner, hFirst);
        ui::PostClick(::GetDlgItem(hBox, IDOK));
    }
    EXPECT_EQ(first->WaitForResult(), c.firstResult);
}

INSTANTIATE_TEST_SUITE_P(Pairs, TwoCalls,
    ::testing::Values(TwoCallsCase{"second disagrees, then first agrees", Answer::Agree, true, 0, 1},
                      TwoCallsCase{"second has a wrong code, then first escapes", Answer::Escape, false, 1, 8}),
    NameCaseByTrace());

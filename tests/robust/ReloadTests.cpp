// The caller unloads and reloads the library between calls: every unload
// gives back all the library took, whichever thread made the calls.
#include "RobustFixture.h"
#include <functional>

namespace {

using Answer = ui::Answer;

// The TLS slot the system gives out next: it moves up when a module keeps
// slots it was given.
DWORD NextTlsSlot()
{
    DWORD slot = ::TlsAlloc();
    ::TlsFree(slot);
    return slot;
}

// A thread of the caller's that makes calls when asked and lives on across
// unloads, as a game's thread does. Made with CreateThread, not the C++ library.
class CallerThread {
public:
    CallerThread()
    {
        m_hRequest = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
        m_hDone = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
        m_hThread = ::CreateThread(nullptr, 0, &CallerThread::Main, this, 0, nullptr);
    }
    ~CallerThread()
    {
        Run(nullptr);
        ::WaitForSingleObject(m_hThread, 10000);
        ::CloseHandle(m_hThread);
        ::CloseHandle(m_hDone);
        ::CloseHandle(m_hRequest);
    }
    // Runs job on the thread; a null job ends the thread.
    bool Run(std::function<void(ui::DialogRun&)> job)
    {
        m_job = std::move(job);
        m_bQuit = !m_job;
        ::SetEvent(m_hRequest);
        return m_bQuit || ::WaitForSingleObject(m_hDone, 10000) == WAIT_OBJECT_0;
    }

private:
    static DWORD WINAPI Main(LPVOID p)
    {
        CallerThread* self = static_cast<CallerThread*>(p);
        ui::DialogRun player(ui::Answer::Agree);
        for (;;) {
            ::WaitForSingleObject(self->m_hRequest, INFINITE);
            if (self->m_bQuit)
                return 0;
            self->m_job(player);
            ::SetEvent(self->m_hDone);
        }
    }

    HANDLE m_hRequest = nullptr;
    HANDLE m_hDone = nullptr;
    HANDLE m_hThread = nullptr;
    std::function<void(ui::DialogRun&)> m_job;
    bool m_bQuit = false;
};

// What loading, calling and unloading the smallest DLL built like the
// library, which reads a picture as the library does, leaves in the process
// over n cycles of nCallsPerCycle calls: the cost of the C++ runtime (its
// threading support keeps a record of the loading thread) and of the system.
ProcessFigures RuntimeFloorGrowth(int n, int nCallsPerCycle)
{
    const std::string path = ProgramFolder() + "\\runtime_floor.dll";
    auto cycle = [&path, nCallsPerCycle] {
        HMODULE hDll = ::LoadLibraryA(path.c_str());
        if (hDll == nullptr)
            return false;
        void* proc = reinterpret_cast<void*>(::GetProcAddress(hDll, "RuntimeFloor"));
        auto pfn = reinterpret_cast<int(__cdecl*)(int)>(proc);
        bool bOk = pfn != nullptr;
        for (int i = 0; i < nCallsPerCycle && bOk; ++i)
            bOk = pfn(0) == 0;
        ::FreeLibrary(hDll);
        return bOk;
    };
    ProcessFigures growth;
    growth.kernelHandles = -1;
    if (!cycle())
        return growth;
    const ProcessFigures before = MeasureProcess();
    for (int i = 0; i < n; ++i)
        cycle();
    const ProcessFigures after = MeasureProcess();
    growth.kernelHandles = after.kernelHandles - before.kernelHandles;
    growth.privateBytes = after.privateBytes - before.privateBytes;
    return growth;
}

struct ReloadCase {
    const char* trace;
    bool callOnLoaderThread;  // else on a thread that lives on across the unloads
};

} // namespace

class Reload : public RobustFixture, public ::testing::WithParamInterface<ReloadCase> {
};

TEST_P(Reload, UnloadLeavesNothingBehind)
{
    SCOPED_TRACE(GetParam().trace);
    const std::string dllPath = ProgramFolder() + "\\TovikDlg.dll";
    CallerThread worker;
    ui::DialogRun loaderPlayer(ui::Answer::Agree);
    int nResults[2] = {};

    // One cycle: load, three calls (Agree, Disagree, missing file), unload.
    auto cycle = [&] {
        LoadAndCount(dllPath);
        ShowMainDialogFn pfnShow = m_pfnShow;
        auto calls = [&, pfnShow](ui::DialogRun& player) {
            WriteClaim(kSampleClaim);
            player.SetAnswer(Answer::Agree);
            nResults[pfnShow(kRightCode) == 0 ? 0 : 1] += 1;
            player.SetAnswer(Answer::Disagree);
            nResults[pfnShow(kRightCode) == 1 ? 0 : 1] += 1;
            ::DeleteFileA((m_folder + "\\Claim.txt").c_str());
            nResults[pfnShow(kRightCode) == 1 ? 0 : 1] += 1;
            player.TakeEvents();
        };
        if (GetParam().callOnLoaderThread)
            calls(loaderPlayer);
        else
            ASSERT_TRUE(worker.Run(calls)) << "the calls did not end";
        ::FreeLibrary(m_hLib);
        m_hLib = nullptr;
    };

    const int kCycles = 20;
    // Each of the three calls reads the background picture.
    const ProcessFigures floor = RuntimeFloorGrowth(kCycles, 3);
    ASSERT_GE(floor.kernelHandles, 0) << "runtime_floor.dll does not load or cannot read its picture";

    // The first cycle makes what the system keeps for the rest of the process.
    cycle();
    const Figures before = Measure();
    const DWORD tlsBefore = NextTlsSlot();
    ledger::Reset();
    for (int i = 0; i < kCycles; ++i)
        cycle();
    const Figures after = Measure();
    std::printf("%d unloads: process kernel handles %+ld, private bytes %+lld; the floor DLL: %+ld, %+lld\n",
                kCycles, after.process.kernelHandles - before.process.kernelHandles,
                after.process.privateBytes - before.process.privateBytes, floor.kernelHandles, floor.privateBytes);

    EXPECT_EQ(nResults[1], 0) << "wrong results";
    EXPECT_EQ(nResults[0], 3 * kCycles + 3);
    EXPECT_EQ(::GetModuleHandleA("TovikDlg.dll"), nullptr);
    EXPECT_EQ(NextTlsSlot(), tlsBefore) << "TLS slots kept after unload";
    // Nothing the library made after its load is left once it is unloaded.
    EXPECT_EQ(ledger::LiveObjects(), std::vector<std::string>());
    // Beyond the floor's, nothing of the process grows (memory within 1 MB).
    EXPECT_EQ(Growth(before, after, floor.privateBytes + (1 << 20), floor.kernelHandles), "");
}

INSTANTIATE_TEST_SUITE_P(Callers, Reload,
    ::testing::Values(ReloadCase{"calls on the thread that loads and unloads", true},
                      ReloadCase{"calls on a thread that outlives each unload", false}),
    [](const ::testing::TestParamInfo<ReloadCase>& info) {
        return info.param.callOnLoaderThread ? std::string("LoaderThread") : std::string("LongLivedThread");
    });

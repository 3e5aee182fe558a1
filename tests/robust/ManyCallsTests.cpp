// A thousand calls in a row in one process, ended every way a call can end:
// every result right, every message right, and nothing left behind.
#include "RobustFixture.h"

namespace {

using Answer = ui::Answer;

enum class End { Agree, Disagree, Escape, MissingFile };
const std::string kEndNames[] = {"Agree", "Disagree", "Escape", "missing file"};

// A fixed mix of the four ends. The first missing file comes only after 200
// calls: from then on Disagree and Escape end without their message, so both
// halves get many calls.
std::vector<End> MixedEnds(int nCalls)
{
    std::vector<End> ends;
    unsigned seed = 12345;
    for (int i = 0; i < nCalls; ++i) {
        seed = seed * 1103515245u + 12345u;
        End end = static_cast<End>((seed >> 16) % 4);
        if (end == End::MissingFile && i < 200)
            end = static_cast<End>((seed >> 20) % 3);
        ends.push_back(end);
    }
    return ends;
}

} // namespace

class ManyCalls : public RobustFixture {
protected:
    // Runs one call ending as given; returns "" or what went wrong.
    std::string Call(ui::DialogRun& player, End end)
    {
        const std::string claimPath = m_folder + "\\Claim.txt";
        const bool bPresent = ::GetFileAttributesA(claimPath.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (end == End::MissingFile && bPresent)
            ::DeleteFileA(claimPath.c_str());
        else if (end != End::MissingFile && !bPresent)
            WriteClaim(kSampleClaim);

        static const Answer kAnswers[] = {Answer::Agree, Answer::Disagree, Answer::Escape, Answer::Agree};
        int result = CallAnswered(player, kAnswers[static_cast<int>(end)]);

        std::vector<std::string> expectedLog;
        if (end == End::MissingFile) {
            expectedLog = {LOG_FILE_ERROR};
            m_bReadFailed = true;
        } else {
            expectedLog = {"claim shown", "claim hidden"};
            if (end != End::Agree && !m_bReadFailed)
                expectedLog.push_back(LOG_MUST_AGREE);
        }
        const int expectedResult = end == End::Agree ? 0 : 1;
        std::vector<std::string> log = player.TakeEvents();
        if (result == expectedResult && log == expectedLog)
            return "";
        std::string what = kEndNames[static_cast<int>(end)] + ": result " + std::to_string(result) + ", seen:";
        for (const std::string& line : log)
            what += " [" + line.substr(0, 40) + "]";
        return what;
    }

    bool m_bReadFailed = false;
};

TEST_F(ManyCalls, ThousandMixedEndsAllRightAndNothingGrows)
{
    ui::DialogRun player(ui::Answer::Agree);
    WriteClaim(kSampleClaim);
    // The first calls make what lives as long as the thread or the process
    // (the thread's framework state, the system's caches).
    const ledger::Counts idle = ledger::Live();
    ledger::Counts whileUp;
    player.OnPainted([&whileUp](HWND, LONGLONG) { whileUp = ledger::Live(); });
    for (End end : {End::Agree, End::Disagree, End::Escape, End::Agree})
        ASSERT_EQ(Call(player, end), "");
    player.OnPainted(nullptr);
    // The ledger does see what a call holds while its dialog is up.
    EXPECT_GE(whileUp.user, idle.user + 1) << "the dialog window";
    EXPECT_GT(whileUp.heapBlocks, idle.heapBlocks);
    const Figures before = Measure();

    const std::vector<End> ends = MixedEnds(1000);
    int counts[4] = {};
    std::vector<std::string> faults;
    const DWORD start = ::GetTickCount();
    for (size_t i = 0; i < ends.size(); ++i) {
        ++counts[static_cast<int>(ends[i])];
        std::string fault = Call(player, ends[i]);
        if (!fault.empty() && faults.size() < 10)
            faults.push_back("call " + std::to_string(i) + ": " + fault);
    }
    const DWORD elapsed = ::GetTickCount() - start;
    const Figures after = Measure();

    std::string allFaults;
    for (const std::string& f : faults)
        allFaults += f + "\n";
    EXPECT_TRUE(faults.empty()) << allFaults;
    EXPECT_GT(counts[0], 150);
    EXPECT_GT(counts[3], 100);
    EXPECT_EQ(Growth(before, after, 1 << 20), "");
    std::printf("1000 calls (%d Agree, %d Disagree, %d Escape, %d missing file) in %lu ms\n", counts[0], counts[1],
                counts[2], counts[3], static_cast<unsigned long>(elapsed));
    std::printf("private bytes %lld -> %lld; library heap blocks %ld -> %ld\n", before.process.privateBytes,
                after.process.privateBytes, before.library.heapBlocks, after.library.heapBlocks);
}

// Time to visible: from the call of ShowMainDialog to the end of the claim
// dialog's first paint (the dialog and each of its controls painted once),
// against the system's own dialog made by DialogBoxIndirectParam from the
// same template with the same text, in the same process. Median of rounds
// that take turns; asserts nothing.
#include "BenchSupport.h"
#include "UiDriver.h"
#include <psapi.h>

namespace {

const int kWarmUp = 3;
const int kRounds = 21;
const double kTarget = 1.5;

struct Times {
    double toVisible = -1;  // call to the end of the first paint
    double whole = -1;      // call to return
};

// Runs call() on this thread with the player agreeing once painted.
template <class Call>
Times Measure(ui::DialogRun& player, Call call)
{
    Times t;
    LONGLONG paintedAt = 0;
    player.OnPainted([&paintedAt](HWND, LONGLONG at) { paintedAt = at; });
    LARGE_INTEGER start;
    ::QueryPerformanceCounter(&start);
    call();
    t.whole = bench::NowMs() - bench::TicksToMs(start.QuadPart);
    if (paintedAt != 0)
        t.toVisible = bench::TicksToMs(paintedAt - start.QuadPart);
    return t;
}

// A file of size bytes that holds no data: what it holds does not matter to
// a reader that decides from the size alone.
bool WriteSparseFile(const char* path, DWORD size)
{
    HANDLE hFile = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = ::SetFilePointer(hFile, static_cast<LONG>(size), nullptr, FILE_BEGIN) == size &&
                    ::SetEndOfFile(hFile);
    ::CloseHandle(hFile);
    return ok;
}

double PeakWorkingSetMiB()
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof(pmc));
    return pmc.PeakWorkingSetSize / 1048576.0;
}

// Time to visible (or to the file-error box) for claim files of growing
// size, one call each: what a player waits for when a game ships a large
// Claim.txt. The sizes stand on both sides of the cap.
void PrintClaimSizes(ui::DialogRun& player, const bench::Library& lib)
{
    const std::string& line = bench::ClaimText();
    const struct {
        DWORD size;
        const char* text;  // "lines" of the sample, "one line" without a break, or "none" (sparse)
    } files[] = {{256u << 10, "lines"}, {TOVIK_CLAIM_MAX_BYTES, "lines"}, {TOVIK_CLAIM_MAX_BYTES + 1, "lines"},
                 {2u << 20, "lines"},   {4u << 20, "lines"},              {256u << 20, "none"},
                 {16u << 10, "one line"}, {64u << 10, "one line"}};
    std::printf("## visible_bench: time to visible by claim file size\n\n"
                "One call per file, agreed to once painted. A file over the cap of %u bytes shows the file-error "
                "box instead: its time is the whole call, the box dismissed at once. Text: the sample's Big5 lines "
                "repeated, one line of letters without a break (the text box lays a line out in a time that grows "
                "with the square of its length), or none (a sparse file). Peak working set: the process's, so far.\n\n"
                "| Claim.txt (bytes) | text | what the player sees | time (ms) | peak working set (MiB) |\n"
                "|---:|---|---|---:|---:|\n",
                TOVIK_CLAIM_MAX_BYTES);
    for (const auto& file : files) {
        const std::string kind = file.text;
        std::string text;
        if (kind == "lines") {
            text.reserve(file.size);
            while (text.size() < file.size)
                text += line;
            text.resize(file.size);
        } else if (kind == "one line") {
            text.assign(file.size, 'a');
        }
        if (!(text.empty() ? WriteSparseFile("Claim.txt", file.size) : WriteFileBytes("Claim.txt", text))) {
            std::printf("visible_bench: Claim.txt of %lu bytes cannot be written\n", file.size);
            continue;
        }
        player.TakeEvents();
        Times t = Measure(player, [&lib] { lib.Show(); });
        const std::vector<std::string> log = player.TakeEvents();
        const bool shown = !log.empty() && log.front() == "claim shown";
        std::printf("| %lu | %s | %s | %.0f | %.0f |\n", file.size, file.text, shown ? "the dialog" : "the file-error box",
                    shown ? t.toVisible : t.whole, PeakWorkingSetMiB());
    }
    std::printf("\n");
    std::fflush(stdout);
    if (!WriteFileBytes("Claim.txt", line))
        std::printf("visible_bench: Claim.txt cannot be put back\n");
}

} // namespace

int bench::Run(Library& lib, ui::DialogRun& player)
{
    std::vector<double> skinned, plain, skinnedWhole, plainWhole;
    size_t nSkinnedWindows = 0, nPlainWindows = 0;
    for (int i = 0; i < kWarmUp + kRounds; ++i) {
        Times s = Measure(player, [&lib] { lib.Show(); });
        nSkinnedWindows = player.WindowsPainted();
        Times p = Measure(player, [&lib] { bench::RunPlainDialog(lib.Module()); });
        nPlainWindows = player.WindowsPainted();
        if (s.toVisible < 0 || p.toVisible < 0)
            return bench::Fail("a dialog did not paint");
        if (i < kWarmUp)
            continue;
        skinned.push_back(s.toVisible);
        plain.push_back(p.toVisible);
        skinnedWhole.push_back(s.whole);
        plainWhole.push_back(p.whole);
    }
    const double ms = bench::Median(skinned), floor = bench::Median(plain);
    const double whole = bench::Median(skinnedWhole), wholeFloor = bench::Median(plainWhole);
    bench::PrintTable("visible_bench: time to visible",
        {bench::Format("ShowMainDialog from its call to the end of the dialog's first paint (the dialog and its "
                       "controls each painted once: %zu windows), against the plain system dialog from the same "
                       "template made by DialogBoxIndirectParam with the same text (%zu windows). Median of %d "
                       "rounds taking turns, after %d warm-up rounds; each dialog is agreed to by a posted click "
                       "once painted. Hooks on the thread see the paints end; they cost both sides alike.",
                       nSkinnedWindows, nPlainWindows, kRounds, kWarmUp)},
        {{"time to visible (ms)", bench::Format("%.2f", ms), bench::Format("%.2f", floor),
          bench::Format("%.3f", ms / floor), bench::Format("<= %.1f", kTarget), bench::Met(ms / floor, kTarget)},
         {"whole call, Agree included (ms)", bench::Format("%.2f", whole), bench::Format("%.2f", wholeFloor),
          bench::Format("%.3f", whole / wholeFloor), "", ""}});
    PrintClaimSizes(player, lib);
    return 0;
}

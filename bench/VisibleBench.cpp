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

// n characters of ordinary Big5 text (the sample's Chinese, its ASCII
// included) without a line end.
std::string Big5Characters(size_t n)
{
    std::string chars;
    for (const std::string& text = bench::ClaimText(); chars.size() < 2 * n;) {
        for (size_t i = 0; i < text.size() && chars.size() < 2 * n; ++i) {
            if (static_cast<unsigned char>(text[i]) >= 0x81)
                chars.append(text, i++, 2);
        }
    }
    return chars;
}

// count lines of one line text, each ended by CR LF.
std::string Lines(const std::string& line, size_t count)
{
    std::string text;
    text.reserve((line.size() + 2) * count);
    for (size_t i = 0; i < count; ++i)
        text += line + "\r\n";
    return text;
}

struct ClaimFileCase {
    const char* what;
    std::string text;  // empty: a sparse file of sparseSize bytes
    DWORD sparseSize = 0;
};

// The claim files a player may wait for: the reference (the largest real
// text the cap admits), the texts at the layout bound whose shapes cost the
// text box the most, and texts over the cap or the bound, which show the
// file-error box instead.
std::vector<ClaimFileCase> ClaimFileCases()
{
    const std::string chinese200 = Big5Characters(100);
    const size_t mib = TOVIK_CLAIM_MAX_BYTES;
    std::string tabbed;
    for (int i = 0; i < 16; ++i)
        tabbed += "\t" + Big5Characters(96);
    // Up to the cap with empty lines: they cost the box little but their bytes.
    auto fill = [mib](std::string text) {
        while (text.size() + 2 <= mib)
            text += "\r\n";
        return text;
    };
    std::string crOnly, lfOnly;
    while (crOnly.size() < (256u << 10)) {
        crOnly += chinese200 + "\r";
        lfOnly += chinese200 + "\n";
    }
    std::string overCap = Lines(chinese200, mib / 202 + 1);
    overCap.resize(mib + 1);
    return {
        {"reference: 1 MiB of 200-byte Chinese lines", Lines(chinese200, mib / 202)},
        {"64 KiB of 4 KiB Chinese paragraphs", Lines(Big5Characters(2047), 16)},
        {"at the bound: 1 MiB, 3237 lines of 127 Chinese characters and empty lines",
         fill(Lines(Big5Characters(127), 3237))},
        {"at the bound: 1 MiB, one line of 7200 Chinese characters and empty lines",
         fill(Lines(Big5Characters(7200), 1))},
        {"inside the bound: 1 MiB of 128-byte Chinese lines", Lines(Big5Characters(63), mib / 128)},
        {"at the bound: 1 MiB, 12744 lines of one letter and empty lines", fill(Lines("x", 12744))},
        {"at the bound: one line of 8290 Chinese characters", Big5Characters(8290)},
        {"at the bound: 16 lines of 2060 Chinese characters", Lines(Big5Characters(2060), 16)},
        {"at the bound: 16650 lines of one letter", Lines("x", 16650)},
        {"at the bound: 16 lines of 2060 narrow letters", Lines(std::string(2060, 'i'), 16)},
        {"at the bound: 16 lines of 2060 spaces", Lines(std::string(2060, ' '), 16)},
        {"at the bound: one line of 259 tabs", std::string(259, '\t')},
        {"at the bound: 16 lines of 64 tabs", Lines(std::string(64, '\t'), 16)},
        {"at the bound: 16 lines of 16 tabs in 1536 Chinese characters", Lines(tabbed, 16)},
        {"over the bound: 256 KiB with CR line ends", crOnly},
        {"over the bound: 256 KiB with LF line ends", lfOnly},
        {"over the bound: 1 MiB of 64-letter lines", Lines(std::string(64, 'a'), mib / 66)},
        {"over the cap: 1 MiB and 1 byte", overCap},
        {"over the cap: 256 MiB", {}, 256u << 20},
    };
}

// Time to visible (or to the file-error box) for each claim file, against
// the reference in the same run: what a player waits for.
void PrintClaimFiles(ui::DialogRun& player, const bench::Library& lib)
{
    const int kFileRounds = 3;
    const std::vector<ClaimFileCase> cases = ClaimFileCases();
    std::vector<std::vector<double>> times(cases.size());
    std::vector<bool> shown(cases.size(), false);
    for (int round = 0; round < kFileRounds; ++round) {
        for (size_t i = 0; i < cases.size(); ++i) {
            const ClaimFileCase& file = cases[i];
            if (!(file.text.empty() ? WriteSparseFile("Claim.txt", file.sparseSize)
                                    : WriteFileBytes("Claim.txt", file.text))) {
                std::printf("visible_bench: Claim.txt for \"%s\" cannot be written\n", file.what);
                return;
            }
            player.TakeEvents();
            Times t = Measure(player, [&lib] { lib.Show(); });
            const std::vector<std::string> log = player.TakeEvents();
            shown[i] = !log.empty() && log.front() == "claim shown";
            times[i].push_back(shown[i] ? t.toVisible : t.whole);
        }
    }
    std::printf("## visible_bench: time to visible by claim file\n\n"
                "Median of %d calls per file, taking turns, each agreed to once painted. A file over the cap "
                "(%u bytes) or over the layout bound (TOVIK_CLAIM_MAX_LAYOUT, %u: lines end only at CR LF, counted "
                "in characters, a tab as 32, a line as at least 64; their squares and 16 a byte added up) shows "
                "the file-error box "
                "instead: its time is the whole call, the box dismissed at once. Ratio: against the reference, "
                "measured in the same run. Peak working set: the process's, at the end.\n\n"
                "| Claim.txt | bytes | what the player sees | time (ms) | ratio to the reference |\n"
                "|---|---:|---|---:|---:|\n",
                kFileRounds, TOVIK_CLAIM_MAX_BYTES, TOVIK_CLAIM_MAX_LAYOUT);
    const double reference = bench::Median(times[0]);
    for (size_t i = 0; i < cases.size(); ++i) {
        const double ms = bench::Median(times[i]);
        const size_t bytes = cases[i].text.empty() ? cases[i].sparseSize : cases[i].text.size();
        std::printf("| %s | %zu | %s | %.0f | %.2f |\n", cases[i].what, bytes,
                    shown[i] ? "the dialog" : "the file-error box", ms, ms / reference);
    }
    std::printf("\nPeak working set: %.0f MiB\n\n", PeakWorkingSetMiB());
    std::fflush(stdout);
    if (!WriteFileBytes("Claim.txt", bench::ClaimText()))
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
    PrintClaimFiles(player, lib);
    return 0;
}

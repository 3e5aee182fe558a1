// Time to visible: from the call of ShowMainDialog to the end of the claim
// dialog's first paint (the dialog and each of its controls painted once),
// against the system's own dialog made by DialogBoxIndirectParam from the
// same template with the same text, in the same process. Median of rounds
// that take turns; asserts nothing.
#include "BenchSupport.h"
#include "SameThreadPlayer.h"

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
Times Measure(ui::SameThreadPlayer& player, Call call)
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

} // namespace

int bench::Run(Library& lib, ui::SameThreadPlayer& player)
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
    return 0;
}

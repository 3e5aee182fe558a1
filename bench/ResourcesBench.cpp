// Resource use: what the process holds before and after 1,000 calls of
// ShowMainDialog, each showing the dialog and ending it (Agree, Disagree
// with its message, Escape with its message, in turn). GetGuiResources is a
// stub under Wine, so the library's GDI and USER objects are counted by the
// import ledger; each row says how its figure was counted. Asserts nothing.
#include "BenchSupport.h"
#include "ImportLedger.h"
#include "UiDriver.h"

namespace {

const char kHowCounted[] =
    "import ledger: the library's import table is patched after LoadLibrary so that its create and delete calls "
    "(GDI32, USER32, COMCTL32, KERNEL32, msvcrt) are counted; GDI objects still valid (GetObjectType), windows "
    "still alive (IsWindow), hooks, borrowed DCs, kernel handles, TLS slots and heap blocks it made and has not "
    "freed; process kernel handles: GetProcessHandleCount, or where it gives 0 (Wine) the valid handle values "
    "GetHandleInformation finds from 4 up to 1,024 invalid values in a row; process windows: EnumWindows and "
    "EnumChildWindows of this process; process private memory: GetProcessMemoryInfo PrivateUsage, or where it "
    "gives 0 (Wine) PagefileUsage, the committed private bytes.";

const int kCalls = 1000;

struct Snapshot {
    ledger::Counts library;
    ProcessFigures process;
    DWORD guiGdi = 0;
    DWORD guiUser = 0;
    DWORD guiError = 0;
};

Snapshot Take()
{
    Snapshot s;
    s.library = ledger::Live();
    s.process = MeasureProcess();
    ::SetLastError(0);
    s.guiGdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    s.guiUser = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    s.guiError = ::GetLastError();
    return s;
}

bench::Row Compare(const char* figure, long long before, long long after, const char* how)
{
    const double ratio =
        before != 0 ? static_cast<double>(after) / static_cast<double>(before) : (after == 0 ? 1.0 : 0.0);
    return {std::string(figure) + " (" + how + ")", bench::Format("%lld", after), bench::Format("%lld", before),
            before != 0 || after == 0 ? bench::Format("%.4f", ratio) : "n/a", "no growth",
            after <= before ? "yes" : "no"};
}

} // namespace

int bench::Run(Library& lib, ui::DialogRun& player)
{
    if (ledger::Attach(lib.Module()) == 0)
        return bench::Fail("the imports of TovikDlg.dll cannot be counted");
    using Answer = ui::Answer;
    const Answer answers[] = {Answer::Agree, Answer::Disagree, Answer::Escape};
    int wrong = 0;
    auto call = [&](int i) {
        player.SetAnswer(answers[i % 3]);
        if (lib.Show() != (i % 3 == 0 ? 0 : 1))
            ++wrong;
        // The ledger's notes of the call are this program's memory, not the library's.
        ledger::ClearNotes();
    };
    auto plainCall = [&](int i) {
        player.SetAnswer(answers[i % 3] == Answer::Agree ? Answer::Agree : Answer::Disagree);
        bench::RunPlainDialog(lib.Module());
    };
    // The first calls make what the thread and the system keep for good.
    for (int i = 0; i < 6; ++i) {
        call(i);
        plainCall(i);
    }
    const Snapshot before = Take();
    const double t0 = bench::NowMs();
    for (int i = 0; i < kCalls; ++i)
        call(i);
    const double seconds = (bench::NowMs() - t0) / 1000.0;
    const Snapshot after = Take();

    // The floor of the process's memory: the system's own dialog, shown and
    // ended as often with the same text, also keeps some of it.
    const ProcessFigures plainBefore = MeasureProcess();
    for (int i = 0; i < kCalls; ++i)
        plainCall(i);
    const ProcessFigures plainAfter = MeasureProcess();
    player.TakeEvents();
    const long long growth = after.process.privateBytes - before.process.privateBytes;
    const long long plainGrowth = plainAfter.privateBytes - plainBefore.privateBytes;

    std::vector<std::string> notes = {
        bench::Format("%d calls on one thread in %.1f s (%.1f ms a call), ended in turn by Agree, Disagree and "
                      "Escape, posted once the dialog had painted; %d wrong results. Before: after 6 warm-up "
                      "calls. The floor is the figure before, the value the figure after. The last row compares "
                      "the memory the process gained over the calls with what it gains over as many plain system "
                      "dialogs (DialogBoxIndirectParam, same template and text, ended in turn by OK and by Cancel "
                      "with the same message box): under Wine the system's text box keeps memory in proportion "
                      "to its text. The ledger's notes of each call (its log of picture and brush calls, its "
                      "counts of repaints and leave requests per window) are cleared after it: they are this "
                      "program's memory, not the library's.",
                      kCalls, seconds, seconds * 1000.0 / kCalls, wrong),
        std::string("How counted: ") + kHowCounted,
        bench::Format("GetGuiResources gives %lu GDI and %lu USER objects, last error %lu%s; not used.",
                      after.guiGdi, after.guiUser, after.guiError,
                      after.guiError == ERROR_CALL_NOT_IMPLEMENTED ? " (not implemented: a stub)" : "")};
    bench::PrintTable("resources_bench: 1,000 calls", notes,
        {Compare("GDI objects of the library", before.library.gdi, after.library.gdi, "ledger"),
         Compare("USER objects of the library", before.library.user, after.library.user, "ledger"),
         Compare("windows of the process", before.process.windows, after.process.windows, "enumerated"),
         Compare("kernel handles of the library", before.library.kernel, after.library.kernel, "ledger"),
         Compare("kernel handles of the process", before.process.kernelHandles, after.process.kernelHandles,
                 "process count"),
         Compare("TLS slots of the library", before.library.tls, after.library.tls, "ledger"),
         Compare("heap blocks of the library", before.library.heapBlocks, after.library.heapBlocks, "ledger"),
         Compare("heap bytes of the library", before.library.heapBytes, after.library.heapBytes, "ledger"),
         Compare("private bytes of the process", before.process.privateBytes, after.process.privateBytes,
                 "memory counters"),
         {"growth of the private bytes against the plain dialog's (memory counters)", bench::Format("%lld", growth),
          bench::Format("%lld", plainGrowth),
          plainGrowth > 0 ? bench::Format("%.3f", static_cast<double>(growth) / plainGrowth) : "n/a",
          "no more than the plain dialog", growth <= plainGrowth ? "yes" : "no"}});
    return wrong == 0 ? 0 : 1;
}

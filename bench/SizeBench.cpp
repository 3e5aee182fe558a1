// The size of TovikDlg.dll: the file, the file without its pictures, and the
// code and data the system loads for it without the pictures, each against
// the budget of its build stated in README.md ("Size budget"). Reads the
// built file, or the DLL named on the command line (of either machine, so
// that a host that runs only x64 programs still measures the x86 DLL);
// asserts nothing.
//   size_bench [DLL]
#include <cstdio>
#include "BenchSupport.h"
#include "DllSize.h"
#include "PeImage.h"

int main(int argc, char** argv)
{
    const std::string path = argc > 1 ? argv[1] : ProgramFolder() + "\\TovikDlg.dll";
    const DllSize size = MeasureDll(path);
    if (!size.read) {
        std::printf("size_bench: cannot read %s\n", path.c_str());
        return 1;
    }
    const SizeBudget budget = BudgetFor(size.machine);
    const double fileRatio = static_cast<double>(size.fileBytes) / static_cast<double>(budget.fileBytes);
    const double loadedRatio = static_cast<double>(size.LoadedWithoutPictures()) /
                               static_cast<double>(budget.loadedBytesWithoutPictures);

    auto kib = [](long long n) { return bench::Format("%.1f KiB", n / 1024.0); };
    bench::PrintTable(("size_bench: TovikDlg.dll (" + pe::MachineName(size.machine) + ")").c_str(),
        {bench::Format("The built file: %s of code (.text), %s of other loaded data (read-only data, unwind "
                       "tables, import and relocation tables), %s of resources of which %s are the three "
                       "pictures, and %s of debugging sections and %s of symbols that are not loaded (in the stripped "
                       "DLL only its debug link and the names of long sections). The floor is the budget of README.md.",
                       kib(size.code).c_str(), kib(size.data).c_str(), kib(size.resources).c_str(),
                       kib(size.pictures).c_str(), kib(size.debug).c_str(), kib(size.symbols).c_str())},
        {{"file", kib(size.fileBytes), kib(budget.fileBytes), bench::Format("%.3f", fileRatio), "<= 1 (budget)",
          bench::Met(fileRatio, 1.0)},
         {"file without the pictures", kib(size.fileBytes - size.pictures), "", "", "", ""},
         {"loaded code and data without the pictures", kib(size.LoadedWithoutPictures()),
          kib(budget.loadedBytesWithoutPictures), bench::Format("%.3f", loadedRatio), "<= 1 (budget)",
          bench::Met(loadedRatio, 1.0)}});
    return 0;
}

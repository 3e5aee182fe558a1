// The size of TovikDlg.dll: the file, the file without its pictures, and the
// code and data the system loads for it without the pictures, each against
// the budget stated in README.md ("Size budget"). Reads the built file; asserts nothing.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include "BenchSupport.h"

namespace {

// Keep in step with README.md.
const double kBudgetFileBytes = 512 * 1024;
const double kBudgetLoadedBytes = 384 * 1024;

BOOL CALLBACK AddBitmapSize(HMODULE hModule, LPCSTR lpType, LPSTR lpName, LONG_PTR lParam)
{
    HRSRC hRes = ::FindResourceA(hModule, lpName, lpType);
    *reinterpret_cast<long long*>(lParam) += hRes ? ::SizeofResource(hModule, hRes) : 0;
    return TRUE;
}

} // namespace

int main()
{
    const std::string path = bench::ProgramFolder() + "\\TovikDlg.dll";
    std::ifstream in(path.c_str(), std::ios::binary);
    const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < 0x400) {
        std::printf("size_bench: cannot read %s\n", path.c_str());
        return 1;
    }
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, file.data(), sizeof(dos));
    IMAGE_NT_HEADERS32 nt;
    std::memcpy(&nt, file.data() + dos.e_lfanew, sizeof(nt));
    const size_t firstSection = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                                nt.FileHeader.SizeOfOptionalHeader;

    // Loaded sections by kind; debugging sections are in the file only.
    long long code = 0, data = 0, resources = 0, debug = 0;
    for (int i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER s;
        std::memcpy(&s, file.data() + firstSection + i * sizeof(s), sizeof(s));
        const char* pName = reinterpret_cast<const char*>(s.Name);
        const std::string name(pName, strnlen(pName, 8));
        const long long size = s.Misc.VirtualSize;
        // The linker gives long (debugging) section names as "/offset".
        if (name.compare(0, 6, ".debug") == 0 || name.compare(0, 1, "/") == 0)
            debug += s.SizeOfRawData;
        else if (name == ".rsrc")
            resources += size;
        else if (s.Characteristics & IMAGE_SCN_CNT_CODE)
            code += size;
        else
            data += size;
    }

    // The COFF symbol table and its strings run to the end of the file.
    const long long symbols = nt.FileHeader.PointerToSymbolTable != 0
                                  ? static_cast<long long>(file.size()) - nt.FileHeader.PointerToSymbolTable
                                  : 0;
    long long pictures = 0;
    HMODULE hData = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (hData != nullptr) {
        ::EnumResourceNamesA(hData, RT_BITMAP, AddBitmapSize, reinterpret_cast<LONG_PTR>(&pictures));
        ::FreeLibrary(hData);
    }
    const long long fileBytes = static_cast<long long>(file.size());
    const long long withoutPictures = fileBytes - pictures;
    const long long loadedWithoutPictures = code + data + resources - pictures;

    auto kib = [](long long n) { return bench::Format("%.1f KiB", n / 1024.0); };
    bench::PrintTable("size_bench: TovikDlg.dll",
        {bench::Format("The built file: %s of code (.text), %s of other loaded data (read-only data, unwind "
                       "tables, import and relocation tables), %s of resources of which %s are the three "
                       "pictures, and %s of debugging sections and %s of symbols that are not loaded (none in a "
                       "stripped release build). The floor is the budget of README.md.",
                       kib(code).c_str(), kib(data).c_str(), kib(resources).c_str(), kib(pictures).c_str(),
                       kib(debug).c_str(), kib(symbols).c_str())},
        {{"file", kib(fileBytes), kib(static_cast<long long>(kBudgetFileBytes)),
          bench::Format("%.3f", fileBytes / kBudgetFileBytes), "<= 1 (budget)",
          bench::Met(fileBytes / kBudgetFileBytes, 1.0)},
         {"file without the pictures", kib(withoutPictures), "", "", "", ""},
         {"loaded code and data without the pictures", kib(loadedWithoutPictures),
          kib(static_cast<long long>(kBudgetLoadedBytes)),
          bench::Format("%.3f", loadedWithoutPictures / kBudgetLoadedBytes),
          "<= 1 (budget)", bench::Met(loadedWithoutPictures / kBudgetLoadedBytes, 1.0)}});
    return 0;
}

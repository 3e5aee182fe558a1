#include "DllSize.h"
#include <cstring>
#include "PeImage.h"

namespace {

BOOL CALLBACK AddBitmapSize(HMODULE hModule, LPCSTR lpType, LPSTR lpName, LONG_PTR lParam)
{
    HRSRC hRes = ::FindResourceA(hModule, lpName, lpType);
    *reinterpret_cast<long long*>(lParam) += hRes ? ::SizeofResource(hModule, hRes) : 0;
    return TRUE;
}

long long FileBytes(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

DllSize MeasureDll(const std::string& path)
{
    DllSize size;
    size.fileBytes = FileBytes(path);
    pe::MappedDll dll(path);
    if (size.fileBytes < 0 || !dll.Mapped() || !dll.View().Valid())
        return size;
    const pe::Image& image = dll.View();
    size.machine = image.Machine();
    for (const IMAGE_SECTION_HEADER& s : image.Sections()) {
        const char* pName = reinterpret_cast<const char*>(s.Name);
        const std::string name(pName, strnlen(pName, 8));
        const long long loaded = s.Misc.VirtualSize;
        // The linker gives long section names as "/offset" when the file
        // keeps its symbol table: the debugging sections, which are
        // discardable, but also .eh_frame (the x86 unwind tables), which is
        // loaded and counts as data.
        const bool bDiscardable = (s.Characteristics & IMAGE_SCN_MEM_DISCARDABLE) != 0;
        if (name.compare(0, 6, ".debug") == 0 || (name.compare(0, 1, "/") == 0 && bDiscardable))
            size.debug += s.SizeOfRawData;
        else if (name == ".rsrc")
            size.resources += loaded;
        else if (s.Characteristics & IMAGE_SCN_CNT_CODE)
            size.code += loaded;
        else
            size.data += loaded;
    }
    // The COFF symbol table and its strings run to the end of the file.
    const DWORD symbolTable = image.FileHeader().PointerToSymbolTable;
    size.symbols = symbolTable != 0 ? size.fileBytes - symbolTable : 0;
    ::EnumResourceNamesA(dll.Module(), RT_BITMAP, AddBitmapSize, reinterpret_cast<LONG_PTR>(&size.pictures));
    size.read = true;
    return size;
}

SizeBudget BudgetFor(WORD machine)
{
    // Keep in step with README.md.
    if (machine == IMAGE_FILE_MACHINE_AMD64)
        return {240 * 1024, 96 * 1024};
    return {320 * 1024, 192 * 1024};
}

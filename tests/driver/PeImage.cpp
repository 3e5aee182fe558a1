#include "PeImage.h"
#include <cstdio>

namespace pe {

std::string MachineName(WORD machine)
{
    if (machine == IMAGE_FILE_MACHINE_I386)
        return "x86";
    if (machine == IMAGE_FILE_MACHINE_AMD64)
        return "x64";
    char text[32];
    std::snprintf(text, sizeof(text), "machine 0x%04X", machine);
    return text;
}

Image::Image(const void* base) : m_base(static_cast<const BYTE*>(base))
{
    if (m_base == nullptr)
        return;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(m_base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return;
    const BYTE* nt = m_base + dos->e_lfanew;
    if (*reinterpret_cast<const DWORD*>(nt) != IMAGE_NT_SIGNATURE)
        return;
    const BYTE* optional = nt + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER);
    const WORD magic = *reinterpret_cast<const WORD*>(optional);
    if (magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC && magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        return;
    m_pFile = reinterpret_cast<const IMAGE_FILE_HEADER*>(nt + sizeof(DWORD));
    m_pOptional = optional;
}

WORD Image::DllCharacteristics() const
{
    return IsPe32Plus() ? reinterpret_cast<const IMAGE_OPTIONAL_HEADER64*>(m_pOptional)->DllCharacteristics
                        : reinterpret_cast<const IMAGE_OPTIONAL_HEADER32*>(m_pOptional)->DllCharacteristics;
}

DWORD Image::EntryPointRva() const
{
    // At the same place in both formats.
    return reinterpret_cast<const IMAGE_OPTIONAL_HEADER32*>(m_pOptional)->AddressOfEntryPoint;
}

IMAGE_DATA_DIRECTORY Image::Directory(int index) const
{
    DWORD count = 0;
    const IMAGE_DATA_DIRECTORY* directories = nullptr;
    if (IsPe32Plus()) {
        const auto* optional = reinterpret_cast<const IMAGE_OPTIONAL_HEADER64*>(m_pOptional);
        count = optional->NumberOfRvaAndSizes;
        directories = optional->DataDirectory;
    } else {
        const auto* optional = reinterpret_cast<const IMAGE_OPTIONAL_HEADER32*>(m_pOptional);
        count = optional->NumberOfRvaAndSizes;
        directories = optional->DataDirectory;
    }
    return index >= 0 && static_cast<DWORD>(index) < count ? directories[index] : IMAGE_DATA_DIRECTORY{0, 0};
}

std::vector<IMAGE_SECTION_HEADER> Image::Sections() const
{
    const auto* first = reinterpret_cast<const IMAGE_SECTION_HEADER*>(m_pOptional + m_pFile->SizeOfOptionalHeader);
    return std::vector<IMAGE_SECTION_HEADER>(first, first + m_pFile->NumberOfSections);
}

std::vector<Import> Image::Imports() const
{
    std::vector<Import> imports;
    const IMAGE_DATA_DIRECTORY dir = Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    if (dir.VirtualAddress == 0)
        return imports;
    // The name table has one entry per function: 4 bytes in PE32, 8 in PE32+,
    // with the top bit marking an import by ordinal.
    const DWORD entryBytes = IsPe32Plus() ? 8 : 4;
    for (const auto* desc = At<IMAGE_IMPORT_DESCRIPTOR>(dir.VirtualAddress); desc->Name != 0; ++desc) {
        const DWORD namesRva = desc->OriginalFirstThunk ? desc->OriginalFirstThunk : desc->FirstThunk;
        for (DWORD i = 0;; ++i) {
            const DWORD entryRva = namesRva + i * entryBytes;
            const ULONGLONG entry = IsPe32Plus() ? *At<ULONGLONG>(entryRva) : *At<DWORD>(entryRva);
            if (entry == 0)
                break;
            const bool byOrdinal = IsPe32Plus() ? (entry & IMAGE_ORDINAL_FLAG64) != 0 : (entry & IMAGE_ORDINAL_FLAG32) != 0;
            Import import;
            import.dll = At<char>(desc->Name);
            import.slotRva = desc->FirstThunk + i * entryBytes;
            if (byOrdinal) {
                import.ordinal = static_cast<WORD>(entry & 0xFFFF);
            } else {
                const auto* byName = At<IMAGE_IMPORT_BY_NAME>(static_cast<DWORD>(entry));
                import.function = reinterpret_cast<const char*>(byName->Name);
            }
            imports.push_back(import);
        }
    }
    return imports;
}

bool WriteImportSlot(void** entry, void* pfn)
{
    DWORD dwOld = 0;
    if (!::VirtualProtect(entry, sizeof(void*), PAGE_READWRITE, &dwOld))
        return false;
    *entry = pfn;
    ::VirtualProtect(entry, sizeof(void*), dwOld, &dwOld);
    return true;
}

void* SetImportEntry(HMODULE hModule, const Import& import, void* pfn)
{
    void** entry = reinterpret_cast<void**>(reinterpret_cast<BYTE*>(hModule) + import.slotRva);
    void* previous = *entry;
    return WriteImportSlot(entry, pfn) ? previous : nullptr;
}

void* ReplaceImport(HMODULE hModule, const char* dll, const char* function, void* pfn)
{
    for (const Import& import : Image(hModule).Imports())
        if (::lstrcmpiA(import.dll.c_str(), dll) == 0 && import.function == function)
            return SetImportEntry(hModule, import, pfn);
    return nullptr;
}

namespace {

// The image mapping behind a handle from LOAD_LIBRARY_AS_IMAGE_RESOURCE: the
// low bits of the handle mark it as such a mapping.
const void* ImageBase(HMODULE hModule)
{
    return reinterpret_cast<const void*>(reinterpret_cast<ULONG_PTR>(hModule) & ~static_cast<ULONG_PTR>(3));
}

} // namespace

MappedDll::MappedDll(const std::string& path)
    : m_hModule(::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE)),
      m_image(m_hModule != nullptr ? ImageBase(m_hModule) : nullptr)
{
}

MappedDll::~MappedDll()
{
    if (m_hModule != nullptr)
        ::FreeLibrary(m_hModule);
}

} // namespace pe

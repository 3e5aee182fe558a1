// Reads the headers, sections and imports of a PE image laid out in memory
// as the loader maps it: a loaded module, or a DLL of either machine mapped
// with LOAD_LIBRARY_AS_IMAGE_RESOURCE (MappedDll). Both formats are read as
// what they are: PE32 (x86) and PE32+ (x64).
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace pe {

// The machine this program was built for.
constexpr WORD kThisMachine = sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
// The optional header magic that goes with each machine.
constexpr WORD MagicOf(WORD machine)
{
    return machine == IMAGE_FILE_MACHINE_AMD64 ? IMAGE_NT_OPTIONAL_HDR64_MAGIC : IMAGE_NT_OPTIONAL_HDR32_MAGIC;
}
// "x86", "x64" or "machine 0x...".
std::string MachineName(WORD machine);

// One imported function: the library, the name (empty when imported by
// ordinal) and the RVA of its slot in the import address table.
struct Import {
    std::string dll;
    std::string function;
    WORD ordinal = 0;
    DWORD slotRva = 0;
};

class Image {
public:
    explicit Image(const void* base);

    // MZ and PE signatures present and the optional header one of the two formats.
    bool Valid() const { return m_pFile != nullptr; }
    WORD Machine() const { return m_pFile->Machine; }
    bool IsPe32Plus() const { return Magic() == IMAGE_NT_OPTIONAL_HDR64_MAGIC; }
    WORD Magic() const { return *reinterpret_cast<const WORD*>(m_pOptional); }
    const IMAGE_FILE_HEADER& FileHeader() const { return *m_pFile; }
    WORD DllCharacteristics() const;
    DWORD EntryPointRva() const;
    IMAGE_DATA_DIRECTORY Directory(int index) const;
    std::vector<IMAGE_SECTION_HEADER> Sections() const;
    std::vector<Import> Imports() const;

    template <class T>
    const T* At(DWORD rva) const { return reinterpret_cast<const T*>(m_base + rva); }

private:
    const BYTE* m_base;
    const IMAGE_FILE_HEADER* m_pFile = nullptr;
    const BYTE* m_pOptional = nullptr;
};

// Writes pfn into an import address table entry (a read-only page while the
// module runs); false when the page can't be made writable.
bool WriteImportSlot(void** entry, void* pfn);
// Sets the import address table entry of one import of the loaded module
// hModule to pfn; returns what the entry held.
void* SetImportEntry(HMODULE hModule, const Import& import, void* pfn);
// Replaces the loaded module's import of dll!function (named, not by
// ordinal) by pfn; returns what the entry held, or null when the module does
// not import it.
void* ReplaceImport(HMODULE hModule, const char* dll, const char* function, void* pfn);

// ReplaceImport for the life of the object: the import is put back when it
// goes, also when a test ends early.
class ImportPatch {
public:
    ImportPatch(HMODULE hModule, const char* dll, const char* function, void* pfn)
        : m_hModule(hModule), m_dll(dll), m_function(function),
          m_pfnOriginal(ReplaceImport(hModule, dll, function, pfn))
    {
    }
    ~ImportPatch()
    {
        if (m_pfnOriginal != nullptr)
            ReplaceImport(m_hModule, m_dll, m_function, m_pfnOriginal);
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    // What the import held before; null when the module does not import it.
    void* Original() const { return m_pfnOriginal; }

private:
    HMODULE m_hModule;
    const char* m_dll;
    const char* m_function;
    void* m_pfnOriginal;
};

// A DLL file mapped as an image for reading only: no code of it runs, and
// its machine need not be this program's.
class MappedDll {
public:
    explicit MappedDll(const std::string& path);
    ~MappedDll();
    MappedDll(const MappedDll&) = delete;
    MappedDll& operator=(const MappedDll&) = delete;

    bool Mapped() const { return m_hModule != nullptr; }
    // The handle for the resource functions (FindResourceEx and the like).
    HMODULE Module() const { return m_hModule; }
    const Image& View() const { return m_image; }

private:
    HMODULE m_hModule;
    Image m_image;
};

} // namespace pe

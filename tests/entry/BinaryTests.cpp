// The built DLL read back as a file: its machine, export table, imports,
// hardening, size, dialog template and version block, compared with what a
// game and the system expect of it.
// The DLL checked is the one beside this program, of this program's machine,
// unless TOVIK_DLL_UNDER_TEST names another build's file and
// TOVIK_DLL_MACHINE ("x86" or "x64") its machine: so a host that runs only
// x64 programs still checks the x86 DLL as a file.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>
#include "ClaimFixture.h"
#include "DllSize.h"
#include "PeImage.h"

namespace {

const WORD kLangZhTw = 0x0404;

std::string DllUnderTest()
{
    const char* path = std::getenv("TOVIK_DLL_UNDER_TEST");
    return path != nullptr && *path != '\0' ? path : ProgramFolder() + "\\TovikDlg.dll";
}

WORD ExpectedMachine()
{
    const char* name = std::getenv("TOVIK_DLL_MACHINE");
    if (name == nullptr || *name == '\0')
        return pe::kThisMachine;
    return std::strcmp(name, "x64") == 0 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
}

class BuiltDll : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dll = std::make_unique<pe::MappedDll>(m_path);
        ASSERT_TRUE(m_dll->Mapped()) << m_path;
        ASSERT_TRUE(Image().Valid()) << m_path;
        RecordProperty("dll", m_path);
    }

    const pe::Image& Image() const { return m_dll->View(); }
    template <class T>
    const T* At(DWORD rva) const { return Image().At<T>(rva); }
    IMAGE_DATA_DIRECTORY Directory(int index) const { return Image().Directory(index); }

    // The raw bytes of a resource of language 0x0404.
    std::string Resource(LPCSTR type, int id) const
    {
        HMODULE hModule = m_dll->Module();
        HRSRC hRes = ::FindResourceExA(hModule, type, MAKEINTRESOURCEA(id), kLangZhTw);
        if (hRes == nullptr)
            return std::string();
        const char* p = static_cast<const char*>(::LockResource(::LoadResource(hModule, hRes)));
        return std::string(p, ::SizeofResource(hModule, hRes));
    }

    // The libraries the DLL imports from, lower case, sorted.
    std::vector<std::string> ImportedLibraries() const
    {
        std::vector<std::string> names;
        for (const pe::Import& import : Image().Imports()) {
            std::string name = import.dll;
            std::transform(name.begin(), name.end(), name.begin(), ::tolower);
            if (std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    const std::string m_path = DllUnderTest();
    const WORD m_machine = ExpectedMachine();
    std::unique_ptr<pe::MappedDll> m_dll;
};

// Reads little-endian template and version data in order.
class Reader {
public:
    explicit Reader(const std::string& bytes) : m_bytes(bytes) {}
    WORD Word() { WORD w = 0; Copy(&w, 2); return w; }
    DWORD Dword() { DWORD d = 0; Copy(&d, 4); return d; }
    short Short() { return static_cast<short>(Word()); }
    // A NUL-terminated UTF-16 string, returned as UTF-16 code units.
    std::wstring WString()
    {
        std::wstring s;
        for (WORD w = Word(); w != 0 && m_pos <= m_bytes.size(); w = Word())
            s += static_cast<wchar_t>(w);
        return s;
    }
    void AlignTo(size_t n) { m_pos = (m_pos + n - 1) / n * n; }
    size_t Pos() const { return m_pos; }
    void Seek(size_t pos) { m_pos = pos; }

private:
    void Copy(void* p, size_t n)
    {
        if (m_pos + n <= m_bytes.size())
            std::memcpy(p, m_bytes.data() + m_pos, n);
        m_pos += n;
    }
    const std::string& m_bytes;
    size_t m_pos = 0;
};

std::wstring Utf16(const char* utf8)
{
    wchar_t buf[256] = {};
    ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, buf, 256);
    return buf;
}

} // namespace

// x86 is PE32 for i386, x64 is PE32+ for AMD64.
TEST_F(BuiltDll, IsBuiltForItsMachine)
{
    EXPECT_EQ(pe::MachineName(Image().Machine()), pe::MachineName(m_machine));
    EXPECT_EQ(Image().Magic(), pe::MagicOf(m_machine));
    EXPECT_TRUE(Image().FileHeader().Characteristics & IMAGE_FILE_DLL);
}

TEST_F(BuiltDll, ExportsOnlyShowMainDialogAtOrdinal1)
{
    const IMAGE_DATA_DIRECTORY dir = Directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
    ASSERT_NE(dir.VirtualAddress, 0u);
    const IMAGE_EXPORT_DIRECTORY* exp = At<IMAGE_EXPORT_DIRECTORY>(dir.VirtualAddress);
    EXPECT_STREQ(At<char>(exp->Name), "TovikDlg.dll");
    EXPECT_EQ(exp->Base, 1u);
    ASSERT_EQ(exp->NumberOfFunctions, 1u);
    ASSERT_EQ(exp->NumberOfNames, 1u);
    EXPECT_STREQ(At<char>(At<DWORD>(exp->AddressOfNames)[0]), "ShowMainDialog");
    EXPECT_EQ(At<WORD>(exp->AddressOfNameOrdinals)[0], 0) << "ordinal Base + 0 = 1";
}

TEST_F(BuiltDll, ImportsOnlySystemLibraries)
{
    const std::vector<std::string> allowed = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "msvcrt.dll"};
    const std::vector<std::string> names = ImportedLibraries();
    for (const std::string& name : names)
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), name), allowed.end()) << name;
    EXPECT_GE(names.size(), 3u);
}

// Exactly these libraries, no more: the skinned buttons need the common
// controls, and everything else is linked in.
TEST_F(BuiltDll, ImportsExactlyTheExpectedLibraries)
{
    EXPECT_EQ(ImportedLibraries(), std::vector<std::string>({"comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "user32.dll"}));
}

// A base the system may move the DLL away from is only safe with the
// relocations to do it.
TEST_F(BuiltDll, CarriesItsRelocations)
{
    EXPECT_FALSE(Image().FileHeader().Characteristics & IMAGE_FILE_RELOCS_STRIPPED);
    EXPECT_GT(Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC).Size, 0u);
}

TEST_F(BuiltDll, IsHardened)
{
    WORD characteristics = Image().DllCharacteristics();
    EXPECT_TRUE(characteristics & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE);
    EXPECT_TRUE(characteristics & IMAGE_DLLCHARACTERISTICS_NX_COMPAT);
    for (const IMAGE_SECTION_HEADER& section : Image().Sections()) {
        bool bWritable = section.Characteristics & IMAGE_SCN_MEM_WRITE;
        bool bExecutable = section.Characteristics & IMAGE_SCN_MEM_EXECUTE;
        EXPECT_FALSE(bWritable && bExecutable) << std::string(reinterpret_cast<const char*>(section.Name), 8);
    }
}

TEST_F(BuiltDll, KeepsToTheSizeBudgetOfItsBuild)
{
    const DllSize size = MeasureDll(m_path);
    ASSERT_TRUE(size.read);
    const SizeBudget budget = BudgetFor(m_machine);
    EXPECT_LE(size.fileBytes, budget.fileBytes);
    EXPECT_LE(size.LoadedWithoutPictures(), budget.loadedBytesWithoutPictures);
}

struct ExpectedControl {
    const char* trace;
    WORD classAtom;  // 0x80 button, 0x81 edit
    WORD id;
    const char* textUtf8;
    DWORD style;
    short x, y, cx, cy;
};

TEST_F(BuiltDll, DialogTemplateMatchesTheLayout)
{
    std::string bytes = Resource(reinterpret_cast<LPCSTR>(RT_DIALOG), 100);
    ASSERT_FALSE(bytes.empty()) << "template 100 of language 0x0404";
    Reader r(bytes);
    EXPECT_EQ(r.Dword(), 0x800002C4u) << "style";
    EXPECT_EQ(r.Dword(), 0u) << "extended style";
    WORD nControls = r.Word();
    EXPECT_EQ(nControls, 3);
    EXPECT_EQ(r.Short(), 0);
    EXPECT_EQ(r.Short(), 0);
    EXPECT_EQ(r.Short(), 178);
    EXPECT_EQ(r.Short(), 190);
    EXPECT_EQ(r.Word(), 0) << "no menu";
    EXPECT_EQ(r.Word(), 0) << "default dialog class";
    EXPECT_EQ(r.WString(), L"") << "empty title";
    EXPECT_EQ(r.Word(), 11) << "font points";
    EXPECT_EQ(r.WString(), Utf16("新細明體"));

    const ExpectedControl expected[] = {
        {"Agree", 0x80, IDOK, "同意", 0x5001000B, 28, 168, 48, 16},
        {"Disagree", 0x80, IDCANCEL, "不同意", 0x5001000B, 102, 168, 48, 16},
        {"claim text", 0x81, 1000, "", 0x50A00804, 8, 10, 162, 153},
    };
    for (const ExpectedControl& c : expected) {
        SCOPED_TRACE(c.trace);
        r.AlignTo(4);
        EXPECT_EQ(r.Dword(), c.style);
        EXPECT_EQ(r.Dword(), 0u) << "extended style";
        EXPECT_EQ(r.Short(), c.x);
        EXPECT_EQ(r.Short(), c.y);
        EXPECT_EQ(r.Short(), c.cx);
        EXPECT_EQ(r.Short(), c.cy);
        EXPECT_EQ(r.Word(), c.id);
        EXPECT_EQ(r.Word(), 0xFFFF) << "class by atom";
        EXPECT_EQ(r.Word(), c.classAtom);
        EXPECT_EQ(r.WString(), Utf16(c.textUtf8));
        EXPECT_EQ(r.Word(), 0) << "no creation data";
    }
}

namespace {

// One node of a version block: key, value and children, in file order.
struct VersionNode {
    std::wstring key;
    std::string value;  // raw value bytes
    WORD type = 0;
    std::vector<VersionNode> children;
};

VersionNode ReadVersionNode(const std::string& bytes, size_t start)
{
    Reader r(bytes);
    r.Seek(start);
    VersionNode node;
    WORD wLength = r.Word();
    WORD wValueLength = r.Word();
    node.type = r.Word();
    node.key = r.WString();
    r.AlignTo(4);
    size_t valueBytes = node.type == 1 ? wValueLength * 2u : wValueLength;
    node.value = bytes.substr(r.Pos(), valueBytes);
    r.Seek(r.Pos() + valueBytes);
    r.AlignTo(4);
    size_t end = start + wLength;
    while (r.Pos() + 6 <= end && wLength != 0) {
        size_t childStart = r.Pos();
        Reader peek(bytes);
        peek.Seek(childStart);
        WORD childLength = peek.Word();
        if (childLength == 0)
            break;
        node.children.push_back(ReadVersionNode(bytes, childStart));
        r.Seek(childStart + childLength);
        r.AlignTo(4);
    }
    return node;
}

std::wstring TextValue(const VersionNode& node)
{
    std::wstring s(reinterpret_cast<const wchar_t*>(node.value.data()), node.value.size() / 2);
    while (!s.empty() && s.back() == L'\0')
        s.pop_back();
    return s;
}

} // namespace

TEST_F(BuiltDll, VersionBlockMatchesTheRelease)
{
    std::string bytes = Resource(reinterpret_cast<LPCSTR>(RT_VERSION), 1);
    ASSERT_FALSE(bytes.empty());
    VersionNode root = ReadVersionNode(bytes, 0);
    EXPECT_EQ(root.key, L"VS_VERSION_INFO");
    ASSERT_EQ(root.value.size(), sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, root.value.data(), sizeof(fixed));
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    // The file and product version are 1.0.0.6 in every SDK release.
    const DWORD versionMS = MAKELONG(0, 1);
    const DWORD versionLS = MAKELONG(6, 0);
    EXPECT_EQ(fixed.dwFileVersionMS, versionMS);
    EXPECT_EQ(fixed.dwFileVersionLS, versionLS);
    EXPECT_EQ(fixed.dwProductVersionMS, versionMS);
    EXPECT_EQ(fixed.dwProductVersionLS, versionLS);
    EXPECT_EQ(fixed.dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed.dwFileFlags, 0x20u);
    EXPECT_EQ(fixed.dwFileOS, 0x4u);
    EXPECT_EQ(fixed.dwFileType, 0x2u);
    EXPECT_EQ(fixed.dwFileSubtype, 0u);
    EXPECT_EQ(fixed.dwFileDateMS, 0u);
    EXPECT_EQ(fixed.dwFileDateLS, 0u);

    ASSERT_EQ(root.children.size(), 2u);
    const VersionNode& strings = root.children[0];
    EXPECT_EQ(strings.key, L"StringFileInfo");
    ASSERT_EQ(strings.children.size(), 1u) << "one string table";
    const VersionNode& table = strings.children[0];
    EXPECT_EQ(table.key, L"040404b0");

    const std::vector<std::wstring> keys = {L"Comments", L"CompanyName", L"FileDescription", L"FileVersion",
                                            L"InternalName", L"LegalCopyright", L"LegalTrademarks",
                                            L"OriginalFilename", L"PrivateBuild", L"ProductName",
                                            L"ProductVersion", L"SpecialBuild"};
    ASSERT_EQ(table.children.size(), keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(table.children[i].key, keys[i]) << "key " << i;
    auto value = [&](size_t i) { return TextValue(table.children[i]); };
    // Comments names the SDK release of the header the tree compiles against.
    EXPECT_EQ(value(0), L"Claim dialog for games, SDK " + Utf16(TOVIK_VERSION_STRING));
    EXPECT_EQ(value(1), L"Tovik") << "the licensor of LICENSE";
    EXPECT_EQ(value(2), L"Tovik DLL");
    EXPECT_EQ(value(3), L"1, 0, 0, 6");
    EXPECT_EQ(value(4), L"TovikDlg");
    EXPECT_EQ(value(5), L"Copyright (C) 2026 Tovik");
    EXPECT_EQ(value(6), L"Tovik");
    EXPECT_EQ(value(7), L"TovikDlg.DLL");
    EXPECT_EQ(value(8), L"");
    EXPECT_EQ(value(9), L"Tovik Dialog DLL");
    EXPECT_EQ(value(10), L"1, 0, 0, 6");
    EXPECT_EQ(value(11), value(0)) << "SpecialBuild repeats Comments";

    const VersionNode& vars = root.children[1];
    EXPECT_EQ(vars.key, L"VarFileInfo");
    ASSERT_EQ(vars.children.size(), 1u);
    EXPECT_EQ(vars.children[0].key, L"Translation");
    ASSERT_EQ(vars.children[0].value.size(), 4u);
    WORD translation[2];
    std::memcpy(translation, vars.children[0].value.data(), 4);
    EXPECT_EQ(translation[0], 0x0404);
    EXPECT_EQ(translation[1], 1200);
}

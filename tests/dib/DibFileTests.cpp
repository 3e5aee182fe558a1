// CDibImage reading and writing BMP files, hostile files included.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>

#include "DibTestIds.h"
#include "DibTestSupport.h"
#include "PeImage.h"

namespace {

uint32_t Field32(const std::vector<uint8_t>& bytes, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

struct RoundTrip {
    const char* trace;
    std::function<bool(ProbeImage&)> make;
    uint32_t offBits, size;
    uint32_t clrUsed;           // in the written header
    std::vector<uint8_t> table; // expected table bytes (empty: none written)
};

TEST(DibFile, WritesHeadersTableAndRows)
{
    BmpFile colors255(100, 30, 8, 255);
    TempFile in255("in255.bmp", colors255.bytes);
    // 255 entries, and as entry 255 the four bytes that follow them in the
    // file (the table is read 1024 bytes long).
    std::vector<uint8_t> table255(colors255.bytes.begin() + 54, colors255.bytes.begin() + 54 + 1024);

    BmpFile deep(5, 3, 24);
    TempFile in24("in24.bmp", deep.bytes);

    const RoundTrip cases[] = {
        {"355 x 356 resource", [](ProbeImage& i) { return i.LoadBitmapResource(MAKEINTRESOURCEA(IDB_PIC256)) != 0; },
         1078, 127814, 0, {}},
        {"100 x 30 resource", [](ProbeImage& i) { return i.LoadBitmapResource(MAKEINTRESOURCEA(IDB_PIC255)) != 0; },
         1078, 4078, 0, {}},
        {"255-colour file", [&](ProbeImage& i) { return i.Load(in255.Path()) != 0; }, 1078, 4078, 255, table255},
        {"24-bit file", [&](ProbeImage& i) { return i.Load(in24.Path()) != 0; }, 54, 54 + 48, 0, {}},
    };
    for (const RoundTrip& c : cases) {
        SCOPED_TRACE(c.trace);
        ProbeImage image;
        ASSERT_TRUE(c.make(image));
        const uint32_t bitsBytes = c.size - c.offBits;
        std::vector<BYTE> rows(image.GetBits(), image.GetBits() + bitsBytes);
        TempFile out("out.bmp");
        ASSERT_TRUE(image.Save(out.Path()));
        EXPECT_EQ(0u, image.GetBitmapInfo()->bmiHeader.biSizeImage);

        std::vector<uint8_t> bytes = out.ReadBytes();
        ASSERT_EQ(c.size, bytes.size());
        EXPECT_EQ('B', bytes[0]);
        EXPECT_EQ('M', bytes[1]);
        EXPECT_EQ(c.size, Field32(bytes, 2));
        EXPECT_EQ(0u, Field32(bytes, 6));
        EXPECT_EQ(c.offBits, Field32(bytes, 10));
        EXPECT_EQ(0u, Field32(bytes, 14 + 20));  // biSizeImage
        EXPECT_EQ(c.clrUsed, Field32(bytes, 14 + 32));
        // Header and table from the image; its rows as they were, unmoved.
        EXPECT_EQ(0, std::memcmp(image.GetBitmapInfo(), &bytes[14], c.offBits - 14));
        if (!c.table.empty()) {
            EXPECT_EQ(0, std::memcmp(c.table.data(), &bytes[54], c.table.size()));
        }
        EXPECT_EQ(0, std::memcmp(rows.data(), &bytes[c.offBits], bitsBytes));
        EXPECT_EQ(0, std::memcmp(rows.data(), image.GetBits(), bitsBytes));

        // Read back: the same picture, and a palette of the header's colours.
        ProbeImage back;
        ASSERT_TRUE(back.Load(out.Path()));
        EXPECT_TRUE(back.FromFile());
        EXPECT_EQ(0, std::memcmp(rows.data(), back.GetBits(), bitsBytes));
        if (image.GetBitCount() == 8) {
            EXPECT_EQ(c.clrUsed ? c.clrUsed : 256, PaletteEntriesOf(back.Palette()).size());
        } else {
            EXPECT_EQ(nullptr, back.Palette());
        }

        // A second write moves nothing and writes the same bytes.
        TempFile again("again.bmp");
        ASSERT_TRUE(image.Save(again.Path()));
        EXPECT_EQ(bytes, again.ReadBytes());
    }
}

TEST(DibFile, ReadsFromTheFilesPosition)
{
    BmpFile picture(7, 4, 8);
    std::vector<uint8_t> bytes(37 + picture.bytes.size(), 0xEE);
    std::copy(picture.bytes.begin(), picture.bytes.end(), bytes.begin() + 37);
    TempFile path("after.bmp", bytes);
    CFile file;
    ASSERT_TRUE(file.Open(path.Path(), CFile::modeRead));
    file.Seek(37, CFile::begin);
    ProbeImage image;
    ASSERT_TRUE(image.Read(&file));
    EXPECT_EQ(7, image.GetWidth());
    EXPECT_EQ(0, std::memcmp(picture.bits.data(), image.GetBits(), picture.bits.size()));
    EXPECT_EQ(0, std::memcmp(picture.table.data(), image.GetColorTable(), 1024));
    EXPECT_EQ(size_t(40 + 4 * 256), BlockBytes(image.GetBitmapInfo())) << "the header and a full table";
}

// f with BI_BITFIELDS compression and its three masks behind the header.
BmpFile WithBitFields(BmpFile f, const uint8_t (&masks)[12])
{
    f.info.compression = bmp::kCompressionBitfields;
    f.bytes.insert(f.bytes.begin() + 54, masks, masks + 12);
    f.file.offBits += 12;
    f.file.size += 12;
    return f.Store();
}

struct Accepted {
    const char* trace;
    BmpFile file;
    size_t paletteEntries;  // 0: no palette
    bool writable;
};

TEST(DibFile, KeepsWellMadeFilesOfEveryKind)
{
    auto withTail = [] { BmpFile f(6, 2, 8); f.bytes.resize(f.bytes.size() + 9, 0x55); f.file.size += 9; return f.Store(); };
    auto topDown = [] { BmpFile f(6, -5, 8); return f; };
    const uint8_t masks[12] = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
    auto gap = [] {
        BmpFile f(4, 4, 4);
        f.bytes.insert(f.bytes.begin() + f.file.offBits, 100, 0);
        f.file.offBits += 100;
        f.file.size += 100;
        return f.Store();
    };
    // As paint programs save: 72 dpi, the colours used and important, the image size.
    auto painted = [] {
        BmpFile f(5, 3, 8, 200);
        f.info.xPelsPerMeter = f.info.yPelsPerMeter = 2834;
        f.info.clrImportant = 17;
        f.info.sizeImage = 3 * 8;
        return f.Store();
    };
    const Accepted cases[] = {
        {"1 bit", BmpFile(9, 3, 1), 2, true},
        {"1 pixel wide", BmpFile(1, 3, 24), 0, true},
        {"72 dpi, 200 colours, 17 important", painted(), 200, true},
        {"4 bits, 5 colours", BmpFile(5, 3, 4, 5), 5, true},
        {"8 bits, 255 colours", BmpFile(10, 2, 8, 255), 255, true},
        {"8 bits, all 256 colours stated", BmpFile(10, 2, 8, 256), 256, true},
        {"4 bits, all 16 colours stated", BmpFile(5, 3, 4, 16), 16, true},
        {"24 bits, a table of 256 colours", BmpFile(2, 2, 24, 256), 0, true},
        {"top-down, one row", BmpFile(6, -1, 8), 256, false},
        {"16 bits", BmpFile(3, 3, 16), 0, true},
        {"24 bits, table shorter than 1024 bytes", BmpFile(2, 2, 24), 0, true},
        {"32 bits", BmpFile(2, 2, 32), 0, true},
        {"bytes after the rows", withTail(), 256, true},
        {"gap before the rows", gap(), 16, true},
        {"top-down rows", topDown(), 256, false},
        {"bit-field masks", WithBitFields(BmpFile(3, 2, 32), masks), 0, false},
    };
    for (const Accepted& c : cases) {
        SCOPED_TRACE(c.trace);
        TempFile in("accepted.bmp", c.file.bytes);
        ProbeImage image;
        ASSERT_TRUE(image.Load(in.Path()));
        EXPECT_EQ(size_t(40 + 4 * 256), BlockBytes(image.GetBitmapInfo())) << "the header and a full table";
        EXPECT_EQ(size_t(c.file.file.size - c.file.file.offBits), BlockBytes(image.GetBits()));
        EXPECT_EQ(0, std::memcmp(c.file.bits.data(), image.GetBits(), c.file.bits.size()));
        // The table holds what the file has behind the header, zeroes after it.
        size_t tableBytes = std::min<size_t>(1024, c.file.bytes.size() - 54);
        EXPECT_EQ(0, std::memcmp(&c.file.bytes[54], image.GetColorTable(), tableBytes));
        std::vector<uint8_t> zeros(1024 - tableBytes, 0);
        EXPECT_EQ(0, std::memcmp(zeros.data(), reinterpret_cast<BYTE*>(image.GetColorTable()) + tableBytes, zeros.size()));
        if (c.paletteEntries) {
            EXPECT_EQ(c.paletteEntries, PaletteEntriesOf(image.Palette()).size());
        } else {
            EXPECT_EQ(nullptr, image.Palette());
        }
        // Drawn at its natural size, each row lands where it belongs.
        const int rows = std::abs(image.GetHeight());
        Canvas canvas(image.GetWidth(), rows);
        image.Draw(canvas.Dc(), 0, 0);
        for (int y = 0; (image.GetBitCount() == 8 || image.GetBitCount() == 24) && y < rows; ++y)
            for (int x = 0; x < image.GetWidth(); ++x)
                ASSERT_EQ(ImagePixel(image, x, y), canvas.At(x, y)) << x << "," << y;
        // What can't be written as read is refused, and nothing is written.
        TempFile out("accepted-out.bmp");
        CFile file;
        ASSERT_TRUE(file.Open(out.Path(), CFile::modeCreate | CFile::modeWrite));
        EXPECT_EQ(c.writable, image.Write(&file) != 0);
        file.Close();
        // Written back, the header keeps every field but the image size (0).
        const std::vector<uint8_t> written = out.ReadBytes(), &read = c.file.bytes;
        if (!c.writable) {
            EXPECT_TRUE(written.empty());
        } else if (written.size() >= 54) {
            EXPECT_TRUE(std::equal(read.begin() + 18, read.begin() + 34, written.begin() + 18));
            EXPECT_TRUE(std::equal(read.begin() + 38, read.begin() + 54, written.begin() + 38));
        }
    }
}

TEST(DibFile, DrawsTopDownFilesUpright)
{
    BmpFile down(6, -5, 8);
    TempFile in("topdown.bmp", down.bytes);
    ProbeImage image;
    ASSERT_TRUE(image.Load(in.Path()));
    Canvas canvas(20, 20);
    image.Draw(canvas.Dc(), 0, 0);
    RECT dest = {10, 10, 13, 12}, src = {2, 1, 5, 3};
    image.Paint(canvas.Dc(), &dest, &src);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(ImagePixel(image, x, y), canvas.At(x, y)) << x << "," << y;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            ASSERT_EQ(ImagePixel(image, 2 + x, 1 + y), canvas.At(10 + x, 10 + y)) << x << "," << y;
}

struct Refused {
    const char* trace;
    std::function<void(BmpFile&)> spoil;
};

TEST(DibFile, RefusesHostileFilesAndEmptiesTheImage)
{
    auto setInfoSize = [](uint32_t n) { return [n](BmpFile& f) { f.info.size = n; f.Store(); }; };
    const Refused cases[] = {
        {"not BM", [](BmpFile& f) { f.file.type = 0x4D43; f.Store(); }},
        {"empty file", [](BmpFile& f) { f.bytes.clear(); }},
        {"OS/2 12-byte header", setInfoSize(12)},
        {"108-byte header", setInfoSize(108)},
        {"124-byte header", setInfoSize(124)},
        {"file ends inside the headers", [](BmpFile& f) { f.bytes.resize(40); }},
        {"bits offset inside the headers", [](BmpFile& f) { f.file.offBits = 20; f.Store(); }},
        {"bits offset beyond the file", [](BmpFile& f) { f.file.offBits = 0x7FFFFFF0; f.Store(); }},
        {"size field before the bits", [](BmpFile& f) { f.file.size = f.file.offBits - 1; f.Store(); }},
        {"size field beyond the file", [](BmpFile& f) { f.file.size += 1; f.Store(); }},
        {"file cut short of its size field", [](BmpFile& f) { f.bytes.pop_back(); }},
        {"pixel bytes short of the rows", [](BmpFile& f) { f.file.size -= 1; f.Store(); }},
        {"one top-down row, a byte short", [](BmpFile& f) { f = BmpFile(8, -1, 8); f.file.size -= 1; f.Store(); }},
        {"top-down rows, a byte short", [](BmpFile& f) { f = BmpFile(8, -4, 8); f.file.size -= 1; f.Store(); }},
        {"size field short of the rows, offset at file end", [](BmpFile& f) { f.file.offBits = f.file.size = uint32_t(f.bytes.size()); f.Store(); }},
        {"two planes", [](BmpFile& f) { f.info.planes = 2; f.Store(); }},
        {"0 bits per pixel", [](BmpFile& f) { f.info.bitCount = 0; f.Store(); }},
        {"2 bits per pixel", [](BmpFile& f) { f.info.bitCount = 2; f.Store(); }},
        {"64 bits per pixel", [](BmpFile& f) { f.info.bitCount = 64; f.Store(); }},
        {"RLE8 compression", [](BmpFile& f) { f.info.compression = 1; f.Store(); }},
        {"bit fields at 8 bits", [](BmpFile& f) { f.info.compression = 3; f.Store(); }},
        {"width 0", [](BmpFile& f) { f.info.width = 0; f.Store(); }},
        {"negative width", [](BmpFile& f) { f.info.width = -8; f.Store(); }},
        {"height 0", [](BmpFile& f) { f.info.height = 0; f.Store(); }},
        {"height INT_MIN", [](BmpFile& f) { f.info.height = INT_MIN; f.Store(); }},
        {"row size overflows", [](BmpFile& f) { f.info.bitCount = 32; f.info.width = 0x08000000; f.Store(); }},
        {"image size overflows", [](BmpFile& f) { f.info.width = 0x10000; f.info.height = 0x10001; f.Store(); }},
        {"257 colours", [](BmpFile& f) { f.info.clrUsed = 257; f.Store(); }},
        {"257 colours at 16 bits", [](BmpFile& f) { f = BmpFile(8, 4, 16, 257); }},
        {"257 colours at 24 bits", [](BmpFile& f) { f = BmpFile(8, 4, 24, 257); }},
        {"1024 colours at 32 bits", [](BmpFile& f) { f = BmpFile(8, 4, 32, 1024); }},
        {"huge colour count", [](BmpFile& f) { f.info.clrUsed = 0xFFFFFFFF; f.Store(); }},
        {"17 colours at 4 bits", [](BmpFile& f) { f.info.bitCount = 4; f.info.clrUsed = 17; f.Store(); }},
    };
    TempFile held("held.bmp", BmpFile(4, 4, 8).bytes);
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.trace);
        BmpFile spoilt(8, 4, 8);
        c.spoil(spoilt);
        TempFile in("refused.bmp", spoilt.bytes);
        ProbeImage image;
        ASSERT_TRUE(image.Load(held.Path()));
        CPalette* pPalette = image.Palette();
        EXPECT_FALSE(image.Load(in.Path()));
        EXPECT_EQ(nullptr, image.GetBitmapInfo());
        EXPECT_EQ(nullptr, image.GetBits());
        EXPECT_EQ(pPalette, image.Palette());
        EXPECT_TRUE(image.FromFile());
    }
}

TEST(DibFile, AlignRowsMovesPackedRowsOnce)
{
    TempFile in("align.bmp", BmpFile(3, 2, 8).bytes);
    ProbeImage image;
    ASSERT_TRUE(image.Load(in.Path()));
    BYTE* p = image.GetBits();
    const BYTE start[8] = {0, 1, 2, 3, 4, 5, 6, 7};

    std::memcpy(p, start, 8);
    EXPECT_TRUE(image.AlignRows());  // read from a file: already aligned
    EXPECT_EQ(0, std::memcmp(start, p, 8));

    image.MarkRowsPacked();
    EXPECT_TRUE(image.AlignRows());
    const BYTE moved[8] = {0, 1, 2, 3, 3, 4, 5, 7};
    EXPECT_EQ(0, std::memcmp(moved, p, 8));

    std::memcpy(p, start, 8);
    EXPECT_TRUE(image.AlignRows());  // marked as moved: nothing again
    EXPECT_EQ(0, std::memcmp(start, p, 8));

    // Rows whose packed and aligned sizes agree stay where they are.
    for (const BmpFile& f : {BmpFile(4, 3, 8), BmpFile(8, 3, 24)}) {
        in.WriteBytes(f.bytes);
        ASSERT_TRUE(image.Load(in.Path()));
        image.MarkRowsPacked();
        EXPECT_TRUE(image.AlignRows());
        EXPECT_EQ(0, std::memcmp(f.bits.data(), image.GetBits(), f.bits.size()));
    }
}

// ---- A Save that fails -------------------------------------------------------

// This program's WriteFile, which can be told to fail, or to write only half
// and say so (the disk is full), after a number of writes.
enum class WriteFault { None, Fails, ComesUpShort };
using WriteFileFn = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
WriteFileFn g_pfnWriteFile = nullptr;
WriteFault g_writeFault = WriteFault::None;
int g_nWritesLeft = 0;  // before the fault

BOOL WINAPI WriteFileFaultingLater(HANDLE hFile, LPCVOID pData, DWORD nBytes, LPDWORD pnWritten, LPOVERLAPPED pOv)
{
    if (g_writeFault == WriteFault::None || g_nWritesLeft-- > 0)
        return g_pfnWriteFile(hFile, pData, nBytes, pnWritten, pOv);
    if (g_writeFault == WriteFault::ComesUpShort)
        return g_pfnWriteFile(hFile, pData, nBytes / 2, pnWritten, pOv);
    *pnWritten = 0;
    ::SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

// This program's MoveFileExA, which notes the file moved over a target.
using MoveFileExFn = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD);
MoveFileExFn g_pfnMoveFileEx = nullptr;
std::string g_movedFrom;

BOOL WINAPI MoveFileExNoted(LPCSTR pszFrom, LPCSTR pszTo, DWORD dwFlags)
{
    g_movedFrom = pszFrom;
    return g_pfnMoveFileEx(pszFrom, pszTo, dwFlags);
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\') + 1); }

// The names of the files in the temporary folder, where the tests' files are.
std::vector<std::string> TempFolderFiles()
{
    char dir[MAX_PATH];
    ::GetTempPathA(sizeof dir, dir);
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE hFind = ::FindFirstFileA((std::string(dir) + "*").c_str(), &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(fd.cFileName);
    while (::FindNextFileA(hFind, &fd));
    ::FindClose(hFind);
    return names;
}

enum class SaveEnd { Written, Refused, FileException };

struct SaveCase {
    const char* trace;
    std::function<bool(ProbeImage&, const TempFile& input)> make;
    WriteFault fault;
    int nWritesBeforeFault;
    SaveEnd end;
    bool bBareName = false;  // the target named without its folder, from the current folder
};

// A Save that fails, by result or by the file object's exception, leaves an
// existing file byte for byte as it was, and no file of its own behind.
TEST(DibFile, FailedSaveLeavesTheTargetAsItWas)
{
    auto fromFile = [](BmpFile f) {
        return [f](ProbeImage& image, const TempFile& input) {
            input.WriteBytes(f.bytes);
            return image.Load(input.Path()) != 0;
        };
    };
    const uint8_t masks565[12] = {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    const SaveCase cases[] = {
        {"written: the file is replaced", fromFile(BmpFile(5, 3, 8)), WriteFault::None, 0, SaveEnd::Written},
        {"written to a name without a folder", fromFile(BmpFile(5, 3, 8)), WriteFault::None, 0, SaveEnd::Written,
         true},
        {"top-down rows Write refuses", fromFile(BmpFile(6, -5, 8)), WriteFault::None, 0, SaveEnd::Refused},
        {"16-bit bit fields Write refuses", fromFile(WithBitFields(BmpFile(4, 2, 16), masks565)), WriteFault::None, 0,
         SaveEnd::Refused},
        {"empty image", [](ProbeImage&, const TempFile&) { return true; }, WriteFault::None, 0, SaveEnd::Refused},
        {"disk full after the headers", fromFile(BmpFile(5, 3, 8)), WriteFault::Fails, 2, SaveEnd::FileException},
        {"disk full at the first write", fromFile(BmpFile(5, 3, 8)), WriteFault::Fails, 0, SaveEnd::FileException},
        {"rows written only in part", fromFile(BmpFile(5, 3, 8)), WriteFault::ComesUpShort, 2, SaveEnd::FileException},
    };
    pe::ImportPatch faultingWrites(::GetModuleHandleA(nullptr), "kernel32.dll", "WriteFile",
                                   reinterpret_cast<void*>(&WriteFileFaultingLater));
    g_pfnWriteFile = reinterpret_cast<WriteFileFn>(faultingWrites.Original());
    ASSERT_NE(g_pfnWriteFile, nullptr);
    pe::ImportPatch notedMoves(::GetModuleHandleA(nullptr), "kernel32.dll", "MoveFileExA",
                               reinterpret_cast<void*>(&MoveFileExNoted));
    g_pfnMoveFileEx = reinterpret_cast<MoveFileExFn>(notedMoves.Original());
    ASSERT_NE(g_pfnMoveFileEx, nullptr);
    char szOldFolder[MAX_PATH] = "";
    ::GetCurrentDirectoryA(MAX_PATH, szOldFolder);
    for (const SaveCase& c : cases) {
        SCOPED_TRACE(c.trace);
        TempFile input("save-input.bmp"), target("save-target.bmp");
        const std::string path = target.Path(), folder = FolderOf(path);
        // The current directory is the target's folder only for a bare name.
        ::SetCurrentDirectoryA(c.bBareName ? folder.c_str() : "C:\\");
        ProbeImage image;
        ASSERT_TRUE(c.make(image, input));
        const std::vector<uint8_t> before(300, 0x5A);
        target.WriteBytes(before);
        const std::vector<std::string> filesBefore = TempFolderFiles();

        g_writeFault = c.fault;
        g_nWritesLeft = c.nWritesBeforeFault;
        SaveEnd end = SaveEnd::Refused;
        try {
            end = image.Save(c.bBareName ? path.substr(folder.size()).c_str() : path.c_str()) ? SaveEnd::Written
                                                                                             : SaveEnd::Refused;
        } catch (const CFileException& e) {
            end = SaveEnd::FileException;
            EXPECT_EQ(e.m_cause, CFileException::diskFull);
        }
        g_writeFault = WriteFault::None;

        EXPECT_EQ(end, c.end);
        if (c.end == SaveEnd::Written) {
            EXPECT_EQ(target.ReadBytes(), input.ReadBytes());
            char szFrom[MAX_PATH] = "";
            ::GetFullPathNameA(g_movedFrom.c_str(), MAX_PATH, szFrom, nullptr);
            EXPECT_EQ(FolderOf(szFrom), folder) << "written beside the target first";
        } else {
            EXPECT_EQ(target.ReadBytes(), before);
        }
        EXPECT_EQ(TempFolderFiles(), filesBefore) << "no file left behind";
    }
    ::SetCurrentDirectoryA(szOldFolder);
}

TEST(DibFile, OpenFailuresAndFileExceptions)
{
    ProbeImage image;
    ASSERT_TRUE(image.LoadBitmapResource(MAKEINTRESOURCEA(IDB_PIC255)));
    BYTE* pBits = image.GetBits();
    EXPECT_FALSE(image.Load("C:\\no-such-dir\\missing.bmp"));
    EXPECT_FALSE(image.Save("C:\\no-such-dir\\out.bmp"));
    EXPECT_EQ(pBits, image.GetBits());

    // A file marked read-only loads. One another program holds open does
    // not: Load opens with modeRead, which shares the file with nobody.
    TempFile readOnly("readonly.bmp", BmpFile(4, 4, 8).bytes);
    ASSERT_TRUE(::SetFileAttributesA(readOnly.Path(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(image.Load(readOnly.Path()));
    ::SetFileAttributesA(readOnly.Path(), FILE_ATTRIBUTE_NORMAL);
    HANDLE hReader = ::CreateFileA(readOnly.Path(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(image.Load(readOnly.Path())) << "held by a reader that shares reading only";
    ::CloseHandle(hReader);

    // A file opened for reading can't be written, one opened for writing
    // can't be read: the file object's exception reaches the caller.
    TempFile path("except.bmp", BmpFile(4, 4, 8).bytes);
    {
        CFile file;
        ASSERT_TRUE(file.Open(path.Path(), CFile::modeRead));
        EXPECT_THROW(image.Write(&file), CFileException);
    }
    {
        CFile file;
        ASSERT_TRUE(file.Open(path.Path(), CFile::modeWrite));
        EXPECT_THROW(image.Read(&file), CFileException);
        EXPECT_EQ(nullptr, image.GetBits());
        // A handle closed behind the object's back fails its Close.
        ASSERT_TRUE(::CloseHandle(file.m_hFile));
        EXPECT_THROW(file.Close(), CFileException);
    }
}

}  // namespace

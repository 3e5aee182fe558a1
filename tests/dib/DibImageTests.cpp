// CDibImage made from bitmap resources and device bitmaps, and drawn.
#include <gtest/gtest.h>

#include <cstring>

#include "DibTestIds.h"
#include "DibTestSupport.h"

namespace {

// The packed DIB of one of the test program's own bitmap resources.
const BITMAPINFOHEADER* ResourceDib(int id)
{
    HRSRC hRes = ::FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));  // RT_BITMAP
    return hRes ? static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(nullptr, hRes)))
                : nullptr;
}

struct ResourceCase {
    const char* trace;
    int id;
    LONG width, height;
    DWORD clrUsed;       // of the resource
    DWORD bitsBytes;     // height x rows padded to 32 bits
};

TEST(DibResource, LoadsEightBitPicturesWithTheirTablesAndPalettes)
{
    const ResourceCase cases[] = {
        {"256 colours, 355 x 356", IDB_PIC256, 355, 356, 0, 356 * 356},
        {"255 colours, 100 x 30", IDB_PIC255, 100, 30, 255, 100 * 30},
    };
    for (const ResourceCase& c : cases) {
        SCOPED_TRACE(c.trace);
        ProbeImage image;
        ASSERT_TRUE(image.LoadBitmapResource(MAKEINTRESOURCEA(c.id)));
        const BITMAPINFOHEADER& bih = image.GetBitmapInfo()->bmiHeader;
        EXPECT_EQ(c.width, image.GetWidth());
        EXPECT_EQ(c.height, image.GetHeight());
        EXPECT_EQ(8, image.GetBitCount());
        EXPECT_EQ(40u, bih.biSize);
        EXPECT_EQ(DWORD(BI_RGB), bih.biCompression);
        EXPECT_EQ(c.bitsBytes, bih.biSizeImage);
        EXPECT_EQ(256, image.GetColorTableEntries());
        EXPECT_EQ(40u + 256 * 4, BlockBytes(image.GetBitmapInfo()));
        EXPECT_EQ(c.bitsBytes, BlockBytes(image.GetBits()));
        EXPECT_FALSE(image.FromFile());

        // Table and rows as the resource holds them.
        const BITMAPINFOHEADER* pRes = ResourceDib(c.id);
        ASSERT_NE(nullptr, pRes);
        DWORD nColors = c.clrUsed ? c.clrUsed : 256;
        const RGBQUAD* pResTable = reinterpret_cast<const RGBQUAD*>(pRes + 1);
        EXPECT_EQ(0, std::memcmp(pResTable, image.GetColorTable(), nColors * 4));
        EXPECT_EQ(0, std::memcmp(pResTable + nColors, image.GetBits(), c.bitsBytes));

        // GetDIBits hands back a full table with biClrUsed 0 (the entries
        // behind a shorter table black), so both palettes have 256 entries in
        // the table's colours, flags 0.
        EXPECT_EQ(0u, bih.biClrUsed);
        EXPECT_EQ(0u, bih.biClrImportant);
        if (c.clrUsed != 0) {
            const RGBQUAD& last = image.GetColorTable()[255];
            EXPECT_EQ(0, last.rgbRed | last.rgbGreen | last.rgbBlue);
        }
        ASSERT_NE(nullptr, image.Palette());
        std::vector<PALETTEENTRY> pal = PaletteEntriesOf(image.Palette());
        ASSERT_EQ(256u, pal.size());
        for (size_t i = 0; i < pal.size(); ++i) {
            const RGBQUAD& q = image.GetColorTable()[i];
            PALETTEENTRY want = {q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
            ASSERT_EQ(0, std::memcmp(&want, &pal[i], sizeof want)) << "entry " << i;
        }
        EXPECT_TRUE(image.MakePalette()) << "made again";
        EXPECT_EQ(pal.size(), PaletteEntriesOf(image.Palette()).size());
    }
}

TEST(DibResource, MissingResourceKeepsTheHeldImage)
{
    ProbeImage image;
    ASSERT_TRUE(image.LoadBitmapResource(MAKEINTRESOURCEA(IDB_PIC255)));
    BITMAPINFO* pBMI = image.GetBitmapInfo();
    BYTE* pBits = image.GetBits();
    CPalette* pPalette = image.Palette();
    EXPECT_FALSE(image.LoadBitmapResource(MAKEINTRESOURCEA(999)));
    EXPECT_FALSE(image.LoadBitmapResource("NO_SUCH_BITMAP"));
    EXPECT_EQ(pBMI, image.GetBitmapInfo());
    EXPECT_EQ(pBits, image.GetBits());
    EXPECT_EQ(pPalette, image.Palette());
}

TEST(DibResource, LooksInTheCurrentModuleStatesInstance)
{
    AFX_MODULE_STATE other;
    other.m_hCurrentInstanceHandle = ::GetModuleHandleA("kernel32.dll");
    CDibImage image;
    {
        AFX_MANAGE_STATE(&other);
        EXPECT_FALSE(image.LoadBitmapResource(MAKEINTRESOURCEA(IDB_PIC256)));
    }
    EXPECT_TRUE(image.LoadBitmapResource(MAKEINTRESOURCEA(IDB_PIC256)));
}

// The format core's own tests cover row sizes and colour counts in full;
// these are the image's forwards of them.
TEST(DibRowSizes, Examples)
{
    struct { DWORD bits, width, packed, aligned; } rows[] = {
        {1, 9, 2, 4}, {24, 5, 15, 16}, {8, 355, 355, 356},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.bits << " bits x " << r.width);
        EXPECT_EQ(r.packed, CDibImage::PackedRowBytes(r.bits, r.width));
        EXPECT_EQ(r.aligned, CDibImage::AlignedRowBytes(r.bits, r.width));
    }
}

// A DIB section of the given depth, 9 x 5 pixels, with patterned bits and,
// up to 8 bits, a patterned colour table.
struct Section {
    HBITMAP hBitmap;
    const BYTE* pBits;
    DWORD stride;
};

Section MakeSection(WORD bitCount, int width, int height)
{
    std::vector<BYTE> block(sizeof(BITMAPINFOHEADER) + 256 * 4);
    BITMAPINFO* pBMI = reinterpret_cast<BITMAPINFO*>(block.data());
    pBMI->bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, bitCount, BI_RGB, 0, 0, 0, 0, 0};
    for (int i = 0; i < 256; ++i)
        pBMI->bmiColors[i] = {BYTE(i * 7), BYTE(255 - i), BYTE(i * 3 + 1), 0};
    void* pBits = nullptr;
    HBITMAP hBitmap = ::CreateDIBSection(nullptr, pBMI, DIB_RGB_COLORS, &pBits, nullptr, 0);
    DWORD stride = CDibImage::AlignedRowBytes(bitCount, width);
    BYTE* p = static_cast<BYTE*>(pBits);
    for (DWORD i = 0; p != nullptr && i < stride * DWORD(height); ++i)
        p[i] = static_cast<BYTE>(i * 29 + 3);
    // 32-bit pixels with a clear fourth byte, so the 24-bit copy matches.
    for (DWORD i = 3; bitCount == 32 && p != nullptr && i < stride * DWORD(height); i += 4)
        p[i] = 0;
    return {hBitmap, p, stride};
}

TEST(DibDeviceBitmap, CopiesEachDepth)
{
    const int w = 9, h = 5;
    struct { WORD depth, bitCount, entries; DWORD blockRow; bool palette; } cases[] = {
        {1, 1, 2, 12, true},   {4, 4, 16, 12, true},    {8, 8, 256, 12, true},
        {16, 24, 0, 28, false}, {24, 24, 0, 28, false}, {32, 24, 0, 28, false},
    };
    CClientDC dc(CWnd::FromHandle(::GetDesktopWindow()));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.depth << "-bit device bitmap");
        Section section = MakeSection(c.depth, w, h);
        ASSERT_NE(nullptr, section.hBitmap);
        CBitmap bitmap;
        bitmap.Attach(section.hBitmap);
        ProbeImage image;
        ASSERT_TRUE(image.CreateFromBitmap(&dc, &bitmap));
        EXPECT_EQ(c.bitCount, image.GetBitCount());
        EXPECT_EQ(c.entries, image.GetColorTableEntries());
        EXPECT_EQ(40u + 4 * c.entries, BlockBytes(image.GetBitmapInfo()));
        EXPECT_EQ(c.blockRow * h, BlockBytes(image.GetBits()));
        EXPECT_EQ(CDibImage::AlignedRowBytes(c.bitCount, w) * h,
                  image.GetBitmapInfo()->bmiHeader.biSizeImage);
        EXPECT_EQ(0, image.GetBitmapInfo()->bmiHeader.biXPelsPerMeter | image.GetBitmapInfo()->bmiHeader.biYPelsPerMeter);
        EXPECT_EQ(c.palette, image.Palette() != nullptr);
        if (c.palette) {
            EXPECT_EQ(size_t(c.entries), PaletteEntriesOf(image.Palette()).size());
        }

        // Same rows as the source, 32-bit pixels without their fourth byte.
        DWORD rowBytes = CDibImage::PackedRowBytes(c.bitCount, w);
        for (int y = 0; y < h && c.depth != 16; ++y) {
            const BYTE* pGot = image.GetBits() + y * CDibImage::AlignedRowBytes(c.bitCount, w);
            const BYTE* pSrc = section.pBits + y * section.stride;
            for (DWORD i = 0; i < rowBytes; ++i) {
                DWORD src = c.depth == 32 ? i / 3 * 4 + i % 3 : i;
                // 1- and 4-bit rows: compare only the bits of whole pixels.
                BYTE mask = (i == rowBytes - 1 && (c.bitCount * w) % 8)
                                ? BYTE(0xFF << (8 - (c.bitCount * w) % 8)) : BYTE(0xFF);
                ASSERT_EQ(pSrc[src] & mask, pGot[i] & mask) << "row " << y << " byte " << i;
            }
        }
    }
}

TEST(DibDeviceBitmap, FailuresLeaveTheImageEmptyAndKeepThePalette)
{
    CClientDC dc(CWnd::FromHandle(::GetDesktopWindow()));
    ProbeImage image;
    ASSERT_TRUE(image.LoadBitmapResource(MAKEINTRESOURCEA(IDB_PIC255)));
    CPalette* pPalette = image.Palette();

    // A null bitmap, or one without a handle, is no request: the held image stays.
    BYTE* pBits = image.GetBits();
    CBitmap empty;
    EXPECT_FALSE(image.CreateFromBitmap(&dc, nullptr) || image.CreateFromBitmap(&dc, &empty));
    EXPECT_EQ(pBits, image.GetBits());

    // More than 65535 rows: the 16-bit scan-line count falls short.
    Section tall = MakeSection(8, 1, 65537);
    ASSERT_NE(nullptr, tall.hBitmap);
    CBitmap bitmap;
    bitmap.Attach(tall.hBitmap);
    EXPECT_FALSE(image.CreateFromBitmap(&dc, &bitmap));
    EXPECT_EQ(nullptr, image.GetBitmapInfo());
    EXPECT_EQ(nullptr, image.GetBits());
    EXPECT_EQ(pPalette, image.Palette());
}

TEST(DibEmptyImage, DoesNothingAndReportsFailure)
{
    ProbeImage image;
    Canvas canvas(8, 8);
    RECT rc = {0, 0, 4, 4};
    EXPECT_EQ(0, image.Paint(canvas.Dc(), &rc, &rc));
    image.StretchDraw(canvas.Dc(), 0, 0, 8, 8);
    image.Draw(canvas.Dc(), 0, 0);
    EXPECT_EQ(0x00ABCDEFu, canvas.At(1, 1));
    EXPECT_FALSE(image.MakePalette());
    EXPECT_FALSE(image.AlignRows());
    EXPECT_EQ(nullptr, image.GetColorTable());
    EXPECT_EQ(0, image.GetWidth() | image.GetHeight() | image.GetBitCount() |
                     image.GetColorTableEntries() | image.GetNumColors() | CDibImage::NumColors(nullptr));
    TempFile out("empty.bmp");
    EXPECT_FALSE(image.Save(out.Path()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(out.Path()));
    CFile file;
    ASSERT_TRUE(file.Open(out.Path(), CFile::modeCreate | CFile::modeWrite));
    EXPECT_FALSE(image.Write(&file));
    EXPECT_EQ(0u, file.GetLength());
}

// ---- Drawing into a 32-bit surface -------------------------------------------

TEST(DibDraw, NaturalSizeStretchedAndPaintedBlocksMatchThePicture)
{
    ProbeImage image;
    ASSERT_TRUE(image.LoadBitmapResource(MAKEINTRESOURCEA(IDB_PIC256)));
    const int w = image.GetWidth(), h = image.GetHeight();

    {
        SCOPED_TRACE("Draw at (3, 2)");
        Canvas canvas(w + 6, h + 4);
        image.Draw(canvas.Dc(), 3, 2);
        EXPECT_EQ(0x00ABCDEFu, canvas.At(2, 1));
        EXPECT_EQ(0x00ABCDEFu, canvas.At(w + 3, h + 2));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(ImagePixel(image, x, y), canvas.At(x + 3, y + 2)) << x << "," << y;
    }
    {
        SCOPED_TRACE("StretchDraw to twice the size");
        Canvas canvas(2 * w, 2 * h);
        image.StretchDraw(canvas.Dc(), 0, 0, 2 * w, 2 * h);
        for (int y = 0; y < 2 * h; ++y)
            for (int x = 0; x < 2 * w; ++x)
                ASSERT_EQ(ImagePixel(image, x / 2, y / 2), canvas.At(x, y)) << x << "," << y;
    }
    struct { const char* trace; RECT dest, src; } blocks[] = {
        {"top-left corner", {0, 0, 40, 30}, {0, 0, 40, 30}},
        {"inner block", {10, 20, 60, 45}, {100, 200, 150, 225}},
        {"bottom rows", {5, 5, 25, 15}, {300, 346, 320, 356}},
    };
    for (const auto& b : blocks) {
        SCOPED_TRACE(b.trace);
        Canvas canvas(80, 60);
        EXPECT_NE(0, image.Paint(canvas.Dc(), &b.dest, &b.src));
        for (int y = b.dest.top; y < b.dest.bottom; ++y)
            for (int x = b.dest.left; x < b.dest.right; ++x)
                ASSERT_EQ(ImagePixel(image, b.src.left + x - b.dest.left, b.src.top + y - b.dest.top),
                          canvas.At(x, y)) << x << "," << y;
        EXPECT_EQ(0x00ABCDEFu, canvas.At(b.dest.right, b.dest.bottom));
    }
}

TEST(DibDraw, PaletteAndStretchModeOnlyForPaletteImages)
{
    CClientDC dc(CWnd::FromHandle(::GetDesktopWindow()));
    Section section = MakeSection(24, 9, 5);
    CBitmap bitmap;
    bitmap.Attach(section.hBitmap);
    ProbeImage deep, eight;
    ASSERT_TRUE(deep.CreateFromBitmap(&dc, &bitmap));
    ASSERT_TRUE(eight.LoadBitmapResource(MAKEINTRESOURCEA(IDB_PIC255)));

    Canvas canvas(120, 40);
    HDC hDC = canvas.Dc()->m_hDC;
    HGDIOBJ hDefaultPal = ::GetCurrentObject(hDC, OBJ_PAL);
    ::SetStretchBltMode(hDC, HALFTONE);
    deep.StretchDraw(canvas.Dc(), 0, 0, 18, 10);
    EXPECT_EQ(HALFTONE, ::GetStretchBltMode(hDC));

    eight.StretchDraw(canvas.Dc(), 0, 0, 100, 30);
    EXPECT_EQ(COLORONCOLOR, ::GetStretchBltMode(hDC));
    EXPECT_EQ(hDefaultPal, ::GetCurrentObject(hDC, OBJ_PAL));

    // Emptied by a refused read, the image keeps its palette: drawing still
    // selects it, draws nothing and puts the old one back.
    TempFile bad("notbmp.bmp", {'X', 'Y', 0, 0});
    ASSERT_FALSE(eight.Load(bad.Path()));
    ASSERT_NE(nullptr, eight.Palette());
    Canvas blank(20, 20);
    HDC hBlank = blank.Dc()->m_hDC;
    eight.StretchDraw(blank.Dc(), 0, 0, 20, 20);
    EXPECT_EQ(COLORONCOLOR, ::GetStretchBltMode(hBlank));
    EXPECT_EQ(hDefaultPal, ::GetCurrentObject(hBlank, OBJ_PAL));
    EXPECT_EQ(0x00ABCDEFu, blank.At(10, 10));
    RECT rc = {0, 0, 5, 5};
    EXPECT_EQ(0, eight.Paint(blank.Dc(), &rc, &rc));
}

// Draw, Load and Save reach the replaceable operations through the
// virtual table.
class CountingImage : public CDibImage {
public:
    int stretches = 0, reads = 0, writes = 0;
    void StretchDraw(CDC*, int, int, int, int) override { ++stretches; }
    BOOL Read(CFile*) override { ++reads; return TRUE; }
    BOOL Write(CFile*) override { ++writes; return TRUE; }
};

TEST(DibVirtuals, WrappersCallTheDerivedOperations)
{
    CountingImage image;
    ASSERT_TRUE(image.LoadBitmapResource(MAKEINTRESOURCEA(IDB_PIC255)));
    TempFile file("virtual.bmp", {'B', 'M'});
    image.Draw(nullptr, 0, 0);
    EXPECT_TRUE(image.Load(file.Path()));
    EXPECT_TRUE(image.Save(file.Path()));
    EXPECT_EQ(1, image.stretches);
    EXPECT_EQ(1, image.reads);
    EXPECT_EQ(1, image.writes);
}

}  // namespace

// The three pictures as the built library holds them: headers, sizes and
// colour tables of the bitmap resources of language 0x0404.
#include <windows.h>
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include "TestFiles.h"

namespace {

TEST(ClaimArtwork, BitmapResourcesOfTheBuiltLibrary)
{
    const std::string path = ProgramFolder() + "\\TovikDlg.dll";
    HMODULE hLib = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(hLib, nullptr) << path;

    struct Row {
        const char* trace;
        WORD wID;
        LONG cx, cy;
        DWORD nColours;     // used and important
        DWORD cbImage;      // image size field
        LONG nPerMetre;     // resolution, both axes
        DWORD cbResource;
        bool bButton;
    } rows[] = {
        { "IDB_BACKGROUND", 101, 355, 356, 256, 126736, 0, 127800, false },
        { "IDB_AGREE", 102, 100, 30, 255, 3002, 2834, 4062, true },
        { "IDB_DISAGREE", 103, 100, 30, 255, 3002, 2834, 4062, true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        HRSRC hRes = ::FindResourceExA(hLib, RT_BITMAP, MAKEINTRESOURCEA(row.wID), 0x0404);
        ASSERT_NE(hRes, nullptr);
        ASSERT_EQ(::SizeofResource(hLib, hRes), row.cbResource);
        const BYTE* p = static_cast<const BYTE*>(::LockResource(::LoadResource(hLib, hRes)));
        BITMAPINFOHEADER bih;
        std::memcpy(&bih, p, sizeof(bih));
        // Every field of the header, the colours counted both as used and as important.
        const BITMAPINFOHEADER want = {40, row.cx, row.cy, 1, 8, BI_RGB, row.cbImage, row.nPerMetre, row.nPerMetre,
                                       row.nColours, row.nColours};
        EXPECT_EQ(0, std::memcmp(&bih, &want, sizeof(want))) << "the header";
        // Header, colour table and pixels fill the resource exactly; the
        // rows, padded to 4 bytes, leave 2 spare bytes in the button pictures.
        const DWORD cbStride = (row.cx + 3) & ~3;
        ASSERT_EQ(40 + 4 * bih.biClrUsed + bih.biSizeImage, row.cbResource);
        EXPECT_EQ(bih.biSizeImage - cbStride * row.cy, row.bButton ? 2u : 0u);

        const RGBQUAD* pTable = reinterpret_cast<const RGBQUAD*>(p + 40);
        const BYTE* pBits = p + 40 + 4 * bih.biClrUsed;
        auto isRgb = [](const RGBQUAD& q, BYTE r, BYTE g, BYTE b) {
            return q.rgbRed == r && q.rgbGreen == g && q.rgbBlue == b;
        };
        int nBlackEntries = 0, nIndexZero = 0, nOutOfTable = 0;
        for (DWORD i = 0; i < bih.biClrUsed; ++i)
            nBlackEntries += isRgb(pTable[i], 0, 0, 0);
        for (LONG y = 0; y < row.cy; ++y)
            for (LONG x = 0; x < row.cx; ++x) {
                nIndexZero += pBits[y * cbStride + x] == 0;
                nOutOfTable += pBits[y * cbStride + x] >= bih.biClrUsed;
            }
        EXPECT_EQ(nOutOfTable, 0);
        if (row.bButton) {
            EXPECT_TRUE(isRgb(pTable[0], 0, 0, 0));
            EXPECT_TRUE(isRgb(pTable[1], 255, 255, 255));
            EXPECT_EQ(nIndexZero, 0) << "no pixel uses the black entry";
        } else {
            EXPECT_EQ(nBlackEntries, 0);
        }
    }
    ::FreeLibrary(hLib);
}

} // namespace

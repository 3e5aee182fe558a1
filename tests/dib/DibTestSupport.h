// Helpers of the DIB image tests: access to the image's protected state,
// BMP files made in memory, temporary files and a 32-bit drawing surface.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "AfxState.h"
#include "UiDriver.h"
#include "CDibImage.h"
#include "CWnd.h"
#include "bmp_format.h"
#include "Pixels.h"

// Exposes the state the tests check and lets them mark rows as packed.
class ProbeImage : public CDibImage {
public:
    CPalette* Palette() const { return m_pPalette; }
    BOOL FromFile() const { return m_bFromFile; }
    void MarkRowsPacked() { m_bFromFile = FALSE; m_bRowsAligned = FALSE; }
};

// Bytes of the block behind a pointer from the global allocator (operator
// new takes its blocks from malloc here).
size_t BlockBytes(const void* p);

// Entries of a GDI palette.
std::vector<PALETTEENTRY> PaletteEntriesOf(const CPalette* pPalette);

// A BMP file: the headers as the fields say, a table of the bit count's
// entries (fewer when clrUsed says so), then the rows (height rows at the aligned stride). Pixel bytes
// and table entries follow a fixed pattern.
struct BmpFile {
    bmp::FileHeader file;
    bmp::InfoHeader info;
    std::vector<uint8_t> bytes;  // whole file, rebuilt by Store()
    uint32_t tableEntries;
    std::vector<uint8_t> table, bits;

    BmpFile(int32_t width, int32_t height, uint16_t bitCount, uint32_t clrUsed = 0);
    // Writes the current header fields over the first 54 bytes.
    BmpFile& Store();
};

// A path in the temporary directory, unique to this process, with the file
// written when bytes are given; the file is deleted when the object goes.
class TempFile {
public:
    explicit TempFile(const char* name);
    TempFile(const char* name, const std::vector<uint8_t>& bytes) : TempFile(name) { WriteBytes(bytes); }
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const char* Path() const { return m_path.c_str(); }
    void WriteBytes(const std::vector<uint8_t>& bytes) const;
    std::vector<uint8_t> ReadBytes() const;

private:
    std::string m_path;
};

// The drawing surface of the image tests: filled with a colour (0x00ABCDEF)
// that no test picture uses, with a framework DC over it.
class Canvas : public ui::Canvas {
public:
    Canvas(int width, int height) : ui::Canvas(width, height, RGB(0xAB, 0xCD, 0xEF)) { m_dc.m_hDC = hdc(); }
    ~Canvas() { m_dc.m_hDC = nullptr; }
    CDC* Dc() { return &m_dc; }

private:
    CDC m_dc;
};

// Colour of the image's pixel (x, y), counted from the top-left corner, as
// 0x00RRGGBB; for 8-bit images from the colour table, for 24-bit images from
// the bits.
uint32_t ImagePixel(const CDibImage& image, int x, int y);

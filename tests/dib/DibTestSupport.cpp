#include "DibTestSupport.h"

#include <malloc.h>

#include <stdexcept>

#include "TestFiles.h"

size_t BlockBytes(const void* p)
{
    return _msize(const_cast<void*>(p));
}

std::vector<PALETTEENTRY> PaletteEntriesOf(const CPalette* pPalette)
{
    HPALETTE hPal = static_cast<HPALETTE>(pPalette->m_hObject);
    WORD nEntries = 0;
    ::GetObjectA(hPal, sizeof nEntries, &nEntries);
    std::vector<PALETTEENTRY> entries(nEntries);
    if (nEntries != 0)
        ::GetPaletteEntries(hPal, 0, nEntries, entries.data());
    return entries;
}

BmpFile::BmpFile(int32_t width, int32_t height, uint16_t bitCount, uint32_t clrUsed)
    : tableEntries(clrUsed != 0 && clrUsed < bmp::ColorTableEntries(bitCount)
                       ? clrUsed : bmp::ColorTableEntries(bitCount))
{
    info = {40, width, height, 1, bitCount, bmp::kCompressionRgb, 0, 0, 0, clrUsed, 0};
    uint32_t rows = static_cast<uint32_t>(height < 0 ? -height : height);
    for (uint32_t i = 0; i < tableEntries; ++i) {
        uint8_t quad[4] = {uint8_t(255 - i), uint8_t(i * 37 + 11), uint8_t(i), 0};
        table.insert(table.end(), quad, quad + 4);
    }
    bits.resize(bmp::AlignedRowBytes(bitCount, static_cast<uint32_t>(width)) * rows);
    for (size_t i = 0; i < bits.size(); ++i)
        bits[i] = static_cast<uint8_t>(i * 13 + 5);
    file = {bmp::kFileType, 0, 0, 0, static_cast<uint32_t>(bmp::kHeadersBytes + table.size())};
    file.size = file.offBits + static_cast<uint32_t>(bits.size());
    bytes.resize(bmp::kHeadersBytes);
    bytes.insert(bytes.end(), table.begin(), table.end());
    bytes.insert(bytes.end(), bits.begin(), bits.end());
    Store();
}

BmpFile& BmpFile::Store()
{
    bmp::StoreFileHeader(file, bytes.data());
    bmp::StoreInfoHeader(info, bytes.data() + bmp::kFileHeaderBytes);
    return *this;
}

TempFile::TempFile(const char* name)
{
    char dir[MAX_PATH];
    ::GetTempPathA(sizeof dir, dir);
    m_path = std::string(dir) + "dibtest-" + std::to_string(::GetCurrentProcessId()) + "-" + name;
    ::DeleteFileA(m_path.c_str());
}

TempFile::~TempFile()
{
    ::DeleteFileA(m_path.c_str());
}

void TempFile::WriteBytes(const std::vector<uint8_t>& bytes) const
{
    if (!WriteFileBytes(m_path, std::string(bytes.begin(), bytes.end())))
        throw std::runtime_error("cannot write " + m_path);
}

std::vector<uint8_t> TempFile::ReadBytes() const
{
    std::string bytes;
    return ReadFileBytes(m_path, bytes) ? std::vector<uint8_t>(bytes.begin(), bytes.end()) : std::vector<uint8_t>();
}

uint32_t ImagePixel(const CDibImage& image, int x, int y)
{
    LONG height = image.GetHeight();
    int rows = height < 0 ? -height : height;
    int row = height < 0 ? y : rows - 1 - y;
    DWORD stride = CDibImage::AlignedRowBytes(image.GetBitCount(), image.GetWidth());
    const BYTE* p = image.GetBits() + static_cast<size_t>(row) * stride;
    if (image.GetBitCount() == 8) {
        const RGBQUAD& q = image.GetColorTable()[p[x]];
        return (q.rgbRed << 16) | (q.rgbGreen << 8) | q.rgbBlue;
    }
    p += x * 3;
    return (p[2] << 16) | (p[1] << 8) | p[0];
}

#include "CDibImage.h"

#include <climits>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "AfxState.h"
#include "CWnd.h"
#include "bmp_format.h"

namespace {

// Failure texts of CreateFromBitmap. Like the reading texts of the format
// core they are raised as the exception payload and caught in the operation
// that raised them; nothing shows them.
const char* const kErrorNoBitsStorage = "could not allocate data storage\n";
const char* const kErrorNoInfoStorage = "could not allocate BITMAPINFO struct\n";
const char* const kErrorGetDIBits =
    "call to GetDIBits did not return full number of requested scan lines\n";

// Blocks are plain memory from the global allocator.
struct BlockDeleter {
    void operator()(void* p) const { ::operator delete(p); }
};
using Block = std::unique_ptr<BYTE, BlockDeleter>;

Block NewBlock(size_t nBytes)
{
    return Block(static_cast<BYTE*>(::operator new(nBytes)));
}

// Selects and realises the image's palette for one drawing call and selects
// the previous palette back afterwards. Without a palette object or a device
// context it touches neither palette nor stretch mode.
class PaletteScope {
public:
    PaletteScope(CDC* pDC, CPalette* pPalette)
        : m_pDC(pPalette != nullptr ? pDC : nullptr), m_pOld(nullptr)
    {
        if (m_pDC == nullptr)
            return;
        m_pOld = m_pDC->SelectPalette(pPalette, FALSE);
        m_pDC->RealizePalette();
        m_pDC->SetStretchBltMode(COLORONCOLOR);
    }
    ~PaletteScope()
    {
        if (m_pDC != nullptr)
            m_pDC->SelectPalette(m_pOld, FALSE);
    }
    PaletteScope(const PaletteScope&) = delete;
    PaletteScope& operator=(const PaletteScope&) = delete;

private:
    CDC* m_pDC;
    CPalette* m_pOld;
};

// A new file beside a target path, made to be written in full and then to
// take the target's place in one step. Unless Commit succeeds it is deleted
// when the object goes, so neither a half-written file nor a stray one is
// left behind.
class ReplacementFile {
public:
    explicit ReplacementFile(const char* pszTarget) : m_pszTarget(pszTarget)
    {
        const char* pszName = pszTarget;
        for (const char* p = pszTarget; *p != '\0'; ++p)
            if (*p == '\\' || *p == '/' || *p == ':')
                pszName = p + 1;
        // The folder part, "." when the target names none.
        char szFolder[MAX_PATH] = ".";
        const size_t nFolder = static_cast<size_t>(pszName - pszTarget);
        m_szPath[0] = '\0';
        if (nFolder >= MAX_PATH)
            return;
        if (nFolder > 0) {
            std::memcpy(szFolder, pszTarget, nFolder);
            szFolder[nFolder] = '\0';
        }
        if (::GetTempFileNameA(szFolder, "dib", 0, m_szPath) == 0)
            m_szPath[0] = '\0';
    }
    ~ReplacementFile()
    {
        if (m_szPath[0] != '\0')
            ::DeleteFileA(m_szPath);
    }
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // The new file's path; empty when it could not be made.
    const char* Path() const { return m_szPath; }
    // Puts the new file in the target's place, replacing an existing one.
    bool Commit()
    {
        if (m_szPath[0] == '\0' || !::MoveFileExA(m_szPath, m_pszTarget, MOVEFILE_REPLACE_EXISTING))
            return false;
        m_szPath[0] = '\0';
        return true;
    }

private:
    const char* m_pszTarget;
    char m_szPath[MAX_PATH];
};

}  // namespace

CDibImage::CDibImage()
    : m_pBMI(nullptr), m_pBits(nullptr), m_pPalette(nullptr), m_bFromFile(FALSE),
      m_bRowsAligned(FALSE)
{
}

CDibImage::~CDibImage()
{
    FreeBlocks();
    delete m_pPalette;
}

void CDibImage::FreeBlocks()
{
    ::operator delete(m_pBMI);
    m_pBMI = nullptr;
    ::operator delete(m_pBits);
    m_pBits = nullptr;
}

// ---- Making the image -------------------------------------------------------

BOOL CDibImage::CreateFromBitmap(CDC* pDC, CBitmap* pBitmap)
{
    // Without a bitmap there is nothing to copy; the held image stays.
    if (pBitmap == nullptr)
        return FALSE;
    BITMAP bm = {};
    if (::GetObjectA(pBitmap->m_hObject, sizeof bm, &bm) == 0)
        return FALSE;

    try {
        FreeBlocks();

        // 1- and 4-bit rows get room as for 8 bits; deeper bitmaps come back
        // as 24 bits per pixel. Sizes that don't fit the address space can't
        // be allocated either.
        DWORD nBlockBitCount = bm.bmBitsPixel <= 8 ? 8 : 24;
        DWORD nWidth = static_cast<DWORD>(bm.bmWidth);
        DWORD nHeight = static_cast<DWORD>(bm.bmHeight);
        unsigned long long nBitsBytes =
            static_cast<unsigned long long>(AlignedRowBytes(nBlockBitCount, nWidth)) * nHeight;
        if (bm.bmWidth <= 0 || bm.bmHeight <= 0 ||
            static_cast<unsigned long long>(bm.bmWidth) * nBlockBitCount + 31 > UINT_MAX ||
            nBitsBytes > INT_MAX)
            throw kErrorNoBitsStorage;
        m_pBits = static_cast<BYTE*>(::operator new(static_cast<size_t>(nBitsBytes), std::nothrow));
        if (m_pBits == nullptr)
            throw kErrorNoBitsStorage;

        WORD nBitCount = bm.bmBitsPixel <= 8 ? bm.bmBitsPixel : 24;
        WORD nEntries = bmp::ColorTableEntries(nBitCount);
        m_pBMI = static_cast<BITMAPINFO*>(
            ::operator new(sizeof(BITMAPINFOHEADER) + 4 * nEntries, std::nothrow));
        if (m_pBMI == nullptr)
            throw kErrorNoInfoStorage;

        BITMAPINFOHEADER& bih = m_pBMI->bmiHeader;
        bih.biSize = sizeof(BITMAPINFOHEADER);
        bih.biWidth = bm.bmWidth;
        bih.biHeight = bm.bmHeight;
        bih.biPlanes = bm.bmPlanes;
        bih.biBitCount = nBitCount;
        bih.biCompression = BI_RGB;
        bih.biSizeImage = AlignedRowBytes(nBitCount, nWidth) * nHeight;
        bih.biXPelsPerMeter = 0;
        bih.biYPelsPerMeter = 0;
        bih.biClrUsed = 0;
        bih.biClrImportant = 0;

        // Depths between the table sizes have no DIB layout whose colour table
        // fits the block; GetDIBits is not asked for them.
        if (nBitCount <= 8 && nEntries == 0)
            throw kErrorGetDIBits;
        // The scan-line count goes to the platform as a 16-bit value.
        UINT nLines = static_cast<WORD>(bm.bmHeight);
        int nGot = ::GetDIBits(pDC != nullptr ? pDC->m_hDC : nullptr,
                               static_cast<HBITMAP>(pBitmap->m_hObject), 0, nLines,
                               m_pBits, m_pBMI, DIB_RGB_COLORS);
        if (nGot != bm.bmHeight)
            throw kErrorGetDIBits;
    } catch (const char*) {
        FreeBlocks();
        return FALSE;
    }

    MakePalette();
    m_bFromFile = FALSE;
    // GetDIBits hands back rows at the aligned stride.
    m_bRowsAligned = TRUE;
    return TRUE;
}

BOOL CDibImage::LoadBitmapResource(LPCSTR lpszResourceName)
{
    CBitmap bitmap;  // deletes the loaded picture when it goes
    if (!bitmap.Attach(::LoadImageA(AfxGetModuleState()->m_hCurrentInstanceHandle, lpszResourceName,
                                    IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)))
        return FALSE;
    CClientDC dc(CWnd::FromHandle(::GetDesktopWindow()));
    return CreateFromBitmap(&dc, &bitmap);
}

BOOL CDibImage::MakePalette()
{
    delete m_pPalette;
    m_pPalette = nullptr;
    if (m_pBMI == nullptr || m_pBMI->bmiHeader.biBitCount > 8)
        return FALSE;

    // Every block holds at least the table of its bit count, and a file is
    // only accepted when its colour count fits that table, so the palette
    // never reads past the block.
    const BITMAPINFOHEADER& bih = m_pBMI->bmiHeader;
    DWORD nColors = bmp::PaletteEntries(bih.biClrUsed, bih.biBitCount,
                                        bmp::ColorTableEntries(bih.biBitCount));
    // At most 256 entries (8 bits a pixel), so the palette fits on the stack.
    alignas(LOGPALETTE) BYTE logPalette[offsetof(LOGPALETTE, palPalEntry) + sizeof(PALETTEENTRY) * 256];
    LOGPALETTE* pLogPal = reinterpret_cast<LOGPALETTE*>(logPalette);
    pLogPal->palVersion = 0x300;
    pLogPal->palNumEntries = static_cast<WORD>(nColors);
    const RGBQUAD* pTable = GetColorTable();
    for (DWORD i = 0; i < nColors; ++i) {
        pLogPal->palPalEntry[i].peRed = pTable[i].rgbRed;
        pLogPal->palPalEntry[i].peGreen = pTable[i].rgbGreen;
        pLogPal->palPalEntry[i].peBlue = pTable[i].rgbBlue;
        pLogPal->palPalEntry[i].peFlags = 0;
    }
    m_pPalette = new CPalette;
    m_pPalette->Attach(::CreatePalette(pLogPal));
    return TRUE;
}

// ---- Drawing ----------------------------------------------------------------

int CDibImage::Paint(CDC* pDC, LPCRECT lpDestRect, LPCRECT lpSrcRect)
{
    HDC hDC = pDC != nullptr ? pDC->m_hDC : nullptr;
    PaletteScope palette(pDC, m_pPalette);
    if (m_pBMI == nullptr || lpDestRect == nullptr || lpSrcRect == nullptr)
        return 0;
    // The source rectangle is top-down; the platform counts the source y
    // upward from the picture's bottom row, for top-down DIBs too. The row
    // count is the height's magnitude.
    LONG nHeight = m_pBMI->bmiHeader.biHeight;
    int nRows = nHeight < 0 ? -nHeight : nHeight;
    int ySrc = nRows - lpSrcRect->bottom;
    return ::SetDIBitsToDevice(hDC, lpDestRect->left, lpDestRect->top,
                               lpDestRect->right - lpDestRect->left,
                               lpDestRect->bottom - lpDestRect->top,
                               lpSrcRect->left, ySrc, 0, nRows,
                               m_pBits, m_pBMI, DIB_RGB_COLORS);
}

void CDibImage::StretchDraw(CDC* pDC, int x, int y, int cx, int cy)
{
    HDC hDC = pDC != nullptr ? pDC->m_hDC : nullptr;
    PaletteScope palette(pDC, m_pPalette);
    if (m_pBMI == nullptr)
        return;
    // The source is the whole image: its rows counted upward, whichever
    // order the DIB stores them in (a negative extent would mirror it).
    LONG nHeight = m_pBMI->bmiHeader.biHeight;
    ::StretchDIBits(hDC, x, y, cx, cy, 0, 0, m_pBMI->bmiHeader.biWidth,
                    nHeight < 0 ? -nHeight : nHeight, m_pBits, m_pBMI,
                    DIB_RGB_COLORS, SRCCOPY);
}

void CDibImage::Draw(CDC* pDC, int x, int y)
{
    LONG nHeight = GetHeight();
    StretchDraw(pDC, x, y, GetWidth(), nHeight < 0 ? -nHeight : nHeight);
}

// ---- BMP files --------------------------------------------------------------

BOOL CDibImage::Load(const CString& strPathName)
{
    CFile file;
    if (!file.Open(strPathName, CFile::modeRead))
        return FALSE;
    BOOL bResult = Read(&file);
    file.Close();
    return bResult;
}

BOOL CDibImage::Save(const CString& strPathName)
{
    // What Write refuses is refused before any file is touched. The rest is
    // written to a new file beside the target, which replaces the target
    // only once every byte is written: a failed Save, by result or by the
    // file object's exception, leaves an existing file as it was.
    bmp::WritePlan plan;
    if (!PlanWrite(&plan))
        return FALSE;
    ReplacementFile replacement(strPathName);
    CFile file;
    if (replacement.Path()[0] == '\0' || !file.Open(replacement.Path(), CFile::modeCreate | CFile::modeWrite))
        return FALSE;
    BOOL bResult = Write(&file);
    file.Close();
    return bResult && replacement.Commit();
}

BOOL CDibImage::Read(CFile* pFile)
{
    FreeBlocks();
    if (pFile == nullptr)
        return FALSE;

    // The image is built in local blocks and taken over only when the whole
    // file has been read, so a refusal or a file exception leaves it empty.
    Block info, bits;
    bmp::ReadPlan plan;
    try {
        ULONGLONG nStart = pFile->GetPosition();
        ULONGLONG nLength = pFile->GetLength();
        ULONGLONG nFileBytes = nLength > nStart ? nLength - nStart : 0;

        uint8_t headers[bmp::kHeadersBytes] = {};
        UINT nGot = pFile->Read(headers, sizeof headers);
        if (nGot < sizeof headers && nGot < nFileBytes)
            nFileBytes = nGot;
        bmp::FileHeader fileHeader = bmp::ParseFileHeader(headers);
        bmp::InfoHeader infoHeader = bmp::ParseInfoHeader(headers + bmp::kFileHeaderBytes);
        if (const char* pRefusal = bmp::CheckRead(fileHeader, infoHeader, nFileBytes, &plan))
            throw pRefusal;
        // Seek takes a signed 32-bit offset.
        ULONGLONG nBitsAt = nStart + plan.bitsOffset;
        if (nBitsAt > LONG_MAX)
            throw bmp::kErrorTooLarge;

        // The header as it stands, then what the file has of a 256-entry
        // table; the rest of the table is zero.
        info = NewBlock(bmp::kReadInfoBlockBytes);
        std::memcpy(info.get(), headers + bmp::kFileHeaderBytes, bmp::kInfoHeaderBytes);
        std::memset(info.get() + bmp::kInfoHeaderBytes, 0, bmp::kTableReadBytes);
        pFile->Read(info.get() + bmp::kInfoHeaderBytes, plan.tableBytes);

        bits = NewBlock(plan.bitsBytes);
        pFile->Seek(static_cast<LONG>(nBitsAt), CFile::begin);
        // The length was checked; a file that shrank since is refused too.
        if (pFile->Read(bits.get(), plan.bitsBytes) != plan.bitsBytes)
            throw bmp::kErrorTruncated;
    } catch (const char*) {
        return FALSE;
    }

    m_pBMI = reinterpret_cast<BITMAPINFO*>(info.release());
    m_pBits = bits.release();
    MakePalette();
    m_bFromFile = TRUE;
    m_bRowsAligned = TRUE;
    return TRUE;
}

BOOL CDibImage::Write(CFile* pFile)
{
    bmp::WritePlan plan;
    if (pFile == nullptr || !PlanWrite(&plan))
        return FALSE;
    AlignRows();
    m_pBMI->bmiHeader.biSizeImage = 0;
    uint8_t fileHeader[bmp::kFileHeaderBytes];
    bmp::StoreFileHeader(plan.fileHeader, fileHeader);
    pFile->Write(fileHeader, sizeof fileHeader);
    pFile->Write(m_pBMI, plan.infoBytes);
    pFile->Write(m_pBits, plan.bitsBytes);
    return TRUE;
}

bool CDibImage::PlanWrite(bmp::WritePlan* pPlan) const
{
    if (m_pBMI == nullptr || m_pBits == nullptr)
        return false;
    // Only what reads back as the same image is written: bottom-up BI_RGB
    // rows of a supported depth, with the blocks covering what is written.
    bmp::InfoHeader header = bmp::ParseInfoHeader(reinterpret_cast<const uint8_t*>(&m_pBMI->bmiHeader));
    size_t nInfoBytes = sizeof(BITMAPINFOHEADER) + 4 * GetColorTableEntries();
    return bmp::CheckWrite(header, nInfoBytes, ImageBytes(), pPlan) == nullptr;
}

BOOL CDibImage::AlignRows()
{
    if (m_pBMI == nullptr || m_pBits == nullptr)
        return FALSE;
    if (m_bFromFile || m_bRowsAligned)
        return TRUE;
    const BITMAPINFOHEADER& bih = m_pBMI->bmiHeader;
    if (!bmp::AlignRows(m_pBits, ImageBytes(), bih.biBitCount, bih.biWidth, bih.biHeight))
        return FALSE;
    m_bRowsAligned = TRUE;
    return TRUE;
}

// ---- Accessors --------------------------------------------------------------

size_t CDibImage::ImageBytes() const
{
    // Both kinds of bits block hold at least this much: CreateFromBitmap
    // sizes its block for the rows GetDIBits fills, and Read only accepts
    // files whose pixel bytes cover the rows.
    if (m_pBMI == nullptr)
        return 0;
    const BITMAPINFOHEADER& bih = m_pBMI->bmiHeader;
    if (bih.biWidth < 0 || bih.biHeight == LONG_MIN ||
        static_cast<unsigned long long>(bih.biBitCount) * static_cast<DWORD>(bih.biWidth) + 31 >
            UINT_MAX)
        return 0;
    DWORD nRows = static_cast<DWORD>(bih.biHeight < 0 ? -bih.biHeight : bih.biHeight);
    unsigned long long nBytes =
        static_cast<unsigned long long>(AlignedRowBytes(bih.biBitCount, bih.biWidth)) * nRows;
    return nBytes <= SIZE_MAX ? static_cast<size_t>(nBytes) : 0;
}

RGBQUAD* CDibImage::GetColorTable() const
{
    if (m_pBMI == nullptr)
        return nullptr;
    return reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(m_pBMI) + sizeof(BITMAPINFOHEADER));
}

LONG CDibImage::GetWidth() const
{
    return m_pBMI != nullptr ? m_pBMI->bmiHeader.biWidth : 0;
}

LONG CDibImage::GetHeight() const
{
    return m_pBMI != nullptr ? m_pBMI->bmiHeader.biHeight : 0;
}

WORD CDibImage::GetBitCount() const
{
    return m_pBMI != nullptr ? m_pBMI->bmiHeader.biBitCount : 0;
}

WORD CDibImage::GetColorTableEntries() const
{
    return m_pBMI != nullptr ? bmp::ColorTableEntries(m_pBMI->bmiHeader.biBitCount) : 0;
}

DWORD CDibImage::GetNumColors() const
{
    return m_pBMI != nullptr ? NumColors(&m_pBMI->bmiHeader) : 0;
}

DWORD CDibImage::NumColors(const BITMAPINFOHEADER* pHeader)
{
    return pHeader != nullptr ? bmp::NumColors(pHeader->biClrUsed, pHeader->biBitCount) : 0;
}

DWORD CDibImage::PackedRowBytes(DWORD nBitCount, DWORD nWidth)
{
    return bmp::PackedRowBytes(nBitCount, nWidth);
}

DWORD CDibImage::AlignedRowBytes(DWORD nBitCount, DWORD nWidth)
{
    return bmp::AlignedRowBytes(nBitCount, nWidth);
}

// A device-independent bitmap held in memory: the BITMAPINFO block (header
// and colour table), the pixel bits and, for 8 or fewer bits per pixel, a
// palette made from the colour table. Loads itself from bitmap resources,
// device bitmaps and BMP files, draws itself onto a device context and
// writes itself as a BMP file.
#pragma once
#include <windows.h>
#include "CDC.h"
#include "CFile.h"
#include "CGdiObject.h"
#include "CString.h"

namespace bmp {
struct WritePlan;
}

class CDibImage {
public:
    CDibImage();
    virtual ~CDibImage();
    CDibImage(const CDibImage&) = delete;
    CDibImage& operator=(const CDibImage&) = delete;

    // Replaces the image by a DIB copy of the device bitmap: 1, 4 and 8 bits
    // per pixel stay as they are, deeper bitmaps become 24 bits per pixel.
    BOOL CreateFromBitmap(CDC* pDC, CBitmap* pBitmap);
    // Replaces the image by the bitmap resource of the current module state's
    // instance (a name or MAKEINTRESOURCE of an id).
    BOOL LoadBitmapResource(LPCSTR lpszResourceName);
    // Remakes the palette from the colour table; TRUE when one exists after.
    BOOL MakePalette();

    // Copies a block of the destination's size one to one. The block's left
    // and bottom edges are the source rectangle's (top-down picture
    // coordinates); its right and top edges are not used. Returns the scan
    // lines set, 0 without an image.
    virtual int Paint(CDC* pDC, LPCRECT lpDestRect, LPCRECT lpSrcRect);
    // Draws the whole image stretched into x, y, cx, cy.
    virtual void StretchDraw(CDC* pDC, int x, int y, int cx, int cy);
    // Draws the whole image at its natural size.
    virtual void Draw(CDC* pDC, int x, int y);

    // BMP files. Load and Save open the path and call Read and Write; Read
    // and Write work at the file's current position. Exceptions of the file
    // object pass to the caller. Save refuses what Write would refuse before
    // touching any file, and replaces an existing file only once the whole
    // image is written.
    virtual BOOL Load(const CString& strPathName);
    virtual BOOL Read(CFile* pFile);
    virtual BOOL Save(const CString& strPathName);
    virtual BOOL Write(CFile* pFile);
    // Moves rows held packed to the 32-bit aligned stride that GDI and the
    // file format expect. Does nothing for rows known to be aligned.
    BOOL AlignRows();

    // Borrowed pointers; NULL without an image.
    BITMAPINFO* GetBitmapInfo() const { return m_pBMI; }
    RGBQUAD* GetColorTable() const;
    BYTE* GetBits() const { return m_pBits; }
    // Header fields; 0 without an image.
    LONG GetWidth() const;
    LONG GetHeight() const;
    WORD GetBitCount() const;
    // Colour-table entries of the image's bit count (2, 16, 256 or 0).
    WORD GetColorTableEntries() const;
    // Colours of the image's header (see NumColors).
    DWORD GetNumColors() const;

    // biClrUsed, or 1 shifted left by the bit count when it is 0.
    static DWORD NumColors(const BITMAPINFOHEADER* pHeader);
    // Bytes of a row of nWidth pixels, without and with padding to 32 bits.
    static DWORD PackedRowBytes(DWORD nBitCount, DWORD nWidth);
    static DWORD AlignedRowBytes(DWORD nBitCount, DWORD nWidth);

protected:
    BITMAPINFO* m_pBMI;     // header and colour table; NULL when empty
    BYTE* m_pBits;          // pixel rows, bottom row first; NULL when empty
    CPalette* m_pPalette;   // for 8 or fewer bits per pixel, else NULL
    BOOL m_bFromFile;       // TRUE after a successful Read
    // TRUE while the rows are known to lie at the aligned stride: made so by
    // GetDIBits or read from a file, or moved there by AlignRows.
    BOOL m_bRowsAligned;

private:
    // Whether the image can be written as a BMP file that reads back the
    // same; fills *pPlan when it can.
    bool PlanWrite(bmp::WritePlan* pPlan) const;
    // Bytes the bits block holds at least: the rows as GDI reads them.
    // 0 without an image or for a header whose rows have no such size.
    size_t ImageBytes() const;
    void FreeBlocks();
};

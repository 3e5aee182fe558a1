// The smallest DLL built as the library is (same compiler, static C++
// runtime, C++ exceptions) that reads a bitmap resource of its own as the
// skin does: loaded as a DIB section, read back with GetDIBits through the
// desktop's DC. What loading, calling and unloading it leaves in the process
// is the runtime's and the system's (Wine keeps tens of KB per unloaded DLL
// that read a picture so, although every object is deleted).
#include <windows.h>
#include <vector>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

bool ReadPicture()
{
    HINSTANCE hInstance = reinterpret_cast<HINSTANCE>(&__ImageBase);
    HBITMAP hBitmap = static_cast<HBITMAP>(
        ::LoadImageA(hInstance, MAKEINTRESOURCEA(101), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (hBitmap == nullptr)
        return false;
    BITMAP bm = {};
    ::GetObjectA(hBitmap, sizeof(bm), &bm);
    std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    BITMAPINFOHEADER* pHeader = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    pHeader->biSize = sizeof(BITMAPINFOHEADER);
    pHeader->biWidth = bm.bmWidth;
    pHeader->biHeight = bm.bmHeight;
    pHeader->biPlanes = 1;
    pHeader->biBitCount = bm.bmBitsPixel;
    std::vector<BYTE> bits(static_cast<size_t>(bm.bmHeight) * ((bm.bmWidth * bm.bmBitsPixel + 31) / 32 * 4));
    HWND hDesktop = ::GetDesktopWindow();
    HDC hDC = ::GetDC(hDesktop);
    int nLines = ::GetDIBits(hDC, hBitmap, 0, bm.bmHeight, bits.data(), reinterpret_cast<BITMAPINFO*>(pHeader),
                             DIB_RGB_COLORS);
    ::ReleaseDC(hDesktop, hDC);
    ::DeleteObject(hBitmap);
    return nLines == bm.bmHeight;
}

} // namespace

// 0 when the picture was read; n other than 0 throws and catches.
extern "C" __declspec(dllexport) int __cdecl RuntimeFloor(int n)
{
    try {
        if (n != 0)
            throw n;
    } catch (int) {
        return 1;
    }
    return ReadPicture() ? 0 : 2;
}

// Pixels as a player sees them: the screen captured, and a 32-bit memory
// canvas to draw on and read back.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <vector>

namespace ui {

struct Image {
    int cx = 0, cy = 0;
    std::vector<COLORREF> px;  // rows from the top
    COLORREF At(int x, int y) const { return px[y * cx + x]; }
    // Smallest rectangle holding every pixel that passes test (empty if none).
    RECT Bounds(const std::function<bool(COLORREF)>& test) const;
    int Count(const RECT& rc, const std::function<bool(COLORREF)>& test) const;
};

// A top-down 32-bit DIB section selected into a memory DC.
class Canvas {
public:
    Canvas(int cx, int cy, COLORREF clrFill = RGB(255, 255, 255));
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC hdc() const { return m_hDC; }
    // The pixel as the DIB holds it: 0x00RRGGBB.
    uint32_t At(int x, int y) const;
    Image Read() const;

private:
    int m_cx, m_cy;
    HDC m_hDC;
    HBITMAP m_hBitmap, m_hOld;
    void* m_pBits;
};

// The screen's pixels in rc (screen coordinates), and a window's client area.
Image CaptureScreen(const RECT& rc);
Image CaptureClient(HWND hWnd);

} // namespace ui

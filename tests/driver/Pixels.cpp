#include "Pixels.h"
#include <algorithm>

namespace ui {

RECT Image::Bounds(const std::function<bool(COLORREF)>& test) const
{
    RECT rc = {cx, cy, 0, 0};
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x)
            if (test(At(x, y))) {
                rc.left = std::min<LONG>(rc.left, x);
                rc.top = std::min<LONG>(rc.top, y);
                rc.right = std::max<LONG>(rc.right, x + 1);
                rc.bottom = std::max<LONG>(rc.bottom, y + 1);
            }
    return rc.right == 0 ? RECT{0, 0, 0, 0} : rc;
}

int Image::Count(const RECT& rc, const std::function<bool(COLORREF)>& test) const
{
    int n = 0;
    for (int y = std::max<LONG>(rc.top, 0); y < std::min<LONG>(rc.bottom, cy); ++y)
        for (int x = std::max<LONG>(rc.left, 0); x < std::min<LONG>(rc.right, cx); ++x)
            n += test(At(x, y)) ? 1 : 0;
    return n;
}

Canvas::Canvas(int cx, int cy, COLORREF clrFill) : m_cx(cx), m_cy(cy)
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    m_hDC = ::CreateCompatibleDC(nullptr);
    m_hBitmap = ::CreateDIBSection(m_hDC, &bmi, DIB_RGB_COLORS, &m_pBits, nullptr, 0);
    m_hOld = static_cast<HBITMAP>(::SelectObject(m_hDC, m_hBitmap));
    RECT rc = {0, 0, cx, cy};
    HBRUSH hBrush = ::CreateSolidBrush(clrFill);
    ::FillRect(m_hDC, &rc, hBrush);
    ::DeleteObject(hBrush);
    ::GdiFlush();
}

Canvas::~Canvas()
{
    ::SelectObject(m_hDC, m_hOld);
    ::DeleteObject(m_hBitmap);
    ::DeleteDC(m_hDC);
}

uint32_t Canvas::At(int x, int y) const
{
    ::GdiFlush();
    return static_cast<const uint32_t*>(m_pBits)[y * m_cx + x] & 0xFFFFFF;
}

Image Canvas::Read() const
{
    ::GdiFlush();
    Image img;
    img.cx = m_cx;
    img.cy = m_cy;
    const uint32_t* p = static_cast<const uint32_t*>(m_pBits);
    for (int i = 0; i < m_cx * m_cy; ++i)
        img.px.push_back(RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF));
    return img;
}

Image CaptureScreen(const RECT& rc)
{
    Canvas canvas(rc.right - rc.left, rc.bottom - rc.top);
    HDC hScreen = ::GetDC(nullptr);
    ::BitBlt(canvas.hdc(), 0, 0, rc.right - rc.left, rc.bottom - rc.top, hScreen, rc.left, rc.top, SRCCOPY);
    ::ReleaseDC(nullptr, hScreen);
    return canvas.Read();
}

Image CaptureClient(HWND hWnd)
{
    RECT rc;
    ::GetClientRect(hWnd, &rc);
    ::MapWindowPoints(hWnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return CaptureScreen(rc);
}

} // namespace ui

// A device context. CDC borrows its handle; CClientDC gets a window's client
// DC and releases it when it goes.
#pragma once
#include <windows.h>

class CWnd;
class CPalette;

class CDC {
public:
    CDC() : m_hDC(nullptr) {}
    virtual ~CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC;
    HDC GetSafeHdc() const { return m_hDC; }

    static CDC* FromHandle(HDC hDC);

    int SetBkMode(int nBkMode) { return ::SetBkMode(m_hDC, nBkMode); }
    COLORREF SetBkColor(COLORREF crColor) { return ::SetBkColor(m_hDC, crColor); }
    COLORREF SetTextColor(COLORREF crColor) { return ::SetTextColor(m_hDC, crColor); }
    int SetStretchBltMode(int nStretchMode) { return ::SetStretchBltMode(m_hDC, nStretchMode); }
    int DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat)
    {
        return ::DrawTextA(m_hDC, lpszString, nCount, lpRect, nFormat);
    }
    // Selects the palette and returns the one it replaces (a temporary wrapper).
    CPalette* SelectPalette(CPalette* pPalette, BOOL bForceBackground);
    UINT RealizePalette() { return ::RealizePalette(m_hDC); }

    void AttachTemporary(HDC hDC) { m_hDC = hDC; }
    void DetachTemporary() { m_hDC = nullptr; }
};

class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};

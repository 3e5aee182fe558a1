// A GDI object handle. The wrapper owns its handle and deletes it when it
// goes, unless it was detached; temporary wrappers (FromHandle) only borrow.
#pragma once
#include <windows.h>

class CGdiObject {
public:
    CGdiObject() : m_hObject(nullptr) {}
    virtual ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject;
    HGDIOBJ GetSafeHandle() const { return m_hObject; }

    static CGdiObject* FromHandle(HGDIOBJ hObject);
    // Takes hObject over, deleting the handle held before; FALSE (and the
    // held one kept) for a null handle.
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    BOOL DeleteObject();

    // Used by the handle maps and CBorrowed: the wrapper borrows the handle.
    void AttachTemporary(HGDIOBJ hObject) { m_hObject = hObject; }
    void DetachTemporary() { m_hObject = nullptr; }
};

class CBrush : public CGdiObject {
public:
    BOOL CreateSolidBrush(COLORREF crColor) { return Attach(::CreateSolidBrush(crColor)); }
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

class CBitmap : public CGdiObject {
public:
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
};

class CPalette : public CGdiObject {
public:
    static CPalette* FromHandle(HPALETTE hPalette);
    operator HPALETTE() const { return static_cast<HPALETTE>(m_hObject); }
};

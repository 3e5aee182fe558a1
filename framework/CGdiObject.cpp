#include "CGdiObject.h"
#include "ThreadState.h"

CGdiObject* CGdiObject::FromHandle(HGDIOBJ hObject)
{
    return AfxGetThreadState()->m_gdiMap.FromHandle(hObject);
}

BOOL CGdiObject::Attach(HGDIOBJ hObject)
{
    if (hObject == nullptr)
        return FALSE;
    // The handle held so far is ours: it goes before the new one is taken.
    if (m_hObject != hObject)
        DeleteObject();
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ hObject = m_hObject;
    m_hObject = nullptr;
    return hObject;
}

BOOL CGdiObject::DeleteObject()
{
    if (m_hObject == nullptr)
        return FALSE;
    return ::DeleteObject(Detach());
}

CPalette* CPalette::FromHandle(HPALETTE hPalette)
{
    return AfxGetThreadState()->m_paletteMap.FromHandle(hPalette);
}

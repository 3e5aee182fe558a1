// Root of the classes that receive messages through message maps.
//
// A message map is a static table of entries chained to the base class's
// table. Each entry carries an adapter that casts the receiver to the class
// that declared the map, unpacks wParam/lParam and calls the handler, so a
// handler with the wrong signature does not compile.
#pragma once
#include <windows.h>
#include <type_traits>

class CCmdTarget;

// Adapter of one entry: calls the handler and stores its result. Returns
// false when the entry declines the message (so the search goes on).
typedef bool (*AFX_PMSG_ADAPTER)(CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // window message, or 0 for the end of the table
    UINT nID;       // control or command id for WM_COMMAND entries, else 0
    AFX_PMSG_ADAPTER pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

class CCmdTarget {
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    // Offers a message to the message maps from the most derived class up.
    // Returns true and the handler's result when an entry took it.
    bool DispatchToMessageMap(UINT message, UINT nID, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

#define DECLARE_MESSAGE_MAP()                          \
protected:                                             \
    static const AFX_MSGMAP* GetThisMessageMap();      \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                  \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                           \
        typedef theClass ThisClass;                                             \
        typedef baseClass TheBaseClass;                                         \
        static_assert(std::is_base_of<TheBaseClass, ThisClass>::value, "message map base"); \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                       \
            { 0, 0, nullptr }                                                   \
        };                                                                      \
        static const AFX_MSGMAP messageMap = { &TheBaseClass::GetThisMessageMap, &_messageEntries[0] }; \
        return &messageMap;                                                     \
    }

// The body of an adapter: 'self' is the receiver as the map's own class.
#define AFX_MSG_ADAPTER(body)                                                   \
    [](CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam, LRESULT* pResult) -> bool { \
        ThisClass* self = static_cast<ThisClass*>(pTarget);                     \
        (void)self; (void)wParam; (void)lParam; (void)pResult;                  \
        body                                                                    \
    }

// Reflected messages: a parent hands some requests back to the child's object
// as message + WM_REFLECT_BASE.
#define WM_REFLECT_BASE 0xBC00
// The colour requests WM_CTLCOLORMSGBOX..WM_CTLCOLORSTATIC reach a map as
// this one message, with the kind (message - WM_CTLCOLORMSGBOX).
#ifndef WM_CTLCOLOR
#define WM_CTLCOLOR 0x0019
#endif

// lParam of the reflected colour request.
struct AFX_CTLCOLOR {
    HWND hWnd;
    HDC hDC;
    UINT nCtlType;
};

// void OnCommandHandler()
#define ON_COMMAND(id, memberFxn) \
    { WM_COMMAND, (UINT)(id), AFX_MSG_ADAPTER(self->memberFxn(); *pResult = 0; return true;) },

// LRESULT memberFxn(WPARAM wParam, LPARAM lParam)
#define ON_MESSAGE(message, memberFxn) \
    { (UINT)(message), 0, AFX_MSG_ADAPTER(*pResult = self->memberFxn(wParam, lParam); return true;) },

// BOOL OnEraseBkgnd(CDC* pDC)
#define ON_WM_ERASEBKGND() \
    { WM_ERASEBKGND, 0, AFX_MSG_ADAPTER(*pResult = self->OnEraseBkgnd(CDC::FromHandle((HDC)wParam)); return true;) },

// HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor); lParam is the AFX_CTLCOLOR
#define ON_WM_CTLCOLOR() \
    { WM_CTLCOLOR, 0, AFX_MSG_ADAPTER(                                          \
        const AFX_CTLCOLOR* pCtl = reinterpret_cast<const AFX_CTLCOLOR*>(lParam); \
        *pResult = (LRESULT)self->OnCtlColor(CDC::FromHandle(pCtl->hDC), CWnd::FromHandle(pCtl->hWnd), pCtl->nCtlType); \
        return true;) },

// HBRUSH CtlColor(CDC* pDC, UINT nCtlColor); a null brush declines the request
#define ON_WM_CTLCOLOR_REFLECT() \
    { WM_REFLECT_BASE + WM_CTLCOLOR, 0, AFX_MSG_ADAPTER(                       \
        const AFX_CTLCOLOR* pCtl = reinterpret_cast<const AFX_CTLCOLOR*>(lParam); \
        HBRUSH hBrush = self->CtlColor(CDC::FromHandle(pCtl->hDC), pCtl->nCtlType); \
        *pResult = (LRESULT)hBrush;                                             \
        return hBrush != nullptr;) },

// void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct)
#define ON_WM_DRAWITEM() \
    { WM_DRAWITEM, 0, AFX_MSG_ADAPTER(                                          \
        self->OnDrawItem((int)wParam, reinterpret_cast<LPDRAWITEMSTRUCT>(lParam)); \
        *pResult = TRUE; return true;) },

// void OnPaletteChanged(CWnd* pFocusWnd)
#define ON_WM_PALETTECHANGED() \
    { WM_PALETTECHANGED, 0, AFX_MSG_ADAPTER(self->OnPaletteChanged(CWnd::FromHandle((HWND)wParam)); *pResult = 0; return true;) },

// BOOL OnQueryNewPalette()
#define ON_WM_QUERYNEWPALETTE() \
    { WM_QUERYNEWPALETTE, 0, AFX_MSG_ADAPTER(*pResult = self->OnQueryNewPalette(); return true;) },

// void OnMouseMove(UINT nFlags, CPoint point)
#define ON_WM_MOUSEMOVE() \
    { WM_MOUSEMOVE, 0, AFX_MSG_ADAPTER(                                         \
        self->OnMouseMove((UINT)wParam, CPoint((short)LOWORD(lParam), (short)HIWORD(lParam))); \
        *pResult = 0; return true;) },

// void OnSysCommand(UINT nID, LPARAM lParam)
#define ON_WM_SYSCOMMAND() \
    { WM_SYSCOMMAND, 0, AFX_MSG_ADAPTER(self->OnSysCommand((UINT)wParam, lParam); *pResult = 0; return true;) },

// void OnPaint()
#define ON_WM_PAINT() \
    { WM_PAINT, 0, AFX_MSG_ADAPTER(self->OnPaint(); *pResult = 0; return true;) },

// UINT OnGetDlgCode()
#define ON_WM_GETDLGCODE() \
    { WM_GETDLGCODE, 0, AFX_MSG_ADAPTER(*pResult = self->OnGetDlgCode(); return true;) },

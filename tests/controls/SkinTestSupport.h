// Helpers for tests of real skinned windows: pixels from the screen and from
// memory canvases, bounded message pumping, real mouse input, a modal run
// with a script, a plain host window, and a ledger of the GDI objects and
// calls made through this program's own imports.
#pragma once
#include "Framework.h"
#include "ImportLedger.h"
#include "Pixels.h"
#include "UiDriver.h"
#include <functional>
#include <string>
#include <vector>

namespace skintest {

using namespace ui;  // canvases, captures, pumping
bool Near(COLORREF a, COLORREF b, int nTolerance);
// Pixels of rc with a channel outside the range the two colours span.
// Text smoothed onto its background gives none: such a pixel shows a third
// colour, for instance letter cells filled with another background.
int OutsideColours(const Image& img, const RECT& rc, COLORREF clrBk, COLORREF clrText);
// Whether a window's client area shows clr anywhere on the screen.
bool ClientShows(HWND hWnd, COLORREF clr);

// Dispatches this thread's messages for ms milliseconds.
inline void PumpFor(DWORD ms) { PumpUntil([] { return false; }, ms); }

// Real input through the system's input queue.
inline void MoveCursor(POINT ptScreen) { toolkit::MovePointer(ptScreen); }
void LeftButton(bool bDown);
inline POINT CentreOnScreen(HWND hWnd) { return toolkit::WindowCentre(hWnd); }

// Runs dlg modally; once it has painted, script runs with its window, then
// the dialog ends with IDOK.
INT_PTR RunModal(CDialog& dlg, const std::function<void(HWND)>& script);

// A visible, active top-level window (plain framework window) to put
// owner-drawn buttons on; it reflects their drawing to their objects.
class TestHost : public CWnd {
public:
    TestHost(int x, int y, int cx, int cy);
    ~TestHost() override;
    // Creates an owner-drawn push button and binds obj to it.
    HWND AddButton(CWnd& obj, int nID, const char* pszText, int x, int y, int cx, int cy);
};

// The test program's own GDI objects and DCs still alive, as the import ledger
// counts them once attached (ledger::Attach with Follow::GdiAndUser).
inline long LiveGdiAndDcs()
{
    const ledger::Counts c = ledger::Live();
    return c.gdi + c.user - c.windows;
}

} // namespace skintest

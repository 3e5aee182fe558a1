// What the programs that drive a real dialog share (tovik-preview, and the
// test and benchmark programs): real pointer input, waiting with a bound,
// finding a thread's windows and capturing the screen.
#pragma once
#include <windows.h>
#include "ScopedHandle.h"
#include <functional>
#include <string>
#include <vector>

namespace toolkit {

// The absolute SendInput coordinate (0..65535) of a screen pixel along an
// axis of size pixels: the nearest, so that the system maps it back to the
// same pixel.
LONG AbsoluteInputCoordinate(int pixel, int size);

// Moves the real pointer through the system's input queue and returns once
// it has stayed on pt for a moment (a late pointer event can otherwise put it
// back); false when it did not get there within ms.
bool MovePointer(POINT pt, DWORD ms = 1000);
// Presses or releases the left button where the pointer is.
void PressLeftButton(bool bDown);
// The centre of a window, in screen coordinates.
POINT WindowCentre(HWND hWnd);

// Polls cond every 10 ms until it holds or ms have passed.
bool WaitFor(const std::function<bool()>& cond, DWORD ms = 5000);

std::vector<HWND> ThreadWindows(DWORD threadId);
// A window's text, asked of the window itself (so also a control of another
// process); empty when the window does not answer within 2 s.
std::string WindowText(HWND hWnd);
// The screen's pixels in rc (screen coordinates), in a device bitmap.
CScopedBitmap CaptureScreen(const RECT& rc);

} // namespace toolkit

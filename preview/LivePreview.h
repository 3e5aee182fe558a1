// Runs the real claim dialog of TovikDlg.dll on a worker thread, puts it in
// the state asked for (pointer resting on a button, focus on a button), waits
// for its painting to settle and captures it from the screen as the player
// sees it. Then it presses Agree.
#pragma once
#include <windows.h>
#include "ScopedHandle.h"
#include <string>

namespace preview {

struct Request {
    std::string dllPath;    // TovikDlg.dll to load
    int hoverId = 0;        // IDOK or IDCANCEL: rest the pointer there; 0: keep it off the dialog
    int focusId = 0;        // IDOK or IDCANCEL: give that button the focus; 0: as the dialog sets it
    DWORD appearMs = 10000; // bound for the dialog to show
    DWORD settleMs = 5000;  // bound for its painting to settle
};

struct Outcome {
    bool captured = false;
    CScopedBitmap picture;      // the dialog's window rectangle
    bool settled = false;       // the picture stopped changing within the bound
    bool ended = false;         // ShowMainDialog returned after Agree
    int result = -1;            // its result when ended
    std::string fault;          // why nothing was captured, or why the dialog did not end
};

// Shows the dialog with Claim.txt of the current directory. The cursor is
// put back where it was.
Outcome Capture(const Request& request);

}  // namespace preview

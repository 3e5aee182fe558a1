// The library's only export: checks the caller's access code and runs the
// claim dialog.
#include "../claim/CClaimDialog.h"

namespace {

// The code a caller must offer to be shown the dialog.
const char kAccessCode[] = "8063927kov";

// Result codes of ShowMainDialog.
const int kResultAgreed = 0;
const int kResultNotAgreed = 1;
const int kResultAccessRefused = 8;

// Exact byte comparison; a null argument is a wrong code.
bool IsAccessCode(const char* pszCode)
{
    if (pszCode == nullptr)
        return false;
    const char* pExpected = kAccessCode;
    while (*pszCode == *pExpected) {
        if (*pszCode == '\0')
            return true;
        ++pszCode;
        ++pExpected;
    }
    return false;
}

int RunClaimDialog()
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    CClaimDialog dlg(nullptr);
    return dlg.DoModal() == IDOK ? kResultAgreed : kResultNotAgreed;
}

} // namespace

extern "C" int __cdecl ShowMainDialog(const char* pszAccessCode)
{
    if (!IsAccessCode(pszAccessCode)) {
        ::MessageBoxA(nullptr, "Access Denied!!", "Warning", MB_ICONERROR);
        return kResultAccessRefused;
    }
    // Nothing may unwind into the caller: an exception ends the call as "not agreed".
    try {
        return RunClaimDialog();
    } catch (...) {
        return kResultNotAgreed;
    }
}

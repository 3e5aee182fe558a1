// The library's only export: checks the caller's access code and runs the
// claim dialog. It is compiled against its published declaration, which
// also holds the access code and the result codes.
#include "TovikDlg.h"
#include "CClaimDialog.h"
#include "AfxDebug.h"

namespace {

// Exact byte comparison; a null argument is a wrong code.
bool IsAccessCode(const char* pszCode)
{
    if (pszCode == nullptr)
        return false;
    const char* pExpected = TOVIK_ACCESS_CODE;
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
    return dlg.DoModal() == IDOK ? TOVIK_RESULT_AGREED : TOVIK_RESULT_NOT_AGREED;
}

} // namespace

extern "C" int __cdecl ShowMainDialog(const char* pszAccessCode)
{
    if (!IsAccessCode(pszAccessCode)) {
        ::MessageBoxA(nullptr, "Access Denied!!", "Warning", MB_ICONERROR);
        return TOVIK_RESULT_CODE_REFUSED;
    }
    // Nothing may unwind into the caller: an exception ends the call as "not agreed".
    try {
        return RunClaimDialog();
    } catch (...) {
        AfxReportCaught("ShowMainDialog");
        return TOVIK_RESULT_NOT_AGREED;
    }
}

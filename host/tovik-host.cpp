// A stand-in for the game: loads TovikDlg.dll, calls ShowMainDialog with the
// right access code (or the one given as the first argument), prints the
// result and its meaning, and exits with the result.
#include <windows.h>
#include <cstdio>
#include "TovikDlg.h"

namespace {

// Exit code when the library cannot be loaded or has no ShowMainDialog.
const int kExitHostFailure = 2;

const char* Meaning(int nResult)
{
    switch (nResult) {
    case TOVIK_RESULT_AGREED:
        return "the player agreed";
    case TOVIK_RESULT_NOT_AGREED:
        return "the player did not agree (or the claim could not be shown)";
    case TOVIK_RESULT_CODE_REFUSED:
        return "access code refused";
    default:
        return "unexpected result";
    }
}

} // namespace

int main(int argc, char** argv)
{
    const char* pszCode = argc > 1 ? argv[1] : TOVIK_ACCESS_CODE;
    HMODULE hLib = ::LoadLibraryA("TovikDlg.dll");
    if (hLib == nullptr) {
        std::fprintf(stderr, "tovik-host: TovikDlg.dll: cannot load (error %lu)\n", ::GetLastError());
        return kExitHostFailure;
    }
    TOVIK_SHOW_MAIN_DIALOG pfnShow = reinterpret_cast<TOVIK_SHOW_MAIN_DIALOG>(
        reinterpret_cast<void*>(::GetProcAddress(hLib, "ShowMainDialog")));
    if (pfnShow == nullptr) {
        std::fprintf(stderr, "tovik-host: TovikDlg.dll: no export ShowMainDialog\n");
        ::FreeLibrary(hLib);
        return kExitHostFailure;
    }
    int nResult = pfnShow(pszCode);
    std::printf("ShowMainDialog returned %d: %s\n", nResult, Meaning(nResult));
    std::fflush(stdout);
    ::FreeLibrary(hLib);
    return nResult;
}

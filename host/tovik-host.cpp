// A stand-in for the game: loads TovikDlg.dll, calls ShowMainDialog with the
// right access code (or the one given as the first argument), prints the
// result and its meaning, and exits with the result.
#include <windows.h>
#include <cstdio>
#include <cstring>
#include "TovikDlg.h"

namespace {

// Exit code when the library cannot be loaded or has no ShowMainDialog, or
// the command line is wrong.
const int kExitHostFailure = 2;

const char kHelp[] =
    "Usage: tovik-host [CODE]\n"
    "\n"
    "A stand-in for a game: loads TovikDlg.dll (through the system's DLL search,\n"
    "which looks in this program's folder first), calls ShowMainDialog with the\n"
    "right access code or with CODE, prints the result and what it means, and\n"
    "exits with it. The library reads Claim.txt from the current directory.\n"
    "\n"
    "  --help     show this text\n"
    "  --version  show the version of this program\n"
    "  --         take the next argument as CODE even when it starts with -\n"
    "\n"
    "Exit status: the result of ShowMainDialog (0 agreed, 1 not agreed, 8 access\n"
    "code refused); 2 when TovikDlg.dll cannot be loaded or has no\n"
    "ShowMainDialog, or the command line is wrong.\n";

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
    // At most one argument, the code; options are told from codes by their
    // leading "--" (or "-h", "/?"), and "--" passes the next one as a code.
    const char* pszCode = TOVIK_ACCESS_CODE;
    int nCodes = 0;
    for (int i = 1; i < argc; ++i) {
        const char* pszArg = argv[i];
        if (std::strcmp(pszArg, "--help") == 0 || std::strcmp(pszArg, "-h") == 0 || std::strcmp(pszArg, "/?") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(pszArg, "--version") == 0) {
            std::printf("tovik-host %s (%s)\n", TOVIK_VERSION_STRING, sizeof(void*) == 8 ? "x64" : "x86");
            return 0;
        }
        if (std::strcmp(pszArg, "--") == 0 && i + 1 < argc)
            pszArg = argv[++i];
        else if (std::strncmp(pszArg, "--", 2) == 0) {
            std::fprintf(stderr, "tovik-host: usage: unknown option %s (see --help)\n", pszArg);
            return kExitHostFailure;
        }
        if (++nCodes > 1) {
            std::fprintf(stderr, "tovik-host: usage: one CODE at most (see --help)\n");
            return kExitHostFailure;
        }
        pszCode = pszArg;
    }
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

/*
 * Loads TovikDlg.dll when it runs (LoadLibraryA and GetProcAddress), so the
 * game starts even where the DLL is missing and can say so itself.
 *
 * Usage: load_at_runtime [ACCESS_CODE]   (the right code by default)
 * Exit status: the result of ShowMainDialog, or 2 when the DLL cannot be used.
 *
 * Build with MinGW-w64, for a 32-bit and a 64-bit game:
 *   i686-w64-mingw32-gcc -I../include load_at_runtime.c -o load_at_runtime.exe
 *   x86_64-w64-mingw32-gcc -I../include load_at_runtime.c -o load_at_runtime.exe
 * Build with MSVC (the x86 or x64 tools prompt): cl /I..\include load_at_runtime.c
 * Put the TovikDlg.dll of bin/x86 beside a 32-bit game, that of bin/x64
 * beside a 64-bit one.
 */
#include <windows.h>
#include <stdio.h>

#include "TovikDlg.h"

int main(int argc, char** argv)
{
    const char* code = argc > 1 ? argv[1] : TOVIK_ACCESS_CODE;
    HMODULE dll = LoadLibraryA("TovikDlg.dll");
    TOVIK_SHOW_MAIN_DIALOG showMainDialog;
    int result;

    if (dll == NULL) {
        DWORD error = GetLastError();
        if (error == ERROR_BAD_EXE_FORMAT)
            fprintf(stderr, "TovikDlg.dll: built for the other architecture; this %d-bit program needs the one of bin/%s "
                    "(error %lu, ERROR_BAD_EXE_FORMAT)\n", (int)sizeof(void*) * 8, sizeof(void*) == 8 ? "x64" : "x86",
                    (unsigned long)error);
        else
            fprintf(stderr, "TovikDlg.dll: cannot load (error %lu)\n", (unsigned long)error);
        return 2;
    }
    showMainDialog = (TOVIK_SHOW_MAIN_DIALOG)(void*)GetProcAddress(dll, "ShowMainDialog");
    if (showMainDialog == NULL) {
        fprintf(stderr, "TovikDlg.dll: no ShowMainDialog\n");
        FreeLibrary(dll);
        return 2;
    }

    result = showMainDialog(code);
    switch (result) {
    case TOVIK_RESULT_AGREED:
        printf("ShowMainDialog returned %d: agreed, the game goes on\n", result);
        break;
    case TOVIK_RESULT_NOT_AGREED:
        printf("ShowMainDialog returned %d: not agreed, the game ends\n", result);
        break;
    case TOVIK_RESULT_CODE_REFUSED:
        printf("ShowMainDialog returned %d: access code refused\n", result);
        break;
    default:
        printf("ShowMainDialog returned %d: unexpected\n", result);
        break;
    }
    FreeLibrary(dll);
    return result;
}

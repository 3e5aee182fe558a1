/*
 * Loads TovikDlg.dll when it runs (LoadLibraryA and GetProcAddress), so the
 * game starts even where the DLL is missing and can say so itself.
 *
 * Usage: load_at_runtime [ACCESS_CODE]   (the right code by default)
 * Exit status: the result of ShowMainDialog, or 2 when the DLL cannot be used.
 *
 * Build with MinGW-w64:  i686-w64-mingw32-gcc -I../include load_at_runtime.c -o load_at_runtime.exe
 * Build with MSVC (x86): cl /I..\include load_at_runtime.c
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
        fprintf(stderr, "TovikDlg.dll: cannot load (error %lu)\n", (unsigned long)GetLastError());
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

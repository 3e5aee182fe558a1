/*
 * Calls TovikDlg.dll through its import library: Windows loads the DLL with
 * the program and refuses to start the program without it.
 *
 * Usage: link_import [ACCESS_CODE]   (the right code by default)
 * Exit status: the result of ShowMainDialog.
 *
 * Build with MinGW-w64, for a 32-bit and a 64-bit game:
 *   i686-w64-mingw32-gcc -I../include link_import.c -L../lib/x86 -lTovikDlg -o link_import.exe
 *   x86_64-w64-mingw32-gcc -I../include link_import.c -L../lib/x64 -lTovikDlg -o link_import.exe
 * Build with MSVC: cl /I..\include link_import.c ..\lib\x86\TovikDlg.lib   (x64: ..\lib\x64)
 */
#include <stdio.h>

#include "TovikDlg.h"

int main(int argc, char** argv)
{
    const char* code = argc > 1 ? argv[1] : TOVIK_ACCESS_CODE;
    int result = ShowMainDialog(code);

    if (result == TOVIK_RESULT_AGREED)
        printf("ShowMainDialog returned %d: agreed, the game goes on\n", result);
    else if (result == TOVIK_RESULT_CODE_REFUSED)
        printf("ShowMainDialog returned %d: access code refused\n", result);
    else
        printf("ShowMainDialog returned %d: not agreed, the game ends\n", result);
    return result;
}

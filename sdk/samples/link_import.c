/*
 * Calls TovikDlg.dll through its import library: Windows loads the DLL with
 * the program and refuses to start the program without it.
 *
 * Usage: link_import [ACCESS_CODE]   (the right code by default)
 * Exit status: the result of ShowMainDialog.
 *
 * Build with MinGW-w64:  i686-w64-mingw32-gcc -I../include link_import.c -L../lib -lTovikDlg -o link_import.exe
 * Build with MSVC (x86): cl /I..\include link_import.c ..\lib\TovikDlg.lib
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

// A stand-in TovikDlg.dll for the preview's failure paths: its
// ShowMainDialog shows no dialog. TOVIK_STUB=box makes it refuse the code
// with the library's message box; otherwise it returns 1 at once.
#include <windows.h>

extern "C" __declspec(dllexport) int __cdecl ShowMainDialog(const char*)
{
    char szMode[16] = "";
    ::GetEnvironmentVariableA("TOVIK_STUB", szMode, sizeof(szMode));
    if (lstrcmpA(szMode, "box") == 0) {
        ::MessageBoxA(nullptr, "Access Denied!!", "Warning", MB_ICONERROR);
        return 8;
    }
    return 1;
}

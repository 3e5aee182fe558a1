// The system's dialog window class ("#32770"): dialogs made from templates
// and message boxes are of it.
#pragma once
#include <windows.h>

inline bool IsDialogWindow(HWND hWnd)
{
    char szClass[16] = "";
    ::GetClassNameA(hWnd, szClass, sizeof(szClass));
    return ::lstrcmpA(szClass, "#32770") == 0;
}

// A stand-in TovikDlg.dll for the preview's failure paths. Its
// ShowMainDialog, as TOVIK_STUB says: "box" refuses the code with the
// library's message box and returns 8; "dialog" shows a dialog that the
// preview takes for the claim dialog (a text box 1000 and an Agree button)
// and returns 1 once it is agreed to; otherwise it returns 1 at once.
#include <windows.h>
#include <vector>

namespace {

INT_PTR CALLBACK EndOnAgree(HWND hWnd, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        ::EndDialog(hWnd, IDOK);
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

// An item of an in-memory dialog template: no title, no creation data.
void AddItem(std::vector<WORD>& t, DWORD style, short x, short y, short cx, short cy, WORD id, WORD classAtom)
{
    if (t.size() % 2 != 0)
        t.push_back(0);  // items start on a DWORD
    const DWORD styleWords[2] = { LOWORD(style | WS_CHILD | WS_VISIBLE), HIWORD(style | WS_CHILD | WS_VISIBLE) };
    t.insert(t.end(), { static_cast<WORD>(styleWords[0]), static_cast<WORD>(styleWords[1]), 0, 0,
                        static_cast<WORD>(x), static_cast<WORD>(y), static_cast<WORD>(cx), static_cast<WORD>(cy),
                        id, 0xFFFF, classAtom, 0, 0 });
}

int ShowDialogEndingWith1()
{
    const DWORD style = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_VISIBLE;
    std::vector<WORD> t = { LOWORD(style), HIWORD(style), 0, 0, 2, 0, 0, 120, 80, 0, 0, 0 };
    AddItem(t, ES_MULTILINE | ES_READONLY, 4, 4, 112, 50, 1000, 0x0081);
    AddItem(t, BS_PUSHBUTTON, 40, 60, 40, 14, IDOK, 0x0080);
    ::DialogBoxIndirectParamA(::GetModuleHandleA("TovikDlg.dll"), reinterpret_cast<LPCDLGTEMPLATEA>(t.data()),
                              nullptr, &EndOnAgree, 0);
    return 1;
}

} // namespace

extern "C" __declspec(dllexport) int __cdecl ShowMainDialog(const char*)
{
    char szMode[16] = "";
    ::GetEnvironmentVariableA("TOVIK_STUB", szMode, sizeof(szMode));
    if (lstrcmpA(szMode, "box") == 0) {
        ::MessageBoxA(nullptr, "Access Denied!!", "Warning", MB_ICONERROR);
        return 8;
    }
    if (lstrcmpA(szMode, "dialog") == 0)
        return ShowDialogEndingWith1();
    return 1;
}

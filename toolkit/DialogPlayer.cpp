#include "DialogPlayer.h"
#include "DialogClass.h"
#include "ScreenInput.h"
#include "resource.h"

namespace toolkit {

bool IsClaimDialog(HWND hWnd) { return IsDialogWindow(hWnd) && ::GetDlgItem(hWnd, IDC_CLAIM_TEXT) != nullptr; }

bool IsMessageBox(HWND hWnd) { return IsDialogWindow(hWnd) && ::GetDlgItem(hWnd, 0xFFFF) != nullptr; }

std::string MessageBoxText(HWND hBox) { return WindowText(::GetDlgItem(hBox, 0xFFFF)); }

void Click(HWND hWnd)
{
    MovePointer(WindowCentre(hWnd));
    PressLeftButton(true);
    PressLeftButton(false);
}

std::string ProgramFolder()
{
    char szPath[MAX_PATH] = "";
    const DWORD n = ::GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    const std::string path(szPath, n);
    return path.substr(0, path.find_last_of('\\'));
}

} // namespace toolkit

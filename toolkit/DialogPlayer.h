// What the programs that play the claim dialog share (tovik-answer,
// tovik-preview, and the test and benchmark programs): telling the claim
// dialog and message boxes from other windows, reading a box's text, a
// player's click, and the program's own folder, where TovikDlg.dll lies.
#pragma once
#include <windows.h>
#include <string>

namespace toolkit {

// The claim dialog is a dialog holding the claim text box; a message box is
// a dialog holding the static text 0xFFFF.
bool IsClaimDialog(HWND hWnd);
bool IsMessageBox(HWND hWnd);
// The text of a message box, asked of its static text.
std::string MessageBoxText(HWND hBox);

// A left click at the centre of a window, real (through the input queue).
void Click(HWND hWnd);

// The folder of the running program, without a final backslash.
std::string ProgramFolder();

} // namespace toolkit
